// The read path's promise: a Variant holding a number, a boolean, a date or a short text is
// built, copied, moved, compared and converted without touching the heap, and copying an array
// shares it. Counted with the replacement global operator new of tests/support/CountingNew.cpp.
#include "platform/vcl/Variant.h"
#include "support/CountingNew.h"

#include <gtest/gtest.h>

using namespace vcl;

namespace {

TEST(VariantAllocation, NumbersNeverAllocate) {
    EXPECT_EQ(AllocationsDuring([] {
                  Variant a(42), b(2.5), c(true), d(TDateTime(36526.5)), e(Currency::FromScaled(5)),
                      f(std::int64_t(7));
                  Variant g = a;
                  Variant h = std::move(b);
                  g = d;
                  h = c;
                  volatile long sum =
                      a.AsInteger() + static_cast<long>(g.AsDouble()) + h.AsInteger() + f.AsInt64();
                  volatile bool cmp = a == f || d < g || e == Variant(0.0005);
                  (void)sum;
                  (void)cmp;
              }),
              0);
}

TEST(VariantAllocation, ShortTextAndArrayCopiesDoNotAllocate) {
    Variant s("short");
    Variant arr = VarArrayOf({1, 2, 3});
    EXPECT_EQ(AllocationsDuring([&] {
                  Variant t = s;
                  Variant u = std::move(t);
                  volatile bool same = u == s;
                  Variant copy = arr; // shared until written
                  Variant moved = std::move(copy);
                  volatile int first = moved.ElementRef(0).AsInteger();
                  (void)same;
                  (void)first;
              }),
              0);
    // Writing to a shared array copies it once.
    Variant copy = arr;
    EXPECT_GT(AllocationsDuring([&] { copy.PutElement(0, 9); }), 0);
    EXPECT_EQ(arr[0].AsInteger(), 1);
}

TEST(VariantAllocation, SizeStaysSmall) {
    // Type code plus a union as large as a std::string: no hidden per-value overhead.
    EXPECT_LE(sizeof(Variant), sizeof(std::string) + 8);
}

} // namespace
