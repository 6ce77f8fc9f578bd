// The library's own tables inside each database file: the users (name, password hash, DBA
// authority) and the permanent option settings. They are created when a database is created or
// first started, with the user DBA (password SQL) when the user table is new.
//
// Guarantees:
//  - Passwords are never stored as text. They are stored as slow, salted hashes made for
//    passwords, and compared exactly: letter case and blanks at either end count.
//  - A user whose row still holds the fast hash of an earlier version (salt plus the upper-cased
//    password, compared without case) gets the slow hash of the password it gave at its next
//    successful login; the old form is accepted only until then.
//  - Client SQL never reaches these tables: every engine handle carries a guard (GuardCatalog)
//    that refuses any statement reading, changing, dropping, altering, indexing, hooking a trigger
//    onto or shadowing them, whoever the user. Only the functions below, which compile their own
//    fixed statements, may touch them.
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tnxdb {

// Refuses, on this handle, every statement that would reach the catalog tables unless it is
// compiled by one of the functions below. Set once when the handle is opened.
void GuardCatalog(sqlite3* db);

// Creates the catalog tables when they are missing, with the given first DBA user.
void EnsureCatalog(sqlite3* db, std::string_view dbaUser = "DBA", std::string_view dbaPassword = "SQL");

struct AuthResult {
    bool Ok = false;
    bool IsDba = false;
    std::string Name; // the user's name as stored
};

// Checks a user name and password against the catalog. A row still in the earlier fast-hash form
// is rewritten with the slow hash when the check succeeds (best effort: a database that cannot be
// written now is upgraded at a later login).
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
