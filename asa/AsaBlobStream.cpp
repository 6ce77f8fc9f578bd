// TAsaBlobStream (see AsaBlobStream.h).
#include "asa/AsaBlobStream.h"

#include "asa/AsaSQL.h"
#include "asa/AsaSession.h"
#include "asa/AsaSqlda.h"
#include "asa/TnxAsaLibrary.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
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

TAsaBlobStream::TLoad TAsaBlobStream::LoadPieces(const std::function<uint8_t*(int32_t)>& Allocate) {
    TLoad load;
    TAsaSQL* sql = FManager != nullptr ? dynamic_cast<TAsaSQL*>(FManager->GetSQL()) : nullptr;
    const int32_t column = GetFieldNo();
    if (sql == nullptr || column < 0 || !sql->IsSessionAssigned()) return load;
    auto* session = dynamic_cast<TAsaSession*>(sql->GetAssignedSession());
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    if (session == nullptr || procs.alloc_sqlda == nullptr) return load;
    load.Sql = sql;
    load.Session = session;

    // One long-binary variable receives each piece: its header tells the piece's length and, with
    // the first piece, the whole value's, so the value is read straight into a block of its own
    // size (no growing, no staging copy, no zero fill).
    TAsaSqlda da = TAsaSqlda::TryAllocate(1);
    if (!da) return load;
    std::vector<uint8_t> piece(sizeof(dblib_longdata) + PieceSize);
    da->sqld = da->sqln;
    da->sqlvar[0].sqltype = DBLIB_T_LONGBINARY;
    da->sqlvar[0].sqllen = 0;

    sqlca* ca = session->GetSqlca();
    uint8_t* value = nullptr; // the destination block, allocated once the length is known
    int32_t code;
    do {
        // Once the block exists and a whole piece fits in it, the piece is received in place: the
        // variable's header is laid over the last bytes already received (kept aside and put
        // back after the call), so the library's copy is the only one. The first piece and a
        // shorter last one go through the piece buffer.
        constexpr std::size_t headerSize = sizeof(dblib_longdata);
        const bool inPlace = value != nullptr && static_cast<std::size_t>(load.Received) >= headerSize &&
                             load.Length - load.Received >= PieceSize;
        uint8_t* const at = inPlace ? value + load.Received - headerSize : piece.data();
        uint8_t covered[headerSize];
        if (inPlace) std::memcpy(covered, at, headerSize);
        const dblib_longdata fresh{PieceSize, 0, 0};
        std::memcpy(at, &fresh, headerSize);
        da->sqlvar[0].sqldata = at;
        // The library only reads the cursor name; its C interface declares it char*.
        session->Dbpp(procs.dbpp_get_data, const_cast<char*>(sql->GetCursorName()),
                      static_cast<unsigned>(column + 1), load.Received, da.Get(), 0u);
        dblib_longdata got;
        std::memcpy(&got, at, headerSize);
        if (inPlace) std::memcpy(at, covered, headerSize);
        code = ca->sqlcode;
        if (code != 0 && code != DBLIB_W_TRUNCATED) {
            load.LibraryFailed = true;
            return load;
        }
        const uint32_t k = std::min<uint32_t>(got.stored_len, PieceSize); // never more than it holds
        if (load.Received == 0) {
            // A value longer than a stream can hold cannot be loaded.
            if (got.untrunc_len > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) return load;
            load.Length = static_cast<int32_t>(got.untrunc_len);
            value = load.Length > 0 ? Allocate(load.Length) : nullptr;
            if (load.Length > 0 && value == nullptr) return load;
        }
        // A piece that runs past the length the library reported, or that says more follows but
        // brings nothing (which would repeat for ever), ends the load without data.
        if (static_cast<int64_t>(load.Received) + k > load.Length || (k == 0 && code == DBLIB_W_TRUNCATED))
            return load;
        if (k > 0 && !inPlace) std::memcpy(value + load.Received, piece.data() + headerSize, k);
        load.Received += static_cast<int32_t>(k);
    } while (code == DBLIB_W_TRUNCATED);
    load.Ok = true;
    return load;
}

int32_t TAsaBlobStream::GetBlobSize() {
    int32_t n = TCorvexBlobStream::GetBlobSize();
    if (n >= 1 || FModified) return n;

    Clear();
    const TLoad load = LoadPieces([this](int32_t Length) -> uint8_t* {
        try {
            return AllocateBuffer(Length);
        } catch (const vcl::EOutOfMemory&) {
            return nullptr;
        }
    });
    if (!load.Ok) {
        ReleaseBuffer(); // BlobSize keeps the bytes received; no data
        FBlobSize = load.Received;
        // Judged like every other call; the last thing done here, since a lost connection
        // disconnects the session and so frees this stream.
        if (load.LibraryFailed) load.Session->Check(nullptr, 0, 0, load.Sql->GetWantExceptions());
        return 0;
    }
    if (load.Received < load.Length) {
        // The pieces ended before the reported length: the value is what was received.
        FBlobSize = load.Received;
        if (load.Received == 0) ReleaseBuffer();
    }
    return FBlobSize;
}

bool TAsaBlobStream::WouldLoad() const {
    return !FModified;
}

vcl::Variant TAsaBlobStream::LoadByteArray() {
    vcl::Variant bytes;
    std::optional<vcl::TVarArrayLock> filling; // the array stays locked while the pieces arrive
    const TLoad load = LoadPieces([&bytes, &filling](int32_t Length) -> uint8_t* {
        try {
            bytes = vcl::VarByteArrayToFill(static_cast<size_t>(Length));
        } catch (const vcl::EOutOfMemory&) {
            return nullptr;
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        filling.emplace(bytes);
        return static_cast<uint8_t*>(filling->Data());
    });
    filling.reset();
    if (!load.Ok) {
        if (load.LibraryFailed) load.Session->Check(nullptr, 0, 0, load.Sql->GetWantExceptions());
        return vcl::Null();
    }
    if (load.Received < 1) return vcl::Null();
    if (load.Received < load.Length) {
        // The pieces ended before the reported length: the value is what was received.
        vcl::TVarArrayLock lock(bytes);
        return TCorvexSQL::StrToVarByte(lock.Data(), load.Received);
    }
    return bytes;
}

} // namespace tnx
