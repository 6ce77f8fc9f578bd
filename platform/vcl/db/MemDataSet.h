// TMemDataSet: the framework's own concrete dataset, over rows held in memory.
//
// The program describes the columns with FieldDefs (or, when it gives none, the persistent data
// fields describe them) and opens the dataset; rows are then added, changed and deleted through
// the ordinary dataset operations and stay while the dataset is closed, until EmptyDataSet. Every
// field type with a field class is supported: strings, integers, booleans, floats, currency,
// dates, times, date-times, bytes, blobs, memos and graphics.
//
// Guarantees:
//  - A record buffer is a flat copy of a row (each column's value buffer at a fixed offset, then
//    one NULL flag per column), so fetching a record is one block copy and reading a field is one
//    small copy: no allocation and no lookup by name.
//  - Bookmarks name rows, not positions: a bookmark stays valid (and GotoBookmark finds its row)
//    across inserts and deletes of other rows; a deleted row's bookmark is no longer valid.
//    CompareBookmarks orders by the rows' current positions.
//  - Blob values are read and written through CreateBlobStream; a value written during an edit
//    becomes the row's value when the edit is posted and is dropped when it is cancelled.
//  - Locate and Lookup search without moving the active record unless Locate finds a row.
//  - Reopening with field definitions that no longer match the rows held raises EDatabaseError
//    (SLayoutChanged) and leaves the dataset closed.
#pragma once

#include "platform/vcl/db/DataSet.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vcl {

class TMemBlobStream;

class TMemDataSet : public TDataSet {
    VCL_CLASS(TMemDataSet, TDataSet)
public:
    explicit TMemDataSet(TComponent* owner);

    // Removes every row (when open, the window empties as well).
    void EmptyDataSet();
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }

    int GetRecNo() override;
    void SetRecNo(int value) override;
    int GetRecordCount() override;
    bool IsSequenced() override { return true; }
    bool Locate(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options) override;
    Variant Lookup(const AnsiString& keyFields, const Variant& keyValues, const AnsiString& resultFields) override;
    bool BookmarkValid(TBookmarkPtr bookmark) override;
    int CompareBookmarks(TBookmarkPtr bookmark1, TBookmarkPtr bookmark2) override;
    TOwned<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;
    bool GetFieldData(TField* field, void* buffer) override;
    void SetFieldData(TField* field, const void* buffer) override;
    bool GetCurrentRecord(TRecordBuffer buffer) override;

protected:
    ~TMemDataSet() override;

    TRecordBuffer AllocRecordBuffer() override;
    void FreeRecordBuffer(TRecordBuffer& buffer) override;
    void GetBookmarkData(TRecordBuffer buffer, void* data) override;
    void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) override;
    int GetRecordSize() override { return FRecordSize; }
    void InternalAddRecord(TRecordBuffer buffer, bool append) override;
    void InternalCancel() override;
    void InternalClose() override;
    void InternalDelete() override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalGotoBookmark(TBookmarkPtr bookmark) override;
    void InternalInitFieldDefs() override;
    void InternalInitRecord(TRecordBuffer buffer) override;
    void InternalOpen() override;
    void InternalPost() override;
    void InternalSetToRecord(TRecordBuffer buffer) override;
    bool IsCursorOpen() override { return FCursorOpen; }
    bool GetCanModify() override { return !FReadOnly; }

private:
    friend class TMemBlobStream;

    // Where one column lives in a row (and in a record buffer).
    struct TColumn {
        TFieldType Type;
        int Offset;    // of the value buffer; blobs have none
        int Size;      // bytes of the value buffer (0 for blobs)
        int BlobIndex; // blobs: index into TRow::Blobs, else -1
    };
    struct TRow {
        std::int32_t Id; // the bookmark: unique for the dataset's life
        std::vector<std::uint8_t> Data;
        std::vector<std::string> Blobs;
    };
    // Blob values written into one record buffer during an edit (unset: not written).
    struct TBufferBlobs {
        std::vector<std::string> Values;
        std::vector<bool> Written;
    };

    // The record the state selects for field access (GetActiveRecBuf), or null.
    TRecordBuffer GetActiveRecBuf();
    std::int32_t BufferId(TRecordBuffer buffer) const;
    TBufferBlobs* BufferBlobs(TRecordBuffer buffer) const;
    void ResetBufferBlobs(TRecordBuffer buffer) const;
    // Position of the row with that id, -1 when it is gone.
    int IndexOfId(std::int32_t id);
    void FillBuffer(TRecordBuffer buffer, int rowIndex);
    // Copies a buffer's columns (and the blobs written into it) into a row.
    void StoreBuffer(TRecordBuffer buffer, TRow& row);
    void InsertRow(TRecordBuffer buffer, int position);
    // The first row whose key fields match, -1 when none (the active record is untouched).
    int FindRow(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options);
    // The blob value of a buffer's column: written in this edit, else the row's.
    std::string ReadBlob(TRecordBuffer buffer, const TColumn& column);

    std::vector<TRow> FRows;
    std::vector<TColumn> FColumns;
    // Column signature the rows were made with (type and size per column).
    std::vector<std::pair<TFieldType, int>> FRowLayout;
    int FRecordSize = 0;    // columns and NULL flags
    int FNullOffset = 0;    // first NULL flag
    int FBookmarkOffset = 0; // id (4 bytes), then the flag byte
    int FBlobSlotOffset = 0; // pointer to the buffer's TBufferBlobs
    int FBufferSize = 0;
    int FBlobCount = 0;
    int FCursor = -1; // -1: before the first row; FRows.size(): after the last
    std::int32_t FNextId = 0;
    // Row positions by id; rebuilt after rows were inserted or deleted.
    std::vector<int> FIndexById;
    bool FIndexDirty = true;
    bool FCursorOpen = false;
    bool FReadOnly = false;
    TRecordBuffer FFilterBuffer = nullptr; // the record a search looks at (dsFilter)
};

} // namespace vcl
