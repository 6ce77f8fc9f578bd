// Product constants of the base package.
#pragma once

namespace tnx {

extern const char* const szTarnixVersion;          // shown in the about box caption
extern const char* const szCorvexLibraryName;      // caption of design-time message boxes
extern const char* const szCorvexLibraryShortName; // module name passed with statement calls

} // namespace tnx
