// Blob streams and the blob manager: the in-memory values of a statement's long columns (ntMemo,
// ntBlob), one stream per column, kept in a per-statement list and looked up by column name.
//
// TCorvexBlobStream follows the framework's TStream contract. The base stream keeps the data in
// one buffer; Read is left to the driver (which loads the value from the database when the buffer
// is empty, and may use ReadFromBuffer for the copy).
//
// Writing. A write stores Count bytes at Position and advances it; the value grows only as far as
// the write reaches, as in a memory stream:
//   - at the end (the only way the system itself writes: after Clear or Truncate, sequentially)
//     the value grows by Count bytes;
//   - starting before the end, the bytes there are overwritten and the value grows only by the
//     part that runs past the end (a write inside the value keeps its size), so no byte of the
//     value is ever left uninitialised or shifted;
//   - starting past the end, the gap is filled with zero bytes, then the data follows;
//   - at a negative position, or when the value would exceed the 32-bit size, nothing is written
//     and 0 is returned (WriteBuffer then raises the framework's write error).
// Every write of at least one byte sets Modified. Storage grows geometrically, so writing a value
// in pieces costs linear time.
//
// Ownership. A stream created with a manager is added to the manager's list and owned by it (the
// manager frees its streams in Clear and when it is destroyed); freeing a stream directly is safe,
// it leaves the list. A stream created without a manager belongs to its creator. Drivers create
// their streams with vcl::New<TMyBlobStream>(manager, name).release(): the manager then owns it.
#pragma once

#include "platform/vcl/Stream.h"

#include <cstdint>
#include <vector>

namespace tnx {

class TCorvexSQL;
class TCorvexBlobManager;

class TCorvexBlobStream : public vcl::TStream {
    VCL_CLASS(TCorvexBlobStream, vcl::TStream)
public:
    // Adds itself to Manager when one is given; starts without data (not Modified, not Empty).
    TCorvexBlobStream(TCorvexBlobManager* Manager, const vcl::AnsiString& FieldName);

    // Read stays abstract: the driver reads, loading the value when Buffer is empty.
    int32_t Write(const void* Data, int32_t Count) override;
    // Origin soBeginning: Position := Offset; soCurrent: += Offset; soEnd: Offset + GetBlobSize().
    // Any other origin leaves the position. Returns the position; it is not clamped.
    int64_t Seek(int64_t Offset, vcl::TSeekOrigin Origin) override;
    // The value's size: the written size when Modified, else 0 (a driver returns the database
    // value's size when nothing was written).
    virtual int32_t GetBlobSize();

    // Drops the data: no Buffer, BlobSize 0, Position 0, not Modified, Empty.
    void Clear();
    // An empty value that must be stored: Clear, then Modified.
    void Truncate();
    // The column's index in the owning statement (-1 without a manager or when not found), and its
    // driver type code (-1 likewise).
    int32_t GetFieldNo() const;
    int32_t GetFieldExtType() const;

    TCorvexBlobManager* GetManager() const { return FManager; }
    const vcl::AnsiString& GetFieldName() const { return FFieldName; }
    // Bytes held in the buffer (not the database value's size: see GetBlobSize).
    int32_t GetBufferSize() const { return FBlobSize; }
    const uint8_t* GetBuffer() const { return FBuffer; }
    bool GetModified() const { return FModified; }
    bool GetEmpty() const { return FEmpty; }

protected:
    ~TCorvexBlobStream() override;
    // Releases the buffer and leaves the manager's list.
    void Destroy() override;

    // Replaces the data with a copy of Size bytes (no buffer when Size < 1); FBlobSize := the size
    // copied; Position and Modified are left as they are. For drivers that load a value.
    void AssignBuffer(const void* Source, int32_t Size);
    // Copies up to Count bytes from Position (none when Position is outside the data), advances
    // Position and returns the number copied. The plain in-memory read, for drivers' Read.
    int32_t ReadFromBuffer(void* Dest, int32_t Count);
    // Releases the buffer (Buffer null, capacity 0); BlobSize is left to the caller.
    void ReleaseBuffer();
    // Replaces the data with a block of exactly Size bytes that the caller fills (it is not
    // zeroed: a driver that knows a value's length reads it straight in, without a staging copy
    // or a fill it would overwrite); FBlobSize := Size. Null, and no data, when Size < 1. A
    // caller that cannot fill the block releases it again (ReleaseBuffer).
    uint8_t* AllocateBuffer(int32_t Size);

    TCorvexBlobManager* FManager = nullptr; // the owning list, set by the manager
    vcl::AnsiString FFieldName;             // the column the stream holds
    // Bytes of data in the buffer. While a buffer is held it has room for them; a driver that loads
    // a value may count bytes here while it has no buffer yet (GetBuffer() null), and sets the data
    // with AssignBuffer.
    int32_t FBlobSize = 0;
    int32_t FPosition = 0;  // read/write position; may lie outside 0 .. FBlobSize
    bool FModified = false; // written or truncated since the last Clear
    bool FEmpty = false;    // holds no data (Clear; Write/Read when Buffer is missing)

private:
    friend class TCorvexBlobManager;
    // Makes room for Needed bytes (>= FBlobSize), growing geometrically; new bytes are zero.
    void Reserve(int32_t Needed);

    // The data: FBlobSize bytes in a block of FCapacity bytes (zero past the data), or null. Only
    // this class allocates and releases it, so the two always agree (AllocateBuffer makes the
    // capacity the size, so nothing lies past the data there).
    uint8_t* FBuffer = nullptr;
    int32_t FCapacity = 0;
};

class TCorvexBlobManager : public vcl::TObject {
    VCL_CLASS(TCorvexBlobManager, vcl::TObject)
public:
    explicit TCorvexBlobManager(TCorvexSQL* SQL);

    // Appends the stream and makes this manager its owner.
    void AddBlob(TCorvexBlobStream* Stream);
    // Takes the stream out of the list (not freed) and clears its manager.
    void RemoveBlob(TCorvexBlobStream* Stream);
    int32_t Count() const { return static_cast<int32_t>(FBlobs.size()); }
    // Frees the streams, always the last one first, until the list is empty.
    void Clear();
    // Drops the contents of every stream (Clear of each, in list order); the streams stay.
    void ClearBlobs();
    // The stream at Index, looked up again by its name (EListError for an index out of range).
    TCorvexBlobStream* GetBlob(uint16_t Index);
    // The first stream whose FieldName equals Name ignoring case; raises "Field "%s" is not a
    // blob." through the statement's RaiseLastError when there is none.
    TCorvexBlobStream* BlobByName(const vcl::AnsiString& Name);
    TCorvexSQL* GetSQL() const { return FSQL; }

protected:
    ~TCorvexBlobManager() override;
    void Destroy() override;

private:
    TCorvexSQL* FSQL;                       // the owning statement (may be null)
    std::vector<TCorvexBlobStream*> FBlobs; // owned streams, in the order they were added
};

} // namespace tnx
