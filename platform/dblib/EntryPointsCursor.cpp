// The exported entry points of cursors: declare, open, describe, fetch (in blocks and as a bare
// move), long values in pieces, positioned changes and close. Compiled once per build, like
// EntryPoints.cpp; the work lives in Cursor.
#include "platform/dblib/Client.h"
#include "platform/dblib/Cursor.h"
#include "platform/dblib/EntryPointAbi.h"
#include "platform/dblib/Instrument.h"
#include "platform/dblib/ServerSession.h"
#include "platform/dblib/Statement.h"
#include "platform/dblib/dblib.h"

#include <type_traits>

using namespace tnxdb;
using tnxdb::abi::Dbpp;

namespace {

// The caller's cursor name; a missing or empty one is refused.
const char* CheckedCursorName(const char* cursor) {
    if (!cursor || !*cursor) throw DbError(DBLIB_E_BAD_ARGUMENT, "no cursor name");
    return cursor;
}

std::string_view CursorName(const char* cursor) { return CheckedCursorName(cursor); }

Cursor& OpenCursor(Connection& c, const char* cursor) {
    Cursor& cur = c.Cursors().Get(CheckedCursorName(cursor));
    if (!cur.IsOpen()) throw DbError(DBLIB_E_CURSOR_NOT_OPEN, cur.Name());
    return cur;
}

} // namespace

extern "C" {

DBLIB_EXPORT void dbpp_declare(DBLIB_DBPP_ARGS(char* cursor, char* /*r*/, char* module, short* stmt,
                                               unsigned int options)) {
    if (instrument::Recording())
        instrument::CallLine("dbpp_declare").Str(cursor).Str(module).Stmt(stmt).Int(options).Commit();
    RunRequest(ca, Dbpp("dbpp_declare", DBLIB_DESC), 0, [&](Connection& c) {
        std::string_view name = CursorName(cursor);
        if (!stmt) throw DbError(DBLIB_E_BAD_ARGUMENT, "no statement number");
        if (ServerSession* server = c.Server()) {
            server->Declare(name, *stmt, options);
            return 0;
        }
        if (!c.FindStatement(*stmt)) throw DbError(DBLIB_E_BAD_STATEMENT);
        c.Cursors().Declare(name, *stmt, options);
        return 0;
    });
}

DBLIB_EXPORT void dbpp_open(DBLIB_DBPP_ARGS(char* cursor, char* /*r*/, char* module, short* stmt, sqlda* in,
                                            char* /*r2*/, char* /*r3*/, unsigned int options)) {
    if (instrument::Recording())
        instrument::CallLine("dbpp_open").Str(cursor).Str(module).Stmt(stmt).Da(in).Int(options).Commit();
    RunRequest(ca, Dbpp("dbpp_open", DBLIB_DESC), 0, [&](Connection& c) {
        if (ServerSession* server = c.Server()) {
            ca->sqlerrd[2] = server->Open(CursorName(cursor), stmt, in, options);
            return 0;
        }
        Cursor& cur = c.Cursors().Get(CheckedCursorName(cursor));
        if (stmt && *stmt != cur.StatementNumber())
            throw DbError(DBLIB_E_BAD_ARGUMENT, "cursor " + cur.Name() + " was declared for statement " +
                                                    std::to_string(cur.StatementNumber()));
        ca->sqlerrd[2] = cur.Open(c, in, options);
        return 0;
    });
}

DBLIB_EXPORT void dbpp_describe_cursor(DBLIB_DBPP_ARGS(char* cursor, sqlda* da, unsigned int kind)) {
    if (instrument::Recording())
        instrument::CallLine("dbpp_describe_cursor").Str(cursor).Da(da).Int(kind).Commit();
    RunRequest(ca, Dbpp("dbpp_describe_cursor", DBLIB_DESC), 0, [&](Connection& c) {
        if (ServerSession* server = c.Server())
            server->DescribeCursor(CursorName(cursor), da, kind, ca);
        else
            OpenCursor(c, cursor).Describe(c, da, kind, ca);
        return 0;
    });
}

DBLIB_EXPORT void dbpp_fetch_array(DBLIB_DBPP_ARGS(char* cursor, unsigned int kind, int offset, sqlda* da,
                                                   int /*r*/, int /*r2*/, unsigned int rows)) {
    if (instrument::Recording())
        instrument::CallLine("dbpp_fetch_array").Str(cursor).Int(kind).Int(offset).Da(da).Int(rows).Commit();
    RunRequest(ca, Dbpp("dbpp_fetch_array", DBLIB_DESC), 0, [&](Connection& c) {
        if (ServerSession* server = c.Server())
            server->Fetch(CursorName(cursor), kind, offset, da, rows, ca);
        else
            OpenCursor(c, cursor).Fetch(c, kind, offset, da, rows, ca);
        return 0;
    });
}

DBLIB_EXPORT void dbpp_fetch(DBLIB_DBPP_ARGS(char* cursor, unsigned int kind, int offset, sqlda* /*r*/,
                                             short* /*r2*/, unsigned int /*r3*/)) {
    if (instrument::Recording())
        instrument::CallLine("dbpp_fetch").Str(cursor).Int(kind).Int(offset).Commit();
    RunRequest(ca, Dbpp("dbpp_fetch", DBLIB_DESC), 0, [&](Connection& c) {
        if (ServerSession* server = c.Server())
            server->Move(CursorName(cursor), kind, offset, ca);
        else
            OpenCursor(c, cursor).Move(c, kind, offset, ca);
        return 0;
    });
}

DBLIB_EXPORT void dbpp_get_data(DBLIB_DBPP_ARGS(char* cursor, unsigned int column, int offset, sqlda* da,
                                                unsigned int /*r*/)) {
    if (instrument::Recording())
        instrument::CallLine("dbpp_get_data").Str(cursor).Int(column).Int(offset).Da(da).Commit();
    RunRequest(ca, Dbpp("dbpp_get_data", DBLIB_DESC), 0, [&](Connection& c) {
        if (ServerSession* server = c.Server())
            server->GetData(CursorName(cursor), column, offset, da, ca);
        else
            OpenCursor(c, cursor).GetData(c, column, offset, da, ca);
        return 0;
    });
}

DBLIB_EXPORT void dbpp_put_into(DBLIB_DBPP_ARGS(char* cursor, sqlda* put, sqlda* into)) {
    if (instrument::Recording()) instrument::CallLine("dbpp_put_into").Str(cursor).Da(put).Da(into).Commit();
    RunRequest(ca, Dbpp("dbpp_put_into", DBLIB_DESC), 0, [&](Connection& c) {
        if (ServerSession* server = c.Server())
            server->PutInto(CursorName(cursor), put, into, ca);
        else
            OpenCursor(c, cursor).PutInto(c, put, into, ca);
        return 0;
    });
}

DBLIB_EXPORT void dbpp_update(DBLIB_DBPP_ARGS(char* cursor, sqlda* da)) {
    if (instrument::Recording()) instrument::CallLine("dbpp_update").Str(cursor).Da(da).Commit();
    RunRequest(ca, Dbpp("dbpp_update", DBLIB_DESC), 0, [&](Connection& c) {
        if (ServerSession* server = c.Server())
            server->Update(CursorName(cursor), da, ca);
        else
            OpenCursor(c, cursor).Update(c, da, ca);
        return 0;
    });
}

DBLIB_EXPORT void dbpp_delete(DBLIB_DBPP_ARGS(char* cursor, char* /*r*/, char* /*r2*/)) {
    if (instrument::Recording()) instrument::CallLine("dbpp_delete").Str(cursor).Commit();
    RunRequest(ca, Dbpp("dbpp_delete", DBLIB_DESC), 0, [&](Connection& c) {
        if (ServerSession* server = c.Server())
            server->Delete(CursorName(cursor), ca);
        else
            OpenCursor(c, cursor).Delete(c, ca);
        return 0;
    });
}

DBLIB_EXPORT void dbpp_close(DBLIB_DBPP_ARGS(char* cursor)) {
    if (instrument::Recording()) instrument::CallLine("dbpp_close").Str(cursor).Commit();
    RunRequest(ca, Dbpp("dbpp_close", DBLIB_DESC), 0, [&](Connection& c) {
        if (ServerSession* server = c.Server())
            server->Close(CursorName(cursor));
        else
            OpenCursor(c, cursor).Close();
        return 0;
    });
}

} // extern "C"

// Every entry point has exactly the type the header gives its generation.
static_assert(std::is_same_v<decltype(&dbpp_declare), DBLIB_DBPP_TYPE(dbpp_declare)>);
static_assert(std::is_same_v<decltype(&dbpp_open), DBLIB_DBPP_TYPE(dbpp_open)>);
static_assert(std::is_same_v<decltype(&dbpp_describe_cursor), DBLIB_DBPP_TYPE(dbpp_describe_cursor)>);
static_assert(std::is_same_v<decltype(&dbpp_fetch_array), DBLIB_DBPP_TYPE(dbpp_fetch_array)>);
static_assert(std::is_same_v<decltype(&dbpp_fetch), DBLIB_DBPP_TYPE(dbpp_fetch)>);
static_assert(std::is_same_v<decltype(&dbpp_get_data), DBLIB_DBPP_TYPE(dbpp_get_data)>);
static_assert(std::is_same_v<decltype(&dbpp_put_into), DBLIB_DBPP_TYPE(dbpp_put_into)>);
static_assert(std::is_same_v<decltype(&dbpp_update), DBLIB_DBPP_TYPE(dbpp_update)>);
static_assert(std::is_same_v<decltype(&dbpp_delete), DBLIB_DBPP_TYPE(dbpp_delete)>);
static_assert(std::is_same_v<decltype(&dbpp_close), DBLIB_DBPP_TYPE(dbpp_close)>);
