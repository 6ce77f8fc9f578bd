// TObject, the root of the framework's classes, with the class-info record behind ClassName and
// InheritsFrom, and the two-step life cycle the framework's classes rely on.
//
// Life cycle. In the framework, a virtual call made from a base class's constructor or destructor
// reaches the most derived class; in C++ it does not. So construction and destruction each get a
// virtual step that runs while the object is whole:
//   - AfterConstruction() runs right after the C++ constructors, through the factories New and
//     Make (Component.h) and the class registry, so a base class can reach overrides there;
//   - Destroy() runs right before the C++ destructors, through Free(). Every class puts its
//     destruction sequence in its Destroy override and calls inherited::Destroy() where the
//     sequence says "inherited" (TComponent's step frees the owned components, sends the free
//     notifications and leaves the owner). Free() checks that the chain reached TObject::Destroy.
// Destructors are protected in every class (New and Make refuse a class whose destructor is
// public), so a plain delete cannot skip the Destroy step; objects are destroyed by Free(),
// FreeAndNil, their owner, or TOwned<T>, the unique_ptr whose deleter calls Free().
// Destroy steps must not raise: Free() is noexcept, as C++ destructors are.
//
// Declaring a class:
//
//     class TMyThing : public vcl::TPersistent {
//         VCL_CLASS(TMyThing, vcl::TPersistent)     // leaves the access at private
//     public:
//         TMyThing();
//     protected:
//         ~TMyThing() override;
//         void Destroy() override;                  // optional: the destruction sequence
//     };
//     // in the .cpp file (TypInfo.h), optionally with published properties:
//     VCL_CLASS_INFO(TMyThing)
//
//     auto thing = vcl::New<TMyThing>();            // TOwned<TMyThing>; Free()d when it goes
#pragma once

#include "platform/vcl/SysTypes.h"

#include <memory>
#include <type_traits>
#include <utility>

namespace vcl {

struct TClassInfo;
// A class reference (the framework's metaclass): the class-info record of a class.
using TClass = const TClassInfo*;

class TObject;

// In the body of every class derived from TObject: its class-info record and the usual
// "inherited" alias. Define the record in one .cpp file with VCL_CLASS_INFO (TypInfo.h).
#define VCL_CLASS(Self, Base)                                                                                \
public:                                                                                                      \
    using inherited = Base;                                                                                  \
    using TThisClass = Self;                                                                                 \
    static ::vcl::TClass StaticClass();                                                                      \
    ::vcl::TClass ClassType() const override {                                                               \
        return StaticClass();                                                                                \
    }                                                                                                        \
                                                                                                             \
private:

class TObject {
public:
    using TThisClass = TObject;
    // False here, true from TComponent on: tells the factories which constructor form to use.
    static constexpr bool IsComponentClass = false;

    static TClass StaticClass();
    // The most derived class of the object.
    virtual TClass ClassType() const;
    AnsiString ClassName() const;
    // The class this object's class derives from (null for TObject).
    TClass ClassParent() const;
    // Whether the object's class is the given class or derives from it.
    bool InheritsFrom(TClass cls) const;
    template <class T>
    bool InheritsFrom() const {
        return InheritsFrom(T::StaticClass());
    }

    // Runs BeforeDestruction, the Destroy step, then the C++ destructors and frees the memory.
    void Free() noexcept;

    // Called once by the factories after the constructors, while the object is whole.
    virtual void AfterConstruction() {}
    // Called by Free() before Destroy.
    virtual void BeforeDestruction() {}

    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;

protected:
    TObject() = default;
    virtual ~TObject();
    // The destruction step (see the file comment). Overrides end with inherited::Destroy().
    virtual void Destroy();

private:
    // Set by TObject::Destroy, so Free() can tell that an override forgot the inherited call.
    bool FDestroyReached = false;
};

// The class's name; "nil" for a null class.
AnsiString ClassNameOf(TClass cls);
// Whether cls is base or derives from it (false when either is null).
bool ClassInheritsFrom(TClass cls, TClass base);

// Deleter that destroys through Free(), for TOwned and other smart pointers.
struct TFreeDeleter {
    void operator()(TObject* obj) const noexcept {
        if (obj) obj->Free();
    }
};

// An object owned by one C++ owner (a local, a member, a container); destroyed through Free().
template <class T>
using TOwned = std::unique_ptr<T, TFreeDeleter>;

// Frees the object (if any) and clears the pointer first, as the framework's FreeAndNil.
template <class T>
void FreeAndNil(T*& obj) noexcept {
    TObject* o = obj;
    obj = nullptr;
    if (o) o->Free();
}

namespace detail {

// Compile-time checks every factory makes (see the file comment).
template <class T>
constexpr void CheckFactoryClass() {
    static_assert(std::is_base_of_v<TObject, T>, "the framework's factories create TObject classes");
    static_assert(std::is_same_v<typename T::TThisClass, T>, "declare VCL_CLASS(T, Base) in the class body");
    static_assert(!std::is_destructible_v<T>,
                  "declare the destructor protected, so that only Free() (and the owner) destroy it");
}

// Runs AfterConstruction; when it raises, the object is freed (Destroy step included) and the
// exception goes on to the caller.
void RunAfterConstruction(TObject* obj);

} // namespace detail

// Creates an object that belongs to the caller. For components the constructor receives a null
// owner in front of the arguments (New<TMySession>() constructs TMySession(nullptr)); components
// with an owner are made with Make (Component.h).
template <class T, class... A>
TOwned<T> New(A&&... args) {
    detail::CheckFactoryClass<T>();
    T* obj;
    if constexpr (T::IsComponentClass) {
        obj = new T(nullptr, std::forward<A>(args)...);
    } else {
        obj = new T(std::forward<A>(args)...);
    }
    detail::RunAfterConstruction(obj);
    return TOwned<T>(obj);
}

} // namespace vcl
