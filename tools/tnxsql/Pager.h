// The pager program a long table is shown through on a terminal: $PAGER when it is set, else
// "less" (chopping long lines rather than wrapping them, keeping colours and the screen's
// content) or "more" when one of them is on the PATH. The table goes to the program's standard
// input; the tool waits until the user leaves it.
//
// Leaving the pager before the end closes the pipe: while the pager runs the tool ignores the
// broken-pipe signal, the stream then reports failure, and the table writer lets the caller stop
// (ResultWriter::Abandoned).
#pragma once

#include "tools/tnxsql/ResultWriter.h"

#include <cstdio>
#include <memory>
#include <streambuf>
#include <string>

namespace tnxsql {

class ProgramPager final : public Pager {
public:
    // `command` is the shell command to run; empty: the one the environment names (see above).
    explicit ProgramPager(std::string command = {});
    ~ProgramPager() override;
    ProgramPager(const ProgramPager&) = delete;
    ProgramPager& operator=(const ProgramPager&) = delete;

    std::ostream* Open() override;
    void Close() override;

    // The command Open runs; empty when there is no pager to run.
    const std::string& Command() const { return FCommand; }
    // The pager the environment names: $PAGER, or less or more found on the PATH; empty for none.
    static std::string FromEnvironment();

private:
    class FileBuf;
    std::string FCommand;
    FILE* FPipe = nullptr;
    std::unique_ptr<FileBuf> FBuf;
    std::unique_ptr<std::ostream> FStream;
    void (*FPreviousSigPipe)(int) = nullptr;
};

} // namespace tnxsql
