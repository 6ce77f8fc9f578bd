// The design-time registry.
#include "platform/vcl/design/DesignRegistry.h"

#include "platform/vcl/ClassRegistry.h"
#include "platform/vcl/Persistent.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/design/DefaultEditors.h"

#include <algorithm>
#include <mutex>
#include <tuple>

namespace vcl {

namespace {

struct TPaletteEntry {
    AnsiString Page;
    TClass Class;
    AnsiString Group;
};

struct TPropertyEditorEntry {
    TPropertyType Type;
    TClass ComponentClass; // null: any component
    AnsiString PropertyName; // empty: any name
    TPropertyEditorClass Editor;
    AnsiString Group;
};

struct TComponentEditorEntry {
    TClass ComponentClass;
    TComponentEditorClass Editor;
    AnsiString Group;
};

struct TRegistry {
    std::mutex Lock;
    std::vector<AnsiString> Pages; // in order of first registration
    std::vector<TPaletteEntry> Palette;
    std::vector<TPropertyEditorEntry> PropertyEditors; // in registration order
    std::vector<TComponentEditorEntry> ComponentEditors;
    AnsiString Group;
};

// Never destroyed: packages may register from their own static objects at any time.
TRegistry& Registry() {
    static TRegistry* const registry = new TRegistry;
    return *registry;
}

int ClassDepth(TClass cls) {
    int depth = 0;
    for (; cls != nullptr; cls = cls->Parent)
        ++depth;
    return depth;
}

TPropertyEditorClass DefaultEditorClass(const TPropInfo& prop) {
    switch (prop.Kind) {
    case TTypeKind::tkInteger:
        return PropertyEditorClassOf<TIntegerProperty>();
    case TTypeKind::tkInt64:
        return PropertyEditorClassOf<TInt64Property>();
    case TTypeKind::tkEnumeration:
        return prop.IsBoolean() ? PropertyEditorClassOf<TBoolProperty>() : PropertyEditorClassOf<TEnumProperty>();
    case TTypeKind::tkSet:
        return PropertyEditorClassOf<TSetProperty>();
    case TTypeKind::tkFloat:
        return PropertyEditorClassOf<TFloatProperty>();
    case TTypeKind::tkString:
        return PropertyEditorClassOf<TStringProperty>();
    case TTypeKind::tkClass:
        return prop.IsReference() ? PropertyEditorClassOf<TComponentProperty>() : PropertyEditorClassOf<TClassProperty>();
    case TTypeKind::tkMethod:
        return PropertyEditorClassOf<TMethodProperty>();
    default:
        return PropertyEditorClassOf<TPropertyEditor>();
    }
}

// Whether two properties of different instances are the same property for a multiple selection.
bool SameProperty(const TPropInfo& a, const TPropInfo& b) {
    return a.Kind == b.Kind && SameText(a.Name, b.Name) && SameText(a.TypeName, b.TypeName) &&
           a.PropClass == b.PropClass;
}

} // namespace

// --- Registering --------------------------------------------------------------------------------

void RegisterComponents(std::string_view page, std::initializer_list<TClass> classes) {
    RegisterClasses(classes);
    TRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    const AnsiString pageName(page);
    if (std::none_of(r.Pages.begin(), r.Pages.end(), [&](const AnsiString& p) { return SameText(p, pageName); }))
        r.Pages.push_back(pageName);
    for (TClass cls : classes) {
        const bool present = std::any_of(r.Palette.begin(), r.Palette.end(), [&](const TPaletteEntry& e) {
            return e.Class == cls && SameText(e.Page, pageName);
        });
        if (!present) r.Palette.push_back(TPaletteEntry{pageName, cls, r.Group});
    }
}

void RegisterPropertyEditor(const TPropertyType& propertyType, TClass componentClass, std::string_view propertyName,
                            const TPropertyEditorClass& editorClass) {
    TRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    r.PropertyEditors.push_back(
        TPropertyEditorEntry{propertyType, componentClass, AnsiString(propertyName), editorClass, r.Group});
}

void RegisterComponentEditor(TClass componentClass, const TComponentEditorClass& editorClass) {
    TRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    r.ComponentEditors.push_back(TComponentEditorEntry{componentClass, editorClass, r.Group});
}

AnsiString SetRegistrationGroup(std::string_view group) {
    TRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    AnsiString previous = r.Group;
    r.Group = AnsiString(group);
    return previous;
}

void UnregisterGroup(std::string_view group) {
    TRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    auto inGroup = [&](const auto& e) { return SameText(e.Group, group); };
    r.Palette.erase(std::remove_if(r.Palette.begin(), r.Palette.end(), inGroup), r.Palette.end());
    r.PropertyEditors.erase(std::remove_if(r.PropertyEditors.begin(), r.PropertyEditors.end(), inGroup),
                            r.PropertyEditors.end());
    r.ComponentEditors.erase(std::remove_if(r.ComponentEditors.begin(), r.ComponentEditors.end(), inGroup),
                             r.ComponentEditors.end());
    // Pages left without classes go too.
    r.Pages.erase(std::remove_if(r.Pages.begin(), r.Pages.end(),
                                 [&](const AnsiString& page) {
                                     return std::none_of(r.Palette.begin(), r.Palette.end(), [&](const TPaletteEntry& e) {
                                         return SameText(e.Page, page);
                                     });
                                 }),
                  r.Pages.end());
}

// --- Queries ------------------------------------------------------------------------------------

std::vector<AnsiString> GetPalettePages() {
    TRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    return r.Pages;
}

std::vector<TClass> GetPaletteClasses(std::string_view page) {
    TRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    std::vector<TClass> classes;
    for (const TPaletteEntry& e : r.Palette)
        if (SameText(e.Page, page)) classes.push_back(e.Class);
    return classes;
}

AnsiString GetPalettePage(TClass componentClass) {
    TRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    for (const TPaletteEntry& e : r.Palette)
        if (e.Class == componentClass) return e.Page;
    return AnsiString();
}

TPropertyEditorClass GetPropertyEditorClass(const TPropInfo& prop, TClass componentClass) {
    TRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    const TPropertyEditorEntry* best = nullptr;
    std::tuple<int, int, int> bestRank{};
    for (const TPropertyEditorEntry& e : r.PropertyEditors) {
        if (!e.Type.Matches(prop)) continue;
        if (e.ComponentClass != nullptr && !ClassInheritsFrom(componentClass, e.ComponentClass)) continue;
        if (!e.PropertyName.empty() && !SameText(e.PropertyName, prop.Name)) continue;
        const std::tuple<int, int, int> rank{e.PropertyName.empty() ? 0 : 1,
                                             e.ComponentClass == nullptr ? 0 : ClassDepth(e.ComponentClass),
                                             e.Type.Class == nullptr ? 0 : ClassDepth(e.Type.Class)};
        // ">=" so that the later of two equally specific registrations wins.
        if (best == nullptr || rank >= bestRank) {
            best = &e;
            bestRank = rank;
        }
    }
    return best != nullptr ? best->Editor : DefaultEditorClass(prop);
}

TOwned<TPropertyEditor> GetPropertyEditor(TPersistent* instance, std::string_view propertyName, IDesigner* designer) {
    if (instance == nullptr) return nullptr;
    const TPropInfo* prop = GetPropInfo(instance, propertyName);
    if (prop == nullptr) return nullptr;
    TOwned<TPropertyEditor> editor = GetPropertyEditorClass(*prop, instance->ClassType()).Create(designer, 1);
    editor->SetPropEntry(0, instance, prop);
    editor->Initialize();
    return editor;
}

void GetComponentProperties(const std::vector<TPersistent*>& instances, IDesigner* designer, const TGetPropProc& proc) {
    if (instances.empty() || instances.front() == nullptr) return;
    const int count = static_cast<int>(instances.size());
    for (const TPropInfo* prop : GetPropList(instances.front()->ClassType())) {
        if (!prop->GetOrd && !prop->GetFloat && !prop->GetStr && !prop->GetObj && !prop->GetHandler) continue;
        const TPropertyEditorClass editorClass = GetPropertyEditorClass(*prop, instances.front()->ClassType());
        std::vector<const TPropInfo*> props{prop};
        bool shared = true;
        for (int i = 1; i < count && shared; ++i) {
            const TPropInfo* other = GetPropInfo(instances[static_cast<std::size_t>(i)], prop->Name);
            shared = other != nullptr && SameProperty(*prop, *other) &&
                     GetPropertyEditorClass(*other, instances[static_cast<std::size_t>(i)]->ClassType()).Class ==
                         editorClass.Class;
            props.push_back(other);
        }
        if (!shared) continue;
        TOwned<TPropertyEditor> editor = editorClass.Create(designer, count);
        for (int i = 0; i < count; ++i)
            editor->SetPropEntry(i, instances[static_cast<std::size_t>(i)], props[static_cast<std::size_t>(i)]);
        editor->Initialize();
        if (count > 1 && !editor->GetAttributes().Contains(paMultiSelect)) continue;
        proc(std::move(editor));
    }
}

TComponentEditorClass GetComponentEditorClass(TClass componentClass) {
    TRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    const TComponentEditorEntry* best = nullptr;
    int bestDepth = -1;
    for (const TComponentEditorEntry& e : r.ComponentEditors) {
        if (!ClassInheritsFrom(componentClass, e.ComponentClass)) continue;
        const int depth = ClassDepth(e.ComponentClass);
        if (depth >= bestDepth) {
            best = &e;
            bestDepth = depth;
        }
    }
    return best != nullptr ? best->Editor : ComponentEditorClassOf<TDefaultEditor>();
}

TOwned<TComponentEditor> GetComponentEditor(TComponent* component, IDesigner* designer) {
    if (component == nullptr) return nullptr;
    return GetComponentEditorClass(component->ClassType()).Create(component, designer);
}

} // namespace vcl
