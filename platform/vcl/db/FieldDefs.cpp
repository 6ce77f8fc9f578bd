// TFieldDef / TFieldDefs: column descriptions (FieldDefs.h), and the field class for each type.
#include "platform/vcl/db/FieldDefs.h"

#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/db/BlobFields.h"
#include "platform/vcl/db/BooleanField.h"
#include "platform/vcl/db/BytesField.h"
#include "platform/vcl/db/DBConsts.h"
#include "platform/vcl/db/DataSet.h"
#include "platform/vcl/db/DateTimeFields.h"
#include "platform/vcl/db/NumericFields.h"
#include "platform/vcl/db/StringField.h"

namespace vcl {

// --- TFieldDef --------------------------------------------------------------------------------------

TFieldDef::TFieldDef(TFieldDefs* owner, const AnsiString& name, TFieldType dataType, int size, bool required,
                     int fieldNo)
    : FOwner(owner), FName(name), FFieldNo(fieldNo), FDataType(dataType), FSize(size) {
    SetRequired(required);
}

TFieldDef::~TFieldDef() = default;

void TFieldDef::SetRequired(bool value) {
    if (value) {
        FAttributes.Include(faRequired);
    } else {
        FAttributes.Exclude(faRequired);
    }
}

void TFieldDef::SetReadOnly(bool value) {
    if (value) {
        FAttributes.Include(faReadonly);
    } else {
        FAttributes.Exclude(faReadonly);
    }
}

TClass TFieldDef::GetFieldClass() const {
    switch (FDataType) {
    case ftString:
        return TStringField::StaticClass();
    case ftInteger:
        return TIntegerField::StaticClass();
    case ftBoolean:
        return TBooleanField::StaticClass();
    case ftFloat:
        return TFloatField::StaticClass();
    case ftCurrency:
        return TCurrencyField::StaticClass();
    case ftDate:
        return TDateField::StaticClass();
    case ftTime:
        return TTimeField::StaticClass();
    case ftDateTime:
        return TDateTimeField::StaticClass();
    case ftBytes:
        return TBytesField::StaticClass();
    case ftBlob:
        return TBlobField::StaticClass();
    case ftMemo:
        return TMemoField::StaticClass();
    case ftGraphic:
        return TGraphicField::StaticClass();
    default:
        return nullptr;
    }
}

TField* TFieldDef::CreateField(TComponent* owner) {
    TClass cls = GetFieldClass();
    if (cls == nullptr || cls->Create == nullptr) DatabaseErrorFmt(SUnknownFieldType, {FName});
    TComponent* component = cls->Create(owner);
    auto* field = static_cast<TField*>(component);
    try {
        if (FDataType == ftString || FDataType == ftBytes) field->SetSize(FSize);
        field->SetFieldName(FName);
        field->SetRequired(GetRequired());
        field->SetReadOnly(GetReadOnly());
        if (FOwner != nullptr && FOwner->GetDataSet() != nullptr) field->SetDataSet(FOwner->GetDataSet());
    } catch (...) {
        field->Free();
        throw;
    }
    return field;
}

void TFieldDef::Assign(TPersistent* source) {
    if (auto* def = dynamic_cast<TFieldDef*>(source)) {
        FName = def->FName;
        FFieldNo = def->FFieldNo;
        FDataType = def->FDataType;
        FSize = def->FSize;
        FPrecision = def->FPrecision;
        FAttributes = def->FAttributes;
        return;
    }
    inherited::Assign(source);
}

// --- TFieldDefs -------------------------------------------------------------------------------------

TFieldDefs::TFieldDefs(TDataSet* dataSet) : FDataSet(dataSet) {}

TFieldDefs::~TFieldDefs() = default;

TPersistent* TFieldDefs::GetOwner() {
    return FDataSet;
}

TFieldDef* TFieldDefs::GetItem(int index) const {
    if (index < 0 || index >= Count()) throw EListError(SListIndexError, {index});
    return FItems[static_cast<std::size_t>(index)].get();
}

TFieldDef* TFieldDefs::Add(const AnsiString& name, TFieldType dataType, int size, bool required) {
    if (name.empty()) DatabaseError(SFieldNameMissing, FDataSet);
    if (IndexOf(name) >= 0) DatabaseErrorFmt(SDuplicateFieldName, {name}, FDataSet);
    FItems.push_back(New<TFieldDef>(this, name, dataType, size, required, Count() + 1));
    return FItems.back().get();
}

TFieldDef* TFieldDefs::AddFieldDef() {
    FItems.push_back(New<TFieldDef>(this, AnsiString(), ftUnknown, 0, false, Count() + 1));
    return FItems.back().get();
}

void TFieldDefs::Clear() {
    FItems.clear();
}

int TFieldDefs::IndexOf(std::string_view name) const {
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (SameText(FItems[i]->GetName(), name)) return static_cast<int>(i);
    return -1;
}

TFieldDef* TFieldDefs::FindDef(std::string_view name) const {
    const int index = IndexOf(name);
    return index < 0 ? nullptr : FItems[static_cast<std::size_t>(index)].get();
}

TFieldDef* TFieldDefs::Find(std::string_view name) const {
    TFieldDef* def = FindDef(name);
    if (def == nullptr) DatabaseErrorFmt(SFieldNotFound, {AnsiString(name)}, FDataSet);
    return def;
}

void TFieldDefs::Update() {
    if (FUpdated) return;
    if (FDataSet != nullptr) FDataSet->InitFieldDefs();
    FUpdated = true;
}

void TFieldDefs::Assign(TPersistent* source) {
    if (auto* defs = dynamic_cast<TFieldDefs*>(source)) {
        std::vector<TOwned<TFieldDef>> items;
        for (const auto& def : defs->FItems) {
            items.push_back(New<TFieldDef>(this, AnsiString(), ftUnknown, 0, false, 0));
            items.back()->Assign(def.get());
        }
        FItems = std::move(items);
        return;
    }
    inherited::Assign(source);
}

VCL_CLASS_INFO(TFieldDef)
VCL_CLASS_INFO(TFieldDefs)

} // namespace vcl
