// TCorvexParamsDlg.
#include "asa/design/CorvexParamsDlg.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Format.h"
#include "platform/vcl/TypInfo.h"

namespace tnx {

using namespace vcl;

VCL_CLASS_INFO(TCorvexParamsDlg)

void CopyParamList(const TAsaParams& source, TAsaParams& dest) {
    if (&source == &dest) return;
    dest.Clear();
    for (std::int32_t i = 0; i < source.GetCount(); ++i)
        TAsaParam::Create(dest, AnsiString())->Assign(source.GetParamAt(i));
}

TCorvexParamsDlg::TCorvexParamsDlg(TComponent* owner) : TForm(owner) {
    auto handler = [this](const char* name, void (TCorvexParamsDlg::*method)(TObject*)) {
        RegisterHandler<TNotifyEvent>(name, [this, method](TObject* sender) { (this->*method)(sender); });
    };
    handler("FormCreate", &TCorvexParamsDlg::FormCreate);
    handler("FormDestroy", &TCorvexParamsDlg::FormDestroy);
    handler("FormClose", &TCorvexParamsDlg::FormClose);
    handler("lbParamNamesClick", &TCorvexParamsDlg::lbParamNamesClick);
    handler("edParamNameChange", &TCorvexParamsDlg::edParamNameChange);
    handler("cbDataTypeChange", &TCorvexParamsDlg::cbDataTypeChange);
    handler("edParamValueExit", &TCorvexParamsDlg::edParamValueExit);
    handler("btnNewClick", &TCorvexParamsDlg::btnNewClick);
    handler("btnDeleteClick", &TCorvexParamsDlg::btnDeleteClick);
}

TCorvexParamsDlg::~TCorvexParamsDlg() = default;

void TCorvexParamsDlg::Loaded() {
    inherited::Loaded();
    BindFormComponent(this, "gbParams", gbParams);
    BindFormComponent(this, "lblParamNames", lblParamNames);
    BindFormComponent(this, "lbParamNames", lbParamNames);
    BindFormComponent(this, "lblParamName", lblParamName);
    BindFormComponent(this, "edParamName", edParamName);
    BindFormComponent(this, "lblDataType", lblDataType);
    BindFormComponent(this, "cbDataType", cbDataType);
    BindFormComponent(this, "lblParamValue", lblParamValue);
    BindFormComponent(this, "edParamValue", edParamValue);
    BindFormComponent(this, "btnNew", btnNew);
    BindFormComponent(this, "btnDelete", btnDelete);
    BindFormComponent(this, "btnOK", btnOK);
    BindFormComponent(this, "btnCancel", btnCancel);
    BindFormComponent(this, "btnHelp", btnHelp);
    FBound = true;
}

void TCorvexParamsDlg::AfterConstruction() {
    inherited::AfterConstruction();
    if (!FBound) throw EResNotFound(SResNotFound, {ClassName()});
}

// --- Form events --------------------------------------------------------------------------------

void TCorvexParamsDlg::FormCreate(TObject*) {
    FBackup = New<TAsaParams>();
    // One line per data type, so that a line's index is the type's ordinal.
    TStrings* items = cbDataType->GetItems();
    items->BeginUpdate();
    items->Clear();
    for (int type = ntUnknown; type <= ntBlob; ++type)
        items->Add(EnumTypeInfo(TAsaParamDataType{}).Name(type));
    items->EndUpdate();
}

void TCorvexParamsDlg::FormDestroy(TObject*) {
    FBackup.reset();
}

void TCorvexParamsDlg::FormClose(TObject*) {
    if (GetModalResult() != mrOk && FAsaParams != nullptr && FBackup) CopyParamList(*FBackup, *FAsaParams);
}

// --- The list -----------------------------------------------------------------------------------

void TCorvexParamsDlg::SetAsaParams(TAsaParams* AsaParams) {
    FAsaParams = AsaParams;
    CopyParamList(*AsaParams, *FBackup);
    ShowParamList();
    lbParamNames->SetItemIndex(0);
    lbParamNamesClick(this);
    CheckControlsEnabled();
}

void TCorvexParamsDlg::ShowParamList() {
    TStrings* items = lbParamNames->GetItems();
    items->BeginUpdate();
    items->Clear();
    if (FAsaParams != nullptr)
        for (std::int32_t i = 0; i < FAsaParams->GetCount(); ++i)
            items->Add(FAsaParams->GetParamAt(i)->GetName());
    items->EndUpdate();
}

void TCorvexParamsDlg::CheckControlsEnabled() {
    const bool selected = lbParamNames->GetItemIndex() >= 0;
    btnDelete->SetEnabled(selected);
    edParamName->SetEnabled(selected);
    cbDataType->SetEnabled(selected);
    edParamValue->SetEnabled(selected);
}

TAsaParam* TCorvexParamsDlg::SelectedParam() const {
    const int index = lbParamNames->GetItemIndex();
    if (FAsaParams == nullptr || index < 0 || index >= FAsaParams->GetCount()) return nullptr;
    return FAsaParams->GetParamAt(index);
}

// --- Control events -----------------------------------------------------------------------------

void TCorvexParamsDlg::lbParamNamesClick(TObject*) {
    TAsaParam* param = SelectedParam();
    if (param == nullptr) {
        edParamName->SetText(AnsiString());
        edParamValue->SetText(AnsiString());
        cbDataType->SetItemIndex(-1);
        return;
    }
    edParamName->SetText(param->GetName());
    cbDataType->SetItemIndex(static_cast<int>(param->GetDataType()));
    edParamValue->SetText(param->GetAsString());
}

void TCorvexParamsDlg::edParamNameChange(TObject*) {
    TAsaParam* param = SelectedParam();
    if (param == nullptr) return;
    param->SetName(edParamName->GetText());
    lbParamNames->GetItems()->Put(lbParamNames->GetItemIndex(), edParamName->GetText());
}

void TCorvexParamsDlg::cbDataTypeChange(TObject*) {
    TAsaParam* param = SelectedParam();
    const int type = cbDataType->GetItemIndex();
    if (param == nullptr || type < ntUnknown || type > ntBlob) return;
    param->SetDataType(static_cast<TAsaParamDataType>(type));
}

void TCorvexParamsDlg::edParamValueExit(TObject*) {
    if (TAsaParam* param = SelectedParam()) param->SetText(edParamValue->GetText());
}

void TCorvexParamsDlg::btnNewClick(TObject*) {
    if (FAsaParams == nullptr || FAsaParams->GetCount() >= MaxParams) return;
    TAsaParam::Create(*FAsaParams, Format("p%d", {FAsaParams->GetCount() + 1}));
    ShowParamList();
    lbParamNames->SetItemIndex(lbParamNames->GetItems()->GetCount() - 1);
    lbParamNamesClick(this);
    CheckControlsEnabled();
}

void TCorvexParamsDlg::btnDeleteClick(TObject*) {
    if (TAsaParam* param = SelectedParam()) param->Free();
    ShowParamList();
    lbParamNames->SetItemIndex(0);
    lbParamNamesClick(this);
    CheckControlsEnabled();
}

} // namespace tnx
