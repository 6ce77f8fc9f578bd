// A query's rows through TAsaSQL's cursor; see AsaResultSet.h.
#include "tools/tnxsql/AsaResultSet.h"

#include "asa/AsaSQL.h"
#include "tools/tnxsql/AsaBackend.h"
#include "tools/tnxsql/AsaValues.h"

namespace tnxsql {

AsaResultSet::AsaResultSet(tnx::TAsaSQL& query, const std::atomic<bool>& cancel)
    : FQuery(query), FCancel(cancel) {
    const int32_t n = FQuery.GetFieldCount();
    FColumns.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        const tnx::TCorvexFieldDesc& d = FQuery.GetFieldDesc(i);
        Column c;
        c.Name = d.Name;
        c.Type = ColumnTypeOf(d.FieldType);
        c.Length = d.Length;
        c.Nullable = d.Nulls;
        FColumns.push_back(std::move(c));
    }
    FRow.resize(FColumns.size());
    FStorage.resize(FColumns.size());
}

AsaResultSet::~AsaResultSet() {
    try {
        FQuery.Close();
    } catch (...) {
        // Closing a cursor on a connection that has just been lost: nothing is left to close.
    }
}

bool AsaResultSet::Next() {
    if (FDone) return false;
    if (FCancel.load(std::memory_order_relaxed)) {
        FDone = true;
        throw BackendError("the request was cancelled", 0);
    }
    bool moved = false;
    try {
        if (!FStarted) {
            // The open made the first row current already.
            FStarted = true;
            moved = FQuery.GetActive() && !FQuery.GetEOF();
        } else {
            moved = FQuery.Next();
            if (!moved && !FQuery.GetEOF()) ThrowLastError(FQuery, "reading the next row failed");
        }
        if (moved) ReadRow();
    } catch (const BackendError&) {
        FDone = true;
        throw;
    } catch (const std::exception& e) {
        FDone = true;
        throw ToBackendError(e);
    }
    if (!moved) FDone = true;
    return moved;
}

void AsaResultSet::ReadRow() {
    for (size_t i = 0; i < FColumns.size(); ++i) {
        const vcl::Variant field(static_cast<int32_t>(i));
        if (FQuery.IsFieldNull(field)) {
            FRow[i] = Cell::Null();
            continue;
        }
        FRow[i] = VariantToCell(FQuery.GetFieldValue(field), FColumns[i].Type, FStorage[i]);
    }
}

} // namespace tnxsql
