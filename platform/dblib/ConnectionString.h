// Connection strings and start lines. A connection string is key=value parts separated by ';'
// (keys in any letter case, long and short names, values optionally quoted; a ';' inside
// parentheses, as in links=tcpip(host=h;port=p), belongs to the value); a start line is the
// value of the Start key, "<program> [switches] [<database file>]", whose older form names the
// database file there instead of in DatabaseFile. Both parsers reject malformed text with
// DBLIB_E_PARSE and a message that cites positions and key names, never values, so that a
// password can never surface in an error.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tnxdb {

enum class ConnKey {
    EngineName,
    DatabaseName,
    DatabaseFile,
    UserId,
    Password,
    Start,
    AutoStop,
    AutoStart,
    Unconditional,
    ConnectionName,
    CommLinks,
    DatabaseSwitches,
    CharSet,
    LogFile,
    Idle,
    LivenessTimeout,
    Host,       // host[:port] of a database server reached over TCP/IP
    Encryption, // TLS to such a server: none, simple/tls/require, verify-ca, verify-full
    Count
};

// The parsed parts. A key given twice keeps its last value.
class ConnParams {
public:
    bool Has(ConnKey k) const { return FValues[static_cast<int>(k)].has_value(); }
    // The value, or "" when the key is absent.
    const std::string& Get(ConnKey k) const;
    // The value with blanks trimmed ("" when absent).
    std::string Trimmed(ConnKey k) const;
    // A boolean key: absent gives def; yes/no, on/off, true/false, 1/0 in any case; anything
    // else throws DBLIB_E_PARSE.
    bool Bool(ConnKey k, bool def) const;
    void Set(ConnKey k, std::string v) { FValues[static_cast<int>(k)] = std::move(v); }

private:
    std::optional<std::string> FValues[static_cast<int>(ConnKey::Count)];
};

// The canonical name of a key, for messages.
const char* ConnKeyName(ConnKey k);

// Parses a connection string; null-safe callers pass "" for a null pointer. Throws DbError.
ConnParams ParseConnectionString(std::string_view text);

// The text with the value of every Password/pwd part replaced by "***" (for call records).
// Never fails: malformed text is masked as far as it can be read.
std::string MaskPasswords(std::string_view text);

// A parsed start line.
struct StartLine {
    std::string Program;
    std::string File;       // "" when the line names no database file
    std::string EngineName; // from -n before the file
    std::string DbName;     // from -n after the file
    bool ReadOnly = false;  // -r: the database is started read-only
};

// Parses a start line. Throws DbError(DBLIB_E_PARSE) for an unterminated quote, a switch that
// lacks its value, or a second database file.
StartLine ParseStartLine(std::string_view text);

} // namespace tnxdb
