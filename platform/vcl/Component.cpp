// TComponent: ownership, names, notifications, state and named handlers.
#include "platform/vcl/Component.h"

#include "platform/vcl/Reader.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/Writer.h"

#include <algorithm>

namespace vcl {

VCL_CLASS_INFO(TComponent, [](TPublisher<TComponent>& p) {
    // The name is written in the component's header, not as a property.
    p.Property("Name", &TComponent::GetName, &TComponent::SetName).Stored(false);
    p.Property("Tag", &TComponent::GetTag, &TComponent::SetTag).Default(0);
})

// Out of line, so the handler's vtable lives in this library only.
THandler::~THandler() = default;

bool IsValidIdent(std::string_view name) {
    if (name.empty()) return false;
    auto isAlpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!isAlpha(name[0])) return false;
    for (char c : name)
        if (!isAlpha(c) && !(c >= '0' && c <= '9')) return false;
    return true;
}

TComponent::TComponent(TComponent* owner) {
    if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    // Destroy() has normally done all of this already; something is left only when a derived
    // constructor raised, so that Destroy never ran. Then the parts built so far are undone here.
    ReleaseResources();
}

void TComponent::BeforeDestruction() {
    inherited::BeforeDestruction();
    Destroying();
}

void TComponent::Destroy() {
    Destroying();
    ReleaseResources();
    inherited::Destroy();
}

void TComponent::ReleaseResources() {
    SendFreeNotifications();
    DestroyComponents();
    if (FOwner != nullptr) FOwner->RemoveComponent(this);
    if (FComponentState.Contains(csFixups)) RemoveFixupReferences(this);
}

void TComponent::SendFreeNotifications() {
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        auto& back = other->FFreeNotifies;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        other->Notification(this, opRemove);
    }
}

void TComponent::DestroyComponents() {
    while (!FComponents.empty()) {
        TComponent* child = FComponents.back();
        // A child someone else watches leaves with notifications; the others leave quietly, as
        // everything they could notify is being freed with them.
        if (child->FComponentState.Contains(csFreeNotification)) {
            RemoveComponent(child);
        } else {
            Remove(child);
        }
        child->Free();
    }
}

void TComponent::Destroying() {
    if (FComponentState.Contains(csDestroying)) return;
    FComponentState.Include(csDestroying);
    for (TComponent* child : FComponents)
        child->Destroying();
}

void TComponent::SetName(const AnsiString& newName) {
    if (FName == newName) return;
    if (!newName.empty() && !IsValidIdent(newName)) throw EComponentError(SInvalidName, {newName});
    if (FOwner != nullptr) {
        FOwner->ValidateRename(this, FName, newName);
    } else {
        ValidateRename(nullptr, FName, newName);
    }
    FName = newName;
}

AnsiString TComponent::GetNamePath() {
    return FName;
}

void TComponent::ValidateRename(TComponent* component, const AnsiString& curName, const AnsiString& newName) {
    if (component != nullptr && !SameText(curName, newName)) {
        TComponent* existing = FindComponent(newName);
        if (existing != nullptr && existing != component) throw EComponentError(SDuplicateName, {newName});
    }
}

void TComponent::ValidateInsert(TComponent*) {}
void TComponent::ValidateContainer(TComponent*) {}
void TComponent::SetChildOrder(TComponent* child, int order) {
    child->SetComponentIndex(order);
}

TComponent* TComponent::GetComponent(int index) const {
    if (index < 0 || index >= GetComponentCount()) throw EListError(SListIndexError, {index});
    return FComponents[static_cast<std::size_t>(index)];
}

int TComponent::GetComponentIndex() const {
    if (FOwner == nullptr) return -1;
    const auto& list = FOwner->FComponents;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TComponent::SetComponentIndex(int index) {
    if (FOwner == nullptr) return;
    auto& list = FOwner->FComponents;
    const int count = static_cast<int>(list.size());
    const int current = GetComponentIndex();
    if (current < 0) return;
    if (index < 0) index = 0;
    if (index >= count) index = count - 1;
    if (index == current) return;
    list.erase(list.begin() + current);
    list.insert(list.begin() + index, this);
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty()) return nullptr;
    for (TComponent* c : FComponents)
        if (SameText(c->FName, name)) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
    if (component == nullptr || component->FOwner == this) return;
    // A component cannot own itself or one of its owners: the ownership tree would become a loop.
    for (TComponent* c = this; c != nullptr; c = c->FOwner)
        if (c == component) throw EComponentError(SInvalidOperation);
    component->ValidateContainer(this);
    ValidateInsert(component);
    ValidateRename(component, AnsiString(), component->FName);
    if (component->FOwner != nullptr) component->FOwner->RemoveComponent(component);
    Insert(component);
    if (FComponentState.Contains(csDesigning)) component->SetDesigning(true);
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    if (component == nullptr || component->FOwner != this) return;
    Notification(component, opRemove);
    Remove(component);
}

void TComponent::Insert(TComponent* component) {
    FComponents.push_back(component);
    component->FOwner = this;
}

void TComponent::Remove(TComponent* component) {
    auto it = std::find(FComponents.begin(), FComponents.end(), component);
    if (it != FComponents.end()) FComponents.erase(it);
    component->FOwner = nullptr;
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && component != nullptr) RemoveFreeNotification(component);
    // Children may leave the list while they are notified; walk from the end and re-clamp.
    std::ptrdiff_t i = static_cast<std::ptrdiff_t>(FComponents.size()) - 1;
    while (i >= 0) {
        FComponents[static_cast<std::size_t>(i)]->Notification(component, operation);
        --i;
        const auto count = static_cast<std::ptrdiff_t>(FComponents.size());
        if (i >= count) i = count - 1;
    }
}

void TComponent::FreeNotification(TComponent* component) {
    if (component == nullptr || component == this) return;
    if (FOwner == nullptr || component->FOwner != FOwner) {
        if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end()) {
            FFreeNotifies.push_back(component);
            component->FFreeNotifies.push_back(this);
        }
    }
    FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    RemoveNotification(component);
    component->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* component) {
    FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), component),
                        FFreeNotifies.end());
}

void TComponent::SetDesigning(bool value, bool setChildren) {
    SetStateFlag(csDesigning, value);
    if (setChildren)
        for (TComponent* child : FComponents)
            child->SetDesigning(value, true);
}

void TComponent::SetAncestor(bool value) {
    SetStateFlag(csAncestor, value);
    for (TComponent* child : FComponents)
        child->SetAncestor(value);
}

void TComponent::SetSubComponent(bool value) {
    if (value) {
        FComponentStyle.Include(csSubComponent);
    } else {
        FComponentStyle.Exclude(csSubComponent);
    }
}

void TComponent::Updating() {
    FComponentState.Include(csUpdating);
}
void TComponent::Updated() {
    FComponentState.Exclude(csUpdating);
}

void TComponent::SetStateFlag(TComponentStateItem flag, bool on) {
    if (on) {
        FComponentState.Include(flag);
    } else {
        FComponentState.Exclude(flag);
    }
}

void TComponent::Loaded() {
    FComponentState.Exclude(csLoading);
}

void TComponent::ReadState(TReader& reader) {
    reader.ReadData(this);
}

void TComponent::WriteState(TWriter& writer) {
    writer.WriteData(this);
}

void TComponent::GetChildren(const TGetChildProc& proc, TComponent*) {
    // A copy, so that the callback may change the list without upsetting the walk.
    const std::vector<TComponent*> children = FComponents;
    for (TComponent* child : children) {
        const TComponentStyle style = child->FComponentStyle;
        if (style.Contains(csSubComponent) || style.Contains(csTransient)) continue;
        proc(child);
    }
}

TComponent* TComponent::GetChildOwner() {
    return this;
}

void TComponent::AddHandler(std::shared_ptr<const THandler> handler) {
    if (!IsValidIdent(handler->Name())) throw EComponentError(SInvalidHandlerName, {handler->Name()});
    if (!FHandlers) FHandlers = std::make_unique<std::map<AnsiString, std::shared_ptr<const THandler>>>();
    (*FHandlers)[UpperCase(handler->Name())] = std::move(handler);
}

void TComponent::UnregisterHandler(std::string_view name) {
    if (FHandlers) FHandlers->erase(UpperCase(name));
}

std::shared_ptr<const THandler> TComponent::FindHandler(std::string_view name) const {
    if (!FHandlers) return nullptr;
    auto it = FHandlers->find(UpperCase(name));
    return it == FHandlers->end() ? nullptr : it->second;
}

std::vector<AnsiString> TComponent::HandlerNames() const {
    std::vector<AnsiString> names;
    if (FHandlers)
        for (const auto& [key, handler] : *FHandlers)
            names.push_back(handler->Name());
    return names;
}

} // namespace vcl
