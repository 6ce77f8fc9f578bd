// The round trip a user relies on: a data module designed through the designer's document (a
// session, a master and a detail dataset with parameters, persistent data, calculated and lookup
// fields, connected and open at design time on a real database file) is saved, and the example
// program's way of reading it gives a working module: rows of the master and, for each, its
// detail rows. The saved file is the one committed under examples/datamodule.
#include "DesignerTestSupport.h"

#include "examples/datamodule/SalesData.h"
#include "support/TempDir.h"
#include "tools/tnxdesign/FieldDesigner.h"
#include "tools/tnxdesign/HostRegistrations.h"

#include "platform/vcl/db/DataSet.h"
#include "platform/vcl/db/Field.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

using namespace vcl;
using namespace tnxdesigntest;
using tnxdesign::DesignDocument;
using tnxdesign::FieldDesigner;
using tnxdesign::TFormFileFormat;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the test in its own folder (the module's session names its database file relatively).
class InFolder {
public:
    explicit InFolder(const std::string& folder) : FPrevious(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~InFolder() { std::filesystem::current_path(FPrevious); }

private:
    std::filesystem::path FPrevious;
};

void SetSql(DesignDocument& doc, TComponent* dataSet, const std::string& sql) {
    tnxdesign::SetStringsEditor([&](const AnsiString&, AnsiString& text) {
        text = sql;
        return true;
    });
    EditorFor(doc, dataSet, "SQL")->Edit();
    tnxdesign::SetStringsEditor(nullptr);
}

// Designs the sales module the way a user does in tnxdesign.
void DesignSalesModule(DesignDocument& doc) {
    doc.Rename(doc.Root(), "SalesModule");
    TComponent* session = doc.Drop(PackageClass("TAsaSession"));
    SetByInspector(doc, session, "LibraryFile", "dblib6.dll");
    SetByInspector(doc, session, "LoginDatabase", salesexample::DatabaseFile);
    SetByInspector(doc, session, "LoginEngineName", salesexample::EngineName);
    SetByInspector(doc, session, "LoginUser", "DBA");
    SetByInspector(doc, session, "LoginPassword", "SQL");
    SetByInspector(doc, session, "ServerType", "stServer");
    SetByInspector(doc, session, "Connected", "True");

    TComponent* customers = doc.Drop(PackageClass("TAsaDataset"));
    doc.Rename(customers, "qryCustomers");
    SetByInspector(doc, customers, "Session", "AsaSession1");
    SetSql(doc, customers, "SELECT id, name, city FROM customer WHERE id >= :first_id ORDER BY id");
    ASSERT_EQ(EditParamInDialog(doc, customers, "first_id", "ntInteger", "1"), mrOk);

    TComponent* source = doc.Drop(PackageClass("TDataSource"));
    doc.Rename(source, "dsCustomers");
    SetByInspector(doc, source, "DataSet", "qryCustomers");

    TComponent* orders = doc.Drop(PackageClass("TAsaDataset"));
    doc.Rename(orders, "qryOrders");
    SetByInspector(doc, orders, "Session", "AsaSession1");
    SetByInspector(doc, orders, "DataSource", "dsCustomers");
    SetSql(doc, orders,
           "SELECT id, customer_id, item, quantity, price FROM orders WHERE customer_id = :id ORDER BY id");
    // The detail's parameter takes the master's id; only its type is declared.
    ASSERT_EQ(EditParamInDialog(doc, orders, "id", "ntInteger", ""), mrOk);
    SetByInspector(doc, orders, "OnCalcFields", "qryOrdersCalcFields");

    FieldDesigner fields(doc);
    auto* customerSet = static_cast<TDataSet*>(customers);
    auto* orderSet = static_cast<TDataSet*>(orders);
    EXPECT_EQ(fields.AvailableColumns(customerSet), (std::vector<AnsiString>{"id", "name", "city"}));
    fields.AddDataFields(customerSet);
    fields.AddDataFields(orderSet);
    tnxdesign::TNewField total;
    total.FieldName = "Total";
    total.DataType = ftFloat;
    total.Kind = fkCalculated;
    fields.AddField(orderSet, total);
    tnxdesign::TNewField city;
    city.FieldName = "City";
    city.DataType = ftString;
    city.Size = 30;
    city.Kind = fkLookup;
    city.KeyFields = "customer_id";
    city.LookupDataSet = customerSet;
    city.LookupKeyFields = "id";
    city.LookupResultField = "city";
    fields.AddField(orderSet, city);
    EXPECT_TRUE(fields.AvailableColumns(orderSet).empty());

    SetByInspector(doc, customers, "Active", "True");
    SetByInspector(doc, orders, "Active", "True");
}

TEST(DesignedDataModule, RoundTripsIntoTheExample) {
    LoadPackages();
    tnxtest::TempDir dir;
    InFolder folder(dir.Path());
    salesexample::CreateSalesDatabase();

    const std::string saved = dir.File("SalesModule.dfm");
    {
        DesignDocument doc;
        ASSERT_NO_FATAL_FAILURE(DesignSalesModule(doc));
        // Live rows at design time: the master is open on the first customer, the detail on its
        // orders, with the calculated and looked-up values.
        auto* orders = static_cast<TDataSet*>(doc.Root()->FindComponent("qryOrders"));
        ASSERT_TRUE(orders->GetActive());
        EXPECT_EQ(orders->FieldByName("item")->GetAsString(), "Desk lamp");
        EXPECT_EQ(orders->FieldByName("City")->GetAsString(), "Uppsala");
        // The designer has no code: the calculated field stays empty until the application runs.
        EXPECT_TRUE(orders->FieldByName("Total")->GetIsNull());
        doc.SaveAs(saved, TFormFileFormat::Text);
    }

    const std::string text = ReadFile(saved);
    EXPECT_NE(text.find("Params.Data = {"), std::string::npos);
    EXPECT_NE(text.find("object qryOrdersCity: TStringField"), std::string::npos);
    EXPECT_NE(text.find("FieldKind = fkLookup"), std::string::npos);
    EXPECT_NE(text.find("FieldKind = fkCalculated"), std::string::npos);

    // The example's way: the form reader, the calculated field's handler by name, nothing else.
    auto module = salesexample::LoadSalesModule(saved);
    EXPECT_EQ(salesexample::OrdersReport(module.get()),
              "1 Ada Lindqvist\n"
              "    Desk lamp        2 x   24.50 =    49.00  (Uppsala)\n"
              "    Notebook        10 x    3.25 =    32.50  (Uppsala)\n"
              "2 Bruno Keller\n"
              "    Office chair     1 x  189.00 =   189.00  (Basel)\n"
              "3 Chiara Conti\n"
              "    Fountain pen     3 x   42.00 =   126.00  (Verona)\n"
              "    Ink              6 x    4.75 =    28.50  (Verona)\n");
    module.reset();

    // The committed example is this design (TNX_WRITE_EXAMPLE_FORM=1 writes it there instead).
    if (std::getenv("TNX_WRITE_EXAMPLE_FORM") != nullptr) {
        std::ofstream(TNX_EXAMPLE_FORM, std::ios::binary) << text;
    } else {
        EXPECT_EQ(ReadFile(TNX_EXAMPLE_FORM), text) << "examples/datamodule/SalesModule.dfm differs from the design";
    }
}

} // namespace
