// Progress shown on a terminal while long work runs: a bar while a backup copies pages, and the
// elapsed time while a request waits for the server. It draws on one line of the diagnostic stream
// ("\r", the text, then erase-to-end-of-line) and only when that stream is a terminal; Clear()
// removes the line before anything else is printed. Redrawing is limited to ten times a second.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

namespace tnxsql {

class ProgressDisplay {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // `enabled`: the stream is a terminal and progress was not turned off. `clock` is for tests.
    ProgressDisplay(std::ostream& out, bool enabled, Clock clock = {});

    bool Enabled() const { return FEnabled; }

    // A request starts: the elapsed time counts from now.
    void StartRequest();
    // The request waits: shows the elapsed time once a second has passed.
    void Waiting();
    // A backup copied page `page` of `pages` of `file`.
    void Backup(std::string_view file, int64_t pages, int64_t page);
    // Erases the progress line, if one is shown.
    void Clear();

    // The texts drawn (without the control characters), for tests and for anyone curious.
    static std::string ElapsedText(std::chrono::milliseconds elapsed);
    static std::string BarText(std::string_view file, int64_t pages, int64_t page, size_t barWidth = 30);

private:
    void Draw(const std::string& text);
    bool Due(std::chrono::steady_clock::time_point now) const;

    std::ostream& FOut;
    bool FEnabled;
    Clock FClock;
    std::chrono::steady_clock::time_point FStart{};
    std::chrono::steady_clock::time_point FLastDraw{};
    bool FShown = false;
    bool FDrawnOnce = false;
    std::string FLastFile;
};

} // namespace tnxsql
