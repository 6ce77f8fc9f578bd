// Hostile input for the tool's parsers: the statement splitter (fed whole and in pieces, which must
// agree), marker scanning, parameter values, command arguments and message scrubbing.
#include "tools/tnxsql/Commands.h"
#include "tools/tnxsql/Params.h"
#include "tools/tnxsql/Secret.h"
#include "tools/tnxsql/StatementSplitter.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(std::string_view text, size_t piece, std::string& error) {
    tnxsql::StatementSplitter sp;
    std::vector<std::string> out;
    tnxsql::Statement s;
    for (size_t pos = 0; pos < text.size(); pos += piece) {
        sp.Feed(text.substr(pos, piece));
        while (sp.Next(s))
            out.push_back(std::to_string(s.Line) + (s.IsCommand ? "C" : "S") + s.Text);
    }
    auto end = sp.Finish();
    if (end.Last)
        out.push_back(std::to_string(end.Last->Line) + (end.Last->IsCommand ? "C" : "S") + end.Last->Text);
    error = end.Error + std::to_string(end.ErrorLine);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string e1, e2, e3;
    auto whole = Split(text, text.size() + 1, e1);
    auto bytes = Split(text, 1, e2);
    auto odd = Split(text, 7, e3);
    if (whole != bytes || whole != odd || e1 != e2 || e1 != e3) std::abort();

    for (const tnxsql::Marker& m : tnxsql::FindMarkers(text)) {
        if (m.Offset >= text.size() || text[m.Offset] != ':' || m.Name.data() != text.data() + m.Offset + 1)
            std::abort();
    }
    try {
        tnxsql::ParseParam(text);
    } catch (const tnxsql::ParamError&) {
    }
    try {
        tnxsql::SplitWords(text);
    } catch (const std::invalid_argument&) {
    }
    // Scrubbing with the first bytes as the password: no occurrence may survive (the mask is made of
    // '*', so a password holding one is left out of the check).
    std::string_view pw = text.substr(0, 3);
    if (!pw.empty() && pw.find('*') == std::string_view::npos) {
        std::string scrubbed = tnxsql::Scrubber(tnxsql::Secret(std::string(pw))).Scrub(text);
        if (scrubbed.find(pw) != std::string::npos) std::abort();
    }
    return 0;
}
