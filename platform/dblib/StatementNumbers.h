// How a prepare picks its statement number, for the in-process connection and for a server
// session alike: the number the caller asked for, or (0) the lowest free one. Slots is indexed by
// number, [0] unused, an empty slot is free.
#pragma once

#include "platform/dblib/Errors.h"
#include "platform/dblib/dblib.h"

namespace tnxdb {

template <class Slots>
int ChooseStatementNumber(int requested, const Slots& slots) {
    if (requested < 0) throw DbError(DBLIB_E_BAD_STATEMENT);
    if (requested > 0) return requested;
    for (size_t i = 1; i < slots.size(); ++i)
        if (!slots[i]) return static_cast<int>(i);
    if (slots.size() <= 32767) return static_cast<int>(slots.size());
    throw DbError(DBLIB_E_BAD_ARGUMENT, "every statement number is in use");
}

} // namespace tnxdb
