// The library's own tables inside each database file: the users (name, salted password hash,
// DBA authority) and the permanent option settings. They are created when a database is created
// or first started, with the user DBA (password SQL) when the user table is new. Passwords are
// compared case-insensitively and never stored as text.
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tnxdb {

// Creates the catalog tables when they are missing, with the given first DBA user.
void EnsureCatalog(sqlite3* db, std::string_view dbaUser = "DBA", std::string_view dbaPassword = "SQL");

struct AuthResult {
    bool Ok = false;
    bool IsDba = false;
    std::string Name; // the user's name as stored
};

// Checks a user name and password against the catalog.
AuthResult Authenticate(sqlite3* db, std::string_view user, std::string_view password);

// Adds a user or changes its password (password null: keep it; a new user without one cannot
// connect), optionally granting DBA authority. Runs in its own transaction.
void GrantUser(sqlite3* db, std::string_view user, const std::string* password, bool dba);
// Removes a user; DBLIB_E_PERMISSION ("no such user") when there is none.
void RevokeUser(sqlite3* db, std::string_view user);

// Permanent option settings of a user name ("PUBLIC" for the defaults): (option, value) pairs.
std::vector<std::pair<std::string, std::string>> LoadOptions(sqlite3* db, std::string_view user);
// Stores (or, for an empty value, removes) a permanent setting. Runs in its own transaction.
void SaveOption(sqlite3* db, std::string_view user, std::string_view option, std::string_view value);
// Whether a user exists.
bool UserExists(sqlite3* db, std::string_view user);

} // namespace tnxdb
