// Plain single-row inserts: "INSERT INTO name [(column, ...)] VALUES (value, ...)" and nothing
// more (a trailing ';' aside). Their values can be checked in the statement's own text (see
// Domains.h), so such an insert needs no trigger.
#pragma once

#include "platform/dblib/Domains.h"
#include "platform/dblib/SqlScanner.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tnxdb {

struct PlainInsert {
    std::string Table;
    std::optional<std::vector<std::string>> Columns; // as listed; none: every column in order
    std::vector<std::pair<size_t, size_t>> Values;   // each value's text: [begin, end) in the statement
    std::vector<int> ValueMarker; // per value: the input number when the value is one marker, else -1
    std::vector<bool> Simple;     // per value: one marker, number or string
};

// The shape of scanned text when it is a plain single-row insert of an unqualified table.
std::optional<PlainInsert> MatchPlainInsert(const std::string& text, const ScannedSql& scan);

// The engine text of the statement with each value the plan checks wrapped in a check (see
// Domains.h); markers become numbered parameters, comments blanks.
std::string CheckedInsertText(std::string_view text, const ScannedSql& scan, const PlainInsert& shape,
                              const InsertPlan& plan);

} // namespace tnxdb
