// TAsaDataset: the rows of one SQL Anywhere query as a framework dataset, for data-aware views.
//
// The dataset owns one TAsaSQL, its cursor, which prepares, opens and scrolls the query; the
// dataset never calls the client library itself. Rows move between the cursor's current-row buffer
// and the dataset's record buffers as block copies, so a record buffer holds a row in exactly the
// cursor's row layout:
//
//   offset              size  content
//   0                   R     the row: column i at the sum of the Sizes of columns 0 .. i-1
//   R                   C     calculated and lookup fields (one "has a value" byte, then the value)
//   R + C (bookmark)    4     the 0-based row number, 32-bit signed
//   R + C + 4           1     the bookmark flag (bfCurrent, bfBOF, bfEOF, bfInserted)
//   R + C + 5           3     not used (zero)
//   R + C + 8 (nulls)   N     one null flag per column: 1 = NULL, 0 = has a value
//
// R is the cursor's RecordSize, C the framework's CalcFieldsSize and N the cursor's FieldCount,
// all taken when the dataset opens. A bookmark is the 8 bytes at the bookmark offset; only its row
// number takes part in positioning and comparing.
//
// Files: AsaDatasetCore.cpp (record buffers, field transfer, bookmarks, navigation, locate and
// lookup, field definitions), AsaDatasetQuery.cpp (SQL text and parameters, prepare and execute,
// editing, master-detail), AsaDatasetMarkers.cpp (the parameter-marker parser).
//
// Using it:
//
//     auto orders = vcl::New<tnx::TAsaDataset>();
//     orders->SetSession(session);
//     orders->GetSQL()->SetText("select id, total from orders where customer = :customer");
//     orders->ParamByName("customer")->SetAsInteger(7);
//     orders->SetReadOnly(false);                   // the cursor is opened for update
//     orders->Open();
//     for (; !orders->GetEof(); orders->Next()) ... orders->FieldByName("total")->GetAsFloat() ...
//     orders->Edit(); orders->FieldByName("total")->SetAsFloat(10); orders->Post();
//
// Guarantees:
//  - Cursor failures come back from the cursor as false results (its WantExceptions is false);
//    the dataset raises ECorvexDatasetError with the library's message and its negative code.
//    Warnings (positive codes) raise nothing, and an empty result is no error.
//  - Every post, insert and delete re-runs the query and returns to the same record number, from
//    the nearer end of a counted result. A failed post or delete re-runs nothing: the dataset
//    stays in its editing state with the values as edited, and a cancel shows the row as fetched.
//  - An edit first compares the row as the cursor holds it now with the record shown; when they
//    differ the edit fails with STnxRowChanged (once: a retry of the same edit proceeds).
//  - Field values are converted only for the fields read or written; a text or byte value never
//    runs past its column, and a text column keeps its terminating zero.
//  - The statement stays prepared while any use of it is left (open, explicit Prepare, ExecSQL);
//    when the cursor's prepared query is released from outside (the session disconnects), the
//    dataset closes and unprepares itself.
#pragma once

#include "asa/AsaSQL.h"
#include "asa/dataset/AsaParams.h"
#include "platform/vcl/db/DataSet.h"

#include <cstdint>
#include <vector>

namespace vcl {
class TStrings;
class TStringList;
} // namespace vcl

namespace tnx {

class TAsaDataLink;
class TAsaSession;

// The outcome of one cursor move in GetRecord; maps in order onto grOK, grBOF, grEOF, grError.
enum TAsaFetchError { NoError, BOFError, EOFError, FetchError };

class TAsaDataset : public vcl::TDataSet {
    VCL_CLASS(TAsaDataset, vcl::TDataSet)
public:
    // The reasons the query is in use (DBFlags).
    static constexpr int dbfOpen = 0;      // the dataset is open
    static constexpr int dbfPrepared = 1;  // an explicit Prepare
    static constexpr int dbfExecuting = 2; // an ExecSQL is running

    explicit TAsaDataset(vcl::TComponent* owner);

    // --- Framework operations answered by the dataset --------------------------------------------
    int GetRecordCount() override;
    int GetRecNo() override;
    void SetRecNo(int value) override;
    // Record numbers are meaningful only when the session asks the server for row counts.
    bool IsSequenced() override;
    bool BookmarkValid(vcl::TBookmarkPtr bookmark) override;
    int CompareBookmarks(vcl::TBookmarkPtr bookmark1, vcl::TBookmarkPtr bookmark2) override;
    vcl::TOwned<vcl::TStream> CreateBlobStream(vcl::TField* field, vcl::TBlobStreamMode mode) override;
    bool GetCurrentRecord(vcl::TRecordBuffer buffer) override;
    bool GetFieldData(vcl::TField* field, void* buffer) override;
    void SetFieldData(vcl::TField* field, const void* buffer) override;
    bool Locate(const vcl::AnsiString& keyFields, const vcl::Variant& keyValues,
                vcl::TLocateOptions options) override;
    vcl::Variant Lookup(const vcl::AnsiString& keyFields, const vcl::Variant& keyValues,
                        const vcl::AnsiString& resultFields) override;
    int Translate(const char* src, char* dest, bool toOem) override;
    vcl::TDataSource* GetDataSource() override;

    // --- Operations of the dataset ----------------------------------------------------------------
    // Closes the dataset, then unprepares it.
    virtual void Disconnect();
    // Adds (true) or removes (false) a reason the query is in use (0 .. 7; others are ignored).
    // The first reason requires a session and connects it; removing the last one unprepares.
    virtual void SetDBFlag(int flag, bool value);
    // Raises STnxDataSetPrepared while the query is prepared.
    virtual void CheckUnPrepared();

    void Prepare();
    void UnPrepare();
    bool GetPrepared() const { return FPrepared; }
    void SetPrepare(bool value);
    // Runs the text as a statement on a closed dataset (a SELECT that was not prepared as a query
    // opens no cursor).
    void ExecSQL();
    TAsaParam* ParamByName(const vcl::AnsiString& name) const { return FParams->ParamByName(name); }
    int GetParamsCount() const { return FParams->GetCount(); }
    // Rows the last executed statement changed.
    std::uint32_t GetRowsAffected() const { return FCursor->GetRowsProcessed(); }
    // Re-opens an open detail dataset with the master's current values.
    void RefreshParams();

    // Finds the parameter markers (":name") of a NUL-terminated SQL text and, with a list, adds one
    // parameter per marker (alias = name). "::" outside a literal becomes ":" in the text, which
    // is edited in place. A name ends at a line feed, carriage return, space, ")", "," or ";"
    // outside a literal; a name quoted right after the colon loses its quotes.
    static void CreateParams(TAsaParams* list, vcl::AnsiString& text);

    // --- Properties -------------------------------------------------------------------------------
    vcl::TStrings* GetSQL() const;
    // Takes the text of value when it differs (closing and unpreparing first).
    void SetQuery(vcl::TStrings* value);
    TAsaParams* GetParams() const { return FParams.get(); }
    // Copies the values of value's parameters by name into the list.
    void SetParamsList(TAsaParams* value);
    bool GetParamCheck() const { return FParamCheck; }
    void SetParamCheck(bool value) { FParamCheck = value; }
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    TAsaSession* GetSession() const;
    void SetSession(TAsaSession* value);
    TAsaCursorType GetCursorType() const { return FCursor->GetCursorType(); }
    void SetCursorType(TAsaCursorType value);
    void SetDataSource(vcl::TDataSource* value);

    // --- State (read-only views for tools and tests) ----------------------------------------------
    TAsaSQL* GetCursor() const { return FCursor; }
    TAsaDataLink* GetDataLink() const { return FDataLink.get(); }
    // Bit i set: reason i holds.
    std::uint8_t GetDBFlags() const { return FDBFlags; }
    // The text of SQL as last taken over ("::" reduced when it was parsed).
    const vcl::AnsiString& GetSQLText() const { return FSQLText; }
    bool GetAtEnd() const { return FAtEnd; }
    bool GetEditChecked() const { return FEditChecked; }
    std::int32_t GetRecordBufferSize() const { return FRecordBufferSize; }
    std::int32_t GetBookmarkOffset() const { return FBookmarkOffset; }
    std::int32_t GetNullFlagsOffset() const { return FNullFlagsOffset; }

protected:
    ~TAsaDataset() override;
    // Closes and unprepares, releases SQL, Params and DataLink, then the framework's destruction.
    void Destroy() override;

    // --- Framework steps, in the framework's slot order -----------------------------------------
    void ClearCalcFields(vcl::TRecordBuffer buffer) override;
    void CloseCursor() override;
    void DoBeforeEdit() override;
    bool GetCanModify() override;
    void InternalCancel() override;
    void InternalEdit() override;
    void InternalRefresh() override;
    void OpenCursor(bool infoQuery) override;
    vcl::TRecordBuffer AllocRecordBuffer() override;
    void FreeRecordBuffer(vcl::TRecordBuffer& buffer) override;
    void GetBookmarkData(vcl::TRecordBuffer buffer, void* data) override;
    vcl::TBookmarkFlag GetBookmarkFlag(vcl::TRecordBuffer buffer) override;
    vcl::TGetResult GetRecord(vcl::TRecordBuffer buffer, vcl::TGetMode getMode, bool doCheck) override;
    int GetRecordSize() override { return FRowSize; }
    void InternalAddRecord(vcl::TRecordBuffer buffer, bool append) override;
    void InternalClose() override;
    void InternalDelete() override;
    void InternalFirst() override;
    void InternalGotoBookmark(vcl::TBookmarkPtr bookmark) override;
    void InternalHandleException() override;
    void InternalInitFieldDefs() override;
    void InternalInitRecord(vcl::TRecordBuffer buffer) override;
    void InternalLast() override;
    void InternalOpen() override;
    void InternalPost() override;
    void InternalSetToRecord(vcl::TRecordBuffer buffer) override;
    bool IsCursorOpen() override;
    void SetBookmarkFlag(vcl::TRecordBuffer buffer, vcl::TBookmarkFlag flag) override;
    void SetBookmarkData(vcl::TRecordBuffer buffer, const void* data) override;

    // --- Query steps (AsaDatasetQuery.cpp) ------------------------------------------------------
    // The change event of SQL: takes the text over and rebuilds the parameters.
    void QueryChanged();
    // Prepares (true) or unprepares (false) the text on the cursor; the dataset must be closed.
    void SetPrepared(bool value);
    void PrepareSQL(const vcl::AnsiString& text);
    void UnPrepareSQL();
    void CreateHandle();
    // Prepares the text, takes the master's values and runs the query (or the statement).
    void CreateCursor();
    // Runs the prepared text with the current parameter values.
    void GetQueryCursor();
    // Re-runs the query and puts the cursor back on the active record's row number.
    void RefreshCursor();
    // Each parameter takes the value of the master's field of its name.
    void SetParamsFromCursor();

    // The record buffer field access works on, by the state (null when there is none).
    vcl::TRecordBuffer GetActiveRecBuf();
    // GetFieldData for every case but a data field of the active record while browsing.
    bool GetFieldDataOutOfLine(vcl::TField* field, void* buffer);
    // Raises ECorvexDatasetError when the cursor's last error code is negative; else nothing.
    void RaiseCursorError();
    // Converts column fieldNo (1-based) of a record to a field's value buffer of dataSize bytes,
    // and back. Neither touches a byte outside the column or the value buffer.
    void RecBufToField(const vcl::TRecordBuffer record, int fieldNo, void* buffer, int dataSize) const;
    void FieldToRecBuf(vcl::TRecordBuffer record, int fieldNo, const void* buffer, int dataSize) const;

private:
    friend class TAsaDataLink;
    friend class TAsaDatasetBlobStream;

    // Where a column lives in the row, taken from the cursor when the dataset opens.
    struct TColumn {
        std::int32_t Offset;
        std::int32_t Size;
        TCorvexFieldTypes Type;
    };

    // The cursor's AfterClose handler: the prepared query was released from outside.
    void DoCursorAfterClose(vcl::TObject* sender);
    void AttachAfterClose();
    // Copies the cursor's current row and null flags into a record buffer.
    void CopyCursorRow(vcl::TRecordBuffer buffer) const;
    // Copies a record buffer's row and null flags into the cursor's current row.
    void CopyRowToCursor(vcl::TRecordBuffer buffer) const;
    // Refuses (STnxLayoutChanged) a cursor whose row layout is no longer the one of the buffers.
    void CheckCursorLayout();
    std::int32_t BookmarkRow(vcl::TRecordBuffer buffer) const;

    TAsaSQL* FCursor = nullptr;         // owned as a component (sub-component)
    vcl::TOwned<vcl::TStringList> FSQL; // change event: QueryChanged
    bool FPrepared = false;
    std::int32_t FRecordBufferSize = 0;
    bool FReadOnly = true;
    std::int32_t FBookmarkOffset = 0;
    std::int32_t FNullFlagsOffset = 0;
    vcl::AnsiString FSQLText;
    bool FParamCheck = true;
    vcl::TOwned<TAsaParams> FParams;
    vcl::TOwned<TAsaDataLink> FDataLink;
    std::uint8_t FDBFlags = 0;
    bool FAtEnd = false;
    bool FEditChecked = false;

    // The layout taken at open: R, N and the columns' places (the same for every record).
    std::int32_t FRowSize = 0;
    std::int32_t FColumnCount = 0;
    std::vector<TColumn> FColumns;
};

} // namespace tnx
