// Editing through TMemDataSet: writes outside an editing state and to read-only fields, required
// fields, the error-retry loop with each action, inserting and appending where the framework
// says, and bookmarks that survive inserts and deletes.
#include "support/DbTestSupport.h"

#include <gtest/gtest.h>

using namespace vcl;
using namespace tnxtest;

namespace {

std::string MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no error)";
}

TEST(Editing, WritesOutsideAnEditingStateAreRefusedAndChangeNothing) {
    auto dataSet = MakeNumbered(3);
    TField* name = dataSet->FieldByName("NAME");
    EXPECT_THROW(name->SetAsString("x"), EDatabaseError);
    EXPECT_EQ(MessageOf([&] { name->Clear(); }), "Dataset not in edit or insert mode");
    EXPECT_EQ(name->GetAsString(), "row1");
    EXPECT_FALSE(dataSet->GetModified());
}

TEST(Editing, ReadOnlyFieldsRefuseWritesWithTheirDisplayName) {
    auto dataSet = MakeNumbered(3);
    TField* name = dataSet->FieldByName("NAME");
    name->SetReadOnly(true);
    name->SetDisplayLabel("Customer name");
    dataSet->Edit();
    EXPECT_EQ(MessageOf([&] { name->SetAsString("x"); }), "Field 'Customer name' cannot be modified");
    EXPECT_EQ(name->GetAsString(), "row1");
    EXPECT_FALSE(dataSet->GetModified());
    dataSet->FieldByName("ID")->SetAsInteger(10);
    dataSet->Post();
    EXPECT_EQ(dataSet->FieldByName("ID")->GetAsInteger(), 10);
    EXPECT_EQ(name->GetAsString(), "row1");
}

TEST(Editing, ARequiredFieldLeftEmptyFailsThePostAndKeepsTheInsert) {
    auto dataSet = MakeNumbered(2);
    dataSet->Append();
    dataSet->FieldByName("NAME")->SetAsString("new");
    EXPECT_EQ(MessageOf([&] { dataSet->Post(); }), "Field 'ID' must have a value");
    EXPECT_EQ(dataSet->GetState(), dsInsert);
    EXPECT_EQ(dataSet->FieldByName("NAME")->GetAsString(), "new");
    EXPECT_EQ(dataSet->GetRecordCount(), 2);
    dataSet->FieldByName("ID")->SetAsInteger(3);
    dataSet->Post();
    EXPECT_EQ(dataSet->GetRecordCount(), 3);
    dataSet->First();
    EXPECT_EQ(RemainingIds(dataSet.get()), (std::vector<int>{1, 2, 3}));
}

TEST(Editing, ValidateSeesTheNewValueAndMayRefuseIt) {
    auto dataSet = MakeNumbered(2);
    TField* id = dataSet->FieldByName("ID");
    std::vector<int> seen;
    id->SetOnValidate([&](TField* f) {
        seen.push_back(f->GetAsInteger());
        if (f->GetAsInteger() < 0) throw EDatabaseError("negative");
    });
    dataSet->Edit();
    id->SetAsInteger(5);
    EXPECT_THROW(id->SetAsInteger(-1), EDatabaseError);
    EXPECT_EQ(id->GetAsInteger(), 5);
    EXPECT_EQ(seen, (std::vector<int>{5, -1}));
}

TEST(ErrorRetry, FailPassesTheErrorOnAndLeavesTheRecordAsEdited) {
    auto dataSet = MakeNumbered(2);
    int calls = 0;
    dataSet->SetOnPostError([&](TDataSet*, EDatabaseError& e, TDataAction& action) {
        ++calls;
        EXPECT_EQ(e.Message(), "post refused");
        EXPECT_EQ(action, daFail);
    });
    dataSet->Edit();
    dataSet->FieldByName("NAME")->SetAsString("edited");
    dataSet->FailPost = 1;
    EXPECT_EQ(MessageOf([&] { dataSet->Post(); }), "post refused");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(dataSet->GetState(), dsEdit);
    EXPECT_EQ(dataSet->FieldByName("NAME")->GetAsString(), "edited");
    dataSet->Post();
    EXPECT_EQ(dataSet->GetState(), dsBrowse);
    EXPECT_EQ(dataSet->FieldByName("NAME")->GetAsString(), "edited");
}

TEST(ErrorRetry, RetryRunsTheStepAgainUntilItSucceeds) {
    auto dataSet = MakeNumbered(3);
    int calls = 0;
    auto retry = [&](TDataSet*, EDatabaseError&, TDataAction& action) {
        ++calls;
        action = daRetry;
    };
    dataSet->SetOnPostError(retry);
    dataSet->SetOnEditError(retry);
    dataSet->SetOnDeleteError(retry);

    dataSet->FailEdit = 2;
    dataSet->Edit();
    EXPECT_EQ(dataSet->EditCalls, 3);
    EXPECT_EQ(dataSet->GetState(), dsEdit);
    dataSet->FieldByName("NAME")->SetAsString("retried");
    dataSet->FailPost = 2;
    dataSet->Post();
    EXPECT_EQ(dataSet->PostCalls, 3);
    EXPECT_EQ(dataSet->FieldByName("NAME")->GetAsString(), "retried");

    dataSet->FailDelete = 1;
    dataSet->Delete();
    EXPECT_EQ(dataSet->DeleteCalls, 2);
    EXPECT_EQ(dataSet->GetRecordCount(), 2);
    EXPECT_EQ(calls, 5);
}

TEST(ErrorRetry, AbortEndsTheOperationSilently) {
    auto dataSet = MakeNumbered(3);
    auto abort = [](TDataSet*, EDatabaseError&, TDataAction& action) { action = daAbort; };
    dataSet->SetOnEditError(abort);
    dataSet->SetOnPostError(abort);
    dataSet->SetOnDeleteError(abort);

    dataSet->FailEdit = 1;
    EXPECT_THROW(dataSet->Edit(), EAbort);
    EXPECT_EQ(dataSet->GetState(), dsBrowse);

    dataSet->Edit();
    dataSet->FieldByName("NAME")->SetAsString("pending");
    dataSet->FailPost = 1;
    EXPECT_THROW(dataSet->Post(), EAbort);
    EXPECT_EQ(dataSet->GetState(), dsEdit);
    dataSet->Cancel();
    EXPECT_EQ(dataSet->FieldByName("NAME")->GetAsString(), "row1");

    dataSet->FailDelete = 1;
    EXPECT_THROW(dataSet->Delete(), EAbort);
    EXPECT_EQ(dataSet->GetRecordCount(), 3);
}

TEST(ErrorRetry, ErrorsThatAreNotDatabaseErrorsBypassTheEvent) {
    auto dataSet = MakeNumbered(2);
    bool called = false;
    dataSet->SetOnPostError([&](TDataSet*, EDatabaseError&, TDataAction&) { called = true; });
    dataSet->SetBeforePost([](TDataSet*) { throw EConvertError("before post"); });
    dataSet->Edit();
    EXPECT_THROW(dataSet->Post(), EConvertError);
    EXPECT_FALSE(called);
    EXPECT_EQ(dataSet->GetState(), dsEdit);
}

TEST(Editing, InsertGoesBeforeTheCurrentRecordAndAppendAtTheEnd) {
    auto dataSet = MakeNumbered(3);
    dataSet->Next(); // on 2
    dataSet->InsertRecord({10, "ten"});
    EXPECT_EQ(dataSet->FieldByName("ID")->GetAsInteger(), 10);
    dataSet->AppendRecord({20, "twenty"});
    EXPECT_EQ(dataSet->FieldByName("ID")->GetAsInteger(), 20);
    dataSet->First();
    EXPECT_EQ(RemainingIds(dataSet.get()), (std::vector<int>{1, 10, 2, 3, 20}));
    // Cancelling an insert returns to the record it was made on.
    dataSet->First();
    dataSet->Next();
    dataSet->Insert();
    dataSet->Cancel();
    EXPECT_EQ(dataSet->FieldByName("ID")->GetAsInteger(), 10);
    EXPECT_EQ(dataSet->GetRecordCount(), 5);
    // A new record reads NULL until set; OnNewRecord may fill it.
    dataSet->SetOnNewRecord([](TDataSet* ds) { ds->FieldByName("NAME")->SetAsString("default"); });
    dataSet->Append();
    EXPECT_TRUE(dataSet->FieldByName("ID")->GetIsNull());
    EXPECT_EQ(dataSet->FieldByName("NAME")->GetAsString(), "default");
    EXPECT_FALSE(dataSet->GetModified());
    dataSet->Cancel();
}

TEST(Editing, InsertingIntoAnEmptyDataSetAndDeletingTheLastRecord) {
    auto dataSet = MakeNumbered(0);
    EXPECT_THROW(dataSet->Delete(), EDatabaseError);
    dataSet->Edit(); // an empty dataset inserts instead
    EXPECT_EQ(dataSet->GetState(), dsInsert);
    dataSet->FieldByName("ID")->SetAsInteger(1);
    dataSet->Post();
    EXPECT_EQ(dataSet->GetRecordCount(), 1);
    EXPECT_FALSE(dataSet->IsEmpty());
    dataSet->Delete();
    EXPECT_TRUE(dataSet->IsEmpty());
    EXPECT_TRUE(dataSet->GetEof());
    // Deleting the last of several moves to the record before it.
    dataSet->AppendRecord({1, "a"});
    dataSet->AppendRecord({2, "b"});
    dataSet->Last();
    dataSet->Delete();
    EXPECT_EQ(dataSet->FieldByName("ID")->GetAsInteger(), 1);
}

TEST(Bookmarks, SurviveInsertsAndDeletesOfOtherRecords) {
    auto dataSet = MakeNumbered(100);
    dataSet->MoveBy(49);
    const TBookmark fifty = dataSet->GetBookmark();
    ASSERT_FALSE(fifty.Empty());
    dataSet->First();
    const TBookmark one = dataSet->GetBookmark();
    dataSet->MoveBy(9);
    dataSet->InsertRecord({1000, "inserted"});
    dataSet->MoveBy(10);
    dataSet->Delete();
    dataSet->AppendRecord({2000, "appended"});

    dataSet->GotoBookmark(fifty);
    EXPECT_EQ(dataSet->FieldByName("ID")->GetAsInteger(), 50);
    EXPECT_EQ(dataSet->GetRecNo(), 50); // one inserted and one deleted before it
    EXPECT_TRUE(dataSet->BookmarkValid(fifty));
    EXPECT_EQ(dataSet->CompareBookmarks(one, fifty), -1);
    EXPECT_EQ(dataSet->CompareBookmarks(fifty, one), 1);
    EXPECT_EQ(dataSet->CompareBookmarks(fifty, fifty), 0);
    EXPECT_EQ(dataSet->CompareBookmarks(nullptr, fifty), 1);
    EXPECT_EQ(dataSet->CompareBookmarks(fifty, nullptr), -1);
    EXPECT_EQ(dataSet->CompareBookmarks(nullptr, nullptr), 0);

    // The bookmarked record itself deleted: no longer valid, and going there fails.
    dataSet->Delete();
    EXPECT_FALSE(dataSet->BookmarkValid(fifty));
    EXPECT_THROW(dataSet->GotoBookmark(fifty), EDatabaseError);
    dataSet->GotoBookmark(one);
    EXPECT_EQ(dataSet->FieldByName("ID")->GetAsInteger(), 1);
}

TEST(Bookmarks, NoBookmarkWithoutACurrentRecord) {
    auto dataSet = MakeNumbered(0);
    EXPECT_TRUE(dataSet->GetBookmark().Empty());
    dataSet->Append();
    EXPECT_TRUE(dataSet->GetBookmark().Empty());
    dataSet->Cancel();
    dataSet->GotoBookmark(TBookmark()); // nothing happens
    dataSet->Close();
    EXPECT_THROW(dataSet->BookmarkValid(nullptr), EDatabaseError);
}

TEST(Editing, RecNoAndRecordCount) {
    auto dataSet = MakeNumbered(10);
    dataSet->SetRecNo(7);
    EXPECT_EQ(dataSet->FieldByName("ID")->GetAsInteger(), 7);
    EXPECT_EQ(dataSet->GetRecNo(), 7);
    dataSet->SetRecNo(99); // out of range: stays
    EXPECT_EQ(dataSet->GetRecNo(), 7);
    EXPECT_EQ(dataSet->GetRecordCount(), 10);
    dataSet->Close();
    EXPECT_THROW(dataSet->GetRecordCount(), EDatabaseError);
    EXPECT_THROW(dataSet->GetRecNo(), EDatabaseError);
}

TEST(Editing, ReadOnlyDataSetsRefuseEditing) {
    auto dataSet = MakeNumbered(2);
    dataSet->SetReadOnly(true);
    EXPECT_THROW(dataSet->Edit(), EDatabaseError);
    EXPECT_THROW(dataSet->Append(), EDatabaseError);
    EXPECT_EQ(dataSet->GetState(), dsBrowse);
}

TEST(Search, LocateMovesOnlyWhenItFinds) {
    auto dataSet = MakeNumbered(20);
    dataSet->MoveBy(4);
    EXPECT_FALSE(dataSet->Locate("NAME", "nothing", {}));
    EXPECT_EQ(dataSet->FieldByName("ID")->GetAsInteger(), 5);
    EXPECT_TRUE(dataSet->Locate("NAME", "ROW12", {loCaseInsensitive}));
    EXPECT_EQ(dataSet->FieldByName("ID")->GetAsInteger(), 12);
    EXPECT_TRUE(dataSet->Locate("NAME", "row1", {loPartialKey}));
    EXPECT_EQ(dataSet->FieldByName("ID")->GetAsInteger(), 1);
    EXPECT_TRUE(dataSet->Locate("ID;NAME", VarArrayOf({15, "row15"}), {}));
    EXPECT_EQ(dataSet->GetRecNo(), 15);
    EXPECT_FALSE(dataSet->Locate("ID;NAME", VarArrayOf({15, "row16"}), {}));
    EXPECT_THROW(dataSet->Locate("MISSING", 1, {}), EDatabaseError);
}

TEST(Search, LookupAnswersWithoutMoving) {
    auto dataSet = MakeNumbered(20);
    dataSet->MoveBy(2);
    EXPECT_EQ(dataSet->Lookup("ID", 9, "NAME"), Variant("row9"));
    const Variant both = dataSet->Lookup("NAME", "row4", "ID;NAME");
    EXPECT_EQ(both.GetElement(0), Variant(4));
    EXPECT_EQ(both.GetElement(1), Variant("row4"));
    EXPECT_TRUE(dataSet->Lookup("ID", 99, "NAME").IsNull());
    EXPECT_EQ(dataSet->FieldByName("ID")->GetAsInteger(), 3);
    dataSet->Next();
    EXPECT_EQ(dataSet->FieldByName("ID")->GetAsInteger(), 4);
}

TEST(Editing, FieldValuesByName) {
    auto dataSet = MakeNumbered(3);
    EXPECT_EQ(dataSet->GetFieldValue("NAME"), Variant("row1"));
    dataSet->Edit();
    dataSet->SetFieldValue("ID;NAME", VarArrayOf({42, "answer"}));
    dataSet->Post();
    EXPECT_EQ(dataSet->GetFieldValue("id"), Variant(42));
    EXPECT_EQ(dataSet->GetFieldValue("NAME"), Variant("answer"));
    EXPECT_THROW(dataSet->GetFieldValue("NOPE"), EDatabaseError);
    EXPECT_EQ(dataSet->FindField("nope"), nullptr);
}

} // namespace
