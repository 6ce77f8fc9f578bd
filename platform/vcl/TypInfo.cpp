// Property tables: lookup, defaults, and generic access by name.
#include "platform/vcl/TypInfo.h"

#include "platform/vcl/Component.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/VclConsts.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace vcl {

// --- TEnumInfo ----------------------------------------------------------------------------------

TEnumInfo::TEnumInfo(AnsiString typeName, std::string_view names) : FTypeName(std::move(typeName)) {
    std::size_t start = 0;
    while (start <= names.size()) {
        std::size_t comma = names.find(',', start);
        if (comma == std::string_view::npos) comma = names.size();
        AnsiString name = Trim(names.substr(start, comma - start));
        const std::size_t scope = name.rfind("::");
        if (scope != AnsiString::npos) name.erase(0, scope + 2);
        if (!name.empty()) FNames.push_back(std::move(name));
        start = comma + 1;
    }
}

TEnumInfo::TEnumInfo(AnsiString typeName, std::initializer_list<const char*> names)
    : FTypeName(std::move(typeName)) {
    for (const char* n : names)
        FNames.emplace_back(n);
}

AnsiString TEnumInfo::Name(std::int64_t value) const {
    if (value < 0 || value >= static_cast<std::int64_t>(FNames.size())) return AnsiString();
    return FNames[static_cast<std::size_t>(value)];
}

int TEnumInfo::Value(std::string_view name) const {
    for (std::size_t i = 0; i < FNames.size(); ++i)
        if (SameText(FNames[i], name)) return static_cast<int>(i);
    return -1;
}

const TEnumInfo& BooleanEnumInfo() {
    static const TEnumInfo info("Boolean", {"False", "True"});
    return info;
}

// --- TPropInfo ----------------------------------------------------------------------------------

bool TPropInfo::IsReference() const {
    return Kind == TTypeKind::tkClass && ClassInheritsFrom(PropClass, TComponent::StaticClass());
}

bool TPropInfo::IsSubObject() const {
    return Kind == TTypeKind::tkClass && !IsReference();
}

bool TPropInfo::IsBoolean() const {
    return EnumType == &BooleanEnumInfo();
}

bool TPropInfo::IsWritable() const {
    switch (Kind) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkInt64:
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkSet:
        return static_cast<bool>(SetOrd);
    case TTypeKind::tkFloat:
        return static_cast<bool>(SetFloat);
    case TTypeKind::tkString:
        return static_cast<bool>(SetStr);
    case TTypeKind::tkClass:
        return static_cast<bool>(SetObj);
    case TTypeKind::tkMethod:
        return static_cast<bool>(SetHandler);
    default:
        return false;
    }
}

// --- Lookup -------------------------------------------------------------------------------------

const TPropInfo* GetPropInfo(TClass cls, std::string_view name) {
    for (; cls != nullptr; cls = cls->Parent)
        for (const TPropInfo& p : cls->Properties)
            if (SameText(p.Name, name)) return &p;
    return nullptr;
}

const TPropInfo* GetPropInfo(const TObject* obj, std::string_view name) {
    return obj ? GetPropInfo(obj->ClassType(), name) : nullptr;
}

std::vector<const TPropInfo*> GetPropList(TClass cls) {
    std::vector<TClass> chain;
    for (; cls != nullptr; cls = cls->Parent)
        chain.push_back(cls);
    std::vector<const TPropInfo*> list;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        for (const TPropInfo& p : (*it)->Properties) {
            auto same = std::find_if(list.begin(), list.end(),
                                     [&](const TPropInfo* q) { return SameText(q->Name, p.Name); });
            if (same != list.end()) {
                *same = &p; // published again by a descendant: its declaration wins
            } else {
                list.push_back(&p);
            }
        }
    }
    return list;
}

bool IsStoredProp(TObject* obj, const TPropInfo& prop) {
    if (prop.StoredFn) return prop.StoredFn(obj);
    return prop.StoredConst;
}

bool IsDefaultPropValue(TObject* obj, const TPropInfo& prop) {
    switch (prop.Kind) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkInt64:
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkSet:
        return prop.Default.has_value() && prop.GetOrd && prop.GetOrd(obj) == *prop.Default;
    case TTypeKind::tkFloat:
        return prop.GetFloat && prop.GetFloat(obj) == 0;
    case TTypeKind::tkString:
        return prop.GetStr && prop.GetStr(obj).empty();
    case TTypeKind::tkClass:
        return prop.IsReference() && prop.GetObj && prop.GetObj(obj) == nullptr;
    case TTypeKind::tkMethod:
        return prop.IsAssigned && !prop.IsAssigned(obj);
    default:
        return false;
    }
}

namespace {

struct TIntegerConsts {
    std::mutex Lock;
    std::map<AnsiString, std::vector<TIdentMapEntry>> ByType; // by upper-cased type name
};

TIntegerConsts& IntegerConsts() {
    static TIntegerConsts* const consts = new TIntegerConsts; // lives until the process ends
    return *consts;
}

} // namespace

void RegisterIntegerConsts(std::string_view typeName, std::initializer_list<TIdentMapEntry> names) {
    std::lock_guard lock(IntegerConsts().Lock);
    IntegerConsts().ByType[UpperCase(typeName)] = std::vector<TIdentMapEntry>(names);
}

bool IdentToInt(std::string_view typeName, std::string_view ident, std::int32_t& value) {
    std::lock_guard lock(IntegerConsts().Lock);
    auto it = IntegerConsts().ByType.find(UpperCase(typeName));
    if (it == IntegerConsts().ByType.end()) return false;
    for (const TIdentMapEntry& e : it->second) {
        if (SameText(e.Name, ident)) {
            value = e.Value;
            return true;
        }
    }
    return false;
}

bool IntToIdent(std::string_view typeName, std::int32_t value, AnsiString& ident) {
    std::lock_guard lock(IntegerConsts().Lock);
    auto it = IntegerConsts().ByType.find(UpperCase(typeName));
    if (it == IntegerConsts().ByType.end()) return false;
    for (const TIdentMapEntry& e : it->second) {
        if (e.Value == value) {
            ident = e.Name;
            return true;
        }
    }
    return false;
}

std::vector<TIdentMapEntry> GetIntegerConsts(std::string_view typeName) {
    std::lock_guard lock(IntegerConsts().Lock);
    auto it = IntegerConsts().ByType.find(UpperCase(typeName));
    return it == IntegerConsts().ByType.end() ? std::vector<TIdentMapEntry>() : it->second;
}

AnsiString SetToString(const TEnumInfo& elements, std::uint64_t bits, bool brackets) {
    AnsiString text;
    for (int i = 0; i < elements.Count() && i < 64; ++i) {
        if (!(bits & (std::uint64_t{1} << i))) continue;
        if (!text.empty()) text += ',';
        text += elements.Name(i);
    }
    return brackets ? "[" + text + "]" : text;
}

std::uint64_t StringToSet(const TEnumInfo& elements, std::string_view text) {
    AnsiString body = Trim(text);
    if (!body.empty() && body.front() == '[') {
        if (body.back() != ']') throw EPropertyError(SInvalidPropertyValue);
        body = body.substr(1, body.size() - 2);
    }
    std::uint64_t bits = 0;
    std::size_t start = 0;
    while (start <= body.size()) {
        std::size_t comma = body.find(',', start);
        if (comma == AnsiString::npos) comma = body.size();
        const AnsiString name = Trim(std::string_view(body).substr(start, comma - start));
        if (!name.empty()) {
            const int v = elements.Value(name);
            if (v < 0 || v >= 64) throw EPropertyError(SInvalidPropertyValue);
            bits |= std::uint64_t{1} << v;
        }
        start = comma + 1;
    }
    return bits;
}

// --- Generic access -----------------------------------------------------------------------------

namespace {

const TPropInfo& FindProp(TObject* obj, std::string_view name) {
    const TPropInfo* prop = GetPropInfo(obj, name);
    if (prop == nullptr) throw EPropertyError(SPropertyDoesNotExist, {name});
    return *prop;
}

} // namespace

Variant GetPropValue(TObject* obj, std::string_view name) {
    const TPropInfo& prop = FindProp(obj, name);
    switch (prop.Kind) {
    case TTypeKind::tkInteger:
        return static_cast<std::int32_t>(prop.GetOrd(obj));
    case TTypeKind::tkInt64:
        return prop.GetOrd(obj);
    case TTypeKind::tkEnumeration:
        if (prop.IsBoolean()) return prop.GetOrd(obj) != 0;
        return Variant(prop.EnumType->Name(prop.GetOrd(obj)));
    case TTypeKind::tkSet:
        return Variant(SetToString(*prop.EnumType, static_cast<std::uint64_t>(prop.GetOrd(obj))));
    case TTypeKind::tkFloat:
        switch (prop.FloatType) {
        case TFloatType::ftCurr:
            return Currency::FromScaled(prop.GetOrd(obj));
        case TFloatType::ftDateTime:
            return TDateTime(prop.GetFloat(obj));
        default:
            return prop.GetFloat(obj);
        }
    case TTypeKind::tkString:
        return Variant(prop.GetStr(obj));
    case TTypeKind::tkMethod: {
        auto handler = prop.GetHandler(obj);
        return Variant(handler ? handler->Name() : AnsiString());
    }
    default:
        throw EPropertyError(SInvalidPropertyValue);
    }
}

void SetPropValue(TObject* obj, std::string_view name, const Variant& value) {
    const TPropInfo& prop = FindProp(obj, name);
    if (!prop.IsWritable()) throw EPropertyError(SReadOnlyProperty);
    switch (prop.Kind) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkInt64: {
        const std::int64_t v = value.AsInt64();
        if (v < prop.MinValue || v > prop.MaxValue) throw EPropertyError(SInvalidPropertyValue);
        prop.SetOrd(obj, v);
        return;
    }
    case TTypeKind::tkEnumeration: {
        std::int64_t v;
        if (prop.IsBoolean()) {
            v = value.AsBoolean() ? 1 : 0;
        } else if (value.IsText()) {
            v = prop.EnumType->Value(value.TextRef());
        } else {
            v = value.AsInt64();
        }
        if (v < 0 || v > prop.MaxValue) throw EPropertyError(SInvalidPropertyValue);
        prop.SetOrd(obj, v);
        return;
    }
    case TTypeKind::tkSet:
        prop.SetOrd(obj, static_cast<std::int64_t>(StringToSet(*prop.EnumType, value.AsString())));
        return;
    case TTypeKind::tkFloat:
        if (prop.FloatType == TFloatType::ftCurr && prop.SetOrd) {
            prop.SetOrd(obj, value.AsCurrency().Scaled);
        } else {
            prop.SetFloat(obj, value.AsDouble());
        }
        return;
    case TTypeKind::tkString:
        prop.SetStr(obj, value.AsString());
        return;
    default:
        throw EPropertyError(SInvalidPropertyValue);
    }
}

namespace detail {

AnsiString StripQualification(const char* name) {
    std::string_view n(name);
    const std::size_t scope = n.rfind("::");
    if (scope != std::string_view::npos) n.remove_prefix(scope + 2);
    return AnsiString(n);
}

void RaiseHandlerMismatch(const AnsiString& handler, const AnsiString& prop) {
    throw EPropertyError(SHandlerMismatch, {handler, prop});
}

} // namespace detail

} // namespace vcl
