// A query's rows through TAsaSQL's cursor; see AsaResultSet.h.
#include "tools/tnxsql/AsaResultSet.h"

#include "asa/AsaSQL.h"
#include "asa/AsaTimeStamp.h"
#include "tools/tnxsql/AsaBackend.h"
#include "tools/tnxsql/AsaValues.h"

#include <algorithm>
#include <cstring>

namespace tnxsql {

AsaResultSet::AsaResultSet(tnx::TAsaSQL& query, const std::atomic<bool>& cancel)
    : FQuery(query), FCancel(cancel) {
    const int32_t n = FQuery.GetFieldCount();
    FColumns.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        const tnx::TCorvexFieldDesc& d = FQuery.GetFieldDesc(i);
        Column c;
        c.Name = FQuery.GetFieldLongName(i);
        c.Type = ColumnTypeOf(d.FieldType);
        c.Length = d.Length;
        c.Nullable = d.Nulls;
        if ((d.FieldType == tnx::ntFloat || d.FieldType == tnx::ntCurrency) && d.Decimals > 0) c.Scale = d.Decimals;
        FColumns.push_back(std::move(c));
    }
    FRow.resize(FColumns.size());
    FStorage.resize(FColumns.size());
    FOffsets.resize(FColumns.size(), -1);
    for (int32_t i = 0; i < n; ++i) {
        const ColumnType t = FColumns[static_cast<size_t>(i)].Type;
        const bool calendar = (t == ColumnType::Date || t == ColumnType::Time || t == ColumnType::DateTime) &&
                              FQuery.GetFieldDesc(i).Size == static_cast<int32_t>(sizeof(tnx::Tsqldatetime));
        int32_t index = -1, offset = -1;
        if ((t == ColumnType::Binary || calendar) && FQuery.GetFieldInfo(vcl::Variant(i), &index, &offset) &&
            index == i)
            FOffsets[static_cast<size_t>(i)] = offset;
    }
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
        if (FOffsets[i] >= 0) {
            FRow[i] = FColumns[i].Type == ColumnType::Binary ? BinaryCell(static_cast<int32_t>(i))
                                                             : CalendarCell(static_cast<int32_t>(i));
            continue;
        }
        const vcl::Variant value = FQuery.GetFieldValue(field);
        if (value.IsNull()) {
            // The null flag says there is a value: an empty long value, which the statement's
            // conversion of zero bytes gives as Null. It is empty, not NULL.
            FStorage[i].clear();
            const ColumnType t = FColumns[i].Type;
            FRow[i] = t == ColumnType::Binary || t == ColumnType::LongBinary ? Cell::Binary(FStorage[i])
                                                                             : Cell::Text(FStorage[i]);
            continue;
        }
        FRow[i] = VariantToCell(value, FColumns[i].Type, FStorage[i]);
    }
}

Cell AsaResultSet::BinaryCell(int32_t index) {
    // The row holds a 16-bit length, then the bytes. The statement's value of such a column is
    // always as long as the column's buffer, so a two-byte value of a BINARY(10) column would come
    // out as ten bytes, padded with zeros: the length the library delivered is read here instead.
    const uint8_t* p = FQuery.GetRecordBuffer() + FOffsets[static_cast<size_t>(index)];
    const int32_t room = FQuery.GetFieldDesc(index).Size - 2;
    uint16_t length = 0;
    std::memcpy(&length, p, sizeof length);
    const size_t n = static_cast<size_t>(std::clamp<int32_t>(length, 0, std::max(room, 0)));
    std::string& bytes = FStorage[static_cast<size_t>(index)];
    bytes.assign(reinterpret_cast<const char*>(p + 2), n);
    return Cell::Binary(bytes);
}

Cell AsaResultSet::CalendarCell(int32_t index) {
    const size_t i = static_cast<size_t>(index);
    tnx::Tsqldatetime rec;
    std::memcpy(&rec, FQuery.GetRecordBuffer() + FOffsets[i], sizeof rec);
    uint32_t micro;
    std::memcpy(&micro, &rec.microsecond, sizeof micro);
    const bool noDate = rec.year == 0 && rec.month == 0 && rec.day == 0;
    const bool valid = rec.hour < 24 && rec.minute < 60 && rec.second < 60 && micro < 1000000 &&
                       (noDate || (rec.year >= 1 && rec.month < 12 && rec.day >= 1 && rec.day <= 31));
    if (!valid || (noDate && FColumns[i].Type != ColumnType::Time)) {
        // Not a record the library writes, or a time of day in a date column: what the statement
        // makes of it.
        return VariantToCell(FQuery.GetFieldValue(vcl::Variant(index)), FColumns[i].Type, FStorage[i]);
    }
    const auto month = static_cast<uint8_t>(noDate ? 0 : rec.month + 1);
    switch (FColumns[i].Type) {
    case ColumnType::Date:
        return Cell::Date(rec.year, month, rec.day);
    case ColumnType::Time:
        return Cell::Time(rec.hour, rec.minute, rec.second, micro);
    default:
        return Cell::DateTime(Timestamp{rec.year, month, rec.day, rec.hour, rec.minute, rec.second, micro});
    }
}

} // namespace tnxsql
