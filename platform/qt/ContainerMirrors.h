// The widgets of controls that hold controls, and of controls the widget set has no widget for:
//   TGroupBoxMirror  a QGroupBox with the caption as its title (the '&' as Qt's mnemonic
//                    underline); children are placed from the box's top-left corner.
//   TPanelMirror     a QFrame whose frame shows the outer bevel (lowered: sunken, raised:
//                    raised) BevelWidth pixels wide, with the caption centred (or as Alignment
//                    says) beneath its children.
//   TPlainMirror     a plain QWidget, for any other control (it still takes children, geometry,
//                    state and clicks).
#pragma once

#include "platform/qt/ControlMirror.h"

class QFrame;
class QGroupBox;
class QLabel;

namespace tnxqt {

class TGroupBoxMirror : public TControlMirror {
public:
    using TControlMirror::TControlMirror;

protected:
    QWidget* MakeWidget(QWidget* parent) override;
    void ApplyText() override;

private:
    QGroupBox* Box() const;
};

class TPanelMirror : public TControlMirror {
public:
    using TControlMirror::TControlMirror;

protected:
    QWidget* MakeWidget(QWidget* parent) override;
    void ApplyBounds() override;
    void ApplyText() override;
    void ApplyAppearance() override;

private:
    QFrame* Frame() const;

    QLabel* FCaption = nullptr; // owned by the frame
};

class TPlainMirror : public TControlMirror {
public:
    using TControlMirror::TControlMirror;
    bool WidgetEvent(QEvent* event) override;

protected:
    QWidget* MakeWidget(QWidget* parent) override;
};

} // namespace tnxqt
