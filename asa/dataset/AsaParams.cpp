// TAsaParams: ownership of the parameters, lookups, the values handed to the statement and
// assignment (see AsaParams.h). The stored form lives in AsaParamsStream.cpp.
#include "asa/dataset/AsaParams.h"

#include "base/CorvexException.h"
#include "base/TnxConsts.h"
#include "platform/vcl/Component.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclConsts.h"

#include <algorithm>

namespace tnx {

using vcl::AnsiString;
using vcl::Variant;

VCL_CLASS_INFO(TAsaParams)

TAsaParams::TAsaParams(vcl::TComponent* owner) : FOwner(owner) {}

TAsaParams::~TAsaParams() = default;

void TAsaParams::Destroy() {
    Clear();
    inherited::Destroy();
}

vcl::TPersistent* TAsaParams::GetOwner() {
    return FOwner;
}

void TAsaParams::AddParam(TAsaParam* param) {
    if (param->FParamList != nullptr) param->FParamList->RemoveParam(param);
    FItems.push_back(param);
    param->FParamList = this;
}

void TAsaParams::RemoveParam(TAsaParam* param) {
    if (param->FParamList != this) return;
    const auto it = std::find(FItems.begin(), FItems.end(), param);
    if (it != FItems.end()) FItems.erase(it);
    param->FParamList = nullptr;
}

void TAsaParams::Clear() {
    // Each parameter removes itself from the list as it is freed.
    while (!FItems.empty())
        FItems.back()->Free();
}

TAsaParam* TAsaParams::FindParam(const AnsiString& name) const {
    for (TAsaParam* param : FItems) {
        if (vcl::AnsiSameText(param->GetName(), name)) return param;
    }
    return nullptr;
}

TAsaParam* TAsaParams::ParamByName(const AnsiString& name) const {
    if (TAsaParam* param = FindParam(name)) return param;
    throw ECorvexException(vcl::Format(vcl::LoadResString(CORVEX_ERR_PARAM_NOT_FOUND), {name}), 0);
}

TAsaParam* TAsaParams::ParamByAlias(const AnsiString& alias) const {
    for (TAsaParam* param : FItems) {
        if (vcl::AnsiSameText(param->GetAlias(), alias)) return param;
    }
    throw ECorvexException(vcl::Format(vcl::LoadResString(CORVEX_ERR_PARAM_NOT_FOUND), {alias}), 0);
}

TAsaParam* TAsaParams::ItemAt(std::int32_t index) const {
    // The first parameter of the index's name: with duplicate names, later indices give the first.
    return FindParam(FItems[static_cast<std::size_t>(index)]->GetName());
}

TAsaParam* TAsaParams::GetParam(std::uint16_t index) const {
    if (index >= FItems.size()) throw vcl::EListError(vcl::SListIndexError, {static_cast<int>(index)});
    return ItemAt(index);
}

TAsaParam* TAsaParams::GetParamAt(std::int32_t index) const {
    if (index < 0 || index >= GetCount()) throw vcl::EListError(vcl::SListIndexError, {static_cast<int>(index)});
    return FItems[static_cast<std::size_t>(index)];
}

AnsiString TAsaParams::GetParamAliases() const {
    AnsiString aliases;
    for (const TAsaParam* param : FItems) {
        if (aliases.empty()) {
            aliases = param->GetAlias();
        } else {
            aliases += ";" + param->GetAlias();
        }
    }
    return aliases;
}

Variant TAsaParams::GetParamValues() const {
    const AnsiString aliases = GetParamAliases();
    if (aliases.empty()) return vcl::Null();
    if (aliases.find(';') != AnsiString::npos) {
        Variant values = vcl::VarArrayCreate(0, GetCount() - 1, vcl::varVariant);
        {
            vcl::TVarArrayLock lock(values);
            auto* elements = static_cast<Variant*>(lock.Data());
            for (std::size_t i = 0; i < FItems.size(); ++i) {
                elements[i] = FItems[i]->GetIsNull() ? vcl::Null() : FItems[i]->GetAsVariant();
            }
        }
        return values;
    }
    const TAsaParam* param = ParamByAlias(aliases);
    return param->GetIsNull() ? vcl::Null() : param->GetAsVariant();
}

bool TAsaParams::IsEqual(const TAsaParams& other) const {
    if (GetCount() != other.GetCount()) return false;
    for (std::int32_t i = 0; i < GetCount(); ++i) {
        if (!ItemAt(i)->IsEqual(*other.ItemAt(i))) return false;
    }
    return true;
}

void TAsaParams::Assign(vcl::TPersistent* source) {
    if (auto* other = dynamic_cast<TAsaParams*>(source)) {
        // Assigning the list to itself must not clear it first.
        if (other == this) return;
        Clear();
        for (std::int32_t i = 0; i < other->GetCount(); ++i) {
            TAsaParam::Create(*this, AnsiString())->Assign(other->ItemAt(i));
        }
        return;
    }
    inherited::Assign(source);
}

void TAsaParams::AssignTo(vcl::TPersistent* dest) {
    if (auto* other = dynamic_cast<TAsaParams*>(dest)) {
        other->Assign(this);
        return;
    }
    inherited::AssignTo(dest);
}

void TAsaParams::AssignValues(const TAsaParams& other) {
    for (std::int32_t i = 0; i < GetCount(); ++i) {
        TAsaParam* target = ItemAt(i);
        for (std::int32_t j = 0; j < other.GetCount(); ++j) {
            TAsaParam* source = other.ItemAt(j);
            if (source->GetName() == target->GetName()) {
                target->Assign(source);
                break;
            }
        }
    }
}

} // namespace tnx
