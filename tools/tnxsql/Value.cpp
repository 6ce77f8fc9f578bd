// Names of the portable column types.
#include "tools/tnxsql/Value.h"

namespace tnxsql {

std::string_view ColumnTypeName(ColumnType t) {
    switch (t) {
    case ColumnType::Unknown:
        return "unknown";
    case ColumnType::Text:
        return "text";
    case ColumnType::Integer:
        return "integer";
    case ColumnType::Float:
        return "float";
    case ColumnType::Date:
        return "date";
    case ColumnType::Time:
        return "time";
    case ColumnType::DateTime:
        return "datetime";
    case ColumnType::Boolean:
        return "boolean";
    case ColumnType::Binary:
        return "binary";
    case ColumnType::LongText:
        return "long text";
    case ColumnType::LongBinary:
        return "long binary";
    }
    return "unknown";
}

} // namespace tnxsql
