// The data module example's run-time side (see SalesData.h).
#include "examples/datamodule/SalesData.h"

#include "asa/TnxAsa.h"
#include "asa/dataset/AsaDataset.h"
#include "platform/vcl/ClassRegistry.h"
#include "platform/vcl/Format.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/db/DataSet.h"
#include "platform/vcl/db/Field.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace salesexample {

using namespace vcl;

namespace {

const char* const SampleRows[] = {
    "CREATE TABLE customer (id INTEGER PRIMARY KEY, name VARCHAR(40) NOT NULL, city VARCHAR(30))",
    ("CREATE TABLE orders (id INTEGER PRIMARY KEY, customer_id INTEGER NOT NULL, item VARCHAR(40) NOT NULL, "
     "quantity INTEGER NOT NULL, price DOUBLE NOT NULL)"),
    "INSERT INTO customer VALUES (1, 'Ada Lindqvist', 'Uppsala')",
    "INSERT INTO customer VALUES (2, 'Bruno Keller', 'Basel')",
    "INSERT INTO customer VALUES (3, 'Chiara Conti', 'Verona')",
    "INSERT INTO orders VALUES (10, 1, 'Desk lamp', 2, 24.5)",
    "INSERT INTO orders VALUES (11, 1, 'Notebook', 10, 3.25)",
    "INSERT INTO orders VALUES (12, 2, 'Office chair', 1, 189.0)",
    "INSERT INTO orders VALUES (13, 3, 'Fountain pen', 3, 42.0)",
    "INSERT INTO orders VALUES (14, 3, 'Ink', 6, 4.75)",
};

void Run(tnx::TAsaSQL& statement, const std::string& sql) {
    if (!statement.ExecuteImmediate(sql)) throw std::runtime_error("the sample database could not be made: " + sql);
}

// Total = quantity x price, for each row the detail dataset reads.
void CalcOrderTotal(TDataSet* dataSet) {
    TField* total = dataSet->FindField("Total");
    if (total == nullptr) return;
    total->SetAsFloat(dataSet->FieldByName("quantity")->GetAsInteger() * dataSet->FieldByName("price")->GetAsFloat());
}

} // namespace

void CreateSalesDatabase() {
    if (std::filesystem::exists(DatabaseFile)) return;
    auto session = New<tnx::TAsaSession>();
    auto statement = New<tnx::TAsaSQL>();
    statement->SetSession(session.get());
    // The engine the module's session uses ("sales"), serving only the utility database at first,
    // creates the file; the file is then started on that engine to fill it.
    session->SetLibraryFile("dblib6.dll");
    session->SetServerType(tnx::stClient);
    session->SetLoginEngineName(EngineName);
    session->SetLoginDatabase("");
    session->StartDatabaseEngine();
    session->SetLoginDatabase("utility_db");
    session->SetLoginUser("DBA");
    session->SetLoginPassword("SQL");
    session->SetConnected(true);
    Run(*statement, std::string("CREATE DATABASE '") + DatabaseFile + "'");
    session->SetConnected(false);
    session->SetServerType(tnx::stServer);
    session->SetLoginDatabase(DatabaseFile);
    session->SetConnected(true);
    for (const char* sql : SampleRows) Run(*statement, sql);
    session->Commit();
    session->SetConnected(false);
}

TOwned<TDataModule> LoadSalesModule(const std::string& formFile) {
    // The form file names these classes; the framework registers its own (fields, data sources).
    RegisterClasses({tnx::TAsaSession::StaticClass(), tnx::TAsaDataset::StaticClass()});
    std::ifstream in(formFile, std::ios::binary);
    if (!in) throw EFOpenError("Cannot open file \"%s\"", {formFile});
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    auto module = New<TDataModule>();
    module->RegisterHandler<TDataSetNotifyEvent>("qryOrdersCalcFields", CalcOrderTotal);
    ReadComponentData(data, module.get());
    return module;
}

std::string OrdersReport(TDataModule* module) {
    auto* customers = dynamic_cast<TDataSet*>(module->FindComponent("qryCustomers"));
    auto* orders = dynamic_cast<TDataSet*>(module->FindComponent("qryOrders"));
    if (customers == nullptr || orders == nullptr) throw EComponentError("The module has no qryCustomers / qryOrders");
    std::string report;
    for (customers->First(); !customers->GetEof(); customers->Next()) {
        report += Format("%d %s\n", {customers->FieldByName("id")->GetAsInteger(),
                                     customers->FieldByName("name")->GetAsString()});
        for (orders->First(); !orders->GetEof(); orders->Next())
            report += Format("    %-14s %3d x %7.2f = %8.2f  (%s)\n",
                             {orders->FieldByName("item")->GetAsString(), orders->FieldByName("quantity")->GetAsInteger(),
                              orders->FieldByName("price")->GetAsFloat(), orders->FieldByName("Total")->GetAsFloat(),
                              orders->FieldByName("City")->GetAsString()});
    }
    return report;
}

} // namespace salesexample
