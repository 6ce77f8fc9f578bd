// The base statement's lifecycle through a small driver statement: which steps the query and
// executed-statement operations call, host-variable reuse and rebuild, output variables, the
// session link, the descriptor limit, and destruction.
#include "StatementFixture.h"

#include "platform/vcl/Classes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace tnx;
using namespace tnxtest;
using vcl::AnsiString;
using vcl::Variant;

namespace {

class Statement : public StatementFixture {
protected:
    void SetUp() override {
        StatementFixture::SetUp();
        q->Columns = {{"id", ntInteger}, {"name", ntString, 10}};
        q->Rows = {{Variant(1), Variant("one")}, {Variant(2), Variant("two")}};
    }
    // How many times the statement Q took a step.
    static long Count(const std::string& step) {
        return std::count(StepLog().begin(), StepLog().end(), step + " Q");
    }
};

TEST_F(Statement, StartsUnpreparedWithItsDefaults) {
    EXPECT_TRUE(q->GetUniDirectional());
    EXPECT_FALSE(q->GetWantExceptions());
    EXPECT_EQ(q->GetMaxFetchCount(), 25);
    EXPECT_EQ(q->GetCurrentRow(), -1);
    EXPECT_TRUE(q->GetBOF());
    EXPECT_TRUE(q->GetEOF());
    EXPECT_NE(q->GetBlobManager(), nullptr);
    q->SetMaxFetchCount(0);
    q->SetMaxFetchCount(1001);
    EXPECT_EQ(q->GetMaxFetchCount(), 25);
    q->SetMaxFetchCount(1000);
    EXPECT_EQ(q->GetMaxFetchCount(), 1000);
    q->SetBlobSize(32764);
    q->SetBlobSize(-1);
    EXPECT_EQ(q->GetBlobSize(), 0);
    q->SetBlobSize(32763);
    EXPECT_EQ(q->GetBlobSize(), 32763);
}

TEST_F(Statement, OpenReadAndOpenWritePrepareOnlyWhenTheyMust) {
    ASSERT_TRUE(q->OpenRead("select * from t"));
    EXPECT_EQ(Count("InternalPrepareOpen"), 1);
    EXPECT_TRUE(q->GetActive());
    EXPECT_TRUE(q->GetReadOnly());
    EXPECT_EQ(q->GetCurrentRow(), 0);

    // The same text: closed and reopened, not prepared again.
    ASSERT_TRUE(q->OpenRead("select * from t"));
    EXPECT_EQ(Count("InternalPrepareOpen"), 1);
    // A text differing only in letter case is another statement.
    ASSERT_TRUE(q->OpenRead("SELECT * from t"));
    EXPECT_EQ(Count("InternalPrepareOpen"), 2);
    EXPECT_EQ(Count("InternalUnprepareOpen"), 1);

    // A read cursor is prepared again for writing; a write cursor serves reading as it is.
    ASSERT_TRUE(q->OpenWrite("SELECT * from t"));
    EXPECT_EQ(Count("InternalPrepareOpen"), 3);
    EXPECT_FALSE(q->GetReadOnly());
    ASSERT_TRUE(q->OpenRead("SELECT * from t"));
    EXPECT_EQ(Count("InternalPrepareOpen"), 3);
    EXPECT_TRUE(q->GetReadOnly());

    q->Close();
    EXPECT_FALSE(q->GetActive());
    EXPECT_TRUE(q->GetPrepared()); // closing keeps the prepared query and its buffers
    EXPECT_NE(q->GetRecordBuffer(), nullptr);
    q->UnprepareOpen();
    EXPECT_FALSE(q->GetPrepared());
    EXPECT_EQ(q->GetRecordBuffer(), nullptr);
    EXPECT_EQ(q->GetFieldCount(), 0);
    EXPECT_EQ(q->GetOpenSQL(), "");
}

TEST_F(Statement, PreparedOpensNeedAPreparedQuery) {
    EXPECT_EQ(MessageOf([&] { q->OpenReadPrepared(); }), "The cursor is not prepared.");
    EXPECT_EQ(session->GetLastError(), "The cursor is not prepared.");
    EXPECT_EQ(session->GetLastErrorCode(), 0);
    EXPECT_FALSE(q->GetActive());

    ASSERT_TRUE(q->PrepareOpen("select * from t"));
    EXPECT_FALSE(q->GetActive());
    ASSERT_TRUE(q->OpenWritePrepared());
    EXPECT_FALSE(q->GetReadOnly());
    ASSERT_TRUE(q->OpenReadPrepared());
    EXPECT_TRUE(q->GetReadOnly());
    EXPECT_EQ(Count("InternalPrepareOpen"), 1);
    // Describe keeps a query prepared for the same text, and prepares another.
    EXPECT_TRUE(q->Describe("select * from t"));
    EXPECT_FALSE(q->GetActive());
    EXPECT_EQ(Count("InternalPrepareOpen"), 1);
    EXPECT_TRUE(q->Describe("select id from t"));
    EXPECT_EQ(Count("InternalPrepareOpen"), 2);
}

TEST_F(Statement, AFailedPrepareLeavesTheQueryUnprepared) {
    q->FailPrepare = true;
    EXPECT_FALSE(q->OpenRead("select * from t"));
    EXPECT_FALSE(q->GetPrepared());
    EXPECT_FALSE(q->GetActive());
    EXPECT_EQ(Count("InternalOpen read"), 0);
}

TEST_F(Statement, SameShapedValuesReuseTheBindingAndOtherShapesRebuildIt) {
    ASSERT_TRUE(q->Execute("insert into t values (?, ?)", {Variant(1), Variant("abc")}));
    const void* buffer = q->GetExecVariables().Buffer;
    ASSERT_TRUE(q->Execute("insert into t values (?, ?)", {Variant(2), Variant("xyz")}));
    EXPECT_EQ(Count("InternalPrepareExecute"), 1);
    EXPECT_EQ(Count("InternalBindExecVariables"), 1);
    EXPECT_EQ(Count("InternalExecute"), 2);
    EXPECT_EQ(q->GetExecVariables().Buffer, buffer); // nothing reallocated
    EXPECT_EQ(q->Inputs, (std::vector<Variant>{Variant(2), Variant("xyz")}));

    // A text past the default length (16 here) becomes a memo sized to it, and forces a rebuild.
    const std::string longText(40, 'x');
    ASSERT_TRUE(q->Execute("insert into t values (?, ?)", {Variant(3), Variant(longText)}));
    EXPECT_EQ(Count("InternalBindExecVariables"), 2);
    EXPECT_EQ(q->GetExecVariables().Items[1].FieldType, ntMemo);
    EXPECT_EQ(q->GetExecVariables().Items[1].Size, 40);
    EXPECT_EQ(q->GetExecVariables().Items[1].ExtType, 100 + ntMemo);
    EXPECT_EQ(q->GetExecVariables().BufferSize, 44);
    // Blob-sized values are described afresh every time, even with the same shape.
    ASSERT_TRUE(q->Execute("insert into t values (?, ?)", {Variant(4), Variant(longText)}));
    EXPECT_EQ(Count("InternalBindExecVariables"), 3);

    // Another type, or another number of values, rebuilds too.
    ASSERT_TRUE(q->Execute("insert into t values (?, ?)", {Variant(5.5), Variant("a")}));
    EXPECT_EQ(q->GetExecVariables().Items[0].FieldType, ntFloat);
    EXPECT_EQ(Count("InternalBindExecVariables"), 4);
    ASSERT_TRUE(q->Execute("insert into t values (?, ?)", {Variant(5.5), Variant("a"), Variant(true)}));
    EXPECT_EQ(Count("InternalBindExecVariables"), 5);
    EXPECT_EQ(q->GetExecVariables().Count, 3);
    EXPECT_EQ(Count("InternalPrepareExecute"), 1);
}

TEST_F(Statement, ByteArraysBecomeBinaryOrBlobByLength) {
    // The driver's binary variables are 8 bytes: a 16-bit length and at most 6 bytes.
    const char small[] = "123456";
    const std::string big(7, 'b');
    ASSERT_TRUE(
        q->Execute("x", {TCorvexSQL::StrToVarByte(small, 6), TCorvexSQL::StrToVarByte(big.data(), 7)}));
    EXPECT_EQ(q->GetExecVariables().Items[0].FieldType, ntBinary);
    EXPECT_EQ(q->GetExecVariables().Items[0].Size, 8);
    EXPECT_EQ(q->GetExecVariables().Items[1].FieldType, ntBlob) << "7 bytes do not fit behind the length";
    EXPECT_EQ(q->GetExecVariables().Items[1].Size, 7);
}

TEST_F(Statement, ParameterFormsThatMeanTheSameValues) {
    // A single Null, or nothing at all: no host variables.
    ASSERT_TRUE(q->Execute("delete from t", {vcl::Null()}));
    EXPECT_EQ(q->GetExecVariables().Count, 0);
    ASSERT_TRUE(q->Execute("delete from t"));
    EXPECT_EQ(q->GetExecVariables().Count, 0);
    // One pre-built array is the same as its elements: same shape, so no rebind in between.
    ASSERT_TRUE(q->Execute("update t set name = ? where id = ?", {Variant("a"), Variant(1)}));
    const long binds = Count("InternalBindExecVariables");
    ASSERT_TRUE(
        q->Execute("update t set name = ? where id = ?", {vcl::VarArrayOf({Variant("b"), Variant(2)})}));
    EXPECT_EQ(Count("InternalBindExecVariables"), binds);
    EXPECT_EQ(q->Inputs, (std::vector<Variant>{Variant("b"), Variant(2)}));
    // Null among several values is a value (of unknown type, so of length 0).
    ASSERT_TRUE(q->Execute("update t set name = ? where id = ?", {vcl::Null(), Variant(2)}));
    EXPECT_EQ(q->GetExecVariables().Count, 2);
    EXPECT_EQ(q->GetExecVariables().Items[0].FieldType, ntUnknown);
}

TEST_F(Statement, OutputsAreZeroedBetweenSameShapedExecutions) {
    q->OutColumns = {{"total", ntInteger}};
    q->OutValues = {Variant(7)};
    ASSERT_TRUE(q->Execute("call p(?)", {Variant(1)}));
    ASSERT_TRUE(q->Execute("call p(?)", {Variant(2)}));
    EXPECT_EQ(Count("InternalBindExecVariables"), 1);
    EXPECT_TRUE(q->OutBufferZeroAtExecute);
}

TEST_F(Statement, QueryVariablesAreBoundOnceWhileTheirShapeHolds) {
    ASSERT_TRUE(q->OpenRead("select * from t where id > ?", {Variant(0)}));
    ASSERT_TRUE(q->OpenRead("select * from t where id > ?", {Variant(1)}));
    EXPECT_EQ(Count("InternalBindOpenVariables"), 1);
    ASSERT_TRUE(q->OpenRead("select * from t where id > ?", {Variant("1")}));
    EXPECT_EQ(Count("InternalBindOpenVariables"), 2);
    // Unpreparing drops the variables with the query.
    q->UnprepareOpen();
    EXPECT_EQ(q->GetOpenVariables().Count, 0);
    EXPECT_EQ(q->GetOpenVariables().Buffer, nullptr);
    EXPECT_FALSE(q->GetOpenVariables().Bound);
}

TEST_F(Statement, ExecutedStatementPreparationRules) {
    EXPECT_EQ(MessageOf([&] { q->ExecutePrepared({Variant(1)}); }), "The statement is not prepared.");
    EXPECT_EQ(session->GetLastError(), "The statement is not prepared.");

    ASSERT_TRUE(q->PrepareExecute("update t set id = ?"));
    ASSERT_TRUE(q->ExecutePrepared({Variant(1)}));
    ASSERT_TRUE(q->Execute("update t set id = ?", {Variant(2)}));
    EXPECT_EQ(Count("InternalPrepareExecute"), 1);
    ASSERT_TRUE(q->Execute("update t set id = 0"));
    EXPECT_EQ(Count("InternalPrepareExecute"), 2);
    EXPECT_EQ(Count("InternalUnprepareExecute"), 1);
    EXPECT_EQ(q->GetRowsProcessed(), 1u);

    // The two jobs are independent: the query side is untouched by executions.
    ASSERT_TRUE(q->OpenRead("select * from t"));
    ASSERT_TRUE(q->Execute("update t set id = 1"));
    EXPECT_TRUE(q->GetActive());
    q->UnprepareExecute();
    EXPECT_FALSE(q->GetExecPrepared());
    EXPECT_TRUE(q->GetPrepared());
}

TEST_F(Statement, OutputVariablesByIndexAndByName) {
    q->OutColumns = {{"total", ntInteger}, {"label", ntString, 8}};
    q->OutValues = {Variant(42), Variant("done")};
    ASSERT_TRUE(q->Execute("call p(?)", {Variant(1)}));
    EXPECT_EQ(q->GetOutVar(Variant(0)), Variant(42));
    EXPECT_EQ(q->GetOutVar(Variant(1)), Variant("done"));
    EXPECT_EQ(q->GetOutVar(Variant("LABEL")), Variant("done"));
    EXPECT_EQ(q->GetOutVar(Variant("total")), Variant(42));

    EXPECT_EQ(MessageOf([&] { q->GetOutVar(Variant(2)); }), "Host variable \"2\" not found.");
    EXPECT_EQ(MessageOf([&] { q->GetOutVar(Variant(-1)); }), "Host variable \"-1\" not found.");
    EXPECT_EQ(MessageOf([&] { q->GetOutVar(Variant("nope")); }), "Host variable \"nope\" not found.");
    // Only a 32-bit integer is an index: a 16-bit 1 is looked up as the name "1".
    EXPECT_EQ(MessageOf([&] { q->GetOutVar(Variant(int16_t{1})); }), "Host variable \"1\" not found.");
    EXPECT_EQ(session->GetLastErrorCode(), 0);
}

TEST_F(Statement, MoreThan256DescriptorsAreRefused) {
    std::vector<Variant> values(257, Variant(1));
    EXPECT_EQ(MessageOf([&] { q->Execute("x", TVariantOpenArray(values)); }),
              "Too many columns or host variables: 257 (at most 256).");
    EXPECT_EQ(q->GetExecVariables().Count, 0);
    values.resize(256);
    EXPECT_TRUE(q->Execute("x", TVariantOpenArray(values)));
    EXPECT_EQ(q->GetExecVariables().Count, 256);
    // Inputs and outputs share the table: one output more than fits is refused by the driver's
    // check before it writes.
    q->OutColumns = {{"out", ntInteger}};
    values[0] = Variant("changed"); // another shape, so the set is built and bound again
    EXPECT_THROW(q->Execute("x", TVariantOpenArray(values)), ECorvexException);

    q->Columns.assign(300, {"c", ntInteger});
    EXPECT_EQ(MessageOf([&] { q->OpenRead("select * from wide"); }),
              "Too many columns or host variables: 300 (at most 256).");
    EXPECT_EQ(q->GetFieldCount(), 0);
    EXPECT_FALSE(q->GetPrepared());
}

TEST_F(Statement, RowLayoutsTooLargeForABufferAreRefusedBeforeAllocating) {
    q->SetMaxFetchCount(1000);
    q->Columns = {{"a", ntString, 3000000}};
    EXPECT_EQ(MessageOf([&] { q->OpenRead("select a from t"); }),
              "Buffer too large: 3000000000 bytes (at most 2147483647).");
    EXPECT_EQ(q->GetFetchBuffer(), nullptr);
}

// --- Session link -------------------------------------------------------------------------------

TEST_F(Statement, SettingTheSessionAttachesAndMovesTheStatement) {
    auto* other = vcl::Make<TTestSQL>(root.get());
    other->SetName("Other");
    other->SetSession(session);
    ASSERT_EQ(session->GetQueryCount(), 2);
    EXPECT_EQ(session->GetQuery(0), q);
    // The same session again moves the statement to the end.
    q->SetSession(session);
    EXPECT_EQ(session->GetQuery(0), other);
    EXPECT_EQ(session->GetQuery(1), q);

    auto* second = vcl::Make<TTestSession>(root.get());
    q->SetSession(second);
    EXPECT_EQ(session->GetQueryCount(), 1);
    EXPECT_EQ(second->GetQueryCount(), 1);
    EXPECT_EQ(q->GetSession(), second);
    q->SetSession(nullptr);
    EXPECT_EQ(second->GetQueryCount(), 0);
    EXPECT_FALSE(q->IsSessionAssigned());
    EXPECT_EQ(MessageOf([&] { q->GetSession(); }), "The session property is not linked to a session");
    // RemoveQuery of a statement that is not in the list changes nothing.
    session->RemoveQuery(q);
    EXPECT_EQ(session->GetQueryCount(), 1);

    // Attached directly, a statement is still in one list once: destroying it leaves no trace
    // for a later disconnect to trip over.
    session->AddQuery(q);
    session->AddQuery(q);
    second->AddQuery(q);
    EXPECT_EQ(session->GetQueryCount(), 1);
    EXPECT_EQ(second->GetQueryCount(), 1);
    q->Free();
    q = nullptr;
    EXPECT_EQ(second->GetQueryCount(), 0);
    session->SetConnected(true);
    session->SetConnected(false);
}

TEST_F(Statement, TheSessionLinkTravelsThroughFormFiles) {
    RegisterTestDrivers();
    root->SetName("Root");
    session->SetName("Session1");
    q->SetWantExceptions(true);
    const std::string text = vcl::WriteComponentText(root.get());
    EXPECT_NE(text.find("    Session = Session1\r\n"), std::string::npos);
    EXPECT_NE(text.find("    WantExceptions = True\r\n"), std::string::npos);

    auto copy = vcl::New<TTestRoot>();
    vcl::ReadComponentData(text, copy.get());
    auto* s = static_cast<TTestSession*>(copy->FindComponent("Session1"));
    auto* c = static_cast<TTestSQL*>(copy->FindComponent("Q"));
    ASSERT_NE(s, nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->GetSession(), s);
    ASSERT_EQ(s->GetQueryCount(), 1); // reading the reference attached it
    EXPECT_EQ(s->GetQuery(0), c);
    EXPECT_TRUE(c->GetWantExceptions());

    // Without a session nothing is written for it, and the getter used for writing does not raise.
    q->SetSession(nullptr);
    EXPECT_EQ(vcl::WriteComponentText(root.get()).find("Session ="), std::string::npos);
}

TEST_F(Statement, DisconnectingUnpreparesEveryStatementInListOrder) {
    auto* other = vcl::Make<TTestSQL>(root.get());
    other->SetName("Other");
    other->Columns = q->Columns;
    other->SetSession(session);
    session->SetConnected(true);
    ASSERT_TRUE(q->OpenRead("select * from t"));
    ASSERT_TRUE(other->Execute("update t set id = 1"));
    StepLog().clear();
    session->SetConnected(false);
    EXPECT_FALSE(q->GetPrepared());
    EXPECT_FALSE(other->GetExecPrepared());
    const std::vector<std::string> expected = {"disconnect", "InternalClose Q", "InternalUnprepareOpen Q",
                                               "InternalClose Other", "InternalUnprepareExecute Other"};
    EXPECT_EQ(StepLog(), expected);
}

TEST_F(Statement, AStatementLeftBehindByADestroyedSessionRaisesOnItsNextUse) {
    session->SetConnected(true);
    ASSERT_TRUE(q->OpenRead("select * from t"));
    session->Free();
    EXPECT_FALSE(q->IsSessionAssigned());
    EXPECT_FALSE(q->GetPrepared()); // the session's disconnect unprepared it
    EXPECT_EQ(MessageOf([&] { q->OpenRead("select * from t"); }),
              "The session property is not linked to a session");
    EXPECT_EQ(MessageOf([&] { q->Execute("x"); }), "The session property is not linked to a session");
    EXPECT_EQ(MessageOf([&] { q->GetLastError(); }), "The session property is not linked to a session");
    // Freeing it afterwards is fine (the root frees it in TearDown).
}

TEST_F(Statement, AtDesignTimeAStatementWithoutSessionDoesWithoutOne) {
    q->SetSession(nullptr);
    q->SetDesigning(true);
    EXPECT_EQ(q->GetSession(), nullptr);
    AnsiString text = "select \xE9";
    q->StatementToOem(text);
    EXPECT_EQ(text, "select \xE9");
    EXPECT_EQ(q->GetLastError(), "");
    EXPECT_EQ(MessageOf([&] { q->RaiseLastError<ECorvexException>("plain", 5); }), "plain");
    // Database work needs a session in every mode.
    EXPECT_EQ(MessageOf([&] { q->Check(nullptr, 0, 0, true); }),
              "The session property is not linked to a session");
}

TEST_F(Statement, ErrorsAndChecksGoThroughTheSession) {
    session->SetOEMConvert(true);
    AnsiString text = "select \xE9";
    q->StatementToOem(text);
    EXPECT_EQ(text, "select \x82");
    TTestSession::CheckCode = -7;
    EXPECT_FALSE(q->Check(nullptr, 0, 0, false));
    EXPECT_EQ(q->GetLastErrorCode(), -7);
    EXPECT_EQ(q->GetLastError(), "Error -7");
    EXPECT_THROW(q->Check(nullptr, 0, 0, true), ECorvexException);
}

TEST_F(Statement, DestructionReleasesEverythingEvenWhenTheDriverRaises) {
    q->Columns.push_back({"memo", ntMemo});
    q->Rows = {{Variant(1), Variant("one"), Variant("long")}};
    q->OutColumns = {{"total", ntInteger}};
    ASSERT_TRUE(q->OpenRead("select * from t", {Variant(1)}));
    ASSERT_TRUE(q->Execute("call p(?)", {Variant(1)}));
    q->FailClose = true;
    q->Free(); // no exception; the sanitizer build reports anything left behind
    q = nullptr;
    EXPECT_EQ(session->GetQueryCount(), 0);
}

} // namespace
