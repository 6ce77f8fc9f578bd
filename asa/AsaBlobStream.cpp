// TAsaBlobStream (see AsaBlobStream.h).
#include "asa/AsaBlobStream.h"

#include "asa/AsaSQL.h"
#include "asa/AsaSession.h"
#include "asa/AsaSqlda.h"
#include "asa/TnxAsaLibrary.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace tnx {

VCL_CLASS_INFO(TAsaBlobStream)

TAsaBlobStream::TAsaBlobStream(TCorvexBlobManager* Manager, const vcl::AnsiString& FieldName)
    : TCorvexBlobStream(Manager, FieldName) {}

TAsaBlobStream::~TAsaBlobStream() { *FAlive = false; }

int32_t TAsaBlobStream::Read(void* Dest, int32_t Count) {
    if (GetBuffer() == nullptr) {
        const std::shared_ptr<bool> alive = FAlive;
        GetBlobSize();
        if (!*alive) return 0;
    }
    FEmpty = GetBuffer() == nullptr;
    if (FEmpty) return 0;
    return ReadFromBuffer(Dest, Count);
}

int64_t TAsaBlobStream::Seek(int64_t Offset, vcl::TSeekOrigin Origin) {
    if (Origin != vcl::TSeekOrigin::soEnd) return TCorvexBlobStream::Seek(Offset, Origin);
    const std::shared_ptr<bool> alive = FAlive;
    const int64_t size = GetBlobSize();
    if (!*alive) return 0;
    return TCorvexBlobStream::Seek(size + Offset, vcl::TSeekOrigin::soBeginning);
}

int32_t TAsaBlobStream::GetBlobSize() {
    int32_t n = TCorvexBlobStream::GetBlobSize();
    if (n >= 1 || FModified) return n;

    Clear();
    TAsaSQL* sql = FManager != nullptr ? dynamic_cast<TAsaSQL*>(FManager->GetSQL()) : nullptr;
    const int32_t column = GetFieldNo();
    if (sql == nullptr || column < 0 || !sql->IsSessionAssigned()) return 0;
    auto* session = dynamic_cast<TAsaSession*>(sql->GetAssignedSession());
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    if (session == nullptr || procs.alloc_sqlda == nullptr) return 0;

    // One long-binary variable receives each piece: its header tells the piece's length and, with
    // the first piece, the whole value's, so the value is read straight into a block of its own
    // size (no growing, no staging copy, no zero fill).
    TAsaSqlda da = TAsaSqlda::TryAllocate(1);
    if (!da) return 0;
    std::vector<uint8_t> piece(sizeof(dblib_longdata) + PieceSize);
    auto* header = reinterpret_cast<dblib_longdata*>(piece.data());
    da->sqld = da->sqln;
    da->sqlvar[0].sqltype = DBLIB_T_LONGBINARY;
    da->sqlvar[0].sqllen = 0;
    da->sqlvar[0].sqldata = header;

    sqlca* ca = session->GetSqlca();
    uint8_t* value = nullptr; // the stream's block, allocated once the length is known
    int32_t length = 0;       // its size
    int32_t offset = 0;       // bytes received so far
    int32_t code;
    bool libraryFailed = false; // the library answered with a code other than 0 or 101
    do {
        header->array_len = PieceSize;
        header->stored_len = 0;
        header->untrunc_len = 0;
        // The library only reads the cursor name; its C interface declares it char*.
        session->Dbpp(procs.dbpp_get_data, const_cast<char*>(sql->GetCursorName()),
                      static_cast<unsigned>(column + 1), offset, da.Get(), 0u);
        code = ca->sqlcode;
        if (code != 0 && code != DBLIB_W_TRUNCATED) {
            libraryFailed = true;
            break;
        }
        const uint32_t k = std::min<uint32_t>(header->stored_len, PieceSize); // never more than it holds
        if (offset == 0) {
            // A value longer than a stream can hold cannot be loaded.
            if (header->untrunc_len > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) {
                code = -1;
                break;
            }
            length = static_cast<int32_t>(header->untrunc_len);
            try {
                value = AllocateBuffer(length);
            } catch (const vcl::EOutOfMemory&) {
                code = -1;
                break;
            }
        }
        // A piece that runs past the length the library reported, or that says more follows but
        // brings nothing (which would repeat for ever), ends the load without data.
        if (static_cast<int64_t>(offset) + k > length || (k == 0 && code == DBLIB_W_TRUNCATED)) {
            code = -1;
            break;
        }
        if (k > 0) std::memcpy(value + offset, header->array, k);
        offset += static_cast<int32_t>(k);
    } while (code == DBLIB_W_TRUNCATED);

    if (code != 0) {
        ReleaseBuffer(); // BlobSize keeps the bytes received; no data
        FBlobSize = offset;
        // Judged like every other call; the last thing done here, since a lost connection
        // disconnects the session and so frees this stream.
        if (libraryFailed) session->Check(nullptr, 0, 0, sql->GetWantExceptions());
        return 0;
    }
    if (offset < length) {
        // The pieces ended before the reported length: the value is what was received.
        FBlobSize = offset;
        if (offset == 0) ReleaseBuffer();
    }
    return FBlobSize;
}

} // namespace tnx
