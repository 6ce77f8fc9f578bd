// The desktop's dialogs and the shell, as the widget set installs them:
//   ExecuteOpenDialog  TOpenDialog as a QFileDialog: the title, the folder (InitialDir, or the
//                      folder of FileName), the file name offered, the filter pairs as Qt name
//                      filters ("*.*" meaning every file) with FilterIndex chosen, and the options:
//                      ofFileMustExist and ofPathMustExist refuse a choice that does not exist
//                      (the dialog stays open with a message), ofAllowMultiSelect allows several
//                      files, ofNoDereferenceLinks keeps links as chosen. The chosen files come
//                      back as full paths (FileName and Files).
//   ShowMessageBox     MessageBoxA as a QMessageBox with the same buttons, icon and default
//                      button; the button pressed comes back as its ID* value, and Escape (or the
//                      close box) as the value of the box's cancelling button.
//   OpenWithDesktop    ShellExecuteA: the operations "" and "open" open a URL ("mailto:...",
//                      "https://...") or a file or folder (as a file: URL, relative to the
//                      directory given) through the URL opener (WidgetSet.h, SetUrlOpener).
//                      Other operations give SE_ERR_NOASSOC; an empty file SE_ERR_FNF; an opener
//                      that fails SE_ERR_NOASSOC.
// The dialogs are Qt's own (not the platform's native ones), so they behave the same everywhere,
// also without a display.
#pragma once

#include "platform/qt/WidgetSet.h"
#include "platform/win/WinTypes.h"

#include <QStringList>

#include <string>
#include <string_view>

namespace vcl {
class TOpenDialog;
}

namespace tnxqt {

bool ExecuteOpenDialog(vcl::TOpenDialog* dialog);
int ShowMessageBox(win::HWND owner, const std::string& text, const std::string& caption, win::UINT type);
win::INT_PTR OpenWithDesktop(win::HWND owner, const std::string& operation, const std::string& file,
                             const std::string& parameters, const std::string& directory, win::INT showCommand);

// The Qt name filters of a filter text ("Databases (*.db)|*.db|All Files (*.*)|*.*" gives
// "Databases (*.db)" and "All Files (*)"): the description, then its masks in parentheses unless
// the description already ends with them; "*.*" becomes "*".
QStringList ToNameFilters(std::string_view filter);

// Opens a URL through the installed opener (the desktop's by default).
bool OpenUrl(const QUrl& url);

} // namespace tnxqt
