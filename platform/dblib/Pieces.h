// One piece of a long value into a piece variable (dbpp_get_data): the variable types that take
// pieces, how much room each has, and what the indicator and the outcome say. Shared by every
// backend so that a piece reads the same whatever database the value came from.
#pragma once

#include "platform/dblib/Backend.h"
#include "platform/dblib/dblib.h"

#include <string_view>

namespace tnxdb {

// Stores bytes [offset, offset + room) of a value (isNull: a NULL, stored as an empty piece with
// indicator -1) into var: types 524 and 448 (a 16-bit length, then up to sqllen-2 bytes), 460 (up
// to sqllen-1 bytes and a NUL), 528 and 456 (up to array_len bytes; stored_len the piece,
// untrunc_len the whole value). The indicator: -1 NULL, the value's length (at most 32767) while
// more follows, else 0. Throws DBLIB_E_BAD_HOST_VARIABLE for another type or a buffer too small,
// DBLIB_E_NO_INDICATOR for a NULL without an indicator.
PieceOutcome StorePiece(std::string_view bytes, bool isNull, size_t offset, sqlvar& var);

} // namespace tnxdb
