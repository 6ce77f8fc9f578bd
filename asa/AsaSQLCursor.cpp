// TAsaSQL: the query's cursor (see AsaSQL.h): declaring and opening it, describing columns known
// only after the open, block fetches into the fetch buffer, moving forward, backward, to the ends
// and to a row number, the next result set of a procedure, the plan text, closing.
//
// Where the library's cursor stands. An array fetch leaves the library's cursor on the LAST ROW
// IT DELIVERED, also when the block came back shorter than asked for because the result ended;
// a fetch that finds no row leaves it after the last row (or before the first). The statement's
// own position (CurrentRow, BufferRow, BufferedRows) is kept so that the library's position can
// always be derived from it:
//   - a block holds rows CurrentRow - BufferRow .. CurrentRow - BufferRow + BufferedRows - 1, and
//     the library stands on the last of them;
//   - with no row buffered (BufferedRows 0) the library stands where CurrentRow says: -1 before
//     the first row, the row count after the last.
// Prev and MoveTo both compute their relative moves from that, so walking back and forth across a
// short last block lands on the right rows. Last takes its row number from RecordCount; when that
// is the library's estimate rather than the exact count, the next MoveTo positions absolutely
// (the row number may be off, the library's own numbering is not), and from then on the numbers
// are exact again. A Next after the end keeps CurrentRow where the first one put it, as the
// library stays after the last row.
//
// Position fields after each operation (BOF / EOF from the row-not-found code 100):
//   open with rows        CurrentRow 0, BufferRow 0, BOF = EOF = false
//   Next inside a block   CurrentRow + 1, BufferRow + 1, no library call
//   Next past the end     CurrentRow + 1, BufferedRows 0, EOF
//   Last                  CurrentRow = RecordCount - 1, BufferRow on the last delivered row
//   Prev at block start   one block backward ending at the new current row
//   MoveTo(n)             a move without data, then one block starting at row n (a refused move
//                         changes nothing)
// Every move ends with ConvertFetchedBuffers, so RecordBuffer, OldRecordBuffer and the null flags
// show the new current row (all NULL when the move found none).
#include "asa/AsaSQL.h"

#include "base/CorvexBlob.h"
#include "base/TnxConsts.h"
#include "base/TnxProduct.h"
#include "platform/vcl/StringList.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tnx {

namespace {

char* Module() {
    return const_cast<char*>(szCorvexLibraryShortName);
}

// Cursor option words of dbpp_declare and dbpp_open.
constexpr unsigned kOptionReadOnly = 0x2;
constexpr unsigned kOptionForUpdate = 0x1000;
constexpr unsigned kOptionForwardOnly = 0x4;
constexpr unsigned kOptionFixedScroll = 0x80;
constexpr unsigned kOptionInsensitive = 0x400;

// Fetch kinds.
constexpr unsigned kAbsolute = 1;
constexpr unsigned kRelative = 2;

} // namespace

// --- Open, describe, close ----------------------------------------------------------------------

bool TAsaSQL::InternalOpen(bool ReadOnly) {
    // The options are taken before BeforeOpen fires: a handler that changes the properties
    // affects the next open only.
    unsigned options = ReadOnly ? kOptionReadOnly : kOptionForUpdate;
    if (FUniDirectional) {
        options |= kOptionForwardOnly;
    } else if (FCursorType == actFixedScroll) {
        options |= kOptionFixedScroll;
    } else if (FCursorType == actInsensitive) {
        options |= kOptionInsensitive;
    }
    if (FBeforeOpen) FBeforeOpen(this);

    TAsaSession* session = Asa();
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    std::snprintf(FCursorName, sizeof FCursorName, "%s-%d", szCorvexLibraryShortName, FOpenStatement);
    session->Dbpp(procs.dbpp_declare, FCursorName, nullptr, Module(), &FOpenStatement, options);
    session->Dbpp(procs.dbpp_open, FCursorName, nullptr, Module(), &FOpenStatement, FOpenBindSqlda, nullptr,
                  nullptr, options);
    FRecordCount = std::abs(session->GetSqlca()->sqlerrd[2]);
    FCountExact = session->GetSqlca()->sqlerrd[2] >= 0;
    FRowNumbersExact = true;
    const bool checked = CheckResult();
    // Long inputs of the query went through variables that only the open needed.
    if (FOpenBlobVariables && FOpenBlobVariables->GetCount() > 0)
        DropBlobVariablesQuietly(FOpenBlobVariables.get());
    if (!checked && LastErrorCode() < 0) return false;

    bool ok;
    try {
        if (FDescribeAfterOpen) {
            ok = InternalDescribeOpen(ReadOnly) && inherited::InternalOpen(ReadOnly);
        } else {
            int32_t rows = FAllocRows;
            if (!ReadOnly) rows = 1;
            for (int32_t i = 0; i < FFieldCount && rows > 1; ++i)
                if (IsBlobType(FFields[i].FieldType)) rows = 1;
            FFetchRows = std::max(std::min(rows, FAllocRows), 1);
            ok = inherited::InternalOpen(ReadOnly);
        }
    } catch (...) {
        CloseLibraryCursorQuietly();
        throw;
    }
    if (!ok) {
        // The library's cursor is open although the statement's is not: close it, or the next
        // open of this statement would find it open.
        CloseLibraryCursorQuietly();
        return false;
    }

    const bool fetched = FUniDirectional ? InternalFetchNext(true) : InternalFetchFirst(true);
    if (FActive && FAfterOpen) FAfterOpen(this);
    return fetched;
}

bool TAsaSQL::InternalDescribeOpen(bool ReadOnly) {
    return LayoutColumns(true, ReadOnly);
}

void TAsaSQL::InternalClose() {
    if (FActive) {
        auto* session = dynamic_cast<TAsaSession*>(GetAssignedSession());
        if (session != nullptr && AsaLibrary.Procs.dbpp_close) {
            session->Dbpp(AsaLibrary.Procs.dbpp_close, FCursorName);
            InternalAutoCommit();
        }
    }
    inherited::InternalClose();
}

void TAsaSQL::CloseLibraryCursorQuietly() {
    auto* session = dynamic_cast<TAsaSession*>(GetAssignedSession());
    if (session == nullptr || !AsaLibrary.Procs.dbpp_close) return;
    sqlca* ca = session->GetSqlca();
    const sqlca saved = *ca;
    session->Dbpp(AsaLibrary.Procs.dbpp_close, FCursorName);
    *ca = saved;
}

// --- Fetching -----------------------------------------------------------------------------------

void TAsaSQL::ZeroFetchBuffer() {
    if (FFetchBuffer != nullptr && FRecordSize > 0 && FFetchRows > 0)
        std::memset(FFetchBuffer, 0,
                    static_cast<std::size_t>(FRecordSize) * static_cast<std::size_t>(FFetchRows));
}

int32_t TAsaSQL::FetchBlock(unsigned Kind, int32_t Offset, int32_t& Delivered) {
    TAsaSession* session = Asa();
    ZeroFetchBuffer();
    const int32_t rows = std::max(FFetchRows, 1);
    session->Dbpp(AsaLibrary.Procs.dbpp_fetch_array, FCursorName, Kind, Offset, FOpenSqlda, 0, 0,
                  static_cast<unsigned>(rows));
    // The library never delivers more rows than asked for; a count outside the block is not
    // trusted with the buffer.
    Delivered = std::clamp(session->GetSqlca()->sqlerrd[2], 0, rows);
    CheckResult();
    return LastErrorCode();
}

void TAsaSQL::ConvertFetchedBuffers() {
    if (FRecordBuffer == nullptr || FFetchBuffer == nullptr) return;
    const int32_t row = std::clamp(FBufferRow, 0, std::max(FAllocRows - 1, 0));
    if (FRecordSize > 0) {
        std::memcpy(FRecordBuffer, FFetchBuffer + static_cast<std::size_t>(row) * FRecordSize,
                    static_cast<std::size_t>(FRecordSize));
        std::memcpy(FOldRecordBuffer, FRecordBuffer, static_cast<std::size_t>(FRecordSize));
    }
    const sqlvar* vars =
        FOpenSqlda != nullptr ? FOpenSqlda->sqlvar + static_cast<std::size_t>(row) * FFieldCount : nullptr;
    for (int32_t i = 0; i < FFieldCount; ++i) {
        const bool isNull =
            FBufferedRows == 0 || (vars != nullptr && vars[i].sqlind != nullptr && *vars[i].sqlind == -1);
        FNullFlags[i] = isNull ? 1 : 0;
    }
    if (FFieldCount > 0) std::memcpy(FOldNullFlags, FNullFlags, static_cast<std::size_t>(FFieldCount));
    if (FBlobManager != nullptr) FBlobManager->ClearBlobs();
}

bool TAsaSQL::InternalFetchFirst(bool Adjust) {
    int32_t delivered = 0;
    const int32_t code = FetchBlock(kAbsolute, 1, delivered);
    if (!StillActive()) return false;
    FBOF = FEOF = code == DBLIB_W_NOT_FOUND;
    FBufferedRows = FBOF ? 0 : delivered;
    if (Adjust) FFetchRows = std::max(std::min(FFetchRows, FBufferedRows), 1);
    FBufferRow = 0;
    ConvertFetchedBuffers();
    FCurrentRow = FBufferedRows > 0 ? 0 : -1;
    FRowNumbersExact = true;
    return FBufferedRows > 0;
}

bool TAsaSQL::InternalFetchNext(bool Adjust) {
    if (FBufferRow < FBufferedRows - 1) {
        ++FBufferRow;
        ++FCurrentRow;
    } else {
        int32_t delivered = 0;
        const int32_t code = FetchBlock(kRelative, 1, delivered);
        if (!StillActive()) return false;
        FEOF = code == DBLIB_W_NOT_FOUND;
        ++FCurrentRow;
        FBufferedRows = FEOF ? 0 : delivered;
        if (FBufferedRows > 0) FBOF = false;
        if (Adjust) FFetchRows = std::max(std::min(FFetchRows, FBufferedRows), 1);
        FBufferRow = 0;
    }
    ConvertFetchedBuffers();
    return FBufferedRows > 0;
}

// --- Moves --------------------------------------------------------------------------------------

bool TAsaSQL::First() {
    RequireActive();
    return InternalFetchFirst(false);
}

bool TAsaSQL::Next() {
    RequireActive();
    // Already after the last row: the library stays there, and so does the row number (counting
    // on would put every later MoveTo and Prev off by the extra steps).
    const bool afterEnd = FEOF && FBufferedRows == 0 && FCurrentRow >= 0;
    const bool found = InternalFetchNext(false);
    if (afterEnd && !found && FEOF && StillActive()) --FCurrentRow;
    return found;
}

bool TAsaSQL::Last() {
    RequireActive();
    int32_t delivered = 0;
    const int32_t code = FetchBlock(kAbsolute, -std::max(FFetchRows, 1), delivered);
    if (!StillActive()) return false;
    FBOF = FEOF = code == DBLIB_W_NOT_FOUND;
    FBufferedRows = FEOF ? 0 : delivered;
    FBufferRow = std::max(FBufferedRows - 1, 0);
    ConvertFetchedBuffers();
    if (FBufferedRows > 0) {
        FCurrentRow = FRecordCount - 1;
        if (!FCountExact) FRowNumbersExact = false;
    }
    return FBufferedRows > 0;
}

bool TAsaSQL::Prev() {
    RequireActive();
    if (FBufferRow > 0) {
        --FBufferRow;
        --FCurrentRow;
    } else {
        // The library stands on the last row of the block (or, with none buffered, where
        // CurrentRow says): a block of FetchRows rows counted back from there ends just before
        // the current row when the block was full, and further on when it was short or empty.
        const int32_t m = FBufferedRows;
        int32_t k = 0;
        if (FBOF) {
            ZeroFetchBuffer();
        } else {
            const int32_t code = FetchBlock(kRelative, -std::max(FFetchRows, 1), k);
            if (!StillActive()) return false;
            FBOF = code == DBLIB_W_NOT_FOUND;
            --FCurrentRow;
        }
        if (!FBOF) {
            // The new current row is the one just before the old block's first row.
            int32_t row;
            if (m >= FFetchRows) {
                row = 0;
            } else if (m > 0) {
                row = k - m;
            } else {
                row = k - m - 1;
            }
            FBufferRow = std::max(row, 0);
            FBufferedRows = k;
        } else {
            FBufferRow = 0;
            FBufferedRows = 0;
        }
        if (FBufferedRows > 0) FEOF = false;
    }
    ConvertFetchedBuffers();
    return FBufferedRows > 0;
}

bool TAsaSQL::MoveTo(int32_t RecNo) {
    RequireActive();
    TAsaSession* session = Asa();
    // The block is zeroed only by the fetch that refills it: a move the library refuses (a
    // forward-only cursor asked to go back) leaves the rows fetched before readable.
    // Where the library's cursor stands: on the block's last row, or where CurrentRow says when
    // nothing is buffered (after the end, before the beginning).
    const int32_t first = FCurrentRow - FBufferRow;
    const int64_t position =
        FBufferedRows > 0 ? static_cast<int64_t>(first) + FBufferedRows - 1 : FCurrentRow;
    const int64_t delta64 = static_cast<int64_t>(RecNo) - position;
    const auto delta = static_cast<int32_t>(std::clamp<int64_t>(delta64, INT32_MIN, INT32_MAX));

    if (FRowNumbersExact) {
        session->Dbpp(AsaLibrary.Procs.dbpp_fetch, FCursorName, kRelative, delta, nullptr, nullptr, 0u);
    } else {
        // The row number is not known to match the library's (a Last on an estimated count):
        // only an absolute move lands on row RecNo. Before the first row that is First's result.
        if (RecNo < 0) return First();
        const auto row = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(RecNo) + 1, INT32_MAX));
        session->Dbpp(AsaLibrary.Procs.dbpp_fetch, FCursorName, kAbsolute, row, nullptr, nullptr, 0u);
    }
    const int32_t reported = session->GetSqlca()->sqlerrd[2];
    CheckResult();
    if (!StillActive()) return false;
    const int32_t code = LastErrorCode();
    if (code < 0) return false;
    if (code == DBLIB_W_NOT_FOUND) {
        if (reported > 0 || delta > 0) return Last();
        if (reported < 0 || delta < 0) return First();
        return false;
    }

    int32_t delivered = 0;
    const int32_t fetched = FetchBlock(kRelative, 0, delivered);
    if (!StillActive()) return false;
    if (FBOF) FBOF = fetched == DBLIB_W_NOT_FOUND;
    if (FEOF) FEOF = fetched == DBLIB_W_NOT_FOUND;
    if (fetched == DBLIB_W_NOT_FOUND) {
        FBufferedRows = 0;
    } else {
        FBufferedRows = delivered;
        FFetchRows = std::max(std::min(FFetchRows, FBufferedRows), 1);
    }
    FBufferRow = 0;
    ConvertFetchedBuffers();
    if (FBufferedRows > 0) {
        FCurrentRow = RecNo;
        FRowNumbersExact = true;
    }
    return FBufferedRows > 0;
}

// --- Result sets and plans ----------------------------------------------------------------------

bool TAsaSQL::Resume() {
    RequireActive();
    TAsaSession* session = Asa();
    session->Dbpp(AsaLibrary.Procs.dbpp_resume, FCursorName);
    const int32_t count = session->GetSqlca()->sqlerrd[2];
    FRecordCount = std::abs(count);
    CheckResult();
    if (!FActive) return false;
    const int32_t code = LastErrorCode();
    if (code < 0 || code == DBLIB_W_NO_MORE_RESULTS) return false;
    FBufferRow = 0;
    FBufferedRows = 0;
    FCurrentRow = -1;
    FBOF = FEOF = true;
    FCountExact = count >= 0;
    FRowNumbersExact = true;
    if (!InternalDescribeOpen(FReadOnly) || !StillActive()) return false;
    return InternalFetchNext(true);
}

vcl::AnsiString TAsaSQL::Explain() {
    RequireActive();
    TAsaSession* session = Asa();
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    vcl::AnsiString result;
    sqlda* da = procs.alloc_sqlda(1);
    if (da == nullptr) throw vcl::EOutOfMemory("Out of memory");
    char plan[301] = {};
    try {
        da->sqlvar[0].sqltype = DBLIB_T_STRING;
        da->sqlvar[0].sqllen = 300;
        da->sqlvar[0].sqldata = plan;
        da->sqld = da->sqln;
        session->Dbpp(procs.dbpp_explain, FCursorName, nullptr, da);
        if (CheckResult()) {
            plan[sizeof plan - 1] = '\0';
            result = plan;
        }
    } catch (...) {
        FreeSqlda(da);
        throw;
    }
    FreeSqlda(da);
    return result;
}

bool TAsaSQL::IsBlobTruncated(TCorvexBlobStream* Blob) {
    const int32_t i = Blob != nullptr ? Blob->GetFieldNo() : -1;
    if (FBlobSize != 0 && FOpenSqlda != nullptr && i >= 0 && i < FFieldCount) {
        const int32_t k = FBufferRow * FFieldCount + i;
        if (k < FOpenSqlda->sqln) {
            const int16_t* indicator = FOpenSqlda->sqlvar[k].sqlind;
            if (indicator == nullptr || *indicator <= 0) return false;
        }
    }
    return true;
}

} // namespace tnx
