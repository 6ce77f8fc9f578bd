// The designer's interfaces in one include: IDesigner, property editors (the base and the
// defaults of each kind), component editors and the design-time registry.
#pragma once

#include "platform/vcl/design/ComponentEditor.h"
#include "platform/vcl/design/DefaultEditors.h"
#include "platform/vcl/design/DesignConsts.h"
#include "platform/vcl/design/DesignRegistry.h"
#include "platform/vcl/design/Designer.h"
#include "platform/vcl/design/PropertyEditor.h"
