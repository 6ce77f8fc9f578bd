// TAsaSQL: executed statements (prepare, bind, execute, release), text run at once, auxiliary
// statements on the session, temporary SQL variables for long values, and the auto commit
// (see AsaSQL.h).
//
// Long values. A value too long for a host variable is put into a connection-level SQL variable
// of type long binary, created just before the one call that uses it and dropped right after; the
// SQLDA variable then has type 600 and names the SQL variable. The texts sent for it:
//     create variable "<name>" long binary
//     set "<name>"=''
//     set "<name>"="<name>" || :blob_host        (prepared once, then executed with one piece of
//                                                 at most 32765 bytes per call)
//     drop variable "<name>"
// The name is always a quoted identifier (embedded double quotes doubled), so a variable named like
// any column works and no name can change what the text does.
#include "asa/AsaSQL.h"

#include "asa/AsaSqlda.h"
#include "asa/AutoCommitScope.h"

#include "base/TnxProduct.h"
#include "platform/vcl/StringList.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace tnx {

using vcl::AnsiString;
using vcl::Variant;

namespace {

char* Module() {
    return const_cast<char*>(szCorvexLibraryShortName);
}

// The name as a quoted identifier: in double quotes, each embedded double quote doubled.
AnsiString QuoteIdentifier(const char* Name) {
    AnsiString quoted = "\"";
    for (const char* p = Name; *p != '\0'; ++p) {
        if (*p == '"') quoted += '"';
        quoted += *p;
    }
    quoted += '"';
    return quoted;
}

} // namespace

// --- Executed statements ------------------------------------------------------------------------

bool TAsaSQL::InternalPrepareExecute(const AnsiString& SQL) {
    TAsaSession* session = Asa();
    session->InternalLibraryHandleNeeded();
    TAsaStatementPool& pool = session->GetStatementPool();
    FExecStatement = static_cast<int16_t>(pool.Next());
    std::string text(SQL);
    session->Dbpp(AsaLibrary.Procs.dbpp_prepare, nullptr, Module(), &FExecStatement, text.data(), nullptr,
                  1u);
    if (!CheckResult()) return false;
    pool.Use(FExecStatement);
    return inherited::InternalPrepareExecute(SQL);
}

bool TAsaSQL::InternalBindExecVariables(vcl::TStrings* Names) {
    FreeSqlda(FExecBindSqlda);
    FreeSqlda(FExecOutSqlda);
    bool bound = false;
    try {
        bound = InternalBindVariables(&FExecStatement, MutableExecVariables(), &FExecBindSqlda, Names) &&
                InternalBindOutVariables(&FExecStatement, MutableExecVariables(), &FExecOutSqlda, Names);
    } catch (...) {
        DropBlobVariablesQuietly(Names);
        throw;
    }
    if (!bound) {
        // Variables made before the failure would otherwise stay on the connection and make the
        // next attempt fail to create them.
        DropBlobVariablesQuietly(Names);
        return false;
    }
    return inherited::InternalBindExecVariables(Names);
}

namespace {

} // namespace

bool TAsaSQL::InternalExecute(vcl::TStrings* Names) {
    TAsaSession* session = Asa();
    sqlca* ca = session->GetSqlca();
    session->Dbpp(AsaLibrary.Procs.dbpp_execute_into, nullptr, Module(), &FExecStatement, FExecBindSqlda,
                  FExecOutSqlda);
    SetRowsProcessed(static_cast<uint32_t>(ca->sqlerrd[2]));
    TAutoCommitScope commit([this] { InternalAutoCommit(); });
    if (Names != nullptr && Names->GetCount() > 0) {
        // The statement's own outcome is judged, not that of the drops.
        const sqlca saved = *ca;
        InternalDropBlobVariables(Names);
        *ca = saved;
    }
    return CheckResult();
}

void TAsaSQL::InternalUnprepareExecute() {
    FreeSqlda(FExecBindSqlda);
    FreeSqlda(FExecOutSqlda);
    FExecBlobNames.clear();
    if (GetExecPrepared()) InternalDropStatement(FExecStatement);
    inherited::InternalUnprepareExecute();
}

bool TAsaSQL::ExecuteImmediate(const AnsiString& SQL) {
    TAsaSession* session = Asa();
    session->InternalLibraryHandleNeeded();
    std::string text(SQL);
    session->Dbpp(AsaLibrary.Procs.dbpp_execute_imm, text.data(), 2u);
    SetRowsProcessed(static_cast<uint32_t>(session->GetSqlca()->sqlerrd[2]));
    TAutoCommitScope commit([this] { InternalAutoCommit(); });
    return CheckResult();
}

void TAsaSQL::InternalAutoCommit() {
    TAsaSession* session = Asa();
    if (!session->GetInTransaction() && session->GetAutoCommit())
        session->Dbpp(AsaLibrary.Procs.dbpp_commit, 0u);
}

// --- Auxiliary statements -----------------------------------------------------------------------

bool TAsaSQL::InternalLocalExecute(const AnsiString& SQL, const Variant& Values) {
    TAsaSession* session = Asa();
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    std::string text(SQL);
    if (Values.IsNull()) {
        session->Dbpp(procs.dbpp_execute_imm, text.data(), 2u);
        return CheckResult();
    }

    TAsaStatementPool& pool = session->GetStatementPool();
    int16_t number = static_cast<int16_t>(pool.Next());
    session->Dbpp(procs.dbpp_prepare, nullptr, Module(), &number, text.data(), nullptr, 1u);
    if (!CheckResult()) return false;
    pool.Use(number);

    // A set of its own (the record is large: kept off the stack), so the statement's state stays.
    auto vars = std::make_unique<TCorvexVariables>();
    std::memset(static_cast<void*>(vars.get()), 0, sizeof *vars);
    sqlda* da = nullptr;
    auto release = [&] {
        InternalClearVariables(*vars);
        InternalDropStatement(number);
        FreeSqlda(da);
    };
    bool result = false;
    try {
        InternalSetVariables(Values, *vars);
        if (InternalBindVariables(&number, *vars, &da, nullptr)) {
            session->Dbpp(procs.dbpp_execute_into, nullptr, Module(), &number, da, nullptr);
            result = CheckResult();
        }
    } catch (...) {
        try {
            release();
        } catch (...) {
        }
        throw;
    }
    release();
    return result;
}

// --- Blob variables -----------------------------------------------------------------------------

bool TAsaSQL::InternalCreateBlobVariable(const char* Name, const void* Data, int32_t Length) {
    const AnsiString name = QuoteIdentifier(Name);
    if (!InternalLocalExecute("create variable " + name + " long binary", vcl::Null())) return false;

    // From here on the variable exists: unless it is filled completely, it is dropped again, so
    // that a later attempt can create it and no half value is ever sent.
    vcl::TOwned<vcl::TStringList> created = vcl::New<vcl::TStringList>();
    created->Add(Name);
    bool filled = false;
    try {
        filled = InternalLocalExecute("set " + name + "=''", vcl::Null());
        if (filled && Data != nullptr)
            AppendBlobPieces(name, static_cast<const uint8_t*>(Data), std::max(Length, 0));
        filled = filled && LastErrorCode() == 0;
    } catch (...) {
        DropBlobVariablesQuietly(created.get());
        throw;
    }
    if (!filled) DropBlobVariablesQuietly(created.get());
    return filled;
}

void TAsaSQL::AppendBlobPieces(const AnsiString& QuotedName, const uint8_t* Bytes, int32_t Length) {
    TAsaSession* session = Asa();
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    std::string text("set " + QuotedName + "=" + QuotedName + " || :blob_host");
    TAsaStatementPool& pool = session->GetStatementPool();
    int16_t number = static_cast<int16_t>(pool.Next());
    session->Dbpp(procs.dbpp_prepare, nullptr, Module(), &number, text.data(), nullptr, 1u);
    if (!CheckResult()) return;
    pool.Use(number);

    // The statement and its SQLDA go on every path; the drop leaves the outcome of the appends
    // (the SQLCA and the session's last error) as it was.
    struct TRelease {
        TAsaSQL* Self;
        TAsaSession* Session;
        int16_t& Number;
        ~TRelease() {
            sqlca* ca = Session->GetSqlca();
            const sqlca saved = *ca;
            try {
                Self->InternalDropStatement(Number);
            } catch (...) {
            }
            *ca = saved;
        }
    } release{this, session, number};
    TAsaSqlda da = TAsaSqlda::Allocate(1); // freed before the statement is dropped
    da->sqld = 1;
    // One binary variable, re-filled for every piece: a 16-bit length, then the bytes.
    std::vector<uint8_t> piece(2 + static_cast<std::size_t>(BlobChunkSize));
    sqlvar& var = da->sqlvar[0];
    int16_t scratch = 0;
    int16_t& indicator = var.sqlind != nullptr ? *var.sqlind : scratch;
    var.sqltype = DBLIB_T_BINARY;
    var.sqllen = static_cast<int16_t>(piece.size());
    var.sqldata = piece.data();
    int32_t offset = 0;
    do {
        const int32_t chunk = std::min(Length - offset, BlobChunkSize);
        const auto n = static_cast<uint16_t>(chunk);
        std::memcpy(piece.data(), &n, sizeof n);
        if (chunk > 0) std::memcpy(piece.data() + 2, Bytes + offset, static_cast<std::size_t>(chunk));
        // A piece of 0 bytes is NULL, which the append takes as empty.
        indicator = chunk > 0 ? 0 : -1;
        session->Dbpp(procs.dbpp_execute_into, nullptr, Module(), &number, da.Get(), nullptr);
        CheckResult();
        offset += chunk;
    } while (offset < Length && LastErrorCode() >= 0);
}

void TAsaSQL::InternalDropBlobVariables(vcl::TStrings* Names) {
    if (Names == nullptr) return;
    for (int i = 0; i < Names->GetCount(); ++i)
        InternalLocalExecute("drop variable " + QuoteIdentifier(Names->Get(i).c_str()), vcl::Null());
}

void TAsaSQL::DropBlobVariablesQuietly(vcl::TStrings* Names) {
    if (Names == nullptr || Names->GetCount() == 0) return;
    auto* session = LinkedAsa();
    if (session != nullptr && AsaLibrary.Procs.dbpp_execute_imm) {
        sqlca* ca = session->GetSqlca();
        const sqlca saved = *ca;
        for (int i = 0; i < Names->GetCount(); ++i) {
            std::string text = "drop variable " + QuoteIdentifier(Names->Get(i).c_str());
            session->Dbpp(AsaLibrary.Procs.dbpp_execute_imm, text.data(), 2u);
        }
        *ca = saved;
    }
    Names->Clear();
}

} // namespace tnx
