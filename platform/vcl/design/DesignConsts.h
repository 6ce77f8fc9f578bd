// The messages of the designer's interfaces.
#pragma once

#include "platform/vcl/ResourceStrings.h"

namespace vcl {

inline constexpr const char* VclDesignModule = "vcldsgn";

inline constexpr TResStringRec SValueOutOfRange{VclDesignModule, 65220, "SValueOutOfRange",
                                                "Value must be between %d and %d"};
inline constexpr TResStringRec SNoDesignerForEvents{VclDesignModule, 65221, "SNoDesignerForEvents",
                                                    "Event handlers can be set only inside a designer"};

} // namespace vcl
