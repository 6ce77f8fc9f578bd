// Unit TnxApp: finding the sessions on the application's forms and data modules by the name of
// their database (the database file's name without folder and extension: "C:\data\Sales.db" and
// "/srv/Sales.db" are both "Sales").
#pragma once

#include "base/CorvexSession.h"
#include "platform/vcl/StringList.h"

#include <string_view>

namespace tnx {

// Fills List (replacing what it held) with one line per database name, sorted and compared
// ignoring case, each with its session as the line's object. Sessions whose LoginDatabase is
// empty or blank are left out. When two sessions give the same name (ignoring case), the first
// one found is kept: the screen's forms in order, each form's components in order, then the data
// modules likewise.
void TnxGetDatabaseNames(vcl::TStrings* List);
// The session of the database of that name (ASCII letter case ignored), or null.
TCorvexSession* TnxFindDatabase(std::string_view Name);

} // namespace tnx
