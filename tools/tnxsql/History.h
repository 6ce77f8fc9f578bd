// The prompt's history: what is typed is kept in a file in the user's home folder (readable by the
// user only) and offered again by the line editor. Entries that could carry a password are never
// kept: anything holding the session's password, a connection-string password item, the words
// IDENTIFIED BY or PASSWORD, and, by the shell's convention, any entry typed with a leading blank.
#pragma once

#include "tools/tnxsql/Secret.h"

#include <string>
#include <string_view>

namespace tnxsql {

class History {
public:
    // `path` empty: the history lives only for the session.
    History(std::string path, const Scrubber& scrubber);

    // The default file: $HOME/.tnxsql_history (the password database's home when HOME is unset);
    // empty when there is no home folder.
    static std::string DefaultPath();

    // Whether an entry may be kept.
    static bool MayKeep(std::string_view entry, const Scrubber& scrubber);

    // Reads the file into the line editor's history (a missing file is an empty history).
    void Load();
    // Adds an entry typed at the prompt, unless it may not be kept or repeats the last one.
    void Add(std::string_view entry);
    // Writes the history to the file, mode 0600. Returns false when the file cannot be written.
    bool Save();

    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
    const Scrubber& FScrubber;
    std::string FLast;
};

} // namespace tnxsql
