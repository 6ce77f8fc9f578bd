// Numeric fields: TIntegerField (32-bit signed), TFloatField (double) and TCurrencyField (a
// TFloatField whose value is money: the same double buffer, shown as currency).
//
// Value buffers: TIntegerField 4 bytes (int32), TFloatField and TCurrencyField 8 bytes (double).
// MinValue / MaxValue, when either is non-zero, bound the values written; a value outside raises
// EDatabaseError "x is not a valid value for field 'f'. The allowed range is a to b". Text is
// parsed with the framework's number rules; empty text clears the field.
#pragma once

#include "platform/vcl/db/Field.h"

namespace vcl {

class TIntegerField : public TField {
    VCL_CLASS(TIntegerField, TField)
public:
    explicit TIntegerField(TComponent* owner);

    int GetDataSize() const override { return 4; }
    Variant GetAsVariant() override;
    AnsiString GetAsString() override;
    void SetAsString(const AnsiString& value) override;
    std::int32_t GetAsInteger() override;
    void SetAsInteger(std::int32_t value) override;
    double GetAsFloat() override;
    void SetAsFloat(double value) override;
    Currency GetAsCurrency() override;
    void SetAsCurrency(Currency value) override;
    bool GetAsBoolean() override;
    void SetAsBoolean(bool value) override;

    std::int32_t GetMinValue() const { return FMinValue; }
    void SetMinValue(std::int32_t value) { FMinValue = value; }
    std::int32_t GetMaxValue() const { return FMaxValue; }
    void SetMaxValue(std::int32_t value) { FMaxValue = value; }

protected:
    ~TIntegerField() override;
    int GetDefaultWidth() const override { return 11; }
    void SetVarValue(const Variant& value) override;

private:
    void CheckRange(std::int32_t value);
    std::int32_t FMinValue = 0, FMaxValue = 0;
};

class TFloatField : public TField {
    VCL_CLASS(TFloatField, TField)
public:
    explicit TFloatField(TComponent* owner);

    int GetDataSize() const override { return 8; }
    Variant GetAsVariant() override;
    AnsiString GetAsString() override;
    void SetAsString(const AnsiString& value) override;
    std::int32_t GetAsInteger() override;
    void SetAsInteger(std::int32_t value) override;
    double GetAsFloat() override;
    void SetAsFloat(double value) override;
    Currency GetAsCurrency() override;
    void SetAsCurrency(Currency value) override;

    double GetMinValue() const { return FMinValue; }
    void SetMinValue(double value) { FMinValue = value; }
    double GetMaxValue() const { return FMaxValue; }
    void SetMaxValue(double value) { FMaxValue = value; }
    // True for money values (TCurrencyField): shown and given as currency.
    bool GetCurrency() const { return FCurrency; }
    void SetCurrency(bool value) { FCurrency = value; }

protected:
    ~TFloatField() override;
    int GetDefaultWidth() const override { return 10; }
    AnsiString GetTextValue(bool displayText) override;
    void SetVarValue(const Variant& value) override;

private:
    void CheckRange(double value);
    double FMinValue = 0, FMaxValue = 0;
    bool FCurrency = false;
};

class TCurrencyField : public TFloatField {
    VCL_CLASS(TCurrencyField, TFloatField)
public:
    explicit TCurrencyField(TComponent* owner);
    Variant GetAsVariant() override;

protected:
    ~TCurrencyField() override;
};

} // namespace vcl
