// Form files holding datasets with persistent fields: the round trip (fields owned by the form and
// attached through DataSet, calculated and lookup fields, a stored Active, events bound by name)
// and malformed data refused with a clear error and nothing half-built.
#include "support/DbTestSupport.h"

#include "platform/vcl/Classes.h"
#include "platform/vcl/DataModule.h"

#include <gtest/gtest.h>

using namespace vcl;
using namespace tnxtest;

namespace {

template <class T>
T* AddField(TComponent* owner, TDataSet* dataSet, const char* name, const char* fieldName) {
    T* field = Make<T>(owner);
    field->SetName(name);
    field->SetFieldName(fieldName);
    field->SetDataSet(dataSet);
    return field;
}

void CalcTotal(TDataSet* ds) {
    TField* qty = ds->FieldByName("QTY");
    if (!qty->GetIsNull()) ds->FieldByName("TOTAL")->SetAsFloat(qty->GetAsInteger() * 2.5);
}

// A module with customers, orders (data, calculated and lookup fields) and a data source.
TOwned<TDataModule> MakeModule() {
    auto module = New<TDataModule>();
    module->SetName("SalesModule");
    module->RegisterHandler<TDataSetNotifyEvent>("OrdersCalcFields", CalcTotal);
    auto* customers = Make<TMemDataSet>(module.get());
    customers->SetName("Customers");
    AddField<TIntegerField>(module.get(), customers, "CustomersID", "ID");
    AddField<TStringField>(module.get(), customers, "CustomersNAME", "NAME")->SetSize(30);

    auto* orders = Make<TMemDataSet>(module.get());
    orders->SetName("Orders");
    AddField<TIntegerField>(module.get(), orders, "OrdersID", "ID")->SetRequired(true);
    AddField<TIntegerField>(module.get(), orders, "OrdersCUST", "CUST")->SetDisplayLabel("Customer");
    AddField<TIntegerField>(module.get(), orders, "OrdersQTY", "QTY")->SetVisible(false);
    auto* total = AddField<TFloatField>(module.get(), nullptr, "OrdersTOTAL", "TOTAL");
    total->SetFieldKind(fkCalculated);
    total->SetDataSet(orders);
    auto* name = AddField<TStringField>(module.get(), nullptr, "OrdersCUSTNAME", "CUSTNAME");
    name->SetSize(30);
    name->SetFieldKind(fkLookup);
    name->SetKeyFields("CUST");
    name->SetLookupDataSet(customers);
    name->SetLookupKeyFields("ID");
    name->SetLookupResultField("NAME");
    name->SetDataSet(orders);
    orders->SetOnCalcFields(module->HandlerByName<TDataSetNotifyEvent>("OrdersCalcFields"));
    customers->Open();
    orders->Open();

    auto* source = Make<TDataSource>(module.get());
    source->SetName("OrdersSource");
    source->SetDataSet(orders);
    source->SetAutoEdit(false);
    return module;
}

std::vector<std::string> FieldNames(TDataSet* ds) {
    std::vector<std::string> names;
    for (TField* field : *ds->GetFields())
        names.push_back(field->GetFieldName());
    return names;
}

TEST(DataSetForms, RoundTripKeepsPersistentFieldsAndOpensStoredActiveDataSets) {
    auto module = MakeModule();
    const AnsiString text = WriteComponentText(module.get());
    EXPECT_NE(text.find("object OrdersTOTAL: TFloatField"), AnsiString::npos) << text;
    EXPECT_NE(text.find("FieldKind = fkLookup"), AnsiString::npos);
    EXPECT_NE(text.find("DataSet = Orders"), AnsiString::npos);
    EXPECT_NE(text.find("OnCalcFields = OrdersCalcFields"), AnsiString::npos);
    EXPECT_NE(text.find("Active = True"), AnsiString::npos);

    auto copy = New<TDataModule>();
    copy->RegisterHandler<TDataSetNotifyEvent>("OrdersCalcFields", CalcTotal);
    ReadComponentData(text, copy.get());
    auto* orders = dynamic_cast<TMemDataSet*>(copy->FindComponent("Orders"));
    auto* customers = dynamic_cast<TMemDataSet*>(copy->FindComponent("Customers"));
    auto* source = dynamic_cast<TDataSource*>(copy->FindComponent("OrdersSource"));
    ASSERT_NE(orders, nullptr);
    ASSERT_NE(customers, nullptr);
    ASSERT_NE(source, nullptr);
    EXPECT_TRUE(orders->GetActive());
    EXPECT_TRUE(customers->GetActive());
    EXPECT_EQ(source->GetDataSet(), orders);
    EXPECT_FALSE(source->GetAutoEdit());
    EXPECT_EQ(FieldNames(orders), (std::vector<std::string>{"ID", "CUST", "QTY", "TOTAL", "CUSTNAME"}));
    // The fields belong to the module, not to the dataset.
    EXPECT_EQ(orders->FieldByName("ID")->Owner(), copy.get());
    EXPECT_TRUE(orders->FieldByName("ID")->GetRequired());
    EXPECT_EQ(orders->FieldByName("CUST")->GetDisplayName(), "Customer");
    EXPECT_FALSE(orders->FieldByName("QTY")->GetVisible());
    auto* lookup = orders->FieldByName("CUSTNAME");
    EXPECT_EQ(lookup->GetFieldKind(), fkLookup);
    EXPECT_EQ(lookup->GetLookupDataSet(), customers);
    EXPECT_EQ(lookup->GetSize(), 30);
    EXPECT_EQ(orders->FieldByName("TOTAL")->GetFieldKind(), fkCalculated);

    // The copy works: the bound handler calculates, the lookup looks up.
    customers->AppendRecord({7, "Hopper"});
    orders->AppendRecord({1, 7, 4});
    EXPECT_DOUBLE_EQ(orders->FieldByName("TOTAL")->GetAsFloat(), 10.0);
    EXPECT_EQ(lookup->GetAsString(), "Hopper");

    // Writing the copy gives the same form.
    AnsiString again = WriteComponentText(copy.get());
    const auto rootName = copy->GetName();
    again.replace(again.find(rootName), rootName.size(), "SalesModule");
    EXPECT_EQ(again, text);
}

TEST(DataSetForms, BinaryRoundTripMatchesText) {
    auto module = MakeModule();
    auto stream = New<TMemoryStream>();
    stream->WriteComponent(module.get());
    const std::string binary(static_cast<const char*>(stream->Memory()), static_cast<std::size_t>(stream->GetSize()));
    auto copy = New<TDataModule>();
    copy->RegisterHandler<TDataSetNotifyEvent>("OrdersCalcFields", CalcTotal);
    ReadComponentData(binary, copy.get());
    auto* orders = dynamic_cast<TDataSet*>(copy->FindComponent("Orders"));
    ASSERT_NE(orders, nullptr);
    EXPECT_EQ(orders->GetFieldCount(), 5);
    EXPECT_TRUE(orders->GetActive());
}

// Reads data into a fresh root and expects a failure that leaves the root empty.
void ExpectRefused(const std::string& data, const char* expectedFragment = nullptr) {
    auto root = New<TDataModule>();
    root->RegisterHandler<TDataSetNotifyEvent>("OrdersCalcFields", CalcTotal);
    try {
        ReadComponentData(data, root.get());
        ADD_FAILURE() << "accepted:\n" << data;
    } catch (const Exception& e) {
        if (expectedFragment != nullptr) {
            EXPECT_NE(e.Message().find(expectedFragment), AnsiString::npos) << e.Message();
        }
    }
    EXPECT_EQ(root->GetComponentCount(), 0);
    EXPECT_FALSE(root->GetComponentState().Contains(csLoading));
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

TEST(DataSetForms, MalformedDataIsRefusedWithNothingHalfBuilt) {
    auto module = MakeModule();
    const std::string text = WriteComponentText(module.get());
    ExpectRefused(Replace(text, "FieldKind = fkCalculated", "FieldKind = fkSideways"), "FieldKind");
    ExpectRefused(Replace(text, "Size = 30", "Size = 0"), "Invalid size 0");
    ExpectRefused(Replace(text, "DataSet = Orders", "DataSet = Nowhere"), "Nowhere");
    ExpectRefused(Replace(text, "FieldName = 'QTY'", "FieldName = 'CUST'"), "Duplicate field name 'CUST'");
    ExpectRefused(Replace(text, "object OrdersQTY: TIntegerField", "object OrdersQTY: TNoSuchField"), "TNoSuchField");

    // Every truncation of the binary form fails cleanly.
    auto stream = New<TMemoryStream>();
    stream->WriteComponent(module.get());
    const std::string binary(static_cast<const char*>(stream->Memory()), static_cast<std::size_t>(stream->GetSize()));
    for (std::size_t length = 4; length < binary.size(); length += 5)
        ExpectRefused(binary.substr(0, length));
}

TEST(DataSetForms, AStoredActiveDataSetThatCannotOpenReportsWhy) {
    auto module = MakeModule();
    const std::string text = WriteComponentText(module.get());
    // Well-formed data, but the lookup names a key field the orders do not have: the components
    // are read, and opening after loading fails with the dataset's reason.
    auto root = New<TDataModule>();
    root->RegisterHandler<TDataSetNotifyEvent>("OrdersCalcFields", CalcTotal);
    try {
        ReadComponentData(Replace(text, "KeyFields = 'CUST'", "KeyFields = 'NOPE'"), root.get());
        ADD_FAILURE() << "opened";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Orders: Field 'NOPE' not found");
    }
    auto* orders = dynamic_cast<TDataSet*>(root->FindComponent("Orders"));
    ASSERT_NE(orders, nullptr);
    EXPECT_FALSE(orders->GetActive());
    EXPECT_TRUE(dynamic_cast<TDataSet*>(root->FindComponent("Customers"))->GetActive());
}

} // namespace
