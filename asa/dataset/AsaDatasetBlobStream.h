// TAsaDatasetBlobStream: the stream through which a blob field of a TAsaDataset is read and
// written (TDataSet::CreateBlobStream). It serves the record buffer that the dataset's state
// selects when the stream is made, over the cursor's blob stream of the field's column, which
// loads the value from the row the cursor stands on in pieces (the dataset puts the cursor on the
// active record first).
//
// Guarantees:
//  - A stream for writing (bmWrite) refuses a read-only field (SFieldReadOnly) and a dataset that
//    is not editing (SNotEditing), and starts the value empty; the others start at position 0.
//  - Without a record buffer (an empty dataset) the stream is not opened and every operation
//    answers 0. A NULL value reads nothing and seeks from its end to 0.
//  - Fields that transliterate pass text through the session's OEM conversion: read bytes are
//    converted in the caller's buffer, written bytes in a copy (the caller's data stay as given).
//  - When a stream that may write goes, a written value marks the field modified, its null flag
//    follows whether the value is empty, and the dataset is told of the field change; an error
//    from that notice goes to the application's exception handler, never out of the destructor.
#pragma once

#include "platform/vcl/Stream.h"
#include "platform/vcl/db/DBTypes.h"

#include <cstdint>

namespace vcl {
class TField;
}

namespace tnx {

class TAsaDataset;
class TCorvexBlobStream;

class TAsaDatasetBlobStream : public vcl::TStream {
    VCL_CLASS(TAsaDatasetBlobStream, vcl::TStream)
public:
    // field must be a blob field of a TAsaDataset (else the framework's invalid-cast error).
    TAsaDatasetBlobStream(vcl::TField* field, vcl::TBlobStreamMode mode);

    std::int32_t Read(void* data, std::int32_t count) override;
    std::int32_t Write(const void* data, std::int32_t count) override;
    std::int64_t Seek(std::int64_t offset, vcl::TSeekOrigin origin) override;
    // Makes the value empty (to be stored).
    void Truncate();
    // The field's null flag in the record buffer (a stream without one reads as NULL and keeps
    // nothing).
    bool GetIsNull() const;
    void SetIsNull(bool value);
    bool GetOpened() const { return FOpened; }

protected:
    ~TAsaDatasetBlobStream() override;
    void Destroy() override;

private:
    vcl::TField* FField;
    TAsaDataset* FDataset;
    vcl::TRecordBuffer FBuffer = nullptr;
    vcl::TBlobStreamMode FMode;
    std::int32_t FFieldNo;
    bool FOpened = false;
    TCorvexBlobStream* FBlob = nullptr; // the cursor's, not owned
};

} // namespace tnx
