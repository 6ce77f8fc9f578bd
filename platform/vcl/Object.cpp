// TObject: class-info queries and the Free / Destroy life cycle.
#include "platform/vcl/Object.h"

#include "platform/vcl/TypInfo.h"

#include <cstdio>
#include <cstdlib>

namespace vcl {

TClass TObject::StaticClass() {
    static const TClassInfo* const info = [] {
        auto* i = new TClassInfo;
        i->Name = "TObject";
        return i;
    }();
    return info;
}

TClass TObject::ClassType() const {
    return StaticClass();
}

AnsiString TObject::ClassName() const {
    return ClassType()->Name;
}

TClass TObject::ClassParent() const {
    return ClassType()->Parent;
}

bool TObject::InheritsFrom(TClass cls) const {
    return ClassInheritsFrom(ClassType(), cls);
}

TObject::~TObject() = default;

void TObject::Destroy() {
    FDestroyReached = true;
}

void TObject::Free() noexcept {
    BeforeDestruction();
    Destroy();
    if (!FDestroyReached) {
        // An override that skips inherited::Destroy() leaves owned components and notifications
        // behind; going on would corrupt the owner's list, so stop here with the culprit's name.
        std::fprintf(stderr, "fatal: %s::Destroy did not call the inherited Destroy\n", ClassName().c_str());
        std::abort();
    }
    delete this;
}

AnsiString ClassNameOf(TClass cls) {
    return cls ? cls->Name : AnsiString("nil");
}

bool ClassInheritsFrom(TClass cls, TClass base) {
    if (base == nullptr) return false;
    for (; cls != nullptr; cls = cls->Parent)
        if (cls == base) return true;
    return false;
}

namespace detail {

void RunAfterConstruction(TObject* obj) {
    try {
        obj->AfterConstruction();
    } catch (...) {
        obj->Free();
        throw;
    }
}

} // namespace detail

} // namespace vcl
