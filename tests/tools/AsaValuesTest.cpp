// Values between the tool's cells and the library's Variants: what a parameter is sent as, and how
// a fetched value becomes a cell of its column's kind.
#include "tools/tnxsql/AsaValues.h"

#include "platform/vcl/DateTime.h"

#include <gtest/gtest.h>

namespace tnxsql {
namespace {

TEST(AsaValues, ParametersKeepTheirValue) {
    EXPECT_TRUE(vcl::VarIsNull(CellToVariant(Cell::Null())));
    vcl::Variant small = CellToVariant(Cell::Integer(-2147483648LL));
    EXPECT_EQ(vcl::VarType(small), vcl::varInteger);
    EXPECT_EQ(small.AsInteger(), -2147483648LL);
    // Wider integers go as exact 64-bit integers, not as a truncated 32-bit value or a rounded double.
    vcl::Variant wide = CellToVariant(Cell::Integer(9007199254740993LL));
    EXPECT_EQ(vcl::VarType(wide), vcl::varInt64);
    EXPECT_EQ(wide.AsInt64(), 9007199254740993LL);
    EXPECT_EQ(CellToVariant(Cell::Boolean(true)).AsBoolean(), true);

    // Text and bytes are copied whole, embedded zero bytes included.
    const std::string bytes("a\0b", 3);
    vcl::Variant bin = CellToVariant(Cell::Binary(bytes));
    EXPECT_EQ(vcl::VarType(bin), vcl::varArray | vcl::varByte);
    EXPECT_EQ(vcl::VarArrayHighBound(bin, 1) - vcl::VarArrayLowBound(bin, 1) + 1, 3);
    EXPECT_EQ(CellToVariant(Cell::Text(bytes)).AsString(), bytes);
}

TEST(AsaValues, CalendarParametersGoAsCanonicalText) {
    EXPECT_EQ(CellToVariant(Cell::Date(2026, 12, 8)).AsString(), "2026-12-08");
    EXPECT_EQ(CellToVariant(Cell::Time(7, 5, 3)).AsString(), "07:05:03");
    EXPECT_EQ(CellToVariant(Cell::Time(7, 5, 3, 250000)).AsString(), "07:05:03.250000");
    EXPECT_EQ(CellToVariant(Cell::DateTime(Timestamp{999, 1, 2, 23, 59, 58, 1})).AsString(),
              "0999-01-02 23:59:58.000001");
}

TEST(AsaValues, FetchedValuesBecomeCellsOfTheColumnsKind) {
    std::string storage;
    EXPECT_TRUE(VariantToCell(vcl::Null(), ColumnType::Text, storage).IsNull());
    // An empty text is a text, not NULL.
    Cell empty = VariantToCell(vcl::Variant(""), ColumnType::Text, storage);
    ASSERT_EQ(empty.Kind(), CellKind::Text);
    EXPECT_EQ(empty.AsBytes(), "");

    Cell date = VariantToCell(vcl::Variant(vcl::EncodeDate(2024, 2, 29)), ColumnType::Date, storage);
    ASSERT_EQ(date.Kind(), CellKind::Date);
    EXPECT_EQ(date.AsTimestamp().Year, 2024);
    EXPECT_EQ(date.AsTimestamp().Month, 2);
    EXPECT_EQ(date.AsTimestamp().Day, 29);
    Cell time = VariantToCell(vcl::Variant(vcl::EncodeTime(13, 14, 15, 500)), ColumnType::Time, storage);
    ASSERT_EQ(time.Kind(), CellKind::Time);
    EXPECT_EQ(time.AsTimestamp().Hour, 13);
    EXPECT_EQ(time.AsTimestamp().Second, 15);
    EXPECT_EQ(time.AsTimestamp().Microsecond, 500000u);

    // A long binary value arrives as a byte array and stays whole.
    const std::string raw("\x00\xff\x10", 3);
    Cell bin = VariantToCell(vcl::VarArrayOfBytes(raw.data(), raw.size()), ColumnType::LongBinary, storage);
    ASSERT_EQ(bin.Kind(), CellKind::Binary);
    EXPECT_EQ(bin.AsBytes(), raw);

    // A column of unknown type takes the value's own kind; a value that cannot be read as its
    // column's kind shows as text instead of failing the row.
    EXPECT_EQ(VariantToCell(vcl::Variant(2.5), ColumnType::Unknown, storage).Kind(), CellKind::Float);
    EXPECT_EQ(VariantToCell(vcl::Variant(int32_t(4)), ColumnType::Unknown, storage).Kind(),
              CellKind::Integer);
    Cell odd = VariantToCell(vcl::Variant("n/a"), ColumnType::Integer, storage);
    ASSERT_EQ(odd.Kind(), CellKind::Text);
    EXPECT_EQ(odd.AsBytes(), "n/a");
}

TEST(AsaValues, FieldTypesMapToColumnTypes) {
    EXPECT_EQ(ColumnTypeOf(tnx::ntMemo), ColumnType::LongText);
    EXPECT_EQ(ColumnTypeOf(tnx::ntBlob), ColumnType::LongBinary);
    EXPECT_EQ(ColumnTypeOf(tnx::ntCurrency), ColumnType::Float);
    EXPECT_EQ(ColumnTypeOf(tnx::ntUnknown), ColumnType::Unknown);
}

} // namespace
} // namespace tnxsql
