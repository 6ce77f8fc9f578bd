// The rows of a query opened on a TAsaSQL, read forward once, as the tool's ResultSet.
//
// The statement's cursor fetches rows in blocks; this class walks it with Next() and turns the
// current row's values into cells. Guarantees:
//  - Destroying it closes the cursor (the statement stays prepared for the next run of the same
//    text).
//  - NULL comes from the null flag, never from the value: an empty text or a zero stays one.
//  - A binary value has the length the library delivered, not the length of the column's buffer.
//  - Dates and times keep the microseconds the library delivered.
//  - Column names are whole (the statement's long-names describe), fixed-point columns carry
//    their scale.
//  - The cancel flag is looked at before each move, so Ctrl-C stops a long read between rows even
//    when each fetch is quick; a fetch that runs long is cancelled by the wait callback instead.
#pragma once

#include "tools/tnxsql/Backend.h"

#include <atomic>
#include <string>
#include <vector>

namespace tnx {
class TAsaSQL;
}

namespace tnxsql {

class AsaResultSet final : public ResultSet {
public:
    // `query` has an open cursor positioned on its first row (or at its end when there is none).
    // `cancel` is the backend's cancel flag; both outlive this object.
    AsaResultSet(tnx::TAsaSQL& query, const std::atomic<bool>& cancel);
    ~AsaResultSet() override;
    AsaResultSet(const AsaResultSet&) = delete;
    AsaResultSet& operator=(const AsaResultSet&) = delete;

    const std::vector<Column>& Columns() const override { return FColumns; }
    bool Next() override;
    std::span<const Cell> Row() const override { return FRow; }

private:
    void ReadRow();
    // The value of a binary column, read with the length the library delivered.
    Cell BinaryCell(int32_t index);
    // The value of a date, time or date-time column, read from the library's time-stamp record
    // with all its microseconds (a date-time Variant holds milliseconds).
    Cell CalendarCell(int32_t index);

    tnx::TAsaSQL& FQuery;
    const std::atomic<bool>& FCancel;
    std::vector<Column> FColumns;
    std::vector<Cell> FRow;            // the current row; text and binary cells view FStorage
    std::vector<std::string> FStorage; // per column: bytes of the current row's value
    // Per column: the byte offset of a binary or calendar column's value in the statement's record
    // buffer, which is read there rather than through a Variant; -1 for other columns.
    std::vector<int32_t> FOffsets;
    bool FStarted = false; // Next() was called: the cursor's first row was handed out
    bool FDone = false;    // the end was reached or a move failed
};

} // namespace tnxsql
