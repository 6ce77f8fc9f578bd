// The global text settings (see FormatSettings.h for the defaults).
#include "platform/vcl/FormatSettings.h"

namespace vcl {

TFormatSettings FormatSettings;

} // namespace vcl
