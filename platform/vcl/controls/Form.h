// TCustomForm / TForm: a top-level window (a windowed control with a frame and a caption) and a
// root component: it registers with Screen while it exists, reads its form resource when created
// (ComponentResources.h), keeps the focused control and knows the keyboard rules of a dialog.
//
// Creation. A class derived from TForm reads the form resources of its class and its ancestors
// (a resource is registered under the class name), then fires OnCreate. Handlers named in the
// resource must be registered on the form (RegisterHandler) by its constructor.
//
// Size. ClientWidth/ClientHeight are the inside of the frame; Width/Height the whole window. The
// frame depends on BorderStyle (none: 0; single and dialog: 3 pixels a side and a 19-pixel
// caption; sizeable: 4 and 19; tool windows: 3 and 15) and changing the border style keeps the
// client size.
//
// Showing. Show and ShowModal place the form by Position (centred on Screen for poScreenCenter
// and poDesktopCenter, on the main or owner form for poMainFormCenter/poOwnerFormCenter, where
// it was designed otherwise), fire OnShow and give the focus to ActiveControl, or to the first
// control in tab order (its OnEnter runs). ShowModal then hands the form to the modal handler
// (SetShowModalHandler): a widget set runs a real modal loop there; headless, a test acts as the
// user there. The dialog ends with the handler's result, or when that is mrNone with the form's
// ModalResult (set by a button, a key or Close), or else mrCancel; OnClose fires, then the form
// hides.
//
// Keys (PressKey, what the form does with a key the user presses while it is active):
//   1. the focused control's OnKeyDown (which may swallow the key), then the control itself
//      (arrows in a list, the space bar on a button);
//   2. Tab / Shift+Tab move the focus along the tab order;
//   3. Enter presses the focused button, or else the default button (Default), when enabled;
//   4. Escape presses the cancel button (Cancel), when enabled;
//   5. Alt + a letter or digit acts on the control whose caption carries that accelerator: a
//      label focuses its FocusControl, a button is pressed, a group box focuses its first control.
// The close box (Close, or Alt+F4) ends a modal dialog with mrCancel.
#pragma once

#include "platform/vcl/ComponentResources.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/controls/WinControl.h"

#include <functional>
#include <string_view>

namespace vcl {

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
VCL_ENUM_NAMES(TFormBorderStyle, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin);

enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
VCL_ENUM_NAMES(TPosition, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
               poDesktopCenter, poMainFormCenter, poOwnerFormCenter);

class TCustomForm : public TWinControl {
    VCL_CLASS(TCustomForm, TWinControl)
public:
    explicit TCustomForm(TComponent* owner);

    TModalResult GetModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult value);

    TFormBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle value);
    TPosition GetPosition() const { return FPosition; }
    void SetPosition(TPosition value);
    int GetClientWidth() const override;
    int GetClientHeight() const override;
    void SetClientWidth(int value) override;
    void SetClientHeight(int value) override;
    // The frame of a border style: the width of each side and the height of the caption bar.
    static int FrameSide(TFormBorderStyle style);
    static int CaptionHeight(TFormBorderStyle style);

    // The focused control (or, while the form is hidden, the one to focus when it shows). Setting
    // it to a control of another form raises EInvalidOperation; while the form shows, the control
    // must be able to take the focus ("Cannot focus a disabled or invisible window").
    TWinControl* GetActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* value);
    // Focuses a control of this form (TWinControl::SetFocus).
    void FocusControl(TWinControl* control);

    // See the file comment.
    virtual TModalResult ShowModal();
    void Show();
    void Hide();
    // The close box: ends a modal dialog with mrCancel; closes (OnClose, hides) a form shown
    // without ShowModal.
    void Close();
    bool IsModalShowing() const { return FModalShowing; }

    // See the file comment; returns whether anything used the key. A form that is not showing
    // ignores keys.
    bool PressKey(TKey key, TShiftState shift = {});

    const TNotifyEvent& GetOnCreate() const { return FOnCreate; }
    void SetOnCreate(TNotifyEvent e) { FOnCreate = std::move(e); }
    const TNotifyEvent& GetOnDestroy() const { return FOnDestroy; }
    void SetOnDestroy(TNotifyEvent e) { FOnDestroy = std::move(e); }
    const TNotifyEvent& GetOnShow() const { return FOnShow; }
    void SetOnShow(TNotifyEvent e) { FOnShow = std::move(e); }
    const TNotifyEvent& GetOnClose() const { return FOnClose; }
    void SetOnClose(TNotifyEvent e) { FOnClose = std::move(e); }

    // Reads the form resources of the class (when it is a descendant of TForm with resources
    // registered), then fires OnCreate.
    void AfterConstruction() override;

    // A form is a top-level window: giving it a parent raises EInvalidOperation.
    void SetParent(TWinControl* value) override;
    bool AcceptsControls() const override { return true; }
    // Non-visual components it owns first, then its controls.
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    // The form owns what is read inside it.
    TComponent* GetChildOwner() override { return this; }

protected:
    ~TCustomForm() override;
    // Fires OnDestroy, leaves the screen, then the control's destruction.
    void Destroy() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TControl;
    friend class TWinControl;
    // Moves the focus with the exit and enter events (see WinControl.h).
    void SetFocusedControl(TWinControl* control);
    // A control inside the form goes away or can no longer be reached: the focus leaves it
    // without events.
    void ControlRemoved(TControl* control);
    void ControlBecameUnreachable(TControl* control);
    void PlaceOnScreen();
    // OnClose, then hidden (also when OnClose raises).
    void CloseAndHide();
    void Activate();
    bool DialogKeyToControls(TKey key, TShiftState shift);
    bool AccelToControls(char accel);

    TModalResult FModalResult = mrNone;
    TFormBorderStyle FBorderStyle = bsSizeable;
    TPosition FPosition = poDesigned;
    TWinControl* FActiveControl = nullptr;
    bool FModalShowing = false;
    bool FFocusActive = false; // the focused control has been entered (the form is showing)
    TNotifyEvent FOnCreate, FOnDestroy, FOnShow, FOnClose;
};

class TForm : public TCustomForm {
    VCL_CLASS(TForm, TCustomForm)
public:
    explicit TForm(TComponent* owner) : TCustomForm(owner) {}

protected:
    ~TForm() override;
};

// The modal-dialog implementation: runs the dialog for the form and returns its result (mrNone
// leaves the form's ModalResult). An empty handler restores the headless default, which returns
// at once. Returns the previous handler.
using TShowModalHandler = std::function<TModalResult(TCustomForm* form)>;
TShowModalHandler SetShowModalHandler(TShowModalHandler handler);

// For forms that keep pointers to the components their form resource declares: the component of
// that name owned by root, which must be of class T. Raises EReadError "The form data of X has
// no T named N" when there is none, or it is of another class.
template <class T>
void BindFormComponent(TComponent* root, std::string_view name, T*& field);

namespace detail {
[[noreturn]] void RaiseFormComponentMissing(TComponent* root, TClass cls, std::string_view name);
}

template <class T>
void BindFormComponent(TComponent* root, std::string_view name, T*& field) {
    field = dynamic_cast<T*>(root->FindComponent(name));
    if (field == nullptr) detail::RaiseFormComponentMissing(root, T::StaticClass(), name);
}

} // namespace vcl
