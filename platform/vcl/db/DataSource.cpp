// TDataSource: forwards a dataset's notifications to data links (DataSource.h).
#include "platform/vcl/db/DataSource.h"

#include "platform/vcl/TypInfo.h"
#include "platform/vcl/db/DBConsts.h"
#include "platform/vcl/db/DataLink.h"
#include "platform/vcl/db/DataSet.h"

#include <algorithm>

namespace vcl {

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() = default;

void TDataSource::Destroy() {
    Destroying();
    FOnStateChange = nullptr;
    SetDataSet(nullptr);
    while (!FDataLinks.empty())
        RemoveDataLink(FDataLinks.back());
    inherited::Destroy();
}

void TDataSource::SetDataSet(TDataSet* value) {
    if (value == FDataSet) return;
    if (value != nullptr && IsLinkedTo(value)) DatabaseError(SCircularDataLink, this);
    if (FDataSet != nullptr) FDataSet->RemoveDataSource(this);
    FDataSet = value;
    if (FDataSet != nullptr) FDataSet->AddDataSource(this);
    UpdateState();
}

void TDataSource::SetEnabled(bool value) {
    if (value == FEnabled) return;
    FEnabled = value;
    UpdateState();
}

void TDataSource::Edit() {
    if (FAutoEdit && FDataSet != nullptr && FDataSet->GetState() == dsBrowse) FDataSet->Edit();
}

bool TDataSource::IsLinkedTo(TDataSet* dataSet) {
    int guard = 0;
    while (dataSet != nullptr && guard++ < 1000) {
        TDataSource* source = dataSet->GetDataSource();
        if (source == nullptr) return false;
        if (source == this) return true;
        dataSet = source->GetDataSet();
    }
    return false;
}

void TDataSource::AddDataLink(TDataLink* link) {
    FDataLinks.push_back(link);
    link->FDataSource = this;
    if (FDataSet != nullptr) FDataSet->UpdateBufferCount();
    link->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* link) {
    link->FDataSource = nullptr;
    auto it = std::find(FDataLinks.begin(), FDataLinks.end(), link);
    if (it != FDataLinks.end()) FDataLinks.erase(it);
    link->UpdateState();
    if (FDataSet != nullptr && !FDataSet->GetComponentState().Contains(csDestroying)) FDataSet->UpdateBufferCount();
}

void TDataSource::NotifyDataLinks(TDataEvent event, std::intptr_t info) {
    // A link may leave while it is told: walk by index, and step back when the one just told is
    // gone. (No copy of the list: events are sent on every scroll.)
    for (std::size_t i = 0; i < FDataLinks.size(); ++i) {
        TDataLink* link = FDataLinks[i];
        link->DataEvent(event, info);
        if (i >= FDataLinks.size() || FDataLinks[i] != link) --i;
    }
}

void TDataSource::DataEvent(TDataEvent event, std::intptr_t info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (FState == dsInactive) return;
    NotifyDataLinks(event, info);
    switch (event) {
    case deFieldChange:
        if (FOnDataChange) FOnDataChange(this, reinterpret_cast<TField*>(info));
        break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (FOnDataChange) FOnDataChange(this, nullptr);
        break;
    case deUpdateRecord:
        if (FOnUpdateData) FOnUpdateData(this);
        break;
    default:
        break;
    }
}

void TDataSource::UpdateState() {
    SetState(FEnabled && FDataSet != nullptr ? FDataSet->GetState() : dsInactive);
}

void TDataSource::SetState(TDataSetState value) {
    if (value == FState) return;
    const TDataSetState prior = FState;
    FState = value;
    NotifyDataLinks(deUpdateState, 0);
    if (GetComponentState().Contains(csDestroying)) return;
    if (FOnStateChange) FOnStateChange(this);
    if (prior == dsInactive && FOnDataChange) FOnDataChange(this, nullptr);
}

VCL_CLASS_INFO(TDataSource, [](TPublisher<TDataSource>& p) {
    p.Property("AutoEdit", &TDataSource::GetAutoEdit, &TDataSource::SetAutoEdit).Default(true);
    p.Property("DataSet", &TDataSource::GetDataSet, &TDataSource::SetDataSet);
    p.Property("Enabled", &TDataSource::GetEnabled, &TDataSource::SetEnabled).Default(true);
    p.Property("OnDataChange", &TDataSource::FOnDataChange);
    p.Property("OnStateChange", &TDataSource::FOnStateChange);
    p.Property("OnUpdateData", &TDataSource::FOnUpdateData);
})

} // namespace vcl
