// Runs the built tnxsql program the way a user does: with pipes for its standard streams, or on a
// pseudo-terminal. Each run gets its own HOME, so no history file of the user is touched.
#pragma once

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace tnxsqltest {

struct Outcome {
    int Status = -1; // exit status, or 128 + signal
    std::string Out, Err;
};

// What else a run is given: environment variables, another user, a terminal's size.
struct RunSetup {
    std::vector<std::pair<std::string, std::string>> Environment; // set in the program's environment
    int User = -1;            // run as this user id (and its group: the same number) when >= 0
    unsigned short Columns = 0, Rows = 0; // the terminal's size (Terminal only); 0: none set
};

// Runs the program with `args`, feeding `input` on standard input. A run that has not ended after
// a generous limit is killed and reported as a failure (a guard against a hang, not a timing).
Outcome RunProgram(std::vector<std::string> args, const std::string& input = "",
                   const std::string& home = "/nonexistent", const RunSetup& setup = {});

// The program on a pseudo-terminal.
class Terminal {
public:
    Terminal(std::vector<std::string> args, const std::string& home, const RunSetup& setup = {});
    ~Terminal();
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // Reads what the terminal shows until `want` appears after what was consumed before; returns
    // everything shown up to and including it. Records a failure when it never shows.
    std::string Expect(const std::string& want);
    void Type(const std::string& keys);
    // Waits for the program to end, reading the rest of what it shows; returns its exit status.
    int Wait();
    const std::string& Shown() const { return FShown; }
    pid_t Pid() const { return FPid; }

private:
    int FMaster = -1;
    pid_t FPid = -1;
    bool FReaped = false;
    std::string FShown;
    size_t FConsumed = 0;
};

// The whole content of a file ("" when it cannot be read).
std::string ReadFile(const std::string& path);

} // namespace tnxsqltest
