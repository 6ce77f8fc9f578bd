// Catalog tables, their guard and the password hashes (see Catalog.h).
#include "platform/dblib/Catalog.h"

#include "platform/dblib/ErrorMap.h"
#include "platform/dblib/Sha256.h"
#include "platform/dblib/StmtHandle.h"
#include "platform/dblib/Text.h"
#include "platform/dblib/dblib.h"

#include <sodium.h>

#include <cstdlib>
#include <cstring>

namespace tnxdb {

namespace {

// A prepared statement that finalizes itself.
class Query {
public:
    Query(sqlite3* db, const char* sql) : FDb(db) {
        int rc = PrepareStmt(db, sql, -1, 0, FOwned);
        if (rc != SQLITE_OK) throw EngineError(db, rc);
        FStmt = FOwned.get();
    }
    Query& Bind(int i, std::string_view text) {
        sqlite3_bind_text64(FStmt, i, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        return *this;
    }
    Query& BindBlob(int i, const void* p, size_t n) {
        sqlite3_bind_blob64(FStmt, i, p, n, SQLITE_TRANSIENT);
        return *this;
    }
    Query& BindInt(int i, int v) {
        sqlite3_bind_int(FStmt, i, v);
        return *this;
    }
    bool Step() {
        int rc = sqlite3_step(FStmt);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        throw EngineError(FDb, rc);
    }
    sqlite3_stmt* Get() { return FStmt; }

private:
    sqlite3* FDb;
    StmtHandle FOwned;
    sqlite3_stmt* FStmt = nullptr; // FOwned's statement
};

std::string Text(sqlite3_stmt* s, int col) {
    const unsigned char* p = sqlite3_column_text(s, col);
    return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(s, col)))
             : std::string();
}

// ---- Who may touch the catalog tables ----

// Raised while a function of this file compiles and runs its own statements on this thread. The
// guard is per handle, the permission per thread: a client's statement compiled on another thread
// at the same moment stays refused.
thread_local int tCatalogAccess = 0;

class CatalogAccess {
public:
    CatalogAccess() { ++tCatalogAccess; }
    ~CatalogAccess() { --tCatalogAccess; }
    CatalogAccess(const CatalogAccess&) = delete;
    CatalogAccess& operator=(const CatalogAccess&) = delete;
};

bool IsCatalogTable(const char* name) {
    return name && (IEquals(name, "tnx_sysuser") || IEquals(name, "tnx_sysoption"));
}

// The engine's authorizer: asked for every table a statement reads or changes, and for every
// object it creates, drops or alters, while the statement is compiled (also when the engine
// compiles it again after a schema change, and for the bodies of views and triggers it runs).
// Names are checked in every schema, so an attached copy of the file or a temporary table of the
// same name is refused as well.
int Authorize(void*, int action, const char* a1, const char* a2, const char*, const char*) {
    if (tCatalogAccess > 0) return SQLITE_OK;
    const char* table = nullptr;
    switch (action) {
    case SQLITE_READ:
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE:
    case SQLITE_CREATE_TABLE:
    case SQLITE_CREATE_TEMP_TABLE:
    case SQLITE_DROP_TABLE:
    case SQLITE_DROP_TEMP_TABLE:
    case SQLITE_CREATE_VIEW:
    case SQLITE_CREATE_TEMP_VIEW:
    case SQLITE_DROP_VIEW:
    case SQLITE_DROP_TEMP_VIEW:
    case SQLITE_CREATE_VTABLE:
    case SQLITE_DROP_VTABLE:
        table = a1;
        break;
    case SQLITE_CREATE_INDEX:
    case SQLITE_CREATE_TEMP_INDEX:
    case SQLITE_DROP_INDEX:
    case SQLITE_DROP_TEMP_INDEX:
    case SQLITE_CREATE_TRIGGER:
    case SQLITE_CREATE_TEMP_TRIGGER:
    case SQLITE_DROP_TRIGGER:
    case SQLITE_DROP_TEMP_TRIGGER:
    case SQLITE_ALTER_TABLE:
        table = a2;
        break;
    case SQLITE_PRAGMA:
        // A writable schema would let a statement rewrite the tables' definitions.
        return a1 && IEquals(a1, "writable_schema") ? SQLITE_DENY : SQLITE_OK;
    default:
        return SQLITE_OK;
    }
    return IsCatalogTable(table) ? SQLITE_DENY : SQLITE_OK;
}

// ---- Password hashes ----
//
// A password is stored as the encoded string of Argon2id with libsodium's interactive limits
// (crypto_pwhash_OPSLIMIT_INTERACTIVE: 2 passes, crypto_pwhash_MEMLIMIT_INTERACTIVE: 64 MiB):
// about 0.1 s per hash on a current core, slow enough to make guessing against a stolen file
// costly and fast enough for a login. The string carries its own random salt and limits; the salt
// column stays NULL. Rows written by earlier versions hold a 16-byte salt and the SHA-256 of the
// salt followed by the upper-cased password.
//
// Test runs create thousands of databases and logins; with TNX_DBLIB_PASSWORD_COST=minimal in the
// environment the same Argon2id hash uses libsodium's minimal limits (1 pass, 8 KiB), and hashes
// with other limits are accepted as they are (never weakened). Nothing else reads the variable,
// and without it every hash uses the interactive limits above.

struct HashLimits {
    unsigned long long Ops;
    size_t Mem;
    bool Minimal;
};

HashLimits CurrentHashLimits() {
    const char* cost = std::getenv("TNX_DBLIB_PASSWORD_COST");
    if (cost && std::string_view(cost) == "minimal")
        return {crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN, true};
    return {crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE, false};
}

void SodiumReady() {
    static const bool ready = sodium_init() >= 0;
    if (!ready) throw DbError(DBLIB_E_INTERNAL, "(the password hashing library cannot start)");
}

std::string HashPassword(std::string_view password) {
    SodiumReady();
    const HashLimits limits = CurrentHashLimits();
    char encoded[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(encoded, password.data(), password.size(), limits.Ops, limits.Mem) != 0)
        throw DbError(DBLIB_E_MEMORY);
    return std::string(encoded);
}

enum class Verdict { Wrong, Right, RightButOld };

Verdict CheckSlowHash(const std::string& encoded, std::string_view password) {
    SodiumReady();
    if (crypto_pwhash_str_verify(encoded.c_str(), password.data(), password.size()) != 0) return Verdict::Wrong;
    const HashLimits limits = CurrentHashLimits();
    return limits.Minimal || crypto_pwhash_str_needs_rehash(encoded.c_str(), limits.Ops, limits.Mem) == 0
               ? Verdict::Right
               : Verdict::RightButOld;
}

Verdict CheckFastHash(sqlite3_stmt* s, int saltCol, int hashCol, std::string_view password) {
    if (sqlite3_column_type(s, saltCol) != SQLITE_BLOB || sqlite3_column_bytes(s, hashCol) != 32) return Verdict::Wrong;
    std::string salt(static_cast<const char*>(sqlite3_column_blob(s, saltCol)),
                     static_cast<size_t>(sqlite3_column_bytes(s, saltCol)));
    Sha256Digest stored;
    std::memcpy(stored.data(), sqlite3_column_blob(s, hashCol), stored.size());
    Sha256Digest given = Sha256(salt + ToUpper(password));
    unsigned diff = 0;
    for (size_t i = 0; i < stored.size(); ++i) diff |= static_cast<unsigned>(stored[i] ^ given[i]);
    return diff == 0 ? Verdict::RightButOld : Verdict::Wrong;
}

// Runs fn inside its own transaction (the caller has committed its own work first).
template <class F>
void InTransaction(sqlite3* db, F&& fn) {
    ExecOrThrow(db, "BEGIN IMMEDIATE");
    try {
        fn();
        ExecOrThrow(db, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void WriteUser(sqlite3* db, std::string_view user, std::string_view password, bool dba) {
    std::string hash = HashPassword(password);
    Query q(db,
            "INSERT INTO main.tnx_sysuser(user_name, salt, hash, is_dba) VALUES (?1, NULL, ?2, ?3) "
            "ON CONFLICT(user_name) DO UPDATE SET salt = NULL, hash = ?2, is_dba = max(is_dba, ?3)");
    q.Bind(1, user).Bind(2, hash).BindInt(3, dba);
    q.Step();
}

// Replaces an outdated hash by the slow hash of the password just proven right. Skipped when the
// row changed meanwhile (a new password granted) or the database cannot be written now.
void UpgradeHash(sqlite3* db, const std::string& user, sqlite3_value* oldHash, std::string_view password) {
    try {
        std::string hash = HashPassword(password);
        InTransaction(db, [&] {
            Query q(db, "UPDATE main.tnx_sysuser SET salt = NULL, hash = ?2 WHERE user_name = ?1 AND hash IS ?3");
            q.Bind(1, user).Bind(2, hash);
            sqlite3_bind_value(q.Get(), 3, oldHash);
            q.Step();
        });
    } catch (const DbError&) {
    }
}

} // namespace

void GuardCatalog(sqlite3* db) { sqlite3_set_authorizer(db, &Authorize, nullptr); }

void EnsureCatalog(sqlite3* db, std::string_view dbaUser, std::string_view dbaPassword) {
    CatalogAccess access;
    {
        Query q(db, "SELECT 1 FROM main.sqlite_master WHERE type = 'table' AND name = 'tnx_sysuser'");
        if (q.Step()) return;
    }
    InTransaction(db, [&] {
        ExecOrThrow(db, "CREATE TABLE main.tnx_sysuser(user_name TEXT PRIMARY KEY COLLATE NOCASE, salt BLOB, "
                        "hash BLOB, is_dba INTEGER NOT NULL DEFAULT 0)");
        ExecOrThrow(db, "CREATE TABLE IF NOT EXISTS main.tnx_sysoption(user_name TEXT COLLATE NOCASE, option_name "
                        "TEXT COLLATE NOCASE, value TEXT, PRIMARY KEY(user_name, option_name))");
        WriteUser(db, dbaUser, dbaPassword, true);
    });
}

AuthResult Authenticate(sqlite3* db, std::string_view user, std::string_view password) {
    CatalogAccess access;
    AuthResult r;
    Verdict verdict = Verdict::Wrong;
    struct ValueHolder {
        sqlite3_value* V = nullptr;
        ~ValueHolder() { sqlite3_value_free(V); }
    } storedHash;
    {
        Query q(db, "SELECT user_name, salt, hash, is_dba FROM main.tnx_sysuser WHERE user_name = ?1");
        q.Bind(1, user);
        if (!q.Step()) return r;
        sqlite3_stmt* s = q.Get();
        if (sqlite3_column_type(s, 2) == SQLITE_TEXT)
            verdict = CheckSlowHash(Text(s, 2), password);
        else
            verdict = CheckFastHash(s, 1, 2, password);
        if (verdict == Verdict::Wrong) return r;
        r.Ok = true;
        r.IsDba = sqlite3_column_int(s, 3) != 0;
        r.Name = Text(s, 0);
        storedHash.V = sqlite3_value_dup(sqlite3_column_value(s, 2));
    }
    if (verdict == Verdict::RightButOld && storedHash.V) UpgradeHash(db, r.Name, storedHash.V, password);
    return r;
}

void GrantUser(sqlite3* db, std::string_view user, const std::string* password, bool dba) {
    CatalogAccess access;
    InTransaction(db, [&] {
        if (password) {
            WriteUser(db, user, *password, dba);
        } else {
            Query q(db, "INSERT INTO main.tnx_sysuser(user_name, is_dba) VALUES (?1, ?2) "
                        "ON CONFLICT(user_name) DO UPDATE SET is_dba = max(is_dba, ?2)");
            q.Bind(1, user).BindInt(2, dba);
            q.Step();
        }
    });
}

void RevokeUser(sqlite3* db, std::string_view user) {
    CatalogAccess access;
    InTransaction(db, [&] {
        Query q(db, "DELETE FROM main.tnx_sysuser WHERE user_name = ?1");
        q.Bind(1, user);
        q.Step();
        if (sqlite3_changes(db) == 0) throw DbError(DBLIB_E_PERMISSION, "no user " + std::string(user));
        Query o(db, "DELETE FROM main.tnx_sysoption WHERE user_name = ?1");
        o.Bind(1, user);
        o.Step();
    });
}

bool UserExists(sqlite3* db, std::string_view user) {
    CatalogAccess access;
    Query q(db, "SELECT 1 FROM main.tnx_sysuser WHERE user_name = ?1");
    q.Bind(1, user);
    return q.Step();
}

std::vector<std::pair<std::string, std::string>> LoadOptions(sqlite3* db, std::string_view user) {
    CatalogAccess access;
    std::vector<std::pair<std::string, std::string>> out;
    Query q(db, "SELECT option_name, value FROM main.tnx_sysoption WHERE user_name = ?1");
    q.Bind(1, user);
    while (q.Step()) out.emplace_back(Text(q.Get(), 0), Text(q.Get(), 1));
    return out;
}

void SaveOption(sqlite3* db, std::string_view user, std::string_view option, std::string_view value) {
    CatalogAccess access;
    InTransaction(db, [&] {
        if (value.empty()) {
            Query q(db, "DELETE FROM main.tnx_sysoption WHERE user_name = ?1 AND option_name = ?2");
            q.Bind(1, user).Bind(2, option);
            q.Step();
        } else {
            Query q(db, "INSERT INTO main.tnx_sysoption(user_name, option_name, value) VALUES (?1, ?2, ?3) "
                        "ON CONFLICT(user_name, option_name) DO UPDATE SET value = ?3");
            q.Bind(1, user).Bind(2, option).Bind(3, value);
            q.Step();
        }
    });
}

} // namespace tnxdb
