// Reading records costs no heap allocation: moving with Next and reading numbers, booleans, dates,
// currency and short texts through Fields[i] touches the heap not once, also with a data link
// attached. Counted with the replacement operator new of tests/support/CountingNew.cpp.
#include "support/CountingNew.h"
#include "support/DbTestSupport.h"

#include <gtest/gtest.h>

using namespace vcl;
using namespace tnxtest;

namespace {

TEST(FieldAllocation, ScrollingAndReadingFieldsNeverAllocates) {
    auto ds = New<TMemDataSet>();
    TFieldDefs* defs = ds->GetFieldDefs();
    defs->Add("I", ftInteger);
    defs->Add("F", ftFloat);
    defs->Add("S", ftString, 40);
    defs->Add("DT", ftDateTime);
    defs->Add("B", ftBoolean);
    defs->Add("C", ftCurrency);
    defs->Add("D", ftDate);
    ds->Open();
    for (int i = 0; i < 200; ++i)
        ds->AppendRecord({i, i * 0.5, "short text", TDateTime(45000.0 + i), i % 2 == 0, Currency::FromScaled(i),
                          TDateTime(45000.0)});
    auto source = New<TDataSource>();
    auto link = New<TRecordingLink>();
    source->SetDataSet(ds.get());
    ds->First();
    TFields* fields = ds->GetFields();

    double sum = 0;
    std::size_t chars = 0;
    const long allocations = AllocationsDuring([&] {
        while (!ds->GetEof()) {
            sum += fields->GetField(0)->GetAsInteger();
            sum += fields->GetField(1)->GetAsFloat();
            chars += fields->GetField(2)->GetAsString().size();
            sum += fields->GetField(3)->GetAsDateTime();
            sum += fields->GetField(4)->GetAsBoolean() ? 1 : 0;
            sum += fields->GetField(5)->GetAsCurrency().ToDouble();
            sum += fields->GetField(6)->GetAsDateTime();
            sum += fields->GetField(0)->GetAsVariant().AsInteger();
            sum += fields->GetField(2)->GetIsNull() ? 1 : 0;
            ds->Next();
        }
    });
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(chars, 200u * 10u);
    EXPECT_GT(sum, 0);
}

} // namespace
