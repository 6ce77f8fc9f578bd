// History over the line editor's history list; see History.h.
#include "tools/tnxsql/History.h"
#include "tools/tnxsql/Text.h"

#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <readline/history.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tnxsql {

namespace {

// Entries the history keeps at most.
constexpr int MaxEntries = 1000;

bool ContainsNoCase(std::string_view text, std::string_view word) {
    if (word.size() > text.size()) return false;
    for (size_t i = 0; i + word.size() <= text.size(); ++i) {
        bool match = true;
        for (size_t k = 0; k < word.size() && match; ++k) {
            match = AsciiLower(text[i + k]) == word[k];
        }
        if (match) return true;
    }
    return false;
}

} // namespace

History::History(std::string path, const Scrubber& scrubber) : FPath(std::move(path)), FScrubber(scrubber) {
    using_history();
    clear_history();
    stifle_history(MaxEntries);
}

std::string History::DefaultPath() {
    const char* home = std::getenv("HOME");
    std::string dir = home && *home ? home : "";
    if (dir.empty()) {
        if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) dir = pw->pw_dir;
    }
    if (dir.empty()) return {};
    return dir + "/.tnxsql_history";
}

bool History::MayKeep(std::string_view entry, const Scrubber& scrubber) {
    if (entry.empty() || entry.front() == ' ' || entry.front() == '\t') return false;
    if (scrubber.Reveals(entry)) return false;
    if (ContainsNoCase(entry, "identified") || ContainsNoCase(entry, "password")) return false;
    return true;
}

void History::Load() {
    if (!FPath.empty()) read_history(FPath.c_str());
}

void History::Add(std::string_view entry) {
    if (!MayKeep(entry, FScrubber) || entry == FLast) return;
    FLast = std::string(entry);
    add_history(FLast.c_str());
}

bool History::Save() {
    if (FPath.empty()) return true;
    mode_t old = umask(077);
    int rc = write_history(FPath.c_str());
    umask(old);
    if (rc != 0) return false;
    chmod(FPath.c_str(), 0600);
    return true;
}

} // namespace tnxsql
