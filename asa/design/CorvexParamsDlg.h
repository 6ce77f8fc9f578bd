// TCorvexParamsDlg: the parameters editor, a modal dialog over a dataset's parameter list. Its
// layout is the form resource TCORVEXPARAMSDLG: the list of parameter names; the selected
// parameter's name, data type and value; New and Delete; OK, Cancel and Help.
//
// The list is edited in place: every change goes straight into the parameters. The dialog keeps
// a private copy taken when the list is handed over (SetAsaParams); closing it any way but OK
// (Cancel, Escape, the close box) copies that back, so the list is exactly as it was, parameter
// by parameter (two parameters of one name included).
//
// The selected parameter is the one at the selected line's position in the list. New adds "p<n>"
// with n the count + 1 (names are not checked for uniqueness) up to 255 parameters.
#pragma once

#include "asa/dataset/AsaParams.h"
#include "platform/vcl/controls/Controls.h"

namespace tnx {

class TCorvexParamsDlg : public vcl::TForm {
    VCL_CLASS(TCorvexParamsDlg, vcl::TForm)
public:
    // The most parameters New creates.
    static constexpr std::int32_t MaxParams = 255;

    explicit TCorvexParamsDlg(vcl::TComponent* owner);

    // Hands over the list to edit (kept by reference; the dialog does not own it), takes the copy
    // Cancel restores, shows the names and selects the first.
    void SetAsaParams(TAsaParams* AsaParams);
    TAsaParams* GetAsaParams() const { return FAsaParams; }

    void ShowParamList();
    void CheckControlsEnabled();

    vcl::TGroupBox* gbParams = nullptr;
    vcl::TLabel* lblParamNames = nullptr;
    vcl::TListBox* lbParamNames = nullptr;
    vcl::TLabel* lblParamName = nullptr;
    vcl::TEdit* edParamName = nullptr;
    vcl::TLabel* lblDataType = nullptr;
    vcl::TComboBox* cbDataType = nullptr;
    vcl::TLabel* lblParamValue = nullptr;
    vcl::TEdit* edParamValue = nullptr;
    vcl::TButton* btnNew = nullptr;
    vcl::TButton* btnDelete = nullptr;
    vcl::TButton* btnOK = nullptr;
    vcl::TButton* btnCancel = nullptr;
    vcl::TButton* btnHelp = nullptr;

    // The handlers the form resource names.
    void FormCreate(vcl::TObject* Sender);
    void FormDestroy(vcl::TObject* Sender);
    void FormClose(vcl::TObject* Sender);
    void lbParamNamesClick(vcl::TObject* Sender);
    void edParamNameChange(vcl::TObject* Sender);
    void cbDataTypeChange(vcl::TObject* Sender);
    void edParamValueExit(vcl::TObject* Sender);
    void btnNewClick(vcl::TObject* Sender);
    void btnDeleteClick(vcl::TObject* Sender);

    // Refuses to exist without its form resource (the controls come from there).
    void AfterConstruction() override;

protected:
    ~TCorvexParamsDlg() override;
    void Loaded() override;

private:
    // The parameter of the selected line, or null.
    TAsaParam* SelectedParam() const;

    TAsaParams* FAsaParams = nullptr; // the list edited, not owned
    vcl::TOwned<TAsaParams> FBackup;  // the list as handed over
    bool FBound = false;
};

// Makes dest an exact copy of source, parameter by parameter in list order.
void CopyParamList(const TAsaParams& source, TAsaParams& dest);

} // namespace tnx
