// TAsaSQL: construction, the type mapping, preparing and describing queries, the row layout of the
// fetch block, binding input and output host variables, dropping statements (see AsaSQL.h).
//
// The row layout. After a describe, FOpenSqlda holds FieldCount x FetchRows variables: variable
// r*FieldCount+i describes column i of row r and points at row r's copy of the column in
// FetchBuffer (rows of RecordSize bytes, columns in order at the running sum of their Sizes). The
// library then delivers a whole block of rows per call straight into the buffer.
#include "asa/AsaSQL.h"

#include "asa/AsaBlobStream.h"
#include "asa/AsaConsts.h"
#include "asa/AsaSqlda.h"
#include "base/CorvexBlob.h"
#include "base/TnxConsts.h"
#include "base/TnxProduct.h"
#include "base/TnxRoutines.h"
#include "platform/vcl/Format.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/SysUtils.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tnx {

using vcl::AnsiString;

VCL_CLASS_INFO(TAsaSQL, [](vcl::TPublisher<TAsaSQL>& p) {
    using S = TAsaSQL;
    p.Property("CursorType", &S::GetCursorType, &S::SetCursorType);
    p.Property("UniDirectional", &S::GetUniDirectional, &S::SetUniDirectional);
    p.Property("WantExceptions", &S::GetWantExceptions, &S::SetWantExceptions).Default(false);
    p.Property("AfterOpen", &S::GetAfterOpen, &S::SetAfterOpen);
    p.Property("BeforeOpen", &S::GetBeforeOpen, &S::SetBeforeOpen);
    p.Property("AfterClose", &S::GetAfterClose, &S::SetAfterClose);
    p.Property("BeforeClose", &S::GetBeforeClose, &S::SetBeforeClose);
})

namespace {

// The library reads the texts it is given (module name, statement texts, cursor and variable
// names) and never writes them; its C interface declares them char*.
char* Arg(const char* text) {
    return const_cast<char*>(text);
}

char* Module() {
    return Arg(szCorvexLibraryShortName);
}

// An area for a field the statement keeps (freed through FreeSqlda).
sqlda* AllocSqlda(int32_t n) {
    return TAsaSqlda::Allocate(static_cast<unsigned>(n)).Release();
}

} // namespace

TAsaSQL::TAsaSQL(vcl::TComponent* owner) : TCorvexSQL(owner) {}

TAsaSQL::~TAsaSQL() = default;

// --- Session, checks and errors -----------------------------------------------------------------

TAsaSession* TAsaSQL::RecastLinkedAsa() {
    FAsa = dynamic_cast<TAsaSession*>(GetAssignedSession());
    FAsaForLink = SessionLinkChanges();
    return FAsa;
}

void TAsaSQL::RaiseNoSession() { throw ECorvexException(vcl::LoadResString(CORVEX_ERR_SESS_NIL), 0, 0); }

bool TAsaSQL::CheckResult() {
    return Asa()->Check(nullptr, 0, 0, GetWantExceptions());
}

int32_t TAsaSQL::LastErrorCode() {
    return Asa()->GetLastErrorCode();
}

void TAsaSQL::RaiseAsa(const vcl::TResStringRec& Message) {
    RaiseLastError<EAsaException>(vcl::LoadResString(Message), 0);
}

void TAsaSQL::RequireActive() {
    if (!GetActive()) RaiseAsa(CORVEX_ERR_CURS_NOT_OPENED);
}

void TAsaSQL::RequireWritable() {
    if (GetReadOnly()) RaiseAsa(CORVEX_ERR_CURS_READ_ONLY);
}

void TAsaSQL::FreeSqlda(sqlda*& Da) {
    ReleaseSqlda(Da);
    Da = nullptr;
}

// --- Type mapping -------------------------------------------------------------------------------

bool TAsaSQL::InternalSetFieldDef(int32_t Index, void* Area, TCorvexFieldDesc& Desc, int32_t BlobSize) {
    sqlvar& var = static_cast<sqlda*>(Area)->sqlvar[Index];
    const int32_t type = var.sqltype & ~DBLIB_T_NULLABLE;
    const int32_t len = var.sqllen;
    Desc.Nulls = (var.sqltype & DBLIB_T_NULLABLE) != 0;
    const int nameLength = std::clamp<int>(var.sqlname.length, 0, static_cast<int>(sizeof var.sqlname.data));
    std::memcpy(Desc.Name, var.sqlname.data, static_cast<std::size_t>(nameLength));
    Desc.Name[nameLength] = '\0';

    auto set = [&Desc](TCorvexFieldTypes fieldType, int32_t extType, int32_t size) {
        Desc.FieldType = fieldType;
        Desc.ExtType = extType;
        Desc.Size = size;
    };
    switch (type) {
    case DBLIB_T_DATE:
        set(ntDate, DBLIB_T_TIMESTAMP_STRUCT, sizeof(sqldatetime));
        Desc.Length = 10;
        break;
    case DBLIB_T_TIME:
        set(ntTime, DBLIB_T_TIMESTAMP_STRUCT, sizeof(sqldatetime));
        Desc.Length = 8;
        break;
    case DBLIB_T_TIMESTAMP_STRUCT:
    case DBLIB_T_TIMESTAMP:
        set(ntDateTime, DBLIB_T_TIMESTAMP_STRUCT, sizeof(sqldatetime));
        Desc.Length = 19;
        break;
    case DBLIB_T_VARCHAR:
    case DBLIB_T_FIXCHAR:
    case DBLIB_T_STRING:
        if (len <= 8192) {
            set(ntString, DBLIB_T_STRING, len + 1);
            Desc.Length = len;
        } else {
            set(ntMemo, DBLIB_T_STRING, BlobSize);
        }
        break;
    case DBLIB_T_LONGVARCHAR:
        set(ntMemo, DBLIB_T_STRING, BlobSize);
        break;
    case DBLIB_T_BIGINT:
    case DBLIB_T_UNSBIGINT:
    case DBLIB_T_INT:
    case DBLIB_T_SMALLINT:
    case DBLIB_T_TINYINT:
    case DBLIB_T_UNSINT:
    case DBLIB_T_UNSSMALLINT:
        if (GetLargeIntegers()) {
            // Every integer as a signed 64-bit one: exact, whatever its declared width. (An
            // unsigned value beyond the signed range cannot be stored as an integer anyway.)
            set(ntInteger, DBLIB_T_BIGINT, LargeIntegerSize);
            Desc.Length = 20;
        } else if (type == DBLIB_T_BIGINT || type == DBLIB_T_UNSBIGINT) {
            set(ntFloat, DBLIB_T_DOUBLE, 8);
            Desc.Length = 10;
        } else {
            set(ntInteger, DBLIB_T_INT, 4);
            Desc.Length = 10;
        }
        break;
    case DBLIB_T_DOUBLE:
    case DBLIB_T_FLOAT:
        set(ntFloat, DBLIB_T_DOUBLE, 8);
        Desc.Length = 10;
        break;
    case DBLIB_T_DECIMAL:
        Desc.Decimals = (len >> 8) & 0xff;
        set(Desc.Decimals == 4 ? ntCurrency : ntFloat, DBLIB_T_DOUBLE, 8);
        Desc.Length = 10;
        break;
    case DBLIB_T_BINARY:
        // The 16-bit length comes first; the buffer must stay within what the 16-bit sqllen can
        // describe (a binary of 32767 bytes would need 32769), so at most 32765 bytes are kept.
        set(ntBinary, DBLIB_T_BINARY, std::min(len, BlobChunkSize) + 2);
        Desc.Length = len;
        break;
    case DBLIB_T_LONGBINARY:
        set(ntBlob, DBLIB_T_STRING, BlobSize);
        break;
    case DBLIB_T_BIT:
        set(ntBoolean, DBLIB_T_BIT, 1);
        Desc.Length = 5;
        break;
    default:
        set(ntUnknown, 0, 0);
        break;
    }
    // From here on the library converts into the statement's own buffer formats.
    var.sqltype = static_cast<int16_t>(Desc.ExtType | (Desc.Nulls ? DBLIB_T_NULLABLE : 0));
    var.sqllen = static_cast<int16_t>(Desc.Size);
    return true;
}

int32_t TAsaSQL::InternalGetVariableLength(TCorvexFieldTypes FieldType) {
    switch (FieldType) {
    case ntString:
        return 8193;
    case ntInteger:
        return 4;
    case ntFloat:
    case ntCurrency:
        return 8;
    case ntDate:
    case ntTime:
    case ntDateTime:
        return sizeof(sqldatetime);
    case ntBoolean:
        // One byte: the value is stored there (a length of 0 would let it spill into the next
        // variable's bytes).
        return 1;
    case ntBinary:
    case ntMemo:
    case ntBlob:
        return 32767;
    case ntUnknown:
    default:
        return 0;
    }
}

int32_t TAsaSQL::InternalGetVariableExtType(TCorvexFieldTypes FieldType) {
    switch (FieldType) {
    case ntString:
    case ntMemo:
        return DBLIB_T_STRING;
    case ntInteger:
        return DBLIB_T_INT;
    case ntFloat:
    case ntCurrency:
        return DBLIB_T_DOUBLE;
    case ntDate:
    case ntTime:
    case ntDateTime:
        return DBLIB_T_TIMESTAMP_STRUCT;
    case ntBoolean:
        return DBLIB_T_BIT;
    case ntBinary:
    case ntBlob:
        return DBLIB_T_BINARY;
    case ntUnknown:
    default:
        return 0;
    }
}

TCorvexBlobStream* TAsaSQL::InternalCreateBlobStream(const AnsiString& FieldName) {
    // The manager owns the stream from its construction on.
    return vcl::New<TAsaBlobStream>(GetBlobManager(), FieldName).release();
}

// --- Preparing and describing the query ---------------------------------------------------------

bool TAsaSQL::InternalPrepareOpen(const AnsiString& SQL) {
    TAsaSession* session = Asa();
    session->InternalLibraryHandleNeeded();
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    TAsaStatementPool& pool = session->GetStatementPool();
    FDescribeAfterOpen = false;
    FOpenStatement = static_cast<int16_t>(pool.Next());
    std::string text(SQL);
    session->Dbpp(procs.dbpp_prepare, nullptr, Module(), &FOpenStatement, text.data(), nullptr, 1u);
    if (!CheckResult()) return false;
    pool.Use(FOpenStatement);

    // From here on a failure (or an exception) must leave no statement behind.
    bool result = false;
    sqlda* work = nullptr;
    auto release = [&] {
        if (!result) {
            FreeSqlda(FOpenSqlda);
            InternalFreeOpenBuffer();
            InternalDropStatement(FOpenStatement);
        }
        FreeSqlda(work);
    };
    try {
        work = AllocSqlda(0);
        session->Dbpp(procs.dbpp_describe, nullptr, Module(), &FOpenStatement, work, DBLIB_DESCRIBE_FIXED);
        const int32_t fixedColumns = session->GetSqlca()->sqlerrd[2];
        if (CheckResult()) {
            FDescribeAfterOpen = fixedColumns == 0 && AsaLibrary.Generation != lgNoCheck;
            if (FDescribeAfterOpen) {
                pool.Clear();
                result = inherited::InternalPrepareOpen(SQL);
            } else {
                result = InternalDescribePrepare() && inherited::InternalPrepareOpen(SQL);
            }
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

bool TAsaSQL::InternalDescribePrepare() {
    return LayoutColumns(false, true);
}

bool TAsaSQL::LayoutColumns(bool AfterOpen, bool ReadOnly) {
    TAsaSession* session = Asa();
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    auto describe = [&] {
        if (AfterOpen) {
            session->Dbpp(procs.dbpp_describe_cursor, FCursorName, FOpenSqlda, DBLIB_DESCRIBE_OUTPUT);
        } else {
            session->Dbpp(procs.dbpp_describe, nullptr, Module(), &FOpenStatement, FOpenSqlda,
                          DBLIB_DESCRIBE_OUTPUT);
        }
        return CheckResult();
    };

    FreeSqlda(FOpenSqlda);
    if (AfterOpen) InternalFreeOpenBuffer();
    FOpenSqlda = AllocSqlda(0);
    if (!describe()) return false;
    InternalSetFieldCount(FOpenSqlda->sqld); // refuses more than 256 columns
    FreeSqlda(FOpenSqlda);

    // Rows per block: MaxFetchCount, within what one SQLDA can hold.
    const int32_t columns = std::max(GetFieldCount(), 1);
    int32_t rows = std::min(GetMaxFetchCount(), MaxSqldaVariables / columns);
    if (AfterOpen) {
        FOpenSqlda = AllocSqlda(GetFieldCount());
        if (!describe()) return false;
        // A long column's value is read through its stream at the row the library stands on, so
        // its cursor fetches one row per call. Text too long for a plain string is such a column
        // too (it maps to ntMemo), whatever type code it was described with.
        bool longColumns = false;
        for (int32_t i = 0; i < GetFieldCount(); ++i) {
            const sqlvar& var = FOpenSqlda->sqlvar[i];
            const int32_t type = var.sqltype & ~DBLIB_T_NULLABLE;
            const bool text = type == DBLIB_T_VARCHAR || type == DBLIB_T_FIXCHAR || type == DBLIB_T_STRING;
            if (type == DBLIB_T_LONGVARCHAR || type == DBLIB_T_LONGBINARY || (text && var.sqllen > 8192))
                longColumns = true;
        }
        if (!ReadOnly || longColumns) rows = 1;
        if (rows > 1) {
            FreeSqlda(FOpenSqlda);
            FOpenSqlda = AllocSqlda(GetFieldCount() * rows);
            if (!describe()) return false;
        }
    } else {
        FOpenSqlda = AllocSqlda(GetFieldCount() * rows);
        if (!describe()) return false;
    }
    SetFetchRows(rows);

    sqlda* da = FOpenSqlda;
    da->sqld = da->sqln;
    SetRecordSize(0);
    for (int32_t i = 0; i < GetFieldCount(); ++i) {
        // Only a decimal column has a scale: none is kept from a column of an earlier statement.
        FieldDescAt(i).Decimals = 0;
        InternalSetFieldDef(i, da, FieldDescAt(i), GetBlobSize() + 4);
        SetRecordSize(GetRecordSize() + FieldDescAt(i).Size);
    }
    FLongNames.clear();
    if (FLongColumnNames && !DescribeLongNames(AfterOpen)) return false;
    for (int32_t r = 1; r < GetFetchRows(); ++r) {
        for (int32_t i = 0; i < GetFieldCount(); ++i) {
            sqlvar& to = da->sqlvar[r * GetFieldCount() + i];
            const sqlvar& from = da->sqlvar[i];
            to.sqltype = from.sqltype;
            to.sqllen = from.sqllen;
            to.sqlname = from.sqlname;
        }
    }

    InternalAllocOpenBuffer();
    GetBlobManager()->Clear();
    uint8_t* p = GetFetchBuffer();
    for (int32_t r = 0; r < GetFetchRows(); ++r) {
        for (int32_t i = 0; i < GetFieldCount(); ++i) {
            da->sqlvar[r * GetFieldCount() + i].sqldata = p;
            p += FieldDescAt(i).Size;
            if (r == 0 && IsBlobType(FieldDescAt(i).FieldType)) InternalCreateBlobStream(FieldDescAt(i).Name);
        }
    }
    return true;
}

bool TAsaSQL::DescribeLongNames(bool AfterOpen) {
    TAsaSession* session = Asa();
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    // Room for names of up to 255 bytes first; a longer one is described again with room for it.
    int32_t room = 256;
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<char> names(static_cast<std::size_t>(room) * static_cast<std::size_t>(GetFieldCount()),
                                '\0');
        TAsaSqlda da = TAsaSqlda::Allocate(static_cast<unsigned>(GetFieldCount()));
        int32_t longest = 0;
        da->sqld = da->sqln;
        for (int32_t i = 0; i < GetFieldCount(); ++i) {
            da.Var(i).sqldata = names.data() + static_cast<std::size_t>(i) * room;
            da.Var(i).sqllen = static_cast<int16_t>(room);
        }
        if (AfterOpen) {
            session->Dbpp(procs.dbpp_describe_cursor, FCursorName, da.Get(), DBLIB_DESCRIBE_LONG_NAMES);
        } else {
            session->Dbpp(procs.dbpp_describe, nullptr, Module(), &FOpenStatement, da.Get(),
                          DBLIB_DESCRIBE_LONG_NAMES);
        }
        if (!CheckResult()) return false;
        for (int32_t i = 0; i < GetFieldCount(); ++i)
            if (da.Var(i).sqlind != nullptr) longest = std::max<int32_t>(longest, *da.Var(i).sqlind);
        da.Reset();
        if (longest >= room && pass == 0) {
            room = std::min<int32_t>(longest + 1, 32767);
            continue;
        }
        FLongNames.clear();
        for (int32_t i = 0; i < GetFieldCount(); ++i) {
            const char* name = names.data() + static_cast<std::size_t>(i) * room;
            FLongNames.emplace_back(name, strnlen(name, static_cast<std::size_t>(room)));
            // The field table keeps as much of the name as it holds.
            const std::size_t keep = std::min(FLongNames.back().size(), sizeof(FieldDescAt(i).Name) - 1);
            std::memcpy(FieldDescAt(i).Name, FLongNames.back().data(), keep);
            FieldDescAt(i).Name[keep] = '\0';
        }
        return true;
    }
    return true;
}

vcl::AnsiString TAsaSQL::GetFieldLongName(int32_t Index) const {
    if (Index < 0 || Index >= GetFieldCount()) return {};
    if (static_cast<std::size_t>(Index) < FLongNames.size()) return FLongNames[static_cast<std::size_t>(Index)];
    return FieldDescAt(Index).Name;
}

// --- Binding ------------------------------------------------------------------------------------

bool TAsaSQL::InternalBindOpenVariables(vcl::TStrings* Names) {
    FreeSqlda(FOpenBindSqlda);
    // The base open paths pass no list: long inputs of a query then go through variables of the
    // statement's own, which the open drops again.
    vcl::TStrings* names = Names;
    if (names == nullptr) {
        if (!FOpenBlobVariables) FOpenBlobVariables = vcl::New<vcl::TStringList>();
        DropBlobVariablesQuietly(FOpenBlobVariables.get());
        names = FOpenBlobVariables.get();
    }
    bool bound = false;
    try {
        bound = InternalBindVariables(&FOpenStatement, MutableOpenVariables(), &FOpenBindSqlda, names);
    } catch (...) {
        if (Names == nullptr) DropBlobVariablesQuietly(names);
        throw;
    }
    if (!bound) {
        if (Names == nullptr) DropBlobVariablesQuietly(names);
        return false;
    }
    return inherited::InternalBindOpenVariables(Names);
}

bool TAsaSQL::InternalBindVariables(void* Statement, TCorvexVariables& Vars, void* Area,
                                    vcl::TStrings* Names) {
    sqlda*& da = *static_cast<sqlda**>(Area);
    std::deque<std::string>& store = &da == &FExecBindSqlda   ? FExecBlobNames
                                     : &da == &FOpenBindSqlda ? FOpenBlobNames
                                                              : FOtherBlobNames;
    return BindInputs(static_cast<int16_t*>(Statement), Vars, da, Names, store);
}

bool TAsaSQL::BindInputs(int16_t* Statement, TCorvexVariables& Vars, sqlda*& Da, vcl::TStrings* Names,
                         std::deque<std::string>& Store) {
    TAsaSession* session = Asa();
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    Store.clear();
    Da = AllocSqlda(0);
    session->Dbpp(procs.dbpp_describe, nullptr, Module(), Statement, Da, DBLIB_DESCRIBE_INPUT);
    if (!CheckResult()) return false;
    const int32_t n = Da->sqld;
    InternalCheckDescriptorCount(n);
    FreeSqlda(Da);
    Da = AllocSqlda(n);
    session->Dbpp(procs.dbpp_describe, nullptr, Module(), Statement, Da, DBLIB_DESCRIBE_INPUT);
    if (!CheckResult()) return false;

    auto* p = static_cast<uint8_t*>(Vars.Buffer);
    int32_t j = 0;
    for (int32_t i = 0; i < n; ++i) {
        sqlvar& var = Da->sqlvar[i];
        int16_t scratch = 0;
        int16_t& indicator = var.sqlind != nullptr ? *var.sqlind : scratch;
        const auto bits = static_cast<uint16_t>(indicator);
        if ((bits & 0x8000) != 0 && (bits & 0x4000) == 0) {
            // An output-only parameter takes no input value.
            indicator = -1;
            continue;
        }
        if (j >= Vars.Count) {
            indicator = -1; // more markers than values: the rest are NULL
            continue;
        }
        TCorvexFieldDesc& item = Vars.Items[j];
        const int nameLength =
            std::clamp<int>(var.sqlname.length, 0, static_cast<int>(sizeof var.sqlname.data));
        std::memcpy(item.Name, var.sqlname.data, static_cast<std::size_t>(nameLength));
        item.Name[nameLength] = '\0';
        switch (item.FieldType) {
        case ntUnknown:
            indicator = -1;
            break;
        case ntMemo:
        case ntBlob:
            if (Names != nullptr) {
                char name[32];
                std::snprintf(name, sizeof name, "blobparam%d", i + 1);
                // A long value that cannot be put into its variable must not be sent as NULL:
                // the bind fails, and the caller drops the variables made so far.
                // The bytes are in the slot, or (the common case) still in the caller's value.
                int32_t length = item.Size;
                const uint8_t* bytes = DeferredBytes(p, length);
                if (bytes == nullptr) {
                    bytes = p;
                    length = item.Size;
                }
                const bool created = InternalCreateBlobVariable(name, bytes, std::min(length, item.Size));
                std::erase_if(FDeferredValues, [&](const TDeferredValue& d) { return d.Slot == p; });
                if (!created) return false;
                Names->Add(name);
                Store.emplace_back(name);
                var.sqltype = DBLIB_T_VARIABLE;
                var.sqldata = Store.back().data();
            }
            break;
        default:
            // A 64-bit integer value (LargeIntegers) has the 8-byte buffer of the library's type.
            if (item.FieldType == ntInteger && item.Size == LargeIntegerSize) item.ExtType = DBLIB_T_BIGINT;
            var.sqltype = static_cast<int16_t>(item.ExtType);
            var.sqllen = static_cast<int16_t>(item.Size);
            var.sqldata = p;
            break;
        }
        p += item.Size;
        ++j;
    }
    return true;
}

bool TAsaSQL::InternalBindOutVariables(void* Statement, TCorvexVariables& Vars, void* Area,
                                       vcl::TStrings* /*Names*/) {
    TAsaSession* session = Asa();
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    auto* stmt = static_cast<int16_t*>(Statement);
    sqlda*& da = *static_cast<sqlda**>(Area);
    da = AllocSqlda(0);
    session->Dbpp(procs.dbpp_describe, nullptr, Module(), stmt, da, DBLIB_DESCRIBE_OUTPUT);
    if (!CheckResult()) return false;
    const int32_t n = da->sqld;
    FreeSqlda(da);
    if (n <= 0) return true;
    InternalCheckDescriptorCount(Vars.Count + Vars.OutCount + n);
    da = AllocSqlda(n);
    session->Dbpp(procs.dbpp_describe, nullptr, Module(), stmt, da, DBLIB_DESCRIBE_OUTPUT);
    if (!CheckResult()) return false;

    const int32_t first = Vars.Count + Vars.OutCount;
    for (int32_t i = 0; i < n; ++i) {
        TCorvexFieldDesc& item = Vars.Items[Vars.Count + Vars.OutCount];
        InternalSetFieldDef(i, da, item, 32767);
        Vars.OutBufferSize += item.Size;
        Vars.OutCount += 1;
    }
    Vars.OutBuffer = TnxAllocMem(Vars.OutBufferSize);
    auto* p = static_cast<uint8_t*>(Vars.OutBuffer);
    for (int32_t k = 0; k < n; ++k) {
        da->sqlvar[k].sqldata = p;
        p += Vars.Items[first + k].Size;
    }
    return true;
}

// --- Releasing ----------------------------------------------------------------------------------

void TAsaSQL::InternalDropStatement(int16_t& Statement) {
    TAsaSession* session = Asa();
    session->GetStatementPool().Drop(Statement);
    session->Dbpp(AsaLibrary.Procs.dbpp_dropstmt, nullptr, Module(), &Statement);
}

void TAsaSQL::InternalUnprepareOpen() {
    if (FOpenBlobVariables && FOpenBlobVariables->GetCount() > 0)
        DropBlobVariablesQuietly(FOpenBlobVariables.get());
    if (!GetPrepared()) {
        FreeSqlda(FOpenSqlda);
        FreeSqlda(FOpenBindSqlda);
        FOpenBlobNames.clear();
        inherited::InternalUnprepareOpen();
        return;
    }
    if (!IsDestroying() && GetBeforeClose()) GetBeforeClose()(this);
    FreeSqlda(FOpenSqlda);
    FreeSqlda(FOpenBindSqlda);
    FOpenBlobNames.clear();
    InternalDropStatement(FOpenStatement);
    inherited::InternalUnprepareOpen();
    if (!IsDestroying() && GetAfterClose()) GetAfterClose()(this);
}

} // namespace tnx
