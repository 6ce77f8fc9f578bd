// Events and named handlers.
//
// An event is a std::function typedef (TNotifyEvent, ...); "assigned" means non-empty, and firing
// it is `if (FOnX) FOnX(this);`.
//
// Form files store an event by the name of its handler. The application registers its handlers
// by name on the root component (TComponent::RegisterHandler); when a form is read, each stored
// name is looked up there and the event is set to a function that carries the handler together
// with its name (TBoundHandler). The name therefore travels with the function: when the form is
// written again, HandlerName() recovers it. A handler assigned directly in code (a lambda) has no
// name and is not written to form files.
#pragma once

#include "platform/vcl/SysTypes.h"

#include <functional>
#include <memory>
#include <typeinfo>
#include <utility>

namespace vcl {

class TObject;

// Event types of the framework.
using TNotifyEvent = std::function<void(TObject* Sender)>;

// A handler registered under a name, with its signature erased.
class THandler {
public:
    explicit THandler(AnsiString name) : FName(std::move(name)) {}
    virtual ~THandler();
    THandler(const THandler&) = delete;
    THandler& operator=(const THandler&) = delete;

    const AnsiString& Name() const { return FName; }
    // The function type the handler has (e.g. void(TObject*)); an event accepts the handler
    // only when this is its own function type.
    virtual const std::type_info& Signature() const = 0;
    // False for a placeholder that keeps a name without code (a form read at design time).
    virtual bool HasCode() const = 0;

private:
    AnsiString FName;
};

template <class Sig>
class TTypedHandler final : public THandler {
public:
    TTypedHandler(AnsiString name, std::function<Sig> fn) : THandler(std::move(name)), FFn(std::move(fn)) {}
    const std::type_info& Signature() const override { return typeid(Sig); }
    bool HasCode() const override { return static_cast<bool>(FFn); }
    const std::function<Sig>& Function() const { return FFn; }

private:
    std::function<Sig> FFn;
};

// The callable stored in an event bound by name: calls the handler, and keeps its name. A
// placeholder without code does nothing and returns a value-initialised result.
template <class Sig>
class TBoundHandler;

template <class R, class... A>
class TBoundHandler<R(A...)> {
public:
    explicit TBoundHandler(std::shared_ptr<const TTypedHandler<R(A...)>> handler)
        : FHandler(std::move(handler)) {}
    R operator()(A... args) const {
        const auto& fn = FHandler->Function();
        if (!fn) return R();
        return fn(std::forward<A>(args)...);
    }
    const std::shared_ptr<const TTypedHandler<R(A...)>>& Handler() const { return FHandler; }

private:
    std::shared_ptr<const TTypedHandler<R(A...)>> FHandler;
};

// The function type of an event type (std::function<Sig> -> Sig).
template <class Event>
struct TEventSignature;
template <class Sig>
struct TEventSignature<std::function<Sig>> {
    using Type = Sig;
};

// The handler an event is bound to by name, or null (unassigned, or assigned in code).
template <class Sig>
std::shared_ptr<const THandler> BoundHandler(const std::function<Sig>& event) {
    if (!event) return nullptr;
    const auto* bound = event.template target<TBoundHandler<Sig>>();
    return bound ? bound->Handler() : nullptr;
}

// The name of the handler an event is bound to; empty when unassigned or assigned in code.
template <class Sig>
AnsiString HandlerName(const std::function<Sig>& event) {
    auto h = BoundHandler(event);
    return h ? h->Name() : AnsiString();
}

// An event value bound to a handler; empty when the handler is null or of another signature.
template <class Sig>
std::function<Sig> BindHandler(const std::shared_ptr<const THandler>& handler) {
    if (!handler || handler->Signature() != typeid(Sig)) return {};
    return TBoundHandler<Sig>(std::static_pointer_cast<const TTypedHandler<Sig>>(handler));
}

} // namespace vcl
