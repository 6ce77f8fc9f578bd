// Positioned changes (Modify, Append, Delete) with only the dirty columns sent and long values
// through SQL variables named like the column; long values loaded in pieces through the blob
// stream; the value conversions of GetFieldData / PutFieldData; the time-stamp record.
#include "SqlTestSupport.h"

#include "asa/AsaBlobStream.h"
#include "asa/AsaTimeStamp.h"
#include "base/CorvexBlob.h"
#include "platform/vcl/DateTime.h"

#include <cstring>

using namespace tnx;
using namespace asatest;

namespace {

class SqlChanges : public SqlTest {
protected:
    static std::string Text(std::size_t n) {
        std::string s(n, ' ');
        for (std::size_t i = 0; i < n; ++i)
            s[i] = static_cast<char>('a' + (i * 13 + i / 26) % 26);
        return s;
    }
    static long Int(TAsaSQL& sql, const char* field) {
        return TCorvexSQL::SetVarToInt(sql.GetFieldValue(vcl::Variant(vcl::AnsiString(field))));
    }
};

std::vector<uint8_t> Bytes(const vcl::Variant& v) {
    std::vector<uint8_t> out;
    if (v.IsNull()) return out;
    const int low = vcl::VarArrayLowBound(v, 1);
    const int high = vcl::VarArrayHighBound(v, 1);
    const auto* p = static_cast<const uint8_t*>(vcl::VarArrayLock(v));
    out.assign(p, p + (high - low + 1));
    vcl::VarArrayUnlock(v);
    return out;
}

} // namespace

TEST_P(SqlChanges, ModifySendsOnlyTheDirtyColumnsAndLeavesTheRowClean) {
    Run("create table c (n integer primary key, a integer, s varchar(20), d double)");
    Run("insert into c values (1, 10, 'one', 1.5)");
    Run("insert into c values (2, 20, 'two', 2.5)");
    Run("commit");
    auto sql = NewSQL();
    sql->SetUniDirectional(false);
    ASSERT_TRUE(sql->OpenWrite("select n, a, s, d from c order by n"));

    // Nothing dirty: true, and no call at all.
    Record();
    EXPECT_TRUE(sql->Modify());
    EXPECT_TRUE(Recorded({"dbpp_", "alloc"}).size() <= 1u) << "only the area, no library call";
    EXPECT_TRUE(Recorded({"dbpp_"}).empty());
    // Nor a commit with AutoCommit on: nothing was changed.
    S().SetAutoCommit(true);
    Record();
    EXPECT_TRUE(sql->Modify());
    EXPECT_TRUE(Recorded({"dbpp_"}).empty());
    S().SetAutoCommit(false);

    {
        ChangeSpy spy(ChangeSpy::Update);
        sql->SetFieldValue("a", int32_t(11));
        EXPECT_TRUE(sql->IsDirty());
        ASSERT_TRUE(sql->Modify());
        ASSERT_EQ(spy.Calls().size(), 1u);
        const auto& vars = spy.Calls()[0];
        ASSERT_EQ(vars.size(), 4u) << "one variable per column";
        for (int i : {0, 2, 3}) {
            EXPECT_EQ(vars[i].Type, 0) << i;
            EXPECT_EQ(vars[i].Name, "") << i;
            EXPECT_FALSE(vars[i].HasData) << i;
        }
        EXPECT_EQ(vars[1].Name, "a");
        EXPECT_EQ(vars[1].Type & ~1, DBLIB_T_INT);
        EXPECT_EQ(vars[1].Len, 4);
        EXPECT_EQ(vars[1].Data, "11");
        EXPECT_EQ(vars[1].Indicator, 0);
    }
    EXPECT_FALSE(sql->IsDirty()) << "clean after a successful Modify";
    EXPECT_EQ(QueryInt(S(), "select a from c where n = 1"), 11);

    // NULL goes as indicator -1, and the column becomes NULL.
    {
        ChangeSpy spy(ChangeSpy::Update);
        sql->SetFieldValue("s", vcl::Null());
        ASSERT_TRUE(sql->Modify());
        ASSERT_EQ(spy.Calls().size(), 1u);
        EXPECT_EQ(spy.Calls()[0][2].Name, "s");
        EXPECT_EQ(spy.Calls()[0][2].Indicator, -1);
    }
    EXPECT_EQ(QueryInt(S(), "select count(*) from c where n = 1 and s is null"), 1);

    // A failing update keeps the row dirty and says why.
    ASSERT_TRUE(sql->Next());
    sql->SetFieldValue("n", int32_t(1));
    EXPECT_FALSE(sql->Modify());
    EXPECT_EQ(sql->GetLastErrorCode(), DBLIB_E_PRIMARY_KEY);
    EXPECT_TRUE(sql->IsFieldDirty("n"));

    // Delete removes the row the cursor stands on.
    Record();
    ASSERT_TRUE(sql->Delete());
    EXPECT_EQ(
        Recorded({"dbpp_delete"}),
        std::vector<std::string>{"dbpp_delete(\"TNX-" + std::to_string(sql->GetOpenStatement()) + "\")"});
    EXPECT_EQ(QueryInt(S(), "select count(*) from c"), 1);
}

TEST_P(SqlChanges, ChangesRefuseOnAClosedOrReadOnlyCursor) {
    MakeRows(2);
    auto sql = NewSQL();
    auto message = [&](auto change) {
        try {
            ((*sql).*change)();
        } catch (const EAsaException& e) {
            return std::string(e.Message());
        }
        return std::string("no exception");
    };
    EXPECT_EQ(message(&TAsaSQL::Modify), "The cursor is not opened.");
    ASSERT_TRUE(sql->OpenRead("select n, s from t"));
    Record();
    for (auto change : {&TAsaSQL::Modify, &TAsaSQL::Append, &TAsaSQL::Delete})
        EXPECT_EQ(message(change), "The cursor is read-only.");
    EXPECT_TRUE(Recorded().empty());
}

TEST_P(SqlChanges, AppendSendsALongMemoThroughAVariableAndShowsTheRowAsStored) {
    Run("create table m (id integer primary key, k integer default 42, txt long varchar)");
    Run("commit");
    auto sql = NewSQL();
    EXPECT_FALSE(sql->OpenWrite("select id, k, txt from m")) << "no row yet";
    ASSERT_TRUE(sql->GetActive());
    sql->Clear();
    const std::string memo = Text(70000);
    sql->SetFieldValue("txt", memo);
    ASSERT_FALSE(sql->IsFieldNull("txt"));
    ASSERT_TRUE(sql->IsFieldNull("id"));

    Record();
    {
        ChangeSpy pieces(ChangeSpy::ExecuteInto);
        ASSERT_TRUE(sql->Append());
        std::vector<std::string> lengths;
        for (const auto& call : pieces.Calls())
            lengths.push_back(call.at(0).Data);
        EXPECT_EQ(lengths, (std::vector<std::string>{"32765", "32765", "4470"}));
    }
    const std::string cursor = "\"TNX-" + std::to_string(sql->GetOpenStatement()) + "\"";
    const auto calls = Recorded({"dbpp_execute_imm", "dbpp_put_into", "dbpp_prepare"});
    // The pieces go through one prepared append, executed once per piece.
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls.front(), "dbpp_execute_imm(\"create variable \\\"txt\\\" long binary\", 2)");
    EXPECT_EQ(calls[1], "dbpp_execute_imm(\"set \\\"txt\\\"=''\", 2)");
    EXPECT_NE(calls[2].find("dbpp_prepare("), std::string::npos) << calls[2];
    EXPECT_NE(calls[2].find("|| :blob_host"), std::string::npos) << calls[2];
    EXPECT_EQ(calls[calls.size() - 2], "dbpp_put_into(" + cursor + ", sqlda(3), sqlda(75))");
    EXPECT_EQ(calls.back(), "dbpp_execute_imm(\"drop variable \\\"txt\\\"\", 2)");
    EXPECT_EQ(QueryInt(S(), "select length(txt) from m"), 70000);
    EXPECT_FALSE(VariableLength(S(), "txt").has_value()) << "dropped after the insert";

    // The current record is the row as stored: the key left NULL got a new value; every column is
    // sent, so k holds the NULL the record had rather than its default.
    EXPECT_FALSE(sql->IsFieldNull("id"));
    EXPECT_EQ(Int(*sql, "id"), QueryInt(S(), "select id from m"));
    EXPECT_TRUE(sql->IsFieldNull("k"));
    EXPECT_FALSE(sql->IsDirty());
}

TEST_P(SqlChanges, AChangeWhoseLongValueCannotBeStoredIsNotSent) {
    Run("create table m (id integer primary key, txt long varchar)");
    Run("insert into m values (1, 'old')");
    Run("commit");
    // A variable of that name already exists on the connection: the change's cannot be made.
    Run("create variable \"txt\" long binary");
    auto sql = NewSQL();
    ASSERT_TRUE(sql->OpenWrite("select id, txt from m"));
    sql->SetFieldValue("txt", "new value");
    Record();
    EXPECT_FALSE(sql->Modify());
    EXPECT_EQ(sql->GetLastErrorCode(), DBLIB_E_VARIABLE_EXISTS);
    EXPECT_TRUE(Recorded({"dbpp_update"}).empty()) << "nothing sent without the value";
    EXPECT_TRUE(sql->IsFieldDirty("txt"));
    EXPECT_EQ(QueryInt(S(), "select count(*) from m where txt = 'old'"), 1);

    sql->Clear();
    sql->SetFieldValue("id", int32_t(2));
    sql->SetFieldValue("txt", "appended");
    EXPECT_FALSE(sql->Append());
    EXPECT_TRUE(Recorded({"dbpp_put_into"}).empty());
    EXPECT_EQ(QueryInt(S(), "select count(*) from m"), 1);
    EXPECT_EQ(Int(*sql, "id"), 2) << "the record built is kept for another attempt";

    // With the name free again, the same change goes through.
    Run("drop variable \"txt\"");
    ASSERT_TRUE(sql->Append());
    EXPECT_EQ(QueryInt(S(), "select count(*) from m where id = 2 and length(txt) = 8"), 1);
}

TEST_P(SqlChanges, ALongValueLoadsInPiecesAndReadsFromThePosition) {
    Run("create table b (id integer primary key, v long binary)");
    std::string value(1000000, '\0');
    for (std::size_t i = 0; i < value.size(); ++i)
        value[i] = static_cast<char>(i * 31 + i / 255);
    auto writer = NewSQL();
    ASSERT_TRUE(writer->Execute(
        "insert into b values (?, ?)",
        {int32_t(1), TCorvexSQL::StrToVarByte(value.data(), static_cast<int32_t>(value.size()))}));
    ASSERT_TRUE(writer->Execute("insert into b values (?, ?)",
                                {int32_t(2), TCorvexSQL::StrToVarByte(value.data(), 100)}));

    auto sql = NewSQL();
    ASSERT_TRUE(sql->OpenRead("select id, v from b order by id"));
    EXPECT_EQ(sql->GetFetchRows(), 1) << "a cursor with a long column fetches row by row";
    Record();
    const std::vector<uint8_t> got = Bytes(sql->GetFieldValue("v"));
    ASSERT_EQ(got.size(), value.size());
    EXPECT_EQ(std::memcmp(got.data(), value.data(), value.size()), 0);
    const auto calls = Recorded({"dbpp_get_data"});
    ASSERT_EQ(calls.size(), 31u);
    const std::string cursor = "\"TNX-" + std::to_string(sql->GetOpenStatement()) + "\"";
    for (std::size_t i = 0; i < calls.size(); ++i)
        ASSERT_EQ(calls[i], "dbpp_get_data(" + cursor + ", 2, " + std::to_string(i * 32765) + ", sqlda(1))");

    ASSERT_TRUE(sql->Next());
    TCorvexBlobStream* blob = sql->GetBlobManager()->BlobByName("v");
    EXPECT_EQ(blob->GetBlobSize(), 100);
    blob->Seek(90, vcl::TSeekOrigin::soBeginning);
    char buffer[50];
    EXPECT_EQ(blob->Read(buffer, 50), 10);
    EXPECT_EQ(std::memcmp(buffer, value.data() + 90, 10), 0);
    EXPECT_EQ(blob->Read(buffer, 50), 0);

    // A load that fails leaves the stream without data.
    sql->GetBlobManager()->ClearBlobs();
    Instrument().Inject("dbpp_get_data", 0, DBLIB_E_DISK_FULL);
    EXPECT_EQ(blob->GetBlobSize(), 0);
    EXPECT_EQ(blob->Read(buffer, 50), 0);
    EXPECT_TRUE(blob->GetEmpty());
    Instrument().ClearInjections();
}

TEST_P(SqlChanges, AFailedLongValueLoadIsReportedLikeEveryOtherCall) {
    Run("create table m (id integer primary key, v long varchar)");
    const std::string text = Text(20000);
    auto writer = NewSQL();
    ASSERT_TRUE(writer->Execute("insert into m values (1, ?)", {vcl::Variant(vcl::AnsiString(text))}));
    ASSERT_TRUE(S().Commit());
    int errors = 0;
    S().SetOnError([&](vcl::TObject*) { ++errors; });

    auto sql = NewSQL();
    ASSERT_TRUE(sql->OpenRead("select id, v from m"));
    Instrument().Inject("dbpp_get_data", 1, DBLIB_E_DISK_FULL);
    EXPECT_EQ(vcl::VarToStr(sql->GetFieldValue("v")).size(), 0u);
    EXPECT_EQ(S().GetLastErrorCode(), DBLIB_E_DISK_FULL) << "the load's failure is not reported as success";
    EXPECT_EQ(errors, 1);
    EXPECT_TRUE(vcl::VarToStr(sql->GetFieldValue("v")) == text) << "the next read loads it";

    // With WantExceptions the failure raises, through the stream as through the field.
    sql->SetWantExceptions(true);
    Instrument().Inject("dbpp_get_data", 1, DBLIB_E_DISK_FULL);
    EXPECT_THROW(sql->GetFieldValue("v"), EAsaException);
    TCorvexBlobStream* blob = sql->GetBlobManager()->BlobByName("v");
    blob->Clear();
    Instrument().Inject("dbpp_get_data", 1, DBLIB_E_DISK_FULL);
    char buffer[16];
    EXPECT_THROW(blob->Read(buffer, sizeof buffer), EAsaException);
    sql->SetWantExceptions(false);

    // A connection lost while the value loads ends the session's connection, and the statement's
    // streams with it: nothing of them is touched afterwards.
    Instrument().Inject("dbpp_get_data", 1, DBLIB_E_CONNECTION_ENDED);
    EXPECT_EQ(vcl::VarToStr(sql->GetFieldValue("v")).size(), 0u);
    EXPECT_EQ(S().GetLastErrorCode(), DBLIB_E_CONNECTION_ENDED);
    EXPECT_FALSE(S().GetConnected());
    EXPECT_FALSE(sql->GetActive());
    // The same through the stream's own reading and its size (a seek from the end).
    for (int how = 0; how < 2; ++how) {
        S().SetConnected(true);
        ASSERT_TRUE(sql->OpenRead("select id, v from m"));
        TCorvexBlobStream* stream = sql->GetBlobManager()->BlobByName("v");
        Instrument().Inject("dbpp_get_data", 1, DBLIB_E_CONNECTION_ENDED);
        if (how == 0)
            EXPECT_EQ(stream->Read(buffer, sizeof buffer), 0);
        else
            EXPECT_EQ(stream->Seek(0, vcl::TSeekOrigin::soEnd), 0);
        EXPECT_FALSE(S().GetConnected());
    }
}

TEST_P(SqlChanges, FieldDataConvertsEveryTypeWithinItsSize) {
    auto sql = NewSQL();
    uint8_t buffer[200];
    auto roundTrip = [&](TCorvexFieldTypes type, int32_t size, const vcl::Variant& v) {
        std::memset(buffer, 0xAB, sizeof buffer);
        sql->PutFieldData(buffer, 10, size, type, v, nullptr);
        EXPECT_EQ(buffer[9], 0xAB) << "nothing before the value";
        EXPECT_EQ(buffer[10 + size], 0xAB) << "nothing past Size";
        return sql->GetFieldData(buffer, 10, size, type, nullptr);
    };
    EXPECT_EQ(roundTrip(ntInteger, 4, int32_t(-123456)), vcl::Variant(int32_t(-123456)));
    EXPECT_EQ(roundTrip(ntFloat, 8, 2.75).AsDouble(), 2.75);
    EXPECT_EQ(roundTrip(ntCurrency, 8, 12.3456).AsDouble(), 12.3456);
    EXPECT_EQ(roundTrip(ntBoolean, 1, true), vcl::Variant(true));
    EXPECT_EQ(roundTrip(ntBoolean, 1, false), vcl::Variant(false));
    EXPECT_EQ(roundTrip(ntString, 6, "abcdefgh"), vcl::Variant("abcde")) << "Size - 1 characters and the NUL";
    const vcl::TDateTime when(vcl::EncodeDate(2001, 7, 4).Value + vcl::EncodeTime(13, 14, 15, 0).Value);
    EXPECT_DOUBLE_EQ(roundTrip(ntDateTime, 14, vcl::Variant(when)).AsDouble(), when.Value);
    EXPECT_TRUE(roundTrip(ntUnknown, 4, int32_t(5)).IsNull());
    EXPECT_EQ(roundTrip(ntMemo, 4, "memo text"), vcl::Variant("memo")) << "min(Size, length), no NUL";

    // Binary: a read takes the length prefix, bounded by the declared length (10 of a prefix of
    // 100; 2 of a prefix of 2, not the column padded with zeros); an oversized array into Size 102
    // stores 100 bytes.
    std::vector<uint8_t> big(300);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<uint8_t>(i);
    const vcl::Variant bigValue = TCorvexSQL::StrToVarByte(big.data(), 300);
    std::memset(buffer, 0, sizeof buffer);
    sql->PutFieldData(buffer, 0, 102, ntBinary, bigValue, nullptr);
    uint16_t length;
    std::memcpy(&length, buffer, 2);
    EXPECT_EQ(length, 100);
    EXPECT_EQ(std::memcmp(buffer + 2, big.data(), 100), 0);
    EXPECT_EQ(buffer[102], 0) << "nothing past Size";
    const auto bytes = Bytes(sql->GetFieldData(buffer, 0, 12, ntBinary, nullptr));
    EXPECT_EQ(bytes.size(), 10u);
    sql->PutFieldData(buffer, 0, 102, ntBinary, "not bytes", nullptr);
    std::memcpy(&length, buffer, 2);
    EXPECT_EQ(length, 100) << "a value that is no byte array stores nothing";
    const uint16_t two = 2;
    std::memcpy(buffer, &two, 2);
    EXPECT_EQ(Bytes(sql->GetFieldData(buffer, 0, 12, ntBinary, nullptr)), (std::vector<uint8_t>{0, 1}));
    EXPECT_EQ(Bytes(sql->GetFieldData(buffer, 0, 20, ntBlob, nullptr)).size(), 20u);

    // OEM conversion: off stores Windows-1252, on stores code page 850, and reads back either way.
    const std::string accented = "caf\xE9";
    std::memset(buffer, 0, sizeof buffer);
    sql->PutFieldData(buffer, 0, 10, ntString, accented, nullptr);
    EXPECT_EQ(buffer[3], 0xE9);
    S().SetOEMConvert(true);
    sql->PutFieldData(buffer, 0, 10, ntString, accented, nullptr);
    EXPECT_EQ(buffer[3], 0x82);
    EXPECT_EQ(sql->GetFieldData(buffer, 0, 10, ntString, nullptr), vcl::Variant(accented));
    S().SetOEMConvert(false);
    EXPECT_EQ(sql->GetFieldData(buffer, 0, 10, ntString, nullptr), vcl::Variant(std::string("caf\x82")));
}

TEST_P(SqlChanges, FieldValuesOfEveryColumnTypeSurviveARoundTripThroughTheDatabase) {
    Run("create table v (id integer primary key, i integer, f double, c decimal(10,4), s varchar(30), "
        "b bit, d date, t time, ts timestamp, bin binary(10), memo long varchar)");
    Run("commit");
    auto sql = NewSQL();
    EXPECT_FALSE(sql->OpenWrite("select id, i, f, c, s, b, d, t, ts, bin, memo from v"));
    ASSERT_TRUE(sql->GetActive());
    sql->Clear();
    const vcl::TDateTime date = vcl::EncodeDate(1999, 12, 31);
    const vcl::TDateTime time = vcl::EncodeTime(23, 59, 58, 0);
    const vcl::TDateTime stamp(vcl::EncodeDate(2000, 2, 29).Value + vcl::EncodeTime(6, 7, 8, 0).Value);
    const uint8_t raw[3] = {1, 0, 255};
    sql->SetFieldValue("id", int32_t(1));
    sql->SetFieldValue("i", int32_t(-7));
    sql->SetFieldValue("f", 1.25);
    sql->SetFieldValue("c", 99.1234);
    sql->SetFieldValue("s", "text");
    sql->SetFieldValue("b", true);
    sql->SetFieldValue("d", vcl::Variant(date));
    sql->SetFieldValue("t", vcl::Variant(time));
    sql->SetFieldValue("ts", vcl::Variant(stamp));
    sql->SetFieldValue("bin", TCorvexSQL::StrToVarByte(raw, 3));
    sql->SetFieldValue("memo", Text(40000));
    ASSERT_TRUE(sql->Append()) << sql->GetLastError();

    auto reader = NewSQL();
    ASSERT_TRUE(reader->OpenRead("select id, i, f, c, s, b, d, t, ts, bin, memo from v"));
    EXPECT_EQ(reader->GetFieldValue("i"), vcl::Variant(int32_t(-7)));
    EXPECT_EQ(reader->GetFieldValue("f").AsDouble(), 1.25);
    EXPECT_EQ(reader->GetFieldType("c"), ntCurrency);
    EXPECT_DOUBLE_EQ(reader->GetFieldValue("c").AsDouble(), 99.1234);
    EXPECT_EQ(reader->GetFieldValue("s"), vcl::Variant("text"));
    EXPECT_EQ(reader->GetFieldValue("b"), vcl::Variant(true));
    EXPECT_DOUBLE_EQ(reader->GetFieldValue("d").AsDouble(), date.Value);
    EXPECT_DOUBLE_EQ(reader->GetFieldValue("t").AsDouble(), time.Value)
        << "a time of day reads back as itself";
    EXPECT_DOUBLE_EQ(reader->GetFieldValue("ts").AsDouble(), stamp.Value);
    const auto bin = Bytes(reader->GetFieldValue("bin"));
    EXPECT_EQ(bin, (std::vector<uint8_t>{1, 0, 255})) << "as stored, not padded to the declared length";
    EXPECT_TRUE(vcl::VarToStr(reader->GetFieldValue("memo")) == Text(40000));
}

TEST(AsaTimeStamp, RecordsConvertBothWays) {
    Tsqldatetime rec;
    std::memset(&rec, 0x5A, sizeof rec);
    const vcl::TDateTime dt(vcl::EncodeDate(2000, 3, 1).Value + vcl::EncodeTime(12, 30, 15, 250).Value);
    PutAsaTimeStamp(dt, rec);
    EXPECT_EQ(rec.year, 2000);
    EXPECT_EQ(rec.month, 2);
    EXPECT_EQ(rec.day, 1);
    EXPECT_EQ(rec.day_of_week, 3);
    EXPECT_EQ(rec.day_of_year, 60);
    EXPECT_EQ(rec.hour, 12);
    EXPECT_EQ(rec.minute, 30);
    EXPECT_EQ(rec.second, 15);
    EXPECT_EQ(static_cast<uint32_t>(rec.microsecond), 250000u); // a copy: the packed field is misaligned
    // The milliseconds come back.
    EXPECT_DOUBLE_EQ(GetAsaTimeStamp(rec).Value, dt.Value);

    // A pure time of day: no date fields, and it reads back as that time.
    PutAsaTimeStamp(vcl::TDateTime(0.75), rec);
    EXPECT_EQ(rec.year, 0);
    EXPECT_EQ(rec.month, 0);
    EXPECT_EQ(rec.day, 0);
    EXPECT_EQ(rec.day_of_year, 0);
    EXPECT_EQ(rec.hour, 18);
    EXPECT_DOUBLE_EQ(GetAsaTimeStamp(rec).Value, 0.75);

    // Invalid records read as 0.
    PutAsaTimeStamp(vcl::EncodeDate(2010, 5, 5), rec);
    rec.month = 12;
    EXPECT_EQ(GetAsaTimeStamp(rec).Value, 0.0);
    rec.month = 1;
    rec.day = 30; // February 30th
    EXPECT_EQ(GetAsaTimeStamp(rec).Value, 0.0);
    rec.day = 3;
    rec.hour = 24;
    EXPECT_EQ(GetAsaTimeStamp(rec).Value, 0.0);

    // Before 1899-12-30 the time lies as a positive fraction away from the day.
    const vcl::TDateTime old(vcl::EncodeDate(1850, 1, 2).Value - 0.5);
    PutAsaTimeStamp(old, rec);
    EXPECT_EQ(rec.year, 1850);
    EXPECT_EQ(rec.hour, 12);
    EXPECT_DOUBLE_EQ(GetAsaTimeStamp(rec).Value, old.Value);
}

INSTANTIATE_TEST_SUITE_P(Generations, SqlChanges, ::testing::ValuesIn(CurrentGenerations()), GenerationName);
