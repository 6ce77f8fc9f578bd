// TBooleanField: true or false. Value buffer: 2 bytes (16-bit, 0 false, non-zero true; written
// as 1). Text is "True" / "False"; written text may also be T/F, Y/N, Yes/No or a number, any
// letter case; empty text clears the field.
#pragma once

#include "platform/vcl/db/Field.h"

namespace vcl {

class TBooleanField : public TField {
    VCL_CLASS(TBooleanField, TField)
public:
    explicit TBooleanField(TComponent* owner);

    int GetDataSize() const override { return 2; }
    Variant GetAsVariant() override;
    AnsiString GetAsString() override;
    void SetAsString(const AnsiString& value) override;
    bool GetAsBoolean() override;
    void SetAsBoolean(bool value) override;
    std::int32_t GetAsInteger() override;
    void SetAsInteger(std::int32_t value) override;

protected:
    ~TBooleanField() override;
    int GetDefaultWidth() const override { return 5; }
    void SetVarValue(const Variant& value) override;
};

} // namespace vcl
