// The design-time registry: what a component package offers the designer (components on palette
// pages, property editors, component editors) and the queries the designer answers from it.
//
// Property editors. RegisterPropertyEditor(type, componentClass, propertyName, editor) applies
// the editor to properties of that type (TPropertyType) of components of that class or a
// descendant (null: any component), named propertyName (empty: any name). When several
// registrations fit a property, the most specific wins, deciding in this order:
//   1. one that names the property beats one for any name;
//   2. one for a component class beats one for any component, a more derived class a less
//      derived one;
//   3. for class-typed properties, one for a more derived property class;
//   4. at equal specificity, the later registration (so a package can replace an editor).
// When none fits, the default editor of the property's kind is used (DefaultEditors.h).
//
// Component editors. The registration for the most derived class the component belongs to wins
// (later at a tie); without one a component gets TDefaultEditor.
//
// Groups. Registrations made while a group is set (SetRegistrationGroup, normally the package's
// name) can be withdrawn together (UnregisterGroup), as when the designer unloads a package.
//
// The registry is process-wide and safe to use from several threads.
#pragma once

#include "platform/vcl/design/ComponentEditor.h"
#include "platform/vcl/design/PropertyEditor.h"

#include <initializer_list>
#include <string_view>
#include <vector>

namespace vcl {

class TPersistent;

// A property editor class and how to make one.
struct TPropertyEditorClass {
    TClass Class = nullptr;
    TOwned<TPropertyEditor> (*Create)(IDesigner* designer, int propCount) = nullptr;
};

template <class E>
TPropertyEditorClass PropertyEditorClassOf() {
    return {E::StaticClass(), [](IDesigner* designer, int propCount) -> TOwned<TPropertyEditor> {
                return TOwned<TPropertyEditor>(New<E>(designer, propCount).release());
            }};
}

// A component editor class and how to make one.
struct TComponentEditorClass {
    TClass Class = nullptr;
    TOwned<TComponentEditor> (*Create)(TComponent* component, IDesigner* designer) = nullptr;
};

template <class E>
TComponentEditorClass ComponentEditorClassOf() {
    return {E::StaticClass(), [](TComponent* component, IDesigner* designer) -> TOwned<TComponentEditor> {
                return TOwned<TComponentEditor>(New<E>(component, designer).release());
            }};
}

// --- Registering --------------------------------------------------------------------------------

// Puts the classes on a palette page (created on first use) and registers them with the class
// registry, so form files can name them. A class already on the page is not added twice.
void RegisterComponents(std::string_view page, std::initializer_list<TClass> classes);
void RegisterPropertyEditor(const TPropertyType& propertyType, TClass componentClass, std::string_view propertyName,
                            const TPropertyEditorClass& editorClass);
template <class E>
void RegisterPropertyEditor(const TPropertyType& propertyType, TClass componentClass, std::string_view propertyName) {
    RegisterPropertyEditor(propertyType, componentClass, propertyName, PropertyEditorClassOf<E>());
}
void RegisterComponentEditor(TClass componentClass, const TComponentEditorClass& editorClass);
template <class E>
void RegisterComponentEditor(TClass componentClass) {
    RegisterComponentEditor(componentClass, ComponentEditorClassOf<E>());
}

// The group later registrations belong to; returns the previous one ("" is no group).
AnsiString SetRegistrationGroup(std::string_view group);
// Withdraws every registration of the group (palette entries and editors).
void UnregisterGroup(std::string_view group);

// --- Queries ------------------------------------------------------------------------------------

// The palette pages, in the order they were first registered.
std::vector<AnsiString> GetPalettePages();
// The classes of a page (letter case of the page ignored), in registration order.
std::vector<TClass> GetPaletteClasses(std::string_view page);
// The page a class is on, or "".
AnsiString GetPalettePage(TClass componentClass);

// The editor class for a property of a component class (see the file comment).
TPropertyEditorClass GetPropertyEditorClass(const TPropInfo& prop, TClass componentClass);
// An editor for one property of an instance, set up; null when the instance has no such
// property.
TOwned<TPropertyEditor> GetPropertyEditor(TPersistent* instance, std::string_view propertyName, IDesigner* designer);
// The editors of every published property the instances share (what the inspector lists), in
// property order. With several instances, only properties whose editor is of one class for all
// and allows multiple selections are listed.
void GetComponentProperties(const std::vector<TPersistent*>& instances, IDesigner* designer, const TGetPropProc& proc);

// The component editor class for a component class (TDefaultEditor when none is registered).
TComponentEditorClass GetComponentEditorClass(TClass componentClass);
TOwned<TComponentEditor> GetComponentEditor(TComponent* component, IDesigner* designer);

} // namespace vcl
