// TAsaDataLink: how a detail TAsaDataset follows its master data source. When the master opens or
// closes, or moves to another record (or changes as a whole), the detail re-opens with the
// master's current values (RefreshParams); before the master leaves its record, a pending edit
// of the detail is posted or cancelled. Changes of single master fields do not re-open the detail.
#pragma once

#include "platform/vcl/db/DataLink.h"

namespace tnx {

class TAsaDataset;

class TAsaDataLink : public vcl::TDataLink {
    VCL_CLASS(TAsaDataLink, vcl::TDataLink)
public:
    // The link of dataset (which owns it).
    explicit TAsaDataLink(TAsaDataset* dataset);
    TAsaDataset* GetDataset() const { return FDataset; }

protected:
    ~TAsaDataLink() override;
    void ActiveChanged() override;
    void CheckBrowseMode() override;
    void RecordChanged(vcl::TField* field) override;

private:
    TAsaDataset* FDataset; // not owned
};

} // namespace tnx
