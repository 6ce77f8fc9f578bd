// Fuzz target: the analysis of queries whose rows a cursor can change. Any text gives an answer
// without failing; a query it accepts yields a cursor query and a row query built around the
// original select list, with the markers of that list counted; the name of a type-600 variable
// is unquoted the same way whatever it holds.
#include "platform/dblib/SqlScanner.h"
#include "platform/dblib/SqlVariables.h"
#include "platform/dblib/UpdatableQuery.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    tnxdb::UpdatableQuery q = tnxdb::UpdatableQuery::Analyse(text);
    if (q.Ok() == !q.Reason().empty()) std::abort();
    if (q.Ok()) {
        const std::string& row = q.RowText();
        const std::string tail = " WHERE _rowid_ = ?";
        if (row.compare(0, 7, "SELECT ") != 0 || row.size() < tail.size() ||
            row.compare(row.size() - tail.size(), tail.size(), tail) != 0)
            std::abort();
        if (q.CursorText().find(", _rowid_ ") == std::string::npos) std::abort();
        size_t markers = tnxdb::ScanSql(text).MarkerNames.size();
        if (q.SelectMarkers() < 0 || static_cast<size_t>(q.SelectMarkers()) > markers) std::abort();
        if (q.TableName().empty() || q.QuotedTable().empty()) std::abort();
    }
    std::string name(text.c_str()); // up to the first NUL, as a C string arrives
    std::string unquoted = tnxdb::HostVariableName(name.c_str());
    if (unquoted.size() > name.size()) std::abort();
    return 0;
}
