// The file and folder property editors.
#include "base/design/CorvexFileProperties.h"

#include "base/design/CorvexPathDialog.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/controls/Dialogs.h"

namespace tnx {

using namespace vcl;

VCL_CLASS_INFO(TCorvexDBFileProperty)
VCL_CLASS_INFO(TCorvexLibFileProperty)
VCL_CLASS_INFO(TCorvexPathProperty)

const char* const CorvexDatabaseFilter = "Databases (*.db)|*.db|All Files (*.*)|*.*";
// Libraries are .so files here; names written as .dll are mapped to them by the library loader,
// so both are offered.
const char* const CorvexLibraryFilter = "Library Files (*.dll;*.so)|*.dll;*.so|All Files (*.*)|*.*";

namespace {

// Frees a component owned by the application when the scope ends, whatever way it ends.
template <class T>
struct TFreeOnExit {
    T* Object;
    ~TFreeOnExit() { Object->Free(); }
};

// Runs the open dialog preset on the current value; true with the chosen file when confirmed.
bool ChooseFile(const AnsiString& current, const char* filter, AnsiString& chosen) {
    TFreeOnExit<TOpenDialog> dialog{Make<TOpenDialog>(Application)};
    dialog.Object->SetFileName(current);
    dialog.Object->SetFilter(filter);
    dialog.Object->SetOptions({ofNoChangeDir, ofPathMustExist, ofFileMustExist, ofShareAware});
    if (!dialog.Object->Execute()) return false;
    chosen = dialog.Object->GetFileName();
    return true;
}

} // namespace

TCorvexDBFileProperty::~TCorvexDBFileProperty() = default;
TCorvexLibFileProperty::~TCorvexLibFileProperty() = default;
TCorvexPathProperty::~TCorvexPathProperty() = default;

TPropertyAttributes TCorvexDBFileProperty::GetAttributes() {
    return {paDialog, paRevertable};
}

void TCorvexDBFileProperty::Edit() {
    AnsiString chosen;
    if (ChooseFile(GetValue(), CorvexDatabaseFilter, chosen)) SetValue(chosen);
}

TPropertyAttributes TCorvexLibFileProperty::GetAttributes() {
    return {paDialog, paRevertable};
}

void TCorvexLibFileProperty::Edit() {
    AnsiString chosen;
    if (ChooseFile(GetValue(), CorvexLibraryFilter, chosen)) SetValue(ExtractFileName(chosen));
}

TPropertyAttributes TCorvexPathProperty::GetAttributes() {
    return {paDialog, paRevertable};
}

void TCorvexPathProperty::Edit() {
    TFreeOnExit<TCorvexPathDialog> dialog{Make<TCorvexPathDialog>(Application)};
    dialog.Object->SetPath(GetValue());
    if (dialog.Object->ShowModal() == mrOk) SetValue(dialog.Object->GetPath());
}

} // namespace tnx
