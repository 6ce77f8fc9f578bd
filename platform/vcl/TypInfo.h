// Class-info records and published properties: what the form reader and writer (and later the
// designer) know about a class at run time.
//
// Every class has one TClassInfo: its name, its parent class, how to create it by name (concrete
// components only), and the properties and events it publishes. Lookups walk the class chain, so
// a class sees the properties of its ancestors; a class that publishes a property again under the
// same name (to give it another default) replaces the ancestor's entry in place.
//
// Declaring published properties, in the .cpp file of the class:
//
//     VCL_ENUM_NAMES(TAsaServerType, stClient, stServer, stWorkgroup)   // next to the enum
//
//     VCL_CLASS_INFO(TMySession, [](vcl::TPublisher<TMySession>& p) {
//         p.Property("Connected", &TMySession::GetConnected, &TMySession::SetConnected);   // always stored
//         p.Property("OEMConvert", &TMySession::GetOEMConvert, &TMySession::SetOEMConvert).Default(false);
//         p.Property("ServerType", &TMySession::GetServerType, &TMySession::SetServerType);
//         p.Property("LibraryFile", &TMySession::GetLibraryFile, &TMySession::SetLibraryFile);
//         p.Property("AfterConnect", &TMySession::FAfterConnect);          // event field
//         p.Property("SQL", &TMyQuery::GetSQL);                            // persistent sub-object
//     })
//
// The kind of a property follows from the getter's type:
//   integers (up to 32 bits)   tkInteger       64-bit or unsigned 32-bit integers  tkInt64
//   bool                       tkEnumeration (type "Boolean", names False/True)
//   enumerations               tkEnumeration (names from VCL_ENUM_NAMES)
//   vcl::Set<E>                tkSet           float, double, TDateTime, Currency  tkFloat
//   AnsiString                 tkString        std::function<...>                  tkMethod (event)
//   pointer to a TComponent    tkClass, a reference to another component, stored by name
//   pointer to another TPersistent  tkClass, a sub-object owned by the instance; its properties
//                              are stored under "Name.Sub" (no setter needed)
// Getters and setters are member functions or a data member (one argument for both).
//
// When a property is written to a form file (TWriter):
//   - never when its stored predicate says no (Stored(false) or a member function);
//   - with an ancestor, only when its value differs from the ancestor's;
//   - otherwise: integers, enumerations, booleans and sets only when they differ from the declared
//     Default (without a Default they are always written); floats when not 0; strings when not
//     empty; references when not nil; events when bound to a named handler; sub-objects write
//     whatever of their own properties is stored.
#pragma once

#include "platform/vcl/Events.h"
#include "platform/vcl/Object.h"
#include "platform/vcl/Set.h"
#include "platform/vcl/SysTypes.h"
#include "platform/vcl/Variant.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <vector>

namespace vcl {

class TComponent;
class TPersistent;

enum class TTypeKind : std::uint8_t {
    tkUnknown,
    tkInteger,
    tkEnumeration,
    tkFloat,
    tkString,
    tkSet,
    tkClass,
    tkMethod,
    tkInt64,
};

// How a tkFloat property is held and written: ftDouble as the 10-byte extended value, ftSingle
// as a single, ftCurr as fixed-point currency, ftDateTime as a date.
enum class TFloatType : std::uint8_t { ftDouble, ftSingle, ftCurr, ftDateTime };

// The names of an enumeration's values, in ordinal order.
class TEnumInfo {
public:
    // names: the enumerators as written in the source, separated by commas ("stClient, stServer");
    // qualifications ("TFoo::a") are dropped.
    TEnumInfo(AnsiString typeName, std::string_view names);
    TEnumInfo(AnsiString typeName, std::initializer_list<const char*> names);

    const AnsiString& TypeName() const { return FTypeName; }
    int Count() const { return static_cast<int>(FNames.size()); }
    // The name of a value; empty when out of range.
    AnsiString Name(std::int64_t value) const;
    // The value of a name (letter case ignored); -1 when unknown.
    int Value(std::string_view name) const;

private:
    AnsiString FTypeName;
    std::vector<AnsiString> FNames;
};

// The Boolean type's names.
const TEnumInfo& BooleanEnumInfo();

// Declares the names of an enumeration whose values run 0, 1, 2, ... in the listed order, next to
// the enumeration (same namespace): VCL_ENUM_NAMES(TAsaServerType, stClient, stServer, stWorkgroup).
#define VCL_ENUM_NAMES(E, ...)                                                                               \
    [[maybe_unused]] inline const ::vcl::TEnumInfo& EnumTypeInfo(E) {                                        \
        static const ::vcl::TEnumInfo info(#E, #__VA_ARGS__);                                                \
        return info;                                                                                         \
    }                                                                                                        \
    static_assert(::vcl::detail::EnumValuesAreOrdinals<E>({__VA_ARGS__}),                                    \
                  "list the enumerators in order, starting at 0")

// One published property or event of a class.
struct TPropInfo {
    AnsiString Name;
    TTypeKind Kind = TTypeKind::tkUnknown;
    // "Integer", "Int64", "Boolean", "Double", "Single", "Currency", "TDateTime", "AnsiString",
    // the enumeration's or class's name, "set of <enumeration>", "TNotifyEvent", ...
    AnsiString TypeName;
    // Enumerations, booleans and sets: the names of the values (of the elements for sets).
    const TEnumInfo* EnumType = nullptr;
    TFloatType FloatType = TFloatType::ftDouble;
    // tkClass: the declared class; a TComponent class makes a reference, any other a sub-object.
    TClass PropClass = nullptr;
    // tkMethod: the handler's function type.
    const std::type_info* EventSignature = nullptr;
    // Ordinals: the range of the holding type, for values read from files.
    std::int64_t MinValue = 0;
    std::int64_t MaxValue = 0;
    // Ordinals: the declared default; none means the value is always written.
    std::optional<std::int64_t> Default;
    // Empty: stored. Otherwise asked before writing.
    std::function<bool(TObject*)> StoredFn;
    bool StoredConst = true;

    // Accessors; the ones of the property's kind are set, a missing setter means read-only.
    // (Currency floats also have GetOrd/SetOrd, with the value x 10,000.)
    std::function<std::int64_t(TObject*)> GetOrd;
    std::function<void(TObject*, std::int64_t)> SetOrd;
    std::function<double(TObject*)> GetFloat;
    std::function<void(TObject*, double)> SetFloat;
    std::function<AnsiString(TObject*)> GetStr;
    std::function<void(TObject*, const AnsiString&)> SetStr;
    std::function<TObject*(TObject*)> GetObj;
    std::function<void(TObject*, TObject*)> SetObj;
    // Events: the handler bound by name (null when unassigned or assigned in code), whether the
    // event is assigned at all, and the setter (null clears; raises EPropertyError for a handler
    // of another signature).
    std::function<std::shared_ptr<const THandler>(TObject*)> GetHandler;
    std::function<bool(TObject*)> IsAssigned;
    std::function<void(TObject*, std::shared_ptr<const THandler>)> SetHandler;
    // Events: a handler of the event's type that keeps a name without code (for forms read in
    // the designer, where the application's handlers are not registered).
    std::function<std::shared_ptr<const THandler>(const AnsiString& name)> MakePlaceholder;

    bool IsReference() const; // tkClass holding a TComponent reference
    bool IsSubObject() const; // tkClass holding an owned TPersistent
    bool IsOrdinal() const {
        return Kind == TTypeKind::tkInteger || Kind == TTypeKind::tkInt64 ||
               Kind == TTypeKind::tkEnumeration || Kind == TTypeKind::tkSet;
    }
    bool IsBoolean() const;
    bool IsWritable() const;
};

// The class-info record (TClass points to one). Built once per class by VCL_CLASS_INFO.
struct TClassInfo {
    AnsiString Name;
    TClass Parent = nullptr;
    // Concrete component classes: creates an instance with the owner (constructor, then
    // AfterConstruction). Null for other classes.
    TComponent* (*Create)(TComponent* owner) = nullptr;
    // The properties this class publishes itself, in declaration order.
    std::vector<TPropInfo> Properties;
};

// --- Lookup -----------------------------------------------------------------------------------

// The property of that name (letter case ignored) of the class or an ancestor; null if none.
const TPropInfo* GetPropInfo(TClass cls, std::string_view name);
const TPropInfo* GetPropInfo(const TObject* obj, std::string_view name);
// Every published property of the class, ancestors' first, in declaration order.
std::vector<const TPropInfo*> GetPropList(TClass cls);

// Whether the writer stores the property of this instance (its stored predicate).
bool IsStoredProp(TObject* obj, const TPropInfo& prop);
// Whether the value equals the declared default (see the file comment); sub-objects are never
// "default" here, their own properties decide.
bool IsDefaultPropValue(TObject* obj, const TPropInfo& prop);

// Sets as text: "[a,b]" with the element names; raises EPropertyError for an unknown name.
AnsiString SetToString(const TEnumInfo& elements, std::uint64_t bits, bool brackets = true);
std::uint64_t StringToSet(const TEnumInfo& elements, std::string_view text);

// Generic access by name (for tools and tests): integers as integers, enumerations as their
// names (text), booleans as booleans, sets as "[a,b]", floats as doubles (currency and dates as
// such), strings as text, events as the handler's name. Unknown names raise EPropertyError
// "Property X does not exist"; read-only properties raise "Property is read-only"; values that do
// not fit raise "Invalid property value".
Variant GetPropValue(TObject* obj, std::string_view name);
void SetPropValue(TObject* obj, std::string_view name, const Variant& value);

// --- Named integer constants ------------------------------------------------------------------
// Some integer types have names for their usual values (colours: clNavy; cursors: crHandPoint).
// A property of such a type (its TypeName, see TPropHandle::TypeName) is written to form files by
// name when its value has one, and read back from a name or a number. Registering a type again
// replaces its names; lookups ignore ASCII letter case. Safe from several threads.
struct TIdentMapEntry {
    std::int32_t Value;
    const char* Name;
};
void RegisterIntegerConsts(std::string_view typeName, std::initializer_list<TIdentMapEntry> names);
bool IdentToInt(std::string_view typeName, std::string_view ident, std::int32_t& value);
bool IntToIdent(std::string_view typeName, std::int32_t value, AnsiString& ident);
// The names of a type, in registration order (empty when it has none).
std::vector<TIdentMapEntry> GetIntegerConsts(std::string_view typeName);

// --- Declaring --------------------------------------------------------------------------------

namespace detail {

template <class E>
constexpr bool EnumValuesAreOrdinals(std::initializer_list<E> values) {
    long long i = 0;
    for (E v : values)
        if (static_cast<long long>(v) != i++) return false;
    return true;
}

template <class V>
struct IsSet : std::false_type {};
template <class E, unsigned N>
struct IsSet<Set<E, N>> : std::true_type {
    using Element = E;
};

template <class V>
struct IsStdFunction : std::false_type {};
template <class Sig>
struct IsStdFunction<std::function<Sig>> : std::true_type {};

AnsiString StripQualification(const char* name);
[[noreturn]] void RaiseHandlerMismatch(const AnsiString& handler, const AnsiString& prop);

template <class T, class G>
decltype(auto) InvokeGetter(const G& get, TObject* obj) {
    return std::invoke(get, static_cast<T*>(obj));
}

template <class T, class S, class V>
void InvokeSetter(const S& set, TObject* obj, V&& value) {
    if constexpr (std::is_member_object_pointer_v<S>) {
        static_cast<T*>(obj)->*set = std::forward<V>(value);
    } else {
        std::invoke(set, static_cast<T*>(obj), std::forward<V>(value));
    }
}

template <class T>
TComponent* CreateComponent(TComponent* owner) {
    T* obj = new T(owner);
    RunAfterConstruction(obj);
    return obj;
}

} // namespace detail

// Fills a class's property table; given to the function in VCL_CLASS_INFO.
template <class T>
class TPublisher {
public:
    explicit TPublisher(TClassInfo& info) : FInfo(info) {}

    // Modifiers of the property just declared.
    class TPropHandle {
    public:
        TPropHandle(TClassInfo& info, std::size_t index) : FInfo(info), FIndex(index) {}
        // Ordinals: the declared default (an integer, bool, enumerator or Set).
        template <class V>
        TPropHandle& Default(const V& value) {
            Prop().Default = ToOrd(value);
            return *this;
        }
        TPropHandle& NoDefault() {
            Prop().Default.reset();
            return *this;
        }
        TPropHandle& Stored(bool stored) {
            Prop().StoredFn = nullptr;
            Prop().StoredConst = stored;
            return *this;
        }
        // A member function (or any callable on T*) deciding whether the value is written.
        template <class F>
        requires(!std::is_same_v<F, bool>) TPropHandle& Stored(F fn) {
            Prop().StoredFn = [fn](TObject* obj) -> bool { return std::invoke(fn, static_cast<T*>(obj)); };
            return *this;
        }
        TPropHandle& TypeName(AnsiString name) {
            Prop().TypeName = std::move(name);
            return *this;
        }
        TPropInfo& Prop() { return FInfo.Properties[FIndex]; }

    private:
        TClassInfo& FInfo;
        std::size_t FIndex;
    };

    // A property with a getter and a setter (member functions or data members).
    template <class G, class S>
    TPropHandle Property(const char* name, G get, S set) {
        using V = std::remove_cvref_t<std::invoke_result_t<const G&, T*>>;
        TPropInfo prop;
        prop.Name = name;
        Describe<V>(prop, get);
        if constexpr (!std::is_null_pointer_v<S>) AddSetter<V>(prop, set);
        FInfo.Properties.push_back(std::move(prop));
        return TPropHandle(FInfo, FInfo.Properties.size() - 1);
    }
    // A data member serving as both getter and setter, or a getter alone (read-only; sub-objects).
    template <class G>
    TPropHandle Property(const char* name, G get) {
        if constexpr (std::is_member_object_pointer_v<G>) {
            return Property(name, get, get);
        } else {
            return Property(name, get, nullptr);
        }
    }

private:
    template <class V>
    static std::int64_t ToOrd(const V& v) {
        if constexpr (detail::IsSet<V>::value) {
            return static_cast<std::int64_t>(v.Bits());
        } else {
            return static_cast<std::int64_t>(v);
        }
    }
    template <class V>
    static V FromOrd(std::int64_t x) {
        if constexpr (detail::IsSet<V>::value) {
            return V::FromBits(static_cast<typename V::Storage>(x));
        } else if constexpr (std::is_same_v<V, bool>) {
            return x != 0;
        } else {
            return static_cast<V>(x);
        }
    }

    template <class V, class G>
    void Describe(TPropInfo& prop, const G& get) {
        if constexpr (std::is_same_v<V, bool> || std::is_integral_v<V> || std::is_enum_v<V> ||
                      detail::IsSet<V>::value) {
            if constexpr (std::is_same_v<V, bool>) {
                prop.Kind = TTypeKind::tkEnumeration;
                prop.EnumType = &BooleanEnumInfo();
                prop.TypeName = "Boolean";
                prop.MinValue = 0;
                prop.MaxValue = 1;
            } else if constexpr (std::is_enum_v<V>) {
                prop.Kind = TTypeKind::tkEnumeration;
                prop.EnumType = &EnumTypeInfo(V{});
                prop.TypeName = prop.EnumType->TypeName();
                prop.MinValue = 0;
                prop.MaxValue = prop.EnumType->Count() - 1;
            } else if constexpr (detail::IsSet<V>::value) {
                using E = typename detail::IsSet<V>::Element;
                prop.Kind = TTypeKind::tkSet;
                prop.EnumType = &EnumTypeInfo(E{});
                prop.TypeName = "set of " + prop.EnumType->TypeName();
                prop.MinValue = 0;
                const int count = prop.EnumType->Count();
                prop.MaxValue = count >= 63 ? std::numeric_limits<std::int64_t>::max()
                                            : static_cast<std::int64_t>((std::uint64_t{1} << count) - 1);
            } else {
                static_assert(!std::is_same_v<V, char>, "char properties are not supported");
                static_assert(sizeof(V) < 8 || std::is_signed_v<V>,
                              "unsigned 64-bit properties are not supported");
                constexpr bool wide = sizeof(V) > 4 || (sizeof(V) == 4 && std::is_unsigned_v<V>);
                prop.Kind = wide ? TTypeKind::tkInt64 : TTypeKind::tkInteger;
                prop.TypeName = wide ? "Int64" : "Integer";
                prop.MinValue = static_cast<std::int64_t>(std::numeric_limits<V>::min());
                prop.MaxValue = static_cast<std::int64_t>(std::numeric_limits<V>::max());
            }
            prop.GetOrd = [get](TObject* obj) { return ToOrd<V>(detail::InvokeGetter<T>(get, obj)); };
        } else if constexpr (std::is_floating_point_v<V> || std::is_same_v<V, TDateTime> ||
                             std::is_same_v<V, Currency>) {
            prop.Kind = TTypeKind::tkFloat;
            if constexpr (std::is_same_v<V, float>) {
                prop.FloatType = TFloatType::ftSingle;
                prop.TypeName = "Single";
                prop.GetFloat = [get](TObject* obj) {
                    return static_cast<double>(detail::InvokeGetter<T>(get, obj));
                };
            } else if constexpr (std::is_same_v<V, TDateTime>) {
                prop.FloatType = TFloatType::ftDateTime;
                prop.TypeName = "TDateTime";
                prop.GetFloat = [get](TObject* obj) { return detail::InvokeGetter<T>(get, obj).Value; };
            } else if constexpr (std::is_same_v<V, Currency>) {
                prop.FloatType = TFloatType::ftCurr;
                prop.TypeName = "Currency";
                prop.GetFloat = [get](TObject* obj) { return detail::InvokeGetter<T>(get, obj).ToDouble(); };
                // The exact value (x 10,000), which the filer uses so that no digit is lost.
                prop.GetOrd = [get](TObject* obj) { return detail::InvokeGetter<T>(get, obj).Scaled; };
            } else {
                prop.FloatType = TFloatType::ftDouble;
                prop.TypeName = "Double";
                prop.GetFloat = [get](TObject* obj) {
                    return static_cast<double>(detail::InvokeGetter<T>(get, obj));
                };
            }
        } else if constexpr (std::is_same_v<V, AnsiString>) {
            prop.Kind = TTypeKind::tkString;
            prop.TypeName = "AnsiString";
            prop.GetStr = [get](TObject* obj) { return AnsiString(detail::InvokeGetter<T>(get, obj)); };
        } else if constexpr (std::is_pointer_v<V> &&
                             std::is_base_of_v<TObject, std::remove_cv_t<std::remove_pointer_t<V>>>) {
            using C = std::remove_cv_t<std::remove_pointer_t<V>>;
            prop.Kind = TTypeKind::tkClass;
            prop.PropClass = C::StaticClass();
            prop.TypeName = ClassNameOf(prop.PropClass);
            prop.GetObj = [get](TObject* obj) -> TObject* {
                return const_cast<C*>(detail::InvokeGetter<T>(get, obj));
            };
        } else if constexpr (detail::IsStdFunction<V>::value) {
            using Sig = typename TEventSignature<V>::Type;
            prop.Kind = TTypeKind::tkMethod;
            prop.EventSignature = &typeid(Sig);
            prop.TypeName = std::is_same_v<Sig, void(TObject*)> ? "TNotifyEvent" : "TMethod";
            prop.GetHandler = [get](TObject* obj) {
                return BoundHandler<Sig>(detail::InvokeGetter<T>(get, obj));
            };
            prop.IsAssigned = [get](TObject* obj) {
                return static_cast<bool>(detail::InvokeGetter<T>(get, obj));
            };
            prop.MakePlaceholder = [](const AnsiString& handlerName) -> std::shared_ptr<const THandler> {
                return std::make_shared<const TTypedHandler<Sig>>(handlerName, std::function<Sig>());
            };
        } else {
            static_assert(sizeof(V) == 0, "this type cannot be published");
        }
    }

    template <class V, class S>
    void AddSetter(TPropInfo& prop, const S& set) {
        if constexpr (std::is_same_v<V, bool> || std::is_integral_v<V> || std::is_enum_v<V> ||
                      detail::IsSet<V>::value) {
            prop.SetOrd = [set](TObject* obj, std::int64_t x) {
                detail::InvokeSetter<T>(set, obj, FromOrd<V>(x));
            };
        } else if constexpr (std::is_same_v<V, Currency>) {
            prop.SetFloat = [set](TObject* obj, double x) {
                detail::InvokeSetter<T>(set, obj, Currency::FromDouble(x));
            };
            prop.SetOrd = [set](TObject* obj, std::int64_t scaled) {
                detail::InvokeSetter<T>(set, obj, Currency::FromScaled(scaled));
            };
        } else if constexpr (std::is_floating_point_v<V> || std::is_same_v<V, TDateTime>) {
            prop.SetFloat = [set](TObject* obj, double x) {
                detail::InvokeSetter<T>(set, obj, V(static_cast<double>(x)));
            };
        } else if constexpr (std::is_same_v<V, AnsiString>) {
            prop.SetStr = [set](TObject* obj, const AnsiString& s) { detail::InvokeSetter<T>(set, obj, s); };
        } else if constexpr (std::is_pointer_v<V>) {
            using C = std::remove_cv_t<std::remove_pointer_t<V>>;
            prop.SetObj = [set](TObject* obj, TObject* value) {
                detail::InvokeSetter<T>(set, obj, static_cast<V>(dynamic_cast<C*>(value)));
            };
        } else if constexpr (detail::IsStdFunction<V>::value) {
            using Sig = typename TEventSignature<V>::Type;
            AnsiString name = prop.Name;
            prop.SetHandler = [set, name](TObject* obj, std::shared_ptr<const THandler> handler) {
                if (!handler) {
                    detail::InvokeSetter<T>(set, obj, V());
                    return;
                }
                if (handler->Signature() != typeid(Sig)) detail::RaiseHandlerMismatch(handler->Name(), name);
                detail::InvokeSetter<T>(set, obj, V(BindHandler<Sig>(handler)));
            };
        }
    }

    TClassInfo& FInfo;
};

namespace detail {

template <class T, class F = std::nullptr_t>
TClassInfo BuildClassInfo(const char* name, F publish = nullptr) {
    CheckFactoryClass<T>();
    TClassInfo info;
    info.Name = StripQualification(name);
    info.Parent = T::inherited::StaticClass();
    if constexpr (T::IsComponentClass && !std::is_abstract_v<T> &&
                  requires { new T(static_cast<TComponent*>(nullptr)); }) {
        info.Create = &CreateComponent<T>;
    }
    if constexpr (!std::is_null_pointer_v<F>) {
        TPublisher<T> publisher(info);
        publish(publisher);
    }
    return info;
}

} // namespace detail

// Defines the class-info record of a class declared with VCL_CLASS, optionally with a function
// that publishes its properties (see the file comment). Use it once, in the class's .cpp file.
// The record is never destroyed, so that objects freed late in the process's exit (the
// application's forms) can still tell their class.
#define VCL_CLASS_INFO(Self, ...)                                                                            \
    ::vcl::TClass Self::StaticClass() {                                                                      \
        static const ::vcl::TClassInfo* const info =                                                         \
            new ::vcl::TClassInfo(::vcl::detail::BuildClassInfo<Self>(#Self __VA_OPT__(, ) __VA_ARGS__));    \
        return info;                                                                                         \
    }

} // namespace vcl
