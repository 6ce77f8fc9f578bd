// Master-detail through the dataset's link, blob fields through the dataset's blob stream (values
// of 1,000,000 bytes loaded and saved, OEM transliteration, the writes and columns it refuses), and a
// dataset with persistent, calculated and lookup fields read from a form file and opened.
#include "DatasetTestSupport.h"

#include "platform/vcl/ClassRegistry.h"
#include "platform/vcl/DataModule.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/MemoryStream.h"

using namespace tnx;
using namespace asatest;
using vcl::Variant;

namespace {

class DatasetLink : public DatasetTest {
protected:
    void MakeOrders() {
        Run("create table customers (id integer primary key, name varchar(20))");
        Run("create table orders (id integer primary key, cust integer, qty integer)");
        Run("insert into customers values (1, 'Ada'), (2, 'Grace'), (3, 'Edsger')");
        Run("insert into orders values (10, 1, 5), (11, 1, 7), (12, 2, 1), (13, 3, 4), (14, 3, 2), (15, 3, "
            "9)");
        Run("commit");
    }
    static std::string Bytes(std::size_t n, int seed) {
        std::string s(n, '\0');
        for (std::size_t i = 0; i < n; ++i)
            s[i] = static_cast<char>((i * 31 + static_cast<std::size_t>(seed) + i / 251) & 0xff);
        return s;
    }
};

} // namespace

TEST_P(DatasetLink, ADetailFollowsItsMasterAndRefusesAMissingMasterField) {
    MakeOrders();
    auto customers = NewDataset("select id, name from customers order by id");
    auto source = vcl::New<vcl::TDataSource>();
    source->SetDataSet(customers.get());
    auto orders = NewDataset("select id, qty from orders where cust = :id order by id");
    orders->SetDataSource(source.get());
    EXPECT_EQ(orders->GetDataSource(), source.get());
    customers->Open();
    orders->Open();
    EXPECT_EQ(Column(*orders, "ID"), (std::vector<std::string>{"10", "11"}));
    EXPECT_EQ(orders->GetParams()->GetParam(0)->GetAlias(), "id")
        << "the parameter takes the master field's name";

    customers->Next();
    EXPECT_EQ(Column(*orders, "ID"), std::vector<std::string>{"12"});
    customers->Last();
    EXPECT_EQ(Column(*orders, "ID"), (std::vector<std::string>{"13", "14", "15"}));
    ASSERT_TRUE(customers->Locate("NAME", Variant("Ada"), {}));
    EXPECT_EQ(orders->GetRecordCount(), 2);

    // A pending detail edit is settled before the master leaves its record.
    orders->Close();
    orders->SetReadOnly(false);
    orders->Open();
    orders->Edit();
    orders->FieldByName("QTY")->SetAsInteger(50);
    customers->Next();
    EXPECT_EQ(QueryInt(S(), "select qty from orders where id = 10"), 50);
    EXPECT_EQ(orders->GetState(), vcl::dsBrowse);

    // A link back to the detail itself is refused.
    auto back = vcl::New<vcl::TDataSource>();
    back->SetDataSet(orders.get());
    EXPECT_THROW(customers->SetDataSource(back.get()), vcl::EDatabaseError);

    // A parameter without a master field of its name fails the open.
    auto missing = NewDataset("select id from orders where cust = :customer_id");
    missing->SetDataSource(source.get());
    try {
        missing->Open();
        FAIL() << "opened a detail whose master has no field CUSTOMER_ID";
    } catch (const vcl::EDatabaseError& e) {
        EXPECT_NE(std::string(e.Message()).find("customer_id"), std::string::npos) << e.Message();
    }
    EXPECT_FALSE(missing->GetActive());
    EXPECT_FALSE(missing->GetPrepared());
}

TEST_P(DatasetLink, BlobFieldsLoadAndSaveAMillionBytesThroughTheStream) {
    Run("create table docs (id integer primary key, body long binary, note long varchar)");
    Run("insert into docs (id) values (1)");
    Run("commit");
    const std::string big = Bytes(1000000, 7);
    auto ds = NewDataset("select id, body, note from docs", false);
    ds->Open();
    auto* body = dynamic_cast<vcl::TBlobField*>(ds->FieldByName("BODY"));
    ASSERT_NE(body, nullptr);
    EXPECT_TRUE(body->GetIsNull());
    {
        // A NULL value reads nothing and seeks from its end to 0.
        auto stream = ds->CreateBlobStream(body, vcl::bmRead);
        char c = 0;
        EXPECT_EQ(stream->Read(&c, 1), 0);
        EXPECT_EQ(stream->Seek(0, vcl::TSeekOrigin::soEnd), 0);
        // Writing needs an edit.
        EXPECT_THROW(ds->CreateBlobStream(body, vcl::bmWrite), vcl::EDatabaseError);
    }
    ds->Edit();
    {
        auto stream = ds->CreateBlobStream(body, vcl::bmWrite);
        stream->WriteBuffer(big.data(), static_cast<std::int64_t>(big.size()));
    }
    EXPECT_FALSE(body->GetIsNull());
    EXPECT_TRUE(body->GetModified());
    EXPECT_TRUE(ds->GetModified());
    ds->Post();
    EXPECT_EQ(QueryInt(S(), "select length(body) from docs where id = 1"), 1000000);

    // A fresh dataset reads the value back whole, through the field and through a stream.
    auto check = NewDataset("select id, body from docs");
    check->Open();
    EXPECT_EQ(check->FieldByName("BODY")->GetAsString(), big);
    auto stream = check->CreateBlobStream(check->FieldByName("BODY"), vcl::bmRead);
    EXPECT_EQ(stream->GetSize(), 1000000);
    std::string tail(10, '\0');
    stream->Seek(-10, vcl::TSeekOrigin::soEnd);
    stream->ReadBuffer(tail.data(), 10);
    EXPECT_EQ(tail, big.substr(big.size() - 10));
    stream.reset();

    // An empty write makes the value NULL; cancelling drops what was written.
    ds->Edit();
    body->SetAsString("");
    EXPECT_TRUE(body->GetIsNull());
    ds->Cancel();
    EXPECT_EQ(body->GetBlobSize(), 1000000);
    // A blob column whose field name got a suffix has no cursor stream of that name.
    auto twice = NewDataset("select body, body from docs");
    twice->Open();
    try {
        twice->CreateBlobStream(twice->FieldByName("BODY_1"), vcl::bmRead);
        FAIL() << "a stream for a suffixed blob field";
    } catch (const vcl::Exception& e) {
        EXPECT_NE(std::string(e.Message()).find("\"body_1\" is not a blob"), std::string::npos)
            << e.Message();
    }
    EXPECT_THROW(twice->CreateBlobStream(nullptr, vcl::bmRead), vcl::EInvalidCast);
}

TEST_P(DatasetLink, MemoFieldsPassTheSessionsOemConversionBothWays) {
    Run("create table memo (id integer primary key, note long varchar)");
    Run("insert into memo values (1, 'plain')");
    Run("commit");
    S().SetOEMConvert(true);
    auto ds = NewDataset("select id, note from memo", false);
    ds->Open();
    auto* note = ds->FieldByName("NOTE");
    ASSERT_TRUE(note->GetTransliterate());
    const std::string ansi = "caf\xe9 \xe4"; // Windows-1252: e acute, a umlaut
    ds->Edit();
    const std::string written = ansi;
    {
        auto stream = ds->CreateBlobStream(note, vcl::bmWrite);
        stream->WriteBuffer(written.data(), static_cast<std::int64_t>(written.size()));
    }
    EXPECT_EQ(written, ansi) << "the caller's bytes are not converted in place";
    ds->Post();
    EXPECT_EQ(QueryInt(S(), "select count(*) from memo where hex(note) = '636166822084'"), 1)
        << "stored in the OEM code page (e acute 0x82, a umlaut 0x84)";
    EXPECT_EQ(note->GetAsString(), ansi) << "read back in the ANSI code page";
}

TEST_P(DatasetLink, ADatasetWithPersistentCalculatedAndLookupFieldsOpensFromAFormFile) {
    MakeOrders();
    vcl::TClassRegistration datasets(TAsaDataset::StaticClass());
    // The module already holds its session; the form file's datasets name it.
    auto module = vcl::New<vcl::TDataModule>();
    module->SetName("Sales");
    auto* session = vcl::Make<TAsaSession>(module.get());
    session->SetName("Db");
    session->SetLibraryPath(LibDir());
    session->SetLibraryFile(GetParam());
    UseDatabase(*session, Engine, DbFile);
    module->RegisterHandler<vcl::TDataSetNotifyEvent>("OrdersCalcFields", [](vcl::TDataSet* ds) {
        ds->FieldByName("DOUBLED")->SetAsInteger(ds->FieldByName("QTY")->GetAsInteger() * 2);
    });
    const std::string form = R"(object Sales: TDataModule
  object Customers: TAsaDataset
    Session = Db
    SQL.Strings = (
      'select id, name from customers')
    Active = True
  end
  object Orders: TAsaDataset
    Params.Data = {
      0100000004000000637573740400000063757374020400000001000000}
    Session = Db
    SQL.Strings = (
      'select id, cust, qty from orders where cust >= :cust order by id')
    OnCalcFields = OrdersCalcFields
    Active = True
  end
  object OrdersID: TIntegerField
    FieldName = 'id'
    DataSet = Orders
  end
  object OrdersCUST: TIntegerField
    FieldName = 'cust'
    DataSet = Orders
  end
  object OrdersQTY: TIntegerField
    FieldName = 'qty'
    DataSet = Orders
  end
  object OrdersDOUBLED: TIntegerField
    FieldKind = fkCalculated
    FieldName = 'DOUBLED'
    DataSet = Orders
  end
  object OrdersNAME: TStringField
    FieldKind = fkLookup
    FieldName = 'NAME'
    KeyFields = 'cust'
    LookupDataSet = Customers
    LookupKeyFields = 'id'
    LookupResultField = 'name'
    Size = 20
    DataSet = Orders
  end
end
)";
    vcl::ReadComponentData(form, module.get());
    auto* orders = dynamic_cast<TAsaDataset*>(module->FindComponent("Orders"));
    ASSERT_NE(orders, nullptr);
    ASSERT_TRUE(orders->GetActive());
    EXPECT_EQ(orders->ParamByName("cust")->GetAsInteger(), 1);
    EXPECT_EQ(orders->GetFieldCount(), 5);
    EXPECT_FALSE(orders->GetDefaultFields());
    std::vector<std::string> seen;
    for (orders->First(); !orders->GetEof(); orders->Next())
        seen.push_back(orders->FieldByName("ID")->GetAsString() + ":" +
                       orders->FieldByName("NAME")->GetAsString() + ":" +
                       orders->FieldByName("DOUBLED")->GetAsString());
    EXPECT_EQ(seen, (std::vector<std::string>{"10:Ada:10", "11:Ada:14", "12:Grace:2", "13:Edsger:8",
                                              "14:Edsger:4", "15:Edsger:18"}));
    // The dataset's cursor is part of it, not a component of the form file.
    const vcl::AnsiString written = vcl::WriteComponentText(module.get());
    EXPECT_EQ(written.find("TAsaSQL"), vcl::AnsiString::npos) << written;
    EXPECT_NE(written.find("Params.Data"), vcl::AnsiString::npos) << written;
    EXPECT_TRUE(session->GetConnected()) << "the first dataset's open connected the session";
}

INSTANTIATE_TEST_SUITE_P(Generations, DatasetLink, ::testing::ValuesIn(CurrentGenerations()), GenerationName);
