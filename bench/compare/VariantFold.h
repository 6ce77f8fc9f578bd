// The fold of one row read as the product's Variants (values 0 to 3: integer, double, text, date
// and time), shared by the TAsaSQL contender and the floor of bench_floor so that both fold alike.
#pragma once

#include "Workload.h"

#include "platform/vcl/DateTime.h"
#include "platform/vcl/Variant.h"

#include <cstdint>

namespace cmp {

// RowSum of the four values read(0) .. read(3).
template <class Read>
uint64_t VariantRowSum(Read&& read) {
    const vcl::Variant a = read(0);
    const vcl::Variant b = read(1);
    const vcl::Variant c = read(2);
    const vcl::Variant d = read(3);
    int hour, minute, second, msec;
    vcl::DecodeTime(d.AsDateTime(), hour, minute, second, msec);
    return RowSum(a.AsInteger(), b.AsDouble(), c.TextRef().size(), second);
}

} // namespace cmp
