// The pager program; see Pager.h.
#include "tools/tnxsql/Pager.h"

#include <csignal>
#include <cstdlib>
#include <ostream>
#include <unistd.h>

namespace tnxsql {

namespace {

// Whether a program of this name can be run from the PATH.
bool OnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return false;
    std::string dirs(path);
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (dir.empty()) dir = ".";
        if (access((dir + "/" + name).c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

} // namespace

// Writes through to the pipe's FILE; its failure (the pager has gone) fails the stream.
class ProgramPager::FileBuf final : public std::streambuf {
public:
    explicit FileBuf(FILE* f) : FFile(f) {}

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        return std::fputc(c, FFile) == EOF ? traits_type::eof() : c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        return static_cast<std::streamsize>(std::fwrite(s, 1, static_cast<size_t>(n), FFile));
    }
    int sync() override { return std::fflush(FFile) == 0 ? 0 : -1; }

private:
    FILE* FFile;
};

ProgramPager::ProgramPager(std::string command)
    : FCommand(command.empty() ? FromEnvironment() : std::move(command)) {}

ProgramPager::~ProgramPager() {
    Close();
}

std::string ProgramPager::FromEnvironment() {
    if (const char* pager = std::getenv("PAGER"); pager != nullptr && *pager != '\0') return pager;
    if (OnPath("less")) return "less -SRXF";
    if (OnPath("more")) return "more";
    return {};
}

std::ostream* ProgramPager::Open() {
    if (FPipe != nullptr) return FStream.get();
    if (FCommand.empty()) return nullptr;
    std::fflush(stdout);
    FPreviousSigPipe = std::signal(SIGPIPE, SIG_IGN);
    FPipe = popen(FCommand.c_str(), "w");
    if (FPipe == nullptr) {
        std::signal(SIGPIPE, FPreviousSigPipe);
        return nullptr;
    }
    FBuf = std::make_unique<FileBuf>(FPipe);
    FStream = std::make_unique<std::ostream>(FBuf.get());
    return FStream.get();
}

void ProgramPager::Close() {
    if (FPipe == nullptr) return;
    FStream->flush();
    pclose(FPipe);
    FPipe = nullptr;
    FStream.reset();
    FBuf.reset();
    std::signal(SIGPIPE, FPreviousSigPipe);
}

} // namespace tnxsql
