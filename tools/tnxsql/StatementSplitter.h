// Cuts SQL input into statements, incrementally: text arrives in chunks of any size (lines typed at
// the prompt, blocks of a file) and complete statements come out as soon as their end is seen.
//
// Rules:
//  - A statement ends at a semicolon outside quoted text ('...', "...", [...]), outside comments
//    (-- to the end of the line, /* ... */) and outside a compound block. The semicolon is not part
//    of the statement's text.
//  - Compound blocks: BEGIN ... END inside procedure, function, trigger and event definitions
//    (statements starting with CREATE or ALTER that name one of those), and a statement that starts
//    with BEGIN unless the next word is TRANSACTION, TRAN, WORK, DEFERRED, IMMEDIATE, EXCLUSIVE or
//    DISTRIBUTED (or nothing: "BEGIN;"). Inside a block, BEGIN and CASE open a nested level, END
//    closes one, and END IF / END LOOP / END WHILE / END FOR / END REPEAT close nothing.
//  - A line whose first non-blank character, at the start of a statement, is a backslash is a
//    command (\tables, \q, ...): it ends at the end of the line, and a trailing semicolon is dropped.
//    Such a line inside a statement (a continuation line, a backslash and a letter) is no part of
//    the SQL and is not run either: it comes out on its own, marked Refused, and the statement
//    goes on without it.
//  - Blanks and comments before a statement are dropped; statements holding nothing else (";;")
//    vanish. Comments inside a statement stay in its text.
//  - At the end of input, a statement without its semicolon is complete; an open quote, comment or
//    block is an error that names the line where it started.
// Feeding the input in one piece or byte by byte gives the same statements.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace tnxsql {

struct Statement {
    std::string Text;       // trimmed, without the ending semicolon (commands: from the backslash)
    int Line = 0;           // 1-based line of the statement's first character
    bool IsCommand = false; // a backslash command
    bool Refused = false;   // a backslash command on a continuation line: to be reported, not run
};

class StatementSplitter {
public:
    // Appends input.
    void Feed(std::string_view chunk);

    // Takes the next complete statement; false when none is complete yet.
    bool Next(Statement& out);

    // Result of the end of input.
    struct End {
        std::optional<Statement> Last; // the unterminated last statement, when it is complete
        std::string Error;             // non-empty when the input ended inside quotes, a comment or a block
        int ErrorLine = 0;             // where the open quote, comment or block started
    };
    // Declares the end of input. Call Next() until false first, and again after (a refused command
    // line at the very end comes out there, before End::Last); afterwards the splitter is empty and
    // ready for new input (line numbers go on counting).
    End Finish();

    // Drops everything buffered and not yet complete (Ctrl-C at the prompt).
    void Reset();

    // True when part of a statement is waiting for more input (for the continuation prompt).
    bool InStatement() const;
    // The quote character the input is inside (' " or [), '*' inside a block comment, 0 otherwise.
    char OpenQuote() const;

    // 1-based line that the next character fed belongs to.
    int CurrentLine() const { return FLine; }

private:
    enum class State : uint8_t {
        Normal,
        SingleQuote,
        DoubleQuote,
        Bracket,
        BracketClose, // just after ']' inside brackets: "]]" is an escaped bracket
        LineComment,
        BlockComment,
        Command,
        RefusedCommand, // a command line inside a statement, from FRefusedStart to the line's end
    };
    enum class Pending : uint8_t { None, Begin, End };

    // The byte at FPos and the one after it. NextPending: that next byte has not arrived yet but
    // may still come (more input can follow); Next is 0 then, and 0 at the end of input too.
    struct Lookahead {
        unsigned char Byte;
        unsigned char Next;
        bool NextPending;
    };

    // Runs the state machine over the buffered input. Each Step* handles the byte at FPos in one
    // state: it consumes bytes, or only changes state to look at the byte again, and returns false
    // when it must wait for the next byte.
    void Scan(bool atEnd);
    bool StepNormal(const Lookahead& at);
    bool StepBackslash(const Lookahead& at); // a backslash outside quotes and comments
    void StepSemicolon();
    void StepQuoted(const Lookahead& at); // quoted text and bracketed names
    bool StepComment(const Lookahead& at);
    void StepCommandLine(const Lookahead& at); // a command line, run or refused
    void Word(std::string_view word);
    void Resolve(std::string_view nextWord, bool atSemicolon);
    void Emit(size_t end, bool command);
    void ResetStatement();

    void MarkContent();
    // Whether FBuf[FPos] is the first non-blank character of its line.
    bool AtLineStart() const;
    // Queues the command line from FRefusedStart to `end` as refused and cuts it out of the input.
    void RefuseCommand(size_t end);

    // Input not yet emitted. The current statement starts at FStart; bytes before it belong to
    // statements already emitted and are dropped at the next Feed (dropping them at each statement
    // would make a chunk holding many statements cost quadratic time).
    std::string FBuf;
    size_t FStart = 0;
    size_t FPos = 0; // next byte of FBuf to scan
    State FState = State::Normal;
    int FLine = 1; // line of FBuf[FPos]
    bool FHasContent = false;
    size_t FContentStart = 0; // offset in FBuf of the first byte that is no blank or comment
    int FContentLine = 0;
    int FOpenLine = 0;                     // line where the current quote or comment started
    size_t FRefusedStart = 0;              // RefusedCommand: where its line's blanks begin
    size_t FRefusedText = 0;               // RefusedCommand: its backslash
    size_t FWordStart = std::string::npos; // start of the word being read
    int FWordCount = 0;                    // words seen in the statement (outside quotes and comments)
    bool FCreateOrAlter = false;           // the statement starts with CREATE or ALTER
    bool FRoutine = false;                 // ... and names a procedure, function, trigger or event
    int FDepth = 0;                        // open compound levels
    Pending FPending = Pending::None;
    std::deque<Statement> FQueue; // complete statements, in input order
};

} // namespace tnxsql
