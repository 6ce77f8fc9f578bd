// TStringField: text of at most Size characters.
//
// Value buffer: DataSize = Size + 1 bytes, the text followed by a 0 byte (text longer than Size is
// cut to Size when written). With Transliterate (the default) values pass the dataset's Translate
// on the way in and out. Conversions to numbers, dates and booleans parse the text and raise
// EConvertError naming the field when it does not convert; an empty text reads as 0 / false.
#pragma once

#include "platform/vcl/db/Field.h"

namespace vcl {

class TStringField : public TField {
    VCL_CLASS(TStringField, TField)
public:
    explicit TStringField(TComponent* owner);

    int GetDataSize() const override { return GetSize() + 1; }
    Variant GetAsVariant() override;
    AnsiString GetAsString() override;
    void SetAsString(const AnsiString& value) override;
    std::int32_t GetAsInteger() override;
    void SetAsInteger(std::int32_t value) override;
    double GetAsFloat() override;
    void SetAsFloat(double value) override;
    Currency GetAsCurrency() override;
    void SetAsCurrency(Currency value) override;
    TDateTime GetAsDateTime() override;
    void SetAsDateTime(TDateTime value) override;
    bool GetAsBoolean() override;
    void SetAsBoolean(bool value) override;

    // Reads the text into a caller's buffer of at least DataSize bytes; false when NULL.
    bool GetValue(char* text);

protected:
    ~TStringField() override;
    int GetDefaultWidth() const override { return GetSize(); }
    void CheckTypeSize(int value) override;
    void SetVarValue(const Variant& value) override;
};

} // namespace vcl
