// The code table and the SQLCA writers (see Errors.h).
#include "platform/dblib/Errors.h"

#include <algorithm>
#include <cstring>

namespace tnxdb {

namespace {

// Sorted by code so that FindError can search it; every code the header documents is here.
constexpr ErrorInfo kErrors[] = {
    {-1009, "07W05", "Statement returns no result set: %1"},
    {-1008, "07W04", "Invalid argument: %1"},
    {-1007, "07W03", "Invalid SQLDA: %1"},
    {-1006, "08W90", "A request is already running on this connection"},
    {-1005, "08002", "This SQLCA is already connected"},
    {-816, "08W86", "Specified database file already in use: %1"},
    {-757, "42W56", "Modifications not permitted for read-only database"},
    {-668, "24W02", "Cursor '%1' only moves forward"},
    {-645, "08W60", "Database creation failed: %1"},
    {-633, "42W47", "Cursor '%1' was not opened for update"},
    {-309, "08W27", "Memory error -- transaction rolled back"},
    {-308, "08W26", "Connection was terminated"},
    {-306, "40001", "Deadlock detected"},
    {-305, "40W05", "I/O error %1 -- transaction rolled back"},
    {-304, "40W04", "Disk full -- transaction rolled back"},
    {-301, "40W02", "Internal database error %1 -- transaction rolled back"},
    {-300, "40W01", "Run time SQL error -- %1"},
    {-299, "57014", "Statement interrupted by user"},
    {-265, "42W20", "Procedure '%1' not found"},
    {-260, "42W14", "Variable '%1' not found"},
    {-259, "42W13", "Variable '%1' already exists"},
    {-242, "25W01", "Transactions in progress prevent renaming the transaction log of %1"},
    {-210, "42W18", "A row needed by this statement is locked by another connection"},
    {-209, "23510", "Invalid value for column '%1' in table '%2'"},
    {-201, "42W17", "Invalid setting for option '%1'"},
    {-200, "42W16", "Invalid option '%1' -- no PUBLIC setting exists"},
    {-198, "23503", "Primary key for row in table '%1' is referenced by another row"},
    {-197, "24503", "No current row of cursor '%1'"},
    {-196, "23505", "Index '%1' for table '%2' would not be unique"},
    {-195, "23502", "Column '%1' in table '%2' cannot be NULL"},
    {-194, "23503", "No primary key value for foreign key in table '%1'"},
    {-193, "23W01", "Primary key for table '%1' is not unique"},
    {-192, "42W31", "Rows of cursor '%1' cannot be changed: %2"},
    {-188, "07002", "Not enough values for host variables"},
    {-181, "22002", "No indicator variable provided for NULL result"},
    {-180, "24501", "Cursor '%1' is not open"},
    {-172, "24502", "Cursor '%1' is already open"},
    {-170, "24W01", "Cursor '%1' has not been declared"},
    {-158, "22003", "Value %1 out of range for destination"},
    {-157, "53018", "Cannot convert %1 to a %2"},
    {-155, "07W02", "Invalid host variable: %1"},
    {-143, "52003", "Column '%1' not found"},
    {-141, "42W33", "Table '%1' not found"},
    {-131, "42W04", "Syntax error near '%1'"},
    {-130, "07W01", "Invalid statement"},
    {-121, "42501", "Permission denied: %1"},
    {-110, "52010", "Item '%1' already exists"},
    {-103, "28000", "Invalid user ID or password"},
    {-101, "08003", "Not connected to a database"},
    {-100, "08W01", "Database server not running: %1"},
    {-96, "08W12", "Database server already running: %1"},
    {-95, "08W11", "Parse error: %1"},
    {-88, "08W10", "Client/server communications protocol mismatch: %1"},
    {-83, "08W09", "Specified database not found: %1"},
    {-82, "08W08", "Unable to start specified database: %1"},
    {-77, "08W07", "Database name not unique: %1"},
    {-75, "08W05", "Request to start/stop database denied: %1"},
    {0, "00000", ""},
    {100, "02000", "Row not found"},
    {101, "01004", "Value truncated"},
    {105, "01W05", "Procedure has completed"},
};

void CopyField(char* dst, size_t size, const std::string& text) {
    size_t n = std::min(text.size(), size - 1);
    std::memcpy(dst, text.data(), n);
    dst[n] = '\0';
}

} // namespace

const ErrorInfo* FindError(int code) {
    auto it = std::lower_bound(std::begin(kErrors), std::end(kErrors), code,
                               [](const ErrorInfo& e, int c) { return e.Code < c; });
    return (it != std::end(kErrors) && it->Code == code) ? it : nullptr;
}

std::string FormatMessage(int code, const std::string& p1, const std::string& p2) {
    const ErrorInfo* info = FindError(code);
    if (!info) {
        std::string text = code < 0 ? "Error " : "Warning ";
        text += std::to_string(code);
        if (!p1.empty()) text += ": " + p1;
        return text;
    }
    std::string out;
    for (const char* p = info->Text; *p; ++p) {
        if (p[0] == '%' && (p[1] == '1' || p[1] == '2')) {
            out += p[1] == '1' ? p1 : p2;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

void ResetSqlca(sqlca* ca) {
    ca->sqlcode = 0;
    ca->sqlerrml = 0;
    ca->sqlerrmc[0] = '\0';
    std::memset(ca->sqlerrd, 0, sizeof ca->sqlerrd);
    std::memset(ca->sqlwarn, ' ', sizeof ca->sqlwarn);
    std::memcpy(ca->sqlstate, "00000", 6);
}

std::string WriteSqlca(sqlca* ca, int code, const std::string& p1, const std::string& p2) {
    const ErrorInfo* info = FindError(code);
    ca->sqlcode = code;
    CopyField(ca->sqlstate, sizeof ca->sqlstate, info ? info->SqlState : (code < 0 ? "HY000" : "01000"));
    std::string params = p2.empty() ? p1 : p1 + "\t" + p2;
    CopyField(ca->sqlerrmc, sizeof ca->sqlerrmc, params);
    ca->sqlerrml = static_cast<int16_t>(std::strlen(ca->sqlerrmc));
    return FormatMessage(code, p1, p2);
}

void SetTruncationWarning(sqlca* ca) {
    ca->sqlwarn[0] = 'W';
    ca->sqlwarn[1] = 'W';
}

} // namespace tnxdb
