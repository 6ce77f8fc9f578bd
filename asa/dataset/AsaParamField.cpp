// TAsaParam::AssignField and the field branch of TAsaParam::Assign (see AsaParamField.h).
#include "asa/dataset/AsaParamField.h"

#include "asa/dataset/AsaParam.h"
#include "platform/vcl/db/Field.h"

namespace tnx {

bool AssignParamFromField(TAsaParam& param, vcl::TPersistent* source) {
    auto* field = dynamic_cast<vcl::TField*>(source);
    if (field == nullptr) return false;
    param.AssignField(field);
    return true;
}

void TAsaParam::AssignField(vcl::TField* field) {
    if (field == nullptr) return;
    FName = field->GetFieldName();
    FAlias = FName;
    if (field->GetIsNull()) {
        Clear();
    } else {
        SetAsVariant(field->GetAsVariant());
    }
}

} // namespace tnx
