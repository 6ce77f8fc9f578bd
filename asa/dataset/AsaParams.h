// TAsaParams: the ordered list of a dataset's parameters, which owns them, hands their values to
// the statement as one variant, and stores itself (values included) in form files as the binary
// property "Data".
//
// Lookups. ParamByName / ParamByAlias find the first parameter, in list order, whose name / alias
// equals the one asked for ignoring letter case, and raise ECorvexException "Host variable "x" not
// found." otherwise. GetParam(i) (the Items of the list) returns ParamByName of the i-th
// parameter's name: when two parameters share a name, both indices give the first. Every
// operation that speaks of Items (IsEqual, Assign, AssignValues, the stored form) goes through
// that lookup; GetParamAliases and GetParamValues walk the list itself.
//
// Stored form ("Data"), all integers little-endian:
//   count                     int32
//   per parameter (Items[i]):
//     name length, name       int32, that many bytes (no terminator)
//     alias length, alias     int32, that many bytes
//     data type               1 byte, 0 .. 11
//     when the type is not 0:
//       data size             int32, 0 .. 2048
//       data                  the first data-size bytes of the value's data form (AsaParam.h)
// The null flag is not stored: every parameter reads back not null. A text of 2048 characters or
// more is stored as its first 2048 bytes without a terminator and reads back so cut.
//
// Reading refuses damaged data with the framework's read error (EReadError): a stream that ends
// early ("Stream read error"), a negative count or length, a type above 11, a data size above
// 2048 or too small for its type, a text shorter than 2048 bytes without its 0 byte, a value that
// cannot be converted (a date out of range). The list then holds the parameters read completely
// before the damage; reading never touches memory outside the data block or the stream.
#pragma once

#include "asa/dataset/AsaParam.h"
#include "platform/vcl/Persistent.h"
#include "platform/vcl/Variant.h"

#include <cstdint>
#include <vector>

namespace vcl {
class TComponent;
class TFiler;
class TStream;
} // namespace vcl

namespace tnx {

class TAsaParams : public vcl::TPersistent {
    VCL_CLASS(TAsaParams, vcl::TPersistent)
public:
    // The largest data block a stored parameter may carry.
    static constexpr std::int32_t MaxDataSize = 2048;

    // An empty list; owner (normally the dataset) gives the list its name path.
    explicit TAsaParams(vcl::TComponent* owner = nullptr);

    std::int32_t GetCount() const { return static_cast<std::int32_t>(FItems.size()); }
    // Items[index] (see the file comment). An index out of range raises EListError.
    TAsaParam* GetParam(std::uint16_t index) const;
    // The parameter at that position of the list, without the lookup by name of Items (so each of
    // two parameters of one name is reached); an index out of range raises EListError.
    TAsaParam* GetParamAt(std::int32_t index) const;
    // Appends the parameter and hands it to this list (a list it was in before lets it go).
    void AddParam(TAsaParam* param);
    // Lets the parameter go: it is no longer in the list and belongs to the caller.
    void RemoveParam(TAsaParam* param);
    // Frees every parameter, last first.
    void Clear();
    TAsaParam* ParamByName(const vcl::AnsiString& name) const;
    TAsaParam* ParamByAlias(const vcl::AnsiString& alias) const;
    // The aliases in list order, joined by ";" (an empty text takes the next alias without ";").
    vcl::AnsiString GetParamAliases() const;
    // The values for the statement: Null when the aliases are empty; a variant array (0 ..
    // Count-1, Null for null parameters) when they hold ";"; otherwise the value of the parameter
    // with that alias (Null when it is null).
    vcl::Variant GetParamValues() const;
    // Same count and Items[i].IsEqual(other.Items[i]) for every i.
    bool IsEqual(const TAsaParams& other) const;
    // From another list: a copy of each of its Items. Anything else raises the cannot-assign error.
    void Assign(vcl::TPersistent* source) override;
    // Each of Items takes the value of the first of other's Items with exactly the same name
    // (letter case counts); the others keep theirs.
    void AssignValues(const TAsaParams& other);

    // The stored form (file comment), read from / written at the stream's position.
    void ReadBinaryData(vcl::TStream* stream);
    void WriteBinaryData(vcl::TStream* stream) const;

protected:
    ~TAsaParams() override;
    void Destroy() override;
    void AssignTo(vcl::TPersistent* dest) override;
    // Declares "Data": written when it differs from the ancestor's list or, without one, when
    // the list holds parameters.
    void DefineProperties(vcl::TFiler& filer) override;
    vcl::TPersistent* GetOwner() override;

private:
    // Items[index] for any index in range.
    TAsaParam* ItemAt(std::int32_t index) const;
    TAsaParam* FindParam(const vcl::AnsiString& name) const;
    // Reads one parameter record into a parameter already appended to the list.
    static void ReadParam(vcl::TStream* stream, TAsaParam& param, std::int32_t index);

    vcl::TComponent* FOwner;
    std::vector<TAsaParam*> FItems; // owned; freed through Clear
};

} // namespace tnx
