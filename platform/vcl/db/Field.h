// TField: one column of a dataset as the application sees it, a component so that persistent
// fields live in form files (owned by the form, attached to their dataset through DataSet).
//
// Guarantees:
//  - Values travel as the dataset's value buffers (GetData / SetData): each field class reads and
//    writes its own native buffer of DataSize bytes (see the subclasses), and converts between it
//    and the As* accessors. Reading a value allocates nothing for numbers, booleans, dates and
//    short texts, and looks nothing up by name.
//  - A field whose class cannot give a value as the type asked raises EDatabaseError "Cannot
//    access field 'x' as type y"; text that does not convert raises EConvertError naming the
//    field.
//  - Writes go through the dataset, which refuses them outside an editing state (SNotEditing) and
//    for read-only fields (SFieldReadOnly); OnValidate sees the new value (reading the field inside
//    it gives the value being written) and may refuse it by raising, leaving the record as it was.
//  - Calculated and lookup fields keep their values in the dataset's calculation area at Offset
//    (one "has a value" byte, then DataSize bytes); their FieldNo is -1. Data fields get the
//    number of their field definition when the dataset binds them.
//  - A field attached to a dataset is in its Fields list, at Index; freeing the field takes it out,
//    and freeing the dataset detaches the fields it does not own.
#pragma once

#include "platform/vcl/Component.h"
#include "platform/vcl/Variant.h"
#include "platform/vcl/db/DBTypes.h"

#include <cstdint>
#include <functional>

namespace vcl {

class TDataSet;
class TField;

using TFieldNotifyEvent = std::function<void(TField* Sender)>;
// Gives the text shown for the field; DisplayText is true for display, false for editing.
using TFieldGetTextEvent = std::function<void(TField* Sender, AnsiString& Text, bool DisplayText)>;
using TFieldSetTextEvent = std::function<void(TField* Sender, const AnsiString& Text)>;

class TField : public TComponent {
    VCL_CLASS(TField, TComponent)
public:
    explicit TField(TComponent* owner);

    // --- Identity and binding ------------------------------------------------------------------
    TDataSet* GetDataSet() const { return FDataSet; }
    // Attaches the field to a dataset (appended to its Fields) or detaches it (null). The dataset
    // must be closed; a field name already used in it raises SDuplicateFieldName.
    void SetDataSet(TDataSet* value);
    const AnsiString& GetFieldName() const { return FFieldName; }
    void SetFieldName(const AnsiString& value);
    // The field definition's number for a bound data field; -1 for calculated and lookup fields,
    // 0 while unbound.
    int GetFieldNo() const { return FFieldNo; }
    TFieldKind GetFieldKind() const { return FFieldKind; }
    void SetFieldKind(TFieldKind value);
    bool GetCalculated() const { return FFieldKind == fkCalculated; }
    bool GetLookup() const { return FFieldKind == fkLookup; }
    TFieldType GetDataType() const { return FDataType; }
    int GetSize() const { return FSize; }
    void SetSize(int value);
    // Bytes of the field's value buffer.
    virtual int GetDataSize() const { return 0; }
    // Calculated and lookup fields: where the value lives in the calculation area.
    int GetOffset() const { return FOffset; }
    // Position in the dataset's Fields (-1 when detached); SetIndex moves it there.
    int GetIndex() const;
    void SetIndex(int value);

    // --- Behaviour -----------------------------------------------------------------------------
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    bool GetRequired() const { return FRequired; }
    void SetRequired(bool value) { FRequired = value; }
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool value);
    const AnsiString& GetDisplayLabel() const { return FDisplayLabel; }
    void SetDisplayLabel(const AnsiString& value);
    // DisplayLabel, or FieldName when there is none.
    const AnsiString& GetDisplayName() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }
    // Characters a control shows; by default the class's natural width.
    int GetDisplayWidth() const { return FDisplayWidth >= 0 ? FDisplayWidth : GetDefaultWidth(); }
    void SetDisplayWidth(int value);
    // Text values pass the dataset's Translate when read and written.
    bool GetTransliterate() const { return FTransliterate; }
    void SetTransliterate(bool value) { FTransliterate = value; }
    // Set by writers that bypass SetData (blob streams): the value was changed in this edit.
    bool GetModified() const { return FModified; }
    void SetModified(bool value) { FModified = value; }
    virtual bool GetIsBlob() const { return false; }
    bool GetCanModify() const;

    // --- Values --------------------------------------------------------------------------------
    bool GetIsNull();
    // Sets the field to NULL.
    virtual void Clear();
    Variant GetValue() { return GetAsVariant(); }
    void SetValue(const Variant& value) { SetAsVariant(value); }
    virtual Variant GetAsVariant();
    // Null or Empty clears the field; anything else is converted by the field's class.
    void SetAsVariant(const Variant& value);
    virtual AnsiString GetAsString();
    virtual void SetAsString(const AnsiString& value);
    virtual std::int32_t GetAsInteger();
    virtual void SetAsInteger(std::int32_t value);
    virtual double GetAsFloat();
    virtual void SetAsFloat(double value);
    virtual Currency GetAsCurrency();
    virtual void SetAsCurrency(Currency value);
    virtual TDateTime GetAsDateTime();
    virtual void SetAsDateTime(TDateTime value);
    virtual bool GetAsBoolean();
    virtual void SetAsBoolean(bool value);
    // The text for editing (OnGetText with DisplayText false, else AsString) and for display.
    AnsiString GetText();
    AnsiString GetDisplayText();
    // OnSetText when assigned, else AsString.
    virtual void SetText(const AnsiString& value);
    // Sets the value from a variant of any type (InsertRecord, FieldValues).
    void AssignValue(const Variant& value) { SetAsVariant(value); }

    // --- Raw access (the dataset's value buffer of the field's class) ---------------------------
    // Whether the field has a value; copies it into buffer when buffer is not null.
    bool GetData(void* buffer);
    // Writes the value (null buffer: NULL) through the dataset.
    void SetData(const void* buffer);
    // Runs OnValidate for the value about to be written (null: NULL).
    void Validate(const void* buffer);
    // Asks the controls showing the field to take the focus.
    void FocusControl();

    // --- Lookup fields -------------------------------------------------------------------------
    TDataSet* GetLookupDataSet() const { return FLookupDataSet; }
    void SetLookupDataSet(TDataSet* value);
    const AnsiString& GetLookupKeyFields() const { return FLookupKeyFields; }
    void SetLookupKeyFields(const AnsiString& value);
    const AnsiString& GetLookupResultField() const { return FLookupResultField; }
    void SetLookupResultField(const AnsiString& value);
    const AnsiString& GetKeyFields() const { return FKeyFields; }
    void SetKeyFields(const AnsiString& value);

    // --- Events --------------------------------------------------------------------------------
    const TFieldNotifyEvent& GetOnChange() const { return FOnChange; }
    void SetOnChange(TFieldNotifyEvent e) { FOnChange = std::move(e); }
    const TFieldNotifyEvent& GetOnValidate() const { return FOnValidate; }
    void SetOnValidate(TFieldNotifyEvent e) { FOnValidate = std::move(e); }
    const TFieldGetTextEvent& GetOnGetText() const { return FOnGetText; }
    void SetOnGetText(TFieldGetTextEvent e) { FOnGetText = std::move(e); }
    const TFieldSetTextEvent& GetOnSetText() const { return FOnSetText; }
    void SetOnSetText(TFieldSetTextEvent e) { FOnSetText = std::move(e); }

protected:
    ~TField() override;
    void Destroy() override;
    void Notification(TComponent* component, TOperation operation) override;

    void SetDataType(TFieldType value) { FDataType = value; }
    // The width a control gives the field when DisplayWidth was not set.
    virtual int GetDefaultWidth() const { return 10; }
    // Raises SInvalidFieldSize unless the class accepts the size.
    virtual void CheckTypeSize(int value);
    // The text of the value (display or edit form); the default is AsString.
    virtual AnsiString GetTextValue(bool displayText);
    // Converts a non-null variant into the field's value.
    virtual void SetVarValue(const Variant& value);
    // Called by the dataset when it binds (true) or unbinds (false) its fields.
    virtual void Bind(bool binding);
    // Computes a lookup field's value into the calculation buffer (dsCalcFields).
    void CalcLookupValue();
    // Fires OnChange (the dataset calls it after a write).
    virtual void Change();
    [[noreturn]] void AccessError(const char* typeName);
    [[noreturn]] void ConvertError(const AnsiString& text);
    void CheckInactive();

private:
    // GetData while a value is under validation or without a dataset.
    bool GetDataOutOfLine(void* buffer);
    friend class TDataSet;
    friend class TFields;

    TDataSet* FDataSet = nullptr;
    AnsiString FFieldName;
    int FFieldNo = 0;
    TFieldKind FFieldKind = fkData;
    TFieldType FDataType = ftUnknown;
    int FSize = 0;
    int FOffset = 0;
    bool FReadOnly = false;
    bool FRequired = false;
    bool FVisible = true;
    bool FTransliterate = false;
    bool FModified = false;
    AnsiString FDisplayLabel;
    int FDisplayWidth = -1; // -1: the class's default
    TDataSet* FLookupDataSet = nullptr;
    AnsiString FLookupKeyFields, FLookupResultField, FKeyFields;
    // While OnValidate runs: the value being written (null for NULL), returned by GetData.
    const void* FValueBuffer = nullptr;
    bool FValidating = false;
    TFieldNotifyEvent FOnChange, FOnValidate;
    TFieldGetTextEvent FOnGetText;
    TFieldSetTextEvent FOnSetText;
};

} // namespace vcl
