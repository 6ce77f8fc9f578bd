// TBytesField: a fixed number (Size) of raw bytes. Value buffer: exactly Size bytes, no length
// prefix. As a variant it is a byte array; as text the bytes themselves (shorter text is padded
// with zero bytes, longer text cut to Size).
#pragma once

#include "platform/vcl/db/Field.h"

namespace vcl {

class TBytesField : public TField {
    VCL_CLASS(TBytesField, TField)
public:
    explicit TBytesField(TComponent* owner);

    int GetDataSize() const override { return GetSize(); }
    Variant GetAsVariant() override;
    AnsiString GetAsString() override;
    void SetAsString(const AnsiString& value) override;

protected:
    ~TBytesField() override;
    int GetDefaultWidth() const override { return GetSize() * 2; }
    void CheckTypeSize(int value) override;
    AnsiString GetTextValue(bool displayText) override;
    void SetVarValue(const Variant& value) override;
};

} // namespace vcl
