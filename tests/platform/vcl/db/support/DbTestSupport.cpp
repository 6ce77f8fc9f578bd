// Helpers of the dataset machinery's tests (DbTestSupport.h).
#include "support/DbTestSupport.h"

#include "platform/vcl/TypInfo.h"

namespace tnxtest {

using namespace vcl;

TProbeDataSet::TProbeDataSet(TComponent* owner) : TMemDataSet(owner) {}
TProbeDataSet::~TProbeDataSet() = default;

TGetResult TProbeDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) {
    if (mode == gmNext) ++NextFetches;
    if (mode == gmPrior) ++PriorFetches;
    return TMemDataSet::GetRecord(buffer, mode, doCheck);
}

void TProbeDataSet::InternalEdit() {
    ++EditCalls;
    if (FailEdit > 0) {
        --FailEdit;
        throw EDatabaseError("edit refused");
    }
    TMemDataSet::InternalEdit();
}

void TProbeDataSet::InternalPost() {
    ++PostCalls;
    if (FailPost > 0) {
        --FailPost;
        throw EDatabaseError("post refused");
    }
    TMemDataSet::InternalPost();
}

void TProbeDataSet::InternalDelete() {
    ++DeleteCalls;
    if (FailDelete > 0) {
        --FailDelete;
        throw EDatabaseError("delete refused");
    }
    TMemDataSet::InternalDelete();
}

TRecordingLink::~TRecordingLink() = default;

void TRecordingLink::Snapshot() {
    Shown.clear();
    TDataSet* dataSet = GetDataSet();
    if (!GetActive() || dataSet == nullptr) return;
    const int saved = GetActiveRecord();
    for (int i = 0; i < GetRecordCount(); ++i) {
        SetActiveRecord(i);
        Shown.push_back(dataSet->FieldByName("ID")->GetAsInteger());
    }
    SetActiveRecord(saved);
}

void TRecordingLink::ActiveChanged() {
    Log.push_back(GetActive() ? "ActiveChanged on" : "ActiveChanged off");
    Snapshot();
}
void TRecordingLink::CheckBrowseMode() { Log.push_back("CheckBrowseMode"); }
void TRecordingLink::DataSetChanged() {
    Log.push_back("DataSetChanged");
    Snapshot();
}
void TRecordingLink::DataSetScrolled(int distance) {
    Log.push_back("Scrolled " + std::to_string(distance));
    Snapshot();
}
void TRecordingLink::EditingChanged() { Log.push_back(GetEditing() ? "Editing on" : "Editing off"); }
void TRecordingLink::LayoutChanged() { Log.push_back("LayoutChanged"); }
void TRecordingLink::RecordChanged(TField* field) {
    Log.push_back(field ? "RecordChanged " + field->GetFieldName() : "RecordChanged");
}
void TRecordingLink::UpdateData() { Log.push_back("UpdateData"); }

void DefineNumbered(TMemDataSet* dataSet) {
    dataSet->GetFieldDefs()->Add("ID", ftInteger, 0, true);
    dataSet->GetFieldDefs()->Add("NAME", ftString, 20);
}

TOwned<TProbeDataSet> MakeNumbered(int rows) {
    auto dataSet = New<TProbeDataSet>();
    DefineNumbered(dataSet.get());
    dataSet->Open();
    for (int i = 1; i <= rows; ++i)
        dataSet->AppendRecord({i, "row" + std::to_string(i)});
    dataSet->First();
    dataSet->ResetCounters();
    return dataSet;
}

void RecordEvents(TDataSet* dataSet, std::vector<std::string>& log) {
    auto hook = [&log](const char* name) { return [&log, name](TDataSet*) { log.emplace_back(name); }; };
    dataSet->SetBeforeOpen(hook("BeforeOpen"));
    dataSet->SetAfterOpen(hook("AfterOpen"));
    dataSet->SetBeforeClose(hook("BeforeClose"));
    dataSet->SetAfterClose(hook("AfterClose"));
    dataSet->SetBeforeInsert(hook("BeforeInsert"));
    dataSet->SetAfterInsert(hook("AfterInsert"));
    dataSet->SetBeforeEdit(hook("BeforeEdit"));
    dataSet->SetAfterEdit(hook("AfterEdit"));
    dataSet->SetBeforePost(hook("BeforePost"));
    dataSet->SetAfterPost(hook("AfterPost"));
    dataSet->SetBeforeCancel(hook("BeforeCancel"));
    dataSet->SetAfterCancel(hook("AfterCancel"));
    dataSet->SetBeforeDelete(hook("BeforeDelete"));
    dataSet->SetAfterDelete(hook("AfterDelete"));
    dataSet->SetBeforeScroll(hook("BeforeScroll"));
    dataSet->SetAfterScroll(hook("AfterScroll"));
    dataSet->SetOnNewRecord(hook("OnNewRecord"));
}

std::vector<int> RemainingIds(TDataSet* dataSet) {
    std::vector<int> ids;
    TField* id = dataSet->FieldByName("ID");
    while (!dataSet->GetEof()) {
        ids.push_back(id->GetAsInteger());
        dataSet->Next();
    }
    return ids;
}

VCL_CLASS_INFO(TProbeDataSet)
VCL_CLASS_INFO(TRecordingLink)

} // namespace tnxtest
