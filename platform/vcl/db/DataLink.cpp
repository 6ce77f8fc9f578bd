// TDataLink: a view's window on a dataset and the notifications it receives (DataLink.h).
#include "platform/vcl/db/DataLink.h"

#include "platform/vcl/TypInfo.h"
#include "platform/vcl/db/DataSet.h"
#include "platform/vcl/db/DataSource.h"

#include <algorithm>

namespace vcl {

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() = default;

void TDataLink::Destroy() {
    SetDataSource(nullptr);
    inherited::Destroy();
}

void TDataLink::SetDataSource(TDataSource* value) {
    if (value == FDataSource) return;
    if (FDataSource != nullptr) FDataSource->RemoveDataLink(this);
    if (value != nullptr) value->AddDataLink(this);
}

TDataSet* TDataLink::GetDataSet() const {
    return FDataSource != nullptr ? FDataSource->GetDataSet() : nullptr;
}

int TDataLink::GetActiveRecord() const {
    TDataSet* dataSet = GetDataSet();
    if (!FActive || dataSet == nullptr || FDataSource->GetState() == dsSetKey) return 0;
    return dataSet->FActiveRecord - FFirstRecord;
}

void TDataLink::SetActiveRecord(int value) {
    TDataSet* dataSet = GetDataSet();
    if (!FActive || dataSet == nullptr || FDataSource->GetState() == dsSetKey) return;
    const int index = value + FFirstRecord;
    if (index >= 0 && index < std::max(dataSet->FRecordCount, 1)) dataSet->SetActiveRecordIndex(index);
}

int TDataLink::GetRecordCount() const {
    TDataSet* dataSet = GetDataSet();
    if (!FActive || dataSet == nullptr) return 0;
    if (FDataSource->GetState() == dsSetKey) return 1;
    return std::clamp(dataSet->FRecordCount - FFirstRecord, 0, FBufferCount);
}

void TDataLink::SetBufferCount(int value) {
    value = std::max(value, 1);
    if (value == FBufferCount) return;
    FBufferCount = value;
    TDataSet* dataSet = GetDataSet();
    if (dataSet != nullptr) dataSet->UpdateBufferCount();
    if (FActive) UpdateRange();
}

void TDataLink::SetReadOnly(bool value) {
    if (value == FReadOnly) return;
    FReadOnly = value;
    UpdateState();
}

bool TDataLink::Edit() {
    if (!FReadOnly && FDataSource != nullptr) FDataSource->Edit();
    return FEditing;
}

void TDataLink::UpdateRecord() {
    FUpdating = true;
    try {
        UpdateData();
    } catch (...) {
        FUpdating = false;
        throw;
    }
    FUpdating = false;
}

void TDataLink::UpdateState() {
    SetActive(FDataSource != nullptr && FDataSource->GetState() != dsInactive);
    SetEditing(FDataSource != nullptr && !FReadOnly &&
               (FDataSource->GetState() == dsEdit || FDataSource->GetState() == dsInsert ||
                FDataSource->GetState() == dsSetKey));
}

void TDataLink::SetActive(bool value) {
    if (value == FActive) return;
    FActive = value;
    if (value) {
        UpdateRange();
    } else {
        FFirstRecord = 0;
    }
    ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
    if (value == FEditing) return;
    FEditing = value;
    EditingChanged();
}

void TDataLink::UpdateRange() {
    TDataSet* dataSet = GetDataSet();
    if (dataSet == nullptr) return;
    const int active = dataSet->FActiveRecord;
    const int lowest = std::max(0, active - FBufferCount + 1);
    const int highest = std::max(lowest, std::min(active, std::max(0, dataSet->FRecordCount - FBufferCount)));
    FFirstRecord = std::clamp(FFirstRecord, lowest, highest);
}

void TDataLink::DataEvent(TDataEvent event, std::intptr_t info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!FActive) return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!FUpdating) RecordChanged(reinterpret_cast<TField*>(info));
        break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
        int moved = 0;
        if (FDataSource->GetState() != dsSetKey) {
            // The buffers shifted by info for a scroll: the window first follows its records, then
            // is pulled back around the active record; what remains is how far the view moved.
            const int shift = event == deDataSetScroll ? static_cast<int>(info) : 0;
            const int old = FFirstRecord;
            FFirstRecord += shift;
            UpdateRange();
            moved = FFirstRecord - (old + shift);
        }
        if (event == deDataSetScroll) {
            DataSetScrolled(moved);
        } else if (event == deLayoutChange) {
            LayoutChanged();
        } else {
            DataSetChanged();
        }
        break;
    }
    case deUpdateRecord:
        UpdateRecord();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    case deFocusControl:
        FocusControl(reinterpret_cast<TField*>(info));
        break;
    default:
        break;
    }
}

void TDataLink::DataSetChanged() {
    RecordChanged(nullptr);
}

void TDataLink::DataSetScrolled(int) {
    DataSetChanged();
}

void TDataLink::LayoutChanged() {
    DataSetChanged();
}

void TDataLink::RecordChanged(TField*) {}

void TDataLink::FocusControl(TField*) {}

VCL_CLASS_INFO(TDataLink)

} // namespace vcl
