// TAsaBlobStream: the blob stream of the SQL Anywhere statement. It holds one long column of the
// current row; when nothing was written into it, reading it (or asking its size) loads the value
// from the open cursor in pieces of 32765 bytes with dbpp_get_data (into a long-binary variable).
//
// Guarantees:
//  - A load reads the value once: the first piece tells the value's whole length, and every piece
//    is copied straight into the stream's block of that size (linear in the value's size, no
//    growing and no zero fill).
//  - A load that does not end cleanly (a code other than 0 or 101, no cursor, no session) leaves
//    the stream without data: GetBlobSize reports 0 and Read copies nothing. A code of the library
//    goes through the session's Check with the statement's WantExceptions, like every other call:
//    it becomes the session's last error, fires OnError, raises EAsaException when asked, and a
//    lost connection (-101, -308) disconnects the session.
//  - That disconnect unprepares the statement, which frees its streams, this one included. The
//    stream's own operations notice and return without touching it; a caller that holds the
//    stream must not use it after an operation that lost the connection (as after any
//    disconnect).
//  - Not Modified after a load, so every later GetBlobSize loads the value again (the value always
//    reflects the row the cursor stands on). A written or truncated stream reports its own data
//    and is what a positioned change sends.
#pragma once

#include "base/CorvexBlob.h"
#include "platform/vcl/Variant.h"

#include <functional>
#include <memory>

namespace tnx {

class TAsaSQL;
class TAsaSession;

class TAsaBlobStream : public TCorvexBlobStream {
    VCL_CLASS(TAsaBlobStream, TCorvexBlobStream)
public:
    // Registers with Manager (which owns it) when one is given.
    TAsaBlobStream(TCorvexBlobManager* Manager, const vcl::AnsiString& FieldName);

    // Loads the value when the stream holds none, then copies up to Count bytes from Position.
    int32_t Read(void* Dest, int32_t Count) override;
    // The written size when Modified; otherwise loads the value from the cursor and returns its
    // size (0 when it could not be loaded).
    int32_t GetBlobSize() override;
    // As the base; from the end, the value is loaded first (through GetBlobSize).
    int64_t Seek(int64_t Offset, vcl::TSeekOrigin Origin) override;

    // Whether GetBlobSize would load the value from the cursor (nothing written into the stream).
    bool WouldLoad() const;
    // Reads the value from the cursor straight into a byte array (varByte, 0-based) that the
    // stream does not keep: one copy less than loading the stream and copying its data out, for a
    // caller that wants the whole value once. Null when the value is empty or cannot be read;
    // failures are reported as GetBlobSize reports them (and may free this stream likewise).
    vcl::Variant LoadByteArray();

    // Bytes asked for per dbpp_get_data call: a binary variable of 32767 bytes less its length.
    static constexpr int32_t PieceSize = 32765;

protected:
    ~TAsaBlobStream() override;

private:
    // What a load from the cursor brought: the value's reported length, the bytes received, and
    // whether it ended cleanly; on a library failure, the statement and session to report it to.
    struct TLoad {
        int32_t Length = 0;
        int32_t Received = 0;
        bool Ok = false;
        bool LibraryFailed = false;
        TAsaSQL* Sql = nullptr;
        TAsaSession* Session = nullptr;
    };
    // Reads the value in pieces into the block Allocate(length) returns (called once, with the
    // length the first piece reports, when it is at least 1; null: the load fails).
    TLoad LoadPieces(const std::function<uint8_t*(int32_t)>& Allocate);

    // False once the stream is destroyed; copied before a call that may destroy it (a load whose
    // failure disconnects the session).
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

} // namespace tnx
