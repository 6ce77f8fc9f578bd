// Small driver classes for the base-class tests: a session that counts library loads and records
// the order of the steps the base calls, with knobs that make a step fail. Its state is static
// (like a real driver's class-wide library state); each test resets it with TTestSession::Reset.
#pragma once

#include "base/TnxBase.h"
#include "platform/vcl/Classes.h"

#include <string>
#include <vector>

namespace tnxtest {

// The steps taken, in order, by every test driver object ("InternalLoadLibrary", "connect x", ...).
std::vector<std::string>& StepLog();
// Whether a step of that text was recorded.
bool Logged(const std::string& step);
// Position of the first such step in the log, or -1.
int LogIndex(const std::string& step);

class TTestSession : public tnx::TCorvexSession {
    VCL_CLASS(TTestSession, tnx::TCorvexSession)
public:
    explicit TTestSession(vcl::TComponent* owner) : tnx::TCorvexSession(owner) {}

    // Class-wide library state, as a driver keeps it.
    static inline int32_t ReferenceCount = 0;
    static inline int Loads = 0;
    static inline int Unloads = 0;
    // Folder InternalLoadLibrary "finds" the library in (with a trailing delimiter).
    static inline std::string FoundDirectory;
    // Non-empty: the step raises ECorvexException with this message.
    static inline std::string FailLoadLibrary, FailLoadProcs, FailConnect, FailDisconnect, FailCommit;
    // The code the next Check reports (0: no error).
    static inline int32_t CheckCode = 0;
    static void Reset();

    int32_t GetLibraryReferenceCount() override { return ReferenceCount; }
    void SetLibraryReferenceCount(int32_t Count) override;
    void InternalLoadLibrary() override;
    void InternalUnLoadLibrary() override;
    void InternalLoadProcs() override;
    void InternalUnloadLoadProcs() override;
    // Connects as a driver does: nothing but the base while reading or when the state is unchanged;
    // otherwise the library, the work, and the base last.
    void SetConnected(bool Value) override;
    void SetLibraryLoaded(bool Value) override;
    bool Check(void* Handle, int32_t Code, int32_t Extra, bool RaiseOnError) override;
    bool InternalCommit() override;
    bool InternalRollback() override;
    bool Stop() override;

    // The properties seen when the connection was made (to tell when it happened).
    std::string DatabaseAtConnect;

protected:
    ~TTestSession() override;
};

// A blob stream whose "database value" is Stored: loaded into the buffer on first need, as a
// driver's stream loads it from the server.
class TTestBlobStream : public tnx::TCorvexBlobStream {
    VCL_CLASS(TTestBlobStream, tnx::TCorvexBlobStream)
public:
    TTestBlobStream(tnx::TCorvexBlobManager* manager, const vcl::AnsiString& fieldName)
        : tnx::TCorvexBlobStream(manager, fieldName) {}
    std::string Stored; // the value as fetched
    int32_t Read(void* Data, int32_t Count) override;
    int32_t GetBlobSize() override;
    // The whole value (written or fetched).
    std::string Content();

protected:
    ~TTestBlobStream() override;
};

// One column of the in-memory table a TTestSQL serves (Length: bytes of text or binary data).
struct TTestColumn {
    std::string Name;
    tnx::TCorvexFieldTypes Type;
    int32_t Length = 0;
};

// A driver statement over an in-memory table: prepare describes Columns, an open serves Rows one
// at a time, an execution hands its input values to Inputs and answers with OutValues. Every
// step it takes is logged (with the statement's name: "InternalPrepareOpen Q1 select ...").
class TTestSQL : public tnx::TCorvexSQL {
    VCL_CLASS(TTestSQL, tnx::TCorvexSQL)
public:
    explicit TTestSQL(vcl::TComponent* owner) : tnx::TCorvexSQL(owner) {}

    std::vector<TTestColumn> Columns;
    std::vector<std::vector<vcl::Variant>> Rows; // Null values are NULL
    std::vector<TTestColumn> OutColumns;         // output variables of executed statements
    std::vector<vcl::Variant> OutValues;
    std::vector<vcl::Variant> Inputs;    // input values seen by the last execution
    bool OutBufferZeroAtExecute = false; // the base zeroed the outputs before executing
    bool FailPrepare = false;            // InternalPrepareOpen returns false
    bool FailClose = false;              // InternalClose raises
    bool Quiet = false;                  // log nothing (for allocation counts)
    int ExecBinds = 0;                   // InternalBindExecVariables calls

    bool InternalSetFieldDef(int32_t Index, void* Area, tnx::TCorvexFieldDesc& Desc,
                             int32_t BlobSize) override;
    bool InternalPrepareOpen(const vcl::AnsiString& SQL) override;
    bool InternalDescribePrepare() override;
    bool InternalBindOpenVariables(vcl::TStrings* Names) override;
    bool InternalOpen(bool ReadOnly) override;
    bool InternalDescribeOpen(bool ReadOnly) override;
    void InternalClose() override;
    void InternalUnprepareOpen() override;
    bool InternalPrepareExecute(const vcl::AnsiString& SQL) override;
    bool InternalBindExecVariables(vcl::TStrings* Names) override;
    bool InternalExecute(vcl::TStrings* Names) override;
    void InternalUnprepareExecute() override;
    int32_t InternalGetVariableLength(tnx::TCorvexFieldTypes FieldType) override;
    int32_t InternalGetVariableExtType(tnx::TCorvexFieldTypes FieldType) override;
    bool InternalBindVariables(void* Statement, tnx::TCorvexVariables& Vars, void* Area,
                               vcl::TStrings* Names) override;
    bool InternalBindOutVariables(void* Statement, tnx::TCorvexVariables& Vars, void* Area,
                                  vcl::TStrings* Names) override;
    tnx::TCorvexBlobStream* InternalCreateBlobStream(const vcl::AnsiString& FieldName) override;
    vcl::Variant GetFieldData(const void* Buffer, int32_t Offset, int32_t Size,
                              tnx::TCorvexFieldTypes FieldType, tnx::TCorvexBlobStream* Blob) override;
    void PutFieldData(void* Buffer, int32_t Offset, int32_t Size, tnx::TCorvexFieldTypes FieldType,
                      const vcl::Variant& Value, tnx::TCorvexBlobStream* Blob) override;
    bool First() override;
    bool Last() override;
    bool Next() override;
    bool Prev() override;
    bool Modify() override;
    bool Append() override;
    bool Delete() override;

    // The protected bookkeeping, for tests that drive it directly.
    using tnx::TCorvexSQL::InternalCheckVarValues;
    using tnx::TCorvexSQL::InternalClearVariables;
    using tnx::TCorvexSQL::InternalSetVariables;

protected:
    ~TTestSQL() override;

private:
    void Log(const char* step);
    // Makes row n current (copies it into the record buffer and its fetched copy).
    void LoadRow(int32_t n);
};

// A plain component to hold forms of sessions (registered for streaming with the session).
class TTestRoot : public vcl::TComponent {
    VCL_CLASS(TTestRoot, vcl::TComponent)
public:
    explicit TTestRoot(vcl::TComponent* owner) : vcl::TComponent(owner) {}
    vcl::AnsiString Caption; // published: shows that loading went on after the session
protected:
    ~TTestRoot() override;
};

// Registers the test classes for form reading (idempotent).
void RegisterTestDrivers();

} // namespace tnxtest
