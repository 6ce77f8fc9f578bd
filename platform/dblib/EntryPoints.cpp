// The exported entry points of the client library. This file is compiled once per build
// (generation): DBLIB_GENERATION selects whether dbpp_* calls take the legacy call descriptor and
// which version value it must hold, and whether db_version_check exists; DBLIB_PRODUCT_VERSION is
// the version the library reports. Each entry point records itself for the test instrument,
// then runs in the frame of CallGuard.h; the work lives in the classes it calls.
#include "platform/dblib/CallGuard.h"
#include "platform/dblib/Client.h"
#include "platform/dblib/ConnectionString.h"
#include "platform/dblib/Convert.h"
#include "platform/dblib/Engine.h"
#include "platform/dblib/EntryPointAbi.h"
#include "platform/dblib/Instrument.h"
#include "platform/dblib/Options.h"
#include "platform/dblib/ServerSession.h"
#include "platform/dblib/Sqlda.h"
#include "platform/dblib/Statement.h"
#include "platform/dblib/dblib.h"

#include <cstring>
#include <type_traits>

#ifndef DBLIB_PRODUCT_VERSION
#error "DBLIB_PRODUCT_VERSION must give the library's version text"
#endif

using namespace tnxdb;
using tnxdb::abi::Dbpp;
using tnxdb::abi::Plain;

namespace {

std::string TextArg(const char* s) { return s ? std::string(s) : std::string(); }

ConnParams Params(const char* s) { return ParseConnectionString(s ? s : ""); }

// The value of variable 0 of an SQLDA, as text, for options and records.
std::string FirstValueText(Connection* c, const sqlda* da) {
    if (!da || da->sqld < 1 || da->sqld > da->sqln) throw DbError(DBLIB_E_BAD_SQLDA, "one variable is needed");
    char scratch[kScratchSize];
    Value v = ReadInput(da->sqlvar[0], scratch, c ? &c->Variables() : nullptr);
    char buf[48];
    switch (v.K) {
    case Value::Null: return {};
    case Value::Int: return std::to_string(v.I);
    case Value::Real: return std::string(buf, FormatDouble(v.D, buf, sizeof buf));
    default: return std::string(v.P ? v.P : "", v.N);
    }
}

void StoreText(const std::string& text, sqlda* da, sqlca* ca) {
    if (!da || da->sqld < 1 || da->sqld > da->sqln) throw DbError(DBLIB_E_BAD_SQLDA, "one variable is needed");
    sqlvar& var = da->sqlvar[0];
    if (StoreOutput(Value::MakeText(text.data(), text.size()), var, nullptr)) {
        SetTruncationWarning(ca);
        if (!var.sqlind) WriteSqlca(ca, DBLIB_W_TRUNCATED, {}, {});
    }
}

Connection* CallerConnection(ClientState* client) { return client && client->Conn ? client->Conn.get() : nullptr; }

// An engine or database control call aimed at a network server (its parameters name one, or they
// name no engine and no file and the caller is connected to one) is refused; any other call gets
// the caller's connection only when that is to the in-process engine, whose defaults it picks.
Connection* InProcessCaller(const ConnParams& p, ClientState* client, ServerControl call) {
    Connection* caller = CallerConnection(client);
    const bool callerOnServer = caller && caller->Server();
    if (FindServerTarget(p) ||
        (callerOnServer && p.Trimmed(ConnKey::EngineName).empty() && p.Trimmed(ConnKey::DatabaseFile).empty()))
        RefuseOnServer(call);
    return callerOnServer ? nullptr : caller;
}

} // namespace

extern "C" {

// ---- Initialisation, versions, messages ---------------------------------------------------------

DBLIB_EXPORT unsigned short db_init(sqlca* ca) {
    if (instrument::Recording()) instrument::CallLine("db_init").Commit();
    if (!ca) return 0;
    if (int code = instrument::InjectedCode("db_init")) {
        ResetSqlca(ca);
        WriteSqlca(ca, code, {}, {});
        return 0;
    }
    try {
        Clients::Instance().Register(ca);
    } catch (...) {
        ResetSqlca(ca);
        WriteSqlca(ca, DBLIB_E_MEMORY, {}, {});
        return 0;
    }
    std::memcpy(ca->sqlcaid, "SQLCA\0\0\0", 8);
    ca->sqlcabc = sizeof(sqlca);
    ResetSqlca(ca);
    return 1;
}

DBLIB_EXPORT unsigned short db_fini(sqlca* ca) {
    if (instrument::Recording()) instrument::CallLine("db_fini").Commit();
    return RunCall(ca, Plain("db_fini"), static_cast<unsigned short>(0), [&](ClientState* client) -> unsigned short {
        if (client) {
            DisconnectClient(*client);
            Clients::Instance().Unregister(ca);
        }
        return 1;
    });
}

#if DBLIB_GENERATION >= 5
DBLIB_EXPORT unsigned short db_version_check(unsigned int version) {
    if (instrument::Recording()) instrument::CallLine("db_version_check").Int(version).Commit();
    return (DBLIB_GENERATION >= 6 && version >= 6 && version <= DBLIB_GENERATION) ? 1 : 0;
}
static_assert(std::is_same_v<decltype(&db_version_check), db_version_check_fn>);
#endif

DBLIB_EXPORT char* sqlerror_message(sqlca* ca, char* buffer, int max) {
    if (instrument::Recording()) instrument::CallLine("sqlerror_message").Int(max).Commit();
    if (!buffer || max < 1) return nullptr;
    std::string text;
    try {
        if (ca) {
            auto client = Clients::Instance().Find(ca);
            if (client && client->LastCode == ca->sqlcode && ca->sqlcode != 0) {
                text = client->LastMessage;
            } else if (ca->sqlcode != 0) {
                std::string params(ca->sqlerrmc, strnlen(ca->sqlerrmc, sizeof ca->sqlerrmc));
                size_t tab = params.find('\t');
                text = tab == std::string::npos ? FormatMessage(ca->sqlcode, params, {})
                                                : FormatMessage(ca->sqlcode, params.substr(0, tab), params.substr(tab + 1));
            }
        }
    } catch (...) {
        text.clear();
    }
    size_t n = std::min(text.size(), static_cast<size_t>(max) - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return buffer;
}

// ---- SQLDAs -------------------------------------------------------------------------------------

DBLIB_EXPORT sqlda* alloc_sqlda(unsigned n) {
    if (instrument::Recording()) instrument::CallLine("alloc_sqlda").Int(n).Commit();
    return AllocSqlda(n, true);
}

DBLIB_EXPORT sqlda* alloc_sqlda_noind(unsigned n) {
    if (instrument::Recording()) instrument::CallLine("alloc_sqlda_noind").Int(n).Commit();
    return AllocSqlda(n, false);
}

DBLIB_EXPORT void free_sqlda(sqlda* da) {
    if (instrument::Recording()) instrument::CallLine("free_sqlda").Da(da).Commit();
    FreeSqlda(da);
}

DBLIB_EXPORT void free_sqlda_noind(sqlda* da) {
    if (instrument::Recording()) instrument::CallLine("free_sqlda_noind").Da(da).Commit();
    FreeSqlda(da);
}

// ---- Connections, engines, databases ------------------------------------------------------------

DBLIB_EXPORT unsigned short db_string_connect(sqlca* ca, char* params) {
    if (instrument::Recording()) instrument::CallLine("db_string_connect").ConnString(params).Commit();
    return RunCall(ca, Plain("db_string_connect"), static_cast<unsigned short>(0),
                   [&](ClientState* client) -> unsigned short {
                       if (!client) throw DbError(DBLIB_E_BAD_ARGUMENT, "the SQLCA was not initialised by db_init");
                       ConnParams p = Params(params);
                       if (client->Conn) {
                           const ServerSession* server = client->Conn->Server();
                           if (!client->Conn->IsDropped() && !(server && server->Ended()))
                               throw DbError(DBLIB_E_ALREADY_CONNECTED);
                           DisconnectClient(*client);
                       }
                       auto target = FindServerTarget(p);
                       auto conn = target ? ConnectServer(*target, p, client) : Server::Instance().Connect(p, client);
                       std::lock_guard<std::mutex> lock(client->ConnMutex);
                       client->Conn = std::move(conn);
                       return 1;
                   });
}

DBLIB_EXPORT unsigned short db_string_disconnect(sqlca* ca, char* params) {
    if (instrument::Recording()) instrument::CallLine("db_string_disconnect").ConnString(params).Commit();
    return RunCall(ca, Plain("db_string_disconnect"), static_cast<unsigned short>(0),
                   [&](ClientState* client) -> unsigned short {
                       if (!client || !DisconnectClient(*client)) throw DbError(DBLIB_E_NOT_CONNECTED);
                       return 1;
                   });
}

DBLIB_EXPORT unsigned short db_start_engine(sqlca* ca, char* params) {
    if (instrument::Recording()) instrument::CallLine("db_start_engine").ConnString(params).Commit();
    return RunCall(ca, Plain("db_start_engine"), static_cast<unsigned short>(0), [&](ClientState*) -> unsigned short {
        ConnParams p = Params(params);
        if (FindServerTarget(p)) RefuseOnServer(ServerControl::StartEngine);
        Server::Instance().StartEngine(p);
        return 1;
    });
}

DBLIB_EXPORT unsigned short db_stop_engine(sqlca* ca, char* params) {
    if (instrument::Recording()) instrument::CallLine("db_stop_engine").ConnString(params).Commit();
    return RunCall(ca, Plain("db_stop_engine"), static_cast<unsigned short>(0),
                   [&](ClientState* client) -> unsigned short {
                       ConnParams p = Params(params);
                       Server::Instance().StopEngine(p, InProcessCaller(p, client, ServerControl::StopEngine));
                       return 1;
                   });
}

DBLIB_EXPORT unsigned short db_start_database(sqlca* ca, char* params) {
    if (instrument::Recording()) instrument::CallLine("db_start_database").ConnString(params).Commit();
    return RunCall(ca, Plain("db_start_database"), static_cast<unsigned short>(0),
                   [&](ClientState* client) -> unsigned short {
                       ConnParams p = Params(params);
                       Server::Instance().StartDatabase(p, InProcessCaller(p, client, ServerControl::StartDatabase));
                       return 1;
                   });
}

DBLIB_EXPORT unsigned short db_stop_database(sqlca* ca, char* params) {
    if (instrument::Recording()) instrument::CallLine("db_stop_database").ConnString(params).Commit();
    return RunCall(ca, Plain("db_stop_database"), static_cast<unsigned short>(0),
                   [&](ClientState* client) -> unsigned short {
                       ConnParams p = Params(params);
                       Server::Instance().StopDatabase(p, InProcessCaller(p, client, ServerControl::StopDatabase));
                       return 1;
                   });
}

DBLIB_EXPORT unsigned short db_find_engine(sqlca* ca, char* name) {
    if (instrument::Recording()) instrument::CallLine("db_find_engine").Str(name).Commit();
    return RunCall(ca, Plain("db_find_engine"), static_cast<unsigned short>(0), [&](ClientState*) -> unsigned short {
        std::string n = TextArg(name);
        if (!Server::Instance().FindEngine(n)) throw DbError(DBLIB_E_ENGINE_NOT_FOUND, n);
        return 1;
    });
}

DBLIB_EXPORT unsigned int db_connection_info(sqlca* ca, int kind, sqlda* da) {
    if (instrument::Recording()) instrument::CallLine("db_connection_info").Int(kind).Da(da).Commit();
    return RunRequest(ca, Plain("db_connection_info"), 0u, [&](Connection& c) -> unsigned int {
        std::string text;
        if (ServerSession* server = c.Server()) {
            if (kind < 1 || kind > 3) throw DbError(DBLIB_E_BAD_ARGUMENT, "connection information kind " + std::to_string(kind));
            StoreText(server->Info(kind), da, ca);
            return 1;
        }
        switch (kind) {
        case 1: text = DBLIB_PRODUCT_VERSION; break;
        case 2: text = c.GetDatabase().EngineName; break;
        case 3: text = c.GetDatabase().Name; break;
        default: throw DbError(DBLIB_E_BAD_ARGUMENT, "connection information kind " + std::to_string(kind));
        }
        StoreText(text, da, ca);
        return 1;
    });
}

// ---- Statements ---------------------------------------------------------------------------------

DBLIB_EXPORT void dbpp_prepare(DBLIB_DBPP_ARGS(char* /*r*/, char* module, short* stmt, char* sql,
                                               sqlda* /*r2*/, unsigned int flags)) {
    if (instrument::Recording())
        instrument::CallLine("dbpp_prepare").Str(module).Stmt(stmt).Str(sql).Int(flags).Commit();
    RunRequest(ca, Dbpp("dbpp_prepare", DBLIB_DESC), 0, [&](Connection& c) {
        if (!stmt) throw DbError(DBLIB_E_BAD_ARGUMENT, "no statement number");
        if (!sql) throw DbError(DBLIB_E_BAD_ARGUMENT, "no statement text");
        if (ServerSession* server = c.Server()) {
            server->Prepare(c, stmt, TextArg(module), sql);
            return 0;
        }
        const int number = c.StatementNumberFor(*stmt);
        c.PutStatement(Statement::Prepare(c, number, TextArg(module), sql));
        *stmt = static_cast<short>(number);
        return 0;
    });
}

DBLIB_EXPORT void dbpp_describe(DBLIB_DBPP_ARGS(char* /*r*/, char* module, short* stmt, sqlda* da,
                                                unsigned int kind)) {
    if (instrument::Recording()) instrument::CallLine("dbpp_describe").Str(module).Stmt(stmt).Int(kind).Commit();
    RunRequest(ca, Dbpp("dbpp_describe", DBLIB_DESC), 0, [&](Connection& c) {
        if (!stmt) throw DbError(DBLIB_E_BAD_ARGUMENT, "no statement number");
        if (ServerSession* server = c.Server()) {
            server->Describe(*stmt, da, kind, ca);
            return 0;
        }
        Statement* s = c.FindStatement(*stmt);
        if (!s) throw DbError(DBLIB_E_BAD_STATEMENT);
        s->Describe(c, da, kind, ca);
        return 0;
    });
}

DBLIB_EXPORT void dbpp_execute_into(DBLIB_DBPP_ARGS(char* /*r*/, char* module, short* stmt, sqlda* in,
                                                    sqlda* out)) {
    if (instrument::Recording())
        instrument::CallLine("dbpp_execute_into").Str(module).Stmt(stmt).Da(in).Da(out).Commit();
    RunRequest(ca, Dbpp("dbpp_execute_into", DBLIB_DESC), 0, [&](Connection& c) {
        if (!stmt) throw DbError(DBLIB_E_BAD_ARGUMENT, "no statement number");
        if (ServerSession* server = c.Server()) {
            server->Execute(c, *stmt, in, out, ca);
            return 0;
        }
        Statement* s = c.FindStatement(*stmt);
        if (!s) throw DbError(DBLIB_E_BAD_STATEMENT);
        s->Execute(c, in, out, ca);
        return 0;
    });
}

DBLIB_EXPORT void dbpp_execute_imm(DBLIB_DBPP_ARGS(char* sql, unsigned int flags)) {
    if (instrument::Recording()) instrument::CallLine("dbpp_execute_imm").Str(sql).Int(flags).Commit();
    RunRequest(ca, Dbpp("dbpp_execute_imm", DBLIB_DESC), 0, [&](Connection& c) {
        if (!sql) throw DbError(DBLIB_E_BAD_ARGUMENT, "no statement text");
        if (ServerSession* server = c.Server()) {
            server->ExecuteImmediate(c, sql, ca);
            return 0;
        }
        auto s = Statement::Prepare(c, 0, {}, sql);
        s->Execute(c, nullptr, nullptr, ca);
        return 0;
    });
}

DBLIB_EXPORT void dbpp_dropstmt(DBLIB_DBPP_ARGS(char* /*r*/, char* module, short* stmt)) {
    if (instrument::Recording()) instrument::CallLine("dbpp_dropstmt").Str(module).Stmt(stmt).Commit();
    RunRequest(ca, Dbpp("dbpp_dropstmt", DBLIB_DESC), 0, [&](Connection& c) {
        if (!stmt) throw DbError(DBLIB_E_BAD_ARGUMENT, "no statement number");
        if (ServerSession* server = c.Server()) {
            server->DropStatement(*stmt);
            return 0;
        }
        c.DropStatement(*stmt);
        return 0;
    });
}

DBLIB_EXPORT void dbpp_commit(DBLIB_DBPP_ARGS(unsigned int r)) {
    if (instrument::Recording()) instrument::CallLine("dbpp_commit").Int(r).Commit();
    RunRequest(ca, Dbpp("dbpp_commit", DBLIB_DESC), 0, [&](Connection& c) {
        if (ServerSession* server = c.Server()) {
            server->Commit();
            return 0;
        }
        c.Commit();
        return 0;
    });
}

DBLIB_EXPORT void dbpp_rollback(DBLIB_DBPP_ARGS(unsigned int r)) {
    if (instrument::Recording()) instrument::CallLine("dbpp_rollback").Int(r).Commit();
    RunRequest(ca, Dbpp("dbpp_rollback", DBLIB_DESC), 0, [&](Connection& c) {
        if (ServerSession* server = c.Server()) {
            server->Rollback();
            return 0;
        }
        c.Rollback();
        return 0;
    });
}

DBLIB_EXPORT void dbpp_setoption(DBLIB_DBPP_ARGS(int temporary, char* user, char* option, sqlda* da)) {
    if (instrument::Recording()) {
        instrument::CallLine line("dbpp_setoption");
        line.Int(temporary).Str(user).Str(option);
        if (da && da->sqld >= 1 && da->sqld <= da->sqln && (da->sqlvar[0].sqltype & ~1) == DBLIB_T_STRING &&
            da->sqlvar[0].sqldata)
            line.Str(static_cast<const char*>(da->sqlvar[0].sqldata));
        else
            line.Da(da);
        line.Commit();
    }
    RunRequest(ca, Dbpp("dbpp_setoption", DBLIB_DESC), 0, [&](Connection& c) {
        if (!option) throw DbError(DBLIB_E_BAD_ARGUMENT, "no option name");
        if (ServerSession* server = c.Server())
            server->SetOption(c, temporary != 0, TextArg(user), option, FirstValueText(&c, da));
        else
            ApplyOption(c, temporary != 0, TextArg(user), option, FirstValueText(&c, da));
        return 0;
    });
}

DBLIB_EXPORT void dbpp_getoption(DBLIB_DBPP_ARGS(int r, char* user, char* option, sqlda* da)) {
    if (instrument::Recording()) instrument::CallLine("dbpp_getoption").Int(r).Str(user).Str(option).Commit();
    RunRequest(ca, Dbpp("dbpp_getoption", DBLIB_DESC), 0, [&](Connection& c) {
        if (!option) throw DbError(DBLIB_E_BAD_ARGUMENT, "no option name");
        StoreText(c.Options().Get(FindOption(option)), da, ca);
        return 0;
    });
}

// ---- Test instrument (never called by the product) ----------------------------------------------

DBLIB_EXPORT void tnxdb_test_record(int on) { instrument::SetRecording(on != 0); }
DBLIB_EXPORT void tnxdb_test_record_clear(void) { instrument::ClearRecord(); }
DBLIB_EXPORT size_t tnxdb_test_record_text(char* buffer, size_t size) {
    std::string text = instrument::RecordText();
    if (buffer && size > 0) {
        size_t n = std::min(text.size(), size - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return text.size();
}
DBLIB_EXPORT void tnxdb_test_inject(const char* entry, unsigned nth, int code) { instrument::Inject(entry, nth, code); }
DBLIB_EXPORT void tnxdb_test_inject_clear(void) { instrument::ClearInjections(); }

} // extern "C"

// Every entry point has exactly the type the header gives its generation.
static_assert(std::is_same_v<decltype(&db_init), db_init_fn>);
static_assert(std::is_same_v<decltype(&db_fini), db_fini_fn>);
static_assert(std::is_same_v<decltype(&sqlerror_message), sqlerror_message_fn>);
static_assert(std::is_same_v<decltype(&alloc_sqlda), alloc_sqlda_fn>);
static_assert(std::is_same_v<decltype(&alloc_sqlda_noind), alloc_sqlda_noind_fn>);
static_assert(std::is_same_v<decltype(&free_sqlda), free_sqlda_fn>);
static_assert(std::is_same_v<decltype(&free_sqlda_noind), free_sqlda_noind_fn>);
static_assert(std::is_same_v<decltype(&db_string_connect), db_string_connect_fn>);
static_assert(std::is_same_v<decltype(&db_string_disconnect), db_string_disconnect_fn>);
static_assert(std::is_same_v<decltype(&db_start_engine), db_start_engine_fn>);
static_assert(std::is_same_v<decltype(&db_stop_engine), db_stop_engine_fn>);
static_assert(std::is_same_v<decltype(&db_start_database), db_start_database_fn>);
static_assert(std::is_same_v<decltype(&db_stop_database), db_stop_database_fn>);
static_assert(std::is_same_v<decltype(&db_find_engine), db_find_engine_fn>);
static_assert(std::is_same_v<decltype(&db_connection_info), db_connection_info_fn>);
static_assert(std::is_same_v<decltype(&dbpp_prepare), DBLIB_DBPP_TYPE(dbpp_prepare)>);
static_assert(std::is_same_v<decltype(&dbpp_describe), DBLIB_DBPP_TYPE(dbpp_describe)>);
static_assert(std::is_same_v<decltype(&dbpp_execute_into), DBLIB_DBPP_TYPE(dbpp_execute_into)>);
static_assert(std::is_same_v<decltype(&dbpp_execute_imm), DBLIB_DBPP_TYPE(dbpp_execute_imm)>);
static_assert(std::is_same_v<decltype(&dbpp_dropstmt), DBLIB_DBPP_TYPE(dbpp_dropstmt)>);
static_assert(std::is_same_v<decltype(&dbpp_commit), DBLIB_DBPP_TYPE(dbpp_commit)>);
static_assert(std::is_same_v<decltype(&dbpp_rollback), DBLIB_DBPP_TYPE(dbpp_rollback)>);
static_assert(std::is_same_v<decltype(&dbpp_setoption), DBLIB_DBPP_TYPE(dbpp_setoption)>);
static_assert(std::is_same_v<decltype(&dbpp_getoption), DBLIB_DBPP_TYPE(dbpp_getoption)>);
