// Helpers of the dataset machinery's tests: an in-memory dataset that counts its fetches and can
// be told to fail, a data link that records its notifications, and a recorder of dataset events.
#pragma once

#include "platform/vcl/db/DB.h"

#include <functional>
#include <string>
#include <vector>

namespace tnxtest {

// TMemDataSet with fetch counters and injectable failures of the editing steps.
class TProbeDataSet : public vcl::TMemDataSet {
    VCL_CLASS(TProbeDataSet, vcl::TMemDataSet)
public:
    explicit TProbeDataSet(vcl::TComponent* owner);

    int NextFetches = 0;  // GetRecord calls with gmNext
    int PriorFetches = 0; // ... with gmPrior
    // Each failing step raises EDatabaseError this many times before it succeeds.
    int FailEdit = 0, FailPost = 0, FailDelete = 0;
    int EditCalls = 0, PostCalls = 0, DeleteCalls = 0;

    // Exposes the ring for assertions.
    int WindowSize() const { return GetBufferCount(); }
    int WindowRecords() const { return GetBufferedRecordCount(); }
    int WindowActive() const { return GetActiveRecord(); }
    void ResetCounters() { NextFetches = PriorFetches = EditCalls = PostCalls = DeleteCalls = 0; }

protected:
    ~TProbeDataSet() override;
    vcl::TGetResult GetRecord(vcl::TRecordBuffer buffer, vcl::TGetMode mode, bool doCheck) override;
    void InternalEdit() override;
    void InternalPost() override;
    void InternalDelete() override;
};

// Records every notification a data link receives, as text ("ActiveChanged", "Scrolled 1", ...).
class TRecordingLink : public vcl::TDataLink {
    VCL_CLASS(TRecordingLink, vcl::TDataLink)
public:
    TRecordingLink() = default;
    std::vector<std::string> Log;
    // What the link's window showed at its last notification: the "ID" values of its rows.
    std::vector<int> Shown;

protected:
    ~TRecordingLink() override;
    void ActiveChanged() override;
    void CheckBrowseMode() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void RecordChanged(vcl::TField* field) override;
    void UpdateData() override;

private:
    void Snapshot();
};

// A dataset with an integer "ID" (1..rows) and a string "NAME" ("row<ID>"), open.
vcl::TOwned<TProbeDataSet> MakeNumbered(int rows);
// Adds the two definitions to a closed dataset.
void DefineNumbered(vcl::TMemDataSet* dataSet);

// Hooks every dataset event and appends its name to log.
void RecordEvents(vcl::TDataSet* dataSet, std::vector<std::string>& log);

// The "ID" values from the active record to the end, moving the cursor.
std::vector<int> RemainingIds(vcl::TDataSet* dataSet);

} // namespace tnxtest
