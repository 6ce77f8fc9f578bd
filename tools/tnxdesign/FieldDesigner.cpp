// The field editor's work on a design (see FieldDesigner.h).
#include "tools/tnxdesign/FieldDesigner.h"

#include "tools/tnxdesign/DesignDocument.h"

#include "platform/vcl/DataModule.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/db/DataSet.h"
#include "platform/vcl/db/Field.h"
#include "platform/vcl/db/FieldDefs.h"

#include <cctype>

namespace tnxdesign {

using namespace vcl;

namespace {

// Closes an open dataset for the lifetime of the guard and opens it again afterwards.
class ClosedWhileChanging {
public:
    explicit ClosedWhileChanging(TDataSet* dataSet) : FDataSet(dataSet), FWasActive(dataSet->GetActive()) {
        if (FWasActive) FDataSet->Close();
    }
    ~ClosedWhileChanging() {
        if (!FWasActive) return;
        try {
            FDataSet->Open();
        } catch (...) {
            // The fields were changed; the dataset stays closed and the designer shows it so.
        }
    }
    ClosedWhileChanging(const ClosedWhileChanging&) = delete;
    ClosedWhileChanging& operator=(const ClosedWhileChanging&) = delete;

private:
    TDataSet* FDataSet;
    bool FWasActive;
};

} // namespace

AnsiString FieldDesigner::FieldComponentName(TDataSet* dataSet, const AnsiString& fieldName) const {
    AnsiString base = dataSet->GetName();
    for (char c : fieldName)
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') base += c;
    if (base.empty() || std::isdigit(static_cast<unsigned char>(base[0]))) base = "Field" + base;
    TComponent* root = FDocument.Root();
    if (root->FindComponent(base) == nullptr) return base;
    for (int n = 1;; ++n) {
        const AnsiString name = base + std::to_string(n);
        if (root->FindComponent(name) == nullptr) return name;
    }
}

std::vector<AnsiString> FieldDesigner::AvailableColumns(TDataSet* dataSet) {
    TFieldDefs* defs = dataSet->GetFieldDefs();
    defs->SetUpdated(false);
    defs->Update();
    std::vector<AnsiString> names;
    for (int i = 0; i < defs->Count(); ++i) {
        const AnsiString& name = defs->GetItem(i)->GetName();
        bool taken = false;
        for (TComponent* c : FDocument.FieldsOf(dataSet))
            if (SameText(static_cast<TField*>(c)->GetFieldName(), name)) taken = true;
        if (!taken) names.push_back(name);
    }
    return names;
}

std::vector<TField*> FieldDesigner::AddDataFields(TDataSet* dataSet, const std::vector<AnsiString>& names) {
    const std::vector<AnsiString> chosen = names.empty() ? AvailableColumns(dataSet) : names;
    TFieldDefs* defs = dataSet->GetFieldDefs();
    if (!defs->GetUpdated()) defs->Update();
    std::vector<TField*> added;
    {
        ClosedWhileChanging closed(dataSet);
        for (const AnsiString& name : chosen) {
            TFieldDef* def = defs->Find(name);
            if (def == nullptr) throw EDatabaseError("%s has no column %s", {dataSet->GetName(), name});
            TField* field = def->CreateField(FDocument.Root());
            try {
                field->SetName(FieldComponentName(dataSet, name));
            } catch (...) {
                field->Free();
                throw;
            }
            added.push_back(field);
        }
    }
    FDocument.Modified();
    return added;
}

std::vector<TFieldType> FieldDesigner::FieldTypes() {
    return {ftString, ftInteger, ftBoolean, ftFloat, ftCurrency, ftDate, ftTime, ftDateTime, ftMemo};
}

TField* FieldDesigner::AddField(TDataSet* dataSet, const TNewField& wanted) {
    if (wanted.Kind != fkCalculated && wanted.Kind != fkLookup)
        throw EDatabaseError("A new field is calculated or lookup; data fields come from the columns");
    if (Trim(wanted.FieldName).empty()) throw EDatabaseError("The new field needs a name");
    if (wanted.Kind == fkLookup && (wanted.LookupDataSet == nullptr || wanted.KeyFields.empty() ||
                                  wanted.LookupKeyFields.empty() || wanted.LookupResultField.empty()))
        throw EDatabaseError("A lookup field needs key fields, a lookup dataset, its key fields and a result field");

    // The class the framework makes for a column of that type.
    auto scratch = vcl::New<TFieldDefs>(nullptr);
    TClass cls = scratch->Add(wanted.FieldName, wanted.DataType, wanted.Size)->GetFieldClass();
    if (cls == nullptr || cls->Create == nullptr) throw EDatabaseError("No field class for that type");

    TField* field = nullptr;
    {
        ClosedWhileChanging closed(dataSet);
        field = static_cast<TField*>(cls->Create(FDocument.Root()));
        try {
            if (wanted.DataType == ftString) field->SetSize(wanted.Size > 0 ? wanted.Size : 20);
            field->SetFieldName(wanted.FieldName);
            field->SetFieldKind(wanted.Kind);
            if (wanted.Kind == fkLookup) {
                field->SetKeyFields(wanted.KeyFields);
                field->SetLookupDataSet(wanted.LookupDataSet);
                field->SetLookupKeyFields(wanted.LookupKeyFields);
                field->SetLookupResultField(wanted.LookupResultField);
            }
            field->SetName(FieldComponentName(dataSet, wanted.FieldName));
            field->SetDataSet(dataSet);
        } catch (...) {
            field->Free();
            throw;
        }
    }
    FDocument.Modified();
    return field;
}

} // namespace tnxdesign
