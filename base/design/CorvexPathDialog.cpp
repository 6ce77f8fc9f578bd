// TCorvexPathDialog.
#include "base/design/CorvexPathDialog.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

namespace tnx {

using namespace vcl;

VCL_CLASS_INFO(TCorvexPathDialog)

TCorvexPathDialog::TCorvexPathDialog(TComponent* owner) : TForm(owner) {
    RegisterHandler<TNotifyEvent>("dcDriveChange", [this](TObject* sender) { dcDriveChange(sender); });
    RegisterHandler<TNotifyEvent>("dlDirListChange", [this](TObject* sender) { dlDirListChange(sender); });
    RegisterHandler<TNotifyEvent>("edPathChange", [this](TObject* sender) { edPathChange(sender); });
}

TCorvexPathDialog::~TCorvexPathDialog() = default;

void TCorvexPathDialog::Loaded() {
    inherited::Loaded();
    BindFormComponent(this, "lblLocation", lblLocation);
    BindFormComponent(this, "lblPath", lblPath);
    BindFormComponent(this, "lblDirectories", lblDirectories);
    BindFormComponent(this, "lblDrives", lblDrives);
    BindFormComponent(this, "edPath", edPath);
    BindFormComponent(this, "dlDirList", dlDirList);
    BindFormComponent(this, "dcDrive", dcDrive);
    BindFormComponent(this, "btnOK", btnOK);
    BindFormComponent(this, "btnCancel", btnCancel);
    FBound = true;
}

void TCorvexPathDialog::AfterConstruction() {
    inherited::AfterConstruction();
    if (!FBound) throw EResNotFound(SResNotFound, {ClassName()});
}

void TCorvexPathDialog::dcDriveChange(TObject*) {
    dlDirList->SetDrive(dcDrive->GetDrive());
}

void TCorvexPathDialog::dlDirListChange(TObject*) {
    edPath->SetText(dlDirList->GetDirectory());
}

void TCorvexPathDialog::edPathChange(TObject*) {
    FPath = edPath->GetText();
}

void TCorvexPathDialog::SetPath(const AnsiString& Path) {
    if (Trim(Path).empty()) return;
    try {
        // The drive is the first character of the folder part; a path without one names no
        // drive, which fails like a missing drive.
        const AnsiString folder = ExtractFileDir(Path);
        dcDrive->SetDrive(folder.empty() ? '\0' : folder[0]);
        dlDirList->SetDirectory(Path);
    } catch (const Exception&) {
        dlDirList->SetDirectory("\\");
    }
    dlDirList->Update();
}

} // namespace tnx
