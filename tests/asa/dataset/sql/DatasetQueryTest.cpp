// The dataset's query: parameters rebuilt from the SQL text keeping values by name, the prepare
// and unprepare rules of the reasons the query is in use, ExecSQL, the messages for an empty text,
// a prepared dataset and a missing session, and the published properties.
#include "DatasetTestSupport.h"

#include "platform/vcl/TypInfo.h"

#include <algorithm>

using namespace tnx;
using namespace asatest;
using vcl::Variant;

namespace {

class DatasetQuery : public DatasetTest {};

bool Holds(const TAsaDataset& ds, std::initializer_list<int> flags) {
    unsigned bits = 0;
    for (int flag : flags)
        bits |= 1u << flag;
    return ds.GetDBFlags() == bits;
}

} // namespace

TEST_P(DatasetQuery, ParametersFollowTheTextAndKeepTheirValuesByExactName) {
    MakeRows(10);
    auto ds = NewDataset("select n, s from t where n >= :lo and n < :hi");
    ASSERT_EQ(ds->GetParamsCount(), 2);
    ds->ParamByName("lo")->SetAsInteger(3);
    ds->ParamByName("hi")->SetAsInteger(6);
    ds->Open();
    EXPECT_EQ(Column(*ds, "N"), (std::vector<std::string>{"3", "4", "5"}));

    // A new text closes the dataset; "lo" keeps its value, "name" starts without one.
    ds->GetSQL()->SetText("select n, s from t where n >= :lo and s <> :name");
    EXPECT_FALSE(ds->GetActive());
    EXPECT_FALSE(ds->GetPrepared());
    ASSERT_EQ(ds->GetParamsCount(), 2);
    EXPECT_EQ(ds->ParamByName("lo")->GetAsInteger(), 3);
    EXPECT_EQ(ds->ParamByName("name")->GetDataType(), ntUnknown);
    // Letter case counts when values are carried over.
    ds->GetSQL()->SetText("select n from t where n >= :LO");
    EXPECT_EQ(ds->ParamByName("LO")->GetDataType(), ntUnknown);

    // Without ParamCheck the text is not parsed: the list stays and "::" stays two colons.
    ds->SetParamCheck(false);
    ds->GetSQL()->SetText("select n from t where s <> 'a::b' and n = :other");
    EXPECT_EQ(ds->GetParamsCount(), 1);
    EXPECT_EQ(ds->GetParams()->GetParam(0)->GetName(), "LO");
    ds->GetSQL()->SetText("select :: from t");
    EXPECT_EQ(ds->GetSQLText(), "select :: from t\r\n");
    ds->SetParamCheck(true);
    ds->GetSQL()->SetText("select '::' || :: from t");
    EXPECT_EQ(ds->GetSQLText(), "select '::' || : from t\r\n");
    EXPECT_EQ(ds->GetParamsCount(), 0);

    // SetQuery takes a text only when it differs, as one change.
    auto same = vcl::New<vcl::TStringList>();
    same->SetText(ds->GetSQL()->GetText());
    int changes = 0;
    ds->SetAfterClose([&](vcl::TDataSet*) { ++changes; });
    ds->SetQuery(same.get());
    EXPECT_EQ(changes, 0);
    // Writing Params copies values by name into the list the text made.
    ds->GetSQL()->SetText("select n from t where n = :a or n = :b");
    auto values = vcl::New<TAsaParams>();
    TAsaParam::Create(*values, "b")->SetAsInteger(8);
    TAsaParam::Create(*values, "z")->SetAsInteger(1);
    ds->SetParamsList(values.get());
    EXPECT_EQ(ds->GetParamsCount(), 2);
    EXPECT_EQ(ds->ParamByName("b")->GetAsInteger(), 8);
}

TEST_P(DatasetQuery, TheQueryStaysPreparedWhileAnyUseIsLeft) {
    MakeRows(5);
    auto ds = NewDataset("select n from t");
    EXPECT_TRUE(Holds(*ds, {}));
    ds->Prepare();
    EXPECT_TRUE(ds->GetPrepared());
    EXPECT_TRUE(Holds(*ds, {TAsaDataset::dbfPrepared}));
    EXPECT_TRUE(ds->GetCursor()->GetPrepared()) << "a SELECT is prepared as a query";
    ds->Open();
    EXPECT_TRUE(Holds(*ds, {TAsaDataset::dbfOpen, TAsaDataset::dbfPrepared}));
    ds->Close();
    EXPECT_TRUE(ds->GetPrepared()) << "an explicit Prepare outlives the close";
    EXPECT_TRUE(ds->GetCursor()->GetPrepared());
    // Changing what the statement was prepared for is refused while prepared.
    try {
        ds->SetReadOnly(false);
        FAIL() << "ReadOnly changed on a prepared dataset";
    } catch (const vcl::EDatabaseError& e) {
        EXPECT_NE(
            std::string(e.Message()).find("Cannot perform this operation on an open or prepared dataset"),
            std::string::npos);
    }
    EXPECT_TRUE(ds->GetReadOnly());
    EXPECT_THROW(ds->SetSession(&S()), vcl::EDatabaseError);
    ds->UnPrepare();
    EXPECT_FALSE(ds->GetPrepared());
    EXPECT_FALSE(ds->GetCursor()->GetPrepared());
    EXPECT_TRUE(Holds(*ds, {}));
    ds->SetReadOnly(false);

    // Prepare of a statement without columns prepares it for execution.
    ds->GetSQL()->SetText("update t set s = 'x' where n = :n");
    ds->SetPrepare(true);
    EXPECT_FALSE(ds->GetCursor()->GetPrepared());
    EXPECT_TRUE(ds->GetCursor()->GetExecPrepared());
    ds->ParamByName("n")->SetAsInteger(2);
    ds->ExecSQL();
    EXPECT_EQ(ds->GetRowsAffected(), 1u);
    EXPECT_TRUE(ds->GetCursor()->GetExecPrepared()) << "still prepared after ExecSQL";
    ds->SetPrepare(false);
    EXPECT_FALSE(ds->GetCursor()->GetExecPrepared());
    EXPECT_EQ(QueryInt(S(), "select count(*) from t where s = 'x'"), 1);
}

TEST_P(DatasetQuery, ExecSqlRunsWithoutACursorAndUnpreparesAfterwards) {
    MakeRows(5);
    auto ds = NewDataset("delete from t where n < :n");
    ds->ParamByName("n")->SetAsInteger(2);
    ds->ExecSQL();
    EXPECT_EQ(ds->GetRowsAffected(), 2u);
    EXPECT_FALSE(ds->GetPrepared());
    EXPECT_FALSE(ds->GetCursor()->GetExecPrepared());
    EXPECT_TRUE(Holds(*ds, {}));

    // A SELECT without Prepare is executed, not opened.
    ds->GetSQL()->SetText("select n from t");
    Record();
    ds->ExecSQL();
    EXPECT_TRUE(RecordedNames({"dbpp_declare", "dbpp_open"}).empty());
    EXPECT_FALSE(ds->GetActive());

    // On an open dataset ExecSQL changes nothing.
    ds->Open();
    EXPECT_THROW(ds->ExecSQL(), vcl::EDatabaseError);
    EXPECT_TRUE(ds->GetActive());
    EXPECT_TRUE(Holds(*ds, {TAsaDataset::dbfOpen}));
    ds->Close();

    // A failing statement raises the library's error and leaves no use behind.
    ds->GetSQL()->SetText("insert into t (n, s) values (3, 'duplicate key')");
    try {
        ds->ExecSQL();
        FAIL() << "a duplicate key was inserted";
    } catch (const ECorvexDatasetError& e) {
        EXPECT_LT(e.ErrorCode(), 0);
    }
    EXPECT_TRUE(Holds(*ds, {}));
    EXPECT_FALSE(ds->GetPrepared());
}

TEST_P(DatasetQuery, EmptyTextsMissingSessionsAndBadSqlLeaveTheDatasetClosed) {
    auto ds = NewDataset("");
    try {
        ds->Open();
        FAIL() << "opened without SQL";
    } catch (const vcl::EDatabaseError& e) {
        EXPECT_NE(std::string(e.Message()).find("No SQL statement available"), std::string::npos);
    }
    EXPECT_FALSE(ds->GetActive());
    EXPECT_TRUE(Holds(*ds, {}));
    ds->GetSQL()->SetText("x");
    EXPECT_THROW(ds->Prepare(), vcl::EDatabaseError) << "a text shorter than 2 characters";
    ds->UnPrepare();

    ds->GetSQL()->SetText("select nothing from nowhere");
    try {
        ds->Open();
        FAIL() << "opened a query on a missing table";
    } catch (const ECorvexDatasetError& e) {
        EXPECT_LT(e.ErrorCode(), 0);
    }
    EXPECT_FALSE(ds->GetActive());
    EXPECT_FALSE(ds->GetPrepared());
    EXPECT_TRUE(NumbersInUse().empty()) << "no statement is left prepared";

    auto lone = vcl::New<TAsaDataset>();
    lone->GetSQL()->SetText("select 1");
    try {
        lone->Open();
        FAIL() << "opened without a session";
    } catch (const ECorvexException& e) {
        EXPECT_EQ(std::string(e.Message()), "The session property is not linked to a session");
        EXPECT_EQ(e.ErrorCode(), 0);
    }
    EXPECT_FALSE(lone->GetActive());
}

TEST_P(DatasetQuery, TheFirstUseConnectsTheSessionAndItsDisconnectClosesTheDataset) {
    MakeRows(3);
    S().SetConnected(false);
    auto ds = NewDataset("select n from t");
    ds->Open();
    EXPECT_TRUE(S().GetConnected());
    EXPECT_TRUE(ds->GetActive());

    S().SetConnected(false);
    EXPECT_FALSE(ds->GetActive());
    EXPECT_FALSE(ds->GetPrepared());
    EXPECT_TRUE(Holds(*ds, {}));
    // It opens again on the next use.
    ds->Open();
    EXPECT_EQ(Column(*ds, "N").size(), 3u);
    ds->Close();
    ds->Prepare();
    ds->Open();
    S().SetConnected(false);
    EXPECT_FALSE(ds->GetPrepared()) << "an explicitly prepared dataset is unprepared too";
    EXPECT_TRUE(Holds(*ds, {}));
}

TEST_P(DatasetQuery, PublishesItsPropertiesInOrderWithTheirDefaults) {
    std::vector<std::string> names;
    for (const vcl::TPropInfo* prop : vcl::GetPropList(TAsaDataset::StaticClass()))
        names.push_back(prop->Name);
    const std::vector<std::string> own(names.end() - 7, names.end());
    EXPECT_EQ(own, (std::vector<std::string>{"CursorType", "DataSource", "ParamCheck", "Params", "ReadOnly",
                                             "Session", "SQL"}));
    // The framework's own come first, starting with Active.
    EXPECT_LT(std::find(names.begin(), names.end(), "Active") - names.begin(),
              names.end() - names.begin() - 7);
    auto ds = NewDataset("select 1");
    EXPECT_TRUE(ds->GetReadOnly());
    EXPECT_TRUE(ds->GetParamCheck());
    EXPECT_FALSE(ds->CanModify());
    ds->SetCursorType(actInsensitive);
    EXPECT_EQ(ds->GetCursor()->GetCursorType(), actInsensitive);
    EXPECT_FALSE(ds->GetCursor()->GetUniDirectional());
    EXPECT_FALSE(ds->GetCursor()->GetWantExceptions());
    ds->Open();
    EXPECT_THROW(ds->SetCursorType(actDefault), vcl::EDatabaseError);
}

INSTANTIATE_TEST_SUITE_P(Generations, DatasetQuery, ::testing::ValuesIn(CurrentGenerations()),
                         GenerationName);
