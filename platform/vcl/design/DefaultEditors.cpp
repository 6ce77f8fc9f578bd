// The default property editors.
#include "platform/vcl/design/DefaultEditors.h"

#include "platform/vcl/Component.h"
#include "platform/vcl/DateTime.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Persistent.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/VclConsts.h"
#include "platform/vcl/design/DesignConsts.h"
#include "platform/vcl/design/DesignRegistry.h"

#include <vector>

namespace vcl {

VCL_CLASS_INFO(TIntegerProperty)
VCL_CLASS_INFO(TInt64Property)
VCL_CLASS_INFO(TEnumProperty)
VCL_CLASS_INFO(TBoolProperty)
VCL_CLASS_INFO(TSetProperty)
VCL_CLASS_INFO(TSetElementProperty)
VCL_CLASS_INFO(TFloatProperty)
VCL_CLASS_INFO(TStringProperty)
VCL_CLASS_INFO(TClassProperty)
VCL_CLASS_INFO(TComponentProperty)
VCL_CLASS_INFO(TMethodProperty)

TIntegerProperty::~TIntegerProperty() = default;
TInt64Property::~TInt64Property() = default;
TEnumProperty::~TEnumProperty() = default;
TBoolProperty::~TBoolProperty() = default;
TSetProperty::~TSetProperty() = default;
TSetElementProperty::~TSetElementProperty() = default;
TFloatProperty::~TFloatProperty() = default;
TStringProperty::~TStringProperty() = default;
TClassProperty::~TClassProperty() = default;
TComponentProperty::~TComponentProperty() = default;
TMethodProperty::~TMethodProperty() = default;

// --- Integers -----------------------------------------------------------------------------------

TPropertyAttributes TIntegerProperty::GetAttributes() {
    TPropertyAttributes attributes{paMultiSelect, paRevertable};
    if (!GetIntegerConsts(GetPropInfo()->TypeName).empty()) attributes.Include(paValueList);
    return attributes;
}

AnsiString TIntegerProperty::GetValue() {
    const std::int64_t value = GetOrdValue();
    AnsiString ident;
    if (GetPropKind() == TTypeKind::tkInteger && IntToIdent(GetPropInfo()->TypeName, static_cast<std::int32_t>(value), ident))
        return ident;
    return IntToStr(value);
}

void TIntegerProperty::SetValue(const AnsiString& value) {
    const TPropInfo* prop = GetPropInfo();
    const AnsiString text = Trim(value);
    std::int64_t v = 0;
    std::int32_t named = 0;
    if (IdentToInt(prop->TypeName, text, named)) {
        v = named;
    } else if (!TryStrToInt64(text, v)) {
        throw EConvertError(SInvalidInteger, {value});
    }
    if (v < prop->MinValue || v > prop->MaxValue) throw EPropertyError(SValueOutOfRange, {prop->MinValue, prop->MaxValue});
    SetOrdValue(v);
}

void TIntegerProperty::GetValues(const TGetStrProc& proc) {
    for (const TIdentMapEntry& e : GetIntegerConsts(GetPropInfo()->TypeName))
        proc(e.Name);
}

// --- Enumerations -------------------------------------------------------------------------------

TPropertyAttributes TEnumProperty::GetAttributes() {
    return {paMultiSelect, paValueList, paRevertable};
}

AnsiString TEnumProperty::GetValue() {
    const std::int64_t value = GetOrdValue();
    const AnsiString name = GetPropInfo()->EnumType->Name(value);
    return name.empty() ? IntToStr(value) : name;
}

void TEnumProperty::SetValue(const AnsiString& value) {
    const TPropInfo* prop = GetPropInfo();
    const AnsiString text = Trim(value);
    std::int64_t v = prop->EnumType->Value(text);
    if (v < 0 && (!TryStrToInt64(text, v) || v < prop->MinValue || v > prop->MaxValue))
        throw EPropertyError(SInvalidPropertyValue);
    SetOrdValue(v);
}

void TEnumProperty::GetValues(const TGetStrProc& proc) {
    const TEnumInfo* names = GetPropInfo()->EnumType;
    for (int i = 0; i < names->Count(); ++i)
        proc(names->Name(i));
}

// --- Sets ---------------------------------------------------------------------------------------

TPropertyAttributes TSetProperty::GetAttributes() {
    return {paMultiSelect, paSubProperties, paRevertable};
}

AnsiString TSetProperty::GetValue() {
    return SetToString(*GetPropInfo()->EnumType, static_cast<std::uint64_t>(GetOrdValue()));
}

void TSetProperty::SetValue(const AnsiString& value) {
    SetOrdValue(static_cast<std::int64_t>(StringToSet(*GetPropInfo()->EnumType, value)));
}

void TSetProperty::GetProperties(const TGetPropProc& proc) {
    const TEnumInfo* elements = GetPropInfo()->EnumType;
    for (int e = 0; e < elements->Count(); ++e) {
        auto editor = New<TSetElementProperty>(GetDesigner(), GetPropCount(), e);
        for (int i = 0; i < GetPropCount(); ++i)
            editor->SetPropEntry(i, GetComponent(i), GetPropInfo());
        editor->Initialize();
        proc(TOwned<TPropertyEditor>(editor.release()));
    }
}

TSetElementProperty::TSetElementProperty(IDesigner* designer, int propCount, int element)
    : TPropertyEditor(designer, propCount), FElement(element) {}

TPropertyAttributes TSetElementProperty::GetAttributes() {
    return {paMultiSelect, paValueList, paSortList};
}

AnsiString TSetElementProperty::GetName() const {
    return GetPropInfo()->EnumType->Name(FElement);
}

AnsiString TSetElementProperty::GetValue() {
    const bool on = (static_cast<std::uint64_t>(GetOrdValue()) >> FElement) & 1u;
    return BooleanEnumInfo().Name(on ? 1 : 0);
}

void TSetElementProperty::SetValue(const AnsiString& value) {
    const int on = BooleanEnumInfo().Value(Trim(value));
    if (on < 0) throw EPropertyError(SInvalidPropertyValue);
    const std::uint64_t bit = std::uint64_t{1} << FElement;
    std::uint64_t bits = static_cast<std::uint64_t>(GetOrdValue());
    bits = on ? (bits | bit) : (bits & ~bit);
    SetOrdValue(static_cast<std::int64_t>(bits));
}

void TSetElementProperty::GetValues(const TGetStrProc& proc) {
    proc(BooleanEnumInfo().Name(0));
    proc(BooleanEnumInfo().Name(1));
}

// --- Floats and strings -------------------------------------------------------------------------

AnsiString TFloatProperty::GetValue() {
    switch (GetPropInfo()->FloatType) {
    case TFloatType::ftCurr:
        return CurrToStr(Currency::FromScaled(GetOrdValue()));
    case TFloatType::ftDateTime:
        return DateTimeToStr(TDateTime(GetFloatValue()));
    default:
        return FloatToStr(GetFloatValue());
    }
}

void TFloatProperty::SetValue(const AnsiString& value) {
    switch (GetPropInfo()->FloatType) {
    case TFloatType::ftCurr:
        SetOrdValue(StrToCurr(value).Scaled);
        return;
    case TFloatType::ftDateTime:
        SetFloatValue(StrToDateTime(value).Value);
        return;
    default:
        SetFloatValue(StrToFloat(value));
        return;
    }
}

TPropertyAttributes TStringProperty::GetAttributes() {
    return {paMultiSelect, paRevertable};
}

AnsiString TStringProperty::GetValue() {
    return GetStrValue();
}

void TStringProperty::SetValue(const AnsiString& value) {
    SetStrValue(value);
}

// --- Sub-objects and references -----------------------------------------------------------------

TPropertyAttributes TClassProperty::GetAttributes() {
    return {paMultiSelect, paSubProperties, paReadOnly};
}

AnsiString TClassProperty::GetValue() {
    TObject* object = GetObjectValue();
    return "(" + ClassNameOf(object != nullptr ? object->ClassType() : GetPropInfo()->PropClass) + ")";
}

void TClassProperty::GetProperties(const TGetPropProc& proc) {
    std::vector<TPersistent*> objects;
    for (int i = 0; i < GetPropCount(); ++i) {
        auto* object = dynamic_cast<TPersistent*>(GetObjectValueAt(i));
        if (object == nullptr) return;
        objects.push_back(object);
    }
    GetComponentProperties(objects, GetDesigner(), proc);
}

TPropertyAttributes TComponentProperty::GetAttributes() {
    return {paMultiSelect, paValueList, paSortList, paRevertable};
}

AnsiString TComponentProperty::GetValue() {
    auto* component = dynamic_cast<TComponent*>(GetObjectValue());
    if (component == nullptr) return AnsiString();
    return GetDesigner() != nullptr ? GetDesigner()->GetComponentName(component) : component->GetName();
}

void TComponentProperty::SetValue(const AnsiString& value) {
    const AnsiString name = Trim(value);
    if (name.empty()) {
        SetObjectValue(nullptr);
        return;
    }
    TComponent* component = GetDesigner() != nullptr ? GetDesigner()->GetComponent(name) : nullptr;
    if (component == nullptr || !component->InheritsFrom(GetPropInfo()->PropClass))
        throw EPropertyError(SInvalidPropertyValue);
    SetObjectValue(component);
}

void TComponentProperty::GetValues(const TGetStrProc& proc) {
    if (GetDesigner() != nullptr) GetDesigner()->GetComponentNames(GetPropInfo()->PropClass, proc);
}

// --- Events -------------------------------------------------------------------------------------

TPropertyAttributes TMethodProperty::GetAttributes() {
    return {paMultiSelect, paValueList, paSortList, paRevertable};
}

AnsiString TMethodProperty::GetValue() {
    auto handler = GetMethodValue();
    return handler ? handler->Name() : AnsiString();
}

void TMethodProperty::SetValue(const AnsiString& value) {
    const AnsiString name = Trim(value);
    if (name.empty()) {
        SetMethodValue(nullptr);
        return;
    }
    if (!IsValidIdent(name)) throw EPropertyError(SInvalidPropertyValue);
    IDesigner* designer = GetDesigner();
    if (designer == nullptr || designer->GetRoot() == nullptr) throw EPropertyError(SNoDesignerForEvents);
    std::shared_ptr<const THandler> handler = designer->GetRoot()->FindHandler(name);
    if (!handler) handler = designer->CreateMethod(name, *GetPropInfo());
    SetMethodValue(handler);
}

void TMethodProperty::GetValues(const TGetStrProc& proc) {
    if (GetDesigner() != nullptr) GetDesigner()->GetMethods(*GetPropInfo()->EventSignature, proc);
}

AnsiString TMethodProperty::GetFormMethodName() const {
    AnsiString base = "Object";
    if (auto* component = dynamic_cast<TComponent*>(GetComponent(0))) {
        const bool isRoot = GetDesigner() != nullptr && component == GetDesigner()->GetRoot();
        base = isRoot ? AnsiString("Form") : component->GetName();
    }
    AnsiString event = GetName();
    if (event.size() > 2 && SameText(event.substr(0, 2), "On")) event = event.substr(2);
    return base + event;
}

void TMethodProperty::Edit() {
    if (GetValue().empty()) SetValue(GetFormMethodName());
    if (GetDesigner() != nullptr) GetDesigner()->ShowMethod(GetValue());
}

} // namespace vcl
