// TCorvexParamsProperty: the inspector's editor of a parameter list (TAsaParams). It shows an
// ellipsis button only (paDialog); Edit opens the parameters editor on the list and tells the
// designer the component changed when the editor closes with OK.
#pragma once

#include "platform/vcl/design/DefaultEditors.h"

namespace tnx {

class TCorvexParamsProperty : public vcl::TClassProperty {
    VCL_CLASS(TCorvexParamsProperty, vcl::TClassProperty)
public:
    using vcl::TClassProperty::TClassProperty;
    vcl::TPropertyAttributes GetAttributes() override;
    void Edit() override;

protected:
    ~TCorvexParamsProperty() override;
};

} // namespace tnx
