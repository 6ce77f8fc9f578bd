// TAsaBlobStream (see AsaBlobStream.h).
#include "asa/AsaBlobStream.h"

#include "asa/AsaSQL.h"
#include "asa/AsaSession.h"
#include "asa/TnxAsaLibrary.h"

#include <cstring>
#include <memory>
#include <vector>

namespace tnx {

VCL_CLASS_INFO(TAsaBlobStream)

TAsaBlobStream::TAsaBlobStream(TCorvexBlobManager* Manager, const vcl::AnsiString& FieldName)
    : TCorvexBlobStream(Manager, FieldName) {}

TAsaBlobStream::~TAsaBlobStream() = default;

int32_t TAsaBlobStream::Read(void* Dest, int32_t Count) {
    if (GetBuffer() == nullptr) GetBlobSize();
    FEmpty = GetBuffer() == nullptr;
    if (FEmpty) return 0;
    return ReadFromBuffer(Dest, Count);
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

    // One binary variable receives each piece: a 16-bit length, then up to PieceSize bytes.
    struct TSqldaHolder {
        sqlda* Da;
        ~TSqldaHolder() {
            if (Da != nullptr && AsaLibrary.Procs.free_sqlda != nullptr) AsaLibrary.Procs.free_sqlda(Da);
        }
    } da{procs.alloc_sqlda(1)};
    if (da.Da == nullptr) return 0;
    std::vector<uint8_t> piece(PieceSize + 2);
    da.Da->sqld = da.Da->sqln;
    da.Da->sqlvar[0].sqltype = DBLIB_T_BINARY;
    da.Da->sqlvar[0].sqllen = static_cast<int16_t>(piece.size());
    da.Da->sqlvar[0].sqldata = piece.data();

    std::vector<uint8_t> value; // the pieces so far, grown geometrically
    sqlca* ca = session->GetSqlca();
    int32_t offset = 0;
    int32_t code;
    do {
        // The library only reads the cursor name; its C interface declares it char*.
        session->Dbpp(procs.dbpp_get_data, const_cast<char*>(sql->GetCursorName()),
                      static_cast<unsigned>(column + 1), offset, da.Da, 0u);
        code = ca->sqlcode;
        if (code != 0 && code != DBLIB_W_TRUNCATED) break;
        uint16_t k;
        std::memcpy(&k, piece.data(), sizeof k);
        if (k > PieceSize) k = PieceSize; // never more than the variable holds
        value.insert(value.end(), piece.data() + 2, piece.data() + 2 + k);
        FBlobSize += k;
        offset += k;
        // A piece that says more follows but brings nothing would repeat for ever.
        if (k == 0 && code == DBLIB_W_TRUNCATED) {
            code = -1;
            break;
        }
    } while (code == DBLIB_W_TRUNCATED);

    if (code != 0) return 0; // BlobSize keeps the bytes received; no data
    AssignBuffer(value.data(), static_cast<int32_t>(value.size()));
    return FBlobSize;
}

} // namespace tnx
