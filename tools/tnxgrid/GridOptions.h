// The command line of tnxgrid:
//   tnxgrid [--create] [--libdir DIR] [--user NAME] [--password TEXT] [--query SQL]
//           [--detail SQL] DATABASE
// DATABASE is a database file, opened on the embedded default as tnxsql opens it (--create makes
// a new one first). --query runs a query in the upper grid at start; --detail runs a detail query
// in the lower grid, its ":name" markers filled from the upper grid's current row.
#pragma once

#include <QStringList>

#include <string>

namespace tnxgrid {

struct GridOptions {
    std::string Database;
    bool Create = false;
    std::string LibraryDir;
    std::string User;
    std::string Password;
    std::string Query;
    std::string DetailQuery;
};

// Parses the arguments (program name first). Returns false with the message (a usage text for
// --help, an error otherwise) in message.
bool ParseGridOptions(const QStringList& arguments, GridOptions& options, QString& message, bool& help);

} // namespace tnxgrid
