// TCorvexParamsProperty.
#include "asa/design/CorvexParamsProperty.h"

#include "asa/design/CorvexParamsDlg.h"
#include "platform/vcl/Forms.h"

namespace tnx {

using namespace vcl;

VCL_CLASS_INFO(TCorvexParamsProperty)

TCorvexParamsProperty::~TCorvexParamsProperty() = default;

TPropertyAttributes TCorvexParamsProperty::GetAttributes() {
    return {paDialog};
}

void TCorvexParamsProperty::Edit() {
    auto* params = dynamic_cast<TAsaParams*>(GetObjectValue());
    if (params == nullptr) return;
    TCorvexParamsDlg* dialog = Make<TCorvexParamsDlg>(Application);
    bool confirmed = false;
    try {
        dialog->SetCaption(params->GetNamePath() + " Parameters");
        dialog->SetAsaParams(params);
        confirmed = dialog->ShowModal() == mrOk;
    } catch (...) {
        dialog->Free();
        throw;
    }
    dialog->Free();
    if (confirmed) Modified();
}

} // namespace tnx
