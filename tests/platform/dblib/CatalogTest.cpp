// The user catalog, linked in-process: how password hashes are stored, and how rows written by an
// earlier version (fast salted hash of the upper-cased password) or with weaker limits are moved
// to the current hash at the next successful login. The rows are inspected and planted through a
// plain engine handle of the test's own, which the catalog's guard does not cover.
#include "platform/dblib/Catalog.h"
#include "platform/dblib/Connection.h"
#include "platform/dblib/Sha256.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <cctype>
#include <cstdlib>
#include <optional>
#include <string>

using namespace tnxdb;

namespace {

class CatalogTest : public ::testing::Test {
protected:
    void SetUp() override {
        // These tests are about the limits a real deployment uses, not the test runs' minimal ones.
        unsetenv("TNX_DBLIB_PASSWORD_COST");
        File = Dir.File("users.db");
        ASSERT_EQ(sqlite3_open(File.c_str(), &Raw), SQLITE_OK); // creates the file
        Guarded = OpenEngineHandle(File);
        EnsureCatalog(Guarded);
    }
    void TearDown() override {
        sqlite3_close_v2(Guarded);
        sqlite3_close_v2(Raw);
    }

    // The stored hash of a user: its text, or "blob:<n bytes>".
    std::optional<std::string> StoredHash(const std::string& user) {
        sqlite3_stmt* s = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(Raw, "select hash, salt is null from tnx_sysuser where user_name = ?1", -1, &s,
                                     nullptr),
                  SQLITE_OK);
        sqlite3_bind_text(s, 1, user.c_str(), -1, SQLITE_TRANSIENT);
        std::optional<std::string> out;
        if (sqlite3_step(s) == SQLITE_ROW) {
            if (sqlite3_column_type(s, 0) == SQLITE_TEXT) {
                out = std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
                EXPECT_EQ(sqlite3_column_int(s, 1), 1) << "the hash's text carries its salt";
            } else {
                out = "blob:" + std::to_string(sqlite3_column_bytes(s, 0));
            }
        }
        sqlite3_finalize(s);
        return out;
    }

    // Writes a user row as an earlier version did.
    void PlantFastHash(const std::string& user, const std::string& password) {
        const std::string salt = "0123456789abcdef";
        std::string upper = password;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const Sha256Digest hash = Sha256(salt + upper);
        Plant(user, salt.data(), static_cast<int>(salt.size()), [&](sqlite3_stmt* s) {
            sqlite3_bind_blob(s, 3, hash.data(), static_cast<int>(hash.size()), SQLITE_TRANSIENT);
        });
    }
    void PlantText(const std::string& user, const std::string& encoded) {
        Plant(user, nullptr, 0, [&](sqlite3_stmt* s) { sqlite3_bind_text(s, 3, encoded.c_str(), -1, SQLITE_TRANSIENT); });
    }

    tnxtest::TempDir Dir;
    std::string File;
    sqlite3* Guarded = nullptr;
    sqlite3* Raw = nullptr;

private:
    template <class F>
    void Plant(const std::string& user, const char* salt, int saltBytes, F&& bindHash) {
        sqlite3_stmt* s = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(Raw, "insert into tnx_sysuser(user_name, salt, hash, is_dba) values (?1, ?2, ?3, 0)",
                                     -1, &s, nullptr),
                  SQLITE_OK);
        sqlite3_bind_text(s, 1, user.c_str(), -1, SQLITE_TRANSIENT);
        if (salt)
            sqlite3_bind_blob(s, 2, salt, saltBytes, SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(s, 2);
        bindHash(s);
        EXPECT_EQ(sqlite3_step(s), SQLITE_DONE) << sqlite3_errmsg(Raw);
        sqlite3_finalize(s);
    }
};

} // namespace

TEST_F(CatalogTest, NewPasswordsAreStoredAsSlowSaltedHashes) {
    GrantUser(Guarded, "joe", nullptr, false);
    const std::string password = "Zq9Secret";
    GrantUser(Guarded, "joe", &password, false);
    GrantUser(Guarded, "ann", &password, false);
    const auto joe = StoredHash("joe");
    ASSERT_TRUE(joe.has_value());
    EXPECT_EQ(joe->rfind("$argon2id$", 0), 0u) << *joe;
    EXPECT_NE(joe->find("m=65536,t=2"), std::string::npos) << *joe;
    EXPECT_EQ(joe->find("Zq9Secret"), std::string::npos);
    EXPECT_NE(joe, StoredHash("ann")) << "each hash has a salt of its own";
    EXPECT_EQ(StoredHash("DBA")->rfind("$argon2id$", 0), 0u);
    EXPECT_TRUE(Authenticate(Guarded, "DBA", "SQL").Ok);
    EXPECT_FALSE(Authenticate(Guarded, "DBA", "sql").Ok);
}

TEST_F(CatalogTest, AnEarlierFastHashIsReplacedAtTheNextSuccessfulLogin) {
    PlantFastHash("old", "Zq9Secret");
    // A wrong password changes nothing.
    EXPECT_FALSE(Authenticate(Guarded, "old", "Zq9Secre").Ok);
    EXPECT_EQ(StoredHash("old"), "blob:32");

    const AuthResult first = Authenticate(Guarded, "OLD", "Zq9Secret");
    EXPECT_TRUE(first.Ok);
    EXPECT_EQ(first.Name, "old");
    const auto upgraded = StoredHash("old");
    ASSERT_TRUE(upgraded.has_value());
    EXPECT_EQ(upgraded->rfind("$argon2id$", 0), 0u) << *upgraded;
    // From now on the password compares exactly.
    EXPECT_FALSE(Authenticate(Guarded, "old", "ZQ9SECRET").Ok);
    EXPECT_FALSE(Authenticate(Guarded, "old", "Zq9Secret ").Ok);
    EXPECT_TRUE(Authenticate(Guarded, "old", "Zq9Secret").Ok);
    EXPECT_EQ(StoredHash("old"), upgraded) << "a current hash is not rewritten";
}

TEST_F(CatalogTest, AHashWithWeakerLimitsIsStrengthenedAtLogin) {
    ASSERT_GE(sodium_init(), 0);
    char weak[crypto_pwhash_STRBYTES];
    ASSERT_EQ(crypto_pwhash_str(weak, "pw", 2, crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN), 0);
    PlantText("lite", weak);
    EXPECT_TRUE(Authenticate(Guarded, "lite", "pw").Ok);
    const auto now = StoredHash("lite");
    ASSERT_TRUE(now.has_value());
    EXPECT_NE(*now, weak);
    EXPECT_NE(now->find("m=65536,t=2"), std::string::npos) << *now;
    EXPECT_TRUE(Authenticate(Guarded, "lite", "pw").Ok);
}
