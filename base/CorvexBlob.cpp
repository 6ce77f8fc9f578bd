// TCorvexBlobStream and TCorvexBlobManager (see CorvexBlob.h).
#include "base/CorvexBlob.h"

#include "base/CorvexSQL.h"
#include "base/TnxConsts.h"
#include "platform/vcl/Format.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclConsts.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace tnx {

using vcl::AnsiString;

VCL_CLASS_INFO(TCorvexBlobStream)
VCL_CLASS_INFO(TCorvexBlobManager)

// --- TCorvexBlobStream --------------------------------------------------------------------------

TCorvexBlobStream::TCorvexBlobStream(TCorvexBlobManager* Manager, const AnsiString& FieldName)
    : FFieldName(FieldName) {
    if (Manager != nullptr) Manager->AddBlob(this);
}

TCorvexBlobStream::~TCorvexBlobStream() {
    // Destroy has done this; it is left only when a derived constructor raised, so that Destroy
    // never ran (the manager must not keep the stream then).
    std::free(FBuffer);
    if (FManager != nullptr) FManager->RemoveBlob(this);
}

void TCorvexBlobStream::Destroy() {
    ReleaseBuffer();
    FBlobSize = 0;
    if (FManager != nullptr) FManager->RemoveBlob(this);
    inherited::Destroy();
}

void TCorvexBlobStream::ReleaseBuffer() {
    std::free(FBuffer);
    FBuffer = nullptr;
    FCapacity = 0;
}

void TCorvexBlobStream::Reserve(int32_t Needed) {
    if (Needed <= FCapacity) return;
    // Geometric growth: a value written in many small pieces is copied O(log n) times, not n.
    int64_t capacity = std::max<int64_t>(FCapacity, 64);
    while (capacity < Needed)
        capacity *= 2;
    capacity = std::min<int64_t>(capacity, std::numeric_limits<int32_t>::max());
    auto* grown = static_cast<uint8_t*>(std::realloc(FBuffer, static_cast<size_t>(capacity)));
    if (grown == nullptr) vcl::OutOfMemoryError();
    // Bytes past the data are kept zero, so a gap left by a write past the end reads as zeros.
    std::memset(grown + FCapacity, 0, static_cast<size_t>(capacity - FCapacity));
    FBuffer = grown;
    FCapacity = static_cast<int32_t>(capacity);
}

int32_t TCorvexBlobStream::Write(const void* Data, int32_t Count) {
    if (Count <= 0 || Data == nullptr || FPosition < 0) return 0;
    const int64_t end = static_cast<int64_t>(FPosition) + Count;
    if (end > std::numeric_limits<int32_t>::max()) return 0;
    const int32_t newSize = std::max(FBlobSize, static_cast<int32_t>(end));
    Reserve(newSize);
    if (FPosition > FBlobSize) {
        // The gap between the old end and the write: zero, whatever the buffer held there before
        // (a Clear keeps no capacity, but an AssignBuffer of a shorter value may).
        std::memset(FBuffer + FBlobSize, 0, static_cast<size_t>(FPosition - FBlobSize));
    }
    std::memcpy(FBuffer + FPosition, Data, static_cast<size_t>(Count));
    FBlobSize = newSize;
    FEmpty = FBuffer == nullptr;
    FPosition = static_cast<int32_t>(end);
    FModified = true;
    return Count;
}

int64_t TCorvexBlobStream::Seek(int64_t Offset, vcl::TSeekOrigin Origin) {
    int64_t base;
    switch (Origin) {
    case vcl::TSeekOrigin::soBeginning:
        base = 0;
        break;
    case vcl::TSeekOrigin::soCurrent:
        base = FPosition;
        break;
    case vcl::TSeekOrigin::soEnd:
        base = GetBlobSize();
        break;
    default:
        return FPosition;
    }
    // Not clamped to the data; only saturated to the 32-bit range the position is held in.
    int64_t target;
    if (__builtin_add_overflow(base, Offset, &target))
        target = Offset > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    target =
        std::clamp<int64_t>(target, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    FPosition = static_cast<int32_t>(target);
    return FPosition;
}

int32_t TCorvexBlobStream::GetBlobSize() {
    return FModified ? FBlobSize : 0;
}

void TCorvexBlobStream::Clear() {
    ReleaseBuffer();
    FBlobSize = 0;
    FPosition = 0;
    FModified = false;
    FEmpty = true;
}

void TCorvexBlobStream::Truncate() {
    Clear();
    FModified = true;
}

void TCorvexBlobStream::AssignBuffer(const void* Source, int32_t Size) {
    if (Size < 1 || Source == nullptr) {
        AllocateBuffer(0);
        return;
    }
    std::memcpy(AllocateBuffer(Size), Source, static_cast<size_t>(Size));
}

uint8_t* TCorvexBlobStream::AllocateBuffer(int32_t Size) {
    ReleaseBuffer();
    FBlobSize = 0;
    if (Size < 1) return nullptr;
    auto* block = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(Size)));
    if (block == nullptr) vcl::OutOfMemoryError();
    vcl::PreferHugePages(block, static_cast<size_t>(Size)); // the caller fills it next
    FBuffer = block;
    FCapacity = Size;
    FBlobSize = Size;
    return block;
}

int32_t TCorvexBlobStream::ReadFromBuffer(void* Dest, int32_t Count) {
    if (Count <= 0 || Dest == nullptr || FBuffer == nullptr || FPosition < 0 || FPosition >= FBlobSize)
        return 0;
    const int32_t n = std::min(Count, FBlobSize - FPosition);
    std::memcpy(Dest, FBuffer + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

int32_t TCorvexBlobStream::GetFieldNo() const {
    if (FManager == nullptr || FManager->GetSQL() == nullptr) return -1;
    int32_t index = -1;
    if (!FManager->GetSQL()->GetFieldInfo(vcl::Variant(FFieldName), &index)) return -1;
    return index;
}

int32_t TCorvexBlobStream::GetFieldExtType() const {
    const int32_t index = GetFieldNo();
    if (index < 0) return -1;
    return FManager->GetSQL()->GetFieldDesc(index).ExtType;
}

// --- TCorvexBlobManager -------------------------------------------------------------------------

TCorvexBlobManager::TCorvexBlobManager(TCorvexSQL* SQL) : FSQL(SQL) {}

TCorvexBlobManager::~TCorvexBlobManager() = default;

void TCorvexBlobManager::Destroy() {
    Clear();
    inherited::Destroy();
}

void TCorvexBlobManager::AddBlob(TCorvexBlobStream* Stream) {
    if (Stream == nullptr) return;
    if (Stream->FManager != nullptr && Stream->FManager != this) Stream->FManager->RemoveBlob(Stream);
    if (std::find(FBlobs.begin(), FBlobs.end(), Stream) == FBlobs.end()) FBlobs.push_back(Stream);
    Stream->FManager = this;
}

void TCorvexBlobManager::RemoveBlob(TCorvexBlobStream* Stream) {
    if (Stream == nullptr) return;
    auto it = std::find(FBlobs.begin(), FBlobs.end(), Stream);
    if (it != FBlobs.end()) FBlobs.erase(it);
    if (Stream->FManager == this) Stream->FManager = nullptr;
}

void TCorvexBlobManager::Clear() {
    // Each stream takes itself out of the list when freed; the last one goes first.
    while (!FBlobs.empty()) {
        TCorvexBlobStream* stream = FBlobs.back();
        FBlobs.pop_back();
        stream->FManager = nullptr;
        stream->Free();
    }
}

void TCorvexBlobManager::ClearBlobs() {
    for (TCorvexBlobStream* stream : FBlobs)
        stream->Clear();
}

TCorvexBlobStream* TCorvexBlobManager::GetBlob(uint16_t Index) {
    if (Index >= FBlobs.size()) throw vcl::EListError(vcl::SListIndexError, {static_cast<int32_t>(Index)});
    return BlobByName(FBlobs[Index]->GetFieldName());
}

TCorvexBlobStream* TCorvexBlobManager::BlobByName(const AnsiString& Name) {
    for (TCorvexBlobStream* stream : FBlobs)
        if (vcl::AnsiCompareText(stream->GetFieldName(), Name) == 0) return stream;
    const AnsiString msg = vcl::Format(vcl::LoadResString(CORVEX_ERR_BLOB_REQUIRED), {Name});
    if (FSQL != nullptr) FSQL->RaiseLastError<ECorvexException>(msg, 0);
    throw ECorvexException(msg, 0, 0);
}

} // namespace tnx
