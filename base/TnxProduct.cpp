#include "base/TnxProduct.h"

namespace tnx {

const char* const szTarnixVersion = "1.86b";
const char* const szCorvexLibraryName = "Tarnix";
const char* const szCorvexLibraryShortName = "TNX";

} // namespace tnx
