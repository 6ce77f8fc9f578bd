// Results as aligned tables for people:
//
//   +----+-------+
//   | id | name  |
//   +----+-------+
//   |  1 | alice |
//   |  2 | NULL  |
//   +----+-------+
//   (2 rows)
//
// Numbers line up on the right, everything else on the left. NULL shows as the null text. Text
// shows control characters escaped (\n, \t, \r, \xNN) and is converted to UTF-8 for the terminal
// (see CellText.h); binary shows as 0x and hexadecimal. Text and binary values wider than MaxWidth
// are cut and end with the cut mark "..."; numbers, dates and booleans are never cut.
//
// Column widths are fixed after the first SampleRows rows (so a large result streams instead of
// being held in memory); a later value wider than its column overflows it rather than being cut,
// so that no value is shown wrong.
#pragma once

#include "tools/tnxsql/ResultWriter.h"

namespace tnxsql {

class TableWriter final : public ResultWriter {
public:
    TableWriter(std::ostream& out, const FormatOptions& options);

    void Begin(const std::vector<Column>& columns) override;
    void Row(std::span<const Cell> cells) override;
    void End() override;
    bool RowsAffected(int64_t count) override;

    // The display form of one cell and its width in terminal columns.
    static void Display(const Cell& cell, const FormatOptions& options, std::string& text, size_t& width);

private:
    struct Col {
        std::string Header;
        size_t HeaderWidth = 0;
        size_t Width = 0;   // fixed by FixLayout
        bool Right = false; // numbers line up on the right
    };
    struct Shown {
        std::string Text;
        size_t Width = 0;
    };

    void FixLayout();
    void PrintRule();
    void PrintCells(const Shown* cells);

    FormatOptions FOptions;
    std::vector<Col> FCols;
    std::vector<Shown> FSample;   // rows read before the layout was fixed, row after row
    std::vector<Shown> FRowCells; // scratch for one row once the layout is fixed
    bool FLayoutFixed = false;
};

} // namespace tnxsql
