// Editing through the dataset: posts, inserts and deletes through the cursor followed by one re-run
// of the query that returns to the record number (from the nearer end), a failed post that keeps
// the edit, a cancel that shows the row as fetched, and the row-changed check against a change made
// through a second session, with its retry rule.
#include "DatasetTestSupport.h"

#include <algorithm>

using namespace tnx;
using namespace asatest;
using vcl::Variant;

namespace {

class DatasetEdit : public DatasetTest {
protected:
    int Count(const std::vector<std::string>& lines, const std::string& prefix) {
        return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.compare(0, prefix.size(), prefix) == 0;
        }));
    }
    // Whether a fetch after the re-run's open went to the end of the result first (an absolute
    // fetch from the end).
    bool WentToTheEnd() {
        const std::vector<std::string> lines = Recorded({"dbpp_open", "dbpp_fetch"});
        auto open = std::find_if(lines.begin(), lines.end(),
                                 [](const std::string& l) { return l.rfind("dbpp_open", 0) == 0; });
        return std::any_of(open, lines.end(),
                           [](const std::string& l) { return l.find(", 1, -") != std::string::npos; });
    }
};

} // namespace

TEST_P(DatasetEdit, APostSendsTheChangeAndRerunsTheQueryOnceFromTheNearerEnd) {
    MakeRows(100);
    auto ds = NewDataset("select n, s from t order by n", false);
    ds->Open();
    ds->MoveBy(9);
    Record();
    ds->Edit();
    ds->FieldByName("S")->SetAsString("changed 9");
    ds->Post();
    std::vector<std::string> calls = Recorded({"dbpp_update", "dbpp_close", "dbpp_open", "dbpp_prepare"});
    ASSERT_EQ(calls.size(), 3u) << testing::PrintToString(calls);
    EXPECT_EQ(calls[0].substr(0, 11), "dbpp_update");
    EXPECT_EQ(calls[1].substr(0, 10), "dbpp_close");
    EXPECT_EQ(calls[2].substr(0, 9), "dbpp_open") << "one re-run, without preparing again";
    EXPECT_FALSE(WentToTheEnd()) << "row 9 of 100 is reached from the start";
    EXPECT_EQ(ds->GetState(), vcl::dsBrowse);
    EXPECT_EQ(ds->GetRecNo(), 10);
    EXPECT_EQ(ds->FieldByName("S")->GetAsString(), "changed 9");
    EXPECT_EQ(QueryInt(S(), "select count(*) from t where s = 'changed 9' and n = 9"), 1);

    ds->MoveBy(80);
    Record();
    ds->Edit();
    ds->FieldByName("S")->SetAsString("changed 89");
    ds->Post();
    EXPECT_TRUE(WentToTheEnd()) << "row 89 of 100 is reached from the end";
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 89);
    ds->Next();
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 90) << "the cursor goes on from the record";

    // An unchanged post sends nothing but still re-runs.
    Record();
    ds->Edit();
    ds->FieldByName("S")->SetAsString("row 90");
    ds->Post();
    EXPECT_EQ(Count(Recorded(), "dbpp_update"), 0);
    EXPECT_EQ(Count(Recorded(), "dbpp_open"), 1);
}

TEST_P(DatasetEdit, InsertsAppendsAndDeletesReachTheTableAndTheRecordCount) {
    MakeRows(5);
    auto ds = NewDataset("select n, s from t order by n", false);
    ds->Open();
    ds->Append();
    ds->FieldByName("N")->SetAsInteger(10);
    ds->FieldByName("S")->SetAsString("appended");
    ds->Post();
    EXPECT_EQ(ds->GetRecordCount(), 6);
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 10) << "an append ends on the last record";
    ds->First();
    ds->Insert();
    ds->FieldByName("N")->SetAsInteger(-1);
    ds->Post();
    EXPECT_EQ(QueryInt(S(), "select count(*) from t where n = -1 and s is null"), 1);
    EXPECT_EQ(ds->GetRecordCount(), 7);
    ds->InsertRecord({Variant(20), Variant("by values")});
    EXPECT_EQ(QueryInt(S(), "select count(*) from t where n = 20"), 1);

    ASSERT_TRUE(ds->Locate("N", Variant(3), {}));
    Record();
    ds->Delete();
    EXPECT_EQ(Count(Recorded(), "dbpp_delete"), 1);
    EXPECT_EQ(Count(Recorded(), "dbpp_open"), 1);
    EXPECT_EQ(QueryInt(S(), "select count(*) from t where n = 3"), 0);
    EXPECT_EQ(ds->GetRecordCount(), 7);
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 4) << "the record after the deleted one";
    EXPECT_EQ(Column(*ds, "N"), (std::vector<std::string>{"-1", "0", "1", "2", "4", "10", "20"}));
}

TEST_P(DatasetEdit, AFailedPostKeepsTheEditAndACancelShowsTheRowAsFetched) {
    MakeRows(3);
    auto ds = NewDataset("select n, s from t order by n", false);
    ds->Open();
    int postErrors = 0;
    std::string reported;
    ds->SetOnPostError([&](vcl::TDataSet*, vcl::EDatabaseError& e, vcl::TDataAction& action) {
        ++postErrors;
        reported = e.Message();
        action = vcl::daFail;
    });
    ds->Edit();
    ds->FieldByName("N")->SetAsInteger(2); // the key of another row
    ds->FieldByName("S")->SetAsString("edited");
    Record();
    try {
        ds->Post();
        FAIL() << "a duplicate key was posted";
    } catch (const ECorvexDatasetError& e) {
        EXPECT_LT(e.ErrorCode(), 0);
    }
    EXPECT_EQ(postErrors, 1);
    EXPECT_FALSE(reported.empty());
    EXPECT_EQ(ds->GetState(), vcl::dsEdit);
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 2);
    EXPECT_EQ(ds->FieldByName("S")->GetAsString(), "edited");
    EXPECT_EQ(Count(Recorded(), "dbpp_open"), 0) << "a failed post re-runs nothing";

    // Corrected, the same edit posts.
    ds->FieldByName("N")->SetAsInteger(7);
    ds->Post();
    EXPECT_EQ(QueryInt(S(), "select count(*) from t where n = 7 and s = 'edited'"), 1);

    // A failed post, then a cancel: the record shows the row as stored, not the rejected values.
    ASSERT_TRUE(ds->Locate("N", Variant(1), {}));
    ds->Edit();
    ds->FieldByName("N")->SetAsInteger(2);
    EXPECT_THROW(ds->Post(), ECorvexDatasetError);
    ds->Cancel();
    EXPECT_EQ(ds->GetState(), vcl::dsBrowse);
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 1);
    EXPECT_EQ(ds->FieldByName("S")->GetAsString(), "row 1");
    ds->Next();
    ds->Prior();
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 1);
}

TEST_P(DatasetEdit, AnEditOfARowAnotherSessionChangedFailsOnceAndARetryProceeds) {
    MakeRows(3);
    auto ds = NewDataset("select n, s from t order by n", false);
    ds->Open();
    EXPECT_EQ(ds->FieldByName("S")->GetAsString(), "row 0");

    auto other = Another();
    other->SetConnected(true);
    auto theirs = vcl::New<TAsaDataset>();
    theirs->SetSession(other.get());
    theirs->SetReadOnly(false);
    theirs->GetSQL()->SetText("select n, s from t order by n");
    theirs->Open();
    theirs->Edit();
    theirs->FieldByName("S")->SetAsString("theirs");
    theirs->Post();
    other->Commit();

    // The cursor reads the row as it is now; the record still shows it as it was.
    ds->GetCursor()->Close();
    ASSERT_TRUE(ds->GetCursor()->OpenWritePrepared());
    EXPECT_EQ(ds->FieldByName("S")->GetAsString(), "row 0");
    try {
        ds->Edit();
        FAIL() << "edited a record another user changed";
    } catch (const vcl::EDatabaseError& e) {
        EXPECT_NE(std::string(e.Message())
                      .find("Couldn't perform the edit because another user changed the record"),
                  std::string::npos);
    }
    EXPECT_EQ(ds->GetState(), vcl::dsBrowse);
    EXPECT_TRUE(ds->GetEditChecked());
    // A new Edit checks again.
    EXPECT_THROW(ds->Edit(), vcl::EDatabaseError);

    // A retry asked for by OnEditError runs the same edit again, without the check.
    int editErrors = 0;
    ds->SetOnEditError([&](vcl::TDataSet*, vcl::EDatabaseError&, vcl::TDataAction& action) {
        ++editErrors;
        action = vcl::daRetry;
    });
    ds->Edit();
    EXPECT_EQ(editErrors, 1);
    EXPECT_EQ(ds->GetState(), vcl::dsEdit);
    ds->Cancel();

    // Once refreshed, the record matches and the edit goes through.
    ds->SetOnEditError(nullptr);
    ds->Refresh();
    EXPECT_EQ(ds->FieldByName("S")->GetAsString(), "theirs");
    ds->Edit();
    ds->FieldByName("S")->SetAsString("mine");
    ds->Post();
    EXPECT_EQ(QueryInt(S(), "select count(*) from t where s = 'mine'"), 1);
}

INSTANTIATE_TEST_SUITE_P(Generations, DatasetEdit, ::testing::ValuesIn(CurrentGenerations()), GenerationName);
