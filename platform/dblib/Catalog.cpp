// Catalog tables (see Catalog.h).
#include "platform/dblib/Catalog.h"

#include "platform/dblib/ErrorMap.h"
#include "platform/dblib/Sha256.h"
#include "platform/dblib/Text.h"
#include "platform/dblib/dblib.h"

#include <cstring>
#include <random>

namespace tnxdb {

namespace {

// A prepared statement that finalizes itself.
class Query {
public:
    Query(sqlite3* db, const char* sql) : FDb(db) {
        int rc = sqlite3_prepare_v2(db, sql, -1, &FStmt, nullptr);
        if (rc != SQLITE_OK) throw EngineError(db, rc);
    }
    ~Query() { sqlite3_finalize(FStmt); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
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
    sqlite3_stmt* FStmt = nullptr;
};

std::string Text(sqlite3_stmt* s, int col) {
    const unsigned char* p = sqlite3_column_text(s, col);
    return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(s, col)))
             : std::string();
}

Sha256Digest HashPassword(const std::string& salt, std::string_view password) {
    return Sha256(salt + ToUpper(password));
}

std::string NewSalt() {
    std::random_device rd;
    std::string salt(16, '\0');
    for (char& c : salt) c = static_cast<char>(rd() & 0xff);
    return salt;
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
    std::string salt = NewSalt();
    Sha256Digest hash = HashPassword(salt, password);
    Query q(db,
            "INSERT INTO tnx_sysuser(user_name, salt, hash, is_dba) VALUES (?1, ?2, ?3, ?4) "
            "ON CONFLICT(user_name) DO UPDATE SET salt = ?2, hash = ?3, is_dba = max(is_dba, ?4)");
    q.Bind(1, user).BindBlob(2, salt.data(), salt.size()).BindBlob(3, hash.data(), hash.size()).BindInt(4, dba);
    q.Step();
}

} // namespace

void EnsureCatalog(sqlite3* db, std::string_view dbaUser, std::string_view dbaPassword) {
    {
        Query q(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'tnx_sysuser'");
        if (q.Step()) return;
    }
    InTransaction(db, [&] {
        ExecOrThrow(db, "CREATE TABLE tnx_sysuser(user_name TEXT PRIMARY KEY COLLATE NOCASE, salt BLOB, hash BLOB, "
                        "is_dba INTEGER NOT NULL DEFAULT 0)");
        ExecOrThrow(db, "CREATE TABLE IF NOT EXISTS tnx_sysoption(user_name TEXT COLLATE NOCASE, option_name TEXT "
                        "COLLATE NOCASE, value TEXT, PRIMARY KEY(user_name, option_name))");
        WriteUser(db, dbaUser, dbaPassword, true);
    });
}

AuthResult Authenticate(sqlite3* db, std::string_view user, std::string_view password) {
    AuthResult r;
    Query q(db, "SELECT user_name, salt, hash, is_dba FROM tnx_sysuser WHERE user_name = ?1");
    q.Bind(1, user);
    if (!q.Step()) return r;
    sqlite3_stmt* s = q.Get();
    if (sqlite3_column_type(s, 1) != SQLITE_BLOB || sqlite3_column_bytes(s, 2) != 32) return r;
    std::string salt(static_cast<const char*>(sqlite3_column_blob(s, 1)), static_cast<size_t>(sqlite3_column_bytes(s, 1)));
    Sha256Digest stored;
    std::memcpy(stored.data(), sqlite3_column_blob(s, 2), 32);
    Sha256Digest given = HashPassword(salt, password);
    unsigned diff = 0;
    for (size_t i = 0; i < 32; ++i) diff |= static_cast<unsigned>(stored[i] ^ given[i]);
    if (diff != 0) return r;
    r.Ok = true;
    r.IsDba = sqlite3_column_int(s, 3) != 0;
    r.Name = Text(s, 0);
    return r;
}

void GrantUser(sqlite3* db, std::string_view user, const std::string* password, bool dba) {
    InTransaction(db, [&] {
        if (password) {
            WriteUser(db, user, *password, dba);
        } else {
            Query q(db, "INSERT INTO tnx_sysuser(user_name, is_dba) VALUES (?1, ?2) "
                        "ON CONFLICT(user_name) DO UPDATE SET is_dba = max(is_dba, ?2)");
            q.Bind(1, user).BindInt(2, dba);
            q.Step();
        }
    });
}

void RevokeUser(sqlite3* db, std::string_view user) {
    InTransaction(db, [&] {
        Query q(db, "DELETE FROM tnx_sysuser WHERE user_name = ?1");
        q.Bind(1, user);
        q.Step();
        if (sqlite3_changes(db) == 0) throw DbError(DBLIB_E_PERMISSION, "no user " + std::string(user));
        Query o(db, "DELETE FROM tnx_sysoption WHERE user_name = ?1");
        o.Bind(1, user);
        o.Step();
    });
}

bool UserExists(sqlite3* db, std::string_view user) {
    Query q(db, "SELECT 1 FROM tnx_sysuser WHERE user_name = ?1");
    q.Bind(1, user);
    return q.Step();
}

std::vector<std::pair<std::string, std::string>> LoadOptions(sqlite3* db, std::string_view user) {
    std::vector<std::pair<std::string, std::string>> out;
    Query q(db, "SELECT option_name, value FROM tnx_sysoption WHERE user_name = ?1");
    q.Bind(1, user);
    while (q.Step()) out.emplace_back(Text(q.Get(), 0), Text(q.Get(), 1));
    return out;
}

void SaveOption(sqlite3* db, std::string_view user, std::string_view option, std::string_view value) {
    InTransaction(db, [&] {
        if (value.empty()) {
            Query q(db, "DELETE FROM tnx_sysoption WHERE user_name = ?1 AND option_name = ?2");
            q.Bind(1, user).Bind(2, option);
            q.Step();
        } else {
            Query q(db, "INSERT INTO tnx_sysoption(user_name, option_name, value) VALUES (?1, ?2, ?3) "
                        "ON CONFLICT(user_name, option_name) DO UPDATE SET value = ?3");
            q.Bind(1, user).Bind(2, option).Bind(3, value);
            q.Step();
        }
    });
}

} // namespace tnxdb
