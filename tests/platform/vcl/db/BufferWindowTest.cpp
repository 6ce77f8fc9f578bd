// The record-buffer ring under data links: the window follows the largest link, moving inside it
// fetches nothing, moving past its edges fetches one record per step, and Resync refills it.
#include "support/DbTestSupport.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace vcl;
using namespace tnxtest;

namespace {

std::vector<int> Range(int first, int last) {
    std::vector<int> v(static_cast<std::size_t>(last - first + 1));
    std::iota(v.begin(), v.end(), first);
    return v;
}

struct Window {
    TOwned<TProbeDataSet> DataSet;
    TOwned<TDataSource> Source = New<TDataSource>();
    TOwned<TRecordingLink> Link = New<TRecordingLink>();

    Window(int rows, int bufferCount) : DataSet(MakeNumbered(rows)) {
        Link->SetBufferCount(bufferCount);
        Link->SetDataSource(Source.get());
        Source->SetDataSet(DataSet.get());
        DataSet->First();
        DataSet->ResetCounters();
        Link->Log.clear();
    }
};

class BufferWindow : public ::testing::TestWithParam<int> {};

TEST_P(BufferWindow, ScrollsForwardAndBackPastItsEdges) {
    const int n = GetParam();
    Window w(100, n);
    EXPECT_EQ(w.DataSet->WindowSize(), n);
    EXPECT_EQ(w.Link->GetRecordCount(), n);
    EXPECT_EQ(w.Link->Shown, Range(1, n));

    // Inside the window: no fetch, the view does not move.
    for (int i = 1; i < n; ++i)
        w.DataSet->Next();
    EXPECT_EQ(w.DataSet->NextFetches, 0);
    EXPECT_EQ(w.Link->GetActiveRecord(), n - 1);
    EXPECT_EQ(w.Link->Shown, Range(1, n));

    // Past the edge: one fetch per step, the view moves by one.
    w.Link->Log.clear();
    w.DataSet->Next();
    EXPECT_EQ(w.DataSet->NextFetches, 1);
    EXPECT_EQ(w.Link->Log, (std::vector<std::string>{"CheckBrowseMode", "Scrolled 1"}));
    EXPECT_EQ(w.Link->Shown, Range(2, n + 1));
    EXPECT_EQ(w.Link->GetActiveRecord(), n - 1);

    // To the end: each record fetched once, plus the fetch that finds the end.
    while (!w.DataSet->GetEof())
        w.DataSet->Next();
    EXPECT_EQ(w.DataSet->NextFetches, 101 - n);
    EXPECT_EQ(w.DataSet->FieldByName("ID")->GetAsInteger(), 100);
    EXPECT_EQ(w.Link->Shown, Range(101 - n, 100));
    EXPECT_EQ(w.DataSet->WindowRecords(), n);

    // And back to the start.
    w.DataSet->ResetCounters();
    while (!w.DataSet->GetBof())
        w.DataSet->Prior();
    EXPECT_EQ(w.DataSet->PriorFetches, 101 - n);
    EXPECT_EQ(w.DataSet->NextFetches, 0);
    EXPECT_EQ(w.DataSet->FieldByName("ID")->GetAsInteger(), 1);
    EXPECT_EQ(w.Link->Shown, Range(1, n));
    EXPECT_EQ(w.Link->GetActiveRecord(), 0);
}

INSTANTIATE_TEST_SUITE_P(LinkSizes, BufferWindow, ::testing::Values(1, 10, 50));

TEST(BufferWindowMoves, OneLongMoveSendsOneScrollWithTheDistance) {
    Window w(100, 50);
    EXPECT_EQ(w.DataSet->MoveBy(60), 60);
    EXPECT_EQ(w.Link->Log, (std::vector<std::string>{"CheckBrowseMode", "Scrolled 11"}));
    EXPECT_EQ(w.Link->Shown, Range(12, 61));
    EXPECT_EQ(w.DataSet->NextFetches, 11);
    EXPECT_EQ(w.DataSet->MoveBy(-1000), -60);
    EXPECT_TRUE(w.DataSet->GetBof());
    EXPECT_EQ(w.DataSet->FieldByName("ID")->GetAsInteger(), 1);
}

TEST(BufferWindowMoves, DataSetsSmallerThanTheWindowKeepEveryRecord) {
    Window w(3, 10);
    EXPECT_EQ(w.DataSet->WindowRecords(), 3);
    EXPECT_EQ(w.Link->GetRecordCount(), 3);
    w.DataSet->Last();
    EXPECT_EQ(w.Link->GetActiveRecord(), 2);
    EXPECT_EQ(w.Link->Shown, Range(1, 3));
    w.DataSet->Next();
    EXPECT_TRUE(w.DataSet->GetEof());
    EXPECT_EQ(w.DataSet->FieldByName("ID")->GetAsInteger(), 3);
}

TEST(BufferWindowMoves, TheLargestLinkSetsTheWindowAndSmallOnesFollowTheActiveRecord) {
    Window w(100, 10);
    auto small = New<TRecordingLink>();
    small->SetBufferCount(3);
    small->SetDataSource(w.Source.get());
    EXPECT_EQ(w.DataSet->WindowSize(), 10);
    w.DataSet->MoveBy(6);
    EXPECT_EQ(w.DataSet->NextFetches, 0);
    EXPECT_EQ(small->Shown, Range(5, 7));
    EXPECT_EQ(small->GetActiveRecord(), 2);
    EXPECT_EQ(w.Link->Shown, Range(1, 10));

    // Growing a link grows the window around the active record; shrinking keeps the active one.
    small->SetBufferCount(30);
    EXPECT_EQ(w.DataSet->WindowSize(), 30);
    EXPECT_EQ(w.DataSet->FieldByName("ID")->GetAsInteger(), 7);
    EXPECT_EQ(w.DataSet->WindowRecords(), 30);
    small->SetBufferCount(2);
    w.Link->SetDataSource(nullptr);
    EXPECT_EQ(w.DataSet->WindowSize(), 2);
    EXPECT_EQ(w.DataSet->FieldByName("ID")->GetAsInteger(), 7);
    w.DataSet->Next();
    EXPECT_EQ(w.DataSet->FieldByName("ID")->GetAsInteger(), 8);
}

TEST(BufferWindowMoves, LinksPaintOtherRowsWithoutMovingTheCursor) {
    Window w(20, 5);
    TField* id = w.DataSet->FieldByName("ID");
    w.Link->SetActiveRecord(3);
    EXPECT_EQ(id->GetAsInteger(), 4);
    w.Link->SetActiveRecord(0);
    EXPECT_EQ(w.DataSet->NextFetches + w.DataSet->PriorFetches, 0);
    w.DataSet->Next();
    EXPECT_EQ(id->GetAsInteger(), 2);
}

TEST(BufferWindowResync, CenterPutsTheRecordInTheMiddleAndPlainKeepsItsPlace) {
    Window w(100, 10);
    w.DataSet->MoveBy(29); // record 30 at the bottom of the window
    EXPECT_EQ(w.DataSet->WindowActive(), 9);
    // Resync refills around the cursor, which the caller puts on the record first.
    w.DataSet->UpdateCursorPos();
    w.DataSet->Resync({});
    EXPECT_EQ(w.DataSet->WindowActive(), 9);
    EXPECT_EQ(w.Link->Shown, Range(21, 30));
    w.DataSet->UpdateCursorPos();
    w.DataSet->Resync({rmCenter});
    EXPECT_EQ(w.DataSet->WindowActive(), 4);
    EXPECT_EQ(w.Link->Shown, Range(26, 35));
    EXPECT_EQ(w.DataSet->FieldByName("ID")->GetAsInteger(), 30);

    // GotoBookmark centres the record it goes to.
    w.DataSet->First();
    TBookmark first = w.DataSet->GetBookmark();
    w.DataSet->Last();
    w.DataSet->GotoBookmark(first);
    EXPECT_EQ(w.DataSet->FieldByName("ID")->GetAsInteger(), 1);
    EXPECT_EQ(w.Link->Shown, Range(1, 10));
}

// Removes the cursor's row behind the framework's back, as another user's delete would.
class TVanishingDataSet : public TProbeDataSet {
    VCL_CLASS(TVanishingDataSet, TProbeDataSet)
public:
    using TProbeDataSet::TProbeDataSet;
    void VanishCurrent() {
        UpdateCursorPos();
        TMemDataSet::InternalDelete();
    }

protected:
    ~TVanishingDataSet() override = default;
};

TEST(BufferWindowResync, ExactFailsForAVanishedRecordWhereInexactRecovers) {
    auto dataSet = New<TVanishingDataSet>();
    DefineNumbered(dataSet.get());
    dataSet->Open();
    for (int i = 1; i <= 5; ++i)
        dataSet->AppendRecord({i, "r"});
    dataSet->Last();
    dataSet->VanishCurrent();
    EXPECT_THROW(dataSet->Resync({rmExact}), EDatabaseError);
    dataSet->Resync({});
    EXPECT_EQ(dataSet->FieldByName("ID")->GetAsInteger(), 4);
    EXPECT_EQ(dataSet->GetRecordCount(), 4);
}

VCL_CLASS_INFO(TVanishingDataSet)

} // namespace
