// The about component editors.
#include "base/design/CorvexAboutEditors.h"

#include "base/TnxProduct.h"
#include "base/design/CorvexAboutBox.h"
#include "platform/vcl/Forms.h"

namespace tnx {

using namespace vcl;

VCL_CLASS_INFO(TCorvexAboutComponentEditor)
VCL_CLASS_INFO(TCorvexAsaAboutComponentEditor)
VCL_CLASS_INFO(TCorvexOciAboutComponentEditor)

TCorvexAboutComponentEditor::~TCorvexAboutComponentEditor() = default;
TCorvexAsaAboutComponentEditor::~TCorvexAsaAboutComponentEditor() = default;
TCorvexOciAboutComponentEditor::~TCorvexOciAboutComponentEditor() = default;

int TCorvexAboutComponentEditor::GetVerbCount() {
    return 1;
}

AnsiString TCorvexAboutComponentEditor::GetVerb(int Index) {
    if (Index != 0) return AnsiString();
    return AnsiString("Abo&ut ") + szCorvexLibraryName + " " + szTarnixVersion;
}

void TCorvexAboutComponentEditor::ExecuteVerb(int Index) {
    if (Index == 0) Edit();
}

void TCorvexAboutComponentEditor::ShowAboutBox(const AnsiString& databaseName) {
    TCorvexAboutBox* box = Make<TCorvexAboutBox>(Application);
    try {
        box->SetDatabaseName(databaseName);
        box->ShowModal();
    } catch (...) {
        box->Free();
        throw;
    }
    box->Free();
}

void TCorvexAsaAboutComponentEditor::Edit() {
    ShowAboutBox("Sybase SQL Anywhere");
}

void TCorvexOciAboutComponentEditor::Edit() {
    ShowAboutBox("Oracle");
}

} // namespace tnx
