// Finding the network server named by a connection string (see ServerTarget.h).
#include "platform/dblib/ServerTarget.h"

#include "platform/dblib/Errors.h"
#include "platform/dblib/Text.h"

#include <charconv>
#include <string_view>

namespace tnxdb {

namespace {

[[noreturn]] void LinkError(const std::string& what) { throw DbError(DBLIB_E_PARSE, what); }

int ParsePort(std::string_view text, const char* key) {
    text = Trim(text);
    int port = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535)
        LinkError(std::string("invalid port in ") + key + " (1..65535 expected)");
    return port;
}

// host or host:port (an IPv6 address in brackets: [::1]:5432).
void SplitHostPort(std::string_view text, ServerTarget& out, const char* key) {
    text = Trim(text);
    if (!text.empty() && text.front() == '[') {
        size_t close = text.find(']');
        if (close == std::string_view::npos) LinkError(std::string("unclosed '[' in ") + key);
        out.Host = std::string(text.substr(1, close - 1));
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') LinkError(std::string("unexpected text after ']' in ") + key);
            out.Port = ParsePort(rest.substr(1), key);
        }
    } else {
        size_t colon = text.find(':');
        out.Host = std::string(Trim(text.substr(0, colon)));
        if (colon != std::string_view::npos) out.Port = ParsePort(text.substr(colon + 1), key);
    }
    if (out.Host.empty()) LinkError(std::string("missing host name in ") + key);
}

// One link "name(parameters)" or "name{parameters}" or "name"; fills out when it is a TCP/IP
// link with a host. Parameters are key=value separated by ';' or ','.
bool ReadTcpLink(std::string_view link, ServerTarget& out) {
    link = Trim(link);
    size_t open = link.find_first_of("({");
    std::string_view name = Trim(link.substr(0, open));
    if (!IEquals(name, "tcpip") || open == std::string_view::npos) return false;
    char closer = link[open] == '(' ? ')' : '}';
    if (link.back() != closer) LinkError("unclosed parameter list in CommLinks");
    std::string_view params = link.substr(open + 1, link.size() - open - 2);
    bool haveHost = false;
    int port = 0;
    size_t i = 0;
    while (i <= params.size()) {
        size_t end = params.find_first_of(";,", i);
        if (end == std::string_view::npos) end = params.size();
        std::string_view part = Trim(params.substr(i, end - i));
        i = end + 1;
        if (part.empty()) continue;
        size_t eq = part.find('=');
        if (eq == std::string_view::npos) LinkError("missing '=' in a CommLinks parameter");
        std::string_view key = Trim(part.substr(0, eq));
        std::string_view value = Trim(part.substr(eq + 1));
        if (IEquals(key, "host") || IEquals(key, "ip")) {
            SplitHostPort(value, out, "CommLinks HOST");
            haveHost = true;
        } else if (IEquals(key, "port") || IEquals(key, "serverport")) {
            port = ParsePort(value, "CommLinks PORT");
        }
        // Other link parameters (timeouts, broadcast settings) have no meaning for a server
        // reached by address and are passed over.
    }
    if (!haveHost) return false;
    if (port != 0) out.Port = port;
    return true;
}

ServerTls ParseTls(const ConnParams& params) {
    if (!params.Has(ConnKey::Encryption)) return ServerTls::None;
    std::string v = ToLower(Trim(params.Get(ConnKey::Encryption)));
    if (v.empty() || v == "none" || v == "no" || v == "off" || v == "disable") return ServerTls::None;
    if (v == "simple" || v == "tls" || v == "yes" || v == "on" || v == "require") return ServerTls::Require;
    if (v == "verify-ca") return ServerTls::VerifyCa;
    if (v == "verify-full") return ServerTls::VerifyFull;
    LinkError("invalid value for Encryption (none, tls, require, verify-ca or verify-full expected)");
}

} // namespace

std::optional<ServerTarget> FindServerTarget(const ConnParams& params) {
    std::optional<ServerTarget> found;
    if (params.Has(ConnKey::Host) && !Trim(params.Get(ConnKey::Host)).empty()) {
        ServerTarget t;
        SplitHostPort(params.Get(ConnKey::Host), t, "Host");
        found = t;
    } else if (params.Has(ConnKey::CommLinks)) {
        // Links separated by ',' outside their parameter lists; the first TCP/IP link with a host
        // names the server.
        std::string_view links = params.Get(ConnKey::CommLinks);
        size_t begin = 0;
        int depth = 0;
        for (size_t i = 0; i <= links.size(); ++i) {
            char c = i < links.size() ? links[i] : ',';
            if (c == '(' || c == '{') ++depth;
            else if ((c == ')' || c == '}') && depth > 0) --depth;
            else if (c == ',' && depth == 0) {
                ServerTarget t;
                if (ReadTcpLink(links.substr(begin, i - begin), t)) {
                    found = t;
                    break;
                }
                begin = i + 1;
            }
        }
    }
    if (found) found->Tls = ParseTls(params);
    return found;
}

} // namespace tnxdb
