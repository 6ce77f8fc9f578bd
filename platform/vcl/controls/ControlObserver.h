// The change hook of the controls: how a widget set (or a test) hears that the model changed.
//
// Every control reports each change of what a window would show (geometry, text, font, state,
// items, selection, focus, a form's modal result) to the observers installed here, after the
// change is made. The model owns all state; an observer mirrors it and never needs to ask twice.
// Observers are process-wide and called on the thread that changed the control (the
// application's main thread). An observer may add or remove observers while it runs; the
// change being reported still reaches the observers that were installed when it started.
#pragma once

#include <functional>

namespace vcl {

class TControl;

enum class TControlChange {
    Parent,      // placed in another parent (or none)
    Bounds,      // Left, Top, Width or Height
    Text,        // Caption or Text
    Font,        // the font, own or inherited from the parent
    Enabled,     // Enabled
    Visible,     // Visible (a form: shown or hidden)
    TabOrder,    // TabOrder or TabStop
    Cursor,      // Cursor
    Hint,        // Hint
    Items,       // the lines of a list or combo box
    ItemIndex,   // the selected line
    Focus,       // reported on the form: its focused control changed
    ModalResult, // reported on a form: its ModalResult changed (a modal loop may end)
    Appearance,  // any other look: default/cancel button, word wrap, bevels, picture, style, ...
    Destroying,  // the control is being freed; the last report about it
};

using TControlObserver = std::function<void(TControl* control, TControlChange change)>;

// Installs an observer; returns an id for RemoveControlObserver.
int AddControlObserver(TControlObserver observer);
void RemoveControlObserver(int id);

// Reports a change to every observer (the controls call it).
void NotifyControlChange(TControl* control, TControlChange change);

} // namespace vcl
