// Storing one piece of a long value (see Pieces.h).
#include "platform/dblib/Pieces.h"

#include "platform/dblib/Convert.h"
#include "platform/dblib/Errors.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace tnxdb {

PieceOutcome StorePiece(std::string_view bytes, bool isNull, size_t offset, sqlvar& var) {
    const int type = var.sqltype & ~1;
    if (!var.sqldata) throw DbError(DBLIB_E_BAD_HOST_VARIABLE, "a piece variable without a buffer");
    size_t room;
    switch (type) {
    case DBLIB_T_BINARY:
    case DBLIB_T_VARCHAR:
        if (var.sqllen < 2) throw DbError(DBLIB_E_BAD_HOST_VARIABLE, "a buffer of length " + std::to_string(var.sqllen));
        room = static_cast<size_t>(var.sqllen) - 2;
        break;
    case DBLIB_T_STRING:
        if (var.sqllen < 1) throw DbError(DBLIB_E_BAD_HOST_VARIABLE, "a buffer of length " + std::to_string(var.sqllen));
        room = static_cast<size_t>(var.sqllen) - 1;
        break;
    case DBLIB_T_LONGBINARY:
    case DBLIB_T_LONGVARCHAR: {
        room = longdata::Get(var.sqldata, longdata::kArrayLen);
        break;
    }
    default:
        throw DbError(DBLIB_E_BAD_HOST_VARIABLE,
                      "pieces are read into binary or text variables, not type " + std::to_string(type));
    }
    if (isNull) {
        if (!var.sqlind) throw DbError(DBLIB_E_NO_INDICATOR);
        bytes = {};
    }
    const size_t start = std::min(offset, bytes.size());
    const size_t piece = std::min(room, bytes.size() - start);
    const bool more = start + piece < bytes.size();
    char* out = static_cast<char*>(var.sqldata);
    switch (type) {
    case DBLIB_T_BINARY:
    case DBLIB_T_VARCHAR: {
        uint16_t len = static_cast<uint16_t>(piece);
        std::memcpy(out, &len, sizeof len);
        if (piece) std::memcpy(out + 2, bytes.data() + start, piece);
        break;
    }
    case DBLIB_T_STRING:
        if (piece) std::memcpy(out, bytes.data() + start, piece);
        out[piece] = '\0';
        break;
    default: {
        longdata::Set(var.sqldata, longdata::kStoredLen, static_cast<uint32_t>(piece));
        longdata::Set(var.sqldata, longdata::kUntruncLen, static_cast<uint32_t>(bytes.size()));
        if (piece) std::memcpy(longdata::Bytes(var.sqldata), bytes.data() + start, piece);
        break;
    }
    }
    if (var.sqlind) *var.sqlind = isNull ? -1 : more ? static_cast<int16_t>(std::min<size_t>(bytes.size(), 32767)) : 0;
    return PieceOutcome{piece, more, isNull};
}

} // namespace tnxdb
