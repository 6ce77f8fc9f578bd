// Windows-1252 letter case and collation (the rules are documented in SysUtils.h).
//
// Both come from one table of the code page's letters: each letter byte names its base letter,
// its accent and its case. The upper/lower-case mapping pairs exactly the letters that differ only
// in case, and the collation weights are derived from the same entries, so "equal ignoring case"
// and "identical after AnsiUpperCase" cannot disagree. The tables are built at compile time.
#include "platform/vcl/SysUtils.h"

#include <array>
#include <cstring>

namespace vcl {

namespace {

// Accents in their secondary sort order (a plain letter first).
enum Accent : std::uint8_t {
    None,
    Acute,
    Grave,
    Circumflex,
    Diaeresis,
    Tilde,
    Ring,
    Cedilla,
    Caron,
    Stroke,
    Ligature,
    Hook,
    Sharp
};

struct Letter {
    std::uint8_t Byte;
    char Base; // 'A'..'Z', or '[' for thorn, which sorts after Z
    Accent Mark;
    bool Upper;
};

// The letters of Windows-1252 beyond ASCII. Upper-case C0-DE (except D7) pair with E0-FE.
constexpr Letter kHighLetters[] = {
    {0x83, 'F', Hook, false},     {0x8A, 'S', Caron, true},      {0x9A, 'S', Caron, false},
    {0x8C, 'O', Ligature, true},  {0x9C, 'O', Ligature, false},  {0x8E, 'Z', Caron, true},
    {0x9E, 'Z', Caron, false},    {0x9F, 'Y', Diaeresis, true},  {0xFF, 'Y', Diaeresis, false},
    {0xC0, 'A', Grave, true},     {0xC1, 'A', Acute, true},      {0xC2, 'A', Circumflex, true},
    {0xC3, 'A', Tilde, true},     {0xC4, 'A', Diaeresis, true},  {0xC5, 'A', Ring, true},
    {0xC6, 'A', Ligature, true},  {0xC7, 'C', Cedilla, true},    {0xC8, 'E', Grave, true},
    {0xC9, 'E', Acute, true},     {0xCA, 'E', Circumflex, true}, {0xCB, 'E', Diaeresis, true},
    {0xCC, 'I', Grave, true},     {0xCD, 'I', Acute, true},      {0xCE, 'I', Circumflex, true},
    {0xCF, 'I', Diaeresis, true}, {0xD0, 'D', Stroke, true},     {0xD1, 'N', Tilde, true},
    {0xD2, 'O', Grave, true},     {0xD3, 'O', Acute, true},      {0xD4, 'O', Circumflex, true},
    {0xD5, 'O', Tilde, true},     {0xD6, 'O', Diaeresis, true},  {0xD8, 'O', Stroke, true},
    {0xD9, 'U', Grave, true},     {0xDA, 'U', Acute, true},      {0xDB, 'U', Circumflex, true},
    {0xDC, 'U', Diaeresis, true}, {0xDD, 'Y', Acute, true},      {0xDE, '[', None, true},
    {0xDF, 'S', Sharp, false},
};

// Bytes that are not characters in Windows-1252; they sort with the control characters.
constexpr bool IsControl(unsigned b) {
    return b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

struct Tables {
    std::array<std::uint8_t, 256> Upper{};
    std::array<std::uint8_t, 256> Lower{};
    std::array<std::uint16_t, 256> Primary{};
    std::array<std::uint8_t, 256> Secondary{};
    std::array<std::uint8_t, 256> Tertiary{}; // 0 lower case or no case, 1 upper case
};

constexpr Tables BuildTables() {
    Tables t;
    std::array<Letter, 256> letter{};
    std::array<bool, 256> isLetter{};
    auto add = [&](const Letter& l) {
        letter[l.Byte] = l;
        isLetter[l.Byte] = true;
    };
    for (unsigned c = 'A'; c <= 'Z'; ++c) {
        add({static_cast<std::uint8_t>(c), static_cast<char>(c), None, true});
        add({static_cast<std::uint8_t>(c + 0x20), static_cast<char>(c), None, false});
    }
    for (const Letter& l : kHighLetters) {
        add(l);
        // Upper-case letters of the C0-DE block have their lower-case form 0x20 higher.
        if (l.Byte >= 0xC0 && l.Byte <= 0xDE)
            add({static_cast<std::uint8_t>(l.Byte + 0x20), l.Base, l.Mark, false});
    }

    // Case mapping: pair letters that agree in base and accent and differ in case.
    for (unsigned b = 0; b < 256; ++b) {
        t.Upper[b] = static_cast<std::uint8_t>(b);
        t.Lower[b] = static_cast<std::uint8_t>(b);
    }
    std::array<std::array<int, Sharp + 1>, 27> upperOf{}; // [base][accent] -> upper-case byte + 1
    for (unsigned b = 0; b < 256; ++b)
        if (isLetter[b] && letter[b].Upper)
            upperOf[letter[b].Base - 'A'][letter[b].Mark] = static_cast<int>(b) + 1;
    for (unsigned a = 0; a < 256; ++a) {
        if (!isLetter[a] || letter[a].Upper) continue;
        const int up = upperOf[letter[a].Base - 'A'][letter[a].Mark];
        if (up == 0) continue; // no upper-case form in the code page
        t.Upper[a] = static_cast<std::uint8_t>(up - 1);
        t.Lower[up - 1] = static_cast<std::uint8_t>(a);
    }

    // Primary weights: controls, then other non-letters except digits, then digits, then letters.
    std::uint16_t next = 1;
    for (unsigned b = 0; b < 256; ++b)
        if (IsControl(b)) t.Primary[b] = next++;
    for (unsigned b = 0; b < 256; ++b)
        if (!IsControl(b) && !isLetter[b] && !(b >= '0' && b <= '9')) t.Primary[b] = next++;
    for (unsigned b = '0'; b <= '9'; ++b)
        t.Primary[b] = next++;
    for (unsigned b = 0; b < 256; ++b) {
        if (!isLetter[b]) continue;
        t.Primary[b] = static_cast<std::uint16_t>(next + (letter[b].Base - 'A'));
        t.Secondary[b] = letter[b].Mark;
        t.Tertiary[b] = letter[b].Upper ? 1 : 0;
    }
    return t;
}

constexpr Tables kTables = BuildTables();

inline unsigned char U(char c) {
    return static_cast<unsigned char>(c);
}

int Collate(std::string_view a, std::string_view b, bool caseSensitive) {
    if (a == b) return 0;
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned pa = kTables.Primary[U(a[i])], pb = kTables.Primary[U(b[i])];
        if (pa != pb) return pa < pb ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned sa = kTables.Secondary[U(a[i])], sb = kTables.Secondary[U(b[i])];
        if (sa != sb) return sa < sb ? -1 : 1;
    }
    if (!caseSensitive) return 0;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned ta = kTables.Tertiary[U(a[i])], tb = kTables.Tertiary[U(b[i])];
        if (ta != tb) return ta < tb ? -1 : 1;
    }
    return 0;
}

std::string_view View(const char* s) {
    return s ? std::string_view(s) : std::string_view();
}

std::string_view ViewMax(const char* s, std::size_t maxLen) {
    if (!s) return {};
    const void* end = std::memchr(s, 0, maxLen);
    return std::string_view(s, end ? static_cast<std::size_t>(static_cast<const char*>(end) - s) : maxLen);
}

} // namespace

char AnsiUpperChar(char c) {
    return static_cast<char>(kTables.Upper[U(c)]);
}
char AnsiLowerChar(char c) {
    return static_cast<char>(kTables.Lower[U(c)]);
}

AnsiString AnsiUpperCase(std::string_view s) {
    AnsiString r(s);
    for (char& c : r)
        c = static_cast<char>(kTables.Upper[U(c)]);
    return r;
}

AnsiString AnsiLowerCase(std::string_view s) {
    AnsiString r(s);
    for (char& c : r)
        c = static_cast<char>(kTables.Lower[U(c)]);
    return r;
}

int AnsiCompareStr(std::string_view a, std::string_view b) {
    return Collate(a, b, true);
}
int AnsiCompareText(std::string_view a, std::string_view b) {
    return Collate(a, b, false);
}
bool AnsiSameText(std::string_view a, std::string_view b) {
    return Collate(a, b, false) == 0;
}
bool AnsiSameStr(std::string_view a, std::string_view b) {
    return a == b;
}

int AnsiStrComp(const char* a, const char* b) {
    return Collate(View(a), View(b), true);
}
int AnsiStrIComp(const char* a, const char* b) {
    return Collate(View(a), View(b), false);
}
int AnsiStrLIComp(const char* a, const char* b, std::size_t maxLen) {
    return Collate(ViewMax(a, maxLen), ViewMax(b, maxLen), false);
}
int AnsiStrLComp(const char* a, const char* b, std::size_t maxLen) {
    return Collate(ViewMax(a, maxLen), ViewMax(b, maxLen), true);
}

} // namespace vcl
