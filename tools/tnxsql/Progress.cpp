// Progress line; see Progress.h.
#include "tools/tnxsql/Progress.h"

#include <cstdio>
#include <ostream>

namespace tnxsql {

namespace {
constexpr auto RedrawEvery = std::chrono::milliseconds(100);
constexpr auto ShowElapsedAfter = std::chrono::seconds(1);
} // namespace

ProgressDisplay::ProgressDisplay(std::ostream& out, bool enabled, Clock clock)
    : FOut(out), FEnabled(enabled),
      FClock(clock ? std::move(clock) : Clock([] { return std::chrono::steady_clock::now(); })) {}

void ProgressDisplay::StartRequest() {
    FStart = FClock();
    FDrawnOnce = false;
}

bool ProgressDisplay::Due(std::chrono::steady_clock::time_point now) const {
    return !FDrawnOnce || now - FLastDraw >= RedrawEvery;
}

void ProgressDisplay::Waiting() {
    if (!FEnabled) return;
    auto now = FClock();
    auto elapsed = now - FStart;
    if (elapsed < ShowElapsedAfter || !Due(now)) return;
    FLastDraw = now;
    FDrawnOnce = true;
    Draw(ElapsedText(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed)));
}

void ProgressDisplay::Backup(std::string_view file, int64_t pages, int64_t page) {
    if (!FEnabled) return;
    auto now = FClock();
    bool newFile = file != FLastFile;
    if (!newFile && page != pages && !Due(now)) return;
    FLastFile = std::string(file);
    FLastDraw = now;
    FDrawnOnce = true;
    Draw(BarText(file, pages, page));
}

void ProgressDisplay::Draw(const std::string& text) {
    FOut << '\r' << text << "\x1b[K" << std::flush;
    FShown = true;
}

void ProgressDisplay::Clear() {
    if (!FShown) return;
    FOut << "\r\x1b[K" << std::flush;
    FShown = false;
}

std::string ProgressDisplay::ElapsedText(std::chrono::milliseconds elapsed) {
    char buf[64];
    long long tenths = elapsed.count() / 100;
    std::snprintf(buf, sizeof buf, "running %lld.%lld s  (Ctrl-C cancels)", tenths / 10, tenths % 10);
    return buf;
}

std::string ProgressDisplay::BarText(std::string_view file, int64_t pages, int64_t page, size_t barWidth) {
    if (pages < 0) pages = 0;
    if (page < 0) page = 0;
    if (page > pages) page = pages;
    size_t filled = pages > 0 ? static_cast<size_t>(page * static_cast<int64_t>(barWidth) / pages) : barWidth;
    int percent = pages > 0 ? static_cast<int>(page * 100 / pages) : 100;
    std::string text = "backup ";
    text += file;
    text += "  [";
    text.append(filled, '#');
    text.append(barWidth - filled, '.');
    char tail[64];
    std::snprintf(tail, sizeof tail, "] %3d%%  %lld/%lld pages", percent, static_cast<long long>(page),
                  static_cast<long long>(pages));
    text += tail;
    return text;
}

} // namespace tnxsql
