// The base statement's share of the hot paths, counted with a replacement global operator new
// (tests/support/CountingNew.cpp, serving the whole test program): reading field values of the current row, and
// re-executing or re-opening with values of the same shape, touch no heap in the base (nor in the
// in-memory driver, whose logging is off here).
#include "StatementFixture.h"
#include "support/CountingNew.h"

#include <gtest/gtest.h>

using namespace tnx;
using namespace tnxtest;
using vcl::Variant;

namespace {

class Allocation : public StatementFixture {
protected:
    void SetUp() override {
        StatementFixture::SetUp();
        q->Quiet = true;
        q->Columns = {{"id", ntInteger}, {"price", ntFloat}, {"name", ntString, 12}};
        q->Rows = {{Variant(1), Variant(2.5), Variant("short")}};
    }
};

TEST_F(Allocation, ReadingTheCurrentRowTouchesNoHeap) {
    ASSERT_TRUE(q->OpenRead("select * from t"));
    const Variant byIndex[] = {Variant(0), Variant(1), Variant(2)};
    const Variant byName[] = {Variant("id"), Variant("PRICE"), Variant("name")};
    long total = 0;
    EXPECT_EQ(AllocationsDuring([&] {
                  for (int round = 0; round < 100; ++round) {
                      for (const Variant& f : byIndex)
                          total += q->GetFieldValue(f).VarType();
                      for (const Variant& f : byName)
                          total += q->IsFieldNull(f) ? 1 : 0;
                      total += q->GetFieldValue(byName[2]).TextRef().size();
                  }
              }),
              0);
    EXPECT_GT(total, 0);
}

TEST_F(Allocation, SameShapedReExecutionTouchesNoHeap) {
    ASSERT_TRUE(q->PrepareExecute("insert into t values (?, ?, ?)"));
    ASSERT_TRUE(q->ExecutePrepared({Variant(0), Variant(0.5), Variant("x")})); // builds and binds the set
    EXPECT_EQ(AllocationsDuring([&] {
                  for (int i = 1; i < 100; ++i)
                      ASSERT_TRUE(q->ExecutePrepared({Variant(i), Variant(1.5 * i), Variant("y")}));
              }),
              0);
    EXPECT_EQ(q->ExecBinds, 1);
    EXPECT_EQ(q->Inputs[0], Variant(99));
}

TEST_F(Allocation, SameShapedReOpeningTouchesNoHeap) {
    ASSERT_TRUE(q->PrepareOpen("select * from t where id > ?"));
    ASSERT_TRUE(q->OpenReadPrepared({Variant(0)}));
    EXPECT_EQ(AllocationsDuring([&] {
                  for (int i = 1; i < 100; ++i)
                      ASSERT_TRUE(q->OpenReadPrepared({Variant(i)}));
              }),
              0);
}

} // namespace
