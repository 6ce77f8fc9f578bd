// Fuzz target: the SQL scanner. It never fails; its tokens lie inside the text in order, its
// markers are numbered in order, and the engine text has one '?' per marker outside literals.
#include "platform/dblib/SqlScanner.h"
#include "platform/dblib/TypeMap.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    tnxdb::ScannedSql s = tnxdb::ScanSql(text);
    size_t last = 0;
    int markers = 0;
    for (const tnxdb::Token& t : s.Tokens) {
        if (t.Begin < last || t.End <= t.Begin || t.End > text.size()) std::abort();
        last = t.End;
        if (t.Kind == tnxdb::TokKind::Marker) {
            if (t.MarkerIndex != markers++) std::abort();
        } else if (t.MarkerIndex != -1) {
            std::abort();
        }
        (void)tnxdb::TokenText(text, t);
    }
    if (markers != static_cast<int>(s.MarkerNames.size())) std::abort();
    if (s.EngineText.size() > text.size()) std::abort();
    // Scanning the engine text again finds the same number of markers.
    if (tnxdb::ScanSql(s.EngineText).MarkerNames.size() != s.MarkerNames.size()) std::abort();
    (void)tnxdb::MapDeclaredType(text);
    return 0;
}
