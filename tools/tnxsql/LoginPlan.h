// How the tool's connection settings become a session's login properties.
//
// The session builds its connection text from its own properties (engine name, database file,
// user, password) and appends them after its extra client parameters, so a key given both ways
// would be overridden by the property, even by an empty one. The tool therefore takes a whole
// connection string apart: the keys the session has properties for move into those properties,
// everything else stays in the extra parameters, untouched and in order.
//
// Guarantees:
//  - The password travels only in LoginPlan::Password (never in ClientParams, never in an error
//    text of this file).
//  - A database file is made absolute, because the session changes the current folder around
//    connecting (to the client library's folder).
//  - Contradictions are refused with BackendError (code 0) before anything is started.
#pragma once

#include "tools/tnxsql/Backend.h"

#include <string>
#include <string_view>
#include <vector>

namespace tnxsql {

// One key=value part of a connection string.
struct ConnectionPart {
    std::string Key;   // as written, blanks trimmed
    std::string Value; // unquoted (a doubled quote inside quotes stands for one)
    std::string Text;  // the part exactly as written, for passing it on
};

// Splits a connection string into its parts: ';' separates parts outside quotes (' or "), empty
// parts are skipped. Throws BackendError (code 0) for a part without '=' or an unterminated
// quote; the message names the position, never the text (it may hold the password).
std::vector<ConnectionPart> SplitConnectionString(std::string_view text);

// The session's login properties for the settings.
struct LoginPlan {
    std::string Database;     // LoginDatabase: an absolute file path, a database name, or empty
    std::string Engine;       // LoginEngineName; empty: named after the file
    std::string User;         // LoginUser
    Secret Password;          // LoginPassword
    std::string ClientParams; // the connection string's other parts, joined by ';'
    bool StartEngine = false; // a file is given: start the engine (or the database) on it
};

// The user and password a database has when nobody says otherwise (a new database's DBA).
inline constexpr const char* DefaultUser = "DBA";
inline constexpr const char* DefaultPassword = "SQL";

// Merges the options and the connection string (options win) into a plan:
//  - the file is --database or dbf; the database name --dbname or dbn. With a file the database
//    is named after it (a different name is refused); without one a name selects a database
//    already running (a name with '.', '/' or '\' is refused: it would be read as a file);
//  - the engine is --engine or eng (EngineName, ServerName);
//  - the user is --user or uid (UserID); the password the one given or pwd (Password); with
//    neither a user nor a password anywhere, the defaults above.
LoginPlan PlanLogin(const ConnectSettings& settings);

// "sales" for "/data/sales.db" or "C:\data\sales.db": the name the session gives the database and
// the engine started on a file.
std::string FilePrefix(std::string_view path);

} // namespace tnxsql
