// TField: binding to a dataset, raw value access, validation, text and lookups (Field.h).
#include "platform/vcl/db/Field.h"

#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/db/DBConsts.h"
#include "platform/vcl/db/DataSet.h"
#include "platform/vcl/db/Fields.h"

#include <cstring>

namespace vcl {

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::~TField() = default;

void TField::Destroy() {
    if (FDataSet != nullptr) {
        FDataSet->FFields->Remove(this);
        FDataSet = nullptr;
    }
    if (FLookupDataSet != nullptr) {
        FLookupDataSet->RemoveFreeNotification(this);
        FLookupDataSet = nullptr;
    }
    inherited::Destroy();
}

void TField::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && component == FLookupDataSet) FLookupDataSet = nullptr;
}

void TField::CheckInactive() {
    if (FDataSet != nullptr) FDataSet->CheckInactive();
}

void TField::SetDataSet(TDataSet* value) {
    if (value == FDataSet) return;
    CheckInactive();
    if (value != nullptr) {
        value->CheckInactive();
        if (!FFieldName.empty()) {
            TField* other = value->FindField(FFieldName);
            if (other != nullptr && other != this) DatabaseErrorFmt(SDuplicateFieldName, {FFieldName}, value);
        }
    }
    if (FDataSet != nullptr) FDataSet->FFields->Remove(this);
    FDataSet = value;
    FFieldNo = 0;
    if (FDataSet != nullptr) FDataSet->FFields->Add(this);
}

void TField::SetFieldName(const AnsiString& value) {
    if (value == FFieldName) return;
    CheckInactive();
    if (FDataSet != nullptr && !value.empty()) {
        TField* other = FDataSet->FindField(value);
        if (other != nullptr && other != this) DatabaseErrorFmt(SDuplicateFieldName, {value}, FDataSet);
    }
    FFieldName = value;
}

void TField::SetFieldKind(TFieldKind value) {
    if (value == FFieldKind) return;
    CheckInactive();
    FFieldKind = value;
}

void TField::SetSize(int value) {
    if (value == FSize) return;
    CheckInactive();
    CheckTypeSize(value);
    FSize = value;
}

void TField::CheckTypeSize(int value) {
    if (value != 0) DatabaseErrorFmt(SInvalidFieldSize, {value, GetDisplayName()}, this);
}

int TField::GetIndex() const {
    return FDataSet != nullptr ? FDataSet->FFields->IndexOf(this) : -1;
}

void TField::SetIndex(int value) {
    if (FDataSet == nullptr) return;
    FDataSet->FFields->SetFieldIndex(this, value);
    if (FDataSet->GetActive()) FDataSet->DataEvent(deLayoutChange, 0);
}

void TField::SetVisible(bool value) {
    if (value == FVisible) return;
    FVisible = value;
    if (FDataSet != nullptr && FDataSet->GetActive()) FDataSet->DataEvent(deLayoutChange, 0);
}

void TField::SetDisplayLabel(const AnsiString& value) {
    if (value == FDisplayLabel) return;
    FDisplayLabel = value;
    if (FDataSet != nullptr && FDataSet->GetActive()) FDataSet->DataEvent(deLayoutChange, 0);
}

void TField::SetDisplayWidth(int value) {
    if (value == FDisplayWidth) return;
    FDisplayWidth = value;
    if (FDataSet != nullptr && FDataSet->GetActive()) FDataSet->DataEvent(deLayoutChange, 0);
}

bool TField::GetCanModify() const {
    if (FReadOnly || FDataSet == nullptr) return false;
    if (FFieldKind != fkData && FDataSet->GetState() != dsCalcFields) return false;
    return FDataSet->CanModify();
}

// --- Raw access ------------------------------------------------------------------------------------

bool TField::GetData(void* buffer) {
    // Every field value read comes here: the dataset's own read is handed over directly, the rest
    // (a value under validation, no dataset) goes out of line.
    if (!FValidating && FDataSet != nullptr) [[likely]]
        return FDataSet->GetFieldData(this, buffer);
    return GetDataOutOfLine(buffer);
}

bool TField::GetDataOutOfLine(void* buffer) {
    if (FValidating) {
        if (FValueBuffer == nullptr) return false;
        if (buffer != nullptr) std::memcpy(buffer, FValueBuffer, static_cast<std::size_t>(GetDataSize()));
        return true;
    }
    DatabaseErrorFmt(SDataSetMissing, {GetDisplayName()}, this);
}

void TField::SetData(const void* buffer) {
    if (FDataSet == nullptr) DatabaseErrorFmt(SDataSetMissing, {GetDisplayName()}, this);
    FDataSet->SetFieldData(this, buffer);
}

void TField::Validate(const void* buffer) {
    if (!FOnValidate) return;
    const void* savedBuffer = FValueBuffer;
    const bool savedValidating = FValidating;
    FValueBuffer = buffer;
    FValidating = true;
    try {
        FOnValidate(this);
    } catch (...) {
        FValueBuffer = savedBuffer;
        FValidating = savedValidating;
        throw;
    }
    FValueBuffer = savedBuffer;
    FValidating = savedValidating;
}

void TField::FocusControl() {
    if (FDataSet != nullptr && FDataSet->GetActive())
        FDataSet->DataEvent(deFocusControl, reinterpret_cast<std::intptr_t>(this));
}

void TField::Change() {
    if (FOnChange) FOnChange(this);
}

bool TField::GetIsNull() {
    return !GetData(nullptr);
}

void TField::Clear() {
    SetData(nullptr);
}

// --- Values: the base class converts nothing -------------------------------------------------------

void TField::AccessError(const char* typeName) {
    DatabaseErrorFmt(SFieldAccessError, {GetDisplayName(), typeName});
}

void TField::ConvertError(const AnsiString& text) {
    throw EConvertError(SInvalidFieldValue, {text, GetDisplayName()});
}

Variant TField::GetAsVariant() {
    AccessError("Variant");
}

void TField::SetAsVariant(const Variant& value) {
    if (value.IsNull() || value.IsEmpty()) {
        Clear();
        return;
    }
    SetVarValue(value);
}

void TField::SetVarValue(const Variant&) {
    AccessError("Variant");
}

AnsiString TField::GetAsString() {
    AccessError("String");
}

void TField::SetAsString(const AnsiString&) {
    AccessError("String");
}

std::int32_t TField::GetAsInteger() {
    AccessError("Integer");
}

void TField::SetAsInteger(std::int32_t) {
    AccessError("Integer");
}

double TField::GetAsFloat() {
    AccessError("Float");
}

void TField::SetAsFloat(double) {
    AccessError("Float");
}

Currency TField::GetAsCurrency() {
    return Currency::FromDouble(GetAsFloat());
}

void TField::SetAsCurrency(Currency value) {
    SetAsFloat(value.ToDouble());
}

TDateTime TField::GetAsDateTime() {
    AccessError("DateTime");
}

void TField::SetAsDateTime(TDateTime) {
    AccessError("DateTime");
}

bool TField::GetAsBoolean() {
    AccessError("Boolean");
}

void TField::SetAsBoolean(bool) {
    AccessError("Boolean");
}

AnsiString TField::GetTextValue(bool) {
    return GetAsString();
}

AnsiString TField::GetText() {
    if (FOnGetText) {
        AnsiString text;
        FOnGetText(this, text, false);
        return text;
    }
    return GetTextValue(false);
}

AnsiString TField::GetDisplayText() {
    if (FOnGetText) {
        AnsiString text;
        FOnGetText(this, text, true);
        return text;
    }
    return GetTextValue(true);
}

void TField::SetText(const AnsiString& value) {
    if (FOnSetText) {
        FOnSetText(this, value);
        return;
    }
    SetAsString(value);
}

// --- Lookup fields -----------------------------------------------------------------------------------

void TField::SetLookupDataSet(TDataSet* value) {
    if (value == FLookupDataSet) return;
    CheckInactive();
    if (FLookupDataSet != nullptr) FLookupDataSet->RemoveFreeNotification(this);
    FLookupDataSet = value;
    if (FLookupDataSet != nullptr) FLookupDataSet->FreeNotification(this);
}

void TField::SetLookupKeyFields(const AnsiString& value) {
    CheckInactive();
    FLookupKeyFields = value;
}

void TField::SetLookupResultField(const AnsiString& value) {
    CheckInactive();
    FLookupResultField = value;
}

void TField::SetKeyFields(const AnsiString& value) {
    CheckInactive();
    FKeyFields = value;
}

void TField::Bind(bool binding) {
    if (!binding || FFieldKind != fkLookup) return;
    if (FLookupDataSet == nullptr || FLookupKeyFields.empty() || FLookupResultField.empty() || FKeyFields.empty())
        DatabaseErrorFmt(SLookupInfoError, {GetDisplayName()}, FDataSet);
    if (FLookupDataSet == FDataSet) DatabaseErrorFmt(SCircularLookup, {GetDisplayName()}, FDataSet);
    // The key fields must exist in this dataset.
    FDataSet->GetFieldList(FKeyFields);
}

void TField::CalcLookupValue() {
    if (FLookupDataSet == nullptr || !FLookupDataSet->GetActive()) return;
    const Variant keys = FDataSet->GetFieldValue(FKeyFields);
    SetAsVariant(FLookupDataSet->Lookup(FLookupKeyFields, keys, FLookupResultField));
}

VCL_CLASS_INFO(TField, [](TPublisher<TField>& p) {
    p.Property("FieldKind", &TField::GetFieldKind, &TField::SetFieldKind).Default(fkData);
    p.Property("FieldName", &TField::GetFieldName, &TField::SetFieldName);
    p.Property("DisplayLabel", &TField::GetDisplayLabel, &TField::SetDisplayLabel);
    p.Property("DisplayWidth", &TField::GetDisplayWidth, &TField::SetDisplayWidth)
        .Stored([](TField* f) { return f->FDisplayWidth >= 0; });
    p.Property("Visible", &TField::GetVisible, &TField::SetVisible).Default(true);
    p.Property("ReadOnly", &TField::GetReadOnly, &TField::SetReadOnly).Default(false);
    p.Property("Required", &TField::GetRequired, &TField::SetRequired).Default(false);
    p.Property("KeyFields", &TField::GetKeyFields, &TField::SetKeyFields);
    p.Property("LookupDataSet", &TField::GetLookupDataSet, &TField::SetLookupDataSet);
    p.Property("LookupKeyFields", &TField::GetLookupKeyFields, &TField::SetLookupKeyFields);
    p.Property("LookupResultField", &TField::GetLookupResultField, &TField::SetLookupResultField);
    p.Property("DataSet", &TField::GetDataSet, &TField::SetDataSet);
    p.Property("OnChange", &TField::FOnChange);
    p.Property("OnGetText", &TField::FOnGetText);
    p.Property("OnSetText", &TField::FOnSetText);
    p.Property("OnValidate", &TField::FOnValidate);
})

} // namespace vcl
