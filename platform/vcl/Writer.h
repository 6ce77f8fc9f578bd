// TWriter: writes components and values as binary form data (Filer.h).
//
// WriteDescendent(root, ancestor) writes the signature, then the root with its published
// properties, its defined properties (DefineProperties) and its children (GetChildren: by default
// its owned components that are not sub-components), each child with its own properties and
// children. Which properties are written is decided per property (TypInfo.h): with an ancestor,
// only values that differ from the ancestor's; otherwise values that differ from their declared
// defaults. A child that exists, by name, in the ancestor is written with the ffInherited flag and
// compared with the ancestor's component; the root is flagged likewise when an ancestor is given.
// Components are in csWriting while they are written.
#pragma once

#include "platform/vcl/Filer.h"

#include <cstdint>
#include <string_view>

namespace vcl {

class TEnumInfo;
struct TPropInfo;

class TWriter : public TFiler {
    VCL_CLASS(TWriter, TFiler)
public:
    explicit TWriter(TStream* stream);

    void DefineProperty(const AnsiString& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;
    void DefineBinaryProperty(const AnsiString& name, const TStreamProc& readData,
                              const TStreamProc& writeData, bool hasData) override;

    // --- Components ----------------------------------------------------------------------------
    void WriteRootComponent(TComponent* root);
    void WriteDescendent(TComponent* root, TComponent* ancestor);
    // Writes one component (header, properties, children).
    void WriteComponent(TComponent* component);
    // Writes a component's properties and children (TComponent::WriteState calls it).
    void WriteData(TComponent* instance);
    // Writes the stored published and defined properties of an object.
    void WriteProperties(TPersistent* instance);
    void WriteSignature();
    void WritePrefix(TFilerFlags flags, std::int32_t childPos);

    // --- Values --------------------------------------------------------------------------------
    void WriteValue(TValueType value);
    void WriteListBegin();
    void WriteListEnd();
    // In the smallest integer type that holds the value.
    void WriteInteger(std::int64_t value);
    void WriteBoolean(bool value);
    void WriteFloat(double value); // extended
    void WriteSingle(float value);
    void WriteCurrency(Currency value);
    void WriteDate(TDateTime value);
    // A short string up to 255 characters, else a long string.
    void WriteString(std::string_view value);
    // Windows-1252 text stored as a wide string.
    void WriteWideString(std::string_view value);
    // An identifier; False, True, nil and Null (any letter case) become their value types.
    void WriteIdent(std::string_view ident);
    // A short string without a value type (names); longer than 255 characters raises EWriteError.
    void WriteStr(std::string_view value);
    void WriteSet(const TEnumInfo& elements, std::uint64_t bits);
    void WriteBinary(const TStreamProc& writeData);

protected:
    ~TWriter() override;

private:
    // Writes one published property unless it holds its default (or the ancestor's value); one
    // writer per kind of property below.
    void WriteProperty(TPersistent* instance, const TPropInfo& prop, TPersistent* ancestor);
    void WriteOrdProperty(TPersistent* instance, const TPropInfo& prop, TPersistent* ancestor);
    void WriteFloatProperty(TPersistent* instance, const TPropInfo& prop, TPersistent* ancestor);
    // A reference to another component, written as its name from the lookup root.
    void WriteReferenceProperty(TPersistent* instance, const TPropInfo& prop, TPersistent* ancestor);
    // An owned sub-object: its properties, prefixed with the property's name.
    void WriteSubObjectProperty(TPersistent* instance, const TPropInfo& prop, TPersistent* ancestor);
    void WriteMethodProperty(TPersistent* instance, const TPropInfo& prop, TPersistent* ancestor);
    void WritePropName(std::string_view name);
    void Write(const void* data, std::int64_t count);
    // The stored form of a reference from the lookup root; empty when it cannot be named.
    AnsiString ReferenceName(TComponent* component) const;

    AnsiString FPropPath; // "Sub." prefix while writing a sub-object's properties
    TComponent* FRootAncestor = nullptr;
};

} // namespace vcl
