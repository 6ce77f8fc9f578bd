// Statement splitting: a byte-at-a-time state machine over the buffered input. It only ever looks
// one byte ahead ("--", "/*", "*/", "]]"); when that byte has not arrived yet it stops and waits for
// the next Feed, which is what makes chunked and whole input split alike.
#include "tools/tnxsql/StatementSplitter.h"
#include "tools/tnxsql/Text.h"

#include <array>

namespace tnxsql {

namespace {

// Blanks between statements and words: those of Text.h, and form feed and vertical tab.
bool IsSpaceByte(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool IsLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsWordChar(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || c == '#' || c == '@' || c >= 0x80;
}

// Whether a word is the keyword, in any letter case.
bool Is(std::string_view word, std::string_view keyword) {
    return EqualNoCase(word, keyword);
}

template <size_t N>
bool IsAny(std::string_view word, const std::array<std::string_view, N>& keywords) {
    for (auto k : keywords)
        if (Is(word, k)) return true;
    return false;
}

// Words after BEGIN that make it the start of a transaction, not of a block.
constexpr std::array<std::string_view, 7> TransactionWords = {
    "TRANSACTION", "TRAN", "WORK", "DEFERRED", "IMMEDIATE", "EXCLUSIVE", "DISTRIBUTED"};
// Words after END that end a statement of their own, not a BEGIN or CASE level.
constexpr std::array<std::string_view, 5> EndNoLevel = {"IF", "LOOP", "WHILE", "FOR", "REPEAT"};
// Objects whose definition holds a compound block.
constexpr std::array<std::string_view, 4> RoutineWords = {"PROCEDURE", "FUNCTION", "TRIGGER", "EVENT"};

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsSpaceByte(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

} // namespace

void StatementSplitter::Feed(std::string_view chunk) {
    if (FStart > 0) {
        FBuf.erase(0, FStart);
        FPos -= FStart;
        FContentStart = FContentStart >= FStart ? FContentStart - FStart : 0;
        if (FWordStart != std::string::npos) FWordStart -= FStart;
        if (FState == State::RefusedCommand) {
            FRefusedStart -= FStart;
            FRefusedText -= FStart;
        }
        FStart = 0;
    }
    FBuf.append(chunk);
    Scan(false);
}

bool StatementSplitter::Next(Statement& out) {
    if (FQueue.empty()) return false;
    out = std::move(FQueue.front());
    FQueue.pop_front();
    return true;
}

void StatementSplitter::MarkContent() {
    if (FHasContent) return;
    FHasContent = true;
    FContentStart = FPos;
    FContentLine = FLine;
}

void StatementSplitter::ResetStatement() {
    FState = State::Normal;
    FHasContent = false;
    FWordStart = std::string::npos;
    FWordCount = 0;
    FCreateOrAlter = false;
    FRoutine = false;
    FDepth = 0;
    FPending = Pending::None;
}

// Settles a BEGIN or END whose meaning depends on what follows it. `nextWord` is the following
// word, or empty when the next thing is a symbol (`atSemicolon` tells whether it is the semicolon).
// Returns with FPending cleared.
void StatementSplitter::Resolve(std::string_view nextWord, bool atSemicolon) {
    if (FPending == Pending::Begin) {
        bool transaction = atSemicolon || (!nextWord.empty() && IsAny(nextWord, TransactionWords));
        if (!transaction) FDepth = 1;
    } else if (FPending == Pending::End) {
        if (nextWord.empty() || !IsAny(nextWord, EndNoLevel)) {
            if (FDepth > 0) --FDepth;
        }
    }
    FPending = Pending::None;
}

void StatementSplitter::Word(std::string_view w) {
    if (FPending != Pending::None) {
        bool afterEnd = FPending == Pending::End;
        Resolve(w, false);
        // "END IF", "END CASE", ...: the word belongs to the END and opens nothing.
        if (afterEnd && (IsAny(w, EndNoLevel) || Is(w, "CASE"))) return;
    }
    ++FWordCount;
    if (FWordCount == 1) {
        if (Is(w, "CREATE") || Is(w, "ALTER")) FCreateOrAlter = true;
        if (Is(w, "BEGIN")) FPending = Pending::Begin;
        return;
    }
    if (FCreateOrAlter && !FRoutine && FDepth == 0 && IsAny(w, RoutineWords)) FRoutine = true;
    if (Is(w, "BEGIN")) {
        if (FDepth > 0 || FRoutine) ++FDepth;
    } else if (Is(w, "CASE")) {
        if (FDepth > 0) ++FDepth;
    } else if (Is(w, "END")) {
        if (FDepth > 0) FPending = Pending::End;
    }
}

void StatementSplitter::Emit(size_t end, bool command) {
    if (!FHasContent) return;
    std::string_view text(FBuf.data() + FContentStart, end - FContentStart);
    text = TrimRight(text);
    if (command) {
        while (!text.empty() && text.back() == ';')
            text = TrimRight(text.substr(0, text.size() - 1));
    }
    FQueue.push_back(Statement{std::string(text), FContentLine, command});
}

void StatementSplitter::Scan(bool atEnd) {
    while (FPos < FBuf.size()) {
        const bool haveNext = FPos + 1 < FBuf.size();
        const Lookahead at{static_cast<unsigned char>(FBuf[FPos]),
                           haveNext ? static_cast<unsigned char>(FBuf[FPos + 1])
                                    : static_cast<unsigned char>(0),
                           !haveNext && !atEnd};
        bool stepped = true;
        switch (FState) {
        case State::Normal:
            stepped = StepNormal(at);
            break;
        case State::SingleQuote:
        case State::DoubleQuote:
        case State::Bracket:
        case State::BracketClose:
            StepQuoted(at);
            break;
        case State::LineComment:
        case State::BlockComment:
            stepped = StepComment(at);
            break;
        case State::RefusedCommand:
        case State::Command:
            StepCommandLine(at);
            break;
        }
        if (!stepped) return;
    }
}

bool StatementSplitter::StepNormal(const Lookahead& at) {
    const unsigned char c = at.Byte;
    if (IsWordChar(c)) {
        if (FWordStart == std::string::npos) {
            MarkContent();
            FWordStart = FPos;
        }
        ++FPos;
        return true;
    }
    if (FWordStart != std::string::npos) {
        Word(std::string_view(FBuf.data() + FWordStart, FPos - FWordStart));
        FWordStart = std::string::npos;
    }
    if (c == '\n') {
        ++FLine;
        ++FPos;
    } else if (IsSpaceByte(c)) {
        ++FPos;
    } else if ((c == '-' || c == '/') && at.NextPending) {
        return false; // "--" or "/*" may be starting: wait for the next byte
    } else if (c == '-' && at.Next == '-') {
        FState = State::LineComment;
        FPos += 2;
    } else if (c == '/' && at.Next == '*') {
        FState = State::BlockComment;
        FOpenLine = FLine;
        FPos += 2;
    } else if (c == '\\') {
        return StepBackslash(at);
    } else if (c == ';') {
        StepSemicolon();
    } else {
        MarkContent();
        if (FPending != Pending::None) Resolve({}, false);
        if (c == '\'' || c == '"' || c == '[') {
            FState = c == '\'' ? State::SingleQuote : c == '"' ? State::DoubleQuote : State::Bracket;
            FOpenLine = FLine;
        }
        ++FPos;
    }
    return true;
}

bool StatementSplitter::StepBackslash(const Lookahead& at) {
    if (!FHasContent) {
        MarkContent();
        FState = State::Command;
        ++FPos;
        return true;
    }
    if (at.NextPending && AtLineStart()) return false; // a command name may follow: wait for it
    if (IsLetter(at.Next) && AtLineStart()) {
        FRefusedText = FPos;
        FRefusedStart = FPos;
        while (FRefusedStart > FStart && (FBuf[FRefusedStart - 1] == ' ' || FBuf[FRefusedStart - 1] == '\t'))
            --FRefusedStart;
        FOpenLine = FLine;
        FState = State::RefusedCommand;
        ++FPos;
        return true;
    }
    // A backslash inside a statement line is ordinary SQL text.
    MarkContent();
    if (FPending != Pending::None) Resolve({}, false);
    ++FPos;
    return true;
}

void StatementSplitter::StepSemicolon() {
    if (FPending != Pending::None) Resolve({}, true);
    if (FDepth > 0) { // inside a compound block the semicolon ends nothing
        ++FPos;
        return;
    }
    Emit(FPos, false);
    ++FPos;
    FStart = FPos;
    ResetStatement();
}

void StatementSplitter::StepQuoted(const Lookahead& at) {
    const unsigned char c = at.Byte;
    switch (FState) {
    case State::SingleQuote:
    case State::DoubleQuote:
        // A doubled quote ('' or "") closes and at once reopens the text, which splits alike.
        if (c == '\n') ++FLine;
        if (c == (FState == State::SingleQuote ? '\'' : '"')) FState = State::Normal;
        ++FPos;
        break;
    case State::Bracket:
        if (c == '\n') ++FLine;
        if (c == ']') FState = State::BracketClose;
        ++FPos;
        break;
    default: // BracketClose
        if (c == ']') {
            FState = State::Bracket; // "]]" stands for one bracket inside the name
            ++FPos;
        } else {
            FState = State::Normal; // the name ended; look at this byte again
        }
        break;
    }
}

bool StatementSplitter::StepComment(const Lookahead& at) {
    const unsigned char c = at.Byte;
    if (FState == State::LineComment) {
        if (c == '\n')
            FState = State::Normal; // the newline is counted there
        else
            ++FPos;
        return true;
    }
    if (c == '*' && at.NextPending) return false;
    if (c == '*' && at.Next == '/') {
        FState = State::Normal;
        FPos += 2;
    } else {
        if (c == '\n') ++FLine;
        ++FPos;
    }
    return true;
}

void StatementSplitter::StepCommandLine(const Lookahead& at) {
    if (at.Byte != '\n') {
        ++FPos;
        return;
    }
    if (FState == State::RefusedCommand) {
        RefuseCommand(FPos); // the newline stays, and is counted in the statement
        FState = State::Normal;
        return;
    }
    Emit(FPos, true);
    ++FLine;
    ++FPos;
    FStart = FPos;
    ResetStatement();
}

bool StatementSplitter::AtLineStart() const {
    for (size_t k = FPos; k > FStart; --k) {
        const char before = FBuf[k - 1];
        if (before == '\n') return true;
        if (before != ' ' && before != '\t' && before != '\r') return false;
    }
    return false; // the statement's own first line: not a continuation line
}

void StatementSplitter::RefuseCommand(size_t end) {
    std::string_view text(FBuf.data() + FRefusedText, end - FRefusedText);
    text = TrimRight(text);
    FQueue.push_back(Statement{std::string(text), FOpenLine, false, true});
    FBuf.erase(FRefusedStart, end - FRefusedStart);
    FPos = FRefusedStart;
}

StatementSplitter::End StatementSplitter::Finish() {
    Scan(true);
    if (FState == State::RefusedCommand) {
        RefuseCommand(FBuf.size());
        FState = State::Normal;
    }
    End end;
    if (FState == State::Normal || FState == State::BracketClose || FState == State::LineComment) {
        if (FWordStart != std::string::npos) {
            Word(std::string_view(FBuf.data() + FWordStart, FPos - FWordStart));
            FWordStart = std::string::npos;
        }
        if (FPending == Pending::Begin) FPending = Pending::None; // a lone "BEGIN": a transaction
        if (FPending == Pending::End) Resolve({}, false);
    }
    switch (FState) {
    case State::SingleQuote:
    case State::DoubleQuote:
    case State::Bracket:
        end.Error = FState == State::Bracket ? "unterminated bracketed name" : "unterminated quoted text";
        end.ErrorLine = FOpenLine;
        break;
    case State::BlockComment:
        end.Error = "unterminated comment";
        end.ErrorLine = FOpenLine;
        break;
    default:
        if (FDepth > 0) {
            end.Error = "unterminated BEGIN ... END block";
            end.ErrorLine = FContentLine;
        } else if (FHasContent) {
            size_t before = FQueue.size();
            Emit(FBuf.size(), FState == State::Command);
            if (FQueue.size() > before) {
                end.Last = std::move(FQueue.back());
                FQueue.pop_back();
            }
        }
        break;
    }
    FBuf.clear();
    FStart = 0;
    FPos = 0;
    ResetStatement();
    return end;
}

void StatementSplitter::Reset() {
    FBuf.clear();
    FStart = 0;
    FPos = 0;
    FQueue.clear();
    ResetStatement();
}

bool StatementSplitter::InStatement() const {
    return FHasContent || FState == State::SingleQuote || FState == State::DoubleQuote ||
           FState == State::Bracket || FState == State::BlockComment;
}

char StatementSplitter::OpenQuote() const {
    switch (FState) {
    case State::SingleQuote:
        return '\'';
    case State::DoubleQuote:
        return '"';
    case State::Bracket:
        return '[';
    case State::BlockComment:
        return '*';
    default:
        return 0;
    }
}

} // namespace tnxsql
