// The system's common dialogs as components: TOpenDialog asks for a file to open.
//
// The dialog itself belongs to the desktop, so Execute hands the component to an installable
// handler (SetOpenDialogHandler) that shows it and, when the user confirms, sets FileName (and
// Files) and returns true. A widget set installs a real file dialog; a test installs a handler
// that acts as the user. Headless, with no handler, Execute returns false (nobody chose a file).
// The handler applies Options the way the desktop dialog does (path and file must exist, ...).
//
// When a choice is confirmed and ofNoChangeDir is not set, the process's current folder becomes
// the chosen file's folder (when that folder exists), as the desktop's dialog does.
#pragma once

#include "platform/vcl/Component.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/TypInfo.h"

#include <functional>
#include <utility>
#include <vector>

namespace vcl {

enum TOpenOption {
    ofReadOnly,
    ofOverwritePrompt,
    ofHideReadOnly,
    ofNoChangeDir,
    ofShowHelp,
    ofNoValidate,
    ofAllowMultiSelect,
    ofExtensionDifferent,
    ofPathMustExist,
    ofFileMustExist,
    ofCreatePrompt,
    ofShareAware,
    ofNoReadOnlyReturn,
    ofNoTestFileCreate,
    ofNoNetworkButton,
    ofNoLongNames,
    ofOldStyleDialog,
    ofNoDereferenceLinks,
    ofEnableIncludeNotify,
    ofEnableSizing
};
VCL_ENUM_NAMES(TOpenOption, ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate,
               ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt,
               ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames,
               ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify, ofEnableSizing);
using TOpenOptions = Set<TOpenOption, 31>;

class TCommonDialog : public TComponent {
    VCL_CLASS(TCommonDialog, TComponent)
public:
    explicit TCommonDialog(TComponent* owner);

    virtual bool Execute() = 0;

protected:
    ~TCommonDialog() override;
};

class TOpenDialog : public TCommonDialog {
    VCL_CLASS(TOpenDialog, TCommonDialog)
public:
    explicit TOpenDialog(TComponent* owner);

    // The file chosen (a full path once confirmed), or the one to offer first.
    const AnsiString& GetFileName() const { return FFileName; }
    void SetFileName(const AnsiString& value) { FFileName = value; }
    // All files chosen (one unless ofAllowMultiSelect).
    TStrings* GetFiles() const;
    // "Description|mask;mask|Description|mask" pairs.
    const AnsiString& GetFilter() const { return FFilter; }
    void SetFilter(const AnsiString& value) { FFilter = value; }
    // The filter pairs, in order; a description without its mask is dropped.
    std::vector<std::pair<AnsiString, AnsiString>> GetFilterPairs() const;
    // The filter offered first (1-based).
    int GetFilterIndex() const { return FFilterIndex; }
    void SetFilterIndex(int value) { FFilterIndex = value; }
    const AnsiString& GetInitialDir() const { return FInitialDir; }
    void SetInitialDir(const AnsiString& value) { FInitialDir = value; }
    const AnsiString& GetDefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const AnsiString& value) { FDefaultExt = value; }
    const AnsiString& GetTitle() const { return FTitle; }
    void SetTitle(const AnsiString& value) { FTitle = value; }
    TOpenOptions GetOptions() const { return FOptions; }
    void SetOptions(TOpenOptions value) { FOptions = value; }

    // See the file comment.
    bool Execute() override;

protected:
    ~TOpenDialog() override;

private:
    AnsiString FFileName;
    TOwned<TStringList> FFiles;
    AnsiString FFilter;
    int FFilterIndex = 1;
    AnsiString FInitialDir;
    AnsiString FDefaultExt;
    AnsiString FTitle;
    TOpenOptions FOptions{ofHideReadOnly, ofEnableSizing};
};

// Shows the dialog; returns true when the user confirmed a choice (FileName set).
using TOpenDialogHandler = std::function<bool(TOpenDialog* dialog)>;
// Installs a handler (empty: the headless default) and returns the previous one.
TOpenDialogHandler SetOpenDialogHandler(TOpenDialogHandler handler);

} // namespace vcl
