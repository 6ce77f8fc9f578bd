// TCorvexSQL: conversions between blob columns, framework streams and variant byte arrays (see
// CorvexSQL.h). Blob columns hold their values in the statement's blob streams (CorvexBlob.h).
#include "base/CorvexBlob.h"
#include "base/CorvexSQL.h"
#include "base/TnxConsts.h"
#include "platform/vcl/Format.h"
#include "platform/vcl/MemoryStream.h"

#include <cstring>
#include <limits>

namespace tnx {

using vcl::AnsiString;
using vcl::Variant;

namespace {

// The size of a memory stream's data as a 32-bit length (byte arrays and blobs are 32-bit).
int32_t MemorySize(vcl::TCustomMemoryStream* stream) {
    const int64_t size = stream->GetSize();
    if (size > std::numeric_limits<int32_t>::max())
        throw ECorvexException(vcl::Format(vcl::LoadResString(CORVEX_ERR_BUFFER_TOO_LARGE),
                                           {size, std::numeric_limits<int32_t>::max()}),
                               0, 0);
    return static_cast<int32_t>(size);
}

} // namespace

Variant TCorvexSQL::StrToVarByte(const void* Source, int32_t Len) {
    if (Len < 1 || Source == nullptr) return vcl::Null();
    Variant result = vcl::VarByteArrayToFill(static_cast<size_t>(Len));
    {
        // Unlocked on every path, and before the array is handed back.
        vcl::TVarArrayLock lock(result);
        std::memcpy(lock.Data(), Source, static_cast<std::size_t>(Len));
    }
    return result;
}

Variant TCorvexSQL::StreamToVarByte(vcl::TCustomMemoryStream* MemoryStream) {
    if (MemoryStream == nullptr) return vcl::Null();
    return StrToVarByte(MemoryStream->Memory(), MemorySize(MemoryStream));
}

AnsiString TCorvexSQL::StreamToStr(vcl::TCustomMemoryStream* MemoryStream) {
    if (MemoryStream == nullptr) return AnsiString();
    const int32_t size = MemorySize(MemoryStream);
    if (size <= 0 || MemoryStream->Memory() == nullptr) return AnsiString();
    return AnsiString(static_cast<const char*>(MemoryStream->Memory()), static_cast<std::size_t>(size));
}

void TCorvexSQL::StreamToBlob(const Variant& Field, vcl::TStream* Stream) {
    CheckWritable();
    if (Stream == nullptr) RaiseMessage(CORVEX_ERR_BLOB_STREAM_INVALID);
    int32_t i;
    if (!GetFieldInfo(Field, &i)) RaiseFieldNotFound(Field);
    TCorvexBlobStream* blob = FBlobManager->BlobByName(FFields[i].Name);
    blob->Clear();
    blob->CopyFrom(Stream, 0); // the whole source, wherever it was positioned
    if (FNullFlags != nullptr) FNullFlags[i] = 0;
}

void TCorvexSQL::BlobToStream(const Variant& Field, vcl::TStream* Stream) {
    if (Stream == nullptr) RaiseMessage(CORVEX_ERR_BLOB_STREAM_INVALID);
    int32_t i;
    if (!GetFieldInfo(Field, &i)) RaiseFieldNotFound(Field);
    TCorvexBlobStream* blob = FBlobManager->BlobByName(FFields[i].Name);
    blob->SetPosition(0);
    Stream->CopyFrom(blob, 0);
    Stream->SetPosition(0);
}

} // namespace tnx
