// TPropertyEditor: how the property inspector shows and changes one published property of the
// selected components.
//
// An editor edits one property of one or more instances (a multiple selection); it reads the
// value from the first and writes it to all, then tells the designer (Modified). Its attributes
// say what the inspector offers: a drop-down list of values (paValueList, GetValues), an ellipsis
// button that calls Edit (paDialog), nested properties (paSubProperties, GetProperties), a
// read-only text (paReadOnly), "revert to the default" (paRevertable, Revert), and whether it
// edits multiple selections at all (paMultiSelect).
//
// Editors are made by the registry (DesignRegistry.h): the one registered for the property, or
// the default editor of the property's kind (DefaultEditors.h).
#pragma once

#include "platform/vcl/Object.h"
#include "platform/vcl/Set.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/design/Designer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace vcl {

class TPersistent;
class TPropertyEditor;

enum TPropertyAttribute {
    paValueList,             // a drop-down list of values (GetValues)
    paSubProperties,         // nested properties (GetProperties)
    paDialog,                // an ellipsis button that calls Edit
    paMultiSelect,           // shown when several components are selected
    paAutoUpdate,            // SetValue on every keystroke
    paSortList,              // the value list is sorted
    paReadOnly,              // the text cannot be typed
    paRevertable,            // can be reverted to its default
    paFullWidthName,         // the name takes the whole row
    paVolatileSubProperties, // nested properties change with the value
    paNotNestable,           // not shown as a nested property
};
VCL_ENUM_NAMES(TPropertyAttribute, paValueList, paSubProperties, paDialog, paMultiSelect, paAutoUpdate, paSortList,
               paReadOnly, paRevertable, paFullWidthName, paVolatileSubProperties, paNotNestable);
using TPropertyAttributes = Set<TPropertyAttribute, 15>;

// The type a property editor is registered for: a class (matching properties of that class or a
// descendant), or a named type of a kind ("AnsiString", "TCaption", "Boolean", "TColor", an
// enumeration's name, ...), matching properties whose TypeName is that name.
struct TPropertyType {
    TTypeKind Kind = TTypeKind::tkUnknown;
    AnsiString Name;
    TClass Class = nullptr;

    static TPropertyType OfClass(TClass cls);
    static TPropertyType Named(TTypeKind kind, AnsiString name);
    // The type of a published property.
    static TPropertyType Of(const TPropInfo& prop);
    bool Matches(const TPropInfo& prop) const;
};

// The property type of a C++ type, as TPublisher describes it (TypInfo.h): PropertyTypeOf<AnsiString>(),
// PropertyTypeOf<bool>(), PropertyTypeOf<TMyEnum>(), PropertyTypeOf<TStrings*>(), ...
template <class V>
TPropertyType PropertyTypeOf() {
    if constexpr (std::is_same_v<V, bool>) {
        return TPropertyType::Named(TTypeKind::tkEnumeration, "Boolean");
    } else if constexpr (std::is_enum_v<V>) {
        return TPropertyType::Named(TTypeKind::tkEnumeration, EnumTypeInfo(V{}).TypeName());
    } else if constexpr (std::is_integral_v<V>) {
        constexpr bool wide = sizeof(V) > 4 || (sizeof(V) == 4 && std::is_unsigned_v<V>);
        return TPropertyType::Named(wide ? TTypeKind::tkInt64 : TTypeKind::tkInteger, wide ? "Int64" : "Integer");
    } else if constexpr (std::is_same_v<V, AnsiString>) {
        return TPropertyType::Named(TTypeKind::tkString, "AnsiString");
    } else if constexpr (std::is_same_v<V, double>) {
        return TPropertyType::Named(TTypeKind::tkFloat, "Double");
    } else if constexpr (std::is_pointer_v<V>) {
        return TPropertyType::OfClass(std::remove_cv_t<std::remove_pointer_t<V>>::StaticClass());
    } else {
        static_assert(sizeof(V) == 0, "use TPropertyType::Named for this type");
    }
}

using TGetPropProc = std::function<void(TOwned<TPropertyEditor> editor)>;

class TPropertyEditor : public TObject {
    VCL_CLASS(TPropertyEditor, TObject)
public:
    TPropertyEditor(IDesigner* designer, int propCount);

    // Set up by the registry: instance index edits its property prop.
    void SetPropEntry(int index, TPersistent* instance, const TPropInfo* prop);
    // Called once the entries are set.
    virtual void Initialize() {}

    virtual TPropertyAttributes GetAttributes();
    // The value as the inspector shows it (of the first instance).
    virtual AnsiString GetValue();
    // Sets the value from the inspector's text (on every instance), then Modified. Text that
    // does not fit the property raises EPropertyError (or the conversion error).
    virtual void SetValue(const AnsiString& value);
    // The values of the drop-down list.
    virtual void GetValues(const TGetStrProc& proc);
    // Editors of the nested properties.
    virtual void GetProperties(const TGetPropProc& proc);
    // The ellipsis button (or a double click): with a value list, moves to the next value.
    virtual void Edit();
    // Whether every instance has the same value.
    virtual bool AllEqual();
    // Back to the value a new component has (the declared default; empty, zero or none).
    virtual void Revert();

    // The name the inspector shows (the property's).
    virtual AnsiString GetName() const;
    const TPropInfo* GetPropInfo() const;
    TPropertyType GetPropType() const;
    TTypeKind GetPropKind() const;
    int GetPropCount() const { return static_cast<int>(FPropList.size()); }
    TPersistent* GetComponent(int index) const;
    IDesigner* GetDesigner() const { return FDesigner; }
    // Tells the designer (when there is one) that the design changed.
    void Modified();

protected:
    ~TPropertyEditor() override;

    // Typed access: Get* read the first instance, Set* write every instance, then Modified.
    std::int64_t GetOrdValue() const;
    std::int64_t GetOrdValueAt(int index) const;
    void SetOrdValue(std::int64_t value);
    double GetFloatValue() const;
    void SetFloatValue(double value);
    AnsiString GetStrValue() const;
    AnsiString GetStrValueAt(int index) const;
    void SetStrValue(const AnsiString& value);
    TObject* GetObjectValue() const;
    TObject* GetObjectValueAt(int index) const;
    void SetObjectValue(TObject* value);
    std::shared_ptr<const THandler> GetMethodValue() const;
    void SetMethodValue(const std::shared_ptr<const THandler>& handler);
    // Raises EPropertyError "Property is read-only" when the property has no setter.
    void CheckWritable() const;

private:
    IDesigner* FDesigner;
    std::vector<std::pair<TPersistent*, const TPropInfo*>> FPropList;
};

} // namespace vcl
