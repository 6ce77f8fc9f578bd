// TComponent: named objects that own other components, notify each other, and are stored in form
// files.
//
// Ownership. A component created with an owner (Make<T>(owner, ...)) is in the owner's component
// list and is freed by it: freeing a component frees its owned components first, the most recently
// inserted one first. A component without an owner (New<T>(...)) belongs to the caller's TOwned.
//
// Names. Name is empty or a valid identifier (a letter or '_', then letters, digits and '_'), and
// unique, ignoring ASCII letter case, among the components of one owner; SetName raises
// EComponentError otherwise and leaves the name unchanged.
//
// Notifications. When a component is inserted into or removed from an owner, the owner's
// Notification(component, opInsert/opRemove) runs, and each owned component's Notification is
// called in turn (the base Notification forwards down the ownership tree). A component that holds
// a reference to a component of another owner calls FreeNotification on it, so that it receives
// Notification(it, opRemove) when that component is freed; components of the same owner hear it
// through the owner.
//
// Destruction (the Destroy step, Object.h): Destroying() marks the component and all it owns with
// csDestroying; the components that asked for free notification are notified; owned components
// are freed last first; the component leaves its owner (which notifies the owner and siblings);
// pending form references to it are dropped. A class's own sequence goes in its Destroy override,
// before inherited::Destroy().
//
// Named handlers. The application registers event handlers by name on a root component
// (RegisterHandler); the form reader binds the events stored in a form file to them (Events.h).
#pragma once

#include "platform/vcl/Events.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Persistent.h"
#include "platform/vcl/Set.h"
#include "platform/vcl/VclConsts.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

namespace vcl {

class TReader;
class TWriter;
class TComponent;

enum TOperation { opInsert, opRemove };

// The component state flags, with the framework's ordinals.
enum TComponentStateItem {
    csLoading,          // being loaded from a form file; cleared by Loaded
    csReading,          // its properties are being read from a form file
    csWriting,          // being written to a form file
    csDestroying,       // being freed
    csDesigning,        // in the form designer
    csAncestor,         // created from an ancestor form (visual inheritance)
    csUpdating,         // between Updating and Updated
    csFixups,           // holds references in a form file that are not resolved yet
    csFreeNotification, // another component asked to hear when this one is freed
    csInline,           // a frame inside a form
    csDesignInstance,   // the designer's own instance
};
using TComponentState = Set<TComponentStateItem, 15>;

enum TComponentStyleItem {
    csInheritable,
    csCheckPropAvail,
    csSubComponent, // an internal part of its owner: not written to form files as a child
    csTransient,    // never written to form files
};
using TComponentStyle = Set<TComponentStyleItem>;

using TGetChildProc = std::function<void(TComponent* child)>;

// Whether the text is a valid identifier (letters, digits and '_', not starting with a digit).
bool IsValidIdent(std::string_view name);

class TComponent : public TPersistent {
    VCL_CLASS(TComponent, TPersistent)
public:
    static constexpr bool IsComponentClass = true;

    // Inserts the component into the owner's list when an owner is given.
    explicit TComponent(TComponent* owner);

    // --- Identity -------------------------------------------------------------------------------
    const AnsiString& GetName() const { return FName; }
    virtual void SetName(const AnsiString& newName);
    std::intptr_t GetTag() const { return FTag; }
    void SetTag(std::intptr_t value) { FTag = value; }
    AnsiString GetNamePath() override;

    // --- Ownership ------------------------------------------------------------------------------
    TComponent* GetOwner() override { return FOwner; }
    TComponent* Owner() const { return FOwner; }
    int GetComponentCount() const { return static_cast<int>(FComponents.size()); }
    // Components[index]; raises EListError for an index out of range.
    TComponent* GetComponent(int index) const;
    // Position in the owner's list (-1 without an owner).
    int GetComponentIndex() const;
    void SetComponentIndex(int index);
    // The owned component of that name (letter case ignored); null when none or name empty.
    TComponent* FindComponent(std::string_view name) const;
    // Moves a component into this one's list (out of its previous owner's), with notifications.
    void InsertComponent(TComponent* component);
    // Takes a component out of the list (with notifications); the caller becomes responsible for it.
    void RemoveComponent(TComponent* component);
    // Frees every owned component, the last one first.
    void DestroyComponents();

    // --- State ----------------------------------------------------------------------------------
    TComponentState GetComponentState() const { return FComponentState; }
    TComponentStyle GetComponentStyle() const { return FComponentStyle; }
    // Marks this component (and by default all it owns) as being in, or out of, the designer.
    void SetDesigning(bool value, bool setChildren = true);
    void SetAncestor(bool value);
    // Marks the component as an internal part of its owner, not written to form files as a child.
    void SetSubComponent(bool value);
    // Sets csDestroying on this component and everything it owns.
    void Destroying();
    void Updating();
    void Updated();

    // --- Notifications --------------------------------------------------------------------------
    // Asks for Notification(component, opRemove) when component is freed (and the reverse).
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    // --- Streaming ------------------------------------------------------------------------------
    // The components written as this one's children in a form file: by default the owned ones
    // that are neither sub-components nor transient, in list order.
    virtual void GetChildren(const TGetChildProc& proc, TComponent* root);
    // The owner given to the children read inside this component (this component; null means
    // the root of the form being read).
    virtual TComponent* GetChildOwner();

    // --- Parents --------------------------------------------------------------------------------
    // Controls sit in a parent control besides belonging to an owner; other components have no
    // parent. The form reader places each component that has one in the component it was read
    // inside (SetParentComponent), and the designer places components through the same calls.
    virtual bool HasParent() const { return false; }
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual void SetParentComponent(TComponent* /*value*/) {}

    // --- Named handlers -------------------------------------------------------------------------
    // Registers (or replaces) a handler under a name (a valid identifier; letter case ignored in
    // lookups). Event is the event's std::function type: RegisterHandler<TNotifyEvent>("Go", fn).
    template <class Event>
    void RegisterHandler(std::string_view name, Event fn) {
        using Sig = typename TEventSignature<Event>::Type;
        AddHandler(std::make_shared<const TTypedHandler<Sig>>(AnsiString(name), std::move(fn)));
    }
    void UnregisterHandler(std::string_view name);
    // The handler of that name, or null.
    std::shared_ptr<const THandler> FindHandler(std::string_view name) const;
    // An event value bound to the handler of that name; empty when there is none of that type.
    template <class Event>
    Event HandlerByName(std::string_view name) const {
        return BindHandler<typename TEventSignature<Event>::Type>(FindHandler(name));
    }
    // The names of the registered handlers, in name order.
    std::vector<AnsiString> HandlerNames() const;

protected:
    ~TComponent() override;
    void Destroy() override;
    void BeforeDestruction() override;

    // Called once the whole form file this component was read from has been read: clears
    // csLoading. Overrides call it first.
    virtual void Loaded();
    virtual void Notification(TComponent* component, TOperation operation);
    // Reads / writes the component's properties and children (the filer calls these).
    virtual void ReadState(TReader& reader);
    virtual void WriteState(TWriter& writer);
    // Raises EComponentError when newName would clash with another owned component.
    virtual void ValidateRename(TComponent* component, const AnsiString& curName, const AnsiString& newName);
    virtual void ValidateInsert(TComponent* component);
    virtual void ValidateContainer(TComponent* component);
    // Reorders a child while reading (child position prefixes in form files).
    virtual void SetChildOrder(TComponent* child, int order);

    void SetStateFlag(TComponentStateItem flag, bool on);

private:
    friend class TReader;
    friend class TWriter;
    friend class TComponentAccess;

    void AddHandler(std::shared_ptr<const THandler> handler);
    void Insert(TComponent* component);
    void Remove(TComponent* component);
    void RemoveNotification(TComponent* component);
    void SendFreeNotifications();
    void ReleaseResources();

    TComponent* FOwner = nullptr;
    AnsiString FName;
    std::intptr_t FTag = 0;
    // Owned components in insertion order; each one's FOwner is this component.
    std::vector<TComponent*> FComponents;
    // Components to notify when this one is freed; the relation is kept in both directions (each
    // one lists this component too), so either side can drop it when it goes.
    std::vector<TComponent*> FFreeNotifies;
    TComponentState FComponentState;
    TComponentStyle FComponentStyle;
    // Handlers by upper-cased name; allocated on first registration (most components have none).
    std::unique_ptr<std::map<AnsiString, std::shared_ptr<const THandler>>> FHandlers;
};

// Creates a component owned by owner (which must not be null): T(owner, args...), then
// AfterConstruction. The owner frees it; the pointer returned is not owning. A null owner raises
// EComponentError; use New<T>(...) for a component without an owner.
template <class T, class... A>
T* Make(TComponent* owner, A&&... args) {
    detail::CheckFactoryClass<T>();
    static_assert(T::IsComponentClass, "Make creates components; use New for other classes");
    if (owner == nullptr) throw EComponentError(SNoOwner, {ClassNameOf(T::StaticClass())});
    T* obj = new T(owner, std::forward<A>(args)...);
    detail::RunAfterConstruction(obj);
    return obj;
}

} // namespace vcl
