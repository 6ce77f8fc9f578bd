// Form files as text: the binary-to-text writer and the text parser.
#include "platform/vcl/FormText.h"

#include "platform/vcl/Component.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/MemoryStream.h"
#include "platform/vcl/Reader.h"
#include "platform/vcl/Stream.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclConsts.h"
#include "platform/vcl/Writer.h"
#include "platform/win/CodePage.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace vcl {

namespace {

constexpr const char* Eol = "\r\n";
constexpr std::size_t LineLength = 64; // characters of a string per line, bytes of hex per two lines

// The text of a double that reads back as the same double, always recognisable as a float.
AnsiString FloatText(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    AnsiString text(buf, end);
    bool isFloat = false;
    for (char& c : text) {
        if (c == 'e') c = 'E';
        if (c == '.' || c == 'E') isFloat = true;
    }
    if (!isFloat) text += ".0";
    return text;
}

AnsiString SingleText(float value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    AnsiString text(buf, end);
    for (char& c : text)
        if (c == 'e') c = 'E';
    return text;
}

// A string as quoted pieces and #codes. 'wide': the code points are Unicode (everything outside
// printable ASCII becomes #n); otherwise they are Windows-1252 bytes (0x80..0xFF stay as they are).
AnsiString QuotePiece(const std::u32string& cps, bool wide) {
    AnsiString out;
    bool inQuote = false;
    for (char32_t cp : cps) {
        const bool plain = (cp >= 0x20 && cp < 0x7F) || (!wide && cp >= 0x80 && cp <= 0xFF);
        if (plain) {
            if (!inQuote) {
                out += '\'';
                inQuote = true;
            }
            if (cp == '\'') out += '\'';
            out += static_cast<char>(cp);
        } else {
            if (inQuote) {
                out += '\'';
                inQuote = false;
            }
            out += '#';
            out += IntToStr(static_cast<std::int64_t>(cp));
        }
    }
    if (inQuote) out += '\'';
    return out;
}

class TBinaryToText {
public:
    TBinaryToText(TStream* input, TStream* output) : FReader(New<TReader>(input)), FOutput(output) {}

    void Run() {
        FReader->ReadSignature();
        ConvertObject(0);
        FOutput->WriteBuffer(FText.data(), static_cast<std::int64_t>(FText.size()));
    }

private:
    class TNest {
    public:
        explicit TNest(int& depth) : FDepth(depth) {
            if (++FDepth > MaxFilerNesting) {
                --FDepth;
                throw EReadError(SNestingTooDeep, {MaxFilerNesting});
            }
        }
        ~TNest() { --FDepth; }
        TNest(const TNest&) = delete;
        TNest& operator=(const TNest&) = delete;

    private:
        int& FDepth;
    };

    void Indent(int level) { FText.append(static_cast<std::size_t>(level) * 2, ' '); }

    void ConvertObject(int level) {
        TNest nest(FDepth);
        TFilerFlags flags;
        std::int32_t childPos = 0;
        FReader->ReadPrefix(flags, childPos);
        const AnsiString className = FReader->ReadStr();
        const AnsiString name = FReader->ReadStr();
        Indent(level);
        FText += flags.Contains(ffInherited) ? "inherited "
                 : flags.Contains(ffInline)  ? "inline "
                                             : "object ";
        if (!name.empty()) FText += name + ": ";
        FText += className;
        if (flags.Contains(ffChildPos)) FText += " [" + IntToStr(childPos) + "]";
        FText += Eol;
        while (!FReader->EndOfList())
            ConvertProperty(level + 1);
        FReader->ReadListEnd();
        while (!FReader->EndOfList())
            ConvertObject(level + 1);
        FReader->ReadListEnd();
        Indent(level);
        FText += "end";
        FText += Eol;
    }

    void ConvertProperty(int level) {
        const AnsiString name = FReader->ReadStr();
        Indent(level);
        FText += name + " = ";
        ConvertValue(level);
        FText += Eol;
    }

    void PutString(const std::u32string& cps, bool wide, int level) {
        if (cps.empty()) {
            FText += "''";
            return;
        }
        if (cps.size() <= LineLength) {
            FText += QuotePiece(cps, wide);
            return;
        }
        for (std::size_t i = 0; i < cps.size(); i += LineLength) {
            FText += i == 0 ? "" : " +";
            FText += Eol;
            Indent(level + 1);
            FText += QuotePiece(cps.substr(i, LineLength), wide);
        }
    }

    void ConvertValue(int level) {
        switch (FReader->NextValue()) {
        case vaList:
            ConvertList(level);
            return;
        case vaInt8:
        case vaInt16:
        case vaInt32:
        case vaInt64:
            FText += IntToStr(FReader->ReadInt64());
            return;
        case vaExtended:
            FText += FloatText(FReader->ReadFloat());
            return;
        case vaSingle:
            FText += SingleText(static_cast<float>(FReader->ReadFloat())) + "s";
            return;
        case vaCurrency:
            FText += IntToStr(FReader->ReadCurrency().Scaled) + "c";
            return;
        case vaDate:
            FText += FloatText(FReader->ReadFloat()) + "d";
            return;
        case vaString:
        case vaLString: {
            const AnsiString s = FReader->ReadString();
            std::u32string bytes; // one element per byte: PutString writes them as ANSI
            for (char c : s)
                bytes.push_back(static_cast<unsigned char>(c));
            PutString(bytes, false, level);
            return;
        }
        case vaWString:
        case vaUTF8String:
            PutString(CodePoints(WideValue()), true, level);
            return;
        case vaIdent:
        case vaFalse:
        case vaTrue:
        case vaNil:
        case vaNull:
            FText += FReader->ReadIdent();
            return;
        case vaBinary:
            ConvertBinary(level);
            return;
        case vaSet:
            ConvertSet();
            return;
        case vaCollection:
            ConvertCollection(level);
            return;
        }
    }

    // ( value value ... ), one value a line.
    void ConvertList(int level) {
        TNest nest(FDepth);
        FReader->ReadValue();
        FText += '(';
        while (!FReader->EndOfList()) {
            FText += Eol;
            Indent(level + 1);
            ConvertValue(level + 1);
        }
        FReader->ReadListEnd();
        FText += ')';
    }

    // { hexadecimal digits }, LineLength digits a line.
    void ConvertBinary(int level) {
        const std::string bytes = FReader->ReadBinary();
        FText += '{';
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (i % (LineLength / 2) == 0) {
                FText += Eol;
                Indent(level + 1);
            }
            FText += IntToHex(static_cast<unsigned char>(bytes[i]), 2);
        }
        FText += '}';
    }

    // [ element, element ]
    void ConvertSet() {
        FReader->ReadValue();
        FText += '[';
        bool first = true;
        for (;;) {
            const AnsiString element = FReader->ReadStr();
            if (element.empty()) break;
            if (!first) FText += ", ";
            FText += element;
            first = false;
        }
        FText += ']';
    }

    // < item [index] properties end ... >
    void ConvertCollection(int level) {
        TNest nest(FDepth);
        FReader->ReadValue();
        FText += '<';
        while (!FReader->EndOfList()) {
            FText += Eol;
            Indent(level + 1);
            FText += "item";
            const TValueType t = FReader->NextValue();
            if (t == vaInt8 || t == vaInt16 || t == vaInt32 || t == vaInt64)
                FText += " [" + IntToStr(FReader->ReadInt64()) + "]";
            FText += Eol;
            FReader->CheckValue(vaList);
            while (!FReader->EndOfList())
                ConvertProperty(level + 2);
            FReader->ReadListEnd();
            Indent(level + 1);
            FText += "end";
        }
        FReader->ReadListEnd();
        FText += '>';
    }

    // UTF-16 units as code points, surrogate pairs joined (a lone surrogate stays as it is).
    static std::u32string CodePoints(const std::u16string& units) {
        std::u32string cps;
        for (std::size_t i = 0; i < units.size(); ++i) {
            char32_t cp = units[i];
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
                units[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
                ++i;
            }
            cps.push_back(cp);
        }
        return cps;
    }

    // The UTF-16 units of a wide or UTF-8 string value, without the loss of Windows-1252.
    std::u16string WideValue() {
        TStream* in = FReader->GetStream();
        const TValueType type = FReader->ReadValue();
        std::uint8_t lengthBytes[4];
        in->ReadBuffer(lengthBytes, 4);
        const std::int32_t count =
            static_cast<std::int32_t>(lengthBytes[0] | (lengthBytes[1] << 8) | (lengthBytes[2] << 16) |
                                      (static_cast<std::uint32_t>(lengthBytes[3]) << 24));
        const std::int64_t bytes = type == vaWString ? static_cast<std::int64_t>(count) * 2 : count;
        if (count < 0) throw EReadError(SInvalidImage);
        if (bytes > in->GetSize() - in->GetPosition()) throw EReadError(SLengthPastEnd, {bytes});
        std::string raw(static_cast<std::size_t>(bytes), '\0');
        if (bytes != 0) in->ReadBuffer(raw.data(), bytes);
        if (type == vaUTF8String) return detail::Utf8ToUtf16(raw);
        std::u16string units(static_cast<std::size_t>(count), u'\0');
        for (std::size_t i = 0; i < units.size(); ++i)
            units[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                             (static_cast<unsigned char>(raw[2 * i + 1]) << 8));
        return units;
    }

    TOwned<TReader> FReader;
    TStream* FOutput;
    AnsiString FText;
    int FDepth = 0;
};

// --- Text to binary -------------------------------------------------------------------------------

enum class TToken { Eof, Symbol, String, Integer, Float, Char };

class TTextToBinary {
public:
    TTextToBinary(TStream* input, TStream* output) : FInput(input), FOutput(output) {
        const std::int64_t size = input->GetSize() - input->GetPosition();
        FStart = input->GetPosition();
        if (size > 0) {
            FText.resize(static_cast<std::size_t>(size));
            input->ReadBuffer(FText.data(), size);
        }
        FBuffer = New<TMemoryStream>();
        FWriter = New<TWriter>(FBuffer.get());
    }

    void Run() {
        NextToken();
        FWriter->WriteSignature();
        try {
            ConvertObject();
        } catch (const EWriteError& e) {
            Error(e.Message());
        }
        // Leave the input just after the object, as a reader of one component would.
        FInput->SetPosition(FStart + static_cast<std::int64_t>(FTokenStart));
        FBuffer->SaveToStream(FOutput);
    }

private:
    [[noreturn]] void Error(const AnsiString& what) { throw EReadError(SParseError, {what, FLine}); }
    [[noreturn]] void Error(const TResStringRec& what) { Error(LoadResString(what)); }

    class TNest {
    public:
        TNest(TTextToBinary& parser) : FParser(parser) {
            if (++FParser.FDepth > MaxFilerNesting) Error();
        }
        ~TNest() { --FParser.FDepth; }
        TNest(const TNest&) = delete;
        TNest& operator=(const TNest&) = delete;

    private:
        [[noreturn]] void Error() {
            --FParser.FDepth;
            FParser.Error(Format(LoadResString(SNestingTooDeep), {MaxFilerNesting}));
        }
        TTextToBinary& FParser;
    };

    char Peek(std::size_t ahead = 0) const {
        const std::size_t i = FPos + ahead;
        return i < FText.size() ? FText[i] : '\0';
    }
    bool AtEnd(std::size_t ahead = 0) const { return FPos + ahead >= FText.size(); }

    static bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
    static bool IsHex(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

    void SkipBlanks() {
        while (!AtEnd()) {
            const char c = Peek();
            if (c == '\n') {
                ++FLine;
            } else if (c == '\r') {
                ++FLine;
                if (Peek(1) == '\n') ++FPos;
            } else if (static_cast<unsigned char>(c) > ' ') {
                return;
            }
            ++FPos;
        }
    }

    void NextToken() {
        SkipBlanks();
        FTokenStart = FPos;
        FSuffix = '\0';
        if (AtEnd()) {
            FToken = TToken::Eof;
            return;
        }
        const char c = Peek();
        if (IsIdentStart(c)) {
            const std::size_t start = FPos;
            while (!AtEnd() && (IsIdentStart(Peek()) || IsDigit(Peek())))
                ++FPos;
            FToken = TToken::Symbol;
            FSymbol = FText.substr(start, FPos - start);
            return;
        }
        if (c == '\'' || c == '#') {
            ScanString();
            return;
        }
        if (IsDigit(c) || (c == '-' && IsDigit(Peek(1))) || c == '$' || (c == '-' && Peek(1) == '$')) {
            ScanNumber();
            return;
        }
        if (c == '-' && FText.compare(FPos + 1, 3, "INF") == 0) {
            FPos += 4;
            FToken = TToken::Float;
            FFloat = -std::numeric_limits<double>::infinity();
            ScanSuffix();
            return;
        }
        FToken = TToken::Char;
        FChar = c;
        ++FPos;
    }

    void ScanSuffix() {
        const char s = Peek();
        if (s == 's' || s == 'S' || s == 'c' || s == 'C' || s == 'd' || s == 'D') {
            FSuffix = static_cast<char>(s | 0x20);
            ++FPos;
        }
    }

    void ScanString() {
        FToken = TToken::String;
        FString.clear();
        for (;;) {
            const char c = Peek();
            if (c == '\'') {
                ++FPos;
                for (;;) {
                    if (AtEnd() || Peek() == '\r' || Peek() == '\n') Error(SInvalidString);
                    const char d = FText[FPos++];
                    if (d == '\'') {
                        if (Peek() == '\'') {
                            ++FPos;
                            FString.push_back('\'');
                            continue;
                        }
                        break;
                    }
                    // Characters in quotes are Windows-1252.
                    FString.push_back(win::detail::kAnsiToUnicode[static_cast<unsigned char>(d)]);
                }
            } else if (c == '#') {
                ++FPos;
                std::uint64_t code = 0;
                bool any = false;
                if (Peek() == '$') {
                    ++FPos;
                    while (IsHex(Peek())) {
                        const char h = FText[FPos++];
                        code = code * 16 +
                               static_cast<std::uint64_t>(IsDigit(h) ? h - '0' : (h | 0x20) - 'a' + 10);
                        any = true;
                        if (code > 0x10FFFF) Error(SInvalidString);
                    }
                } else {
                    while (IsDigit(Peek())) {
                        code = code * 10 + static_cast<std::uint64_t>(FText[FPos++] - '0');
                        any = true;
                        if (code > 0x10FFFF) Error(SInvalidString);
                    }
                }
                if (!any) Error(SInvalidString);
                FString.push_back(static_cast<char32_t>(code));
            } else {
                return;
            }
        }
    }

    void ScanNumber() {
        const std::size_t start = FPos;
        bool negative = false;
        if (Peek() == '-') {
            negative = true;
            ++FPos;
        }
        if (Peek() == '$') {
            ++FPos;
            std::uint64_t v = 0;
            int digits = 0;
            while (IsHex(Peek())) {
                const char h = FText[FPos++];
                v = v * 16 + static_cast<std::uint64_t>(IsDigit(h) ? h - '0' : (h | 0x20) - 'a' + 10);
                if (++digits > 16) Error(SInvalidNumber);
            }
            if (digits == 0) Error(SInvalidNumber);
            std::int64_t value;
            std::memcpy(&value, &v, sizeof v);
            FToken = TToken::Integer;
            FInteger = negative ? static_cast<std::int64_t>(0 - v) : value;
            return;
        }
        bool isFloat = false;
        while (!AtEnd()) {
            const char c = Peek();
            if (IsDigit(c)) {
                ++FPos;
            } else if (c == '.' || c == 'e' || c == 'E') {
                isFloat = true;
                ++FPos;
                if ((c == 'e' || c == 'E') && (Peek() == '+' || Peek() == '-')) ++FPos;
            } else {
                break;
            }
        }
        const std::string_view digits(FText.data() + start, FPos - start);
        ScanSuffix();
        if (FSuffix != '\0') isFloat = true;
        if (!isFloat) {
            FToken = TToken::Integer;
            auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), FInteger);
            if (ec != std::errc() || end != digits.data() + digits.size()) Error(SInvalidNumber);
            FNumberText = AnsiString(digits);
            return;
        }
        FToken = TToken::Float;
        FNumberText = AnsiString(digits);
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), FFloat);
        if (ec != std::errc() || end != digits.data() + digits.size()) Error(SInvalidNumber);
    }

    bool IsSymbol(const char* word) const { return FToken == TToken::Symbol && SameText(FSymbol, word); }
    bool IsChar(char c) const { return FToken == TToken::Char && FChar == c; }

    void ExpectChar(char c) {
        if (!IsChar(c)) Error(Format(LoadResString(SCharExpected), {AnsiString(1, c)}));
        NextToken();
    }

    AnsiString ExpectSymbol() {
        if (FToken != TToken::Symbol) Error(SIdentifierExpected);
        AnsiString s = FSymbol;
        NextToken();
        return s;
    }

    // A name with dots ("SQL.Strings", "DataModule1.Session1").
    AnsiString DottedName() {
        AnsiString name = ExpectSymbol();
        while (IsChar('.')) {
            NextToken();
            name += "." + ExpectSymbol();
        }
        return name;
    }

    bool AtObjectKeyword() const { return IsSymbol("object") || IsSymbol("inherited") || IsSymbol("inline"); }

    void ConvertObject() {
        TNest nest(*this);
        TFilerFlags flags;
        if (IsSymbol("inherited")) {
            flags.Include(ffInherited);
        } else if (IsSymbol("inline")) {
            flags.Include(ffInline);
        } else if (!IsSymbol("object")) {
            Error(Format(LoadResString(SSymbolExpected), {"object"}));
        }
        NextToken();
        AnsiString name;
        AnsiString className = ExpectSymbol();
        if (IsChar(':')) {
            NextToken();
            name = className;
            className = ExpectSymbol();
        }
        std::int32_t childPos = 0;
        if (IsChar('[')) {
            NextToken();
            if (FToken != TToken::Integer || FInteger < INT32_MIN || FInteger > INT32_MAX)
                Error(SNumberExpected);
            childPos = static_cast<std::int32_t>(FInteger);
            flags.Include(ffChildPos);
            NextToken();
            ExpectChar(']');
        }
        FWriter->WritePrefix(flags, childPos);
        FWriter->WriteStr(className);
        FWriter->WriteStr(name);
        while (FToken == TToken::Symbol && !IsSymbol("end") && !AtObjectKeyword())
            ConvertProperty();
        FWriter->WriteListEnd();
        while (AtObjectKeyword())
            ConvertObject();
        FWriter->WriteListEnd();
        if (!IsSymbol("end")) Error(Format(LoadResString(SSymbolExpected), {"end"}));
        NextToken();
    }

    void ConvertProperty() {
        const AnsiString name = DottedName();
        FWriter->WriteStr(name);
        ExpectChar('=');
        ConvertValue();
    }

    void WriteStringValue(const std::u32string& cps) {
        std::string narrow;
        narrow.reserve(cps.size());
        bool fits = true;
        for (char32_t cp : cps) {
            char c;
            if (cp > 0xFFFF || !win::Utf16UnitToAnsi(static_cast<char16_t>(cp), c)) {
                fits = false;
                break;
            }
            narrow.push_back(c);
        }
        if (fits) {
            FWriter->WriteString(narrow);
            return;
        }
        std::u16string units;
        for (char32_t cp : cps) {
            if (cp >= 0x10000) {
                units.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
                units.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
            } else {
                units.push_back(static_cast<char16_t>(cp));
            }
        }
        if (units.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() / 2))
            Error(SInvalidString);
        std::string out(1, static_cast<char>(vaWString));
        const auto count = static_cast<std::uint32_t>(units.size());
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<char>(count >> (8 * i)));
        for (char16_t u : units) {
            out.push_back(static_cast<char>(u & 0xFF));
            out.push_back(static_cast<char>(u >> 8));
        }
        FBuffer->WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
    }

    void WriteFloatValue(double value, char suffix) {
        switch (suffix) {
        case 's':
            FWriter->WriteSingle(static_cast<float>(value));
            break;
        case 'd':
            FWriter->WriteDate(TDateTime(value));
            break;
        case 'c': {
            if (!(std::fabs(value) < 9.2e18)) Error(SInvalidNumber);
            FWriter->WriteCurrency(Currency::FromScaled(static_cast<std::int64_t>(std::llround(value))));
            break;
        }
        default:
            FWriter->WriteFloat(value);
            break;
        }
    }

    void ConvertValue() {
        switch (FToken) {
        case TToken::String:
            ConvertString();
            return;
        case TToken::Integer:
            FWriter->WriteInteger(FInteger);
            NextToken();
            return;
        case TToken::Float:
            ConvertNumber();
            return;
        case TToken::Symbol:
            ConvertSymbolValue();
            return;
        case TToken::Char:
            break;
        case TToken::Eof:
            Error(SInvalidPropertyValue);
        }
        switch (FChar) {
        case '[':
            ConvertSet();
            return;
        case '(':
            ConvertList();
            return;
        case '{':
            ConvertBinary();
            return;
        case '<':
            ConvertCollection();
            return;
        default:
            Error(SInvalidPropertyValue);
        }
    }

    // 'text' + 'more text' + ...: one string value.
    void ConvertString() {
        std::u32string value = FString;
        NextToken();
        while (IsChar('+')) {
            NextToken();
            if (FToken != TToken::String) Error(SStringExpected);
            value += FString;
            NextToken();
        }
        WriteStringValue(value);
    }

    // A number with a fraction, an exponent or a suffix.
    void ConvertNumber() {
        if (FSuffix == 'c' && FNumberText.find_first_of(".eE") == AnsiString::npos) {
            // Currency x 10,000 as an integer: exact.
            std::int64_t scaled;
            auto [end, ec] =
                std::from_chars(FNumberText.data(), FNumberText.data() + FNumberText.size(), scaled);
            if (ec != std::errc()) Error(SInvalidNumber);
            FWriter->WriteCurrency(Currency::FromScaled(scaled));
        } else {
            WriteFloatValue(FFloat, FSuffix);
        }
        NextToken();
    }

    // An identifier, or NAN and INF (with a suffix for singles, currency and dates), which are floats.
    void ConvertSymbolValue() {
        const AnsiString& s = FSymbol;
        if (s.size() <= 4 && (s.compare(0, 3, "INF") == 0 || s.compare(0, 3, "NAN") == 0) &&
            (s.size() == 3 || s[3] == 's' || s[3] == 'd')) {
            const double v = s[0] == 'I' ? std::numeric_limits<double>::infinity()
                                         : std::numeric_limits<double>::quiet_NaN();
            WriteFloatValue(v, s.size() == 4 ? s[3] : '\0');
            NextToken();
            return;
        }
        FWriter->WriteIdent(DottedName());
    }

    // [ element, element ]
    void ConvertSet() {
        NextToken();
        FWriter->WriteValue(vaSet);
        if (!IsChar(']')) {
            for (;;) {
                FWriter->WriteStr(ExpectSymbol());
                if (IsChar(']')) break;
                ExpectChar(',');
            }
        }
        NextToken();
        FWriter->WriteStr("");
    }

    // ( value value ... )
    void ConvertList() {
        TNest nest(*this);
        NextToken();
        FWriter->WriteListBegin();
        while (!IsChar(')')) {
            if (FToken == TToken::Eof) Error(Format(LoadResString(SCharExpected), {")"}));
            ConvertValue();
        }
        NextToken();
        FWriter->WriteListEnd();
    }

    // < item [index] properties end ... >
    void ConvertCollection() {
        TNest nest(*this);
        NextToken();
        FWriter->WriteValue(vaCollection);
        while (IsSymbol("item")) {
            NextToken();
            if (IsChar('[')) {
                NextToken();
                if (FToken != TToken::Integer) Error(SNumberExpected);
                FWriter->WriteInteger(FInteger);
                NextToken();
                ExpectChar(']');
            }
            FWriter->WriteListBegin();
            while (FToken == TToken::Symbol && !IsSymbol("end"))
                ConvertProperty();
            if (!IsSymbol("end")) Error(Format(LoadResString(SSymbolExpected), {"end"}));
            NextToken();
            FWriter->WriteListEnd();
        }
        ExpectChar('>');
        FWriter->WriteListEnd();
    }

    // The hexadecimal body of {...}: digits in pairs, blanks and line ends anywhere.
    void ConvertBinary() {
        std::string bytes;
        int nibble = -1;
        for (;;) {
            if (AtEnd()) Error(Format(LoadResString(SCharExpected), {"}"}));
            const char c = FText[FPos++];
            if (c == '}') break;
            if (c == '\n') {
                ++FLine;
                continue;
            }
            if (c == '\r') {
                ++FLine;
                if (Peek() == '\n') ++FPos;
                continue;
            }
            if (static_cast<unsigned char>(c) <= ' ') continue;
            if (!IsHex(c)) Error(SInvalidBinary);
            const int v = IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10;
            if (nibble < 0) {
                nibble = v;
            } else {
                bytes.push_back(static_cast<char>(nibble * 16 + v));
                nibble = -1;
            }
        }
        if (nibble >= 0) Error(SInvalidBinary);
        if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
            Error(SInvalidBinary);
        FWriter->WriteBinary(
            [&bytes](TStream* s) { s->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size())); });
        NextToken();
    }

    TStream* FInput;
    TStream* FOutput;
    std::int64_t FStart = 0;
    AnsiString FText;
    std::size_t FPos = 0;
    std::size_t FTokenStart = 0;
    int FLine = 1;
    int FDepth = 0;
    TToken FToken = TToken::Eof;
    AnsiString FSymbol;
    std::u32string FString;
    std::int64_t FInteger = 0;
    double FFloat = 0;
    AnsiString FNumberText;
    char FSuffix = '\0';
    char FChar = '\0';
    TOwned<TMemoryStream> FBuffer;
    TOwned<TWriter> FWriter;
};

} // namespace

void ObjectBinaryToText(TStream* input, TStream* output) {
    TBinaryToText converter(input, output);
    converter.Run();
}

void ObjectTextToBinary(TStream* input, TStream* output) {
    TTextToBinary converter(input, output);
    converter.Run();
}

void ObjectResourceToText(TStream* input, TStream* output) {
    input->ReadResHeader();
    ObjectBinaryToText(input, output);
}

void ObjectTextToResource(TStream* input, TStream* output) {
    auto binary = New<TMemoryStream>();
    ObjectTextToBinary(input, binary.get());
    // The resource is named after the root's class, in upper case.
    binary->SetPosition(4);
    auto reader = New<TReader>(binary.get());
    TFilerFlags flags;
    std::int32_t childPos = 0;
    reader->ReadPrefix(flags, childPos);
    const AnsiString className = reader->ReadStr();
    std::int64_t sizePosition = 0;
    output->WriteResourceHeader(className, sizePosition);
    binary->SaveToStream(output);
    output->FixupResourceHeader(sizePosition);
}

TStreamOriginalFormat TestStreamFormat(TStream* stream) {
    const std::int64_t pos = stream->GetPosition();
    char head[64] = {};
    const std::int32_t n = stream->Read(head, sizeof head);
    stream->SetPosition(pos);
    if (n >= 4 && std::memcmp(head, FilerSignature, 4) == 0) return sofBinary;
    if (n >= 3 && static_cast<unsigned char>(head[0]) == 0xFF && head[1] == 0x0A && head[2] == 0)
        return sofResource;
    std::int32_t i = 0;
    while (i < n && static_cast<unsigned char>(head[i]) <= ' ')
        ++i;
    const std::string_view rest(head + i, static_cast<std::size_t>(n - i));
    for (const char* word : {"object", "inherited", "inline"}) {
        const std::size_t len = std::strlen(word);
        if (rest.size() > len && SameText(rest.substr(0, len), word) &&
            static_cast<unsigned char>(rest[len]) <= ' ')
            return sofText;
    }
    return sofUnknown;
}

AnsiString WriteComponentText(TComponent* component, TComponent* ancestor) {
    auto binary = New<TMemoryStream>();
    binary->WriteDescendent(component, ancestor);
    binary->SetPosition(0);
    auto text = New<TStringStream>();
    ObjectBinaryToText(binary.get(), text.get());
    return text->GetDataString();
}

namespace {

// The data as a binary stream positioned at its signature, whatever form it came in.
TOwned<TStream> BinaryFormOf(std::string_view data) {
    auto input = New<TStringStream>(data);
    switch (TestStreamFormat(input.get())) {
    case sofText: {
        auto binary = New<TMemoryStream>();
        ObjectTextToBinary(input.get(), binary.get());
        binary->SetPosition(0);
        return TOwned<TStream>(binary.release());
    }
    case sofResource:
        input->ReadResHeader();
        return TOwned<TStream>(input.release());
    default:
        return TOwned<TStream>(input.release());
    }
}

} // namespace

TComponent* ReadComponentData(std::string_view data, TComponent* instance) {
    auto stream = BinaryFormOf(data);
    return stream->ReadComponent(instance);
}

TOwned<TComponent> ReadComponentData(std::string_view data) {
    auto stream = BinaryFormOf(data);
    return stream->ReadComponent();
}

} // namespace vcl
