// Connection strings taken apart and merged with the options; see LoginPlan.h.
#include "tools/tnxsql/LoginPlan.h"
#include "tools/tnxsql/Text.h"

#include <algorithm>
#include <filesystem>

namespace tnxsql {

namespace {

bool IEquals(std::string_view a, std::string_view b) {
    return EqualNoCase(a, b);
}

// Which session property a key of the connection string belongs to.
enum class KeyRole { Other, Engine, Name, File, User, Password };

KeyRole RoleOf(std::string_view key) {
    const std::string k = AsciiLowered(key);
    if (k == "eng" || k == "enginename" || k == "servername") return KeyRole::Engine;
    if (k == "dbn" || k == "databasename") return KeyRole::Name;
    if (k == "dbf" || k == "databasefile") return KeyRole::File;
    if (k == "uid" || k == "userid") return KeyRole::User;
    if (k == "pwd" || k == "password") return KeyRole::Password;
    return KeyRole::Other;
}

[[noreturn]] void Refuse(const std::string& message) {
    throw BackendError(message, 0);
}

} // namespace

std::vector<ConnectionPart> SplitConnectionString(std::string_view text) {
    std::vector<ConnectionPart> parts;
    size_t i = 0;
    while (i <= text.size()) {
        const size_t begin = i;
        char quote = 0;
        for (; i < text.size(); ++i) {
            const char c = text[i];
            if (quote) {
                if (c == quote) {
                    if (i + 1 < text.size() && text[i + 1] == quote)
                        ++i; // a doubled quote is one quote character
                    else
                        quote = 0;
                }
            } else if (c == '\'' || c == '"') {
                quote = c;
            } else if (c == ';') {
                break;
            }
        }
        if (quote)
            Refuse("connection string: unterminated quote in the part at position " +
                   std::to_string(begin + 1));
        const std::string_view part = text.substr(begin, i - begin);
        ++i; // past the ';' (or past the end)
        if (Trim(part).empty()) continue;
        const size_t eq = part.find('=');
        if (eq == std::string_view::npos)
            Refuse("connection string: missing '=' in the part at position " + std::to_string(begin + 1));
        ConnectionPart p;
        p.Key = std::string(Trim(part.substr(0, eq)));
        if (p.Key.empty())
            Refuse("connection string: missing keyword in the part at position " + std::to_string(begin + 1));
        std::string_view raw = Trim(part.substr(eq + 1));
        if (raw.size() >= 2 && (raw.front() == '\'' || raw.front() == '"') && raw.back() == raw.front()) {
            const char q = raw.front();
            raw = raw.substr(1, raw.size() - 2);
            for (size_t k = 0; k < raw.size(); ++k) {
                p.Value += raw[k];
                if (raw[k] == q && k + 1 < raw.size() && raw[k + 1] == q) ++k;
            }
        } else {
            p.Value = std::string(raw);
        }
        p.Text = std::string(Trim(part));
        parts.push_back(std::move(p));
    }
    return parts;
}

std::string FilePrefix(std::string_view path) {
    const size_t slash = path.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string_view::npos) name = name.substr(0, dot);
    return std::string(name);
}

LoginPlan PlanLogin(const ConnectSettings& settings) {
    LoginPlan plan;
    std::string file, name, engine, user;
    bool userGiven = false, passwordGiven = false;
    Secret password;

    for (const ConnectionPart& p : SplitConnectionString(settings.ConnectionString)) {
        switch (RoleOf(p.Key)) {
        case KeyRole::Engine:
            engine = p.Value;
            break;
        case KeyRole::Name:
            name = p.Value;
            break;
        case KeyRole::File:
            file = p.Value;
            break;
        case KeyRole::User:
            user = p.Value;
            userGiven = true;
            break;
        case KeyRole::Password:
            password = Secret(p.Value);
            passwordGiven = true;
            break;
        case KeyRole::Other:
            if (!plan.ClientParams.empty()) plan.ClientParams += ';';
            plan.ClientParams += p.Text;
            break;
        }
    }
    if (!settings.DatabaseFile.empty()) file = settings.DatabaseFile;
    if (!settings.DatabaseName.empty()) name = settings.DatabaseName;
    if (!settings.EngineName.empty()) engine = settings.EngineName;
    if (!settings.User.empty()) {
        user = settings.User;
        userGiven = true;
    }
    if (!settings.Password.Empty()) {
        password = settings.Password;
        passwordGiven = true;
    }

    file = std::string(Trim(file));
    name = std::string(Trim(name));
    if (!file.empty()) {
        std::error_code ec;
        std::filesystem::path absolute = std::filesystem::absolute(file, ec);
        plan.Database = ec ? file : absolute.lexically_normal().string();
        plan.StartEngine = true;
        const std::string prefix = FilePrefix(plan.Database);
        if (prefix.empty()) Refuse("the database file '" + file + "' has no file name");
        if (!name.empty() && !IEquals(name, prefix))
            Refuse("a database started on a file is named after it ('" + prefix + "'); the name '" + name +
                   "' cannot be given to it");
    } else if (!name.empty()) {
        if (name.find_first_of("./\\") != std::string::npos)
            Refuse("the database name '" + name + "' holds '.', '/' or '\\'; name a file with --database");
        plan.Database = name;
    }
    plan.Engine = std::string(Trim(engine));
    if (!userGiven && !passwordGiven) {
        plan.User = DefaultUser;
        plan.Password = Secret(DefaultPassword);
    } else {
        plan.User = user;
        plan.Password = password;
    }
    return plan;
}

} // namespace tnxsql
