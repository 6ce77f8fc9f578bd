// IDesigner: what the property and component editors ask of the form designer they run in.
//
// A designer edits one root component (a form or data module). Editors tell it when they changed
// something (Modified), look components up by the names the inspector shows, and work with the
// root's event handlers. The defaults below answer from the root itself; a designer program
// overrides what it keeps its own way (and must supply CreateMethod, since only it knows how a
// new handler comes to exist).
#pragma once

#include "platform/vcl/Component.h"

#include <functional>
#include <memory>
#include <string_view>
#include <typeinfo>

namespace vcl {

struct TPropInfo;

using TGetStrProc = std::function<void(const AnsiString& value)>;

class IDesigner {
public:
    virtual ~IDesigner();

    // The component being designed.
    virtual TComponent* GetRoot() = 0;
    // Something of the design changed (the designer marks it unsaved and refreshes its views).
    virtual void Modified() = 0;

    // --- Components -----------------------------------------------------------------------------
    // The name the designer shows for a component: its name inside the root, or "Root.Name" for
    // a component of another root (form or data module); empty for none.
    virtual AnsiString GetComponentName(TComponent* component);
    // The component shown under a name (see GetComponentName), or null.
    virtual TComponent* GetComponent(std::string_view name);
    // The names of the components of the root (and of the other roots on the screen) of class cls
    // or a descendant, the root's own first.
    virtual void GetComponentNames(TClass cls, const TGetStrProc& proc);

    // --- Event handlers -------------------------------------------------------------------------
    // The names of the root's handlers of a signature (the event's function type).
    virtual void GetMethods(const std::type_info& signature, const TGetStrProc& proc);
    virtual bool MethodExists(std::string_view name);
    // Makes a new handler of that name for the event given (what a double click in the inspector
    // does) and returns it.
    virtual std::shared_ptr<const THandler> CreateMethod(const AnsiString& name, const TPropInfo& event) = 0;
    // Brings a handler into view (a code editor); nothing by default.
    virtual void ShowMethod(std::string_view name);
};

} // namespace vcl
