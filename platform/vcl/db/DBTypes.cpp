// Names of the field types (DBTypes.h).
#include "platform/vcl/db/DBTypes.h"

namespace vcl {

AnsiString FieldTypeName(TFieldType type) {
    static const char* const names[] = {
        "Unknown", "String",   "Smallint", "Integer", "Word",     "Boolean",    "Float",       "Currency",
        "BCD",     "Date",     "Time",     "DateTime", "Bytes",   "VarBytes",   "AutoInc",     "Blob",
        "Memo",    "Graphic",
    };
    const auto index = static_cast<std::size_t>(type);
    return index < std::size(names) ? names[index] : "Unknown";
}

} // namespace vcl
