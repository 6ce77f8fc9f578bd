// TControlMirror: the Qt widget of one control, kept in line with the control's model.
//
// A mirror creates its widget when the control's form is shown (or when the control is placed on
// a form that shows), applies every model change reported for the control, and turns the user's
// actions on the widget into the model's user actions (through TWidgetSet::RunUserAction). It owns
// no state of its own: whatever it shows is read from the model when the change is reported.
//
// Geometry. A control's Left/Top/Width/Height place the widget inside its parent's widget (a
// group box's or panel's children are placed from the box's top-left corner, as the model places
// them). Forms are handled by TFormMirror.
//
// Life. A mirror is freed when its control is freed, leaves the form, or when the form's widgets
// are taken down; it frees its widget then (later, through Qt's deferred deletion, when the
// widget is in the middle of delivering a user action).
#pragma once

#include "platform/vcl/controls/ControlObserver.h"

#include <QMetaObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QEvent;

namespace vcl {
class TControl;
}

namespace tnxqt {

class TWidgetSet;

class TControlMirror {
public:
    TControlMirror(TWidgetSet& widgetSet, vcl::TControl* control);
    virtual ~TControlMirror();
    TControlMirror(const TControlMirror&) = delete;
    TControlMirror& operator=(const TControlMirror&) = delete;

    vcl::TControl* Control() const { return FControl; }
    QWidget* Widget() const { return FWidget.data(); }
    // The widget the control's children are placed in.
    virtual QWidget* ChildHost() const { return Widget(); }

    // Makes the widget (inside parent; null for a window) and shows the model's state on it.
    void Create(QWidget* parent);
    // Shows one change of the model.
    void Apply(vcl::TControlChange change);
    // Shows the whole state again (after creation, and after a user action the model may have
    // answered differently from what the widget did by itself).
    void ApplyAll();
    // Moves the widget into another parent widget (the control moved to another container).
    void Reparent(QWidget* parent);

    // An event delivered to the widget (or to one of its inner parts); true when the mirror used it
    // and Qt must not see it.
    virtual bool WidgetEvent(QEvent* event);
    // Whether a mouse click on the widget is a model action that focuses the control itself
    // (buttons, list boxes), so the focus Qt gives on the press is left to that action.
    virtual bool ClickFocuses() const { return false; }

protected:
    virtual QWidget* MakeWidget(QWidget* parent) = 0;

    virtual void ApplyBounds();
    virtual void ApplyText() {}
    virtual void ApplyFont();
    virtual void ApplyEnabled();
    virtual void ApplyVisible();
    virtual void ApplyCursor();
    virtual void ApplyHint();
    virtual void ApplyItems() {}
    virtual void ApplyItemIndex() {}
    virtual void ApplyAppearance() {}
    // The palette role the font's colour goes to (labels: the window text; edits: the text).
    virtual QPalette::ColorRole TextRole() const { return QPalette::WindowText; }

    // Runs a user action on the control (see TWidgetSet::RunUserAction). The action must not use
    // the mirror after the model's handlers ran: they may have freed the control and the mirror.
    void UserAction(const std::function<void()>& action);
    // Keeps a connection of the widget's signals, cut when the mirror goes.
    void Track(QMetaObject::Connection connection) { FConnections.push_back(std::move(connection)); }

    TWidgetSet& FWidgetSet;
    vcl::TControl* const FControl;

private:
    QPointer<QWidget> FWidget;
    const QWidget* FRegistered = nullptr; // the key the widget was registered under
    std::vector<QMetaObject::Connection> FConnections;
};

// The mirror for a control, by its class (the most specific one known; a plain widget for any
// other control).
std::unique_ptr<TControlMirror> MakeMirror(TWidgetSet& widgetSet, vcl::TControl* control);

} // namespace tnxqt
