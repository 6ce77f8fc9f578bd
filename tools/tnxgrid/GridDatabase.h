// GridDatabase: the connection tnxgrid's datasets run on. A database file is opened the way tnxsql
// opens it (tools/tnxsql/LoginPlan.h): the client library "dblib6.dll" on the embedded default,
// the engine started in-process on the file, user DBA / SQL unless told otherwise; --create makes
// the file first. Every statement and every posted row is committed at once (AutoCommit), and
// nothing is committed behind the user's back when the program ends.
//
// Errors are the library's exceptions (vcl::Exception and its kind) or tnxsql::BackendError, with
// the library's message; the password is never part of one.
#pragma once

#include "tools/tnxgrid/GridOptions.h"

#include "platform/vcl/Object.h"

#include <cstdint>
#include <string>

namespace tnx {
class TAsaSession;
class TAsaSQL;
} // namespace tnx

namespace tnxgrid {

class GridDatabase {
public:
    GridDatabase();
    ~GridDatabase();
    GridDatabase(const GridDatabase&) = delete;
    GridDatabase& operator=(const GridDatabase&) = delete;

    // Connects to the database the options name (creating it first with --create).
    void Open(const GridOptions& options);
    void Close();
    bool IsOpen() const;
    tnx::TAsaSession* Session() const { return FSession.get(); }
    // Runs a statement that returns no rows and answers the rows it changed.
    std::uint32_t Execute(const std::string& sql);

private:
    vcl::TOwned<tnx::TAsaSession> FSession;
    vcl::TOwned<tnx::TAsaSQL> FStatement;
};

} // namespace tnxgrid
