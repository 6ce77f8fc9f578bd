// Handling of passwords: a holder that wipes its memory and cannot be printed by accident, the
// prompt that reads one from the terminal without echo, the scrubber that keeps every password the
// tool has seen (and any "pwd=" value of a connection string) out of every message it prints and
// out of the history, and the wiping of passwords from the process's argument list.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace tnxsql {

// A password. Copyable (the backend keeps its own copy), wiped when destroyed or replaced. There is
// deliberately no stream operator: the only way out is View(), which a reader can grep for.
class Secret {
public:
    Secret() = default;
    explicit Secret(std::string value) : FValue(std::move(value)) {}
    Secret(const Secret& other) : FValue(other.FValue) {}
    Secret& operator=(const Secret& other);
    ~Secret();

    std::string_view View() const { return FValue; }
    bool Empty() const { return FValue.empty(); }
    void Clear();

private:
    std::string FValue;
};

// Reads a password from the terminal open on descriptor `fd`, with echo turned off while it is
// typed, after writing `prompt` to the same terminal. The line ends at a newline (not kept); echo is
// restored in every case, also when reading fails. Throws std::runtime_error (naming no secret) when
// `fd` is not a terminal or reading fails.
Secret ReadPasswordFromTerminal(int fd, std::string_view prompt);

// Opens /dev/tty and reads the password there, so that a prompt works while standard input carries
// SQL. Throws std::runtime_error when the process has no terminal.
Secret PromptPassword(std::string_view prompt);

// Reads the first line of a file as the password (the line end is not kept). Throws
// std::runtime_error naming the file when it cannot be read.
Secret ReadPasswordFile(const std::string& path);

// Removes secrets from text meant for the user: every occurrence of a password it knows, and the
// value of every "pwd=" or "password=" item (any letter case) of a connection string (a quoted
// value to its closing quote), become "***".
class Scrubber {
public:
    Scrubber() = default;
    explicit Scrubber(const Secret& password) { AddPassword(password); }
    // Adds a password to hide (an empty one hides nothing).
    void AddPassword(const Secret& password);
    // Adds the password of every "pwd=" / "password=" item of a connection string, as the library
    // reads it (unquoted) and as it was written.
    void LearnConnectionString(std::string_view text);

    std::string Scrub(std::string_view text) const;
    // True when the text holds a known password or a connection-string password item.
    bool Reveals(std::string_view text) const;

private:
    std::vector<Secret> FPasswords; // longest first, so that one holding another is hidden whole
};

// Overwrites, in place, the value of every connection-string password item in the program's
// arguments with '*' (same length), so that the process list no longer shows it. The arguments
// must have been copied before (the parser's copies keep the values).
void HidePasswordArguments(int argc, char** argv);

} // namespace tnxsql
