// TReader: binary form data to components; reference fixups and the global-root lookup.
#include "platform/vcl/Reader.h"

#include "platform/vcl/ClassRegistry.h"
#include "platform/vcl/Component.h"
#include "platform/vcl/MemoryStream.h"
#include "platform/vcl/Stream.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclConsts.h"
#include "platform/win/CodePage.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <map>
#include <mutex>
#include <set>

namespace vcl {

VCL_CLASS_INFO(TReader)

// Access to TComponent's protected state for the reader's free functions.
class TComponentAccess {
public:
    static void ClearFixupsFlag(TComponent* c) { c->SetStateFlag(csFixups, false); }
    static void SetFixupsFlag(TComponent* c) { c->SetStateFlag(csFixups, true); }
};

// --- Global roots and waiting references --------------------------------------------------------

namespace {

struct TGlobalFixup {
    TComponent* Component;
    TPersistent* Instance;
    const TPropInfo* Prop;
    AnsiString Name;
};

struct TGlobals {
    std::mutex Lock;
    std::vector<TGlobalFixup> Fixups;
    std::map<int, TFindGlobalComponent> FindProcs;
    int NextId = 1;
};

TGlobals& Globals() {
    static TGlobals* const globals = new TGlobals; // lives until the process ends
    return *globals;
}

std::vector<std::string_view> SplitName(std::string_view name) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = name.find('.', start);
        parts.push_back(
            name.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return parts;
}

TComponent* WalkNames(TComponent* from, const std::vector<std::string_view>& parts, std::size_t first) {
    for (std::size_t i = first; from != nullptr && i < parts.size(); ++i)
        from = from->FindComponent(parts[i]);
    return from;
}

// A reference as written by TWriter: "Owner" (the lookup root), a path of names below the lookup
// root, or a path starting with the name of another root.
TComponent* ResolveReference(TComponent* lookupRoot, std::string_view name) {
    const auto parts = SplitName(name);
    if (lookupRoot != nullptr) {
        if (TComponent* c = WalkNames(lookupRoot, parts, 0)) return c;
        if (parts.size() == 1 && SameText(name, "Owner")) return lookupRoot;
    }
    if (parts.size() >= 2) {
        if (TComponent* root = FindGlobalComponent(parts[0])) return WalkNames(root, parts, 1);
    }
    return nullptr;
}

bool FitsProperty(TComponent* target, const TPropInfo* prop) {
    return ClassInheritsFrom(target->ClassType(), prop->PropClass);
}

} // namespace

TComponent* FindGlobalComponent(std::string_view name) {
    std::vector<TFindGlobalComponent> procs;
    {
        std::lock_guard lock(Globals().Lock);
        for (const auto& [id, proc] : Globals().FindProcs)
            procs.push_back(proc);
    }
    for (const auto& proc : procs)
        if (TComponent* c = proc(name)) return c;
    return nullptr;
}

int RegisterFindGlobalComponentProc(TFindGlobalComponent proc) {
    std::lock_guard lock(Globals().Lock);
    const int id = Globals().NextId++;
    Globals().FindProcs[id] = std::move(proc);
    return id;
}

void UnRegisterFindGlobalComponentProc(int id) {
    std::lock_guard lock(Globals().Lock);
    Globals().FindProcs.erase(id);
}

bool GlobalFixupReferences() {
    std::vector<TGlobalFixup> pending;
    {
        std::lock_guard lock(Globals().Lock);
        pending.swap(Globals().Fixups);
    }
    std::vector<TGlobalFixup> left;
    std::set<TComponent*> touched;
    for (auto& f : pending) {
        touched.insert(f.Component);
        TComponent* target = ResolveReference(nullptr, f.Name);
        if (target == nullptr || !FitsProperty(target, f.Prop)) {
            left.push_back(f);
            continue;
        }
        try {
            f.Prop->SetObj(f.Instance, target);
        } catch (...) {
            // A setter that refuses the component leaves the reference unset; there is no reader
            // left to report to.
        }
    }
    std::lock_guard lock(Globals().Lock);
    auto& fixups = Globals().Fixups;
    fixups.insert(fixups.end(), left.begin(), left.end());
    for (TComponent* c : touched) {
        const bool waiting = std::any_of(fixups.begin(), fixups.end(),
                                         [c](const TGlobalFixup& f) { return f.Component == c; });
        if (!waiting) TComponentAccess::ClearFixupsFlag(c);
    }
    return fixups.empty();
}

void RemoveFixupReferences(TComponent* component) {
    std::lock_guard lock(Globals().Lock);
    auto& fixups = Globals().Fixups;
    fixups.erase(std::remove_if(fixups.begin(), fixups.end(),
                                [component](const TGlobalFixup& f) { return f.Component == component; }),
                 fixups.end());
}

// --- TReader ----------------------------------------------------------------------------------

class TReader::TDepthGuard {
public:
    explicit TDepthGuard(TReader& reader) : FReader(reader) {
        if (++FReader.FDepth > MaxFilerNesting) {
            --FReader.FDepth;
            throw EReadError(SNestingTooDeep, {MaxFilerNesting});
        }
    }
    ~TDepthGuard() { --FReader.FDepth; }
    TDepthGuard(const TDepthGuard&) = delete;
    TDepthGuard& operator=(const TDepthGuard&) = delete;

private:
    TReader& FReader;
};

TReader::TReader(TStream* stream) : TFiler(stream) {}

TReader::~TReader() = default;

namespace {

template <class T>
T ReadLE(TStream* stream) {
    std::uint8_t bytes[sizeof(T)];
    stream->ReadBuffer(bytes, sizeof(T));
    std::uint64_t v = 0;
    for (std::size_t i = sizeof(T); i-- > 0;)
        v = (v << 8) | bytes[i];
    T result;
    if constexpr (sizeof(T) == 8) {
        std::memcpy(&result, &v, 8);
    } else {
        const auto narrow =
            static_cast<std::conditional_t<sizeof(T) == 4, std::uint32_t,
                                           std::conditional_t<sizeof(T) == 2, std::uint16_t, std::uint8_t>>>(
                v);
        std::memcpy(&result, &narrow, sizeof(T));
    }
    return result;
}

} // namespace

void TReader::CheckLength(std::int64_t length) {
    if (length < 0) throw EReadError(SInvalidImage);
    if (length > FStream->GetSize() - FStream->GetPosition()) throw EReadError(SLengthPastEnd, {length});
}

TValueType TReader::ReadValue() {
    std::uint8_t b = 0;
    FStream->ReadBuffer(&b, 1);
    if (b > MaxValueType) throw EReadError(SUnknownValueType, {static_cast<int>(b)});
    return static_cast<TValueType>(b);
}

TValueType TReader::NextValue() {
    const TValueType v = ReadValue();
    FStream->Seek(-1, TSeekOrigin::soCurrent);
    return v;
}

void TReader::CheckValue(TValueType type) {
    if (ReadValue() != type) throw EReadError(SInvalidPropertyValue);
}

bool TReader::EndOfList() {
    // Raw: a component's prefix byte (0xF0 and up) is no value type, yet may come next.
    std::uint8_t b = 0;
    FStream->ReadBuffer(&b, 1);
    FStream->Seek(-1, TSeekOrigin::soCurrent);
    return b == vaNull;
}
void TReader::ReadListBegin() {
    CheckValue(vaList);
}
void TReader::ReadListEnd() {
    CheckValue(vaNull);
}

void TReader::ReadSignature() {
    char signature[4] = {};
    if (FStream->Read(signature, 4) != 4 || std::memcmp(signature, FilerSignature, 4) != 0)
        throw EReadError(SInvalidImage);
}

void TReader::ReadPrefix(TFilerFlags& flags, std::int32_t& childPos) {
    flags = TFilerFlags();
    std::uint8_t b = 0;
    FStream->ReadBuffer(&b, 1);
    if ((b & 0xF0) != 0xF0) {
        FStream->Seek(-1, TSeekOrigin::soCurrent);
        return;
    }
    flags = TFilerFlags::FromBits(static_cast<std::uint8_t>(b & 0x07));
    if (flags.Contains(ffChildPos)) childPos = ReadInteger();
}

AnsiString TReader::ReadStr() {
    std::uint8_t length = 0;
    FStream->ReadBuffer(&length, 1);
    AnsiString s(length, '\0');
    if (length != 0) FStream->ReadBuffer(s.data(), length);
    return s;
}

std::int64_t TReader::ReadInt64() {
    switch (ReadValue()) {
    case vaInt8:
        return ReadLE<std::int8_t>(FStream);
    case vaInt16:
        return ReadLE<std::int16_t>(FStream);
    case vaInt32:
        return ReadLE<std::int32_t>(FStream);
    case vaInt64:
        return ReadLE<std::int64_t>(FStream);
    default:
        throw EReadError(SInvalidPropertyValue);
    }
}

std::int32_t TReader::ReadInteger() {
    const std::int64_t v = ReadInt64();
    if (v < INT32_MIN || v > INT32_MAX) throw EReadError(SInvalidPropertyValue);
    return static_cast<std::int32_t>(v);
}

bool TReader::ReadBoolean() {
    switch (ReadValue()) {
    case vaTrue:
        return true;
    case vaFalse:
        return false;
    default:
        throw EReadError(SInvalidPropertyValue);
    }
}

double TReader::ReadFloat() {
    switch (ReadValue()) {
    case vaExtended: {
        std::uint8_t bytes[10];
        FStream->ReadBuffer(bytes, 10);
        return detail::ExtendedToDouble(bytes);
    }
    case vaSingle:
        return ReadLE<float>(FStream);
    case vaDate:
        return ReadLE<double>(FStream);
    case vaCurrency:
        return static_cast<double>(ReadLE<std::int64_t>(FStream)) / Currency::Scale;
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
        FStream->Seek(-1, TSeekOrigin::soCurrent);
        return static_cast<double>(ReadInt64());
    default:
        throw EReadError(SInvalidPropertyValue);
    }
}

float TReader::ReadSingle() {
    return static_cast<float>(ReadFloat());
}

TDateTime TReader::ReadDate() {
    return TDateTime(ReadFloat());
}

Currency TReader::ReadCurrency() {
    switch (NextValue()) {
    case vaCurrency:
        ReadValue();
        return Currency::FromScaled(ReadLE<std::int64_t>(FStream));
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64: {
        const std::int64_t v = ReadInt64();
        std::int64_t scaled;
        if (__builtin_mul_overflow(v, Currency::Scale, &scaled)) throw EReadError(SInvalidPropertyValue);
        return Currency::FromScaled(scaled);
    }
    default:
        return Currency::FromDouble(ReadFloat());
    }
}

AnsiString TReader::ReadString() {
    switch (ReadValue()) {
    case vaString:
        return ReadStr();
    case vaLString: {
        const std::int32_t length = ReadLE<std::int32_t>(FStream);
        CheckLength(length);
        AnsiString s(static_cast<std::size_t>(length), '\0');
        if (length != 0) FStream->ReadBuffer(s.data(), length);
        return s;
    }
    case vaWString: {
        const std::int32_t count = ReadLE<std::int32_t>(FStream);
        CheckLength(count < 0 ? count : static_cast<std::int64_t>(count) * 2);
        std::u16string units(static_cast<std::size_t>(count), u'\0');
        for (auto& u : units)
            u = static_cast<char16_t>(ReadLE<std::uint16_t>(FStream));
        return win::Utf16ToAnsi(units);
    }
    case vaUTF8String: {
        const std::int32_t length = ReadLE<std::int32_t>(FStream);
        CheckLength(length);
        std::string bytes(static_cast<std::size_t>(length), '\0');
        if (length != 0) FStream->ReadBuffer(bytes.data(), length);
        return win::Utf16ToAnsi(detail::Utf8ToUtf16(bytes));
    }
    default:
        throw EReadError(SInvalidPropertyValue);
    }
}

AnsiString TReader::ReadIdent() {
    switch (ReadValue()) {
    case vaIdent:
        return ReadStr();
    case vaFalse:
        return "False";
    case vaTrue:
        return "True";
    case vaNil:
        return "nil";
    case vaNull:
        return "Null";
    default:
        throw EReadError(SInvalidPropertyValue);
    }
}

std::uint64_t TReader::ReadSet(const TEnumInfo& elements) {
    CheckValue(vaSet);
    // All names are read before any is judged, so that the value is consumed either way.
    std::vector<AnsiString> names;
    for (;;) {
        AnsiString name = ReadStr();
        if (name.empty()) break;
        names.push_back(std::move(name));
    }
    std::uint64_t bits = 0;
    for (const auto& name : names) {
        const int v = elements.Value(name);
        if (v < 0 || v >= 64) throw EReadError(SInvalidPropertyValue);
        bits |= std::uint64_t{1} << v;
    }
    return bits;
}

std::string TReader::ReadBinary() {
    CheckValue(vaBinary);
    const std::int32_t length = ReadLE<std::int32_t>(FStream);
    CheckLength(length);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    if (length != 0) FStream->ReadBuffer(bytes.data(), length);
    return bytes;
}

void TReader::SkipSetBody() {
    for (;;) {
        std::uint8_t length = 0;
        FStream->ReadBuffer(&length, 1);
        if (length == 0) return;
        CheckLength(length);
        FStream->Seek(length, TSeekOrigin::soCurrent);
    }
}

void TReader::SkipCollectionBody() {
    TDepthGuard guard(*this);
    while (!EndOfList()) {
        const TValueType t = NextValue();
        if (t == vaInt8 || t == vaInt16 || t == vaInt32 || t == vaInt64) SkipValue();
        CheckValue(vaList);
        while (!EndOfList()) {
            ReadStr();
            SkipValue();
        }
        ReadListEnd();
    }
    ReadListEnd();
}

void TReader::SkipValue() {
    auto skip = [this](std::int64_t n) {
        CheckLength(n);
        FStream->Seek(n, TSeekOrigin::soCurrent);
    };
    switch (ReadValue()) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
        return;
    case vaList: {
        TDepthGuard guard(*this);
        while (!EndOfList())
            SkipValue();
        ReadListEnd();
        return;
    }
    case vaInt8:
        skip(1);
        return;
    case vaInt16:
        skip(2);
        return;
    case vaInt32:
    case vaSingle:
        skip(4);
        return;
    case vaInt64:
    case vaCurrency:
    case vaDate:
        skip(8);
        return;
    case vaExtended:
        skip(10);
        return;
    case vaString:
    case vaIdent: {
        std::uint8_t length = 0;
        FStream->ReadBuffer(&length, 1);
        skip(length);
        return;
    }
    case vaBinary:
    case vaLString:
    case vaUTF8String:
        skip(ReadLE<std::int32_t>(FStream));
        return;
    case vaWString: {
        const std::int32_t count = ReadLE<std::int32_t>(FStream);
        skip(count < 0 ? count : static_cast<std::int64_t>(count) * 2);
        return;
    }
    case vaSet:
        SkipSetBody();
        return;
    case vaCollection:
        SkipCollectionBody();
        return;
    }
}

// --- Components ---------------------------------------------------------------------------------

TClass TReader::FindComponentClass(const AnsiString& className) {
    TClass cls = GetClass(className);
    if (cls == nullptr && OnFindComponentClass) cls = OnFindComponentClass(*this, className);
    if (cls == nullptr) throw EClassNotFound(SClassNotFound, {className});
    if (cls->Create == nullptr) throw EReadError(SInvalidComponentClass, {className});
    return cls;
}

std::shared_ptr<const THandler> TReader::FindMethod(const AnsiString& name) {
    std::shared_ptr<const THandler> handler = FRoot ? FRoot->FindHandler(name) : nullptr;
    if (!handler && OnFindMethod) handler = OnFindMethod(*this, name);
    return handler;
}

AnsiString TReader::ComponentPath(TComponent* component) const {
    auto nameOf = [](TComponent* c) { return c->GetName().empty() ? c->ClassName() : c->GetName(); };
    AnsiString path = nameOf(component);
    for (TComponent* c = component; c != FRoot && c->Owner() != nullptr; c = c->Owner())
        path = nameOf(c->Owner()) + "." + path;
    return path;
}

bool TReader::OfferError(const Exception& error) {
    return OnError && OnError(*this, error);
}

namespace {

// Picks a name no other root and no sibling uses yet ("Form1", else "Form1_1", ...), as the
// framework does for a second instance of a form or data module.
AnsiString FindUniqueName(TComponent* root, const AnsiString& name) {
    if (name.empty()) return name;
    auto taken = [root](const AnsiString& candidate) {
        TComponent* global = FindGlobalComponent(candidate);
        if (global != nullptr && global != root) return true;
        TComponent* sibling = root->Owner() ? root->Owner()->FindComponent(candidate) : nullptr;
        return sibling != nullptr && sibling != root;
    };
    if (!taken(name)) return name;
    for (int i = 1;; ++i) {
        AnsiString candidate = name + "_" + IntToStr(i);
        if (!taken(candidate)) return candidate;
    }
}

} // namespace

TComponent* TReader::ReadRootComponent(TComponent* root) {
    if (root == nullptr) throw EReadError(SInvalidOperation);
    bool created = false;
    return ReadRoot(root, created);
}

TOwned<TComponent> TReader::ReadRootComponent() {
    bool created = false;
    return TOwned<TComponent>(ReadRoot(nullptr, created));
}

TComponent* TReader::ReadRoot(TComponent* root, bool& created) {
    FLoaded.clear();
    FCreated.clear();
    FFixups.clear();
    FDepth = 0;
    FParent = nullptr;
    try {
        ReadSignature();
        TFilerFlags flags;
        std::int32_t childPos = 0;
        ReadPrefix(flags, childPos);
        const AnsiString className = ReadStr();
        if (root == nullptr) {
            root = FindComponentClass(className)->Create(nullptr);
            created = true;
        }
        FRoot = root;
        FLookupRoot = root;
        const AnsiString name = ReadStr();
        root->SetStateFlag(csLoading, true);
        root->SetStateFlag(csReading, true);
        FLoaded.push_back(root);
        if (!root->GetComponentState().Contains(csDesigning)) {
            try {
                root->SetName(FindUniqueName(root, name));
            } catch (const EFilerError&) {
                throw;
            } catch (const Exception& e) {
                throw EReadError(SPropertyReadError, {name, "", "", e.Message()});
            }
        }
        root->ReadState(*this);
        root->SetStateFlag(csReading, false);
        ResolveFixups();
    } catch (...) {
        CleanupAfterError();
        if (created) root->Free();
        throw;
    }
    std::vector<TComponent*> loaded;
    loaded.swap(FLoaded);
    FCreated.clear();
    if (FLoadedList != nullptr) {
        for (TComponent* c : loaded)
            if (std::find(FLoadedList->begin(), FLoadedList->end(), c) == FLoadedList->end())
                FLoadedList->push_back(c);
        return root;
    }
    std::exception_ptr failure;
    try {
        NotifyLoaded(loaded);
    } catch (...) {
        failure = std::current_exception();
    }
    // Loaded may have raised; the references waiting for this root are still worth resolving.
    GlobalFixupReferences();
    if (failure) {
        if (created) root->Free();
        std::rethrow_exception(failure);
    }
    return root;
}

void TReader::NotifyLoaded(const std::vector<TComponent*>& components) {
    std::exception_ptr first;
    for (TComponent* c : components) {
        try {
            c->Loaded();
        } catch (...) {
            if (!first) first = std::current_exception();
        }
        // Loaded clears it; an override that raised before calling the base must not leave the
        // component loading for ever.
        c->SetStateFlag(csLoading, false);
    }
    if (first) std::rethrow_exception(first);
}

void TReader::CleanupAfterError() {
    FFixups.clear();
    for (TComponent* c : FLoaded) {
        c->SetStateFlag(csLoading, false);
        c->SetStateFlag(csReading, false);
    }
    FLoaded.clear();
    // Free what this reader created, latest first; nested ones go with their owner.
    const std::set<TComponent*> created(FCreated.begin(), FCreated.end());
    std::vector<TComponent*> list;
    list.swap(FCreated);
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        TComponent* c = *it;
        if (created.count(c->Owner()) == 0) c->Free();
    }
}

void TReader::ReadData(TComponent* instance) {
    while (!EndOfList())
        ReadProperty(instance);
    ReadListEnd();
    TComponent* childOwner = instance->GetChildOwner();
    if (childOwner == nullptr) childOwner = FRoot;
    TComponent* const outerParent = FParent;
    FParent = instance;
    try {
        while (!EndOfList())
            ReadComponent(childOwner);
    } catch (...) {
        FParent = outerParent;
        throw;
    }
    FParent = outerParent;
    ReadListEnd();
}

TComponent* TReader::ReadComponent(TComponent* owner) {
    TDepthGuard guard(*this);
    TFilerFlags flags;
    std::int32_t childPos = -1;
    ReadPrefix(flags, childPos);
    const AnsiString className = ReadStr();
    const AnsiString name = ReadStr();
    TComponent* component;
    if (flags.Contains(ffInherited)) {
        component = owner->FindComponent(name);
        if (component == nullptr) throw EReadError(SAncestorNotFound, {name});
    } else {
        component = FindComponentClass(className)->Create(owner);
        FCreated.push_back(component);
        try {
            component->SetName(name);
        } catch (const EFilerError&) {
            throw;
        } catch (const Exception& e) {
            throw EReadError(SPropertyReadError, {ComponentPath(owner), ".", name, e.Message()});
        }
    }
    if (flags.Contains(ffChildPos)) owner->SetChildOrder(component, childPos);
    if (FParent != nullptr && component->HasParent()) {
        try {
            component->SetParentComponent(FParent);
        } catch (const EFilerError&) {
            throw;
        } catch (const Exception& e) {
            throw EReadError(SPropertyReadError, {ComponentPath(owner), ".", name, e.Message()});
        }
    }
    component->SetStateFlag(csLoading, true);
    component->SetStateFlag(csReading, true);
    if (std::find(FLoaded.begin(), FLoaded.end(), component) == FLoaded.end()) FLoaded.push_back(component);
    component->ReadState(*this);
    component->SetStateFlag(csReading, false);
    return component;
}

void TReader::ReadProperty(TComponent* component) {
    const AnsiString path = ReadStr();
    const std::int64_t valueStart = FStream->GetPosition();
    try {
        TPersistent* instance = component;
        const auto parts = SplitName(path);
        for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
            const TPropInfo* prop = GetPropInfo(instance, parts[i]);
            if (prop == nullptr) throw EPropertyError(SPropertyDoesNotExist, {parts[i]});
            if (!prop->IsSubObject() || !prop->GetObj) throw EPropertyError(SInvalidPropertyPath);
            instance = dynamic_cast<TPersistent*>(prop->GetObj(instance));
            if (instance == nullptr) throw EPropertyError(SInvalidPropertyPath);
        }
        const std::string_view last = parts.back();
        if (const TPropInfo* prop = GetPropInfo(instance, last)) {
            ReadPropValue(component, instance, *prop, ComponentPath(component) + "." + path);
        } else {
            FPropName = AnsiString(last);
            FPropFound = false;
            instance->DefineProperties(*this);
            const bool found = FPropFound;
            FPropName.clear();
            FPropFound = false;
            if (!found) throw EPropertyError(SPropertyDoesNotExist, {last});
        }
    } catch (const std::exception& e) {
        const auto* vclError = dynamic_cast<const Exception*>(&e);
        const AnsiString reason = vclError ? vclError->Message() : AnsiString(e.what());
        EReadError wrapped(SPropertyReadError, {ComponentPath(component), ".", path, reason});
        if (!OfferError(wrapped)) throw wrapped;
        // Ignored: step over the whole value, from its start. When the data itself is broken
        // there is nothing to step over, and the original error stands.
        try {
            FStream->SetPosition(valueStart);
            SkipValue();
        } catch (const Exception&) {
            throw wrapped;
        }
    }
}

void TReader::ReadPropValue(TComponent* component, TPersistent* instance, const TPropInfo& prop,
                            const AnsiString& path) {
    switch (prop.Kind) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkInt64:
        ReadIntegerProp(instance, prop);
        return;
    case TTypeKind::tkEnumeration: {
        const AnsiString ident = ReadIdent();
        const int v = prop.EnumType->Value(ident);
        if (v < 0) throw EPropertyError(SInvalidPropertyValue);
        if (!prop.SetOrd) throw EPropertyError(SReadOnlyProperty);
        prop.SetOrd(instance, v);
        return;
    }
    case TTypeKind::tkSet: {
        const std::uint64_t bits = ReadSet(*prop.EnumType);
        if (!prop.SetOrd) throw EPropertyError(SReadOnlyProperty);
        prop.SetOrd(instance, static_cast<std::int64_t>(bits));
        return;
    }
    case TTypeKind::tkFloat: {
        if (prop.FloatType == TFloatType::ftCurr && prop.SetOrd) {
            prop.SetOrd(instance, ReadCurrency().Scaled);
            return;
        }
        const double v = ReadFloat();
        if (!prop.SetFloat) throw EPropertyError(SReadOnlyProperty);
        prop.SetFloat(instance, v);
        return;
    }
    case TTypeKind::tkString: {
        const AnsiString s = ReadString();
        if (!prop.SetStr) throw EPropertyError(SReadOnlyProperty);
        prop.SetStr(instance, s);
        return;
    }
    case TTypeKind::tkClass:
        ReadReferenceProp(component, instance, prop, path);
        return;
    case TTypeKind::tkMethod:
        ReadHandlerProp(instance, prop);
        return;
    default:
        throw EPropertyError(SInvalidPropertyValue);
    }
}

void TReader::ReadIntegerProp(TPersistent* instance, const TPropInfo& prop) {
    std::int64_t v = 0;
    if (prop.Kind == TTypeKind::tkInteger && NextValue() == vaIdent) {
        std::int32_t named = 0;
        if (!IdentToInt(prop.TypeName, ReadIdent(), named)) throw EPropertyError(SInvalidPropertyValue);
        v = named;
    } else {
        v = ReadInt64();
    }
    if (v < prop.MinValue || v > prop.MaxValue) throw EPropertyError(SInvalidPropertyValue);
    if (!prop.SetOrd) throw EPropertyError(SReadOnlyProperty);
    prop.SetOrd(instance, v);
}

void TReader::ReadReferenceProp(TComponent* component, TPersistent* instance, const TPropInfo& prop,
                                const AnsiString& path) {
    if (!prop.IsReference()) throw EPropertyError(SInvalidPropertyValue);
    if (NextValue() == vaNil) {
        ReadValue();
        if (!prop.SetObj) throw EPropertyError(SReadOnlyProperty);
        prop.SetObj(instance, nullptr);
        return;
    }
    const AnsiString name = ReadIdent();
    if (!prop.SetObj) throw EPropertyError(SReadOnlyProperty);
    FFixups.push_back(TFixup{component, instance, &prop, name, path});
}

void TReader::ReadHandlerProp(TPersistent* instance, const TPropInfo& prop) {
    if (NextValue() == vaNil) {
        ReadValue();
        if (!prop.SetHandler) throw EPropertyError(SReadOnlyProperty);
        prop.SetHandler(instance, nullptr);
        return;
    }
    const AnsiString name = ReadIdent();
    if (!prop.SetHandler) throw EPropertyError(SReadOnlyProperty);
    // Handlers are named by identifiers (which is also what the text form can hold).
    if (!IsValidIdent(name)) throw EPropertyError(SInvalidPropertyValue);
    std::shared_ptr<const THandler> handler = FindMethod(name);
    if (handler && !SameText(handler->Name(), name)) handler = nullptr;
    if (!handler) {
        // In the designer the application's code is absent: keep the name without code.
        if (!FRoot->GetComponentState().Contains(csDesigning) || !prop.MakePlaceholder)
            throw EPropertyError(SHandlerNotFound, {name});
        handler = prop.MakePlaceholder(name);
    }
    prop.SetHandler(instance, handler);
}

void TReader::ResolveFixups() {
    std::vector<TFixup> fixups;
    fixups.swap(FFixups);
    for (const TFixup& f : fixups) {
        try {
            TComponent* target = ResolveReference(FLookupRoot, f.Name);
            if (target != nullptr) {
                if (!FitsProperty(target, f.Prop)) throw EPropertyError(SInvalidPropertyValue);
                f.Prop->SetObj(f.Instance, target);
            } else if (f.Name.find('.') != AnsiString::npos) {
                // Another root, perhaps not loaded yet: wait for it.
                std::lock_guard lock(Globals().Lock);
                Globals().Fixups.push_back(TGlobalFixup{f.Component, f.Instance, f.Prop, f.Name});
                TComponentAccess::SetFixupsFlag(f.Component);
            } else {
                throw EPropertyError(SUnresolvedReference, {f.Name});
            }
        } catch (const Exception& e) {
            EReadError wrapped(SPropertyReadError, {f.Path, "", "", e.Message()});
            if (!OfferError(wrapped)) throw wrapped;
        }
    }
}

void TReader::DefineProperty(const AnsiString& name, const TReaderProc& readData, const TWriterProc&, bool) {
    if (FPropFound || !readData || FPropName.empty() || !SameText(name, FPropName)) return;
    FPropFound = true;
    readData(*this);
}

void TReader::DefineBinaryProperty(const AnsiString& name, const TStreamProc& readData, const TStreamProc&,
                                   bool) {
    if (FPropFound || !readData || FPropName.empty() || !SameText(name, FPropName)) return;
    FPropFound = true;
    const std::string bytes = ReadBinary();
    auto data = New<TMemoryStream>();
    data->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    data->SetPosition(0);
    readData(data.get());
}

} // namespace vcl
