// Helpers for the dataset's tests over a real database: a connected session of each current
// library generation (SqlTest), datasets on it, and the names of the library calls a test wants to
// see in order.
#pragma once

#include "SqlTestSupport.h"

#include "asa/dataset/TnxAsaDS.h"

#include <string>
#include <vector>

namespace asatest {

// The dataset with its record buffers and field transfer open to tests.
class TTestDataset : public tnx::TAsaDataset {
    VCL_CLASS(TTestDataset, tnx::TAsaDataset)
public:
    explicit TTestDataset(vcl::TComponent* owner) : tnx::TAsaDataset(owner) {}
    using tnx::TAsaDataset::ActiveBuffer;
    using tnx::TAsaDataset::FieldToRecBuf;
    using tnx::TAsaDataset::GetActiveRecBuf;
    using tnx::TAsaDataset::GetRecordSize;
    using tnx::TAsaDataset::RecBufToField;

protected:
    ~TTestDataset() override = default;
};

class DatasetTest : public SqlTest {
protected:
    // A dataset on the session with the text as its SQL (not opened).
    vcl::TOwned<TTestDataset> NewDataset(const std::string& sql, bool readOnly = true);
    // The recorded calls reduced to their names ("dbpp_open"), in order, for the prefixes.
    std::vector<std::string> RecordedNames(const std::vector<std::string>& prefixes = {"dbpp_"});
    // The values of one field over the whole dataset, from the first record on.
    static std::vector<std::string> Column(tnx::TAsaDataset& ds, const char* field);
};

} // namespace asatest
