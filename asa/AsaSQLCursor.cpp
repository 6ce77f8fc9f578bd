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

#include "asa/AsaSqlda.h"

#include "base/CorvexBlob.h"
#include "base/TnxConsts.h"
#include "base/TnxProduct.h"
#include "platform/vcl/StringList.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace tnx {

namespace {

// Writes "<prefix>-<number>" into `out` (NUL-terminated, cut to fit). Called at every open, so it
// avoids the formatted-output machinery: a prepared query opened once per lookup formats it each
// time.
void FormatCursorName(char* out, std::size_t size, const char* prefix, int number) {
    if (size == 0) return;
    char* const last = out + size - 1;
    char* p = out;
    for (const char* q = prefix; *q && p < last; ++q)
        *p++ = *q;
    if (p < last) *p++ = '-';
    char digits[16];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, number);
    for (const char* q = digits; ec == std::errc() && q < end && p < last; ++q)
        *p++ = *q;
    *p = '\0';
}

char* Module() {
    return const_cast<char*>(szCorvexLibraryShortName);
}

} // namespace

// --- Open, describe, close ----------------------------------------------------------------------

bool TAsaSQL::InternalOpen(bool ReadOnly) {
    // The options are taken before BeforeOpen fires: a handler that changes the properties
    // affects the next open only.
    unsigned options = ReadOnly ? DBLIB_CURSOR_READ_ONLY : DBLIB_CURSOR_FOR_UPDATE;
    if (GetUniDirectional()) {
        options |= DBLIB_CURSOR_FORWARD_ONLY;
    } else if (FCursorType == actFixedScroll) {
        options |= DBLIB_CURSOR_FIXED_SCROLL;
    } else if (FCursorType == actInsensitive) {
        options |= DBLIB_CURSOR_INSENSITIVE;
    }
    if (GetBeforeOpen()) GetBeforeOpen()(this);

    TAsaSession* session = Asa();
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    FormatCursorName(FCursorName, sizeof FCursorName, szCorvexLibraryShortName, FOpenStatement);
    session->Dbpp(procs.dbpp_declare, FCursorName, nullptr, Module(), &FOpenStatement, options);
    session->Dbpp(procs.dbpp_open, FCursorName, nullptr, Module(), &FOpenStatement, FOpenBindSqlda, nullptr,
                  nullptr, options);
    SetRecordCount(std::abs(session->GetSqlca()->sqlerrd[2]));
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
            int32_t rows = GetAllocRows();
            if (!ReadOnly) rows = 1;
            for (int32_t i = 0; i < GetFieldCount() && rows > 1; ++i)
                if (IsBlobType(FieldDescAt(i).FieldType)) rows = 1;
            SetFetchRows(std::max(std::min(rows, GetAllocRows()), 1));
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

    const bool fetched = GetUniDirectional() ? InternalFetchNext(true) : InternalFetchFirst(true);
    if (GetActive() && GetAfterOpen()) GetAfterOpen()(this);
    return fetched;
}

bool TAsaSQL::InternalDescribeOpen(bool ReadOnly) {
    return LayoutColumns(true, ReadOnly);
}

void TAsaSQL::InternalClose() {
    if (GetActive()) {
        auto* session = LinkedAsa();
        if (session != nullptr && AsaLibrary.Procs.dbpp_close) {
            session->Dbpp(AsaLibrary.Procs.dbpp_close, FCursorName);
            InternalAutoCommit();
        }
    }
    inherited::InternalClose();
}

void TAsaSQL::CloseLibraryCursorQuietly() {
    auto* session = LinkedAsa();
    if (session == nullptr || !AsaLibrary.Procs.dbpp_close) return;
    sqlca* ca = session->GetSqlca();
    const sqlca saved = *ca;
    session->Dbpp(AsaLibrary.Procs.dbpp_close, FCursorName);
    *ca = saved;
}

// --- Fetching -----------------------------------------------------------------------------------

void TAsaSQL::ZeroFetchBuffer() {
    if (GetFetchBuffer() != nullptr && GetRecordSize() > 0 && GetFetchRows() > 0)
        std::memset(GetFetchBuffer(), 0,
                    static_cast<std::size_t>(GetRecordSize()) * static_cast<std::size_t>(GetFetchRows()));
}

int32_t TAsaSQL::FetchBlock(unsigned Kind, int32_t Offset, int32_t& Delivered) {
    TAsaSession* session = Asa();
    ZeroFetchBuffer();
    const int32_t rows = std::max(GetFetchRows(), 1);
    session->Dbpp(AsaLibrary.Procs.dbpp_fetch_array, FCursorName, Kind, Offset, FOpenSqlda, 0, 0,
                  static_cast<unsigned>(rows));
    // The library never delivers more rows than asked for; a count outside the block is not
    // trusted with the buffer.
    Delivered = std::clamp(session->GetSqlca()->sqlerrd[2], 0, rows);
    CheckResult();
    return LastErrorCode();
}

void TAsaSQL::ConvertFetchedBuffers() {
    uint8_t* record = GetRecordBuffer();
    const uint8_t* fetched = GetFetchBuffer();
    if (record == nullptr || fetched == nullptr) return;
    const int32_t row = std::clamp(GetBufferRow(), 0, std::max(GetAllocRows() - 1, 0));
    const int32_t size = GetRecordSize();
    if (size > 0) {
        std::memcpy(record, fetched + static_cast<std::size_t>(row) * size, static_cast<std::size_t>(size));
        std::memcpy(GetOldRecordBuffer(), record, static_cast<std::size_t>(size));
    }
    // The null flags: every column null when no row is buffered, else as the row's indicators say
    // (a variable without an indicator is never null).
    const int32_t fields = GetFieldCount();
    uint8_t* flags = GetNullFlags();
    if (fields > 0) {
        if (GetBufferedRows() == 0 || FOpenSqlda == nullptr) {
            std::memset(flags, GetBufferedRows() == 0 ? 1 : 0, static_cast<std::size_t>(fields));
        } else {
            const sqlvar* vars = FOpenSqlda->sqlvar + static_cast<std::size_t>(row) * fields;
            for (int32_t i = 0; i < fields; ++i) {
                const int16_t* ind = vars[i].sqlind;
                flags[i] = ind != nullptr && *ind == -1 ? 1 : 0;
            }
        }
        std::memcpy(GetOldNullFlags(), flags, static_cast<std::size_t>(fields));
    }
    if (TCorvexBlobManager* blobs = GetBlobManager(); blobs != nullptr && blobs->Count() > 0)
        blobs->ClearBlobs();
}

bool TAsaSQL::InternalFetchFirst(bool Adjust) {
    int32_t delivered = 0;
    const int32_t code = FetchBlock(DBLIB_FETCH_ABSOLUTE, 1, delivered);
    if (!StillActive()) return false;
    SetBOF(code == DBLIB_W_NOT_FOUND);
    SetEOF(GetBOF());
    SetBufferedRows(GetBOF() ? 0 : delivered);
    if (Adjust) SetFetchRows(std::max(std::min(GetFetchRows(), GetBufferedRows()), 1));
    SetBufferRow(0);
    ConvertFetchedBuffers();
    SetCurrentRow(GetBufferedRows() > 0 ? 0 : -1);
    FRowNumbersExact = true;
    return GetBufferedRows() > 0;
}

bool TAsaSQL::InternalFetchNext(bool Adjust) {
    if (GetBufferRow() < GetBufferedRows() - 1) {
        StepBufferRow(1);
    } else {
        int32_t delivered = 0;
        const int32_t code = FetchBlock(DBLIB_FETCH_RELATIVE, 1, delivered);
        if (!StillActive()) return false;
        SetEOF(code == DBLIB_W_NOT_FOUND);
        SetCurrentRow(GetCurrentRow() + 1);
        SetBufferedRows(GetEOF() ? 0 : delivered);
        if (GetBufferedRows() > 0) SetBOF(false);
        if (Adjust) SetFetchRows(std::max(std::min(GetFetchRows(), GetBufferedRows()), 1));
        SetBufferRow(0);
    }
    ConvertFetchedBuffers();
    return GetBufferedRows() > 0;
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
    const bool afterEnd = GetEOF() && GetBufferedRows() == 0 && GetCurrentRow() >= 0;
    const bool found = InternalFetchNext(false);
    if (afterEnd && !found && GetEOF() && StillActive()) SetCurrentRow(GetCurrentRow() - 1);
    return found;
}

bool TAsaSQL::Last() {
    RequireActive();
    int32_t delivered = 0;
    const int32_t code = FetchBlock(DBLIB_FETCH_ABSOLUTE, -std::max(GetFetchRows(), 1), delivered);
    if (!StillActive()) return false;
    SetBOF(code == DBLIB_W_NOT_FOUND);
    SetEOF(GetBOF());
    SetBufferedRows(GetEOF() ? 0 : delivered);
    SetBufferRow(std::max(GetBufferedRows() - 1, 0));
    ConvertFetchedBuffers();
    if (GetBufferedRows() > 0) {
        SetCurrentRow(GetRecordCount() - 1);
        if (!FCountExact) FRowNumbersExact = false;
    }
    return GetBufferedRows() > 0;
}

bool TAsaSQL::Prev() {
    RequireActive();
    if (GetBufferRow() > 0) {
        StepBufferRow(-1);
    } else {
        // The library stands on the last row of the block (or, with none buffered, where
        // CurrentRow says): a block of FetchRows rows counted back from there ends just before
        // the current row when the block was full, and further on when it was short or empty.
        const int32_t m = GetBufferedRows();
        int32_t k = 0;
        if (GetBOF()) {
            ZeroFetchBuffer();
        } else {
            const int32_t code = FetchBlock(DBLIB_FETCH_RELATIVE, -std::max(GetFetchRows(), 1), k);
            if (!StillActive()) return false;
            SetBOF(code == DBLIB_W_NOT_FOUND);
            SetCurrentRow(GetCurrentRow() - 1);
        }
        if (!GetBOF()) {
            // The new current row is the one just before the old block's first row.
            int32_t row;
            if (m >= GetFetchRows()) {
                row = 0;
            } else if (m > 0) {
                row = k - m;
            } else {
                row = k - m - 1;
            }
            SetBufferRow(std::max(row, 0));
            SetBufferedRows(k);
        } else {
            SetBufferRow(0);
            SetBufferedRows(0);
        }
        if (GetBufferedRows() > 0) SetEOF(false);
    }
    ConvertFetchedBuffers();
    return GetBufferedRows() > 0;
}

bool TAsaSQL::MoveTo(int32_t RecNo) {
    RequireActive();
    TAsaSession* session = Asa();
    // The block is zeroed only by the fetch that refills it: a move the library refuses (a
    // forward-only cursor asked to go back) leaves the rows fetched before readable.
    // Where the library's cursor stands: on the block's last row, or where CurrentRow says when
    // nothing is buffered (after the end, before the beginning).
    const int32_t first = GetCurrentRow() - GetBufferRow();
    const int64_t position =
        GetBufferedRows() > 0 ? static_cast<int64_t>(first) + GetBufferedRows() - 1 : GetCurrentRow();
    const int64_t delta64 = static_cast<int64_t>(RecNo) - position;
    const auto delta = static_cast<int32_t>(std::clamp<int64_t>(delta64, INT32_MIN, INT32_MAX));

    if (FRowNumbersExact) {
        session->Dbpp(AsaLibrary.Procs.dbpp_fetch, FCursorName, DBLIB_FETCH_RELATIVE, delta, nullptr, nullptr,
                      0u);
    } else {
        // The row number is not known to match the library's (a Last on an estimated count):
        // only an absolute move lands on row RecNo. Before the first row that is First's result.
        if (RecNo < 0) return First();
        const auto row = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(RecNo) + 1, INT32_MAX));
        session->Dbpp(AsaLibrary.Procs.dbpp_fetch, FCursorName, DBLIB_FETCH_ABSOLUTE, row, nullptr, nullptr,
                      0u);
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
    const int32_t fetched = FetchBlock(DBLIB_FETCH_RELATIVE, 0, delivered);
    if (!StillActive()) return false;
    if (GetBOF()) SetBOF(fetched == DBLIB_W_NOT_FOUND);
    if (GetEOF()) SetEOF(fetched == DBLIB_W_NOT_FOUND);
    if (fetched == DBLIB_W_NOT_FOUND) {
        SetBufferedRows(0);
    } else {
        SetBufferedRows(delivered);
        SetFetchRows(std::max(std::min(GetFetchRows(), GetBufferedRows()), 1));
    }
    SetBufferRow(0);
    ConvertFetchedBuffers();
    if (GetBufferedRows() > 0) {
        SetCurrentRow(RecNo);
        FRowNumbersExact = true;
    }
    return GetBufferedRows() > 0;
}

// --- Result sets and plans ----------------------------------------------------------------------

bool TAsaSQL::Resume() {
    RequireActive();
    TAsaSession* session = Asa();
    session->Dbpp(AsaLibrary.Procs.dbpp_resume, FCursorName);
    const int32_t count = session->GetSqlca()->sqlerrd[2];
    SetRecordCount(std::abs(count));
    CheckResult();
    if (!GetActive()) return false;
    const int32_t code = LastErrorCode();
    if (code < 0 || code == DBLIB_W_NO_MORE_RESULTS) return false;
    SetBufferRow(0);
    SetBufferedRows(0);
    SetCurrentRow(-1);
    SetBOF(true);
    SetEOF(GetBOF());
    FCountExact = count >= 0;
    FRowNumbersExact = true;
    if (!InternalDescribeOpen(GetReadOnly()) || !StillActive()) return false;
    return InternalFetchNext(true);
}

vcl::AnsiString TAsaSQL::Explain() {
    RequireActive();
    TAsaSession* session = Asa();
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    vcl::AnsiString result;
    TAsaSqlda da = TAsaSqlda::Allocate(1);
    char plan[301] = {};
    da.Var(0).sqltype = DBLIB_T_STRING;
    da.Var(0).sqllen = 300;
    da.Var(0).sqldata = plan;
    da->sqld = da->sqln;
    session->Dbpp(procs.dbpp_explain, FCursorName, nullptr, da.Get());
    if (CheckResult()) {
        plan[sizeof plan - 1] = '\0';
        result = plan;
    }
    return result;
}

bool TAsaSQL::IsBlobTruncated(TCorvexBlobStream* Blob) {
    const int32_t i = Blob != nullptr ? Blob->GetFieldNo() : -1;
    if (GetBlobSize() != 0 && FOpenSqlda != nullptr && i >= 0 && i < GetFieldCount()) {
        const int32_t k = GetBufferRow() * GetFieldCount() + i;
        if (k < FOpenSqlda->sqln) {
            const int16_t* indicator = FOpenSqlda->sqlvar[k].sqlind;
            if (indicator == nullptr || *indicator <= 0) return false;
        }
    }
    return true;
}

} // namespace tnx
