// Password holder, terminal prompt without echo, and scrubbing of messages.
#include "tools/tnxsql/Secret.h"
#include "tools/tnxsql/Interrupt.h"
#include "tools/tnxsql/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <stdexcept>
#include <string.h>
#include <termios.h>
#include <unistd.h>

namespace tnxsql {

Secret& Secret::operator=(const Secret& other) {
    if (this != &other) {
        Clear();
        FValue = other.FValue;
    }
    return *this;
}

Secret::~Secret() {
    Clear();
}

void Secret::Clear() {
    if (!FValue.empty()) explicit_bzero(FValue.data(), FValue.size());
    FValue.clear();
}

namespace {

// Restores the terminal's settings when it goes out of scope.
class EchoOff {
public:
    explicit EchoOff(int fd) : FFd(fd) {
        if (tcgetattr(fd, &FSaved) != 0) throw std::runtime_error("cannot ask for the password: no terminal");
        termios t = FSaved;
        t.c_lflag &= static_cast<tcflag_t>(~ECHO);
        t.c_lflag |= ECHONL | ICANON; // the newline still shows, so the next output starts a new line
        if (tcsetattr(fd, TCSAFLUSH, &t) != 0)
            throw std::runtime_error("cannot turn the terminal's echo off");
    }
    ~EchoOff() { tcsetattr(FFd, TCSAFLUSH, &FSaved); }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    int FFd;
    termios FSaved{};
};

void WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        ssize_t n = write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        text.remove_prefix(static_cast<size_t>(n));
    }
}

bool IsKeyChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Finds the next "pwd=" or "password=" item at or after `from`: returns the offset of its value
// (right after the '=') and its length: up to ';', a line end or the end, and when the value starts
// with a quote, at least to its closing quote (a doubled quote inside stands for one). npos when
// there is none.
size_t FindPasswordItem(std::string_view text, size_t from, size_t& valueLen) {
    for (size_t i = from; i < text.size(); ++i) {
        if (i > 0 && IsKeyChar(text[i - 1])) continue;
        for (std::string_view key : {std::string_view("pwd"), std::string_view("password")}) {
            if (i + key.size() >= text.size()) continue;
            bool match = true;
            for (size_t k = 0; k < key.size() && match; ++k)
                match = AsciiLower(text[i + k]) == key[k];
            if (!match) continue;
            size_t j = i + key.size();
            while (j < text.size() && text[j] == ' ')
                ++j;
            if (j >= text.size() || text[j] != '=') continue;
            size_t start = j + 1, end = start;
            while (end < text.size() && text[end] == ' ')
                ++end;
            if (end < text.size() && (text[end] == '\'' || text[end] == '"')) {
                const char quote = text[end++];
                for (; end < text.size(); ++end) {
                    if (text[end] != quote) continue;
                    if (end + 1 < text.size() && text[end + 1] == quote) {
                        ++end;
                        continue;
                    }
                    ++end;
                    break;
                }
            }
            while (end < text.size() && text[end] != ';' && text[end] != '\n' && text[end] != '\r')
                ++end;
            valueLen = end - start;
            return start;
        }
    }
    return std::string_view::npos;
}

} // namespace

Secret ReadPasswordFromTerminal(int fd, std::string_view prompt) {
    if (!isatty(fd)) throw std::runtime_error("cannot ask for the password: no terminal");
    std::string line;
    {
        EchoOff guard(fd);
        WriteAll(fd, prompt);
        char c;
        while (true) {
            // Wait with poll(): a Ctrl-C interrupts it even though reads restart after a signal.
            pollfd fds[2] = {{fd, POLLIN, 0}, {interrupt::WakeFd(), POLLIN, 0}};
            int ready = poll(fds, fds[1].fd >= 0 ? 2 : 1, -1);
            if ((ready < 0 && errno == EINTR) || interrupt::Pending()) {
                explicit_bzero(line.data(), line.size());
                throw std::runtime_error("password entry interrupted");
            }
            ssize_t n = ready > 0 ? read(fd, &c, 1) : -1;
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0 || c == '\n') break;
            line += c;
        }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Secret s(line);
    explicit_bzero(line.data(), line.size());
    return s;
}

Secret PromptPassword(std::string_view prompt) {
    int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot ask for the password: no terminal (use --password-file)");
    try {
        Secret s = ReadPasswordFromTerminal(fd, prompt);
        close(fd);
        return s;
    } catch (...) {
        close(fd);
        throw;
    }
}

Secret ReadPasswordFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read the password file " + path + ": " + std::strerror(errno));
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Secret s(line);
    explicit_bzero(line.data(), line.size());
    return s;
}

void Scrubber::AddPassword(const Secret& password) {
    if (password.Empty()) return;
    for (const Secret& known : FPasswords)
        if (known.View() == password.View()) return;
    auto at = FPasswords.begin();
    while (at != FPasswords.end() && at->View().size() >= password.View().size())
        ++at;
    FPasswords.insert(at, password);
}

void Scrubber::LearnConnectionString(std::string_view text) {
    size_t len = 0;
    for (size_t pos = FindPasswordItem(text, 0, len); pos != std::string_view::npos;
         pos = FindPasswordItem(text, pos, len)) {
        std::string_view raw = text.substr(pos, len);
        while (!raw.empty() && (raw.front() == ' ' || raw.front() == '\t'))
            raw.remove_prefix(1);
        while (!raw.empty() && (raw.back() == ' ' || raw.back() == '\t'))
            raw.remove_suffix(1);
        AddPassword(Secret(std::string(raw)));
        if (raw.size() >= 2 && (raw.front() == '\'' || raw.front() == '"') && raw.back() == raw.front()) {
            std::string value;
            for (size_t i = 1; i + 1 < raw.size(); ++i) {
                value += raw[i];
                if (raw[i] == raw.front() && i + 2 < raw.size() && raw[i + 1] == raw.front()) ++i;
            }
            AddPassword(Secret(value));
            explicit_bzero(value.data(), value.size());
        }
    }
}

std::string Scrubber::Scrub(std::string_view text) const {
    // Known passwords first, in one pass (a mask never hides a later match), then the items.
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t hit = 0;
        for (const Secret& pw : FPasswords)
            if (text.substr(i, pw.View().size()) == pw.View()) {
                hit = pw.View().size();
                break;
            }
        if (hit > 0) {
            out += "***";
            i += hit;
        } else {
            out += text[i++];
        }
    }
    size_t len = 0;
    for (size_t pos = FindPasswordItem(out, 0, len); pos != std::string::npos;
         pos = FindPasswordItem(out, pos, len)) {
        if (len == 0) continue; // nothing to hide; the search goes on after the key
        out.replace(pos, len, "***");
        pos += 3;
    }
    return out;
}

bool Scrubber::Reveals(std::string_view text) const {
    size_t len = 0;
    for (size_t pos = FindPasswordItem(text, 0, len); pos != std::string_view::npos;
         pos = FindPasswordItem(text, pos, len))
        if (len > 0) return true;
    for (const Secret& pw : FPasswords)
        if (text.find(pw.View()) != std::string_view::npos) return true;
    return false;
}

void HidePasswordArguments(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (!argv[i]) continue;
        const std::string_view arg(argv[i]);
        size_t len = 0;
        for (size_t pos = FindPasswordItem(arg, 0, len); pos != std::string_view::npos;
             pos = FindPasswordItem(arg, pos, len))
            std::fill(argv[i] + pos, argv[i] + pos + len, '*');
    }
}

} // namespace tnxsql
