// TDirectoryListBox, TDriveComboBox and the drive and folder helpers.
#include "platform/vcl/controls/FileControls.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/controls/Label.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vcl {

namespace fs = std::filesystem;

namespace {

AnsiString DriveName(char drive) {
    if (drive == '/') return "/";
    if (static_cast<unsigned char>(drive) <= ' ') return "#" + IntToStr(static_cast<unsigned char>(drive));
    return AnsiString(1, drive) + ":";
}

} // namespace

std::vector<char> GetDriveList() {
    return {'/'};
}

bool DriveExists(char drive) {
    return drive == '/' || drive == '\\';
}

char ExtractDrive(std::string_view path) {
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
        return AnsiUpperChar(path[0]);
    return '/';
}

AnsiString NormalizeFolderPath(std::string_view path) {
    AnsiString text(path);
    std::replace(text.begin(), text.end(), '\\', '/');
    fs::path p(text);
    if (p.is_relative()) {
        std::error_code ec;
        fs::path base = fs::current_path(ec);
        if (ec) base = "/";
        p = base / p;
    }
    AnsiString normal = p.lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    return normal.empty() ? AnsiString("/") : normal;
}

// --- TDirectoryListBox --------------------------------------------------------------------------

VCL_CLASS_INFO(TDirectoryListBox, [](TPublisher<TDirectoryListBox>& p) {
    PublishBounds(p);
    p.Property("DirLabel", &TDirectoryListBox::GetDirLabel, &TDirectoryListBox::SetDirLabel);
    PublishLook(p);
    p.Property("TabOrder", &TDirectoryListBox::GetTabOrder, &TDirectoryListBox::SetTabOrder).Default(-1);
    p.Property("TabStop", &TDirectoryListBox::GetTabStop, &TDirectoryListBox::SetTabStop).Default(true);
    p.Property("OnChange", &TDirectoryListBox::GetOnChange, &TDirectoryListBox::SetOnChange);
    p.Property("OnClick", &TDirectoryListBox::GetOnClick, &TDirectoryListBox::SetOnClick);
    p.Property("OnDblClick", &TDirectoryListBox::GetOnDblClick, &TDirectoryListBox::SetOnDblClick);
    p.Property("OnEnter", &TDirectoryListBox::GetOnEnter, &TDirectoryListBox::SetOnEnter);
    p.Property("OnExit", &TDirectoryListBox::GetOnExit, &TDirectoryListBox::SetOnExit);
})

TDirectoryListBox::TDirectoryListBox(TComponent* owner)
    : TCustomListControl(owner), FDirectory(NormalizeFolderPath(".")) {
    BuildList();
}

TDirectoryListBox::~TDirectoryListBox() = default;

void TDirectoryListBox::BuildList() {
    std::vector<AnsiString> lines;
    std::vector<AnsiString> paths;
    // The ancestry, root first.
    std::vector<fs::path> chain;
    for (fs::path p(FDirectory);; p = p.parent_path()) {
        chain.push_back(p);
        if (!p.has_relative_path() || p.parent_path() == p) break;
    }
    std::reverse(chain.begin(), chain.end());
    for (const fs::path& p : chain) {
        lines.push_back(p.has_relative_path() ? p.filename().string() : AnsiString("/"));
        paths.push_back(p.string());
    }
    const int current = static_cast<int>(lines.size()) - 1;
    // The subfolders.
    std::vector<AnsiString> subfolders;
    std::error_code ec;
    for (fs::directory_iterator it(FDirectory, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        const AnsiString name = it->path().filename().string();
        if (name.empty() || name[0] == '.') continue;
        std::error_code kind;
        if (it->is_directory(kind) && !kind) subfolders.push_back(name);
    }
    std::stable_sort(subfolders.begin(), subfolders.end(),
                     [](const AnsiString& a, const AnsiString& b) { return AnsiCompareText(a, b) < 0; });
    const AnsiString prefix = FDirectory == "/" ? AnsiString("/") : FDirectory + "/";
    for (const AnsiString& name : subfolders) {
        lines.push_back(name);
        paths.push_back(prefix + name);
    }
    TStrings* items = GetItems();
    items->BeginUpdate();
    try {
        items->Clear();
        for (const AnsiString& line : lines)
            items->Add(line);
    } catch (...) {
        items->EndUpdate();
        throw;
    }
    FItemPaths = std::move(paths);
    items->EndUpdate();
    SetItemIndex(current);
}

void TDirectoryListBox::SetDirectory(const AnsiString& value) {
    if (value.empty()) return;
    const AnsiString target = NormalizeFolderPath(value);
    std::error_code ec;
    if (!fs::is_directory(target, ec)) throw EInOutError(SFolderNotFound, {value});
    FDirectory = target;
    Update();
}

char TDirectoryListBox::GetDrive() const {
    return ExtractDrive(FDirectory);
}

void TDirectoryListBox::SetDrive(char value) {
    if (!DriveExists(value)) throw EInOutError(SDriveNotFound, {DriveName(value)});
    if (value == '\\') value = '/';
    if (value == GetDrive()) return;
    SetDirectory(AnsiString(1, value));
}

void TDirectoryListBox::Update() {
    BuildList();
    if (FDirLabel != nullptr) FDirLabel->SetCaption(FDirectory);
    if (FOnChange) FOnChange(this);
}

AnsiString TDirectoryListBox::GetItemPath(int index) const {
    if (index < 0 || index >= static_cast<int>(FItemPaths.size())) throw EListError(SListIndexError, {index});
    return FItemPaths[static_cast<std::size_t>(index)];
}

void TDirectoryListBox::OpenCurrent() {
    const int index = GetItemIndex();
    if (index >= 0) SetDirectory(GetItemPath(index));
}

void TDirectoryListBox::SetDirLabel(TLabel* value) {
    if (value == FDirLabel) return;
    if (FDirLabel != nullptr) FDirLabel->RemoveFreeNotification(this);
    FDirLabel = value;
    if (value != nullptr) {
        value->FreeNotification(this);
        value->SetCaption(FDirectory);
    }
}

void TDirectoryListBox::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && FDirLabel != nullptr && component == FDirLabel) FDirLabel = nullptr;
}

bool TDirectoryListBox::KeyDown(TKey key, TShiftState shift) {
    if (key == VK_RETURN && shift.Empty()) {
        // Enter opens a line other than the current folder; otherwise it is the dialog's.
        const int index = GetItemIndex();
        if (index < 0 || GetItemPath(index) == FDirectory) return false;
        OpenCurrent();
        return true;
    }
    return inherited::KeyDown(key, shift);
}

void TDirectoryListBox::DblClick() {
    OpenCurrent();
    inherited::DblClick();
}

// --- TDriveComboBox -----------------------------------------------------------------------------

VCL_CLASS_INFO(TDriveComboBox, [](TPublisher<TDriveComboBox>& p) {
    PublishBounds(p);
    p.Property("DirList", &TDriveComboBox::GetDirList, &TDriveComboBox::SetDirList);
    PublishLook(p);
    p.Property("TabOrder", &TDriveComboBox::GetTabOrder, &TDriveComboBox::SetTabOrder).Default(-1);
    p.Property("TabStop", &TDriveComboBox::GetTabStop, &TDriveComboBox::SetTabStop).Default(true);
    p.Property("OnChange", &TDriveComboBox::GetOnChange, &TDriveComboBox::SetOnChange);
    p.Property("OnClick", &TDriveComboBox::GetOnClick, &TDriveComboBox::SetOnClick);
    p.Property("OnEnter", &TDriveComboBox::GetOnEnter, &TDriveComboBox::SetOnEnter);
    p.Property("OnExit", &TDriveComboBox::GetOnExit, &TDriveComboBox::SetOnExit);
})

TDriveComboBox::TDriveComboBox(TComponent* owner) : TCustomListControl(owner) {
    const std::vector<char> drives = GetDriveList();
    for (char drive : drives)
        GetItems()->Add(DriveName(drive));
    FDrive = ExtractDrive(NormalizeFolderPath("."));
    const auto it = std::find(drives.begin(), drives.end(), FDrive);
    SetItemIndex(it == drives.end() ? -1 : static_cast<int>(it - drives.begin()));
}

TDriveComboBox::~TDriveComboBox() = default;

void TDriveComboBox::SetDrive(char value) {
    if (!DriveExists(value)) throw EInOutError(SDriveNotFound, {DriveName(value)});
    if (value == '\\') value = '/';
    if (value == FDrive) return;
    const std::vector<char> drives = GetDriveList();
    const auto it = std::find(drives.begin(), drives.end(), value);
    FDrive = value;
    SetItemIndex(it == drives.end() ? -1 : static_cast<int>(it - drives.begin()));
    if (FDirList != nullptr) FDirList->SetDrive(value);
    if (FOnChange) FOnChange(this);
}

void TDriveComboBox::SetDirList(TDirectoryListBox* value) {
    if (value == FDirList) return;
    if (FDirList != nullptr) FDirList->RemoveFreeNotification(this);
    FDirList = value;
    if (value != nullptr) value->FreeNotification(this);
}

void TDriveComboBox::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && FDirList != nullptr && component == FDirList) FDirList = nullptr;
}

void TDriveComboBox::SelectionChanged() {
    const int index = GetItemIndex();
    SetText(index >= 0 ? GetItems()->Get(index) : AnsiString());
}

void TDriveComboBox::UserSelected() {
    const std::vector<char> drives = GetDriveList();
    const int index = GetItemIndex();
    Click();
    if (index >= 0 && index < static_cast<int>(drives.size())) SetDrive(drives[static_cast<std::size_t>(index)]);
}

} // namespace vcl
