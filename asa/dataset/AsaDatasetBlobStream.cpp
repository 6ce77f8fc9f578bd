// TAsaDatasetBlobStream: blob fields of the dataset through the cursor's blob streams (see
// AsaDatasetBlobStream.h).
#include "asa/dataset/AsaDatasetBlobStream.h"

#include "asa/dataset/AsaDataset.h"
#include "base/CorvexBlob.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclConsts.h"
#include "platform/vcl/db/DBConsts.h"
#include "platform/vcl/db/Field.h"

#include <vector>

namespace tnx {

VCL_CLASS_INFO(TAsaDatasetBlobStream)

namespace {

TAsaDataset* DatasetOf(vcl::TField* field) {
    auto* dataset = field != nullptr ? dynamic_cast<TAsaDataset*>(field->GetDataSet()) : nullptr;
    // A blob column of the dataset's rows: calculated and lookup fields have no column.
    if (dataset == nullptr || !field->GetIsBlob() || field->GetFieldNo() < 1)
        throw vcl::EInvalidCast(vcl::LoadResString(vcl::SInvalidCast));
    return dataset;
}

} // namespace

TAsaDatasetBlobStream::TAsaDatasetBlobStream(vcl::TField* field, vcl::TBlobStreamMode mode)
    : FField(field), FDataset(DatasetOf(field)), FMode(mode), FFieldNo(field->GetFieldNo()) {
    FBuffer = FDataset->GetActiveRecBuf();
    if (FBuffer == nullptr) return;
    if (!FField->GetModified() && FMode == vcl::bmWrite) {
        if (FField->GetReadOnly())
            vcl::DatabaseErrorFmt(vcl::SFieldReadOnly, {FField->GetDisplayName()}, FDataset);
        if (FDataset->GetState() != vcl::dsEdit && FDataset->GetState() != vcl::dsInsert)
            vcl::DatabaseError(vcl::SNotEditing, FDataset);
    }
    FBlob = FDataset->GetCursor()->GetBlobManager()->BlobByName(FField->GetFieldName());
    FOpened = true;
    if (FMode == vcl::bmWrite) {
        Truncate();
    } else {
        Seek(0, vcl::TSeekOrigin::soBeginning);
    }
}

TAsaDatasetBlobStream::~TAsaDatasetBlobStream() = default;

void TAsaDatasetBlobStream::Destroy() {
    if (FOpened && FMode != vcl::bmRead) {
        const bool modified = FBlob->GetModified();
        if (modified) FField->SetModified(true);
        SetIsNull(FBlob->GetEmpty());
        if (modified) {
            try {
                FDataset->DataEvent(vcl::deFieldChange, reinterpret_cast<std::intptr_t>(FField));
            } catch (...) {
                try {
                    FDataset->InternalHandleException();
                } catch (...) {
                }
            }
        }
    }
    inherited::Destroy();
}

std::int32_t TAsaDatasetBlobStream::Read(void* data, std::int32_t count) {
    if (!FOpened || GetIsNull()) return 0;
    const std::int32_t read = FBlob->Read(data, count);
    if (read > 0 && FField->GetTransliterate()) {
        if (TCorvexSession* session = FDataset->GetCursor()->GetAssignedSession()) {
            auto* bytes = static_cast<char*>(data);
            session->TranslateChar(bytes, bytes, read, false);
        }
    }
    return read;
}

std::int32_t TAsaDatasetBlobStream::Write(const void* data, std::int32_t count) {
    if (!FOpened) return 0;
    if (count > 0 && data != nullptr && FField->GetTransliterate()) {
        TCorvexSession* session = FDataset->GetCursor()->GetAssignedSession();
        if (session != nullptr && session->GetOEMConvert()) {
            std::vector<char> copy(static_cast<const char*>(data), static_cast<const char*>(data) + count);
            session->TranslateChar(copy.data(), copy.data(), count, true);
            return FBlob->Write(copy.data(), count);
        }
    }
    return FBlob->Write(data, count);
}

std::int64_t TAsaDatasetBlobStream::Seek(std::int64_t offset, vcl::TSeekOrigin origin) {
    if (!FOpened) return 0;
    if (origin == vcl::TSeekOrigin::soEnd && GetIsNull()) return 0;
    return FBlob->Seek(offset, origin);
}

void TAsaDatasetBlobStream::Truncate() {
    if (FOpened) FBlob->Truncate();
}

bool TAsaDatasetBlobStream::GetIsNull() const {
    return FBuffer == nullptr || FBuffer[FDataset->FNullFlagsOffset + FFieldNo - 1] == 1;
}

void TAsaDatasetBlobStream::SetIsNull(bool value) {
    if (FBuffer != nullptr) FBuffer[FDataset->FNullFlagsOffset + FFieldNo - 1] = value ? 1 : 0;
}

} // namespace tnx
