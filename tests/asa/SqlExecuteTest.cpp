// Executed statements: binding once for same-shaped values, long values through temporary SQL
// variables, output values, surplus inputs, text run at once, auto commit, and failures.
#include "SqlTestSupport.h"

#include "base/CorvexBlob.h"
#include "platform/vcl/StringList.h"

#include <algorithm>
#include <cstring>

using namespace tnx;
using namespace asatest;

namespace {

class SqlExecute : public SqlTest {
protected:
    // The number of calls in the record whose line starts with prefix.
    long Count(const std::string& prefix) {
        const auto calls = Recorded({prefix});
        return static_cast<long>(calls.size());
    }
};

std::string Pattern(std::size_t n) {
    std::string s(n, ' ');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>('a' + (i * 7 + i / 26) % 26);
    return s;
}

} // namespace

TEST_P(SqlExecute, SameShapedValuesAreBoundOnceAndReExecutedWithoutDescribing) {
    MakeRows(0);
    auto sql = NewSQL();
    ASSERT_TRUE(sql->PrepareExecute("insert into t (n, s) values (?, ?)"));
    const std::string stmt = std::to_string(sql->GetExecStatement());
    Record();
    ASSERT_TRUE(sql->ExecutePrepared({int32_t(1), "one"}));
    ASSERT_TRUE(sql->ExecutePrepared({int32_t(2), "two"}));
    ASSERT_TRUE(sql->ExecutePrepared({int32_t(3), "three"}));
    EXPECT_EQ(Recorded({"dbpp_", "alloc_sqlda"}),
              (std::vector<std::string>{
                  "alloc_sqlda(0)",
                  "dbpp_describe(\"TNX\", " + stmt + ", 2)",
                  "alloc_sqlda(2)",
                  "dbpp_describe(\"TNX\", " + stmt + ", 2)",
                  "alloc_sqlda(0)",
                  "dbpp_describe(\"TNX\", " + stmt + ", 1)",
                  "dbpp_execute_into(\"TNX\", " + stmt + ", sqlda(2), null)",
                  "dbpp_execute_into(\"TNX\", " + stmt + ", sqlda(2), null)",
                  "dbpp_execute_into(\"TNX\", " + stmt + ", sqlda(2), null)",
              }));
    EXPECT_EQ(sql->GetRowsProcessed(), 1u);
    EXPECT_EQ(QueryInt(S(), "select count(*) from t where s in ('one', 'two', 'three') and n in (1, 2, 3)"),
              3);
    // Execute with the prepared text takes the same path.
    Record();
    ASSERT_TRUE(sql->Execute("insert into t (n, s) values (?, ?)", {int32_t(4), "four"}));
    EXPECT_EQ(Count("dbpp_describe"), 0);
    EXPECT_EQ(Count("dbpp_prepare"), 0);
}

TEST_P(SqlExecute, AValueGrowingPastTheDefaultLengthRebindsAsMemo) {
    Run("create table m (n integer, txt long varchar)");
    auto sql = NewSQL();
    ASSERT_TRUE(sql->Execute("insert into m values (?, ?)", {int32_t(1), "short"}));
    EXPECT_EQ(sql->GetExecVariables().Items[1].FieldType, ntString);
    EXPECT_EQ(sql->GetExecVariables().Items[1].Size, 8193);
    const std::string longText = Pattern(9000);
    Record();
    ASSERT_TRUE(sql->Execute("insert into m values (?, ?)", {int32_t(2), longText}));
    EXPECT_EQ(sql->GetExecVariables().Items[1].FieldType, ntMemo);
    EXPECT_EQ(sql->GetExecVariables().Items[1].Size, 9000);
    EXPECT_EQ(Count("dbpp_describe(\"TNX\", " + std::to_string(sql->GetExecStatement()) + ", 2)"), 2);
    EXPECT_EQ(QueryInt(S(), "select length(txt) from m where n = 2"), 9000);
    ASSERT_TRUE(sql->Execute("select txt from m where n = ?", {int32_t(2)}));
    EXPECT_EQ(sql->GetOutVar(int32_t(0)), vcl::Variant(longText));
    // 8192 characters still fit a plain variable (8193 bytes with the NUL).
    ASSERT_TRUE(sql->Execute("insert into m values (?, ?)", {int32_t(3), std::string(8192, 'x')}));
    EXPECT_EQ(sql->GetExecVariables().Items[1].FieldType, ntString);
    EXPECT_EQ(QueryInt(S(), "select length(txt) from m where n = 3"), 8192);
}

TEST_P(SqlExecute, ALongValueTravelsThroughATemporaryVariableFilledInPieces) {
    Run("create table m (n integer, txt long varchar)");
    auto sql = NewSQL();
    const std::string value = Pattern(40000);
    Record();
    ChangeSpy spy(ChangeSpy::ExecuteInto);
    ASSERT_TRUE(sql->Execute("insert into m (txt, n) values (?, ?)", {value, int32_t(7)}));
    EXPECT_EQ(Recorded({"dbpp_execute_imm"}),
              (std::vector<std::string>{
                  "dbpp_execute_imm(\"create variable \\\"blobparam1\\\" long binary\", 2)",
                  "dbpp_execute_imm(\"set \\\"blobparam1\\\"=''\", 2)",
                  "dbpp_execute_imm(\"drop variable \\\"blobparam1\\\"\", 2)",
              }));
    // The append is prepared once and executed once per piece, without describing, then dropped.
    auto appends = Recorded({"dbpp_prepare("});
    std::erase_if(appends, [](const std::string& l) { return l.find("blob_host") == std::string::npos; });
    ASSERT_EQ(appends.size(), 1u);
    EXPECT_NE(appends[0].find("\"set \\\"blobparam1\\\"=\\\"blobparam1\\\" || :blob_host\""),
              std::string::npos)
        << appends[0];
    EXPECT_EQ(Count("dbpp_describe"), 3) << "only the statement's own inputs (twice) and outputs";
    EXPECT_EQ(Count("dbpp_dropstmt"), 1);
    // Two pieces of 32765 and 7235 bytes, then the statement with the variable's name in place of
    // the value; the drop comes after it.
    ASSERT_EQ(spy.Calls().size(), 3u);
    ASSERT_EQ(spy.Calls()[0].size(), 1u);
    EXPECT_EQ(spy.Calls()[0][0].Type & ~1, DBLIB_T_BINARY);
    EXPECT_EQ(spy.Calls()[0][0].Data, "32765");
    EXPECT_EQ(spy.Calls()[1][0].Data, "7235");
    ASSERT_EQ(spy.Calls()[2].size(), 2u);
    EXPECT_EQ(spy.Calls()[2][0].Type, DBLIB_T_VARIABLE);
    EXPECT_EQ(spy.Calls()[2][0].Data, "blobparam1");
    EXPECT_EQ(spy.Calls()[2][1].Data, "7");
    const auto lines = Instrument().Lines();
    const auto execute = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.rfind("dbpp_execute_into(\"TNX\", " + std::to_string(sql->GetExecStatement()) + ",", 0) == 0;
    });
    const auto drop =
        std::find(lines.begin(), lines.end(), "dbpp_execute_imm(\"drop variable \\\"blobparam1\\\"\", 2)");
    EXPECT_LT(execute, drop);

    EXPECT_EQ(QueryInt(S(), "select length(txt) from m where n = 7"), 40000);
    EXPECT_EQ(sql->GetRowsProcessed(), 1u);
    EXPECT_EQ(VariableLength(S(), "blobparam1"), std::nullopt) << "the variable was dropped";
    Record();
    ASSERT_TRUE(sql->Execute("select txt from m where n = ?", {int32_t(7)}));
    EXPECT_TRUE(Recorded({"dbpp_execute_imm"}).empty()) << "the next execution drops no variable again";
    EXPECT_EQ(sql->GetOutVar(int32_t(0)), vcl::Variant(value.substr(0, 32766)))
        << "an output holds at most 32766 characters";
    // No statement of the pieces stays prepared.
    EXPECT_EQ(NumbersInUse(), std::vector<int>{sql->GetExecStatement()});
}

TEST_P(SqlExecute, BinaryValuesOfEveryLengthUpToTheBlobThresholdAreStoredWhole) {
    // A binary host variable holds a 16-bit length and then its bytes: around the largest length
    // it can carry, each value is either stored whole in it or sent as a long value.
    Run("create table b (id integer primary key, v long binary)");
    auto sql = NewSQL();
    for (const int32_t size : {1, 32764, 32765, 32766, 32767, 32768}) {
        SCOPED_TRACE(size);
        std::string bytes(static_cast<std::size_t>(size), '\0');
        for (int32_t i = 0; i < size; ++i)
            bytes[static_cast<std::size_t>(i)] = static_cast<char>(i * 7 + 1);
        ASSERT_TRUE(sql->Execute("insert into b values (?, ?)", {size, TCorvexSQL::StrToVarByte(bytes.data(), size)}))
            << sql->GetLastError();
        EXPECT_EQ(QueryInt(S(), "select length(v) from b where id = " + std::to_string(size)), size);
        ASSERT_TRUE(sql->OpenRead("select v from b where id = ?", {size}));
        const vcl::Variant back = sql->GetFieldValue(int32_t(0));
        ASSERT_EQ(vcl::VarArrayHighBound(back, 1) + 1, size);
        EXPECT_EQ(std::memcmp(vcl::VarArrayLock(back), bytes.data(), bytes.size()), 0);
        vcl::VarArrayUnlock(back);
        sql->Close();
    }
}

TEST_P(SqlExecute, LongBinaryValuesGoInFromTheCallersArrayAndComeBackWhole) {
    Run("create table b (id integer primary key, v long binary)");
    // Sizes around the piece length: one piece and 3 bytes,
    // exactly two pieces, and many pieces.
    for (const int32_t size : {32768, 2 * 32765, 300001}) {
        std::string bytes(static_cast<std::size_t>(size), '\0');
        for (int32_t i = 0; i < size; ++i)
            bytes[static_cast<std::size_t>(i)] = static_cast<char>((i * 131) ^ (i >> 9));
        const vcl::Variant value = TCorvexSQL::StrToVarByte(bytes.data(), size);
        auto sql = NewSQL();
        ChangeSpy spy(ChangeSpy::ExecuteInto);
        ASSERT_TRUE(sql->Execute("insert into b values (?, ?)", {size, value}));
        // Every piece is a full 32765 bytes but the last, in order.
        const std::size_t pieces = static_cast<std::size_t>((size + 32764) / 32765);
        ASSERT_EQ(spy.Calls().size(), pieces + 1);
        for (std::size_t i = 0; i < pieces; ++i)
            EXPECT_EQ(
                spy.Calls()[i][0].Data,
                std::to_string(i + 1 < pieces ? 32765 : size - 32765 * static_cast<int32_t>(pieces - 1)));
        EXPECT_EQ(QueryInt(S(), "select length(v) from b where id = " + std::to_string(size)), size);

        ASSERT_TRUE(sql->OpenRead("select v from b where id = ?", {size}));
        const vcl::Variant back = sql->GetFieldValue(int32_t(0));
        ASSERT_EQ(vcl::VarArrayHighBound(back, 1) + 1, size);
        EXPECT_EQ(std::memcmp(vcl::VarArrayLock(back), bytes.data(), bytes.size()), 0) << size;
        vcl::VarArrayUnlock(back);
        // The blob stream holds the value, readable from any position.
        TCorvexBlobStream* blob = sql->GetBlobManager()->BlobByName("v");
        EXPECT_EQ(blob->GetBlobSize(), size);
        char tail[8];
        blob->Seek(-3, vcl::TSeekOrigin::soEnd);
        ASSERT_EQ(blob->Read(tail, 8), 3);
        EXPECT_EQ(std::memcmp(tail, bytes.data() + size - 3, 3), 0);
        // A load that fails after its first piece keeps nothing of what it had received.
        sql->GetBlobManager()->ClearBlobs();
        Instrument().Inject("dbpp_get_data", 2, DBLIB_E_DISK_FULL);
        EXPECT_EQ(blob->GetBlobSize(), 0);
        Instrument().ClearInjections();
        blob->Seek(0, vcl::TSeekOrigin::soBeginning);
        EXPECT_EQ(blob->GetBuffer(), nullptr);
        EXPECT_EQ(blob->GetBufferSize(), 32765) << "the bytes received are counted, not kept";
    }
    EXPECT_EQ(NumbersInUse().size(), 0u) << "no statement of the pieces stays prepared";
}

TEST_P(SqlExecute, ALongValueReadAsAFieldComesFromTheCursorAndAWrittenStreamWins) {
    Run("create table b (id integer primary key, v long binary)");
    const int32_t size = 3 * 32765 + 11;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    for (int32_t i = 0; i < size; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>((i * 29) ^ (i >> 7));
    auto sql = NewSQL();
    ASSERT_TRUE(sql->Execute("insert into b values (1, ?), (2, x'')", {TCorvexSQL::StrToVarByte(bytes.data(), size)}));
    ASSERT_TRUE(sql->OpenRead("select v from b order by id"));
    TCorvexBlobStream* blob = sql->GetBlobManager()->BlobByName("v");
    ASSERT_NE(blob, nullptr);
    // Read twice: each read is the whole value, and the stream keeps no copy of its own.
    for (int round = 0; round < 2; ++round) {
        const vcl::Variant back = sql->GetFieldValue(int32_t(0));
        ASSERT_TRUE(back.IsArray());
        ASSERT_EQ(vcl::VarArrayHighBound(back, 1) + 1, size);
        EXPECT_EQ(std::memcmp(vcl::VarArrayLock(back), bytes.data(), bytes.size()), 0) << round;
        vcl::VarArrayUnlock(back);
        EXPECT_EQ(blob->GetBuffer(), nullptr);
    }
    // A piece that fails: no value, and the failure is the statement's like any other.
    Instrument().Inject("dbpp_get_data", 2, DBLIB_E_DISK_FULL);
    EXPECT_TRUE(sql->GetFieldValue(int32_t(0)).IsNull());
    Instrument().ClearInjections();
    EXPECT_EQ(sql->GetLastErrorCode(), DBLIB_E_DISK_FULL);
    // What was written into the stream is the field's value, not the cursor's.
    blob->Truncate();
    blob->WriteBuffer("xyz", 3);
    const vcl::Variant written = sql->GetFieldValue(int32_t(0));
    ASSERT_EQ(vcl::VarArrayHighBound(written, 1) + 1, 3);
    EXPECT_EQ(std::memcmp(vcl::VarArrayLock(written), "xyz", 3), 0);
    vcl::VarArrayUnlock(written);
    // An empty value is Null, as it was when the stream was loaded first.
    sql->Next();
    ASSERT_FALSE(sql->GetEOF());
    EXPECT_TRUE(sql->GetFieldValue(int32_t(0)).IsNull());
    sql->Close();
}

TEST_P(SqlExecute, AFailedPieceDropsTheVariableAndTheAppendAndSendsNothing) {
    Run("create table b (id integer primary key, v long binary)");
    const std::string bytes(100000, 'q');
    const vcl::Variant value = TCorvexSQL::StrToVarByte(bytes.data(), static_cast<int32_t>(bytes.size()));
    auto sql = NewSQL();
    ASSERT_TRUE(sql->PrepareExecute("insert into b values (?, ?)"));
    // The third piece fails: the statement does not run, the variable and the append go.
    Instrument().Inject("dbpp_execute_into", 3, DBLIB_E_DISK_FULL);
    Record();
    EXPECT_FALSE(sql->ExecutePrepared({int32_t(1), value}));
    Instrument().ClearInjections();
    EXPECT_EQ(sql->GetLastErrorCode(), DBLIB_E_DISK_FULL);
    EXPECT_EQ(Count("dbpp_execute_into"), 3) << "no piece after the failure, and not the statement";
    EXPECT_EQ(VariableLength(S(), "blobparam2"), std::nullopt);
    EXPECT_EQ(QueryInt(S(), "select count(*) from b"), 0);
    EXPECT_EQ(NumbersInUse(), std::vector<int>{sql->GetExecStatement()});
    // The next execution with the same value succeeds.
    ASSERT_TRUE(sql->ExecutePrepared({int32_t(1), value}));
    EXPECT_EQ(QueryInt(S(), "select length(v) from b where id = 1"), 100000);
}

TEST_P(SqlExecute, BlobVariablesOfLengthZeroAndWithoutData) {
    auto sql = NewSQL();
    const char bytes[] = "abc";
    Record();
    ChangeSpy spy(ChangeSpy::ExecuteInto);
    // Length 0 with data: created, emptied, one append of NULL.
    ASSERT_TRUE(sql->InternalCreateBlobVariable("v1", bytes, 0));
    ASSERT_EQ(spy.Calls().size(), 1u);
    EXPECT_EQ(spy.Calls()[0][0].Indicator, -1);
    EXPECT_EQ(VariableLength(S(), "v1"), 0) << "empty, not NULL";
    // No data: created and emptied, nothing appended.
    Record();
    ASSERT_TRUE(sql->InternalCreateBlobVariable("v2", nullptr, 5));
    EXPECT_EQ(Recorded({"dbpp_execute_imm", "dbpp_prepare"}),
              (std::vector<std::string>{"dbpp_execute_imm(\"create variable \\\"v2\\\" long binary\", 2)",
                                        "dbpp_execute_imm(\"set \\\"v2\\\"=''\", 2)"}));
    EXPECT_EQ(VariableLength(S(), "v2"), 0);
}

TEST_P(SqlExecute, VariableNamesAreQuotedIdentifiers) {
    MakeRows(3);
    auto sql = NewSQL();
    // A name with a blank and a double quote, and one written to end the statement early: each
    // stays one identifier.
    ASSERT_TRUE(sql->InternalCreateBlobVariable("my \"odd\" col", "xyz", 3));
    EXPECT_EQ(VariableLength(S(), "my \"odd\" col"), 3);
    ASSERT_TRUE(sql->InternalCreateBlobVariable("x long binary; drop table t --", "ab", 2));
    EXPECT_EQ(VariableLength(S(), "x long binary; drop table t --"), 2);
    EXPECT_EQ(QueryInt(S(), "select count(*) from t"), 3);
    auto names = vcl::New<vcl::TStringList>();
    names->Add("my \"odd\" col");
    names->Add("x long binary; drop table t --");
    Record();
    sql->InternalDropBlobVariables(names.get());
    EXPECT_EQ(Recorded({"dbpp_execute_imm"}),
              (std::vector<std::string>{
                  "dbpp_execute_imm(\"drop variable \\\"my \\\"\\\"odd\\\"\\\" col\\\"\", 2)",
                  "dbpp_execute_imm(\"drop variable \\\"x long binary; drop table t --\\\"\", 2)"}));
    EXPECT_EQ(S().GetLastErrorCode(), 0);
    EXPECT_EQ(VariableLength(S(), "my \"odd\" col"), std::nullopt);
}

TEST_P(SqlExecute, OutputValuesOfAQueryAndSurplusInputsSentAsNull) {
    MakeRows(5);
    auto sql = NewSQL();
    ASSERT_TRUE(sql->Execute("select n, s from t where n = ?", {int32_t(3)}));
    ASSERT_EQ(sql->GetExecVariables().OutCount, 2);
    EXPECT_EQ(sql->GetOutVar(int32_t(0)), vcl::Variant(int32_t(3)));
    EXPECT_EQ(sql->GetOutVar("S"), vcl::Variant("row 3"));
    EXPECT_EQ(sql->GetRowsProcessed(), 1u);
    EXPECT_THROW(sql->GetOutVar(int32_t(2)), ECorvexException);
    // Same shape again: the outputs are cleared and refilled.
    ASSERT_TRUE(sql->Execute("select n, s from t where n = ?", {int32_t(4)}));
    EXPECT_EQ(sql->GetOutVar("s"), vcl::Variant("row 4"));

    // Three markers, one value: the other two go as NULL.
    Run("create table t2 (a integer, b integer, c varchar(5))");
    ChangeSpy spy(ChangeSpy::ExecuteInto);
    ASSERT_TRUE(sql->Execute("insert into t2 (a, b, c) values (?, ?, ?)", {int32_t(1)}));
    ASSERT_EQ(spy.Calls().size(), 1u);
    ASSERT_EQ(spy.Calls()[0].size(), 3u);
    EXPECT_EQ(spy.Calls()[0][0].Indicator, 0);
    EXPECT_EQ(spy.Calls()[0][1].Indicator, -1);
    EXPECT_EQ(spy.Calls()[0][2].Indicator, -1);
    EXPECT_EQ(QueryInt(S(), "select count(*) from t2 where a = 1 and b is null and c is null"), 1);
    // A Null value is sent as NULL too.
    ASSERT_TRUE(sql->Execute("insert into t2 (a, b, c) values (?, ?, ?)", {int32_t(2), vcl::Null(), "x"}));
    EXPECT_EQ(QueryInt(S(), "select count(*) from t2 where a = 2 and b is null and c = 'x'"), 1);
}

TEST_P(SqlExecute, OutputOnlyParametersTakeNoInputValue) {
    Run("create table t2 (a integer, b integer)");
    auto sql = NewSQL();
    // The library marks the first described parameter as output-only (bit 15 set, bit 14 clear).
    DescribeSpy marks([](sqlda* da, unsigned kind) {
        if (kind == 2 && da->sqln >= 2 && da->sqlvar[0].sqlind != nullptr)
            *da->sqlvar[0].sqlind = static_cast<int16_t>(0x8000);
    });
    ChangeSpy spy(ChangeSpy::ExecuteInto);
    ASSERT_TRUE(sql->Execute("insert into t2 (a, b) values (?, ?)", {int32_t(5)}));
    ASSERT_EQ(spy.Calls().size(), 1u);
    EXPECT_EQ(spy.Calls()[0][0].Indicator, -1);
    EXPECT_EQ(spy.Calls()[0][1].Data, "5") << "the value went to the next input";
    EXPECT_EQ(QueryInt(S(), "select b from t2 where a is null"), 5);
}

TEST_P(SqlExecute, BooleanValuesKeepTheirOwnByte) {
    Run("create table b (f bit, n integer)");
    auto sql = NewSQL();
    ASSERT_TRUE(sql->Execute("insert into b (f, n) values (?, ?)", {true, int32_t(0)}));
    ASSERT_TRUE(sql->Execute("insert into b (f, n) values (?, ?)", {false, int32_t(7)}));
    EXPECT_EQ(QueryInt(S(), "select f from b where n = 0"), 1);
    EXPECT_EQ(QueryInt(S(), "select f from b where n = 7"), 0);
    EXPECT_EQ(sql->GetExecVariables().Items[0].Size, 1);
}

TEST_P(SqlExecute, WideIntegerValuesArriveExactly) {
    Run("create table w (k integer, v bigint)");
    auto sql = NewSQL();
    // Within 32 bits a wider integer binds as an integer; beyond, as its exact decimal text (a
    // double would round 2^53 + 1). Neither may arrive as NULL.
    const int64_t big = (int64_t(1) << 53) + 1;
    ASSERT_TRUE(sql->Execute("insert into w values (?, ?)", {int32_t(1), vcl::Variant(int64_t(7))}));
    EXPECT_EQ(sql->GetExecVariables().Items[1].FieldType, ntInteger);
    ASSERT_TRUE(sql->Execute("insert into w values (?, ?)", {int32_t(2), vcl::Variant(big)}));
    EXPECT_EQ(sql->GetExecVariables().Items[1].FieldType, ntString);
    ASSERT_TRUE(sql->Execute("insert into w values (?, ?)", {int32_t(3), vcl::Variant(int64_t(-5000000000))}));
    // An unsigned value beyond the signed range is beyond a BIGINT column's domain: refused, where
    // a column of no declared type keeps it exactly.
    sql->SetWantExceptions(false);
    EXPECT_FALSE(sql->Execute("insert into w values (?, ?)", {int32_t(4), vcl::Variant(uint64_t(~uint64_t(0)))}));
    EXPECT_EQ(S().GetLastErrorCode(), -158);
    Run("alter table w add column u");
    ASSERT_TRUE(sql->Execute("insert into w (k, u) values (?, ?)", {int32_t(4), vcl::Variant(uint64_t(~uint64_t(0)))}));
    EXPECT_EQ(QueryInt(S(), "select count(*) from w where v is null and k <> 4"), 0);
    EXPECT_EQ(QueryInt(S(), "select count(*) from w where k = 1 and v = 7"), 1);
    EXPECT_EQ(QueryInt(S(), "select count(*) from w where k = 2 and v = 9007199254740993"), 1);
    EXPECT_EQ(QueryInt(S(), "select count(*) from w where k = 3 and v = -5000000000"), 1);
    EXPECT_EQ(QueryInt(S(), "select count(*) from w where k = 4 and u = '18446744073709551615'"), 1);
}

TEST_P(SqlExecute, ExecuteImmediateCountsRowsAndCommitsOutsideAUserTransaction) {
    MakeRows(10);
    S().SetAutoCommit(true);
    auto sql = NewSQL();
    Record();
    ASSERT_TRUE(sql->ExecuteImmediate("update t set s = 'x' where n < 7"));
    EXPECT_EQ(sql->GetRowsProcessed(), 7u);
    EXPECT_EQ(Recorded(),
              (std::vector<std::string>{"dbpp_execute_imm(\"update t set s = 'x' where n < 7\", 2)",
                                        "dbpp_commit(0)"}));
    auto other = Another();
    other->SetConnected(true);
    EXPECT_EQ(QueryInt(*other, "select count(*) from t where s = 'x'"), 7) << "committed";

    S().StartTransaction();
    Record();
    ASSERT_TRUE(sql->ExecuteImmediate("update t set s = 'y' where n < 3"));
    EXPECT_EQ(sql->GetRowsProcessed(), 3u);
    EXPECT_EQ(Recorded(),
              std::vector<std::string>{"dbpp_execute_imm(\"update t set s = 'y' where n < 3\", 2)"});
    EXPECT_EQ(QueryInt(*other, "select count(*) from t where s = 'y'"), 0) << "not committed";
    S().Rollback();

    // Without AutoCommit nothing is committed either.
    S().SetAutoCommit(false);
    Record();
    ASSERT_TRUE(sql->ExecuteImmediate("update t set s = 'z' where n = 9"));
    EXPECT_EQ(Recorded().size(), 1u);
    S().Rollback();
}

TEST_P(SqlExecute, AFailedExecuteStillAutoCommitsAndReportsTheLibrarysMessage) {
    MakeRows(3);
    S().SetAutoCommit(true);
    auto sql = NewSQL();
    ASSERT_TRUE(sql->PrepareExecute("insert into t (n, s) values (?, ?)"));
    Record();
    EXPECT_FALSE(sql->ExecutePrepared({int32_t(1), "dup"}));
    EXPECT_EQ(sql->GetLastErrorCode(), DBLIB_E_PRIMARY_KEY);
    EXPECT_NE(sql->GetLastError().find("Primary key for table 't' is not unique"), std::string::npos)
        << sql->GetLastError();
    auto calls = Recorded({"dbpp_execute_into", "dbpp_commit"});
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1], "dbpp_commit(0)");

    sql->SetWantExceptions(true);
    Record();
    try {
        sql->ExecutePrepared({int32_t(2), "dup"});
        FAIL() << "no error";
    } catch (const EAsaException& e) {
        EXPECT_EQ(e.ErrorCode(), DBLIB_E_PRIMARY_KEY);
    }
    EXPECT_EQ(Recorded({"dbpp_commit"}).size(), 1u) << "committed also when the check raised";
    // The statement stays usable.
    EXPECT_TRUE(sql->ExecutePrepared({int32_t(10), "ten"}));
}

TEST_P(SqlExecute, ALongValueThatCannotBeStoredFailsTheExecuteAndSendsNothing) {
    Run("create table m (n integer, txt long varchar)");
    auto sql = NewSQL();
    const std::string value = Pattern(50000);
    // The variable cannot be created.
    Instrument().Inject("dbpp_execute_imm", 1, DBLIB_E_VARIABLE_EXISTS);
    Record();
    EXPECT_FALSE(sql->Execute("insert into m (txt, n) values (?, ?)", {value, int32_t(1)}));
    EXPECT_EQ(sql->GetLastErrorCode(), DBLIB_E_VARIABLE_EXISTS);
    EXPECT_EQ(Recorded({"dbpp_execute_into(\"TNX\", " + std::to_string(sql->GetExecStatement())}).size(), 0u);
    EXPECT_EQ(QueryInt(S(), "select count(*) from m"), 0);

    // A piece cannot be appended: the variable is dropped again and the error stays the last one.
    Instrument().ClearInjections();
    Instrument().Inject("dbpp_execute_into", 2, DBLIB_E_DISK_FULL);
    Record();
    EXPECT_FALSE(sql->Execute("insert into m (txt, n) values (?, ?)", {value, int32_t(2)}));
    EXPECT_EQ(sql->GetLastErrorCode(), DBLIB_E_DISK_FULL);
    EXPECT_EQ(Recorded({"dbpp_execute_imm(\"drop"}).size(), 1u);
    EXPECT_EQ(QueryInt(S(), "select count(*) from m"), 0);

    // Nothing is left on the connection: the next execute creates the variable afresh.
    Instrument().ClearInjections();
    EXPECT_TRUE(sql->Execute("insert into m (txt, n) values (?, ?)", {value, int32_t(3)}));
    EXPECT_EQ(QueryInt(S(), "select length(txt) from m where n = 3"), 50000);
}

TEST_P(SqlExecute, UnprepareDropsTheStatementAndHandsItsNumberBack) {
    MakeRows(0);
    auto sql = NewSQL();
    ASSERT_TRUE(sql->PrepareExecute("insert into t (n) values (?)"));
    const int n = sql->GetExecStatement();
    EXPECT_EQ(NumbersInUse(), std::vector<int>{n});
    Record();
    sql->UnprepareExecute();
    EXPECT_EQ(Recorded(), std::vector<std::string>{"dbpp_dropstmt(\"TNX\", " + std::to_string(n) + ")"});
    EXPECT_TRUE(NumbersInUse().empty());
    EXPECT_FALSE(sql->GetExecPrepared());
    EXPECT_EQ(sql->GetExecBindSqlda(), nullptr);
    // A failed prepare takes no number.
    EXPECT_FALSE(sql->PrepareExecute("insert into nosuch values (1)"));
    EXPECT_TRUE(NumbersInUse().empty());
    EXPECT_FALSE(sql->GetExecPrepared());
}

TEST_P(SqlExecute, AuxiliaryStatementsLeaveTheStatementsOwnStateAlone) {
    MakeRows(3);
    auto sql = NewSQL();
    ASSERT_TRUE(sql->Execute("update t set s = ? where n = ?", {"a", int32_t(1)}));
    const int32_t count = sql->GetExecVariables().Count;
    S().SetAutoCommit(true);
    Record();
    ASSERT_TRUE(
        sql->InternalLocalExecute("update t set s = ? where n < ?", vcl::VarArrayOf({"b", int32_t(2)})));
    EXPECT_EQ(Recorded({"dbpp_commit"}).size(), 0u) << "never commits";
    EXPECT_EQ(sql->GetRowsProcessed(), 1u) << "RowsProcessed is the statement's own";
    EXPECT_EQ(sql->GetExecVariables().Count, count);
    EXPECT_EQ(NumbersInUse(), std::vector<int>{sql->GetExecStatement()});
    EXPECT_EQ(QueryInt(S(), "select count(*) from t where s = 'b'"), 2);
    EXPECT_FALSE(sql->InternalLocalExecute("update nosuch set a = 1", vcl::Null()));
    EXPECT_EQ(sql->GetLastErrorCode(), DBLIB_E_TABLE_NOT_FOUND);
}

INSTANTIATE_TEST_SUITE_P(Generations, SqlExecute, ::testing::ValuesIn(CurrentGenerations()), GenerationName);
