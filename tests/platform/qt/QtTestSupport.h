// Helpers for driving the model's forms through their Qt windows, as a user would.
#pragma once

#include "platform/qt/WidgetSet.h"
#include "platform/vcl/controls/Controls.h"

#include <QPoint>
#include <QString>
#include <QWidget>

#include <functional>

class QListWidget;

namespace tnxqtest {

// Shows the form modally; once its window is up (inside the modal loop) user runs, acting on the
// widgets. If the dialog is still open when user returns, it is closed (mrCancel) so that a
// failing test cannot hang. Returns the dialog's result.
vcl::TModalResult RunModal(vcl::TCustomForm* form, const std::function<void()>& user);

// The widget of a control, as a T (fails the test when there is none or it is of another kind).
template <class T>
T* Widget(const vcl::TControl* control) {
    return qobject_cast<T*>(tnxqt::WidgetOf(control));
}

// Lets queued Qt work run (deferred deletions, timers due now).
void Settle();

// A left click in the middle of a widget (or at a point of it).
void Click(QWidget* widget);
void Click(QWidget* widget, QPoint at);
// A click / double click on a line of a list widget.
void ClickLine(QListWidget* list, int row);
void DoubleClickLine(QListWidget* list, int row);
// A key pressed on the widget that has the keyboard focus (the window when none has it).
void Key(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Typing text into the widget with the focus, one key at a time.
void Type(QWidget* window, const QString& text);

// The widget's text as the user reads it (labels without markup, buttons without '&').
QString ShownText(const QWidget* widget);

} // namespace tnxqtest
