// TFormMirror: the top-level window of a form.
//
// The window's inside is the form's client area (ClientWidth x ClientHeight) and the window is
// placed at the form's Left/Top (the model has already centred it when Position asks). The border
// style picks the window's kind: bsDialog a dialog window with a title and a close button,
// bsSingle and bsDialog a fixed size, bsNone no frame, tool windows a tool window. The caption is
// the window title.
//
// Both ways: the close box calls the form's Close (a modal dialog then ends with mrCancel); a user
// who resizes or moves a window changes the form's client size or position. Showing and hiding
// follow the form's Visible (TWidgetSet calls ShowWindow / HideWindow).
#pragma once

#include "platform/qt/ControlMirror.h"
#include "platform/vcl/controls/Form.h"

namespace tnxqt {

class TFormMirror : public TControlMirror {
public:
    TFormMirror(TWidgetSet& widgetSet, vcl::TCustomForm* form);

    vcl::TCustomForm* Form() const;
    // Shows the window (application-modal for a modal dialog), raised and active.
    void ShowWindow(bool modal);
    void HideWindow();

    bool WidgetEvent(QEvent* event) override;

protected:
    QWidget* MakeWidget(QWidget* parent) override;
    void ApplyBounds() override;
    void ApplyText() override;
    void ApplyVisible() override {}
    void ApplyAppearance() override;

private:
    bool FixedSize() const;

    bool FApplyingBounds = false;
    int FFlagsStyle = -1; // the border style the window flags were made for
};

} // namespace tnxqt
