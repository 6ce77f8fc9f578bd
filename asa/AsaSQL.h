// TAsaSQL: the SQL Anywhere statement component. It derives from TCorvexSQL, which owns the
// public operations (prepare, open, execute, fields, locate) and calls the virtual steps that this
// class fills with client-library calls through its session (TAsaSession): statement numbers from
// the session's pool, describing and binding through SQLDAs, cursors with block fetches and
// scrolling, positioned changes, long values through temporary SQL variables, and the value
// conversions between the row buffers and Variants.
//
// Files: AsaSQLPrepare.cpp (type mapping, describe, bind, drop), AsaSQLExecute.cpp (executed
// statements, auxiliary statements, blob variables, auto commit), AsaSQLCursor.cpp (open, block
// fetch, scrolling, resume, explain, close), AsaSQLChanges.cpp (positioned update, insert,
// delete), AsaSQLFieldData.cpp (GetFieldData / PutFieldData).
//
// Using it (application code):
//
//     auto sql = vcl::New<tnx::TAsaSQL>();
//     sql->SetSession(session);                    // a connected TAsaSession
//     sql->Execute("insert into t values (?, ?)", {std::int32_t(1), "one"});   // by position
//     sql->GetRowsProcessed();                     // rows the statement changed
//     sql->OpenRead("select a, b from t where a > ?", {std::int32_t(0)});
//     while (!sql->GetEOF()) { sql->GetFieldValue(std::int32_t(0)); ...; sql->Next(); }
//
// Guarantees:
//  - Every library result is judged by the session's Check with the statement's WantExceptions:
//    with it a database error raises EAsaException (library message and code), without it the
//    operation returns false and GetLastError / GetLastErrorCode tell why.
//  - Re-executing a prepared statement with values of the same types and lengths neither describes
//    nor binds again: one dbpp_execute_into per execution (plus a commit under AutoCommit).
//  - Statement numbers: taken from the session's pool before each prepare and handed back when the
//    statement is dropped; a failed prepare or describe leaves no statement and no number in use.
//  - Long input values (text of 8193 characters or more, byte arrays over 32765 bytes) travel
//    through temporary connection-level SQL variables that live only for the one call that uses
//    them. A value that cannot be put into its variable fails the call before it runs: nothing is
//    sent without it.
//  - SQL texts the statement builds itself name the temporary variables as quoted identifiers, so
//    any column name (blanks, quotes) works and no name changes the statement's meaning.
//  - The SQLDAs belong to the statement and are released with the library's free calls on every
//    path; the fetch buffer holds one block of rows (at most MaxFetchCount, and never more
//    variables than one SQLDA can hold), reused for every fetch: no allocation per row.
//  - A connection lost in the middle of an operation (the session then unprepares its statements)
//    ends the operation at once with false: no freed buffer is touched afterwards.
#pragma once

#include "asa/AsaSession.h"
#include "base/CorvexSQL.h"
#include "platform/dblib/dblib.h"
#include "platform/vcl/Object.h"
#include "platform/vcl/TypInfo.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace vcl {
class TStringList;
}

namespace tnx {

// Cursor kind used when the statement is not uni-directional; one byte.
enum TAsaCursorType : uint8_t {
    actDefault = 0,     // scrollable; rows read when first reached
    actFixedScroll = 1, // scrollable (option 0x80)
    actInsensitive = 2, // the whole result read at the open (option 0x400)
};
VCL_ENUM_NAMES(TAsaCursorType, actDefault, actFixedScroll, actInsensitive);

class TAsaSQL : public TCorvexSQL {
    VCL_CLASS(TAsaSQL, TCorvexSQL)
public:
    explicit TAsaSQL(vcl::TComponent* owner);

    // --- Virtual steps 19-30 of TCorvexSQL, in slot order (1-18 are protected, below) -----------
    vcl::Variant GetFieldData(const void* Buffer, int32_t Offset, int32_t Size, TCorvexFieldTypes FieldType,
                              TCorvexBlobStream* Blob) override;
    void PutFieldData(void* Buffer, int32_t Offset, int32_t Size, TCorvexFieldTypes FieldType,
                      const vcl::Variant& Value, TCorvexBlobStream* Blob) override;
    bool First() override;
    bool Last() override;
    bool Next() override;
    bool Prev() override;
    bool MoveTo(int32_t RecNo) override;
    bool Modify() override;
    bool Append() override;
    bool Delete() override;

    // --- Own operations -------------------------------------------------------------------------
    // Runs text at once, without host variables and without OEM conversion; RowsProcessed, then
    // an auto commit.
    bool ExecuteImmediate(const vcl::AnsiString& SQL);
    // Moves a cursor opened on a procedure to its next result set; false at the end (code 105).
    bool Resume();
    // The engine's plan for the open cursor's query (at most 300 characters); empty on error.
    vcl::AnsiString Explain();
    // Whether the blob's value must be read through its stream: false only when the row's inline
    // copy (BlobSize > 0) holds all of it.
    bool IsBlobTruncated(TCorvexBlobStream* Blob);

    // --- Properties and state -------------------------------------------------------------------
    // Whole column names (off by default). The library describes a column's name in 30 characters;
    // on, the statement also asks it for the whole names when it describes the columns: the field
    // table then holds the first 128 characters of each, and GetFieldLongName all of it. Takes
    // effect at the next describe.
    bool GetLongColumnNames() const { return FLongColumnNames; }
    void SetLongColumnNames(bool Value) { FLongColumnNames = Value; }
    // The whole name of column Index when LongColumnNames was on at the describe, else the field
    // table's name; empty for an index out of range.
    vcl::AnsiString GetFieldLongName(int32_t Index) const;
    TAsaCursorType GetCursorType() const { return FCursorType; }
    // Takes effect at the next open.
    void SetCursorType(TAsaCursorType Value) { FCursorType = Value; }
    // "TNX-<statement number>" while a cursor was opened; the name every cursor call passes.
    const char* GetCursorName() const { return FCursorName; }
    int16_t GetOpenStatement() const { return FOpenStatement; }
    int16_t GetExecStatement() const { return FExecStatement; }
    bool GetDescribeAfterOpen() const { return FDescribeAfterOpen; }
    const sqlda* GetOpenSqlda() const { return FOpenSqlda; }
    const sqlda* GetOpenBindSqlda() const { return FOpenBindSqlda; }
    const sqlda* GetExecBindSqlda() const { return FExecBindSqlda; }
    const sqlda* GetExecOutSqlda() const { return FExecOutSqlda; }

    // Most variables one SQLDA holds (its count is 16-bit): the block of FieldCount x FetchRows
    // variables is kept within it.
    static constexpr int32_t MaxSqldaVariables = 32767;
    // Largest piece of a long value per call: a binary variable of 32767 bytes less its length.
    static constexpr int32_t BlobChunkSize = 32765;
    // Buffer bytes of an integer column or host variable under LargeIntegers (a 64-bit integer).
    static constexpr int32_t LargeIntegerSize = 8;

protected:
    ~TAsaSQL() override;

    // --- Virtual steps 1-18 of TCorvexSQL, in slot order ----------------------------------------
    // Fills Desc from variable Index of the SQLDA (Area is a sqlda*) through the type mapping and
    // rewrites the variable so that the library delivers into the statement's buffers. Always true.
    bool InternalSetFieldDef(int32_t Index, void* Area, TCorvexFieldDesc& Desc, int32_t BlobSize) override;
    bool InternalPrepareOpen(const vcl::AnsiString& SQL) override;
    bool InternalDescribePrepare() override;
    // Binds the query's inputs. Long values go through SQL variables that live until the open.
    bool InternalBindOpenVariables(vcl::TStrings* Names) override;
    bool InternalOpen(bool ReadOnly) override;
    bool InternalDescribeOpen(bool ReadOnly) override;
    void InternalClose() override;
    void InternalUnprepareOpen() override;
    bool InternalPrepareExecute(const vcl::AnsiString& SQL) override;
    bool InternalBindExecVariables(vcl::TStrings* Names) override;
    bool InternalExecute(vcl::TStrings* Names) override;
    void InternalUnprepareExecute() override;
    // Also forgets the long values deferred into the set's buffer.
    void InternalClearVariables(TCorvexVariables& Vars) override;
    int32_t InternalGetVariableLength(TCorvexFieldTypes FieldType) override;
    int32_t InternalGetVariableExtType(TCorvexFieldTypes FieldType) override;
    // Statement is an int16_t* (the statement number), Area a sqlda** (the SQLDA to fill).
    bool InternalBindVariables(void* Statement, TCorvexVariables& Vars, void* Area,
                               vcl::TStrings* Names) override;
    bool InternalBindOutVariables(void* Statement, TCorvexVariables& Vars, void* Area,
                                  vcl::TStrings* Names) override;
    TCorvexBlobStream* InternalCreateBlobStream(const vcl::AnsiString& FieldName) override;

    // --- Auxiliary statements and blob variables (AsaSQLExecute.cpp) ----------------------------
    // Runs an auxiliary statement on the session without touching the statement's own state:
    // Values Null runs the text at once, else it is prepared, bound to the values, executed and
    // dropped. Never commits, never sets RowsProcessed.
    bool InternalLocalExecute(const vcl::AnsiString& SQL, const vcl::Variant& Values);
    // Creates the SQL variable Name (long binary), empties it and, when Data is given, appends
    // Length bytes in pieces of BlobChunkSize. True when all of it went in; on failure the
    // variable is dropped again.
    bool InternalCreateBlobVariable(const char* Name, const void* Data, int32_t Length);
    // Appends Length bytes to the SQL variable QuotedName in pieces of BlobChunkSize (one NULL piece
    // when Length is 0) through one prepared statement executed per piece; stops at the first
    // error. The outcome is the session's last error.
    void AppendBlobPieces(const vcl::AnsiString& QuotedName, const uint8_t* Bytes, int32_t Length);
    // Drops every variable named in the list; a failure does not stop the loop.
    void InternalDropBlobVariables(vcl::TStrings* Names);
    // Commits when the session is not in a user transaction and AutoCommit is set.
    void InternalAutoCommit();
    // Hands the number back to the pool, then drops the statement in the library.
    void InternalDropStatement(int16_t& Statement);

    // --- Fetching (AsaSQLCursor.cpp) ------------------------------------------------------------
    bool InternalFetchFirst(bool Adjust);
    bool InternalFetchNext(bool Adjust);
    // The current row of the fetch block into RecordBuffer and OldRecordBuffer, its null flags
    // (all NULL when no row was delivered), and the blob streams emptied.
    void ConvertFetchedBuffers();

private:
    // The session as a SQL Anywhere session; raises the session message when none is linked.
    // The cast is made again only after the session link changed (it is called several times
    // per open and per fetch).
    TAsaSession* Asa() {
        TAsaSession* asa = LinkedAsa();
        if (asa == nullptr) RaiseNoSession();
        return asa;
    }
    // The linked session when it is one of ours, else null (never raises): Asa()'s cached answer.
    // Inline, as Asa(): the cast is remade out of line only after the link changed.
    TAsaSession* LinkedAsa() {
        TCorvexSession* linked = GetAssignedSession();
        if (linked == nullptr) return nullptr;
        return SessionLinkChanges() == FAsaForLink ? FAsa : RecastLinkedAsa();
    }
    TAsaSession* RecastLinkedAsa();
    [[noreturn]] static void RaiseNoSession();
    // The session's Check with this statement's WantExceptions.
    bool CheckResult();
    int32_t LastErrorCode();
    [[noreturn]] void RaiseAsa(const vcl::TResStringRec& Message);
    void RequireActive();
    void RequireWritable();
    // Releases an SQLDA through the library and clears the pointer; a null pointer is left alone.
    static void FreeSqlda(sqlda*& Da);

    // Describes the result columns (of the prepared statement, or of the open cursor) and lays
    // out the SQLDA and the buffers for one block of rows.
    bool LayoutColumns(bool AfterOpen, bool ReadOnly);
    // The long-names describe into FLongNames and the field table's names (LongColumnNames).
    bool DescribeLongNames(bool AfterOpen);
    // The input binding of InternalBindVariables; Store keeps the names the SQLDA points to.
    bool BindInputs(int16_t* Statement, TCorvexVariables& Vars, sqlda*& Da, vcl::TStrings* Names,
                    std::deque<std::string>& Store);
    // Drops the variables in Names and empties the list, leaving the SQLCA and the session's last
    // error as they were (cleanup after a failure must not hide that failure).
    void DropBlobVariablesQuietly(vcl::TStrings* Names);
    // Zero-fills the block, then dbpp_fetch_array of FetchRows rows; Delivered gets the rows
    // delivered (within the block), the result is the last error code after Check.
    int32_t FetchBlock(unsigned Kind, int32_t Offset, int32_t& Delivered);
    void ZeroFetchBuffer();
    // GetFieldData's text and long-value cases, kept out of its path for the fixed-size types.
    vcl::Variant BufferText(const uint8_t* p, int32_t Size);
    vcl::Variant LongFieldData(const uint8_t* p, int32_t Size, TCorvexFieldTypes FieldType, TCorvexBlobStream* Blob);
    // Puts the value of blob column Index into an SQL variable named like the column and points
    // Var at it (type 600); the name goes to Created (to drop) and Names (to point to). False when
    // the variable could not be made (nothing is left behind for this column).
    bool PutBlobColumn(int32_t Index, sqlvar& Var, vcl::TStrings* Created, std::deque<std::string>& Names);
    // Fills the change's SQLDA (one variable per column) from the current row: for an update
    // (Modify) only the changed columns, a NULL through the indicator; for an insert (Append)
    // every column, a NULL as a null sqldata. Long values go through PutBlobColumn. Any is set
    // when a column was filled; false when a long value could not be put. On a failure or an
    // exception the SQL variables made so far (in Created) are dropped again.
    bool FillChangeColumns(sqlda* Da, bool Update, vcl::TStrings* Created, std::deque<std::string>& Names,
                           bool& Any);
    // Closes the library's cursor, leaving the SQLCA as it was (cleanup after a failed open).
    void CloseLibraryCursorQuietly();
    // Whether the cursor is open with its layout in place. A Check may disconnect the session
    // (a lost connection), which unprepares the statement: every step after a Check asks this
    // before it touches a buffer.
    bool StillActive() const {
        return GetActive() && FOpenSqlda != nullptr && (GetFetchBuffer() != nullptr || GetRecordSize() == 0);
    }

    // The query's result columns: FieldCount x AllocRows variables, variable r*FieldCount+i
    // pointing at row r's column i in FetchBuffer. Null while no query is described.
    sqlda* FOpenSqlda = nullptr;
    sqlda* FOpenBindSqlda = nullptr; // the query's inputs; null while none are bound
    int16_t FOpenStatement = 0;      // statement number of the prepared query
    sqlda* FExecBindSqlda = nullptr; // inputs of the prepared non-query statement
    sqlda* FExecOutSqlda = nullptr;  // outputs of it; null when it has none
    int16_t FExecStatement = 0;      // statement number of the prepared non-query statement
    // The query's columns are known only once its cursor is open (columns without a declared type).
    bool FDescribeAfterOpen = false;
    char FCursorName[31] = {}; // "TNX-<OpenStatement>", NUL-terminated
    // What LinkedAsa() found for the session link as it stood at link count FAsaForLink (the count
    // is 0 only while no session was ever linked, when it answers null before looking).
    TAsaSession* FAsa = nullptr;
    uint32_t FAsaForLink = 0;
    TAsaCursorType FCursorType = actDefault;
    bool FLongColumnNames = false;
    std::vector<std::string> FLongNames; // whole column names of the last describe (LongColumnNames)
    // Whether RecordCount is the exact row count (the library may report an estimate).
    bool FCountExact = true;
    // Whether CurrentRow is the library's row number. Last takes it from RecordCount, so after a
    // Last on an estimated count it may be off: MoveTo then positions absolutely instead of by
    // the difference, and First or a MoveTo make it exact again.
    bool FRowNumbersExact = true;

    // Names of the SQL variables that type-600 input variables point to; they must stay put while
    // the SQLDA that points at them is in use (a deque never moves its elements).
    std::deque<std::string> FExecBlobNames;
    std::deque<std::string> FOpenBlobNames;
    std::deque<std::string> FOtherBlobNames;
    // SQL variables created for the query's long inputs, dropped right after the open.
    vcl::TOwned<vcl::TStringList> FOpenBlobVariables;

    // Long input values (ntBlob, and ntMemo without OEM conversion) of the statement's own
    // variable sets are not copied into the input buffer: PutFieldData keeps the caller's value
    // here (a Variant shares the array's or the text's storage) against the slot it would have
    // filled, and the binding reads the bytes from it. An entry lives from PutFieldData until the
    // binding takes it or its set is cleared (InternalClearVariables), so it never outlives the
    // buffer its slot lies in.
    struct TDeferredValue {
        const uint8_t* Slot;
        vcl::Variant Value;
    };
    std::vector<TDeferredValue> FDeferredValues;
    // Whether Buffer is the input buffer of the executed statement's or the query's set.
    bool IsOwnInputBuffer(const void* Buffer) const;
    // The bytes of the deferred value for Slot (null when the slot holds its bytes itself); Length
    // receives their number.
    const uint8_t* DeferredBytes(const uint8_t* Slot, int32_t& Length) const;
};

} // namespace tnx
