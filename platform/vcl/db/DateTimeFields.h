// Date and time fields. Their value buffers follow the framework's time stamp (DateTime.h):
//   TDateField      8 bytes; the first 4 hold the day number (TTimeStamp::Date, 1 = 0001-01-01);
//   TTimeField      8 bytes; the first 4 hold the milliseconds since midnight (TTimeStamp::Time);
//   TDateTimeField  8 bytes: a double holding the time stamp in milliseconds
//                   (Date * 86,400,000 + Time).
// Values are read and written as TDateTime; a date field drops the time of day and a time field the
// date. Text uses the framework's date and time text; empty text clears the field, text that is no
// date raises EConvertError naming the field.
#pragma once

#include "platform/vcl/FormatSettings.h"
#include "platform/vcl/db/Field.h"

#include <string_view>

namespace vcl {

class TDateTimeField : public TField {
    VCL_CLASS(TDateTimeField, TField)
public:
    explicit TDateTimeField(TComponent* owner);

    int GetDataSize() const override { return 8; }
    Variant GetAsVariant() override;
    AnsiString GetAsString() override;
    void SetAsString(const AnsiString& value) override;
    double GetAsFloat() override;
    void SetAsFloat(double value) override;
    TDateTime GetAsDateTime() override;
    void SetAsDateTime(TDateTime value) override;

protected:
    ~TDateTimeField() override;
    int GetDefaultWidth() const override { return 19; }
    void SetVarValue(const Variant& value) override;
    // Text of a value and parsing of text, by the class's kind of value.
    virtual AnsiString FormatValue(TDateTime value);
    virtual TDateTime ParseText(const AnsiString& text);
    // Parses with one of the framework's Try routines; text it refuses raises ConvertError.
    using TTryParse = bool (*)(std::string_view, TDateTime&, const TFormatSettings&);
    TDateTime ParseWith(const AnsiString& text, TTryParse parse);
};

class TDateField : public TDateTimeField {
    VCL_CLASS(TDateField, TDateTimeField)
public:
    explicit TDateField(TComponent* owner);
    TDateTime GetAsDateTime() override;
    void SetAsDateTime(TDateTime value) override;

protected:
    ~TDateField() override;
    int GetDefaultWidth() const override { return 10; }
    AnsiString FormatValue(TDateTime value) override;
    TDateTime ParseText(const AnsiString& text) override;
};

class TTimeField : public TDateTimeField {
    VCL_CLASS(TTimeField, TDateTimeField)
public:
    explicit TTimeField(TComponent* owner);
    TDateTime GetAsDateTime() override;
    void SetAsDateTime(TDateTime value) override;

protected:
    ~TTimeField() override;
    int GetDefaultWidth() const override { return 8; }
    AnsiString FormatValue(TDateTime value) override;
    TDateTime ParseText(const AnsiString& text) override;
};

} // namespace vcl
