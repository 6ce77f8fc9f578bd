// TCorvexPathDialog: the folder chooser of the library-path property editor. Its layout is the
// form resource TCORVEXPATHDIALOG: a path edit, a directory list and a drive box, OK and Cancel.
//
// The chosen path follows the edit, which follows the directory list, which follows the drive
// box (through their change events). SetPath presets it: a path on a drive or in a folder that
// does not exist falls back to the root of the current drive, so showing the dialog never fails
// on a stale value.
#pragma once

#include "platform/vcl/controls/Controls.h"

#include <string_view>

namespace tnx {

using vcl::AnsiString;

class TCorvexPathDialog : public vcl::TForm {
    VCL_CLASS(TCorvexPathDialog, vcl::TForm)
public:
    explicit TCorvexPathDialog(vcl::TComponent* owner);

    // The folder chosen so far (the edit's text).
    const AnsiString& GetPath() const { return FPath; }
    // Presets the dialog on a folder; blank text changes nothing.
    void SetPath(const AnsiString& Path);

    vcl::TLabel* lblLocation = nullptr;
    vcl::TLabel* lblPath = nullptr;
    vcl::TLabel* lblDirectories = nullptr;
    vcl::TLabel* lblDrives = nullptr;
    vcl::TEdit* edPath = nullptr;
    vcl::TDirectoryListBox* dlDirList = nullptr;
    vcl::TDriveComboBox* dcDrive = nullptr;
    vcl::TButton* btnOK = nullptr;
    vcl::TButton* btnCancel = nullptr;

    // The handlers the form resource names.
    void dcDriveChange(vcl::TObject* Sender);
    void dlDirListChange(vcl::TObject* Sender);
    void edPathChange(vcl::TObject* Sender);

    // Refuses to exist without its form resource (the controls come from there).
    void AfterConstruction() override;

protected:
    ~TCorvexPathDialog() override;
    void Loaded() override;

private:
    AnsiString FPath;
    bool FBound = false;
};

} // namespace tnx
