// What the tool prints after a statement that returns no rows: the number of rows it changed, for
// the statements that change rows (INSERT, UPDATE, DELETE, MERGE, REPLACE, and WITH ... before
// one of them); nothing after MESSAGE, whose text is the statement's output; and otherwise the
// statement's command in capitals, the way it reads ("CREATE TABLE", "DROP INDEX", "SET OPTION",
// "GRANT", "COMMIT"): a "0 rows affected" after a CREATE TABLE would say nothing true.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tnxsql {

// The command of a statement that has no row count; nullopt for one that counts rows; an empty
// text for one after which nothing is printed.
std::optional<std::string> CommandTag(std::string_view sql);

} // namespace tnxsql
