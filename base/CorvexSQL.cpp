// TCorvexSQL: construction and destruction, the query and executed-statement sequences, the
// host-variable bookkeeping, the buffer helpers and the session link (see CorvexSQL.h).
#include "base/CorvexSQL.h"

#include "base/CorvexBlob.h"
#include "base/CorvexSession.h"
#include "base/TnxConsts.h"
#include "base/TnxRoutines.h"
#include "platform/vcl/Format.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

#include <cstring>
#include <limits>
#include <string>

namespace tnx {

using vcl::AnsiString;
using vcl::Variant;

// The base publishes the link to the session; drivers publish the rest.
VCL_CLASS_INFO(TCorvexSQL, [](vcl::TPublisher<TCorvexSQL>& p) {
    p.Property("Session", &TCorvexSQL::GetAssignedSession, &TCorvexSQL::SetSession);
})

TCorvexSQL::TCorvexSQL(vcl::TComponent* owner) : vcl::TComponent(owner) {
    FBlobManager = vcl::New<TCorvexBlobManager>(this).release();
}

TCorvexSQL::~TCorvexSQL() {
    // Destroy has done all of this; it is left only when a derived constructor raised.
    if (FBlobManager != nullptr) FBlobManager->Free();
    if (FWorkList != nullptr) FWorkList->Free();
    if (FSession != nullptr) FSession->RemoveQuery(this);
}

void TCorvexSQL::Destroy() {
    Destroying();
    // The driver's steps may raise (a lost connection, a missing session); the Destroy step must
    // not, and the buffers must go on every path.
    try {
        UnprepareOpen();
    } catch (...) {
    }
    try {
        UnprepareExecute();
    } catch (...) {
    }
    InternalFreeOpenBuffer();
    TCorvexVariables* sets[] = {&FOpenVariables, &FExecVariables};
    for (TCorvexVariables* vars : sets) {
        TnxDisposeMem(vars->Buffer, vars->BufferSize);
        TnxDisposeMem(vars->OutBuffer, vars->OutBufferSize);
        std::memset(static_cast<void*>(vars), 0, sizeof *vars);
    }
    vcl::FreeAndNil(FBlobManager);
    vcl::FreeAndNil(FWorkList);
    // Leaves the session's list without SetSession's unprepare: that was tried above, and a driver
    // that raised there would raise again.
    if (FSession != nullptr) FSession->RemoveQuery(this);
    inherited::Destroy();
}

// --- Session link and errors --------------------------------------------------------------------

TCorvexSession* TCorvexSQL::GetSession() {
    if (FSession == nullptr && !IsDesigning())
        throw ECorvexException(vcl::LoadResString(CORVEX_ERR_SESS_NIL), 0, 0);
    return FSession;
}

TCorvexSession* TCorvexSQL::RequireSession() {
    if (FSession == nullptr) throw ECorvexException(vcl::LoadResString(CORVEX_ERR_SESS_NIL), 0, 0);
    return FSession;
}

void TCorvexSQL::SetSession(TCorvexSession* Value) {
    // Prepared statements and an open cursor belong to the connection of the session they were
    // made on. A statement moved to another session gives them up there first: kept, their
    // statement numbers and cursor name would name another statement, or none, on the new
    // connection (its next open would read that statement's rows, its unprepare would drop it).
    // Unlinking gives them up too: the statement may be linked to another session later, when the
    // old one can no longer be reached to drop them.
    if (FSession != nullptr && Value != FSession) {
        if (FPrepared) UnprepareOpen();
        if (FExecPrepared) UnprepareExecute();
    }
    if (FSession != nullptr) FSession->RemoveQuery(this);
    if (Value != nullptr) Value->AddQuery(this);
}

bool TCorvexSQL::Check(void* Handle, int32_t Code, int32_t Extra, bool RaiseOnError) {
    return RequireSession()->Check(Handle, Code, Extra, RaiseOnError);
}

void TCorvexSQL::RaiseLastError(TCorvexExceptionClass ExceptionClass, const AnsiString& Msg, int32_t Code) {
    TCorvexSession* session = GetSession();
    if (session != nullptr) session->RaiseLastError(ExceptionClass, Msg, Code);
    // Design time without a session: nothing to record the error in.
    if (ExceptionClass != nullptr) ExceptionClass(Msg, Code);
    throw ECorvexException(Msg, Code, 0);
}

void TCorvexSQL::RaiseMessage(const vcl::TResStringRec& Res) {
    RaiseLastError<ECorvexException>(vcl::LoadResString(Res), 0);
}

int32_t TCorvexSQL::GetLastErrorCode() const {
    if (FSession == nullptr && !IsDesigning())
        throw ECorvexException(vcl::LoadResString(CORVEX_ERR_SESS_NIL), 0, 0);
    return FSession != nullptr ? FSession->GetLastErrorCode() : 0;
}

AnsiString TCorvexSQL::GetLastError() const {
    if (FSession == nullptr && !IsDesigning())
        throw ECorvexException(vcl::LoadResString(CORVEX_ERR_SESS_NIL), 0, 0);
    return FSession != nullptr ? FSession->GetLastError() : AnsiString();
}

void TCorvexSQL::StatementToOem(AnsiString& SQL) {
    TCorvexSession* session = GetSession();
    if (session == nullptr || !session->GetOEMConvert() || SQL.empty()) return;
    // TranslateChar converts in place; the string's own storage is the buffer.
    session->TranslateChar(SQL.data(), SQL.data(), static_cast<int32_t>(SQL.size()), true);
}

void TCorvexSQL::SetBlobSize(int32_t Value) {
    if (Value >= 0 && Value <= 32763) FBlobSize = Value;
}

void TCorvexSQL::SetMaxFetchCount(int32_t Value) {
    if (Value >= 1 && Value <= 1000) FMaxFetchCount = Value;
}

const TCorvexFieldDesc& TCorvexSQL::GetFieldDesc(int32_t Index) const {
    if (Index < 0 || Index >= CorvexMaxDescriptors) throw vcl::EListError(vcl::SListIndexError, {Index});
    return FFields[Index];
}

// --- Base steps ---------------------------------------------------------------------------------

bool TCorvexSQL::InternalPrepareOpen(const AnsiString& SQL) {
    FOpenSQL = SQL;
    FPrepared = true;
    return true;
}

bool TCorvexSQL::InternalBindOpenVariables(vcl::TStrings* /*Names*/) {
    FOpenVariables.Bound = true;
    return true;
}

bool TCorvexSQL::InternalOpen(bool ReadOnly) {
    FCurrentRow = -1;
    FBOF = true;
    FEOF = true;
    FReadOnly = ReadOnly;
    FActive = true;
    return true;
}

void TCorvexSQL::InternalClose() {
    FBufferRow = 0;
    FBufferedRows = 0;
    FCurrentRow = -1;
    FBOF = true;
    FEOF = true;
    FRecordCount = 0;
    FActive = false;
}

void TCorvexSQL::InternalUnprepareOpen() {
    InternalFreeOpenBuffer();
    FOpenSQL.clear();
    FPrepared = false;
}

bool TCorvexSQL::InternalPrepareExecute(const AnsiString& SQL) {
    FExecSQL = SQL;
    FExecPrepared = true;
    return true;
}

bool TCorvexSQL::InternalBindExecVariables(vcl::TStrings* /*Names*/) {
    FExecVariables.Bound = true;
    return true;
}

void TCorvexSQL::InternalUnprepareExecute() {
    FExecSQL.clear();
    FExecPrepared = false;
}

void TCorvexSQL::InternalClearVariables(TCorvexVariables& Vars) {
    TnxDisposeMem(Vars.Buffer, Vars.BufferSize);
    TnxDisposeMem(Vars.OutBuffer, Vars.OutBufferSize);
    std::memset(static_cast<void*>(&Vars), 0, sizeof Vars);
}

// --- Buffers ------------------------------------------------------------------------------------

void TCorvexSQL::InternalCheckDescriptorCount(int32_t Count) {
    if (Count > CorvexMaxDescriptors)
        RaiseLastError<ECorvexException>(
            vcl::Format(vcl::LoadResString(CORVEX_ERR_TOO_MANY_DESCRIPTORS), {Count, CorvexMaxDescriptors}),
            0);
}

void TCorvexSQL::InternalSetFieldCount(int32_t Count) {
    InternalCheckDescriptorCount(Count);
    FFieldCount = Count < 0 ? 0 : Count;
    FFieldOffsetsValid = false;
}

void TCorvexSQL::InternalAllocOpenBuffer() {
    InternalCheckDescriptorCount(FFieldCount);
    const int64_t fetchBytes = static_cast<int64_t>(FFetchRows) * FRecordSize;
    if (FFetchRows < 0 || FRecordSize < 0 || fetchBytes > std::numeric_limits<int32_t>::max())
        RaiseLastError<ECorvexException>(vcl::Format(vcl::LoadResString(CORVEX_ERR_BUFFER_TOO_LARGE),
                                                     {fetchBytes, std::numeric_limits<int32_t>::max()}),
                                         0);
    // A describe that runs again (a cursor described after its open) must not leak the last
    // layout's buffers.
    TnxDisposeMem(FOldNullFlags, FFieldCount);
    TnxDisposeMem(FNullFlags, FFieldCount);
    TnxDisposeMem(FOldRecordBuffer, FRecordSize);
    TnxDisposeMem(FRecordBuffer, FRecordSize);
    TnxDisposeMem(FFetchBuffer, static_cast<int32_t>(fetchBytes));
    FAllocRows = FFetchRows;
    FFetchBuffer = static_cast<uint8_t*>(TnxAllocMem(static_cast<int32_t>(fetchBytes)));
    FRecordBuffer = static_cast<uint8_t*>(TnxAllocMem(FRecordSize));
    FOldRecordBuffer = static_cast<uint8_t*>(TnxAllocMem(FRecordSize));
    FNullFlags = static_cast<uint8_t*>(TnxAllocMem(FFieldCount));
    FOldNullFlags = static_cast<uint8_t*>(TnxAllocMem(FFieldCount));
    ComputeFieldOffsets();
}

void TCorvexSQL::InternalFreeOpenBuffer() {
    if (FBlobManager != nullptr) FBlobManager->Clear();
    TnxDisposeMem(FOldNullFlags, FFieldCount);
    TnxDisposeMem(FNullFlags, FFieldCount);
    TnxDisposeMem(FOldRecordBuffer, FRecordSize);
    TnxDisposeMem(FRecordBuffer, FRecordSize);
    TnxDisposeMem(FFetchBuffer, static_cast<int32_t>(static_cast<int64_t>(FAllocRows) * FRecordSize));
    FAllocRows = 0;
    FRecordSize = 0;
    FFieldCount = 0;
    FFieldOffsetsValid = false;
}

// --- Host variables -----------------------------------------------------------------------------

Variant TCorvexSQL::InternalCheckVarValues(TVariantOpenArray Params) {
    if (!Params.empty() && Params[0].VarType() == (vcl::varArray | vcl::varVariant)) return Params[0];
    if (Params.size() > 1 || (Params.size() == 1 && !Params[0].IsNull())) return vcl::VarArrayOf(Params);
    return vcl::Null();
}

namespace {

// Whether an integer Variant's value lies within 32 signed bits (an unsigned 64-bit value beyond
// the signed range does not).
bool FitsInInt32(const Variant& Value) {
    try {
        const int64_t v = Value.AsInt64();
        return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
    } catch (const vcl::Exception&) {
        return false;
    }
}

// Whether an integer Variant's value lies within 64 signed bits.
bool FitsInInt64(const Variant& Value) {
    try {
        Value.AsInt64();
        return true;
    } catch (const vcl::Exception&) {
        return false;
    }
}

// Buffer bytes of a 64-bit integer host variable.
constexpr int32_t LargeIntegerSize = 8;

} // namespace

TCorvexFieldTypes TCorvexSQL::InternalGetVariableTypeAndLength(const Variant& Value, int32_t& Length) {
    TCorvexFieldTypes type;
    switch (Value.VarType()) {
    case vcl::varSmallint:
    case vcl::varInteger:
    case vcl::varShortInt:
    case vcl::varByte:
    case vcl::varWord:
        type = ntInteger;
        break;
    case vcl::varLongWord:
    case vcl::varInt64:
    case vcl::varUInt64:
        // A wider integer travels as an integer while it fits 32 bits, else as a 64-bit integer
        // when LargeIntegers asks for it, else as its exact decimal text (the engine converts it
        // where a number is stored): never as NULL, never rounded.
        if (FitsInInt32(Value)) {
            type = ntInteger;
        } else if (FLargeIntegers && FitsInInt64(Value)) {
            Length = LargeIntegerSize;
            return ntInteger;
        } else {
            type = ntString;
        }
        break;
    case vcl::varSingle:
    case vcl::varDouble:
        type = ntFloat;
        break;
    case vcl::varCurrency:
        type = ntCurrency;
        break;
    case vcl::varDate:
        type = ntDateTime;
        break;
    case vcl::varOleStr:
    case vcl::varString:
        type = ntString;
        break;
    case vcl::varBoolean:
        type = ntBoolean;
        break;
    case vcl::varArray | vcl::varByte:
        type = ntBinary;
        break;
    default:
        type = ntUnknown;
        break;
    }
    Length = InternalGetVariableLength(type);
    if (type == ntString) {
        const std::size_t len = Value.IsText() ? Value.TextRef().size() : vcl::VarToStr(Value).size();
        if (static_cast<int64_t>(len) + 1 > Length) {
            Length = static_cast<int32_t>(std::min<std::size_t>(len, std::numeric_limits<int32_t>::max()));
            type = ntMemo;
        }
    } else if (type == ntBinary) {
        // A binary buffer starts with the 16-bit length of its bytes (as the text's ends with a
        // NUL): an array that does not fit behind it is a blob, never a binary cut short.
        const int64_t count =
            static_cast<int64_t>(vcl::VarArrayHighBound(Value, 1)) - vcl::VarArrayLowBound(Value, 1) + 1;
        if (count + BinaryLengthPrefix > Length) {
            Length = static_cast<int32_t>(std::min<int64_t>(count, std::numeric_limits<int32_t>::max()));
            type = ntBlob;
        }
    }
    return type;
}

// The host-variable values as the bookkeeping reads them: either "an array" with elements in
// order, or no array (no host variables). Made from a Variant, or straight from an open array, so
// that the base's own paths need not pack the values into a new variant array on every execution.
class TCorvexSQL::TValueView {
public:
    explicit TValueView(const Variant& values) : FVariant(&values), FIsArray(values.IsArray()) {
        if (!FIsArray) return;
        FLow = vcl::VarArrayLowBound(values, 1);
        FCount = static_cast<int64_t>(vcl::VarArrayHighBound(values, 1)) - FLow + 1;
        FVariants = values.VarType() == (vcl::varArray | vcl::varVariant);
    }
    explicit TValueView(TVariantOpenArray elements)
        : FElements(elements), FCount(static_cast<int64_t>(elements.size())), FIsArray(true) {}

    bool IsArray() const { return FIsArray; }
    int64_t Count() const { return FCount; }
    // Element i; read in place where the values are Variants, else copied into scratch.
    const Variant& Get(int32_t i, Variant& scratch) const {
        if (FVariant == nullptr) return FElements[static_cast<std::size_t>(i)];
        if (FVariants) return FVariant->ElementRef(FLow + i);
        scratch = FVariant->GetElement(FLow + i);
        return scratch;
    }

private:
    const Variant* FVariant = nullptr; // the values as one Variant, or null for an open array
    TVariantOpenArray FElements;       // the open array's elements
    int32_t FLow = 0;                  // low bound of FVariant's array
    int64_t FCount = 0;
    bool FIsArray = false;
    bool FVariants = false; // FVariant is an array of Variants
};

bool TCorvexSQL::NeedNewVariables(const TValueView& Values, const TCorvexVariables& Vars) {
    // No values for a set without inputs is the same shape again: a query or statement without
    // parameters is bound once, not on every open or execution.
    if (!Values.IsArray()) return Vars.Count != 0;
    if (Values.Count() != Vars.Count) return true;
    Variant scratch;
    for (int32_t i = 0; i < Vars.Count; ++i) {
        int32_t length = 0;
        const TCorvexFieldTypes type = InternalGetVariableTypeAndLength(Values.Get(i, scratch), length);
        if (type != Vars.Items[i].FieldType || length != Vars.Items[i].Size || IsBlobType(type)) return true;
    }
    return false;
}

void TCorvexSQL::SetVariables(const TValueView& Values, TCorvexVariables& Vars) {
    Variant scratch;
    if (NeedNewVariables(Values, Vars)) {
        InternalClearVariables(Vars);
        if (Values.IsArray()) {
            // Checked before anything is written: the table has room for 256 descriptors.
            InternalCheckDescriptorCount(
                static_cast<int32_t>(std::min<int64_t>(Values.Count(), std::numeric_limits<int32_t>::max())));
            int64_t bufferSize = 0;
            for (int32_t i = 0; i < Values.Count(); ++i) {
                int32_t length = 0;
                const TCorvexFieldTypes type =
                    InternalGetVariableTypeAndLength(Values.Get(i, scratch), length);
                TCorvexFieldDesc& item = Vars.Items[Vars.Count];
                item.FieldType = type;
                item.Size = length;
                item.ExtType = InternalGetVariableExtType(type);
                bufferSize += length;
                if (bufferSize > std::numeric_limits<int32_t>::max()) {
                    InternalClearVariables(Vars);
                    RaiseLastError<ECorvexException>(
                        vcl::Format(vcl::LoadResString(CORVEX_ERR_BUFFER_TOO_LARGE),
                                    {bufferSize, std::numeric_limits<int32_t>::max()}),
                        0);
                }
                Vars.BufferSize = static_cast<int32_t>(bufferSize);
                Vars.Count += 1;
            }
            Vars.Buffer = TnxAllocMem(Vars.BufferSize);
        }
    } else if (Vars.OutBuffer != nullptr) {
        std::memset(Vars.OutBuffer, 0, static_cast<std::size_t>(Vars.OutBufferSize));
    }

    if (!Values.IsArray()) return;
    int32_t offset = 0;
    for (int32_t i = 0; i < Vars.Count && i < Values.Count(); ++i) {
        const TCorvexFieldDesc& item = Vars.Items[i];
        PutFieldData(Vars.Buffer, offset, item.Size, item.FieldType, Values.Get(i, scratch), nullptr);
        offset += item.Size;
    }
}

bool TCorvexSQL::InternalNeedNewVariables(const Variant& Values, const TCorvexVariables& Vars) {
    return NeedNewVariables(TValueView(Values), Vars);
}

void TCorvexSQL::InternalSetVariables(const Variant& Values, TCorvexVariables& Vars) {
    SetVariables(TValueView(Values), Vars);
}

void TCorvexSQL::SetVariablesFromParams(TVariantOpenArray Params, TCorvexVariables& Vars) {
    // The same reading of the open array as InternalCheckVarValues, without packing it anew.
    if (!Params.empty() && Params[0].VarType() == (vcl::varArray | vcl::varVariant)) {
        SetVariables(TValueView(Params[0]), Vars);
    } else if (Params.size() > 1 || (Params.size() == 1 && !Params[0].IsNull())) {
        SetVariables(TValueView(Params), Vars);
    } else {
        const Variant none = vcl::Null();
        SetVariables(TValueView(none), Vars);
    }
}

int32_t TCorvexSQL::OutOffset(const TCorvexVariables& Vars, int32_t Index) {
    int32_t offset = 0;
    for (int32_t j = 0; j < Index; ++j)
        offset += Vars.Items[Vars.Count + j].Size;
    return offset;
}

Variant TCorvexSQL::GetOutVar(const Variant& NameOrIndex) {
    // The common case, an output's number, hands over to GetFieldData with nothing left to do
    // after it; a name, and every failure, takes the path below.
    const TCorvexVariables& vars = FExecVariables;
    if (NameOrIndex.VarType() == vcl::varInteger) {
        const int32_t n = NameOrIndex.AsInteger();
        if (n >= 0 && n < vars.OutCount && vars.Count + n < CorvexMaxDescriptors) {
            const TCorvexFieldDesc& d = vars.Items[vars.Count + n];
            return GetFieldData(vars.OutBuffer, OutOffset(vars, n), d.Size, d.FieldType, nullptr);
        }
    }
    return LookUpOutVar(NameOrIndex);
}

Variant TCorvexSQL::LookUpOutVar(const Variant& NameOrIndex) {
    const TCorvexVariables& vars = FExecVariables;
    int32_t index = -1;
    if (NameOrIndex.VarType() == vcl::varInteger) {
        const int32_t n = NameOrIndex.AsInteger();
        if (n < vars.OutCount) index = n; // a negative number stays "not found"
    } else {
        const AnsiString name = vcl::VarToStr(NameOrIndex);
        for (int32_t j = 0; j < vars.OutCount; ++j) {
            if (vcl::AnsiCompareText(vars.Items[vars.Count + j].Name, name) == 0) {
                index = j;
                break;
            }
        }
    }
    if (index < 0 || vars.Count + index >= CorvexMaxDescriptors)
        RaiseLastError<ECorvexException>(
            vcl::Format(vcl::LoadResString(CORVEX_ERR_PARAM_NOT_FOUND), {vcl::VarToStr(NameOrIndex)}), 0);
    const TCorvexFieldDesc& d = vars.Items[vars.Count + index];
    return GetFieldData(vars.OutBuffer, OutOffset(vars, index), d.Size, d.FieldType, nullptr);
}

// --- Query --------------------------------------------------------------------------------------

bool TCorvexSQL::PrepareOpen(AnsiString SQL) {
    StatementToOem(SQL);
    UnprepareOpen();
    return InternalPrepareOpen(SQL);
}

bool TCorvexSQL::OpenPrepared(TVariantOpenArray Params, bool ReadOnly) {
    if (!FPrepared) RaiseMessage(CORVEX_ERR_CURS_NOT_PREPARED);
    InternalClose();
    SetVariablesFromParams(Params, FOpenVariables);
    if (!FOpenVariables.Bound && !InternalBindOpenVariables(nullptr)) return false;
    return InternalOpen(ReadOnly);
}

bool TCorvexSQL::OpenReadPrepared(TVariantOpenArray Params) {
    return OpenPrepared(Params, true);
}

bool TCorvexSQL::OpenWritePrepared(TVariantOpenArray Params) {
    return OpenPrepared(Params, false);
}

bool TCorvexSQL::Open(AnsiString SQL, TVariantOpenArray Params, bool ReadOnly) {
    StatementToOem(SQL);
    // A read cursor is prepared again for writing; a write cursor serves reading as it is.
    if (SQL != FOpenSQL || (!ReadOnly && FReadOnly)) {
        UnprepareOpen();
    } else {
        InternalClose();
    }
    SetVariablesFromParams(Params, FOpenVariables);
    if (!FPrepared && !InternalPrepareOpen(SQL)) return false;
    if (!FOpenVariables.Bound && !InternalBindOpenVariables(nullptr)) return false;
    return InternalOpen(ReadOnly);
}

bool TCorvexSQL::OpenRead(AnsiString SQL, TVariantOpenArray Params) {
    return Open(std::move(SQL), Params, true);
}

bool TCorvexSQL::OpenWrite(AnsiString SQL, TVariantOpenArray Params) {
    return Open(std::move(SQL), Params, false);
}

bool TCorvexSQL::Describe(AnsiString SQL) {
    StatementToOem(SQL);
    if (SQL != FOpenSQL) {
        UnprepareOpen();
    } else {
        InternalClose();
    }
    if (FPrepared) return true;
    return InternalPrepareOpen(SQL);
}

void TCorvexSQL::Close() {
    InternalClose();
}

void TCorvexSQL::UnprepareOpen() {
    InternalClose();
    if (FPrepared) InternalUnprepareOpen();
    InternalClearVariables(FOpenVariables);
}

// --- Executed statement -------------------------------------------------------------------------

bool TCorvexSQL::PrepareExecute(AnsiString SQL) {
    // Converted like the texts Execute compares with, so preparing and executing the same text
    // does not prepare it twice.
    StatementToOem(SQL);
    UnprepareExecute();
    return InternalPrepareExecute(SQL);
}

bool TCorvexSQL::RunExecute(TCorvexVariables& Vars, bool Prepare, const AnsiString& SQL) {
    // The work list handed to the driver (names of temporary blob variables): one list kept for
    // all executions and used only here. It is made empty and emptied again on every path out, so
    // it is empty whenever it is handed over.
    if (FWorkList == nullptr) FWorkList = vcl::New<vcl::TStringList>().release();
    vcl::TStringList* names = FWorkList;
    struct TEmptyAfter {
        vcl::TStringList* List;
        ~TEmptyAfter() {
            if (List->GetCount() > 0) List->Clear();
        }
    } emptyAfter{names};
    if (Prepare && !FExecPrepared && !InternalPrepareExecute(SQL)) return false;
    if (!Vars.Bound && !InternalBindExecVariables(names)) return false;
    return InternalExecute(names);
}

bool TCorvexSQL::ExecutePrepared(TVariantOpenArray Params) {
    if (!FExecPrepared) RaiseMessage(CORVEX_ERR_STMT_NOT_PREPARED);
    SetVariablesFromParams(Params, FExecVariables);
    return RunExecute(FExecVariables, false, AnsiString());
}

bool TCorvexSQL::Execute(AnsiString SQL, TVariantOpenArray Params) {
    StatementToOem(SQL);
    if (SQL != FExecSQL) UnprepareExecute();
    SetVariablesFromParams(Params, FExecVariables);
    return RunExecute(FExecVariables, true, SQL);
}

void TCorvexSQL::UnprepareExecute() {
    if (FExecPrepared) InternalUnprepareExecute();
    InternalClearVariables(FExecVariables);
}

} // namespace tnx
