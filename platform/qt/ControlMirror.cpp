// TControlMirror: the parts every control's widget shares.
#include "platform/qt/ControlMirror.h"

#include "platform/qt/QtConvert.h"
#include "platform/qt/WidgetSetCore.h"
#include "platform/vcl/controls/Control.h"

#include <QPalette>

namespace tnxqt {

TControlMirror::TControlMirror(TWidgetSet& widgetSet, vcl::TControl* control)
    : FWidgetSet(widgetSet), FControl(control) {}

TControlMirror::~TControlMirror() {
    for (const QMetaObject::Connection& c : FConnections)
        QObject::disconnect(c);
    if (FRegistered != nullptr) FWidgetSet.UnregisterWidget(FRegistered);
    QWidget* widget = FWidget.data();
    if (widget == nullptr) return;
    widget->hide();
    // A widget in the middle of delivering a signal or event must outlive it.
    if (FWidgetSet.InUserAction()) {
        widget->setParent(nullptr);
        widget->deleteLater();
    } else {
        delete widget;
    }
}

void TControlMirror::Create(QWidget* parent) {
    FWidget = MakeWidget(parent);
    FRegistered = FWidget.data();
    FWidgetSet.RegisterWidget(FRegistered, this);
    ApplyAll();
}

void TControlMirror::Reparent(QWidget* parent) {
    QWidget* widget = Widget();
    if (widget == nullptr || widget->parentWidget() == parent) return;
    widget->setParent(parent);
    ApplyBounds();
    ApplyVisible();
}

void TControlMirror::Apply(vcl::TControlChange change) {
    if (Widget() == nullptr) return;
    switch (change) {
    case vcl::TControlChange::Bounds: ApplyBounds(); break;
    case vcl::TControlChange::Text:
        ApplyText();
        ApplyBounds(); // a label that sizes itself follows its text
        break;
    case vcl::TControlChange::Font:
        ApplyFont();
        ApplyBounds();
        break;
    case vcl::TControlChange::Enabled: ApplyEnabled(); break;
    case vcl::TControlChange::Visible: ApplyVisible(); break;
    case vcl::TControlChange::Cursor: ApplyCursor(); break;
    case vcl::TControlChange::Hint: ApplyHint(); break;
    case vcl::TControlChange::Items: ApplyItems(); break;
    case vcl::TControlChange::ItemIndex: ApplyItemIndex(); break;
    case vcl::TControlChange::TabOrder: // TabStop decides the widget's focus policy
    case vcl::TControlChange::Appearance:
        ApplyAppearance();
        ApplyBounds();
        break;
    default: break;
    }
}

void TControlMirror::ApplyAll() {
    if (Widget() == nullptr) return;
    ApplyFont();
    ApplyText();
    ApplyItems();
    ApplyItemIndex();
    ApplyAppearance();
    ApplyCursor();
    ApplyHint();
    ApplyEnabled();
    ApplyBounds();
    ApplyVisible();
}

bool TControlMirror::WidgetEvent(QEvent*) {
    return false;
}

void TControlMirror::ApplyBounds() {
    Widget()->setGeometry(FControl->GetLeft(), FControl->GetTop(), FControl->GetWidth(), FControl->GetHeight());
}

void TControlMirror::ApplyFont() {
    const vcl::TFont& font = *FControl->GetFont();
    Widget()->setFont(ToQFont(font));
    QPalette palette; // inherits every role it does not set
    if (font.GetColor() != vcl::clWindowText) {
        if (const std::optional<QColor> color = ToQColor(font.GetColor())) palette.setColor(TextRole(), *color);
    }
    Widget()->setPalette(palette);
}

void TControlMirror::ApplyEnabled() {
    Widget()->setEnabled(FControl->GetEnabled());
}

void TControlMirror::ApplyVisible() {
    Widget()->setVisible(FControl->GetVisible());
}

void TControlMirror::ApplyCursor() {
    if (FControl->GetCursor() == vcl::crDefault) {
        Widget()->unsetCursor();
    } else {
        Widget()->setCursor(ToQtCursor(FControl->GetCursor()));
    }
}

void TControlMirror::ApplyHint() {
    Widget()->setToolTip(ToQString(FControl->GetHint()));
}

void TControlMirror::UserAction(const std::function<void()>& action) {
    FWidgetSet.RunUserAction(FControl, action);
}

} // namespace tnxqt
