// The base statement's column services through the in-memory driver statement: lookup, values and
// null flags, clearing, dirty tracking for plain and blob columns, the MoveTo loop, the locate
// with its four matching rules, and the lenient conversions.
#include "StatementFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

using namespace tnx;
using namespace tnxtest;
using vcl::AnsiString;
using vcl::Variant;

namespace {

class Fields : public StatementFixture {
protected:
    void SetUp() override {
        StatementFixture::SetUp();
        // "code" is the last column and exactly as long as its values: reading it as text past its
        // Size would leave the row buffer (which the sanitizer build reports).
        q->Columns = {{"id", ntInteger},    {"name", ntString, 10}, {"city", ntString, 8},
                      {"flag", ntBoolean},  {"empty", ntUnknown},   {"memo", ntMemo},
                      {"code", ntString, 4}};
        const Variant null = vcl::Null();
        q->Rows = {
            {Variant(1), Variant("Smith"), Variant("Paris"), Variant(true), null, Variant("note one"),
             Variant("abcd")},
            {Variant(2), Variant("smithers"), Variant("Rome"), Variant(false), null, null, Variant("ABCD")},
            {Variant(3), Variant("Jones"), Variant("paris"), Variant(true), null, Variant("x"),
             Variant("ab")},
            {Variant(4), Variant("SMITH"), null, Variant(false), null, Variant("y"), Variant("abcz")},
            {Variant(5), Variant("\x82t\x82"), Variant("Oslo"), Variant(true), null, null, Variant("zzzz")},
        };
    }
    long Nexts() const { return std::count(StepLog().begin(), StepLog().end(), std::string("Next Q")); }

    // The exception's message, which the session must have recorded as its last error.
    std::string MessageOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const ECorvexException& e) {
            EXPECT_EQ(session->GetLastError(), e.Message());
            return e.Message();
        }
        return "(no exception)";
    }
};

TEST_F(Fields, LookupByIndexAndByNameWithOffsets) {
    ASSERT_TRUE(q->OpenRead("select * from people"));
    int32_t index = 0, offset = 0;
    ASSERT_TRUE(q->GetFieldInfo(Variant(2), &index, &offset));
    EXPECT_EQ(index, 2);
    EXPECT_EQ(offset, 14); // 4 + 10
    ASSERT_TRUE(q->GetFieldInfo(Variant("CITY"), &index, &offset));
    EXPECT_EQ(index, 2);
    EXPECT_EQ(offset, 14);
    EXPECT_TRUE(q->FindField("Memo"));
    // Past the end, negative, or a name nobody has: not found, and the getters do not raise.
    EXPECT_FALSE(q->GetFieldInfo(Variant(q->GetFieldCount())));
    EXPECT_FALSE(q->GetFieldInfo(Variant(-1), &index));
    EXPECT_EQ(index, -1);
    EXPECT_FALSE(q->GetFieldInfo(Variant("0")));        // text is a name, even when it looks like a number
    EXPECT_FALSE(q->GetFieldInfo(Variant(int16_t{1}))); // only a 32-bit integer is an index
    EXPECT_FALSE(q->GetFieldInfo(vcl::VarArrayOf({Variant(1)})));
    EXPECT_EQ(q->GetFieldType(Variant("nope")), ntUnknown);
    EXPECT_EQ(q->GetFieldSize(Variant("nope")), 0);
    EXPECT_FALSE(q->GetFieldNulls(Variant("nope")));
    EXPECT_EQ(q->GetFieldName(99), "");
    EXPECT_EQ(q->GetFieldName(1), "name");
    EXPECT_EQ(q->GetFieldType(Variant("memo")), ntMemo);
    EXPECT_EQ(q->GetFieldLength(Variant("name")), 10);
    EXPECT_EQ(q->GetFieldSize(Variant(6)), 4);
}

TEST_F(Fields, ReadsByIndexFollowTheLayoutOfTheLatestDescribe) {
    ASSERT_TRUE(q->OpenRead("select * from people"));
    EXPECT_EQ(q->GetFieldValue(Variant(2)), Variant("Paris"));
    EXPECT_EQ(q->GetFieldValue(Variant(6)), Variant("abcd"));
    // Another query with other column sizes in another order: reads by index land on the new
    // offsets, and agree with reads by name.
    q->Columns = {{"code", ntString, 4}, {"city", ntString, 30}, {"id", ntInteger}, {"name", ntString, 3}};
    q->Rows = {{Variant("wxyz"), Variant("Lisbon"), Variant(42), Variant("Ann")}};
    ASSERT_TRUE(q->OpenRead("select code, city, id, name from people"));
    const Variant expected[] = {Variant("wxyz"), Variant("Lisbon"), Variant(42), Variant("Ann")};
    for (int32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(q->GetFieldValue(Variant(i)), expected[i]) << i;
        EXPECT_EQ(q->GetFieldValue(Variant(q->GetFieldName(i))), expected[i]) << i;
        EXPECT_EQ(q->GetOldValue(Variant(i)), expected[i]) << i;
    }
    // An index outside the columns is not found, as a name would be.
    EXPECT_EQ(MessageOf([&] { q->GetFieldValue(Variant(4)); }), "Field \"4\" not found.");
    EXPECT_EQ(MessageOf([&] { q->GetFieldValue(Variant(-1)); }), "Field \"-1\" not found.");
    // Once the query is unprepared there is no layout to read from.
    q->UnprepareOpen();
    EXPECT_THROW(q->GetFieldValue(Variant(0)), ECorvexException);
}

TEST_F(Fields, ValuesNullFlagsAndDirtyTracking) {
    ASSERT_TRUE(q->OpenWrite("select * from people"));
    EXPECT_EQ(q->GetFieldValue(Variant("name")), Variant("Smith"));
    EXPECT_FALSE(q->IsDirty());

    q->SetFieldValue(Variant("name"), vcl::Null());
    EXPECT_TRUE(q->IsFieldNull(Variant("name")));
    int32_t index, offset;
    q->GetFieldInfo(Variant("name"), &index, &offset);
    const uint8_t* bytes = q->GetRecordBuffer() + offset;
    EXPECT_TRUE(std::all_of(bytes, bytes + 10, [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(q->IsFieldDirty(Variant("name")));
    EXPECT_EQ(q->GetOldValue(Variant("name")), Variant("Smith"));
    EXPECT_TRUE(q->IsDirty());

    q->SetFieldValue(Variant(0), Variant(10));
    EXPECT_TRUE(q->IsFieldDirty(Variant("id")));
    EXPECT_FALSE(q->IsFieldNull(Variant("id")));
    // Writing the fetched value back is no change.
    q->SetFieldValue(Variant("city"), Variant("Paris"));
    EXPECT_FALSE(q->IsFieldDirty(Variant("city")));

    q->ClearFieldNotNull("code");
    EXPECT_FALSE(q->IsFieldNull(Variant("code")));
    EXPECT_EQ(q->GetFieldValue(Variant("code")), Variant(""));
    q->ClearFieldNotNull("nope"); // ignored

    EXPECT_TRUE(q->Modify()); // the driver stores the row; it is clean again
    EXPECT_FALSE(q->IsDirty());

    EXPECT_EQ(MessageOf([&] { q->GetFieldValue(Variant("nope")); }), "Field \"nope\" not found.");
    EXPECT_EQ(MessageOf([&] { q->SetFieldValue(Variant(42), Variant(1)); }), "Field \"42\" not found.");
    EXPECT_EQ(MessageOf([&] { q->IsFieldNull(Variant("nope")); }), "Field \"nope\" not found.");
    EXPECT_EQ(MessageOf([&] { q->IsFieldDirty(Variant("nope")); }), "Field \"nope\" not found.");
}

TEST_F(Fields, AReadOnlyCursorRefusesWrites) {
    ASSERT_TRUE(q->OpenRead("select * from people"));
    EXPECT_EQ(MessageOf([&] { q->SetFieldValue(Variant("id"), Variant(1)); }), "The cursor is read-only.");
    EXPECT_EQ(MessageOf([&] { q->Clear(); }), "The cursor is read-only.");
    EXPECT_EQ(MessageOf([&] { q->ClearNotNull(); }), "The cursor is read-only.");
    EXPECT_FALSE(q->CanModify());
    q->Close();
    EXPECT_EQ(MessageOf([&] { q->Clear(); }), "The cursor is not opened.");
    EXPECT_EQ(MessageOf([&] { q->IsDirty(); }), "The cursor is not opened.");
    EXPECT_EQ(MessageOf([&] { q->MoveTo(1); }), "The cursor is not opened.");
    EXPECT_EQ(MessageOf([&] { q->Find("id", {Variant(1)}); }), "The cursor is not opened.");
}

TEST_F(Fields, ClearMarksEveryColumnNullOrNotNull) {
    ASSERT_TRUE(q->OpenWrite("select * from people"));
    q->SetFieldValue(Variant("memo"), Variant("kept"));
    q->Clear();
    for (int32_t i = 0; i < q->GetFieldCount(); ++i)
        EXPECT_TRUE(q->IsFieldNull(Variant(i))) << i;
    EXPECT_TRUE(std::all_of(q->GetRecordBuffer(), q->GetRecordBuffer() + q->GetRecordSize(),
                            [](uint8_t b) { return b == 0; }));
    // Blob streams and the fetched row stay as they were.
    EXPECT_EQ(q->GetFieldValue(Variant("memo")), Variant("kept"));
    EXPECT_EQ(q->GetOldValue(Variant("id")), Variant(1));
    q->ClearNotNull();
    for (int32_t i = 0; i < q->GetFieldCount(); ++i)
        EXPECT_FALSE(q->IsFieldNull(Variant(i))) << i;
}

TEST_F(Fields, AColumnOfSizeZeroIsNeverDirty) {
    ASSERT_TRUE(q->OpenWrite("select * from people"));
    int32_t index;
    ASSERT_TRUE(q->GetFieldInfo(Variant("empty"), &index));
    q->SetNullIndicator(index, false); // fetched as NULL
    EXPECT_FALSE(q->IsFieldDirty(Variant("empty")));
    EXPECT_FALSE(q->IsDirty());
    EXPECT_THROW(q->SetNullIndicator(q->GetFieldCount(), true), ECorvexException);
}

TEST_F(Fields, BlobColumnsAreDirtyWhenTheirStreamWasWrittenOrTheirNullFlagChanged) {
    ASSERT_TRUE(q->OpenWrite("select * from people"));
    EXPECT_EQ(q->GetFieldValue(Variant("memo")), Variant("note one")); // loaded, not modified
    EXPECT_FALSE(q->IsFieldDirty(Variant("memo")));

    q->SetFieldValue(Variant("memo"), Variant("changed"));
    EXPECT_TRUE(q->IsFieldDirty(Variant("memo")));
    // Old and current value of a blob come from the same stream.
    EXPECT_EQ(q->GetFieldValue(Variant("memo")), Variant("changed"));
    EXPECT_EQ(q->GetOldValue(Variant("memo")), Variant("changed"));

    ASSERT_TRUE(q->Next()); // a new row drops the written data
    EXPECT_FALSE(q->IsFieldDirty(Variant("memo")));
    EXPECT_TRUE(q->IsFieldNull(Variant("memo")));
    q->GetBlobManager()->BlobByName("memo")->Truncate(); // an empty value that must be stored
    EXPECT_TRUE(q->IsFieldDirty(Variant("memo")));

    ASSERT_TRUE(q->Next());
    int32_t index;
    q->GetFieldInfo(Variant("memo"), &index);
    q->SetNullIndicator(index, true);
    EXPECT_TRUE(q->IsFieldDirty(Variant("memo")));
}

TEST_F(Fields, MoveToStepsWithNextAndPrev) {
    ASSERT_TRUE(q->OpenRead("select * from people"));
    StepLog().clear();
    EXPECT_TRUE(q->MoveTo(3));
    EXPECT_EQ(q->GetCurrentRow(), 3);
    EXPECT_EQ(Nexts(), 3);
    EXPECT_TRUE(q->MoveTo(1));
    EXPECT_EQ(q->GetCurrentRow(), 1);
    EXPECT_EQ(std::count(StepLog().begin(), StepLog().end(), std::string("Prev Q")), 2);
    EXPECT_FALSE(q->MoveTo(10)); // stops at the end
    EXPECT_TRUE(q->GetEOF());
    EXPECT_EQ(q->GetCurrentRow(), 4);
    EXPECT_TRUE(q->MoveTo(0));
    EXPECT_EQ(q->GetFieldValue(Variant("id")), Variant(1));
}

TEST_F(Fields, FindOnTheCurrentRowDoesNotMove) {
    ASSERT_TRUE(q->OpenRead("select * from people"));
    StepLog().clear();
    EXPECT_TRUE(q->Find("name", {Variant("Smith")}));
    EXPECT_EQ(Nexts(), 0);
    EXPECT_EQ(q->GetCurrentRow(), 0);
}

TEST_F(Fields, FindWithEachCombinationOfOptions) {
    ASSERT_TRUE(q->OpenRead("select * from people"));
    // No option: the column's bytes must equal the key's ("Smith" is not "SMITH").
    EXPECT_TRUE(q->Find("name", {Variant("SMITH")}));
    EXPECT_EQ(q->GetCurrentRow(), 3);

    q->MoveTo(1);
    // Case-insensitive: the whole value, any letter case ("smithers" is not "SMITH").
    EXPECT_TRUE(q->Find("name", {Variant("SMITH")}, TCorvexLocateOptions{nloCaseInsensitive}));
    EXPECT_EQ(q->GetCurrentRow(), 3);

    q->MoveTo(0);
    // Partial key: the value starts with the key, letter case counts ("Smith" does not start with "smi").
    EXPECT_TRUE(q->Find("name", {Variant("smi")}, TCorvexLocateOptions{nloPartialKey}));
    EXPECT_EQ(q->GetCurrentRow(), 1);

    q->MoveTo(0);
    // Both: the value starts with the key in any letter case.
    EXPECT_TRUE(q->Find("name", {Variant("JON")}, TCorvexLocateOptions{nloPartialKey, nloCaseInsensitive}));
    EXPECT_EQ(q->GetCurrentRow(), 2);
    EXPECT_TRUE(q->Find("name", {Variant("jones")}, TCorvexLocateOptions{nloPartialKey, nloCaseInsensitive}));
    EXPECT_EQ(q->GetCurrentRow(), 2);
}

TEST_F(Fields, AFailedFindReturnsToWhereItStartedAndNeverLooksBack) {
    ASSERT_TRUE(q->OpenRead("select * from people"));
    q->MoveTo(2);
    EXPECT_FALSE(q->Find("name", {Variant("Smith")})); // row 0 lies behind
    EXPECT_EQ(q->GetCurrentRow(), 2);
    EXPECT_EQ(q->GetFieldValue(Variant("name")), Variant("Jones"));
    EXPECT_FALSE(
        q->Find("name", {Variant("nobody")}, TCorvexLocateOptions{nloCaseInsensitive, nloPartialKey}));
    EXPECT_EQ(q->GetCurrentRow(), 2);
}

TEST_F(Fields, FindWithSeveralKeysAndMissingValues) {
    ASSERT_TRUE(q->OpenRead("select * from people"));
    EXPECT_TRUE(q->Find("name; city", {Variant("Jones"), Variant("paris")}));
    EXPECT_EQ(q->GetCurrentRow(), 2);
    q->MoveTo(0);
    // One pre-built array is the same as its elements.
    EXPECT_TRUE(q->Find("Name;City", {vcl::VarArrayOf({Variant("Jones"), Variant("paris")})}));
    EXPECT_EQ(q->GetCurrentRow(), 2);
    q->MoveTo(0);
    // A key without a value compares against an all-zero slot: the row whose city is NULL.
    EXPECT_TRUE(q->Find("Name;City", {Variant("SMITH")}));
    EXPECT_EQ(q->GetCurrentRow(), 3);
    // Key columns are compared as text when the key is partial, whatever their type.
    q->MoveTo(0);
    EXPECT_TRUE(q->Find("id", {Variant(3)}, TCorvexLocateOptions{nloPartialKey}));
    EXPECT_EQ(q->GetCurrentRow(), 2);

    EXPECT_FALSE(q->Find("", {Variant(1)}));
    EXPECT_EQ(MessageOf([&] {
                  q->Find("name;zip", {Variant("x"), Variant("y")});
              }),
              "Field \"zip\" not found.");
}

TEST_F(Fields, FindReadsNoColumnOrKeyPastItsSize) {
    ASSERT_TRUE(q->OpenRead("select * from people"));
    // "code" values fill their 4 bytes without a NUL, and the column ends the row.
    EXPECT_TRUE(q->Find("code", {Variant("ABCD")}, TCorvexLocateOptions{nloCaseInsensitive}));
    EXPECT_EQ(q->GetCurrentRow(), 0);
    EXPECT_TRUE(q->Find("code", {Variant("ABCD")}));
    EXPECT_EQ(q->GetCurrentRow(), 1);
    q->MoveTo(0);
    EXPECT_TRUE(q->Find("code", {Variant("abcz")}, TCorvexLocateOptions{nloPartialKey}));
    EXPECT_EQ(q->GetCurrentRow(), 3);
    q->MoveTo(0);
    EXPECT_TRUE(q->Find("code", {Variant("ABC")}, TCorvexLocateOptions{nloPartialKey, nloCaseInsensitive}));
    EXPECT_EQ(q->GetCurrentRow(), 0);
    // A longer key is cut to the column's size, as the driver stores it.
    EXPECT_TRUE(q->Find("code", {Variant("zzzzzz")}));
    EXPECT_EQ(q->GetCurrentRow(), 4);
}

TEST_F(Fields, CaseInsensitiveFindHonoursOemConvert) {
    ASSERT_TRUE(q->OpenRead("select * from people"));
    // Row 4 holds OEM text: e-acute is 0x82, its capital 0x90.
    EXPECT_FALSE(q->Find("name", {Variant("\x90T\x90")}, TCorvexLocateOptions{nloCaseInsensitive}));
    session->SetOEMConvert(true);
    EXPECT_TRUE(q->Find("name", {Variant("\x90T\x90")}, TCorvexLocateOptions{nloCaseInsensitive}));
    EXPECT_EQ(q->GetCurrentRow(), 4);
}

TEST(LenientConversions, FallBackInsteadOfRaising) {
    EXPECT_EQ(TCorvexSQL::SetVarToInt(Variant("abc")), 0);
    EXPECT_EQ(TCorvexSQL::SetVarToInt(Variant(true)), 1);
    EXPECT_EQ(TCorvexSQL::SetVarToInt(Variant(false)), 0);
    EXPECT_EQ(TCorvexSQL::SetVarToInt(Variant(" 42 ")), 42);
    EXPECT_EQ(TCorvexSQL::SetVarToInt(Variant(1e20)), 0); // out of range
    EXPECT_EQ(TCorvexSQL::SetVarToInt(vcl::Null()), 0);
    EXPECT_EQ(TCorvexSQL::SetVarToFloat(Variant(false)), 0.0);
    EXPECT_EQ(TCorvexSQL::SetVarToFloat(Variant(true)), 1.0);
    EXPECT_EQ(TCorvexSQL::SetVarToFloat(Variant("x")), 0.0);
    EXPECT_EQ(TCorvexSQL::SetVarToStr(vcl::Null()), "");
    EXPECT_EQ(TCorvexSQL::SetVarToStr(Variant(12)), "12");
    EXPECT_EQ(TCorvexSQL::SetVarToStr(vcl::VarArrayOf({Variant(1)})), "");
    EXPECT_FALSE(TCorvexSQL::SetVarToBoolean(Variant("maybe")));
    EXPECT_TRUE(TCorvexSQL::SetVarToBoolean(Variant("true")));
    EXPECT_EQ(TCorvexSQL::SetVarToDateTime(Variant("not a date")).Value, 0.0);
    EXPECT_EQ(TCorvexSQL::SetVarToDateTime(Variant(vcl::TDateTime(2.5))).Value, 2.5);
}

} // namespace
