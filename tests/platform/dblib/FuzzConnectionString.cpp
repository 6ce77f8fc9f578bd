// Fuzz target: connection strings, the server they name, and start lines. Parsing may fail only with a parse error;
// masking never fails and never lets a password value through.
#include "platform/dblib/ConnectionString.h"
#include "platform/dblib/Errors.h"
#include "platform/dblib/ServerTarget.h"
#include "platform/dblib/dblib.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        tnxdb::ConnParams p = tnxdb::ParseConnectionString(text);
        for (int k = 0; k < static_cast<int>(tnxdb::ConnKey::Count); ++k) (void)p.Get(static_cast<tnxdb::ConnKey>(k));
        try {
            (void)p.Bool(tnxdb::ConnKey::Unconditional, false);
        } catch (const tnxdb::DbError& e) {
            if (e.Code() != DBLIB_E_PARSE) std::abort();
        }
        try {
            (void)tnxdb::FindServerTarget(p);
        } catch (const tnxdb::DbError& e) {
            if (e.Code() != DBLIB_E_PARSE) std::abort();
        }
        tnxdb::StartLine line = tnxdb::ParseStartLine(p.Get(tnxdb::ConnKey::Start));
        (void)line;
        // A parsed password never survives masking.
        const std::string& pwd = p.Get(tnxdb::ConnKey::Password);
        if (pwd.size() >= 4 && pwd.find_first_of(";=*'\"") == std::string::npos &&
            tnxdb::MaskPasswords(text).find(pwd) != std::string::npos && text.find(pwd) == text.rfind(pwd))
            std::abort();
    } catch (const tnxdb::DbError& e) {
        if (e.Code() != DBLIB_E_PARSE) std::abort();
        if (e.P1().find('\0') != std::string::npos) std::abort();
    }
    (void)tnxdb::MaskPasswords(text);
    try {
        (void)tnxdb::ParseStartLine(text);
    } catch (const tnxdb::DbError& e) {
        if (e.Code() != DBLIB_E_PARSE) std::abort();
    }
    return 0;
}
