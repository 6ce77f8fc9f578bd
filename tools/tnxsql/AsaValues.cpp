// Conversions between cells and the library's Variants; see AsaValues.h.
#include "tools/tnxsql/AsaValues.h"

#include "platform/vcl/DateTime.h"

#include <cstdio>
#include <cstring>
#include <limits>

namespace tnxsql {

ColumnType ColumnTypeOf(tnx::TCorvexFieldTypes type) {
    switch (type) {
    case tnx::ntString:
        return ColumnType::Text;
    case tnx::ntInteger:
        return ColumnType::Integer;
    case tnx::ntFloat:
    case tnx::ntCurrency:
        return ColumnType::Float;
    case tnx::ntDate:
        return ColumnType::Date;
    case tnx::ntTime:
        return ColumnType::Time;
    case tnx::ntDateTime:
        return ColumnType::DateTime;
    case tnx::ntBoolean:
        return ColumnType::Boolean;
    case tnx::ntBinary:
        return ColumnType::Binary;
    case tnx::ntMemo:
        return ColumnType::LongText;
    case tnx::ntBlob:
        return ColumnType::LongBinary;
    case tnx::ntUnknown:
        break;
    }
    return ColumnType::Unknown;
}

namespace {

std::string DateText(const Timestamp& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", static_cast<int>(t.Year), t.Month, t.Day);
    return buf;
}

std::string TimeText(const Timestamp& t) {
    char buf[32];
    if (t.Microsecond != 0)
        std::snprintf(buf, sizeof buf, "%02u:%02u:%02u.%06u", t.Hour, t.Minute, t.Second,
                      static_cast<unsigned>(t.Microsecond));
    else
        std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", t.Hour, t.Minute, t.Second);
    return buf;
}

// Bytes of a text or byte-array Variant, copied into `storage`; false for any other kind.
bool CopyBytes(const vcl::Variant& v, std::string& storage) {
    if (v.IsText()) {
        storage.assign(v.TextRef());
        return true;
    }
    if (vcl::VarType(v) == (vcl::varArray | vcl::varByte)) {
        const int32_t n = vcl::VarArrayHighBound(v, 1) - vcl::VarArrayLowBound(v, 1) + 1;
        const void* data = vcl::VarArrayLock(v);
        storage.assign(static_cast<const char*>(data), n > 0 ? static_cast<size_t>(n) : 0);
        vcl::VarArrayUnlock(v);
        return true;
    }
    return false;
}

Timestamp Decode(const vcl::Variant& v) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    vcl::DecodeDateTime(v.AsDateTime(), y, mo, d, h, mi, s, ms);
    return Timestamp{y,
                     static_cast<uint8_t>(mo),
                     static_cast<uint8_t>(d),
                     static_cast<uint8_t>(h),
                     static_cast<uint8_t>(mi),
                     static_cast<uint8_t>(s),
                     static_cast<uint32_t>(ms) * 1000u};
}

} // namespace

vcl::Variant CellToVariant(const Cell& cell) {
    switch (cell.Kind()) {
    case CellKind::Null:
        return vcl::Null();
    case CellKind::Integer: {
        const int64_t v = cell.AsInteger();
        if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max())
            return vcl::Variant(static_cast<int32_t>(v));
        return vcl::Variant(v);
    }
    case CellKind::Float:
        return vcl::Variant(cell.AsFloat());
    case CellKind::Boolean:
        return vcl::Variant(cell.AsBoolean());
    case CellKind::Text:
        return vcl::Variant(cell.AsBytes());
    case CellKind::Binary: {
        const std::string_view b = cell.AsBytes();
        return vcl::VarArrayOfBytes(b.data(), b.size());
    }
    case CellKind::Date:
        return vcl::Variant(DateText(cell.AsTimestamp()));
    case CellKind::Time:
        return vcl::Variant(TimeText(cell.AsTimestamp()));
    case CellKind::DateTime:
        return vcl::Variant(DateText(cell.AsTimestamp()) + " " + TimeText(cell.AsTimestamp()));
    }
    return vcl::Null();
}

Cell VariantToCell(const vcl::Variant& value, ColumnType type, std::string& storage) {
    if (value.IsNull() || value.IsEmpty()) return Cell::Null();
    try {
        switch (type) {
        case ColumnType::Text:
        case ColumnType::LongText:
            if (!CopyBytes(value, storage)) storage = vcl::VarToStr(value);
            return Cell::Text(storage);
        case ColumnType::Binary:
        case ColumnType::LongBinary:
            if (!CopyBytes(value, storage)) storage = vcl::VarToStr(value);
            return Cell::Binary(storage);
        case ColumnType::Integer:
            return Cell::Integer(value.AsInt64());
        case ColumnType::Float:
            return Cell::Float(value.AsDouble());
        case ColumnType::Boolean:
            return Cell::Boolean(value.AsBoolean());
        case ColumnType::Date: {
            const Timestamp t = Decode(value);
            return Cell::Date(t.Year, t.Month, t.Day);
        }
        case ColumnType::Time: {
            const Timestamp t = Decode(value);
            return Cell::Time(t.Hour, t.Minute, t.Second, t.Microsecond);
        }
        case ColumnType::DateTime:
            return Cell::DateTime(Decode(value));
        case ColumnType::Unknown:
            break;
        }
        // A column of unknown type: the value's own kind.
        switch (vcl::VarType(value)) {
        case vcl::varBoolean:
            return Cell::Boolean(value.AsBoolean());
        case vcl::varSmallint:
        case vcl::varInteger:
        case vcl::varShortInt:
        case vcl::varByte:
        case vcl::varWord:
        case vcl::varLongWord:
        case vcl::varInt64:
            return Cell::Integer(value.AsInt64());
        case vcl::varSingle:
        case vcl::varDouble:
        case vcl::varCurrency:
            return Cell::Float(value.AsDouble());
        case vcl::varDate:
            return Cell::DateTime(Decode(value));
        default:
            break;
        }
        if (CopyBytes(value, storage) && vcl::VarType(value) != vcl::varString) return Cell::Binary(storage);
    } catch (const std::exception&) {
        // Not readable as its column's kind: show the text the library makes of it.
    }
    try {
        storage = vcl::VarToStr(value);
    } catch (const std::exception&) {
        storage = "(" + std::string(vcl::VarTypeAsText(vcl::VarType(value))) + ")";
    }
    return Cell::Text(storage);
}

} // namespace tnxsql
