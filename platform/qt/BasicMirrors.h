// The widgets of the simple controls:
//   TButtonMirror  a QPushButton; a click is the model's MouseClick (focus, then the click, which
//                  sets the form's ModalResult for OK/Cancel buttons); Default shows as the
//                  default button's look. The caption's '&' shows as Qt's mnemonic underline.
//   TEditMirror    a QLineEdit; every edit the user makes is the model's SetText (one OnChange per
//                  keystroke); ReadOnly and MaxLength carry over.
//   TLabelMirror   a QLabel; the accelerator letter is underlined, WordWrap and Alignment carry
//                  over, a label that sizes itself (AutoSize without WordWrap) grows to its text
//                  (the model keeps the size it was given); a click is the model's MouseClick.
//   TImageMirror   a QLabel showing the picture (bitmaps and icons), stretched or centred as the
//                  model says; a click is the model's MouseClick.
#pragma once

#include "platform/qt/ControlMirror.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace tnxqt {

class TButtonMirror : public TControlMirror {
public:
    using TControlMirror::TControlMirror;
    bool ClickFocuses() const override { return true; }

protected:
    QWidget* MakeWidget(QWidget* parent) override;
    void ApplyText() override;
    void ApplyAppearance() override;
    QPalette::ColorRole TextRole() const override { return QPalette::ButtonText; }

private:
    QPushButton* Button() const;
};

class TEditMirror : public TControlMirror {
public:
    using TControlMirror::TControlMirror;

protected:
    QWidget* MakeWidget(QWidget* parent) override;
    void ApplyText() override;
    void ApplyAppearance() override;
    QPalette::ColorRole TextRole() const override { return QPalette::Text; }

private:
    QLineEdit* LineEdit() const;
};

class TLabelMirror : public TControlMirror {
public:
    using TControlMirror::TControlMirror;
    bool WidgetEvent(QEvent* event) override;

protected:
    QWidget* MakeWidget(QWidget* parent) override;
    void ApplyBounds() override;
    void ApplyText() override;
    void ApplyAppearance() override;

private:
    QLabel* Label() const;
};

class TImageMirror : public TControlMirror {
public:
    using TControlMirror::TControlMirror;
    bool WidgetEvent(QEvent* event) override;

protected:
    QWidget* MakeWidget(QWidget* parent) override;
    void ApplyAppearance() override;

private:
    QLabel* Label() const;
};

// A left-button release inside the widget: what the model calls a mouse click.
bool IsMouseClick(const QEvent* event);

} // namespace tnxqt
