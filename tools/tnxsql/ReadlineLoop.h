// The interactive prompt: GNU readline's line editing and history around the shell. Readline runs
// in its callback mode, so that the loop waits on standard input and on the Ctrl-C wake-up pipe at
// once: Ctrl-C at the prompt clears the line being typed (and any statement half entered) and
// shows a fresh prompt; during a statement it cancels the statement (see Interrupt.h).
#pragma once

#include "tools/tnxsql/History.h"
#include "tools/tnxsql/Shell.h"

namespace tnxsql {

// Reads lines until end of input (Ctrl-D on an empty line) or \q, feeding them to the shell and
// the complete entries to the history, which is loaded first and saved at the end.
void RunInteractive(Shell& shell, History& history);

} // namespace tnxsql
