// TWidgetSet: the installed widget set (WidgetSet.h gives the public calls). It keeps the mirror
// of every control whose form is shown, listens to the model's change hook, routes keys, focus
// changes and the close box of the windows to the model, and runs modal loops.
//
// Invariants: a control has a mirror exactly while its form is mirrored (shown once and not freed)
// and the control sits on it; every live mirror's widget is registered under that widget, so
// ControlOf finds the control for a widget and its inner parts.
#pragma once

#include "platform/vcl/Forms.h"
#include "platform/vcl/controls/ControlObserver.h"
#include "platform/vcl/controls/Dialogs.h"
#include "platform/vcl/controls/Form.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Shell.h"

#include <QHash>
#include <QObject>

#include <functional>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class QEventLoop;
class QKeyEvent;

namespace tnxqt {

class TControlMirror;
class TFormMirror;

class TWidgetSet : public QObject {
public:
    TWidgetSet();
    ~TWidgetSet() override;

    // The installed widget set, or null.
    static TWidgetSet* Instance();

    TControlMirror* FindMirror(const vcl::TControl* control) const;
    // The mirror whose widget is this one or contains it (inner parts of a combo box, a list's
    // viewport); null when none.
    TControlMirror* MirrorOfWidget(const QWidget* widget) const;

    // Runs a user action on a control: the model's exceptions go to Application->HandleException;
    // afterwards the control's widget shows the model's state again (unless the action freed it).
    void RunUserAction(vcl::TControl* control, const std::function<void()>& action);
    bool InUserAction() const { return FUserActionDepth > 0; }

    // Registers a mirror's widget (and forgets it).
    void RegisterWidget(const QWidget* widget, TControlMirror* mirror);
    void UnregisterWidget(const QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TModalLoop {
        vcl::TCustomForm* Form;
        QEventLoop* Loop;
    };

    void ControlChanged(vcl::TControl* control, vcl::TControlChange change);
    // Makes the mirrors of a control and everything inside it.
    void MirrorTree(vcl::TControl* control, QWidget* parent);
    // Frees the mirrors of a control and everything inside it.
    void DropTree(vcl::TControl* control);
    void ParentChanged(vcl::TControl* control);
    void FormVisibilityChanged(vcl::TCustomForm* form);
    // Gives the Qt focus to the form's focused control.
    void ShowFocus(vcl::TCustomForm* form);
    // Qt moved the focus into a widget (a click, the window manager): the model follows, or the
    // focus goes back.
    void QtFocusIn(QWidget* widget, Qt::FocusReason reason);
    bool RouteKey(QWidget* target, QKeyEvent* event);
    TFormMirror* FormMirrorOfWindow(const QWidget* window) const;
    void EndModalLoops(const vcl::TCustomForm* form);
    vcl::TModalResult RunModal(vcl::TCustomForm* form);

    std::unordered_map<const vcl::TControl*, std::unique_ptr<TControlMirror>> FMirrors;
    QHash<const QWidget*, TControlMirror*> FByWidget;
    std::vector<TModalLoop> FModalLoops;
    int FObserverId = 0;
    int FUserActionDepth = 0;
    bool FShowingFocus = false;
    // The key press the model has seen (Qt offers a key the focused widget ignores to its
    // parents as the same event).
    const QKeyEvent* FRoutedKey = nullptr;
    // Controls freed while a user action runs (so it does not touch them afterwards).
    std::unordered_set<const vcl::TControl*> FFreedInAction;
    // The handlers in place before installation, put back by UninstallWidgetSet.
    vcl::TShowModalHandler FPreviousModal;
    vcl::TOpenDialogHandler FPreviousOpenDialog;
    win::MessageBoxHandler FPreviousMessageBox;
    win::ShellExecuteHandler FPreviousShell;
    int FPreviousScreenWidth = 0;
    int FPreviousScreenHeight = 0;
};

} // namespace tnxqt
