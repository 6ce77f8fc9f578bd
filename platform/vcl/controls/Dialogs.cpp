// TCommonDialog, TOpenDialog and the open-dialog handler.
#include "platform/vcl/controls/Dialogs.h"

#include "platform/vcl/SysUtils.h"
#include "platform/vcl/controls/FileControls.h"
#include "platform/vcl/controls/HandlerSlot.h"

#include <filesystem>
#include <system_error>

namespace vcl {

VCL_CLASS_INFO(TCommonDialog)
VCL_CLASS_INFO(TOpenDialog, [](TPublisher<TOpenDialog>& p) {
    p.Property("DefaultExt", &TOpenDialog::GetDefaultExt, &TOpenDialog::SetDefaultExt);
    p.Property("FileName", &TOpenDialog::GetFileName, &TOpenDialog::SetFileName);
    p.Property("Filter", &TOpenDialog::GetFilter, &TOpenDialog::SetFilter);
    p.Property("FilterIndex", &TOpenDialog::GetFilterIndex, &TOpenDialog::SetFilterIndex).Default(1);
    p.Property("InitialDir", &TOpenDialog::GetInitialDir, &TOpenDialog::SetInitialDir);
    p.Property("Options", &TOpenDialog::GetOptions, &TOpenDialog::SetOptions)
        .Default(TOpenOptions{ofHideReadOnly, ofEnableSizing});
    p.Property("Title", &TOpenDialog::GetTitle, &TOpenDialog::SetTitle);
})

namespace {

THandlerSlot<TOpenDialogHandler>& OpenDialogSlot() {
    static auto* const slot = new THandlerSlot<TOpenDialogHandler>; // lives until the process ends
    return *slot;
}

} // namespace

TOpenDialogHandler SetOpenDialogHandler(TOpenDialogHandler handler) {
    return OpenDialogSlot().Exchange(std::move(handler));
}

TCommonDialog::TCommonDialog(TComponent* owner) : TComponent(owner) {}
TCommonDialog::~TCommonDialog() = default;

TOpenDialog::TOpenDialog(TComponent* owner) : TCommonDialog(owner), FFiles(New<TStringList>()) {}
TOpenDialog::~TOpenDialog() = default;

TStrings* TOpenDialog::GetFiles() const {
    return FFiles.get();
}

std::vector<std::pair<AnsiString, AnsiString>> TOpenDialog::GetFilterPairs() const {
    std::vector<std::pair<AnsiString, AnsiString>> pairs;
    std::size_t start = 0;
    std::vector<AnsiString> parts;
    while (start <= FFilter.size()) {
        const std::size_t bar = FFilter.find('|', start);
        const std::size_t end = bar == AnsiString::npos ? FFilter.size() : bar;
        parts.push_back(FFilter.substr(start, end - start));
        if (bar == AnsiString::npos) break;
        start = bar + 1;
    }
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
        pairs.emplace_back(parts[i], parts[i + 1]);
    return pairs;
}

bool TOpenDialog::Execute() {
    const TOpenDialogHandler handler = OpenDialogSlot().Get();
    if (!handler) return false;
    FFiles->Clear();
    if (!handler(this)) return false;
    if (FFiles->GetCount() == 0 && !FFileName.empty()) FFiles->Add(FFileName);
    if (!FOptions.Contains(ofNoChangeDir) && !FFileName.empty()) {
        const AnsiString folder = ExtractFileDir(FFileName);
        std::error_code ec;
        if (!folder.empty() && std::filesystem::is_directory(NormalizeFolderPath(folder), ec))
            std::filesystem::current_path(NormalizeFolderPath(folder), ec);
    }
    return true;
}

} // namespace vcl
