// TWinControl: a control that can hold other controls and take the keyboard focus.
//
// Children. The controls whose parent it is, in the order they were placed. Only containers
// (forms, group boxes, panels: AcceptsControls) take children from form files and the designer;
// code may place controls anywhere.
//
// Tab order. The windowed children are kept in a tab list; TabOrder is a child's index in it
// (-1 without a parent). Setting TabOrder moves the child there (out of range: to the end) and
// renumbers its siblings. While a form file is read, the stored values are kept and the list is
// sorted by them once all children of the parent are read, so the file's order holds whatever
// order the children come in (children that stored none keep their place).
//
// Focus. The focused control of a form is its ActiveControl (TCustomForm). A control can take
// the focus when it sits on a form and it and every parent below the form are visible and
// enabled. Moving the focus fires OnExit on the controls it leaves (innermost first) and OnEnter
// on those it enters (outermost first); a handler that raises stops the move. Tab and Shift+Tab
// walk the form's tab list depth-first (a container, then its children in their tab order),
// skipping controls that cannot take the focus or whose TabStop is off, and wrap around.
#pragma once

#include "platform/vcl/controls/Control.h"

#include <functional>
#include <vector>

namespace vcl {

class TReader;

// A key going down: the key may be changed, or set to 0 to stop its handling.
using TKeyEvent = std::function<void(TObject* Sender, TKey& Key, TShiftState Shift)>;

class TWinControl : public TControl {
    VCL_CLASS(TWinControl, TControl)
public:
    explicit TWinControl(TComponent* owner);

    // --- Children -------------------------------------------------------------------------------
    int GetControlCount() const { return static_cast<int>(FControls.size()); }
    // Controls[index]; raises EListError out of range.
    TControl* GetControl(int index) const;
    // Whether the control is this one or sits inside it (at any depth).
    bool ContainsControl(const TControl* control) const;
    // Whether form files and the designer may place controls in it.
    virtual bool AcceptsControls() const { return false; }

    // --- Tab order ------------------------------------------------------------------------------
    int GetTabOrder() const;
    void SetTabOrder(int value);
    bool GetTabStop() const { return FTabStop; }
    void SetTabStop(bool value);
    // The windowed controls inside this one, depth-first in tab order (see the file comment).
    std::vector<TWinControl*> GetTabOrderList() const;

    // --- Focus ----------------------------------------------------------------------------------
    bool CanFocus() const;
    // Whether it is its form's focused control.
    bool Focused() const;
    // Makes it the focused control of its form; raises EInvalidOperation "Cannot focus a disabled
    // or invisible window" when it cannot take the focus. On a form that is not showing it becomes
    // the control focused when the form shows.
    virtual void SetFocus();
    // The control after (or before) current in this control's tab list (from the start when
    // current is null) that can take the focus, has TabStop (when checkTabStop) and is a direct
    // child (when checkParent); wraps around; null when there is none.
    TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent) const;
    // Focuses FindNextControl(current, goForward, checkTabStop, false), if any.
    void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);
    // Focuses the first control of the tab list that can take the focus and has TabStop.
    void SelectFirst();

    // A key pressed while this control has the focus, offered before the form's dialog keys
    // (arrows in lists, the space bar on buttons); returns whether the control used it.
    virtual bool KeyDown(TKey key, TShiftState shift);

    // --- Events ---------------------------------------------------------------------------------
    const TNotifyEvent& GetOnEnter() const { return FOnEnter; }
    void SetOnEnter(TNotifyEvent e) { FOnEnter = std::move(e); }
    const TNotifyEvent& GetOnExit() const { return FOnExit; }
    void SetOnExit(TNotifyEvent e) { FOnExit = std::move(e); }
    const TKeyEvent& GetOnKeyDown() const { return FOnKeyDown; }
    void SetOnKeyDown(TKeyEvent e) { FOnKeyDown = std::move(e); }

    // --- Streaming ------------------------------------------------------------------------------
    // The child controls that belong to the root being written, in placing order.
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    // Controls read inside this one belong to the form being read.
    TComponent* GetChildOwner() override { return nullptr; }

protected:
    ~TWinControl() override;
    void Destroy() override;
    void ReadState(TReader& reader) override;
    void FontChanged() override;
    void FocusForClick() override;
    virtual void DoEnter();
    virtual void DoExit();

private:
    friend class TControl;
    friend class TCustomForm;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void FixupTabList();
    void AddToTabOrderList(std::vector<TWinControl*>& list) const;

    std::vector<TControl*> FControls;   // children, in placing order; not owned
    std::vector<TWinControl*> FTabList; // the windowed children, in tab order
    int FTabOrder = -1;                 // without a parent, or while loading: the value given
    bool FTabStop = false;
    TNotifyEvent FOnEnter;
    TNotifyEvent FOnExit;
    TKeyEvent FOnKeyDown;
};

} // namespace vcl
