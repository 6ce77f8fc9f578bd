// The Qt widget set: real windows for the headless control model.
//
// InstallWidgetSet (one call at program start, after the QApplication exists) hooks the widget set
// into the model: from then on every form that is shown (Show, ShowModal) appears as a top-level
// Qt window, and each control on it as a Qt widget (ControlMirror.h lists which). The model stays
// the only truth; the widgets mirror it both ways:
//  - every change of the model (geometry, caption, font, state, items, selection, focus, a modal
//    result) reaches the widgets at once, through the model's change hook;
//  - a user's typing, clicks, selections and focus changes are handed to the model as the user
//    actions it defines (MouseClick, ClickItem, SetText, SetFocus, PressKey), which fire its
//    events; afterwards the widget is brought back in line with whatever the model decided.
// Keys pressed in a form's window go to the form's PressKey first (Tab, Enter, Escape, Alt
// accelerators, arrows in lists, the space bar on buttons, Alt+F4); only keys the model leaves
// alone reach the Qt widget (typing into an edit, cursor keys in an edit). Qt's own shortcuts and
// mnemonics are switched off inside these windows, so each key acts once, the model's way.
//
// ShowModal runs a real modal event loop, which ends when the form's ModalResult is set (a button,
// a key, the close box) or the form is hidden or freed. TOpenDialog shows a QFileDialog, MessageBoxA
// a QMessageBox, and ShellExecuteA opens files and URLs through the desktop (QDesktopServices; see
// SetUrlOpener). Screen gets the real screen size, so centred forms are centred.
//
// Exceptions raised by the model's event handlers during a user action never cross Qt's event
// loop: they go to Application->HandleException.
//
// Everything here runs on the thread of the QApplication.
#pragma once

#include <QUrl>

#include <functional>

class QWidget;

namespace vcl {
class TControl;
}

namespace tnxqt {

// Installs the widget set (see the file comment); later calls do nothing. Needs a QApplication.
void InstallWidgetSet();
// Takes the widget set out again: windows close, the model's headless handlers come back.
void UninstallWidgetSet();
bool IsWidgetSetInstalled();

// The widget that shows a control, or null while its form is not shown.
QWidget* WidgetOf(const vcl::TControl* control);
// The control a widget (or one of its inner parts) shows, or null.
vcl::TControl* ControlOf(const QWidget* widget);

// How ShellExecuteA opens a URL (file paths arrive as file: URLs): QDesktopServices::openUrl by
// default. Returns the previous opener; an empty one restores the default.
using TUrlOpener = std::function<bool(const QUrl& url)>;
TUrlOpener SetUrlOpener(TUrlOpener opener);

} // namespace tnxqt
