// TAsaDataLink: the detail side of a master-detail link (see AsaDataLink.h).
#include "asa/dataset/AsaDataLink.h"

#include "asa/dataset/AsaDataset.h"
#include "platform/vcl/TypInfo.h"

namespace tnx {

VCL_CLASS_INFO(TAsaDataLink)

TAsaDataLink::TAsaDataLink(TAsaDataset* dataset) : FDataset(dataset) {}

TAsaDataLink::~TAsaDataLink() = default;

void TAsaDataLink::ActiveChanged() {
    if (FDataset->GetActive()) FDataset->RefreshParams();
}

void TAsaDataLink::CheckBrowseMode() {
    if (FDataset->GetActive()) FDataset->CheckBrowseMode();
}

void TAsaDataLink::RecordChanged(vcl::TField* field) {
    if (field == nullptr && FDataset->GetActive()) FDataset->RefreshParams();
}

} // namespace tnx
