// The order of a dataset's events and of its links' notifications on open, scroll, edit, post,
// cancel, insert, delete and close, and DisableControls nesting.
#include "support/DbTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vcl;
using namespace tnxtest;

namespace {

using Log = std::vector<std::string>;

struct Linked {
    TOwned<TProbeDataSet> DataSet;
    TOwned<TDataSource> Source = New<TDataSource>();
    TOwned<TRecordingLink> Link = New<TRecordingLink>();

    explicit Linked(int rows) : DataSet(MakeNumbered(rows)) {
        Link->SetDataSource(Source.get());
        Source->SetDataSet(DataSet.get());
        RecordEvents(DataSet.get(), Link->Log);
        Link->Log.clear();
    }
    // The log since the last call.
    Log Take() {
        Log taken;
        taken.swap(Link->Log);
        return taken;
    }
};

TEST(DataSetEvents, OpenScrollAndCloseInOrder) {
    Linked t(5);
    t.DataSet->Close();
    EXPECT_EQ(t.Take(), (Log{"BeforeClose", "ActiveChanged off", "AfterClose"}));
    t.DataSet->Open();
    EXPECT_EQ(t.Take(), (Log{"BeforeOpen", "ActiveChanged on", "AfterOpen", "AfterScroll"}));
    EXPECT_EQ(t.Link->Shown, (std::vector<int>{1}));
    t.DataSet->Next();
    EXPECT_EQ(t.Take(), (Log{"CheckBrowseMode", "BeforeScroll", "Scrolled 1", "AfterScroll"}));
    EXPECT_EQ(t.Link->Shown, (std::vector<int>{2}));
    t.DataSet->Last();
    EXPECT_EQ(t.Take(), (Log{"CheckBrowseMode", "BeforeScroll", "DataSetChanged", "AfterScroll"}));
    // A move that cannot go anywhere fires no dataset event.
    t.DataSet->Next();
    EXPECT_TRUE(t.DataSet->GetEof());
    EXPECT_EQ(t.Take(), Log{"CheckBrowseMode"});
}

TEST(DataSetEvents, OpeningAnEmptyDataSetSkipsAfterScroll) {
    auto dataSet = New<TMemDataSet>();
    DefineNumbered(dataSet.get());
    Log log;
    RecordEvents(dataSet.get(), log);
    dataSet->Open();
    EXPECT_EQ(log, (Log{"BeforeOpen", "AfterOpen"}));
    EXPECT_TRUE(dataSet->IsEmpty());
    EXPECT_TRUE(dataSet->GetBof());
    EXPECT_TRUE(dataSet->GetEof());
}

TEST(DataSetEvents, FailedOpenLeavesTheDataSetClosed) {
    auto dataSet = New<TMemDataSet>(); // no field definitions
    Log log;
    RecordEvents(dataSet.get(), log);
    EXPECT_THROW(dataSet->Open(), EDatabaseError);
    EXPECT_EQ(log, (Log{"BeforeOpen"}));
    EXPECT_FALSE(dataSet->GetActive());
    DefineNumbered(dataSet.get());
    dataSet->Open();
    EXPECT_TRUE(dataSet->GetActive());
}

TEST(DataSetEvents, EditPostCancelInsertDeleteInOrder) {
    Linked t(3);
    t.DataSet->Edit();
    EXPECT_EQ(t.Take(), (Log{"CheckBrowseMode", "BeforeEdit", "Editing on", "RecordChanged", "AfterEdit"}));
    t.DataSet->FieldByName("NAME")->SetAsString("changed");
    EXPECT_EQ(t.Take(), (Log{"RecordChanged NAME"}));
    t.DataSet->Post();
    EXPECT_EQ(t.Take(),
              (Log{"UpdateData", "CheckBrowseMode", "BeforePost", "Editing off", "DataSetChanged", "AfterPost"}));

    t.DataSet->Edit();
    t.Take();
    t.DataSet->Cancel();
    EXPECT_EQ(t.Take(), (Log{"CheckBrowseMode", "BeforeCancel", "Editing off", "DataSetChanged", "AfterCancel"}));

    t.DataSet->Insert();
    EXPECT_EQ(t.Take(), (Log{"CheckBrowseMode", "BeforeInsert", "BeforeScroll", "Editing on", "OnNewRecord",
                             "DataSetChanged", "AfterInsert", "AfterScroll"}));
    t.DataSet->Cancel();
    t.Take();

    t.DataSet->Delete();
    EXPECT_EQ(t.Take(),
              (Log{"CheckBrowseMode", "BeforeDelete", "BeforeScroll", "DataSetChanged", "AfterDelete", "AfterScroll"}));
    EXPECT_EQ(t.DataSet->GetRecordCount(), 2);
    EXPECT_EQ(t.DataSet->FieldByName("NAME")->GetAsString(), "row2");
}

TEST(DataSetEvents, LeavingAModifiedRecordPostsItAndAnUnmodifiedOneCancels) {
    Linked t(3);
    t.DataSet->Edit();
    t.DataSet->FieldByName("NAME")->SetAsString("kept");
    t.Take();
    t.DataSet->Next();
    const Log log = t.Take();
    ASSERT_FALSE(log.empty());
    EXPECT_NE(std::find(log.begin(), log.end(), "AfterPost"), log.end());
    t.DataSet->First();
    EXPECT_EQ(t.DataSet->FieldByName("NAME")->GetAsString(), "kept");

    t.DataSet->Edit();
    t.Take();
    t.DataSet->Next();
    const Log second = t.Take();
    EXPECT_NE(std::find(second.begin(), second.end(), "AfterCancel"), second.end());
    EXPECT_EQ(std::find(second.begin(), second.end(), "BeforePost"), second.end());
}

TEST(DataSetEvents, DisableControlsNestsAndEnableSendsOneNotification) {
    Linked t(20);
    t.DataSet->DisableControls();
    t.DataSet->DisableControls();
    EXPECT_TRUE(t.DataSet->ControlsDisabled());
    t.DataSet->Next();
    t.DataSet->Next();
    t.DataSet->Edit();
    t.DataSet->FieldByName("NAME")->SetAsString("quiet");
    t.DataSet->Post();
    t.DataSet->EnableControls();
    EXPECT_TRUE(t.DataSet->ControlsDisabled());
    // Dataset events still fire; the link heard nothing.
    for (const std::string& entry : t.Take())
        EXPECT_TRUE(entry.rfind("Before", 0) == 0 || entry.rfind("After", 0) == 0) << entry;
    t.DataSet->EnableControls();
    EXPECT_FALSE(t.DataSet->ControlsDisabled());
    EXPECT_EQ(t.Take(), (Log{"DataSetChanged"}));
    EXPECT_EQ(t.Link->Shown, (std::vector<int>{3}));
    // An unbalanced EnableControls does nothing.
    t.DataSet->EnableControls();
    EXPECT_EQ(t.Take(), Log{});
}

TEST(DataSetEvents, StateChangesWhileDisabledAreReportedOnEnable) {
    Linked t(3);
    t.DataSet->DisableControls();
    t.DataSet->Close();
    t.DataSet->EnableControls();
    EXPECT_EQ(t.Take(), (Log{"BeforeClose", "AfterClose", "ActiveChanged off"}));

    t.DataSet->DisableControls();
    t.DataSet->Open();
    t.DataSet->Close();
    t.DataSet->Open();
    t.DataSet->EnableControls();
    const Log log = t.Take();
    EXPECT_EQ(std::count(log.begin(), log.end(), "ActiveChanged on"), 1);
    EXPECT_TRUE(t.Link->GetActive());
}

TEST(DataSetEvents, DataSourceEventsFollowTheDataSet) {
    auto dataSet = MakeNumbered(3);
    auto source = New<TDataSource>();
    Log log;
    source->SetOnStateChange([&](TObject*) { log.push_back("State " + std::to_string(source->GetState())); });
    source->SetOnDataChange([&](TObject*, TField* f) { log.push_back(f ? "Data " + f->GetFieldName() : "Data"); });
    source->SetOnUpdateData([&](TObject*) { log.push_back("Update"); });
    source->SetDataSet(dataSet.get());
    EXPECT_EQ(log, (Log{"State 1", "Data"}));
    log.clear();
    dataSet->Edit();
    dataSet->FieldByName("ID")->SetAsInteger(7);
    dataSet->Post();
    EXPECT_EQ(log, (Log{"State 2", "Data", "Data ID", "Update", "State 1", "Data"}));
    log.clear();
    source->SetEnabled(false);
    EXPECT_EQ(source->GetState(), dsInactive);
    dataSet->Next();
    EXPECT_EQ(log, (Log{"State 0"}));
}

TEST(DataSetEvents, FreeingEitherSideUnhooks) {
    auto dataSet = MakeNumbered(3);
    auto link = New<TRecordingLink>();
    {
        auto source = New<TDataSource>();
        source->SetDataSet(dataSet.get());
        link->SetDataSource(source.get());
        EXPECT_TRUE(link->GetActive());
    }
    EXPECT_EQ(link->GetDataSource(), nullptr);
    EXPECT_FALSE(link->GetActive());

    auto source = New<TDataSource>();
    link->SetDataSource(source.get());
    {
        auto other = MakeNumbered(2);
        source->SetDataSet(other.get());
        EXPECT_TRUE(link->GetActive());
    }
    EXPECT_EQ(source->GetDataSet(), nullptr);
    EXPECT_FALSE(link->GetActive());
    dataSet->Next(); // no dangling source left behind
}

// A dataset that follows a master data source, as a detail dataset does.
class TDetailDataSet : public TMemDataSet {
    VCL_CLASS(TDetailDataSet, TMemDataSet)
public:
    using TMemDataSet::TMemDataSet;
    TDataSource* Master = nullptr;
    TDataSource* GetDataSource() override { return Master; }

protected:
    ~TDetailDataSet() override = default;
};

VCL_CLASS_INFO(TDetailDataSet)

TEST(DataLinks, CircularMasterChainsAreRefused) {
    auto a = New<TDetailDataSet>();
    auto b = New<TDetailDataSet>();
    auto sourceA = New<TDataSource>();
    auto sourceB = New<TDataSource>();
    sourceA->SetDataSet(a.get());
    b->Master = sourceA.get(); // b is a detail of a
    sourceB->SetDataSet(b.get());
    EXPECT_TRUE(a->IsLinkedTo(sourceB.get())); // a as a detail of b would close the circle
    EXPECT_TRUE(b->IsLinkedTo(sourceB.get()));   // the source shows b itself
    EXPECT_FALSE(b->IsLinkedTo(sourceA.get())); // a, shown there, follows no master
    EXPECT_FALSE(a->IsLinkedTo(nullptr));

    auto sourceC = New<TDataSource>();
    a->Master = sourceC.get(); // a follows C ...
    try {
        sourceC->SetDataSet(a.get()); // ... and C would show a
        FAIL() << "accepted";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Circular data links are not allowed");
    }
    EXPECT_EQ(sourceC->GetDataSet(), nullptr);
}

TEST(DataLinks, EditThroughALinkFollowsAutoEditAndReadOnly) {
    auto dataSet = MakeNumbered(2);
    auto source = New<TDataSource>();
    auto link = New<TRecordingLink>();
    source->SetDataSet(dataSet.get());
    link->SetDataSource(source.get());
    link->SetReadOnly(true);
    EXPECT_FALSE(link->Edit());
    EXPECT_EQ(dataSet->GetState(), dsBrowse);
    link->SetReadOnly(false);
    source->SetAutoEdit(false);
    EXPECT_FALSE(link->Edit());
    source->SetAutoEdit(true);
    EXPECT_TRUE(link->Edit());
    EXPECT_EQ(dataSet->GetState(), dsEdit);
    EXPECT_EQ(link->Log.back(), "RecordChanged");
    // A field change reaches the link with the field.
    dataSet->FieldByName("ID")->SetAsInteger(5);
    EXPECT_EQ(link->Log.back(), "RecordChanged ID");
    dataSet->Cancel();
    EXPECT_FALSE(link->GetEditing());
}

} // namespace
