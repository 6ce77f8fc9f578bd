// The widgets of group boxes, panels and other controls.
#include "platform/qt/ContainerMirrors.h"

#include "platform/qt/BasicMirrors.h"
#include "platform/qt/QtConvert.h"
#include "platform/qt/WidgetSetCore.h"
#include "platform/vcl/controls/GroupBox.h"
#include "platform/vcl/controls/Panel.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>

namespace tnxqt {

// --- TGroupBoxMirror ----------------------------------------------------------------------------

QGroupBox* TGroupBoxMirror::Box() const {
    return static_cast<QGroupBox*>(Widget());
}

QWidget* TGroupBoxMirror::MakeWidget(QWidget* parent) {
    auto* box = new QGroupBox(parent);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

void TGroupBoxMirror::ApplyText() {
    Box()->setTitle(ToQString(FControl->GetText()));
}

// --- TPanelMirror -------------------------------------------------------------------------------

QFrame* TPanelMirror::Frame() const {
    return static_cast<QFrame*>(Widget());
}

QWidget* TPanelMirror::MakeWidget(QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setFocusPolicy(Qt::NoFocus);
    // Made first, so the controls placed on the panel lie above it.
    FCaption = new QLabel(frame);
    FCaption->setAttribute(Qt::WA_TransparentForMouseEvents);
    return frame;
}

void TPanelMirror::ApplyBounds() {
    TControlMirror::ApplyBounds();
    FCaption->setGeometry(Frame()->contentsRect());
}

void TPanelMirror::ApplyText() {
    FCaption->setText(ToQString(vcl::TControl::StripAccelChars(FControl->GetText())));
    FCaption->setVisible(!FControl->GetText().empty());
}

void TPanelMirror::ApplyAppearance() {
    const auto* panel = static_cast<const vcl::TPanel*>(FControl);
    switch (panel->GetBevelOuter()) {
    case vcl::bvLowered: Frame()->setFrameStyle(QFrame::Panel | QFrame::Sunken); break;
    case vcl::bvRaised: Frame()->setFrameStyle(QFrame::Panel | QFrame::Raised); break;
    default: Frame()->setFrameStyle(QFrame::NoFrame); break;
    }
    Frame()->setLineWidth(panel->GetBevelWidth());
    Qt::Alignment horizontal = Qt::AlignHCenter;
    if (panel->GetAlignment() == vcl::taLeftJustify) horizontal = Qt::AlignLeft;
    if (panel->GetAlignment() == vcl::taRightJustify) horizontal = Qt::AlignRight;
    FCaption->setAlignment(horizontal | Qt::AlignVCenter);
}

// --- TPlainMirror -------------------------------------------------------------------------------

QWidget* TPlainMirror::MakeWidget(QWidget* parent) {
    return new QWidget(parent);
}

bool TPlainMirror::WidgetEvent(QEvent* event) {
    if (!IsMouseClick(event)) return false;
    vcl::TControl* control = FControl;
    UserAction([control] { control->MouseClick(); });
    return false;
}

} // namespace tnxqt
