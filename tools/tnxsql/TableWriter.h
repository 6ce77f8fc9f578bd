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
// Widths. The rows of a result are held (up to HoldRows rows and HoldBytes bytes of shown text)
// and the columns sized from all of them when the result ends. A longer result is printed with the
// widths of the rows held so far; when a later row is wider, the table is framed again (rule,
// header, rule) with the new widths, so that no row ever breaks the frame.
//
// The screen (when the output is a terminal, FormatOptions::Screen):
//  - a table wider than the screen is narrowed by cutting text and binary columns, widest first,
//    down to MinMaxWidth characters each;
//  - expanded mode prints each row as one line per field ("name | value") under a "-[ row N ]-"
//    line; Auto uses it only for a table that cannot be narrowed to the screen's width;
//  - a table longer than the screen goes through the pager (FormatOptions::PagerProgram).
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
    bool Command(std::string_view tag) override;
    bool Abandoned() const override;

    // The display form of one cell and its width in terminal columns; `scale` is its column's
    // Column::Scale.
    static void Display(const Cell& cell, const FormatOptions& options, std::string& text, size_t& width,
                        int32_t scale = -1);

private:
    struct Col {
        std::string Header;
        size_t HeaderWidth = 0;
        size_t Natural = 0;    // widest header or cell seen
        size_t Width = 0;      // as laid out: Natural, or less to fit the screen
        bool Right = false;    // numbers line up on the right
        bool Cuttable = false; // text and binary may be cut to fit the screen
        int32_t Scale = -1;
    };
    struct Shown {
        std::string Text;
        size_t Width = 0;
    };

    // Sizes the columns from the rows held, fits them to the screen and chooses the expanded
    // form; then prints the held rows (through the pager when they will not fit the screen).
    void Layout(bool resultComplete);
    // Widths to fit the screen; false when the table cannot be made narrow enough.
    bool FitToScreen();
    void PrintFrameTop();
    void PrintRule();
    void PrintCells(const Shown* cells);
    void PrintExpanded(const Shown* cells);
    // Appends a shown cell cut to `width` columns with the cut mark, padded to `width` columns.
    void AppendCell(const Shown& cell, size_t width, bool right);
    void StartPager();

    FormatOptions FOptions;
    ScreenSize FScreen;             // asked for at Begin
    std::vector<Col> FCols;
    std::vector<Shown> FHeld;       // rows held before the layout, row after row
    size_t FHeldBytes = 0;
    std::vector<Shown> FRowCells;   // scratch for one row once the layout is done
    bool FLaidOut = false;
    bool FExpanded = false;         // this result prints one line per field
    bool FPaging = false;           // this result goes through the pager
    size_t FLabelWidth = 0;         // expanded form: width of the names
};

} // namespace tnxsql
