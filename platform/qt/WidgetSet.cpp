// TWidgetSet and the public calls of the widget set.
#include "platform/qt/WidgetSet.h"

#include "platform/qt/CommonDialogs.h"
#include "platform/qt/ControlMirror.h"
#include "platform/qt/FormMirror.h"
#include "platform/qt/QtConvert.h"
#include "platform/qt/WidgetSetCore.h"
#include "platform/vcl/controls/WinControl.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace tnxqt {

namespace {

TWidgetSet* gInstance = nullptr;

// The widget set goes before the QApplication does: when the program's event loop ends, or at
// the latest while the application object is being destroyed (the windows are then left to the
// process's end rather than deleted without their application).
bool gApplicationGone = false;

void UninstallAtApplicationEnd() {
    gApplicationGone = true;
    UninstallWidgetSet();
}

} // namespace

// --- Public calls -------------------------------------------------------------------------------

void InstallWidgetSet() {
    if (gInstance != nullptr || QApplication::instance() == nullptr) return;
    gApplicationGone = false;
    new TWidgetSet; // registers itself as the instance; UninstallWidgetSet frees it
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, gInstance, [] { UninstallWidgetSet(); });
    static bool postRoutineAdded = false;
    if (!postRoutineAdded) {
        postRoutineAdded = true;
        qAddPostRoutine(&UninstallAtApplicationEnd);
    }
}

void UninstallWidgetSet() {
    delete gInstance; // clears gInstance
}

bool IsWidgetSetInstalled() {
    return gInstance != nullptr;
}

QWidget* WidgetOf(const vcl::TControl* control) {
    if (gInstance == nullptr) return nullptr;
    const TControlMirror* mirror = gInstance->FindMirror(control);
    return mirror != nullptr ? mirror->Widget() : nullptr;
}

vcl::TControl* ControlOf(const QWidget* widget) {
    if (gInstance == nullptr) return nullptr;
    const TControlMirror* mirror = gInstance->MirrorOfWidget(widget);
    return mirror != nullptr ? mirror->Control() : nullptr;
}

// --- TWidgetSet ---------------------------------------------------------------------------------

TWidgetSet* TWidgetSet::Instance() {
    return gInstance;
}

TWidgetSet::TWidgetSet() {
    gInstance = this;
    FObserverId = vcl::AddControlObserver(
        [this](vcl::TControl* control, vcl::TControlChange change) { ControlChanged(control, change); });
    FPreviousModal = vcl::SetShowModalHandler([this](vcl::TCustomForm* form) { return RunModal(form); });
    FPreviousOpenDialog = vcl::SetOpenDialogHandler(&ExecuteOpenDialog);
    FPreviousMessageBox = win::SetMessageBoxHandler(&ShowMessageBox);
    FPreviousShell = win::SetShellExecuteHandler(&OpenWithDesktop);
    if (vcl::Screen != nullptr) {
        FPreviousScreenWidth = vcl::Screen->GetWidth();
        FPreviousScreenHeight = vcl::Screen->GetHeight();
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            vcl::Screen->SetSize(area.width(), area.height());
        }
    }
    qApp->installEventFilter(this);
    // Forms that are showing already get their windows now.
    if (vcl::Screen != nullptr) {
        for (int i = 0; i < vcl::Screen->GetFormCount(); ++i)
            if (vcl::Screen->GetForm(i)->GetVisible()) FormVisibilityChanged(vcl::Screen->GetForm(i));
    }
}

TWidgetSet::~TWidgetSet() {
    vcl::RemoveControlObserver(FObserverId);
    if (!gApplicationGone) qApp->removeEventFilter(this);
    vcl::SetShowModalHandler(FPreviousModal);
    vcl::SetOpenDialogHandler(FPreviousOpenDialog);
    win::SetMessageBoxHandler(FPreviousMessageBox);
    win::SetShellExecuteHandler(FPreviousShell);
    if (vcl::Screen != nullptr && FPreviousScreenWidth > 0)
        vcl::Screen->SetSize(FPreviousScreenWidth, FPreviousScreenHeight);
    for (TModalLoop& loop : FModalLoops)
        loop.Loop->quit();
    if (gApplicationGone) {
        // Without an application the widgets cannot be deleted any more; the process is ending.
        for (auto& [control, mirror] : FMirrors)
            mirror.release();
    }
    FMirrors.clear();
    gInstance = nullptr;
}

TControlMirror* TWidgetSet::FindMirror(const vcl::TControl* control) const {
    const auto it = FMirrors.find(control);
    return it != FMirrors.end() ? it->second.get() : nullptr;
}

TControlMirror* TWidgetSet::MirrorOfWidget(const QWidget* widget) const {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        const auto it = FByWidget.constFind(w);
        if (it != FByWidget.constEnd()) return it.value();
        if (w->isWindow()) break;
    }
    return nullptr;
}

void TWidgetSet::RegisterWidget(const QWidget* widget, TControlMirror* mirror) {
    FByWidget.insert(widget, mirror);
}

void TWidgetSet::UnregisterWidget(const QWidget* widget) {
    FByWidget.remove(widget);
}

TFormMirror* TWidgetSet::FormMirrorOfWindow(const QWidget* window) const {
    const auto it = FByWidget.constFind(window);
    return it != FByWidget.constEnd() ? dynamic_cast<TFormMirror*>(it.value()) : nullptr;
}

void TWidgetSet::RunUserAction(vcl::TControl* control, const std::function<void()>& action) {
    ++FUserActionDepth;
    try {
        action();
    } catch (...) {
        if (vcl::Application != nullptr) vcl::Application->HandleException(vcl::Application);
    }
    const bool freed = FFreedInAction.count(control) != 0;
    if (--FUserActionDepth == 0) FFreedInAction.clear();
    // The model may have answered differently from what the widget did by itself (a refused
    // selection, a text a handler changed back): the widget shows the model again.
    if (!freed) {
        if (TControlMirror* mirror = FindMirror(control)) mirror->ApplyAll();
    }
}

// --- The model's changes ------------------------------------------------------------------------

void TWidgetSet::ControlChanged(vcl::TControl* control, vcl::TControlChange change) {
    auto* form = dynamic_cast<vcl::TCustomForm*>(control);
    switch (change) {
    case vcl::TControlChange::Destroying:
        if (FUserActionDepth > 0) FFreedInAction.insert(control);
        if (form != nullptr) EndModalLoops(form);
        DropTree(control);
        return;
    case vcl::TControlChange::Parent: ParentChanged(control); return;
    case vcl::TControlChange::Visible:
        if (form != nullptr) {
            FormVisibilityChanged(form);
            return;
        }
        break;
    case vcl::TControlChange::Focus:
        if (form != nullptr) ShowFocus(form);
        return;
    case vcl::TControlChange::ModalResult:
        if (form != nullptr && form->GetModalResult() != vcl::mrNone) EndModalLoops(form);
        return;
    default: break;
    }
    if (TControlMirror* mirror = FindMirror(control)) mirror->Apply(change);
}

void TWidgetSet::MirrorTree(vcl::TControl* control, QWidget* parent) {
    if (FindMirror(control) != nullptr) return;
    std::unique_ptr<TControlMirror> mirror = MakeMirror(*this, control);
    TControlMirror* made = mirror.get();
    FMirrors.emplace(control, std::move(mirror));
    made->Create(parent);
    if (auto* container = dynamic_cast<vcl::TWinControl*>(control)) {
        for (int i = 0; i < container->GetControlCount(); ++i)
            MirrorTree(container->GetControl(i), made->ChildHost());
    }
}

void TWidgetSet::DropTree(vcl::TControl* control) {
    if (auto* container = dynamic_cast<vcl::TWinControl*>(control)) {
        for (int i = 0; i < container->GetControlCount(); ++i)
            DropTree(container->GetControl(i));
    }
    FMirrors.erase(control);
}

void TWidgetSet::ParentChanged(vcl::TControl* control) {
    if (dynamic_cast<vcl::TCustomForm*>(control) != nullptr) return;
    vcl::TWinControl* parent = control->GetParent();
    TControlMirror* parentMirror = parent != nullptr ? FindMirror(parent) : nullptr;
    TControlMirror* mirror = FindMirror(control);
    if (parentMirror == nullptr) {
        if (mirror != nullptr) DropTree(control);
        return;
    }
    if (mirror != nullptr) {
        mirror->Reparent(parentMirror->ChildHost());
    } else {
        MirrorTree(control, parentMirror->ChildHost());
    }
}

void TWidgetSet::FormVisibilityChanged(vcl::TCustomForm* form) {
    if (!form->GetVisible()) {
        if (auto* mirror = static_cast<TFormMirror*>(FindMirror(form))) mirror->HideWindow();
        EndModalLoops(form);
        return;
    }
    MirrorTree(form, nullptr);
    auto* mirror = static_cast<TFormMirror*>(FindMirror(form));
    // The focus is placed before the window shows, so that activating the window focuses the
    // model's control and not the first one Qt would pick.
    ShowFocus(form);
    FShowingFocus = true;
    mirror->ShowWindow(form->IsModalShowing());
    FShowingFocus = false;
    ShowFocus(form);
}

// --- Focus --------------------------------------------------------------------------------------

void TWidgetSet::ShowFocus(vcl::TCustomForm* form) {
    TControlMirror* formMirror = FindMirror(form);
    if (formMirror == nullptr || formMirror->Widget() == nullptr) return;
    vcl::TWinControl* active = form->GetActiveControl();
    QWidget* target = active != nullptr ? WidgetOf(active) : nullptr;
    FShowingFocus = true;
    if (target != nullptr) {
        target->setFocus(Qt::OtherFocusReason);
    } else if (QWidget* focused = formMirror->Widget()->focusWidget()) {
        focused->clearFocus();
    }
    FShowingFocus = false;
}

void TWidgetSet::QtFocusIn(QWidget* widget, Qt::FocusReason reason) {
    if (FShowingFocus) return;
    TControlMirror* mirror = MirrorOfWidget(widget);
    auto* control = mirror != nullptr ? dynamic_cast<vcl::TWinControl*>(mirror->Control()) : nullptr;
    if (control == nullptr) return;
    vcl::TCustomForm* form = control->GetParentForm();
    if (form == nullptr || form == control || form->GetActiveControl() == control) return;
    if (reason == Qt::MouseFocusReason && mirror->ClickFocuses()) {
        // The click that follows focuses the control the model's way (and runs its handlers once).
        // A press that never becomes a click leaves the focus where the model has it.
        QTimer::singleShot(0, this, [this, form] {
            if (FindMirror(form) != nullptr) ShowFocus(form);
        });
        return;
    }
    RunUserAction(control, [control] {
        if (control->CanFocus()) control->SetFocus();
    });
    // A handler may have refused the move or sent the focus elsewhere: Qt follows the model.
    if (FindMirror(form) != nullptr && form->GetActiveControl() != control)
        ShowFocus(form);
}

// --- Keys ---------------------------------------------------------------------------------------

bool TWidgetSet::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Inside the model's windows no Qt shortcut or mnemonic acts: every key comes as a key
        // press, and the model decides what it does.
        FRoutedKey = nullptr;
        if (FormMirrorOfWindow(widget->window()) == nullptr) return false;
        event->accept();
        return true;
    case QEvent::KeyRelease: FRoutedKey = nullptr; return false;
    case QEvent::KeyPress: return RouteKey(widget, static_cast<QKeyEvent*>(event));
    case QEvent::FocusIn: QtFocusIn(widget, static_cast<QFocusEvent*>(event)->reason()); return false;
    default: break;
    }
    const auto it = FByWidget.constFind(widget);
    return it != FByWidget.constEnd() && it.value()->WidgetEvent(event);
}

bool TWidgetSet::RouteKey(QWidget* target, QKeyEvent* event) {
    // Qt hands a key the focused widget left alone on to its parents: the model saw it already.
    if (event == FRoutedKey) return false;
    TFormMirror* formMirror = FormMirrorOfWindow(target->window());
    if (formMirror == nullptr) return false;
    const vcl::TKey key = ToVclKey(event->key());
    if (key == 0) return false;
    FRoutedKey = event;
    vcl::TCustomForm* form = formMirror->Form();
    const vcl::TShiftState shift = ToVclShift(event->modifiers());
    bool used = false;
    RunUserAction(form, [form, key, shift, &used] { used = form->PressKey(key, shift); });
    return used;
}

// --- Modal loops --------------------------------------------------------------------------------

vcl::TModalResult TWidgetSet::RunModal(vcl::TCustomForm* form) {
    // ShowModal has shown the form (its window is up, application-modal) and focused it.
    if (FindMirror(form) == nullptr || !form->GetVisible() || form->GetModalResult() != vcl::mrNone)
        return vcl::mrNone;
    QEventLoop loop;
    FModalLoops.push_back(TModalLoop{form, &loop});
    loop.exec(QEventLoop::DialogExec);
    FModalLoops.erase(std::remove_if(FModalLoops.begin(), FModalLoops.end(),
                                     [&loop](const TModalLoop& l) { return l.Loop == &loop; }),
                      FModalLoops.end());
    return vcl::mrNone; // the form's own ModalResult stands
}

void TWidgetSet::EndModalLoops(const vcl::TCustomForm* form) {
    for (TModalLoop& loop : FModalLoops)
        if (loop.Form == form) loop.Loop->quit();
}

} // namespace tnxqt
