// Field classes over TMemDataSet: the value buffers each class reads and writes, conversions and
// their failures, calculated and lookup fields, blob fields through streams.
#include "support/DbTestSupport.h"

#include "platform/vcl/DateTime.h"
#include "platform/vcl/MemoryStream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace vcl;
using namespace tnxtest;

namespace {

// One column of every type, one row being appended.
TOwned<TMemDataSet> MakeAllTypes() {
    auto dataSet = New<TMemDataSet>();
    TFieldDefs* defs = dataSet->GetFieldDefs();
    defs->Add("S", ftString, 5);
    defs->Add("I", ftInteger);
    defs->Add("B", ftBoolean);
    defs->Add("F", ftFloat);
    defs->Add("C", ftCurrency);
    defs->Add("D", ftDate);
    defs->Add("T", ftTime);
    defs->Add("DT", ftDateTime);
    defs->Add("BY", ftBytes, 4);
    defs->Add("BL", ftBlob);
    defs->Add("M", ftMemo);
    dataSet->Open();
    return dataSet;
}

TEST(FieldBuffers, EachClassReadsAndWritesTheDocumentedValueBuffer) {
    auto ds = MakeAllTypes();
    EXPECT_EQ(dynamic_cast<TStringField*>(ds->FieldByName("S"))->GetDataSize(), 6);
    EXPECT_EQ(ds->FieldByName("I")->GetDataSize(), 4);
    EXPECT_EQ(ds->FieldByName("B")->GetDataSize(), 2);
    EXPECT_EQ(ds->FieldByName("F")->GetDataSize(), 8);
    EXPECT_EQ(ds->FieldByName("D")->GetDataSize(), 8);
    EXPECT_EQ(ds->FieldByName("DT")->GetDataSize(), 8);
    EXPECT_EQ(ds->FieldByName("BY")->GetDataSize(), 4);
    EXPECT_EQ(ds->FieldByName("BL")->GetDataSize(), 0);
    EXPECT_TRUE(ds->FieldByName("M")->GetIsBlob());

    ds->Append();
    const TDateTime when = EncodeDateTime(2024, 2, 29, 13, 45, 30, 250);
    ds->FieldByName("S")->SetAsString("abcdefgh"); // cut to Size
    ds->FieldByName("B")->SetAsBoolean(true);
    ds->FieldByName("D")->SetAsDateTime(when);
    ds->FieldByName("T")->SetAsDateTime(when);
    ds->FieldByName("DT")->SetAsDateTime(when);
    ds->FieldByName("BY")->SetAsString(std::string("\x01\x02", 2));

    char text[6];
    ASSERT_TRUE(ds->FieldByName("S")->GetData(text));
    EXPECT_STREQ(text, "abcde");
    std::int16_t flag = 0;
    ASSERT_TRUE(ds->FieldByName("B")->GetData(&flag));
    EXPECT_EQ(flag, 1);
    std::uint8_t date[8];
    ASSERT_TRUE(ds->FieldByName("D")->GetData(date));
    std::int32_t day = 0;
    std::memcpy(&day, date, 4);
    EXPECT_EQ(day, DateTimeToTimeStamp(when).Date);
    EXPECT_EQ(day, 738945); // 2024-02-29 counted from 0001-01-01 as day 1
    ASSERT_TRUE(ds->FieldByName("T")->GetData(date));
    std::int32_t msecs = 0;
    std::memcpy(&msecs, date, 4);
    EXPECT_EQ(msecs, ((13 * 60 + 45) * 60 + 30) * 1000 + 250);
    double stamp = 0;
    ASSERT_TRUE(ds->FieldByName("DT")->GetData(&stamp));
    EXPECT_EQ(stamp, 738945.0 * 86400000.0 + msecs);
    std::uint8_t bytes[4];
    ASSERT_TRUE(ds->FieldByName("BY")->GetData(bytes));
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[1], 2);
    EXPECT_EQ(bytes[2], 0);

    // A boolean buffer of any non-zero value reads true; writing one stores 1.
    const std::int16_t seven = 7;
    ds->FieldByName("B")->SetData(&seven);
    EXPECT_TRUE(ds->FieldByName("B")->GetAsBoolean());

    ds->FieldByName("I")->SetAsInteger(-5);
    ds->Post();
    // The date field keeps the date only, the time field the time only.
    EXPECT_EQ(ds->FieldByName("D")->GetAsDateTime(), TDateTime(std::floor(when.Value)));
    EXPECT_NEAR(ds->FieldByName("T")->GetAsDateTime(), when.Value - std::floor(when.Value), 1e-9);
    EXPECT_EQ(ds->FieldByName("DT")->GetAsDateTime(), when);
    // Date-times before day 0 and at midnight round-trip too.
    ds->Edit();
    for (const TDateTime value : {EncodeDateTime(1850, 6, 1, 18, 0, 0, 0), EncodeDate(2000, 1, 1), TDateTime(0.0)}) {
        ds->FieldByName("DT")->SetAsDateTime(value);
        EXPECT_EQ(ds->FieldByName("DT")->GetAsDateTime(), value) << value.Value;
    }
    ds->Cancel();
    EXPECT_EQ(ds->FieldByName("S")->GetAsString(), "abcde");
    EXPECT_EQ(ds->FieldByName("I")->GetAsInteger(), -5);
    const Variant bytesValue = ds->FieldByName("BY")->GetAsVariant();
    EXPECT_EQ(bytesValue.VarType(), varArray | varByte);
    EXPECT_EQ(VarArrayHighBound(bytesValue, 1), 3);
}

TEST(FieldValues, DateTimeBuffersReadAsTheEncodedDateAndTime) {
    // The field reads whole milliseconds from day 0 on directly; every value must be the one its
    // date and time of day encode to, above all at the edges of a day.
    auto ds = MakeAllTypes();
    ds->Append();
    TField* field = ds->FieldByName("DT");
    const double day0 = static_cast<double>(DateDelta) * MSecsPerDay;
    for (const double day : {day0, day0 + MSecsPerDay, 738000.0 * MSecsPerDay, 3652058.0 * MSecsPerDay}) {
        for (const double ms : {0.0, 1.0, 999.0, 43200000.0, 86399998.0, 86399999.0, 86400000.0}) {
            const double msecs = day + ms;
            field->SetData(&msecs);
            int year, month, dayOfMonth, hour, minute, second, milli;
            DecodeDateTime(TimeStampToDateTime(MSecsToTimeStamp(msecs)), year, month, dayOfMonth, hour,
                           minute, second, milli);
            EXPECT_EQ(field->GetAsDateTime().Value,
                      EncodeDateTime(year, month, dayOfMonth, hour, minute, second, milli).Value)
                << std::fixed << msecs;
        }
    }
}

TEST(FieldValues, NullsReadAsNullAndAsZeroValues) {
    auto ds = MakeAllTypes();
    ds->Append();
    for (TField* field : *ds->GetFields()) {
        EXPECT_TRUE(field->GetIsNull()) << field->GetFieldName();
        EXPECT_TRUE(field->GetAsVariant().IsNull()) << field->GetFieldName();
        EXPECT_EQ(field->GetAsString(), "") << field->GetFieldName();
    }
    EXPECT_EQ(ds->FieldByName("I")->GetAsInteger(), 0);
    EXPECT_EQ(ds->FieldByName("F")->GetAsFloat(), 0.0);
    EXPECT_FALSE(ds->FieldByName("B")->GetAsBoolean());
    // Setting NULL leaves the column bytes but reads NULL.
    ds->FieldByName("I")->SetAsInteger(9);
    ds->FieldByName("I")->SetAsVariant(Null());
    EXPECT_TRUE(ds->FieldByName("I")->GetIsNull());
    ds->FieldByName("I")->SetAsString("  ");
    EXPECT_TRUE(ds->FieldByName("I")->GetIsNull());
}

TEST(FieldValues, ConversionsAndTheirFailures) {
    auto ds = MakeAllTypes();
    ds->Append();
    TField* i = ds->FieldByName("I");
    TField* f = ds->FieldByName("F");
    TField* s = ds->FieldByName("S");
    TField* b = ds->FieldByName("B");
    TField* c = ds->FieldByName("C");
    i->SetAsString(" 42 ");
    EXPECT_EQ(i->GetAsVariant(), Variant(42));
    EXPECT_EQ(i->GetAsFloat(), 42.0);
    f->SetAsVariant(Variant("2.5"));
    EXPECT_EQ(f->GetAsString(), "2.5");
    EXPECT_EQ(f->GetAsInteger(), 2); // ties to even
    c->SetAsCurrency(Currency::FromScaled(12345));
    EXPECT_EQ(c->GetAsVariant().VarType(), varCurrency);
    EXPECT_EQ(c->GetAsCurrency().Scaled, 12345);
    b->SetAsString("yes");
    EXPECT_EQ(b->GetAsString(), "True");
    b->SetAsString("F");
    EXPECT_EQ(b->GetAsVariant(), Variant(false));
    s->SetAsInteger(123);
    EXPECT_EQ(s->GetAsInteger(), 123);

    // Text that does not convert names the field and changes nothing.
    try {
        i->SetAsString("12x");
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'12x' is not a valid value for field 'I'");
    }
    EXPECT_EQ(i->GetAsInteger(), 42);
    s->SetAsString("abc");
    EXPECT_THROW(s->GetAsInteger(), EConvertError);
    EXPECT_THROW(ds->FieldByName("D")->SetAsString("not a date"), EConvertError);
    // A class that has no such value says so.
    try {
        ds->FieldByName("BY")->GetAsFloat();
        FAIL() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Cannot access field 'BY' as type Float");
    }
    // Range limits on integers.
    auto* range = dynamic_cast<TIntegerField*>(i);
    range->SetMinValue(1);
    range->SetMaxValue(10);
    EXPECT_THROW(i->SetAsInteger(11), EDatabaseError);
    i->SetAsInteger(10);
    EXPECT_EQ(i->GetAsInteger(), 10);
}

TEST(FieldValues, TextEventsAndDisplayText) {
    auto ds = MakeAllTypes();
    ds->Append();
    TField* i = ds->FieldByName("I");
    i->SetAsInteger(7);
    i->SetOnGetText([](TField* f, AnsiString& text, bool display) {
        text = (display ? "#" : "") + f->GetAsString();
    });
    i->SetOnSetText([](TField* f, const AnsiString& text) { f->SetAsInteger(static_cast<int>(text.size())); });
    EXPECT_EQ(i->GetText(), "7");
    EXPECT_EQ(i->GetDisplayText(), "#7");
    i->SetText("abcd");
    EXPECT_EQ(i->GetAsInteger(), 4);
    EXPECT_EQ(ds->FieldByName("BL")->GetDisplayText(), "(blob)");
    EXPECT_EQ(ds->FieldByName("I")->GetDisplayName(), "I");
    EXPECT_EQ(ds->FieldByName("S")->GetDisplayWidth(), 5);
}

TEST(BlobFields, StreamsWriteDuringAnEditAndPostOrCancel) {
    auto ds = MakeAllTypes();
    ds->AppendRecord({"a", 1});
    TField* blob = ds->FieldByName("BL");
    auto* memo = dynamic_cast<TMemoField*>(ds->FieldByName("M"));
    EXPECT_TRUE(blob->GetIsNull());
    // Writing needs an editing state; reading does not.
    EXPECT_THROW(ds->CreateBlobStream(blob, bmWrite), EDatabaseError);
    EXPECT_EQ(ds->CreateBlobStream(blob, bmRead)->GetSize(), 0);

    ds->Edit();
    const std::string big(100000, 'x');
    blob->SetAsString(big);
    memo->SetAsString("a memo");
    EXPECT_EQ(blob->GetAsString().size(), big.size());
    EXPECT_TRUE(blob->GetModified());
    ds->Post();
    EXPECT_EQ(blob->GetAsString(), big);
    EXPECT_EQ(memo->GetAsString(), "a memo");

    ds->Edit();
    memo->SetAsString("discarded");
    ds->Cancel();
    EXPECT_EQ(memo->GetAsString(), "a memo");

    ds->Edit();
    memo->Clear();
    ds->Post();
    EXPECT_TRUE(memo->GetIsNull());
    EXPECT_EQ(blob->GetAsString(), big);

    // Loading and saving through streams.
    auto in = New<TMemoryStream>();
    in->WriteBuffer("stream", 6);
    ds->Edit();
    memo->LoadFromStream(in.get());
    ds->Post();
    auto out = New<TMemoryStream>();
    memo->SaveToStream(out.get());
    EXPECT_EQ(std::string(static_cast<const char*>(out->Memory()), 6), "stream");
    // Not a blob field: refused.
    EXPECT_THROW(ds->CreateBlobStream(ds->FieldByName("I"), bmRead), EDatabaseError);
}

// Orders with a calculated total and a customer name looked up in another dataset.
struct OrdersAndCustomers {
    TOwned<TMemDataSet> Customers = New<TMemDataSet>();
    TOwned<TMemDataSet> Orders = New<TMemDataSet>();
    TFloatField* Total = nullptr;
    TStringField* CustomerName = nullptr;
    int Calculations = 0;

    OrdersAndCustomers() {
        Customers->GetFieldDefs()->Add("ID", ftInteger);
        Customers->GetFieldDefs()->Add("NAME", ftString, 20);
        Customers->Open();
        Customers->AppendRecord({1, "Ada"});
        Customers->AppendRecord({2, "Grace"});

        // Persistent fields: data fields, then the calculated and the lookup field.
        auto data = [&](TField* field, const char* name) {
            field->SetFieldName(name);
            field->SetDataSet(Orders.get());
        };
        data(Make<TIntegerField>(Orders.get()), "ID");
        data(Make<TIntegerField>(Orders.get()), "CUST");
        data(Make<TIntegerField>(Orders.get()), "QTY");
        data(Make<TFloatField>(Orders.get()), "PRICE");
        Total = Make<TFloatField>(Orders.get());
        Total->SetFieldKind(fkCalculated);
        data(Total, "TOTAL");
        CustomerName = Make<TStringField>(Orders.get());
        CustomerName->SetFieldKind(fkLookup);
        CustomerName->SetKeyFields("CUST");
        CustomerName->SetLookupDataSet(Customers.get());
        CustomerName->SetLookupKeyFields("ID");
        CustomerName->SetLookupResultField("NAME");
        data(CustomerName, "CUSTNAME");
        Orders->SetOnCalcFields([this](TDataSet* ds) {
            ++Calculations;
            if (!ds->FieldByName("QTY")->GetIsNull())
                Total->SetAsFloat(ds->FieldByName("QTY")->GetAsInteger() * ds->FieldByName("PRICE")->GetAsFloat());
        });
        Orders->Open();
        Orders->AppendRecord({1, 2, 3, 1.5});
        Orders->AppendRecord({2, 1, 10, 2.0});
        Orders->AppendRecord({3, 9, 1, 1.0});
        Orders->First();
    }
};

TEST(CalculatedFields, AreComputedForEveryRecordAndAfterEachChange) {
    OrdersAndCustomers t;
    EXPECT_EQ(t.Orders->GetFieldDefs()->Count(), 4); // the data fields described the columns
    EXPECT_EQ(t.Total->GetFieldNo(), -1);
    EXPECT_DOUBLE_EQ(t.Total->GetAsFloat(), 4.5);
    t.Orders->Next();
    EXPECT_DOUBLE_EQ(t.Total->GetAsFloat(), 20.0);
    t.Orders->Edit();
    const int before = t.Calculations;
    t.Orders->FieldByName("QTY")->SetAsInteger(5);
    EXPECT_GT(t.Calculations, before);
    EXPECT_DOUBLE_EQ(t.Total->GetAsFloat(), 10.0);
    // Without AutoCalcFields the total waits for the post.
    t.Orders->SetAutoCalcFields(false);
    t.Orders->FieldByName("QTY")->SetAsInteger(6);
    EXPECT_DOUBLE_EQ(t.Total->GetAsFloat(), 10.0);
    t.Orders->Post();
    EXPECT_DOUBLE_EQ(t.Total->GetAsFloat(), 12.0);
    // A NULL quantity leaves the total NULL.
    t.Orders->Edit();
    t.Orders->FieldByName("QTY")->Clear();
    t.Orders->Post();
    EXPECT_TRUE(t.Total->GetIsNull());
}

TEST(LookupFields, AnswerThroughTheLookupDataSet) {
    OrdersAndCustomers t;
    EXPECT_EQ(t.CustomerName->GetAsString(), "Grace");
    t.Orders->Next();
    EXPECT_EQ(t.CustomerName->GetAsString(), "Ada");
    t.Orders->Next();
    EXPECT_TRUE(t.CustomerName->GetIsNull()); // customer 9 does not exist
    t.Orders->Edit();
    t.Orders->FieldByName("CUST")->SetAsInteger(2);
    EXPECT_EQ(t.CustomerName->GetAsString(), "Grace");
    t.Orders->Post();
    // The lookup dataset's own position is untouched.
    EXPECT_EQ(t.Customers->FieldByName("ID")->GetAsInteger(), 2);
    // Locate through the lookup field's value.
    EXPECT_TRUE(t.Orders->Locate("CUSTNAME", "Ada", {}));
    EXPECT_EQ(t.Orders->FieldByName("ID")->GetAsInteger(), 2);
}

TEST(LookupFields, IncompleteOrCircularDefinitionsRefuseToOpen) {
    auto ds = New<TMemDataSet>();
    ds->GetFieldDefs()->Add("ID", ftInteger);
    auto* id = Make<TIntegerField>(ds.get());
    id->SetFieldName("ID");
    id->SetDataSet(ds.get());
    auto* lookup = Make<TStringField>(ds.get());
    lookup->SetFieldName("L");
    lookup->SetFieldKind(fkLookup);
    lookup->SetDataSet(ds.get());
    EXPECT_THROW(ds->Open(), EDatabaseError);
    EXPECT_FALSE(ds->GetActive());
    lookup->SetKeyFields("ID");
    lookup->SetLookupKeyFields("ID");
    lookup->SetLookupResultField("ID");
    lookup->SetLookupDataSet(ds.get());
    EXPECT_THROW(ds->Open(), EDatabaseError);
    // A lookup dataset that is freed is forgotten.
    {
        auto other = New<TMemDataSet>();
        lookup->SetLookupDataSet(other.get());
    }
    EXPECT_EQ(lookup->GetLookupDataSet(), nullptr);
}

TEST(PersistentFields, BindToDefinitionsOfTheSameTypeAndSize) {
    auto ds = New<TMemDataSet>();
    ds->GetFieldDefs()->Add("NAME", ftString, 10);
    auto* name = Make<TStringField>(ds.get());
    name->SetFieldName("NAME");
    name->SetSize(12);
    name->SetDataSet(ds.get());
    EXPECT_THROW(ds->Open(), EDatabaseError); // size mismatch
    name->SetSize(10);
    auto* ghost = Make<TIntegerField>(ds.get());
    ghost->SetFieldName("GHOST");
    ghost->SetDataSet(ds.get());
    EXPECT_THROW(ds->Open(), EDatabaseError); // no such column
    ghost->Free();
    ds->Open();
    EXPECT_EQ(ds->GetFieldCount(), 1);
    EXPECT_FALSE(ds->GetDefaultFields());
    // While open the field list is fixed.
    auto* late = Make<TIntegerField>(ds.get());
    EXPECT_THROW(late->SetDataSet(ds.get()), EDatabaseError);
    EXPECT_THROW(name->SetFieldName("OTHER"), EDatabaseError);
    ds->Close();
    EXPECT_EQ(ds->GetFieldCount(), 1); // persistent fields stay after closing
    auto* twin = Make<TStringField>(ds.get());
    twin->SetFieldName("name");
    EXPECT_THROW(twin->SetDataSet(ds.get()), EDatabaseError); // duplicate name
}

TEST(DefaultFields, AreMadeOnOpenAndFreedOnClose) {
    auto ds = MakeAllTypes();
    EXPECT_TRUE(ds->GetDefaultFields());
    EXPECT_EQ(ds->GetFieldCount(), 11);
    EXPECT_EQ(ds->FieldByName("C")->ClassName(), "TCurrencyField");
    EXPECT_EQ(ds->FieldByName("D")->GetFieldNo(), 6);
    EXPECT_EQ(ds->GetComponentCount(), 11);
    ds->Close();
    EXPECT_EQ(ds->GetFieldCount(), 0);
    EXPECT_EQ(ds->GetComponentCount(), 0);
    // Rows stay while closed; changed definitions that no longer fit them are refused.
    ds->Open();
    ds->AppendRecord({"x", 1});
    ds->Close();
    ds->GetFieldDefs()->Add("EXTRA", ftInteger);
    EXPECT_THROW(ds->Open(), EDatabaseError);
    EXPECT_FALSE(ds->GetActive());
    EXPECT_EQ(ds->GetFieldCount(), 0);
    ds->EmptyDataSet();
    ds->Open();
    EXPECT_EQ(ds->GetFieldCount(), 12);
}

} // namespace
