// The dataset's core over a real database: the record buffer layout and field definitions, the
// library calls of an open, navigation, bookmarks and record numbers, locate and lookup, and the
// field transfer of every column type (also where a field's value buffer and its column disagree
// in size).
#include "DatasetTestSupport.h"

#include "asa/AsaTimeStamp.h"
#include "platform/vcl/DateTime.h"
#include "platform/vcl/db/Field.h"
#include "platform/vcl/db/FieldDefs.h"

#include <algorithm>
#include <cstring>

using namespace tnx;
using namespace asatest;
using vcl::Variant;

namespace {

class DatasetCore : public DatasetTest {};

std::vector<std::string> Strings(std::initializer_list<const char*> list) {
    return std::vector<std::string>(list.begin(), list.end());
}

} // namespace

TEST_P(DatasetCore, LaysOutRowCalculationAreaBookmarkAndNullFlagsAndNamesRepeatedColumns) {
    Run("create table k (i integer, s varchar(10), d date)");
    Run("insert into k values (7, 'seven', '2024-02-29')");
    Run("commit");
    auto ds = NewDataset("select i, s, d from k");
    ds->Open();
    // 4 + 11 + 14 bytes of row, no calculated fields, 8 of bookmark, 3 null flags.
    EXPECT_EQ(ds->GetRecordSize(), 29);
    EXPECT_EQ(ds->GetBookmarkOffset(), 29);
    EXPECT_EQ(ds->GetNullFlagsOffset(), 37);
    EXPECT_EQ(ds->GetRecordBufferSize(), 40);
    vcl::TFieldDefs* defs = ds->GetFieldDefs();
    ASSERT_EQ(defs->Count(), 3);
    EXPECT_EQ(defs->GetItem(0)->GetDataType(), vcl::ftInteger);
    EXPECT_EQ(defs->GetItem(1)->GetDataType(), vcl::ftString);
    EXPECT_EQ(defs->GetItem(1)->GetSize(), 10);
    EXPECT_EQ(defs->GetItem(2)->GetDataType(), vcl::ftDate);
    EXPECT_EQ(defs->GetItem(2)->GetFieldNo(), 3);
    // The record is the cursor's row byte for byte, with the bookmark of row 0.
    const vcl::TRecordBuffer record = ds->ActiveBuffer();
    EXPECT_EQ(std::memcmp(record, ds->GetCursor()->GetRecordBuffer(), 29), 0);
    EXPECT_EQ(record[33], vcl::bfCurrent);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(record + 4)), "seven");
    EXPECT_EQ(ds->FieldByName("I")->GetAsInteger(), 7);
    EXPECT_EQ(ds->FieldByName("D")->GetAsDateTime().Value, vcl::EncodeDate(2024, 2, 29).Value);
    ds->Close();

    ds->GetSQL()->SetText("select i as NAME, s as NAME, d as NAME from k");
    ds->Open();
    std::vector<std::string> names;
    for (vcl::TField* field : *ds->GetFields())
        names.push_back(field->GetFieldName());
    EXPECT_EQ(names, Strings({"NAME", "NAME_1", "NAME_2"}));
    EXPECT_EQ(ds->FieldByName("NAME_1")->GetAsString(), "seven");
}

TEST_P(DatasetCore, OpenPreparesDescribesDeclaresOpensAndFetchesInThatOrder) {
    MakeRows(30);
    auto ds = NewDataset("select n, s from t order by n");
    Record();
    ds->Open();
    // Each step once in this order (a step may take several calls: the describe of the columns
    // and of the inputs, the fetches of the first block and of the step before it).
    std::vector<std::string> steps =
        RecordedNames({"dbpp_prepare", "dbpp_describe", "dbpp_declare", "dbpp_open", "dbpp_fetch"});
    steps.erase(std::unique(steps.begin(), steps.end()), steps.end());
    EXPECT_EQ(steps,
              Strings({"dbpp_prepare", "dbpp_describe", "dbpp_declare", "dbpp_open", "dbpp_fetch_array"}));
    EXPECT_TRUE(ds->GetPrepared());
    EXPECT_EQ(ds->GetDBFlags(), 1u << TAsaDataset::dbfOpen);

    // Walking reads every row once, in order, and ends at EOF.
    std::vector<std::string> values = Column(*ds, "S");
    ASSERT_EQ(values.size(), 30u);
    EXPECT_EQ(values.front(), "row 0");
    EXPECT_EQ(values.back(), "row 29");
    ds->Last();
    EXPECT_TRUE(ds->GetAtEnd());
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 29);
    ds->Prior();
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 28);
    ds->First();
    EXPECT_FALSE(ds->GetAtEnd());
    EXPECT_TRUE(ds->GetBof());

    Record();
    ds->Close();
    EXPECT_EQ(RecordedNames({"dbpp_close", "dbpp_dropstmt"}), Strings({"dbpp_close", "dbpp_dropstmt"}))
        << "closing a dataset that was only opened unprepares it";
    EXPECT_FALSE(ds->GetPrepared());
    EXPECT_EQ(ds->GetDBFlags(), 0u);
}

TEST_P(DatasetCore, BookmarksAndRecordNumbersFollowRowNumbers) {
    MakeRows(20);
    auto ds = NewDataset("select n from t order by n");
    ds->Open();
    ds->MoveBy(3);
    EXPECT_EQ(ds->GetRecNo(), 4);
    const vcl::TBookmark fourth = ds->GetBookmark();
    ds->MoveBy(5);
    const vcl::TBookmark ninth = ds->GetBookmark();
    EXPECT_EQ(ds->CompareBookmarks(fourth, ninth), -1);
    EXPECT_EQ(ds->CompareBookmarks(ninth, fourth), 1);
    EXPECT_EQ(ds->CompareBookmarks(fourth, fourth), 0);
    EXPECT_EQ(ds->CompareBookmarks(nullptr, ninth), 1);
    EXPECT_EQ(ds->CompareBookmarks(ninth, nullptr), -1);
    EXPECT_EQ(ds->CompareBookmarks(nullptr, nullptr), 0);
    EXPECT_TRUE(ds->BookmarkValid(fourth));
    std::uint8_t beyond[8] = {20, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(ds->BookmarkValid(beyond));
    EXPECT_FALSE(ds->BookmarkValid(nullptr));
    ds->GotoBookmark(fourth);
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 3);

    EXPECT_EQ(ds->GetRecordCount(), 20);
    ds->SetRecNo(17);
    EXPECT_EQ(ds->GetRecNo(), 17);
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 16);
    ds->SetRecNo(2);
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 1);

    // Without row counts from the server, record numbers are not to be trusted: no jump.
    S().SetWantRowCounts(false);
    EXPECT_FALSE(ds->IsSequenced());
    ds->SetRecNo(10);
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 1);
    ds->Close();
    EXPECT_THROW(ds->GetRecNo(), vcl::EDatabaseError);
    EXPECT_THROW(ds->GetRecordCount(), vcl::EDatabaseError);
}

TEST_P(DatasetCore, LocateMovesOnlyWhenItFindsAndLookupNeverMoves) {
    MakeRows(10);
    auto ds = NewDataset("select n, s from t order by n");
    ds->Open();
    ds->MoveBy(2);
    EXPECT_TRUE(ds->Locate("S", Variant("ROW 6"), vcl::TLocateOptions{vcl::loCaseInsensitive}));
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 6);
    EXPECT_TRUE(ds->Locate("N;S", vcl::VarArrayOf({Variant(8), Variant("row 8")}), {}));
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 8);
    EXPECT_TRUE(ds->Locate("S", Variant("row 3"), vcl::TLocateOptions{vcl::loPartialKey}));
    EXPECT_EQ(ds->GetRecNo(), 4);

    EXPECT_FALSE(ds->Locate("S", Variant("nowhere"), {}));
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 3) << "the active record stays";
    EXPECT_EQ(ds->GetCursor()->GetCurrentRow(), 0) << "the cursor stays where the search began";
    ds->Last();
    EXPECT_FALSE(ds->Locate("S", Variant("nowhere"), {}));
    EXPECT_EQ(ds->GetCursor()->GetCurrentRow(), 9) << "after going to the end, the cursor is put back there";
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 9);

    ds->First();
    EXPECT_EQ(ds->Lookup("N", Variant(5), "S").AsString(), "row 5");
    const Variant pair = ds->Lookup("S", Variant("row 7"), "N;S");
    EXPECT_EQ(pair.GetElement(0).AsInteger(), 7);
    EXPECT_TRUE(ds->Lookup("N", Variant(99), "S").IsNull());
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 0) << "lookups leave the active record";
    ds->Next();
    EXPECT_EQ(ds->FieldByName("N")->GetAsInteger(), 1) << "and the next move starts from it";
}

TEST_P(DatasetCore, EveryColumnTypeRoundTripsThroughItsField) {
    Run("create table v (id integer primary key, i integer, f double, c numeric(12,4), d date, tm time, "
        "ts timestamp, b bit, by binary(6), s varchar(10))");
    Run("insert into v (id) values (1)");
    Run("commit");
    auto ds = NewDataset("select * from v", false);
    ds->Open();
    for (int i = 1; i < ds->GetFieldCount(); ++i)
        EXPECT_TRUE(ds->GetFields()->GetField(i)->GetIsNull()) << i;
    const vcl::TDateTime when = vcl::EncodeDateTime(2023, 7, 14, 9, 30, 15, 0);
    ds->Edit();
    ds->FieldByName("I")->SetAsInteger(-12);
    ds->FieldByName("F")->SetAsFloat(2.5);
    ds->FieldByName("C")->SetAsFloat(12.3456);
    ds->FieldByName("D")->SetAsDateTime(when);
    ds->FieldByName("TM")->SetAsDateTime(when);
    ds->FieldByName("TS")->SetAsDateTime(when);
    ds->FieldByName("B")->SetAsBoolean(true);
    ds->FieldByName("BY")->SetAsString(std::string("a\0b\xff", 4));
    ds->FieldByName("S")->SetAsString("ten chars!");
    ds->Post();

    // A second dataset reads what the first one stored.
    auto check = NewDataset("select * from v");
    check->Open();
    EXPECT_EQ(check->FieldByName("I")->GetAsInteger(), -12);
    EXPECT_DOUBLE_EQ(check->FieldByName("F")->GetAsFloat(), 2.5);
    EXPECT_DOUBLE_EQ(check->FieldByName("C")->GetAsFloat(), 12.3456);
    EXPECT_EQ(check->FieldByName("C")->GetDataType(), vcl::ftCurrency);
    EXPECT_EQ(check->FieldByName("D")->GetAsDateTime().Value, vcl::EncodeDate(2023, 7, 14).Value);
    EXPECT_NEAR(check->FieldByName("TM")->GetAsDateTime().Value, vcl::EncodeTime(9, 30, 15, 0).Value, 1e-9);
    EXPECT_NEAR(check->FieldByName("TS")->GetAsDateTime().Value, when.Value, 1e-9);
    EXPECT_TRUE(check->FieldByName("B")->GetAsBoolean());
    EXPECT_EQ(check->FieldByName("BY")->GetAsString(), std::string("a\0b\xff\0\0", 6));
    EXPECT_EQ(check->FieldByName("S")->GetAsString(), "ten chars!");
}

TEST_P(DatasetCore, NullsNewRecordsAndBooleanBytes) {
    Run("create table w (id integer primary key, b bit, s varchar(10))");
    Run("insert into w values (1, 1, 'kept')");
    Run("commit");
    auto ds = NewDataset("select id, b, s from w", false);
    ds->Open();
    ds->Edit();
    // A column byte of 7 reads as true and is written back as 1.
    vcl::TRecordBuffer record = ds->ActiveBuffer();
    record[4] = 7;
    EXPECT_TRUE(ds->FieldByName("B")->GetAsBoolean());
    ds->FieldByName("B")->SetAsBoolean(true);
    EXPECT_EQ(record[4], 1);
    // NULL only sets the flag: the column keeps its bytes.
    ds->FieldByName("S")->Clear();
    EXPECT_TRUE(ds->FieldByName("S")->GetIsNull());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(record + 5)), "kept");
    EXPECT_EQ(record[ds->GetNullFlagsOffset() + 2], 1);
    ds->Cancel();

    ds->Append();
    for (vcl::TField* field : *ds->GetFields())
        EXPECT_TRUE(field->GetIsNull()) << field->GetFieldName();
    ds->Cancel();
    ds->Close();
    // Outside an editing state nothing is written.
    ds->Open();
    EXPECT_THROW(ds->FieldByName("S")->SetAsString("x"), vcl::EDatabaseError);
    EXPECT_EQ(ds->FieldByName("S")->GetAsString(), "kept");
}

TEST_P(DatasetCore, TextAndBytesNeverRunPastTheirColumn) {
    Run("create table x (s varchar(4), by binary(3))");
    Run("insert into x values ('abcd', 'xyz')");
    Run("commit");
    auto ds = NewDataset("select s, by from x");
    ds->Open();
    const int rowSize = ds->GetRecordSize();
    ASSERT_EQ(rowSize, 5 + 5);
    // A value buffer larger than the column: the text is cut before the column's own zero, and
    // the rest of the column is cleared. The record is exactly one row long, so a write past it
    // would be caught by the sanitizers.
    std::vector<std::uint8_t> row(static_cast<std::size_t>(rowSize), 0xEE);
    const std::string longText = "a much longer text than the column holds";
    ds->FieldToRecBuf(row.data(), 1, longText.c_str(), static_cast<int>(longText.size() + 1));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(row.data()), 5), std::string("a muc\0", 4) + '\0');
    EXPECT_EQ(row[4], 0);
    ds->FieldToRecBuf(row.data(), 1, "ab", 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(row.data()), 5), std::string("ab\0\0\0", 5))
        << "no byte of the older value stays behind the text";
    ds->FieldToRecBuf(row.data(), 2, longText.c_str(), 40);
    EXPECT_EQ(row[5], 3) << "the length is what the column holds";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(row.data() + 7), 3), "a m");

    // Reading into a larger value buffer stops at the column and still ends the text.
    std::vector<char> value(40, 'Z');
    ds->RecBufToField(ds->ActiveBuffer(), 1, value.data(), 40);
    EXPECT_EQ(std::string(value.data()), "abcd");
    ds->RecBufToField(ds->ActiveBuffer(), 2, value.data(), 40);
    EXPECT_EQ(std::string(value.data(), 4), std::string("xyz\0", 4));
}

TEST_P(DatasetCore, AnEmptyResultOpensWithoutErrorAndTakesItsFirstRow) {
    MakeRows(0);
    auto ds = NewDataset("select n, s from t order by n", false);
    ds->Open();
    EXPECT_TRUE(ds->GetActive());
    EXPECT_TRUE(ds->IsEmpty());
    EXPECT_TRUE(ds->GetEof());
    EXPECT_TRUE(ds->FieldByName("S")->GetIsNull());
    EXPECT_FALSE(ds->GetCurrentRecord(nullptr));
    EXPECT_EQ(ds->GetRecordCount(), 0);
    ds->AppendRecord({Variant(1), Variant("first")});
    EXPECT_FALSE(ds->IsEmpty());
    EXPECT_EQ(ds->GetRecordCount(), 1);
    EXPECT_EQ(ds->FieldByName("S")->GetAsString(), "first");
    // The current record, copied as the cursor holds it.
    std::vector<std::uint8_t> copy(static_cast<std::size_t>(ds->GetRecordBufferSize()), 0);
    ASSERT_TRUE(ds->GetCurrentRecord(copy.data()));
    EXPECT_EQ(std::memcmp(copy.data(), ds->ActiveBuffer(), static_cast<std::size_t>(ds->GetRecordSize())), 0);
}

TEST_P(DatasetCore, TextFieldsPassTheSessionsOemConversion) {
    Run("create table o (s varchar(10))");
    Run("commit");
    S().SetOEMConvert(true);
    auto ds = NewDataset("select s from o", false);
    ds->Open();
    ds->Append();
    ds->FieldByName("S")->SetAsString("caf\xe9");
    // The record holds the text as the server stores it; the field shows it converted back.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(ds->ActiveBuffer())), "caf\x82");
    EXPECT_EQ(ds->FieldByName("S")->GetAsString(), "caf\xe9");
    ds->Post();
    EXPECT_EQ(QueryInt(S(), "select count(*) from o where hex(s) = '63616682'"), 1);
}

INSTANTIATE_TEST_SUITE_P(Generations, DatasetCore, ::testing::ValuesIn(CurrentGenerations()), GenerationName);
