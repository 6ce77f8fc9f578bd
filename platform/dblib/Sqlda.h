// SQLDA allocation: one zero-filled block per area (header, variables, then one indicator per
// variable when asked), remembered in a registry so that freeing ignores any pointer the library
// did not hand out.
#pragma once

#include "platform/dblib/dblib.h"

namespace tnxdb {

sqlda* AllocSqlda(unsigned n, bool indicators);
void FreeSqlda(sqlda* da);

} // namespace tnxdb
