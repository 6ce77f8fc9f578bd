// TAsaParam: one named parameter of a dataset's SQL text, with its value, its portable type and
// its null flag.
//
// The value is a framework Variant. The typed setters (SetAsInteger, SetAsString, ...) set the
// value, the type and clear the null flag together; the getters convert the value with the
// framework's variant conversions and raise its conversion error when it does not convert.
// SetAsVariant derives the type from the variant's type code; SetText converts text to the
// current type (as an editor does).
//
// The "data form" (GetDataSize / GetData / SetData / SetBlobData) is the value as raw bytes in
// the layout of its type; it is what a parameter list stores in form files (AsaParams.h):
//
//   type          size      bytes
//   ntUnknown     0         none
//   ntString      len + 1   the text and a 0 byte       ntMemo  the same
//   ntInteger     4         32-bit signed integer
//   ntFloat       8         IEEE double                 ntCurrency  the same (not fixed-point)
//   ntDate        4         the day number of the value's time stamp (days since 0001-01-01, +1)
//   ntTime        4         milliseconds since midnight of the value's time stamp
//   ntDateTime    8         double: the time stamp in milliseconds (days * 86,400,000 + time)
//   ntBoolean     2         16-bit: 0 false, non-zero true (written as -1)
//   ntBinary      len       the bytes, no terminator    ntBlob  the same
// All integers little-endian. A null parameter has no data form of its own: its current value
// (the integer 0 after Clear) is written in the layout of its type.
//
// Ownership: a parameter created into a list (Create(list, name)) belongs to the list, which frees
// it; one made with vcl::New<TAsaParam>(name) belongs to the caller. Freeing a parameter removes
// it from its list.
#pragma once

#include "base/TnxTypes.h"
#include "platform/vcl/Persistent.h"
#include "platform/vcl/Variant.h"

#include <cstddef>
#include <cstdint>

namespace vcl {
class TBitmap;
class TField;
class TStream;
} // namespace vcl

namespace tnx {

class TAsaParams;

// Portable type of a parameter's value (ntUnknown .. ntBlob).
using TAsaParamDataType = TCorvexFieldTypes;
// The blob types a parameter loads from a file or stream (ntMemo, ntBlob).
using TAsaParamBlobType = TCorvexFieldTypes;

class TAsaParam : public vcl::TPersistent {
    VCL_CLASS(TAsaParam, vcl::TPersistent)
public:
    // A parameter of no list: not null, type ntUnknown, value the integer 0, no alias.
    explicit TAsaParam(const vcl::AnsiString& name = {});
    // Creates a parameter appended to the list, which owns it.
    static TAsaParam* Create(TAsaParams& list, const vcl::AnsiString& name);

    TAsaParams* GetParamList() const { return FParamList; }
    const vcl::AnsiString& GetName() const { return FName; }
    void SetName(const vcl::AnsiString& name) { FName = name; }
    // The name under which the value is handed to the statement (TAsaParams::GetParamValues).
    const vcl::AnsiString& GetAlias() const { return FAlias; }
    void SetAlias(const vcl::AnsiString& alias) { FAlias = alias; }
    TAsaParamDataType GetDataType() const { return FDataType; }
    // Sets the type and resets the value to the integer 0; the null flag is kept.
    void SetDataType(TAsaParamDataType type);
    bool GetIsNull() const { return FIsNull; }
    // Makes the parameter null with the value the integer 0; the type is kept.
    void Clear();

    // Same value (type code and value), name and alias (letter case counts), type and null flag.
    bool IsEqual(const TAsaParam& other) const;

    // Copies from, first match wins: another parameter (name, alias, type, value or null); a
    // dataset field (AssignField); a string list (its text as a memo); a bitmap, or a picture
    // holding one (its stored bytes as a blob). Anything else raises the framework's
    // cannot-assign error and changes nothing.
    void Assign(vcl::TPersistent* source) override;
    // Takes the field's name as name and alias, and its value (or null). Nothing for no field.
    void AssignField(vcl::TField* field);

    // Loads a whole file or stream as a memo (ntMemo) or blob (ntBlob); other types load nothing.
    // A file that cannot be opened raises the framework's file-open error.
    void LoadFromFile(const vcl::AnsiString& fileName, TAsaParamBlobType blobType);
    void LoadFromStream(vcl::TStream* stream, TAsaParamBlobType blobType);

    // The data form (file comment). GetData writes GetDataSize bytes to the buffer.
    // The size of a type whose data form has a fixed size (ntUnknown 0); -1 for the text and
    // binary types, whose size follows the value.
    static std::int32_t FixedDataSize(TAsaParamDataType type);
    std::int32_t GetDataSize() const;
    void GetData(void* buffer) const;
    // Reads a data form of the current type from the size bytes at buffer. Text ends at its 0
    // byte or, without one, at the end of the buffer; a buffer shorter than a fixed-size type
    // reads as if padded with zeros. ntUnknown, ntBinary and ntBlob set the empty text (binary
    // values are read with SetBlobData).
    void SetData(const void* buffer, std::size_t size);
    // The length bytes as a binary value: SetAsBinary for ntBinary, else SetAsBlob.
    void SetBlobData(const void* buffer, std::int32_t length);

    // Sets the text as the value and converts it to the current type (ntUnknown becomes
    // ntString). A text that is no date gives date types the integer 0; a failed integer, float
    // or boolean conversion raises and leaves the parameter unchanged.
    void SetText(const vcl::AnsiString& text);

    // The value's type code decides the type; codes without a portable type make the parameter
    // null and ntUnknown. The value is kept as given in every case.
    void SetAsVariant(const vcl::Variant& value);
    const vcl::Variant& GetAsVariant() const { return FValue; }
    void SetAsString(const vcl::AnsiString& value);
    // Empty when null; dates as the framework's date-time text (empty when the value is no date);
    // booleans as "True" / "False".
    vcl::AnsiString GetAsString() const;
    void SetAsInteger(std::int32_t value);
    std::int32_t GetAsInteger() const;
    void SetAsFloat(double value);
    double GetAsFloat() const;
    // Held as a double with the type ntCurrency; read back with GetAsFloat.
    void SetAsCurrency(double value);
    // The date part alone, the time part alone, or both.
    void SetAsDate(vcl::TDateTime value);
    void SetAsTime(vcl::TDateTime value);
    void SetAsDateTime(vcl::TDateTime value);
    // 0 when null.
    vcl::TDateTime GetAsDateTime() const;
    void SetAsBoolean(bool value);
    bool GetAsBoolean() const;
    void SetAsMemo(const vcl::AnsiString& value);
    vcl::AnsiString GetAsMemo() const;
    // Bytes held as text.
    void SetAsBinary(const vcl::AnsiString& value);
    void SetAsBlob(const vcl::AnsiString& value);

protected:
    ~TAsaParam() override;
    void Destroy() override;

private:
    friend class TAsaParams;

    // The data form as bytes (GetData writes them; the list stores their first 2048).
    vcl::AnsiString DataForm() const;
    // The value as bytes for the text and binary layouts: a byte array gives its bytes, anything
    // else its text.
    vcl::AnsiString ValueBytes() const;
    // Copies a bitmap's stored bytes as a blob.
    void AssignBitmap(vcl::TBitmap& bitmap);

    TAsaParams* FParamList = nullptr; // the list that owns this parameter, or none
    vcl::AnsiString FName;
    vcl::AnsiString FAlias;
    TAsaParamDataType FDataType = ntUnknown;
    vcl::Variant FValue = std::int32_t(0);
    bool FIsNull = false;
};

} // namespace tnx
