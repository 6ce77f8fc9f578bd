// TControl: the headless model of a control. It holds everything a window would show (geometry,
// caption or text, font, cursor, hint, enabled and visible state) and the events a user's actions
// fire; it draws nothing. A widget set mirrors it through the change hook (ControlObserver.h).
//
// Owner and parent. A control belongs to its owner (normally the form), which frees it, and sits
// in its parent (a TWinControl: the form, a group box, a panel), which lays it out. Left and Top
// are relative to the parent's client area. Freeing a parent leaves its controls without a parent
// (their owner still frees them); freeing a control takes it out of its parent.
//
// Fonts. A control follows its parent's font while ParentFont is true (the default for controls);
// changing its own Font clears ParentFont. A font that follows the parent is not written to form
// files.
//
// Captions mark an accelerator with '&' ("&Path:" shows "Path:" with P underlined; "&&" is a
// literal '&'); Alt plus that character acts on the control (TCustomForm::PressKey).
//
// User actions. Click() is the programmatic click (fires OnClick). MouseClick() is what a user's
// mouse click does: nothing on a control the user cannot reach (hidden, disabled, or its form not
// showing); otherwise controls that take the focus on clicks take it first (their neighbour's
// OnExit runs), then Click().
#pragma once

#include "platform/vcl/Component.h"
#include "platform/vcl/controls/ControlObserver.h"
#include "platform/vcl/controls/ControlTypes.h"
#include "platform/vcl/controls/Font.h"

#include <string_view>

namespace vcl {

class TCustomForm;
class TWinControl;

class TControl : public TComponent {
    VCL_CLASS(TControl, TComponent)
public:
    explicit TControl(TComponent* owner);

    // --- Parent ---------------------------------------------------------------------------------
    TWinControl* GetParent() const { return FParent; }
    // Moves the control into another parent (appended to its controls and, for windowed
    // controls, to its tab order) or out of any (null). A parent inside the control itself raises
    // EInvalidOperation.
    virtual void SetParent(TWinControl* value);
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    // For the form reader and the designer: the parent must be a control that holds controls
    // (a form, group box or panel); anything else raises EInvalidOperation.
    void SetParentComponent(TComponent* value) override;
    // The form the control sits on, through its parents (a form is its own); null when none.
    TCustomForm* GetParentForm() const;

    // --- Geometry -------------------------------------------------------------------------------
    int GetLeft() const { return FLeft; }
    int GetTop() const { return FTop; }
    int GetWidth() const { return FWidth; }
    int GetHeight() const { return FHeight; }
    void SetLeft(int value) { SetBounds(value, FTop, FWidth, FHeight); }
    void SetTop(int value) { SetBounds(FLeft, value, FWidth, FHeight); }
    void SetWidth(int value) { SetBounds(FLeft, FTop, value, FHeight); }
    void SetHeight(int value) { SetBounds(FLeft, FTop, FWidth, value); }
    // Negative sizes become 0.
    virtual void SetBounds(int left, int top, int width, int height);
    // The inside of the control (the whole control, except for forms, which have a frame).
    virtual int GetClientWidth() const { return FWidth; }
    virtual int GetClientHeight() const { return FHeight; }
    virtual void SetClientWidth(int value) { SetWidth(value); }
    virtual void SetClientHeight(int value) { SetHeight(value); }

    // --- Text -----------------------------------------------------------------------------------
    // One text per control: the caption of labels, buttons, boxes and forms, the contents of
    // edits and combo boxes.
    const AnsiString& GetText() const { return FText; }
    virtual void SetText(const AnsiString& value);
    const AnsiString& GetCaption() const { return FText; }
    void SetCaption(const AnsiString& value) { SetText(value); }

    // The accelerator of a caption: the character after its first single '&', upper-cased; 0 when
    // there is none.
    static char AccelCharOf(std::string_view caption);
    // The caption as shown: "&Path:" -> "Path:", "A && B" -> "A & B".
    static AnsiString StripAccelChars(std::string_view caption);

    // --- State ----------------------------------------------------------------------------------
    bool GetEnabled() const { return FEnabled; }
    virtual void SetEnabled(bool value);
    bool GetVisible() const { return FVisible; }
    virtual void SetVisible(bool value);
    // Whether a user can reach the control now: it and each parent up to its form are visible
    // and enabled, and it sits on a form (which is then showing).
    bool IsReachable() const;

    const AnsiString& GetHint() const { return FHint; }
    void SetHint(const AnsiString& value);
    TCursor GetCursor() const { return FCursor; }
    void SetCursor(TCursor value);

    // --- Font -----------------------------------------------------------------------------------
    TFont* GetFont() const { return FFont.get(); }
    // Copies the font given (and so stops following the parent's).
    void SetFont(TFont* value);
    bool GetParentFont() const { return FParentFont; }
    void SetParentFont(bool value);

    // --- Events and user actions ----------------------------------------------------------------
    const TNotifyEvent& GetOnClick() const { return FOnClick; }
    void SetOnClick(TNotifyEvent e) { FOnClick = std::move(e); }
    // Fires OnClick.
    virtual void Click();
    // A user's mouse click (see the file comment); returns whether it reached the control.
    bool MouseClick();

    // The form offers keys to its controls (TCustomForm::PressKey): a dialog key (Enter, Escape)
    // and an accelerator (Alt + a letter or digit). A control that acts on it returns true.
    virtual bool DialogKey(TKey key, TShiftState shift);
    virtual bool DialogChar(char accel);

protected:
    ~TControl() override;
    void Destroy() override;

    void Changed(TControlChange change) { NotifyControlChange(this, change); }
    // The font changed (own, or taken from the parent); reports it. TWinControl passes it on.
    virtual void FontChanged();
    // The parent's font changed: a control that follows it takes it.
    void ParentFontChanged();
    // Whether a mouse click gives the control the focus (buttons, edits, lists).
    virtual bool TakesFocusOnClick() const { return false; }
    // Called by MouseClick before Click: windowed controls take the focus there.
    virtual void FocusForClick() {}
    // For the stored predicate of Font.
    bool IsFontStored() const { return !FParentFont; }
    // Initial state without change reports (forms start hidden and with their own font).
    void InitVisible(bool value) { FVisible = value; }
    void InitParentFont(bool value) { FParentFont = value; }

    template <class T>
    friend void PublishBounds(TPublisher<T>& p);
    template <class T>
    friend void PublishLook(TPublisher<T>& p);

private:
    friend class TWinControl;
    void OwnFontChanged();

    TWinControl* FParent = nullptr;
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    AnsiString FText;
    bool FEnabled = true;
    bool FVisible = true;
    bool FParentFont = true;
    bool FTakingParentFont = false; // the font is being copied from the parent
    AnsiString FHint;
    TCursor FCursor = crDefault;
    TOwned<TFont> FFont;
    TNotifyEvent FOnClick;
};

// Publishing helpers for control classes (in their VCL_CLASS_INFO), so that every class writes
// the shared properties in the same order.
// Left, Top, Width, Height.
template <class T>
void PublishBounds(TPublisher<T>& p) {
    p.Property("Left", &T::GetLeft, &T::SetLeft).Default(0);
    p.Property("Top", &T::GetTop, &T::SetTop).Default(0);
    p.Property("Width", &T::GetWidth, &T::SetWidth).Default(0);
    p.Property("Height", &T::GetHeight, &T::SetHeight).Default(0);
}
// Cursor, Enabled, Font, Hint, ParentFont, Visible (Font before ParentFont, so that a stored font
// reads back as the control's own).
template <class T>
void PublishLook(TPublisher<T>& p) {
    p.Property("Cursor", &T::GetCursor, &T::SetCursor).Default(crDefault).TypeName("TCursor");
    p.Property("Enabled", &T::GetEnabled, &T::SetEnabled).Default(true);
    p.Property("Font", &T::GetFont).Stored(&T::IsFontStored);
    p.Property("Hint", &T::GetHint, &T::SetHint);
    p.Property("ParentFont", &T::GetParentFont, &T::SetParentFont).Default(true);
    p.Property("Visible", &T::GetVisible, &T::SetVisible).Default(true);
}

} // namespace vcl
