// TCorvexSQL: the database-neutral statement component every driver statement derives from.
//
// One instance serves two independent jobs: a query (a cursor that is prepared, opened for
// reading or writing, navigated and closed) and an executed statement (prepared and executed
// without a cursor). The base owns the public operations and their order of steps (template
// methods), the row buffers, the host-variable sets and the link to the session; the driver fills
// in the database work by overriding the thirty virtual steps, declared below in slot order. The
// Internal* steps (1-18) are protected: only the public operations and the driver itself call them,
// so the order of the steps stays the base's. Drivers read the statement's state through the
// public getters and change it through a small set of protected setters; the fields are private.
//
// Files: CorvexSQL.cpp (lifecycle, host variables, session link), CorvexSQLFields.cpp (columns,
// values, null flags, dirty tracking, locate, lenient conversions), CorvexSQLBlob.cpp (blob and
// stream conversions), CorvexSQLGraphic.cpp (blob and picture conversions).
//
// Guarantees:
//  - Host variables keep their descriptors, buffer and binding between executions while the values
//    keep their types and lengths: a same-shaped re-execution or re-open (also one without values)
//    neither re-describes nor re-binds.
//    Blob-sized values (ntMemo, ntBlob) always rebuild the set.
//  - No table is written past its 256 entries: more columns or host variables raise
//    "Too many columns or host variables" (InternalCheckDescriptorCount), and a row layout larger
//    than a buffer can address is refused before anything is allocated.
//  - Every read of a column or key slot as text stays inside its Size bytes.
//  - Raw buffers are allocated zero-filled and released through TnxDisposeMem; the Destroy step
//    releases every buffer and host-variable set even when a driver step raises.
//
// Session link. SetSession attaches the statement to the session's list (the session does not own
// it); destroying the session detaches it. GetSession raises "The session property is not linked
// to a session" when no session is set, except at design time, where it returns null; the base
// operations then do without one: StatementToOem converts nothing, RaiseLastError raises without
// recording, GetLastError is empty, Find compares without OEM conversion. Check and
// RequireSession raise the session message in every mode: database work needs a session. Drivers
// reach their session with GetSession() (or RequireSession()) and a static_cast to their class.
//
// Values cross as vcl::Variant. A "field reference" is a Variant: a 32-bit integer (varInteger) is
// a 0-based column index, anything else is converted to text and taken as a column name (letter
// case ignored, Windows-1252 collation).
#pragma once

#include "base/CorvexException.h"
#include "base/TnxTypes.h"
#include "platform/vcl/Component.h"
#include "platform/vcl/Events.h"
#include "platform/vcl/Variant.h"

#include <cstdint>
#include <initializer_list>
#include <span>

namespace vcl {
class TCustomMemoryStream;
class TPicture;
class TStream;
class TStringList;
class TStrings;
} // namespace vcl

namespace tnx {

class TCorvexBlobManager;
class TCorvexBlobStream;
class TCorvexSession;

// The values of an open array of Variants (host-variable values, key values).
using TVariantOpenArray = std::span<const vcl::Variant>;

class TCorvexSQL : public vcl::TComponent {
    VCL_CLASS(TCorvexSQL, vcl::TComponent)
public:
    // Framework construction; UniDirectional true, MaxFetchCount 25, a new blob manager.
    explicit TCorvexSQL(vcl::TComponent* owner);

    // --- Virtual steps 19-30, in slot order: value conversion and row operations ----------------
    // The driver implements them; callers use them directly. Steps 1-18 (the Internal* steps)
    // are protected, below: the public operations own their sequence.
    // "Abstract" steps are pure; "base" steps have a body that the driver's override calls.
    //
    // 19 (abstract): the value stored at Buffer + Offset (Size bytes) as a Variant, without
    // consulting any null flag; ntMemo/ntBlob read from Blob when one is given.
    virtual vcl::Variant GetFieldData(const void* Buffer, int32_t Offset, int32_t Size,
                                      TCorvexFieldTypes FieldType, TCorvexBlobStream* Blob) = 0;
    // 20 (abstract): store Value at Buffer + Offset in the buffer format, at most Size bytes;
    // ntMemo/ntBlob write into Blob when one is given.
    virtual void PutFieldData(void* Buffer, int32_t Offset, int32_t Size, TCorvexFieldTypes FieldType,
                              const vcl::Variant& Value, TCorvexBlobStream* Blob) = 0;
    // 21-24 (abstract): move to the first / last / next / previous row; Next returns false at the
    // end (EOF set) or on error, Prev at the beginning (BOF set) or on error.
    virtual bool First() = 0;
    virtual bool Last() = 0;
    virtual bool Next() = 0;
    virtual bool Prev() = 0;
    // 25 (base): move to the 0-based row RecNo with Next/Prev steps; true when it got there.
    virtual bool MoveTo(int32_t RecNo);
    // 26, 27 (base): zero every column of the current row and mark it NULL / not NULL.
    virtual void Clear();
    virtual void ClearNotNull();
    // 28-30 (abstract): write back / insert / delete the current row.
    virtual bool Modify() = 0;
    virtual bool Append() = 0;
    virtual bool Delete() = 0;

    // --- Query ----------------------------------------------------------------------------------
    // Params: the host-variable values; one pre-built variant array of variants is the same as its
    // elements; a single Null (or nothing) means no host variables.
    bool PrepareOpen(vcl::AnsiString SQL);
    bool OpenReadPrepared(TVariantOpenArray Params);
    bool OpenReadPrepared(std::initializer_list<vcl::Variant> Params = {}) {
        return OpenReadPrepared(Span(Params));
    }
    bool OpenWritePrepared(TVariantOpenArray Params);
    bool OpenWritePrepared(std::initializer_list<vcl::Variant> Params = {}) {
        return OpenWritePrepared(Span(Params));
    }
    // Prepare when the text differs from OpenSQL (exact comparison after OEM conversion); OpenWrite
    // also re-prepares a query last opened read-only.
    bool OpenRead(vcl::AnsiString SQL, TVariantOpenArray Params);
    bool OpenRead(vcl::AnsiString SQL, std::initializer_list<vcl::Variant> Params = {}) {
        return OpenRead(std::move(SQL), Span(Params));
    }
    bool OpenWrite(vcl::AnsiString SQL, TVariantOpenArray Params);
    bool OpenWrite(vcl::AnsiString SQL, std::initializer_list<vcl::Variant> Params = {}) {
        return OpenWrite(std::move(SQL), Span(Params));
    }
    // Prepares the text (unless it is the prepared one) without opening a cursor.
    bool Describe(vcl::AnsiString SQL);
    void Close();
    void UnprepareOpen();

    // --- Executed statement ---------------------------------------------------------------------
    bool PrepareExecute(vcl::AnsiString SQL);
    bool ExecutePrepared(TVariantOpenArray Params);
    bool ExecutePrepared(std::initializer_list<vcl::Variant> Params = {}) {
        return ExecutePrepared(Span(Params));
    }
    bool Execute(vcl::AnsiString SQL, TVariantOpenArray Params);
    bool Execute(vcl::AnsiString SQL, std::initializer_list<vcl::Variant> Params = {}) {
        return Execute(std::move(SQL), Span(Params));
    }
    void UnprepareExecute();
    // An output variable after an execution, by 0-based index (a varInteger) or by name.
    vcl::Variant GetOutVar(const vcl::Variant& NameOrIndex);

    // --- Session link and errors ----------------------------------------------------------------
    TCorvexSession* GetSession();
    // The session without raising (null when none): the published property's getter.
    TCorvexSession* GetAssignedSession() const { return FSession; }
    void SetSession(TCorvexSession* Value);
    bool IsSessionAssigned() const { return FSession != nullptr; }
    // The session; raises the session message when none is linked, also at design time.
    TCorvexSession* RequireSession();
    bool Check(void* Handle, int32_t Code, int32_t Extra, bool RaiseOnError);
    [[noreturn]] void RaiseLastError(TCorvexExceptionClass ExceptionClass, const vcl::AnsiString& Msg,
                                     int32_t Code);
    template <class E>
    [[noreturn]] void RaiseLastError(const vcl::AnsiString& Msg, int32_t Code) {
        RaiseLastError(CorvexExceptionClass<E>(), Msg, Code);
    }
    int32_t GetLastErrorCode() const;
    vcl::AnsiString GetLastError() const;
    // Converts the text ANSI to OEM in place when the session's OEMConvert is set.
    void StatementToOem(vcl::AnsiString& SQL);

    // --- Columns (CorvexSQLFields.cpp) ------------------------------------------------------------
    // Looks a column up by field reference; Index and Offset (when given) receive its index and
    // its byte offset in a row (-1 and the offset past the last column when not found).
    bool GetFieldInfo(const vcl::Variant& Field, int32_t* Index = nullptr, int32_t* Offset = nullptr) const;
    bool FindField(const vcl::AnsiString& Name) const { return GetFieldInfo(vcl::Variant(Name)); }
    int32_t GetFieldCount() const { return FFieldCount; }
    vcl::AnsiString GetFieldName(int32_t Index) const;
    // These getters never raise: an unknown column gives ntUnknown, 0 or false.
    TCorvexFieldTypes GetFieldType(const vcl::Variant& Field) const;
    int32_t GetFieldSize(const vcl::Variant& Field) const;
    int32_t GetFieldLength(const vcl::Variant& Field) const;
    int32_t GetFieldDecimals(const vcl::Variant& Field) const;
    bool GetFieldNulls(const vcl::Variant& Field) const;

    // --- Values and null flags ------------------------------------------------------------------
    // The current / fetched value through GetFieldData; the null flag is not consulted (test
    // IsFieldNull first). Blob columns read through their blob stream.
    vcl::Variant GetFieldValue(const vcl::Variant& Field);
    vcl::Variant GetOldValue(const vcl::Variant& Field);
    // Null zeroes the column and sets its null flag; any other value goes through PutFieldData.
    void SetFieldValue(const vcl::Variant& Field, const vcl::Variant& Value);
    bool IsFieldNull(const vcl::Variant& Field);
    void SetNullIndicator(int32_t Index, bool Value);
    // Zeroes the Size bytes of column Index at Offset (as given by GetFieldInfo).
    void ClearField(int32_t Index, int32_t Offset);
    // Zeroes the column and marks it not NULL; an unknown name is ignored.
    void ClearFieldNotNull(const vcl::AnsiString& Name);

    // --- Row state ------------------------------------------------------------------------------
    bool IsFieldDirty(const vcl::Variant& Field);
    bool IsDirty();
    bool CanModify() const { return FActive && !FReadOnly; }
    // Forward locate from the current row: KeyFields are ';'-separated column names, KeyValues
    // their values (or one variant array of them). Stays on the current row when it matches; on
    // failure returns to the row the search started from.
    bool Find(const vcl::AnsiString& KeyFields, TVariantOpenArray KeyValues, TCorvexLocateOptions Options);
    bool Find(const vcl::AnsiString& KeyFields, std::initializer_list<vcl::Variant> KeyValues,
              TCorvexLocateOptions Options = {}) {
        return Find(KeyFields, Span(KeyValues), Options);
    }

    // --- Lenient conversions for drivers (a failed conversion gives the fallback) ---------------
    static vcl::AnsiString SetVarToStr(const vcl::Variant& Value);     // ""
    static int32_t SetVarToInt(const vcl::Variant& Value);             // 0; booleans 1/0
    static double SetVarToFloat(const vcl::Variant& Value);            // 0.0; booleans 1.0/0.0
    static bool SetVarToBoolean(const vcl::Variant& Value);            // false
    static vcl::TDateTime SetVarToDateTime(const vcl::Variant& Value); // 0

    // --- Blob and stream conversions (CorvexSQLBlob.cpp) -----------------------------------------
    // Null for Len < 1, else a byte array 0 .. Len-1 holding a copy of the bytes.
    static vcl::Variant StrToVarByte(const void* Source, int32_t Len);
    static vcl::Variant StreamToVarByte(vcl::TCustomMemoryStream* MemoryStream);
    static vcl::AnsiString StreamToStr(vcl::TCustomMemoryStream* MemoryStream);
    // The whole of Stream into the blob column of the current row (not NULL afterwards).
    void StreamToBlob(const vcl::Variant& Field, vcl::TStream* Stream);
    // The whole blob, written at Stream's position; Stream is left at position 0.
    void BlobToStream(const vcl::Variant& Field, vcl::TStream* Stream);
    // The picture's graphic of that kind saves itself into the blob column of the current row (not
    // NULL afterwards), or loads itself from the blob. Errors of the picture pass through.
    void GraphicToBlob(const vcl::Variant& Field, vcl::TPicture* Picture, TCorvexGraphicType GraphicType);
    void BlobToGraphic(const vcl::Variant& Field, vcl::TPicture* Picture, TCorvexGraphicType GraphicType);

    // --- Properties -----------------------------------------------------------------------------
    bool GetUniDirectional() const { return FUniDirectional; }
    void SetUniDirectional(bool Value) { FUniDirectional = Value; }
    bool GetWantExceptions() const { return FWantExceptions; }
    void SetWantExceptions(bool Value) { FWantExceptions = Value; }
    int32_t GetBlobSize() const { return FBlobSize; }
    // Accepts 0 .. 32763; other values are ignored.
    void SetBlobSize(int32_t Value);
    uint32_t GetRowsProcessed() const { return FRowsProcessed; }
    void SetRowsProcessed(uint32_t Value) { FRowsProcessed = Value; }
    int32_t GetMaxFetchCount() const { return FMaxFetchCount; }
    // Accepts 1 .. 1000; other values are ignored.
    void SetMaxFetchCount(int32_t Value);
    // Exact 64-bit integers (off by default). Off, an integer host value that needs more than 32
    // bits travels as its decimal text and drivers deliver 64-bit integer columns as doubles
    // (ntFloat), which lose digits above 2^53. On, such a value travels as a 64-bit integer, and
    // drivers deliver every integer column as one (ntInteger with an 8-byte buffer), read back as
    // a 64-bit Variant. Takes effect at the next prepare and the next binding of values.
    bool GetLargeIntegers() const { return FLargeIntegers; }
    void SetLargeIntegers(bool Value) { FLargeIntegers = Value; }

    const vcl::TNotifyEvent& GetAfterOpen() const { return FAfterOpen; }
    void SetAfterOpen(vcl::TNotifyEvent Value) { FAfterOpen = std::move(Value); }
    const vcl::TNotifyEvent& GetBeforeOpen() const { return FBeforeOpen; }
    void SetBeforeOpen(vcl::TNotifyEvent Value) { FBeforeOpen = std::move(Value); }
    const vcl::TNotifyEvent& GetAfterClose() const { return FAfterClose; }
    void SetAfterClose(vcl::TNotifyEvent Value) { FAfterClose = std::move(Value); }
    const vcl::TNotifyEvent& GetBeforeClose() const { return FBeforeClose; }
    void SetBeforeClose(vcl::TNotifyEvent Value) { FBeforeClose = std::move(Value); }

    // --- State (read-only views for the dataset, tools and tests) -------------------------------
    uint8_t* GetFetchBuffer() const { return FFetchBuffer; }
    uint8_t* GetRecordBuffer() const { return FRecordBuffer; }
    uint8_t* GetOldRecordBuffer() const { return FOldRecordBuffer; }
    uint8_t* GetNullFlags() const { return FNullFlags; }
    uint8_t* GetOldNullFlags() const { return FOldNullFlags; }
    bool GetReadOnly() const { return FReadOnly; }
    bool GetPrepared() const { return FPrepared; }
    bool GetExecPrepared() const { return FExecPrepared; }
    bool GetActive() const { return FActive; }
    int32_t GetFetchRows() const { return FFetchRows; }
    int32_t GetAllocRows() const { return FAllocRows; }
    int32_t GetBufferRow() const { return FBufferRow; }
    int32_t GetBufferedRows() const { return FBufferedRows; }
    int32_t GetCurrentRow() const { return FCurrentRow; }
    int32_t GetRecordSize() const { return FRecordSize; }
    int32_t GetRecordCount() const { return FRecordCount; }
    bool GetBOF() const { return FBOF; }
    bool GetEOF() const { return FEOF; }
    TCorvexBlobManager* GetBlobManager() const { return FBlobManager; }
    const vcl::AnsiString& GetOpenSQL() const { return FOpenSQL; }
    const vcl::AnsiString& GetExecSQL() const { return FExecSQL; }
    // Column Index (0 .. 255) of the field table.
    const TCorvexFieldDesc& GetFieldDesc(int32_t Index) const;
    const TCorvexVariables& GetExecVariables() const { return FExecVariables; }
    const TCorvexVariables& GetOpenVariables() const { return FOpenVariables; }

protected:
    ~TCorvexSQL() override;
    // UnprepareOpen, UnprepareExecute, free the blob manager, detach from the session. Never
    // raises; the buffers and variable sets are released even when a driver step fails.
    void Destroy() override;

    // --- Virtual steps 1-18, in slot order: the driver's database work --------------------------
    // Called by the public operations (and by the driver's own code), never by users.
    // 1 (abstract): fill Desc from the driver's description of column Index. Area is the driver's
    // own description area, passed through unchanged by whoever calls it (the driver's describe).
    // The driver adds Desc.Size to FRecordSize only when this returns true.
    virtual bool InternalSetFieldDef(int32_t Index, void* Area, TCorvexFieldDesc& Desc, int32_t BlobSize) = 0;
    // 2 (base): OpenSQL := SQL, Prepared := true; returns true. Drivers prepare, then call it.
    virtual bool InternalPrepareOpen(const vcl::AnsiString& SQL);
    // 3 (abstract): describe the prepared query's columns.
    virtual bool InternalDescribePrepare() = 0;
    // 4 (base): OpenVariables.Bound := true; returns true. Drivers bind, then call it. The base
    // open paths pass a null name list.
    virtual bool InternalBindOpenVariables(vcl::TStrings* Names);
    // 5 (base): resets the position (CurrentRow -1, BOF and EOF true), stores ReadOnly and sets
    // Active; returns true. Drivers open the cursor, call it, then make the first row current.
    virtual bool InternalOpen(bool ReadOnly);
    // 6 (abstract): describe the result columns into FFields (InternalSetFieldCount first), set
    // FRecordSize and FFetchRows, then call InternalAllocOpenBuffer.
    virtual bool InternalDescribeOpen(bool ReadOnly) = 0;
    // 7 (base): resets the position and counters and clears Active; buffers and Fields stay.
    virtual void InternalClose();
    // 8 (base): InternalFreeOpenBuffer, OpenSQL := "", Prepared := false.
    virtual void InternalUnprepareOpen();
    // 9 (base): ExecSQL := SQL, ExecPrepared := true; returns true.
    virtual bool InternalPrepareExecute(const vcl::AnsiString& SQL);
    // 10 (base): ExecVariables.Bound := true; returns true.
    virtual bool InternalBindExecVariables(vcl::TStrings* Names);
    // 11 (abstract): execute with the bound variables, fill ExecVariables.OutBuffer, set
    // RowsProcessed. Names is the work list of the executing call (never null).
    virtual bool InternalExecute(vcl::TStrings* Names) = 0;
    // 12 (base): ExecSQL := "", ExecPrepared := false.
    virtual void InternalUnprepareExecute();
    // 13 (base): releases Buffer and OutBuffer, then zeroes the whole record (the empty set).
    virtual void InternalClearVariables(TCorvexVariables& Vars);
    // 14, 15 (abstract): default buffer length and driver type code of an input variable.
    virtual int32_t InternalGetVariableLength(TCorvexFieldTypes FieldType) = 0;
    virtual int32_t InternalGetVariableExtType(TCorvexFieldTypes FieldType) = 0;
    // 16, 17 (abstract): describe the input / output variables to the database. Statement and
    // Area are the driver's own (for instance the address of its statement number and of its
    // description-area pointer), passed through unchanged. Outputs are appended after the inputs
    // (InternalCheckDescriptorCount before each), with OutCount, OutBuffer and OutBufferSize set.
    virtual bool InternalBindVariables(void* Statement, TCorvexVariables& Vars, void* Area,
                                       vcl::TStrings* Names) = 0;
    virtual bool InternalBindOutVariables(void* Statement, TCorvexVariables& Vars, void* Area,
                                          vcl::TStrings* Names) = 0;
    // 18 (abstract): create the driver's blob stream for a column, registered with BlobManager
    // (the stream's constructor does that when given the manager).
    virtual TCorvexBlobStream* InternalCreateBlobStream(const vcl::AnsiString& FieldName) = 0;

    // --- Host-variable bookkeeping (also for drivers' auxiliary statements) ---------------------
    // The open array as one Variant: a leading variant array of variants is taken as it is;
    // several values, or one that is not Null, become a variant array; otherwise Null.
    static vcl::Variant InternalCheckVarValues(TVariantOpenArray Params);
    // The portable type of one value and its buffer length (the driver's default, or the value's
    // own length for text and byte arrays that do not fit it, which become ntMemo / ntBlob). Text
    // must fit with its NUL, a byte array behind the 16-bit length of a binary buffer.
    TCorvexFieldTypes InternalGetVariableTypeAndLength(const vcl::Variant& Value, int32_t& Length);
    // Bytes before the data in a binary (ntBinary) buffer: the 16-bit length of the data.
    static constexpr int32_t BinaryLengthPrefix = 2;
    // True unless Values is an array of exactly Vars.Count values of the same types and lengths,
    // none of them blob-sized.
    bool InternalNeedNewVariables(const vcl::Variant& Values, const TCorvexVariables& Vars);
    // Rebuilds the set when needed (else keeps descriptors, buffer and binding and zeroes the
    // outputs), then stores every value into the input buffer through PutFieldData.
    void InternalSetVariables(const vcl::Variant& Values, TCorvexVariables& Vars);

    // --- Buffers for drivers --------------------------------------------------------------------
    // Sets FFieldCount, refusing more than 256 columns (nothing is changed then).
    void InternalSetFieldCount(int32_t Count);
    // Raises "Too many columns or host variables" through RaiseLastError when Count > 256.
    void InternalCheckDescriptorCount(int32_t Count);
    // After the describe: AllocRows := FetchRows and the zero-filled FetchBuffer, RecordBuffer,
    // OldRecordBuffer, NullFlags, OldNullFlags (buffers of an earlier describe are released first).
    void InternalAllocOpenBuffer();
    // Frees every blob stream and buffer; AllocRows, RecordSize and FieldCount := 0.
    void InternalFreeOpenBuffer();

    bool IsDesigning() const { return GetComponentState().Contains(vcl::csDesigning); }
    bool IsDestroying() const { return GetComponentState().Contains(vcl::csDestroying); }

    // --- Driver state ---------------------------------------------------------------------------
    // What a driver changes of the statement's state while it describes, fetches and executes;
    // it reads the state through the public getters.
    void SetFetchRows(int32_t Value) { FFetchRows = Value; }
    void SetRecordSize(int32_t Value) { FRecordSize = Value; }
    void SetRecordCount(int32_t Value) { FRecordCount = Value; }
    // The position in the result: the row inside the fetch block, the rows the block holds, the
    // 0-based row number in the result (-1 before the first) and the ends.
    void SetBufferRow(int32_t Value) { FBufferRow = Value; }
    void SetBufferedRows(int32_t Value) { FBufferedRows = Value; }
    void SetCurrentRow(int32_t Value) { FCurrentRow = Value; }
    void SetBOF(bool Value) { FBOF = Value; }
    void SetEOF(bool Value) { FEOF = Value; }
    // Moves the current row by Delta rows inside the fetch block (BufferRow and CurrentRow).
    void StepBufferRow(int32_t Delta) {
        FBufferRow += Delta;
        FCurrentRow += Delta;
    }
    // Column Index of the field table (0 .. FieldCount-1), for the driver's describe.
    TCorvexFieldDesc& FieldDescAt(int32_t Index) { return FFields[Index]; }
    const TCorvexFieldDesc& FieldDescAt(int32_t Index) const { return FFields[Index]; }
    // The host-variable sets, for the driver's binding.
    TCorvexVariables& MutableExecVariables() { return FExecVariables; }
    TCorvexVariables& MutableOpenVariables() { return FOpenVariables; }

    // Counts the changes of the statement's session link (linked, moved, unlinked): a driver that
    // keeps something derived from its session knows it is still valid while the count is unchanged.
    uint32_t SessionLinkChanges() const { return FSessionLinkChanges; }

private:
    friend class TCorvexSession; // AddQuery / RemoveQuery set FSession

    // The statement's state. Drivers read it through the public getters and change it through
    // the protected setters above; the base's operations own the rest.
    TCorvexSession* FSession = nullptr; // not owned; this statement is in its Queries list
    uint32_t FSessionLinkChanges = 0;   // raised by TCorvexSession whenever it sets FSession
    // Rows of one fetch: FAllocRows x FRecordSize bytes; each row holds the columns in order.
    uint8_t* FFetchBuffer = nullptr;
    uint8_t* FRecordBuffer = nullptr;    // the current row, FRecordSize bytes
    uint8_t* FOldRecordBuffer = nullptr; // the current row as fetched (for dirty checks)
    uint8_t* FNullFlags = nullptr;       // FFieldCount bytes: 1 = NULL, 0 = not NULL
    uint8_t* FOldNullFlags = nullptr;    // the null flags as fetched
    bool FReadOnly = false;              // the cursor was (last) opened for reading
    bool FPrepared = false;              // the query is prepared
    bool FExecPrepared = false;          // the executed statement is prepared
    bool FActive = false;                // the cursor is open
    int32_t FFieldCount = 0;             // result columns, 0 .. 256 (InternalSetFieldCount)
    int32_t FFetchRows = 0;              // rows per fetch, set by the driver before allocating
    int32_t FAllocRows = 0;              // rows FFetchBuffer was allocated for
    int32_t FBufferRow = 0;              // index of the current row inside FFetchBuffer
    int32_t FBufferedRows = 0;           // rows held in FFetchBuffer
    int32_t FCurrentRow = -1;            // 0-based row number in the result; -1 before the first
    int32_t FRecordSize = 0;             // bytes per row: the sum of the columns' Size
    int32_t FRecordCount = 0;            // row count the database reported at open
    bool FBOF = true;
    bool FEOF = true;
    bool FUniDirectional = true;
    bool FWantExceptions = false;
    TCorvexBlobManager* FBlobManager = nullptr; // owned; the blob streams of the current row
    int32_t FBlobSize = 0;                      // blob bytes fetched with the row, 0 .. 32763
    vcl::TNotifyEvent FAfterOpen;
    vcl::TNotifyEvent FBeforeOpen;
    vcl::TNotifyEvent FAfterClose;
    vcl::TNotifyEvent FBeforeClose;
    uint32_t FRowsProcessed = 0; // rows affected by the last executed statement
    int32_t FMaxFetchCount = 25; // most rows per fetch, 1 .. 1000
    bool FLargeIntegers = false; // see GetLargeIntegers
    vcl::AnsiString FOpenSQL;    // text of the prepared query (after OEM conversion)
    vcl::AnsiString FExecSQL;    // text of the prepared executed statement
    // Result columns 0 .. FFieldCount-1; column i starts at the sum of the Sizes before it.
    TCorvexFieldDesc FFields[CorvexMaxDescriptors] = {};
    TCorvexVariables FExecVariables = {}; // host variables of executed statements
    TCorvexVariables FOpenVariables = {}; // host variables of the query
    // The work list of the executing call (see InternalExecute), kept between calls and always
    // empty outside one; created on first use.
    vcl::TStringList* FWorkList = nullptr;

    class TValueView;
    bool NeedNewVariables(const TValueView& Values, const TCorvexVariables& Vars);
    void SetVariables(const TValueView& Values, TCorvexVariables& Vars);
    // InternalSetVariables(InternalCheckVarValues(Params), Vars), without packing the values anew.
    void SetVariablesFromParams(TVariantOpenArray Params, TCorvexVariables& Vars);

    static TVariantOpenArray Span(std::initializer_list<vcl::Variant> list) {
        return TVariantOpenArray(list.begin(), list.size());
    }
    // The opening and executing sequences shared by the public operations.
    bool OpenPrepared(TVariantOpenArray Params, bool ReadOnly);
    bool Open(vcl::AnsiString SQL, TVariantOpenArray Params, bool ReadOnly);
    bool RunExecute(TCorvexVariables& Vars, bool Prepare, const vcl::AnsiString& SQL);
    // The column's blob stream for blob types (raises "not a blob" when it has none), else null.
    TCorvexBlobStream* BlobOf(int32_t Index);
    // GetFieldValue for a reference by name, a blob column or a row not laid out yet.
    vcl::Variant LookUpFieldValue(const vcl::Variant& Field);
    [[noreturn]] void RaiseFieldNotFound(const vcl::Variant& Field);
    [[noreturn]] void RaiseMessage(const vcl::TResStringRec& Res);
    void CheckActive();
    void CheckWritable();
    // Byte offset of column Index in a row: from FFieldOffsets while it is valid, else summed.
    int32_t FieldOffset(int32_t Index) const;
    // Fills FFieldOffsets from the Sizes of the described columns (InternalAllocOpenBuffer).
    void ComputeFieldOffsets();

    // Byte offset of each column in a row, so a read by column index needs no walk over the
    // columns before it. Valid (FFieldOffsetsValid) from the buffer allocation that follows a
    // describe until the field count or the layout changes again (InternalSetFieldCount,
    // InternalFreeOpenBuffer); a driver changes the Sizes only before allocating its buffers.
    int32_t FFieldOffsets[CorvexMaxDescriptors] = {};
    bool FFieldOffsetsValid = false;
    // Offsets of the output variables: the sum of the Sizes of outputs before Index.
    static int32_t OutOffset(const TCorvexVariables& Vars, int32_t Index);
    // GetOutVar for an output named, or not found.
    vcl::Variant LookUpOutVar(const vcl::Variant& NameOrIndex);
};

} // namespace tnx
