// TPropertyEditor, TPropertyType and IDesigner's defaults.
#include "platform/vcl/design/PropertyEditor.h"

#include "platform/vcl/DataModule.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Persistent.h"
#include "platform/vcl/Reader.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/VclConsts.h"

#include <vector>

namespace vcl {

VCL_CLASS_INFO(TPropertyEditor)

// --- IDesigner ----------------------------------------------------------------------------------

IDesigner::~IDesigner() = default;

AnsiString IDesigner::GetComponentName(TComponent* component) {
    if (component == nullptr) return AnsiString();
    TComponent* root = GetRoot();
    if (component == root) return component->GetName();
    if (component->Owner() == root) return component->GetName();
    if (component->Owner() != nullptr && !component->Owner()->GetName().empty())
        return component->Owner()->GetName() + "." + component->GetName();
    return component->GetName();
}

TComponent* IDesigner::GetComponent(std::string_view name) {
    if (name.empty()) return nullptr;
    TComponent* root = GetRoot();
    const std::size_t dot = name.find('.');
    if (dot == std::string_view::npos) {
        if (root != nullptr && SameText(root->GetName(), name)) return root;
        return root != nullptr ? root->FindComponent(name) : nullptr;
    }
    TComponent* other = FindGlobalComponent(name.substr(0, dot));
    return other != nullptr ? other->FindComponent(name.substr(dot + 1)) : nullptr;
}

void IDesigner::GetComponentNames(TClass cls, const TGetStrProc& proc) {
    TComponent* root = GetRoot();
    auto listRoot = [&](TComponent* r) {
        for (int i = 0; i < r->GetComponentCount(); ++i) {
            TComponent* c = r->GetComponent(i);
            if (!c->GetName().empty() && c->InheritsFrom(cls)) proc(GetComponentName(c));
        }
    };
    if (root != nullptr) listRoot(root);
    if (Screen == nullptr) return;
    for (int i = 0; i < Screen->GetFormCount(); ++i)
        if (TComponent* other = Screen->GetFormComponent(i); other != root && !other->GetName().empty()) listRoot(other);
    for (int i = 0; i < Screen->GetDataModuleCount(); ++i)
        if (TComponent* other = Screen->GetDataModule(i); other != root && !other->GetName().empty()) listRoot(other);
}

void IDesigner::GetMethods(const std::type_info& signature, const TGetStrProc& proc) {
    TComponent* root = GetRoot();
    if (root == nullptr) return;
    for (const AnsiString& name : root->HandlerNames()) {
        auto handler = root->FindHandler(name);
        if (handler && handler->Signature() == signature) proc(name);
    }
}

bool IDesigner::MethodExists(std::string_view name) {
    TComponent* root = GetRoot();
    return root != nullptr && root->FindHandler(name) != nullptr;
}

void IDesigner::ShowMethod(std::string_view) {}

// --- TPropertyType ------------------------------------------------------------------------------

TPropertyType TPropertyType::OfClass(TClass cls) {
    TPropertyType t;
    t.Kind = TTypeKind::tkClass;
    t.Name = ClassNameOf(cls);
    t.Class = cls;
    return t;
}

TPropertyType TPropertyType::Named(TTypeKind kind, AnsiString name) {
    TPropertyType t;
    t.Kind = kind;
    t.Name = std::move(name);
    return t;
}

TPropertyType TPropertyType::Of(const TPropInfo& prop) {
    if (prop.Kind == TTypeKind::tkClass) return OfClass(prop.PropClass);
    return Named(prop.Kind, prop.TypeName);
}

bool TPropertyType::Matches(const TPropInfo& prop) const {
    if (Kind != prop.Kind) return false;
    if (Kind == TTypeKind::tkClass) return ClassInheritsFrom(prop.PropClass, Class);
    return SameText(Name, prop.TypeName);
}

// --- TPropertyEditor ----------------------------------------------------------------------------

TPropertyEditor::TPropertyEditor(IDesigner* designer, int propCount)
    : FDesigner(designer), FPropList(static_cast<std::size_t>(propCount < 1 ? 1 : propCount)) {}

TPropertyEditor::~TPropertyEditor() = default;

void TPropertyEditor::SetPropEntry(int index, TPersistent* instance, const TPropInfo* prop) {
    if (index < 0 || index >= GetPropCount()) throw EListError(SListIndexError, {index});
    FPropList[static_cast<std::size_t>(index)] = {instance, prop};
}

TPropertyAttributes TPropertyEditor::GetAttributes() {
    return {paMultiSelect, paRevertable};
}

AnsiString TPropertyEditor::GetValue() {
    return "(unknown)";
}

void TPropertyEditor::SetValue(const AnsiString&) {}

void TPropertyEditor::GetValues(const TGetStrProc&) {}

void TPropertyEditor::GetProperties(const TGetPropProc&) {}

void TPropertyEditor::Edit() {
    if (!GetAttributes().Contains(paValueList)) return;
    std::vector<AnsiString> values;
    GetValues([&](const AnsiString& v) { values.push_back(v); });
    if (values.empty()) return;
    const AnsiString current = GetValue();
    std::size_t next = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (SameText(values[i], current)) {
            next = (i + 1) % values.size();
            break;
        }
    }
    SetValue(values[next]);
}

bool TPropertyEditor::AllEqual() {
    if (GetPropCount() <= 1) return true;
    const TPropInfo* prop = GetPropInfo();
    switch (prop->Kind) {
    case TTypeKind::tkString:
        for (int i = 1; i < GetPropCount(); ++i)
            if (GetStrValueAt(i) != GetStrValueAt(0)) return false;
        return true;
    case TTypeKind::tkClass:
        for (int i = 1; i < GetPropCount(); ++i)
            if (GetObjectValueAt(i) != GetObjectValueAt(0)) return false;
        return true;
    default:
        if (!prop->GetOrd) return false;
        for (int i = 1; i < GetPropCount(); ++i)
            if (GetOrdValueAt(i) != GetOrdValueAt(0)) return false;
        return true;
    }
}

void TPropertyEditor::Revert() {
    const TPropInfo* prop = GetPropInfo();
    switch (prop->Kind) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkInt64:
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkSet:
        SetOrdValue(prop->Default.value_or(0));
        return;
    case TTypeKind::tkFloat:
        SetFloatValue(0);
        return;
    case TTypeKind::tkString:
        SetStrValue(AnsiString());
        return;
    case TTypeKind::tkClass:
        if (prop->IsReference()) SetObjectValue(nullptr);
        return;
    case TTypeKind::tkMethod:
        SetMethodValue(nullptr);
        return;
    default:
        return;
    }
}

AnsiString TPropertyEditor::GetName() const {
    const TPropInfo* prop = FPropList.front().second;
    return prop != nullptr ? prop->Name : AnsiString();
}

const TPropInfo* TPropertyEditor::GetPropInfo() const {
    return FPropList.front().second;
}

TPropertyType TPropertyEditor::GetPropType() const {
    return TPropertyType::Of(*GetPropInfo());
}

TTypeKind TPropertyEditor::GetPropKind() const {
    return GetPropInfo()->Kind;
}

TPersistent* TPropertyEditor::GetComponent(int index) const {
    if (index < 0 || index >= GetPropCount()) throw EListError(SListIndexError, {index});
    return FPropList[static_cast<std::size_t>(index)].first;
}

void TPropertyEditor::Modified() {
    if (FDesigner != nullptr) FDesigner->Modified();
}

void TPropertyEditor::CheckWritable() const {
    const TPropInfo* prop = GetPropInfo();
    if (!prop->IsWritable()) throw EPropertyError(SReadOnlyProperty);
}

std::int64_t TPropertyEditor::GetOrdValueAt(int index) const {
    const auto& [instance, prop] = FPropList[static_cast<std::size_t>(index)];
    return prop->GetOrd ? prop->GetOrd(instance) : 0;
}

std::int64_t TPropertyEditor::GetOrdValue() const {
    return GetOrdValueAt(0);
}

void TPropertyEditor::SetOrdValue(std::int64_t value) {
    CheckWritable();
    for (const auto& [instance, prop] : FPropList)
        prop->SetOrd(instance, value);
    Modified();
}

double TPropertyEditor::GetFloatValue() const {
    const auto& [instance, prop] = FPropList.front();
    return prop->GetFloat ? prop->GetFloat(instance) : 0.0;
}

void TPropertyEditor::SetFloatValue(double value) {
    CheckWritable();
    for (const auto& [instance, prop] : FPropList)
        prop->SetFloat(instance, value);
    Modified();
}

AnsiString TPropertyEditor::GetStrValueAt(int index) const {
    const auto& [instance, prop] = FPropList[static_cast<std::size_t>(index)];
    return prop->GetStr ? prop->GetStr(instance) : AnsiString();
}

AnsiString TPropertyEditor::GetStrValue() const {
    return GetStrValueAt(0);
}

void TPropertyEditor::SetStrValue(const AnsiString& value) {
    CheckWritable();
    for (const auto& [instance, prop] : FPropList)
        prop->SetStr(instance, value);
    Modified();
}

TObject* TPropertyEditor::GetObjectValueAt(int index) const {
    const auto& [instance, prop] = FPropList[static_cast<std::size_t>(index)];
    return prop->GetObj ? prop->GetObj(instance) : nullptr;
}

TObject* TPropertyEditor::GetObjectValue() const {
    return GetObjectValueAt(0);
}

void TPropertyEditor::SetObjectValue(TObject* value) {
    CheckWritable();
    for (const auto& [instance, prop] : FPropList)
        prop->SetObj(instance, value);
    Modified();
}

std::shared_ptr<const THandler> TPropertyEditor::GetMethodValue() const {
    const auto& [instance, prop] = FPropList.front();
    return prop->GetHandler ? prop->GetHandler(instance) : nullptr;
}

void TPropertyEditor::SetMethodValue(const std::shared_ptr<const THandler>& handler) {
    CheckWritable();
    for (const auto& [instance, prop] : FPropList)
        prop->SetHandler(instance, handler);
    Modified();
}

} // namespace vcl
