// The class registry.
#include "platform/vcl/ClassRegistry.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclConsts.h"

#include <map>
#include <mutex>

namespace vcl {

namespace {

struct TRegistry {
    std::mutex Lock;
    std::map<AnsiString, TClass> Classes; // by upper-cased name
};

TRegistry& Registry() {
    static TRegistry* const registry = new TRegistry; // lives until the process ends
    return *registry;
}

// Adds the class; false when it was there already.
bool Add(TClass cls) {
    auto& r = Registry();
    std::lock_guard lock(r.Lock);
    const AnsiString key = UpperCase(cls->Name);
    auto it = r.Classes.find(key);
    if (it != r.Classes.end()) {
        if (it->second == cls) return false;
        throw EFilerError(SDuplicateClass, {cls->Name});
    }
    r.Classes.emplace(key, cls);
    return true;
}

} // namespace

void RegisterClass(TClass cls) {
    if (cls != nullptr) Add(cls);
}

void RegisterClasses(std::initializer_list<TClass> classes) {
    for (TClass cls : classes)
        RegisterClass(cls);
}

void UnRegisterClass(TClass cls) {
    if (cls == nullptr) return;
    auto& r = Registry();
    std::lock_guard lock(r.Lock);
    auto it = r.Classes.find(UpperCase(cls->Name));
    if (it != r.Classes.end() && it->second == cls) r.Classes.erase(it);
}

TClass GetClass(std::string_view className) {
    auto& r = Registry();
    std::lock_guard lock(r.Lock);
    auto it = r.Classes.find(UpperCase(className));
    return it == r.Classes.end() ? nullptr : it->second;
}

TClass FindClass(std::string_view className) {
    TClass cls = GetClass(className);
    if (cls == nullptr) throw EClassNotFound(SClassNotFound, {className});
    return cls;
}

TClassRegistration::TClassRegistration(TClass cls) : FClass(cls), FAdded(cls != nullptr && Add(cls)) {}

TClassRegistration::~TClassRegistration() {
    if (FAdded) UnRegisterClass(FClass);
}

} // namespace vcl
