// TPersistent: assignment protocol and name paths.
#include "platform/vcl/Persistent.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclConsts.h"

namespace vcl {

VCL_CLASS_INFO(TPersistent)

TPersistent::~TPersistent() = default;

void TPersistent::Assign(TPersistent* source) {
    if (source != nullptr) {
        source->AssignTo(this);
    } else {
        AssignError(nullptr);
    }
}

void TPersistent::AssignTo(TPersistent* dest) {
    dest->AssignError(this);
}

void TPersistent::AssignError(TPersistent* source) {
    const AnsiString sourceName = source ? source->ClassName() : AnsiString("nil");
    throw EConvertError(SCannotAssign, {sourceName, ClassName()});
}

void TPersistent::DefineProperties(TFiler&) {}

TPersistent* TPersistent::GetOwner() {
    return nullptr;
}

AnsiString TPersistent::GetNamePath() {
    AnsiString result = ClassName();
    if (TPersistent* owner = GetOwner()) {
        AnsiString ownerPath = owner->GetNamePath();
        if (!ownerPath.empty()) result = ownerPath + "." + result;
    }
    return result;
}

} // namespace vcl
