// Folder and drive choosers over the real file system: TDirectoryListBox lists a folder's
// ancestry and subfolders, TDriveComboBox the drives.
//
// Drives. On this system there is one drive, the root, named '/'; '\' names it too. A path
// written with '\' (as on the desktop the forms were designed for) is read with '/' in its place,
// so "\" is the root. Windows drive letters name no drive here.
//
// Folders. A folder is held as an absolute, normalised path ("." and ".." resolved, no trailing
// '/' except the root); relative paths are taken from the process's current folder, which these
// controls never change. A folder that does not exist raises EInOutError "Folder X does not
// exist", a drive that does not exist "Drive X does not exist"; the control then keeps its value.
//
// The directory list's lines are the current folder's ancestry (the root, then each folder down
// to the current one, which is selected), then the current folder's subfolders in case-insensitive
// order (names starting with '.' are hidden, as file choosers here do). A folder that cannot be
// read lists no subfolders. Every SetDirectory that succeeds, and every Update, rereads the
// folder and fires OnChange.
#pragma once

#include "platform/vcl/controls/ListControls.h"

#include <string_view>
#include <vector>

namespace vcl {

class TLabel;

// The drives of the machine ('/' here).
std::vector<char> GetDriveList();
// Whether a drive exists ('\' is read as '/').
bool DriveExists(char drive);
// The drive a path is on: '/' for an absolute path, the letter of "C:..." (which exists on no
// drive here), otherwise the drive of the current folder.
char ExtractDrive(std::string_view path);
// The absolute, normalised form of a folder path (see the file comment); does not check it exists.
AnsiString NormalizeFolderPath(std::string_view path);

class TDirectoryListBox : public TCustomListControl {
    VCL_CLASS(TDirectoryListBox, TCustomListControl)
public:
    // Starts at the process's current folder.
    explicit TDirectoryListBox(TComponent* owner);

    const AnsiString& GetDirectory() const { return FDirectory; }
    void SetDirectory(const AnsiString& value);
    char GetDrive() const;
    // Switches to another drive's root; the current drive changes nothing.
    void SetDrive(char value);
    // Rereads the current folder and fires OnChange.
    void Update();

    // The folder a line stands for.
    AnsiString GetItemPath(int index) const;
    // Opens the selected line's folder (a double click, or Enter, does this).
    void OpenCurrent();

    // A label that shows the current folder.
    TLabel* GetDirLabel() const { return FDirLabel; }
    void SetDirLabel(TLabel* value);

    bool KeyDown(TKey key, TShiftState shift) override;

    const TNotifyEvent& GetOnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent e) { FOnChange = std::move(e); }

protected:
    ~TDirectoryListBox() override;
    void Notification(TComponent* component, TOperation operation) override;
    void DblClick() override;

private:
    void BuildList();

    AnsiString FDirectory;
    std::vector<AnsiString> FItemPaths; // the folder of each line
    TLabel* FDirLabel = nullptr;
    TNotifyEvent FOnChange;
};

class TDriveComboBox : public TCustomListControl {
    VCL_CLASS(TDriveComboBox, TCustomListControl)
public:
    // Starts at the drive of the process's current folder.
    explicit TDriveComboBox(TComponent* owner);

    char GetDrive() const { return FDrive; }
    // Selects a drive; a change switches DirList to it and fires OnChange.
    void SetDrive(char value);

    // A directory list that follows the drive chosen here.
    TDirectoryListBox* GetDirList() const { return FDirList; }
    void SetDirList(TDirectoryListBox* value);

    const TNotifyEvent& GetOnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent e) { FOnChange = std::move(e); }

protected:
    ~TDriveComboBox() override;
    void Notification(TComponent* component, TOperation operation) override;
    void UserSelected() override;
    // Its text is the selected drive's line.
    void SelectionChanged() override;

private:
    char FDrive = '/';
    TDirectoryListBox* FDirList = nullptr;
    TNotifyEvent FOnChange;
};

} // namespace vcl
