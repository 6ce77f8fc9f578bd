// The test driver classes (see TestDrivers.h).
#include "TestDrivers.h"

#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

using tnx::ECorvexException;

namespace tnxtest {

std::vector<std::string>& StepLog() {
    static std::vector<std::string> log;
    return log;
}

bool Logged(const std::string& step) {
    return LogIndex(step) >= 0;
}

int LogIndex(const std::string& step) {
    const auto& log = StepLog();
    auto it = std::find(log.begin(), log.end(), step);
    return it == log.end() ? -1 : static_cast<int>(it - log.begin());
}

// --- TTestSession -------------------------------------------------------------------------------

VCL_CLASS_INFO(TTestSession, [](vcl::TPublisher<TTestSession>& p) {
    p.Property("AutoCommit", &TTestSession::GetAutoCommit, &TTestSession::SetAutoCommit);
    p.Property("Connected", &TTestSession::GetConnected, &TTestSession::SetConnected);
    p.Property("LibraryFile", &TTestSession::GetLibraryFile, &TTestSession::SetLibraryFile);
    p.Property("LoginDatabase", &TTestSession::GetLoginDatabase, &TTestSession::SetLoginDatabase);
    p.Property("LoginUser", &TTestSession::GetLoginUser, &TTestSession::SetLoginUser);
    p.Property("OEMConvert", &TTestSession::GetOEMConvert, &TTestSession::SetOEMConvert).Default(false);
    p.Property("WantExceptions", &TTestSession::GetWantExceptions, &TTestSession::SetWantExceptions)
        .Default(false);
    p.Property("AfterConnect", &TTestSession::GetAfterConnect, &TTestSession::SetAfterConnect);
})

TTestSession::~TTestSession() = default;

void TTestSession::Reset() {
    ReferenceCount = 0;
    Loads = Unloads = 0;
    FoundDirectory.clear();
    FailLoadLibrary.clear();
    FailLoadProcs.clear();
    FailConnect.clear();
    FailDisconnect.clear();
    FailCommit.clear();
    CheckCode = 0;
    StepLog().clear();
}

void TTestSession::SetLibraryReferenceCount(int32_t Count) {
    StepLog().push_back("SetLibraryReferenceCount " + std::to_string(Count));
    ReferenceCount = Count;
}

void TTestSession::InternalLoadLibrary() {
    StepLog().push_back("InternalLoadLibrary");
    if (!FailLoadLibrary.empty()) RaiseLastError<ECorvexException>(FailLoadLibrary, 0);
    ++Loads;
    FLibraryDirectory = FoundDirectory;
}

void TTestSession::InternalUnLoadLibrary() {
    StepLog().push_back("InternalUnLoadLibrary");
    InternalUnloadLoadProcs();
    ++Unloads;
    FLibraryDirectory.clear();
}

void TTestSession::InternalLoadProcs() {
    StepLog().push_back("InternalLoadProcs");
    if (!FailLoadProcs.empty()) RaiseLastError<ECorvexException>(FailLoadProcs, 0);
}

void TTestSession::InternalUnloadLoadProcs() {
    StepLog().push_back("InternalUnloadLoadProcs");
}

void TTestSession::SetConnected(bool Value) {
    if (IsReading() || Value == FConnected) {
        inherited::SetConnected(Value);
        return;
    }
    InternalLibraryHandleNeeded();
    if (Value) {
        StepLog().push_back("connect " + FLoginDatabase);
        DatabaseAtConnect = FLoginDatabase;
        if (!FailConnect.empty()) RaiseLastError<ECorvexException>(FailConnect, -100);
    } else {
        StepLog().push_back("disconnect");
        InternalCloseQueries();
        if (!FailDisconnect.empty()) RaiseLastError<ECorvexException>(FailDisconnect, 0);
    }
    inherited::SetConnected(Value);
    if (Value && FAfterConnect) FAfterConnect(this);
}

void TTestSession::SetLibraryLoaded(bool Value) {
    inherited::SetLibraryLoaded(Value);
    StepLog().push_back(Value ? "SetLibraryLoaded true" : "SetLibraryLoaded false");
}

bool TTestSession::Check(void* /*Handle*/, int32_t /*Code*/, int32_t /*Extra*/, bool RaiseOnError) {
    FLastErrorCode = CheckCode;
    FLastError = CheckCode == 0 ? "" : "Error " + std::to_string(CheckCode);
    if (CheckCode < 0 && FOnError) FOnError(this);
    if (CheckCode < 0 && RaiseOnError) RaiseLastError<ECorvexException>(FLastError, CheckCode);
    return CheckCode == 0;
}

bool TTestSession::InternalCommit() {
    StepLog().push_back("InternalCommit");
    if (!FailCommit.empty()) RaiseLastError<ECorvexException>(FailCommit, -1);
    return Check(nullptr, 0, 0, GetWantExceptions());
}

bool TTestSession::InternalRollback() {
    StepLog().push_back("InternalRollback");
    return Check(nullptr, 0, 0, GetWantExceptions());
}

bool TTestSession::Stop() {
    StepLog().push_back("Stop");
    return true;
}

// --- TTestBlobStream ---------------------------------------------------------------------------

VCL_CLASS_INFO(TTestBlobStream)

TTestBlobStream::~TTestBlobStream() = default;

int32_t TTestBlobStream::GetBlobSize() {
    int32_t n = inherited::GetBlobSize();
    if (n < 1 && !FModified) {
        Clear();
        AssignBuffer(Stored.data(), static_cast<int32_t>(Stored.size()));
        n = FBlobSize;
    }
    return n;
}

int32_t TTestBlobStream::Read(void* Data, int32_t Count) {
    if (GetBuffer() == nullptr) GetBlobSize();
    FEmpty = GetBuffer() == nullptr;
    if (FEmpty) return 0;
    return ReadFromBuffer(Data, Count);
}

std::string TTestBlobStream::Content() {
    const int32_t size = GetBlobSize();
    if (size <= 0 || GetBuffer() == nullptr) return std::string();
    return std::string(reinterpret_cast<const char*>(GetBuffer()), static_cast<std::size_t>(size));
}

// --- TTestSQL -----------------------------------------------------------------------------------

VCL_CLASS_INFO(TTestSQL, [](vcl::TPublisher<TTestSQL>& p) {
    p.Property("WantExceptions", &TTestSQL::GetWantExceptions, &TTestSQL::SetWantExceptions).Default(false);
})

TTestSQL::~TTestSQL() = default;

void TTestSQL::Log(const char* step) {
    if (!Quiet) StepLog().push_back(std::string(step) + " " + GetName());
}

bool TTestSQL::InternalSetFieldDef(int32_t Index, void* Area, tnx::TCorvexFieldDesc& Desc, int32_t BlobSize) {
    const TTestColumn& c = (*static_cast<std::vector<TTestColumn>*>(Area))[static_cast<std::size_t>(Index)];
    std::memset(&Desc, 0, sizeof Desc);
    std::strncpy(Desc.Name, c.Name.c_str(), tnx::CorvexMaxNameLength);
    Desc.FieldType = c.Type;
    Desc.ExtType = 100 + c.Type;
    Desc.Length = c.Length;
    Desc.Nulls = true;
    switch (c.Type) {
    case tnx::ntString:
        Desc.Size = c.Length;
        break; // NUL-terminated when shorter
    case tnx::ntInteger:
        Desc.Size = 4;
        break;
    case tnx::ntFloat:
    case tnx::ntCurrency:
    case tnx::ntDate:
    case tnx::ntTime:
    case tnx::ntDateTime:
        Desc.Size = 8;
        break;
    case tnx::ntBoolean:
        Desc.Size = 1;
        break;
    case tnx::ntBinary:
        Desc.Size = c.Length + 2;
        break;
    case tnx::ntMemo:
    case tnx::ntBlob:
        Desc.Size = BlobSize;
        break;
    default:
        Desc.Size = 0;
        break;
    }
    return true;
}

bool TTestSQL::InternalPrepareOpen(const vcl::AnsiString& SQL) {
    Log("InternalPrepareOpen");
    if (FailPrepare) return false;
    return InternalDescribePrepare() && inherited::InternalPrepareOpen(SQL);
}

bool TTestSQL::InternalDescribePrepare() {
    InternalSetFieldCount(static_cast<int32_t>(Columns.size()));
    SetRecordSize(0);
    for (int32_t i = 0; i < GetFieldCount(); ++i)
        if (InternalSetFieldDef(i, &Columns, FieldDescAt(i), GetBlobSize() + 4))
            SetRecordSize(GetRecordSize() + FieldDescAt(i).Size);
    SetFetchRows(GetMaxFetchCount());
    InternalAllocOpenBuffer();
    GetBlobManager()->Clear();
    for (int32_t i = 0; i < GetFieldCount(); ++i)
        if (tnx::IsBlobType(FieldDescAt(i).FieldType)) InternalCreateBlobStream(FieldDescAt(i).Name);
    return true;
}

bool TTestSQL::InternalBindOpenVariables(vcl::TStrings* Names) {
    Log("InternalBindOpenVariables");
    return InternalBindVariables(nullptr, MutableOpenVariables(), nullptr, Names) &&
           inherited::InternalBindOpenVariables(Names);
}

bool TTestSQL::InternalOpen(bool ReadOnly) {
    Log(ReadOnly ? "InternalOpen read" : "InternalOpen write");
    if (!inherited::InternalOpen(ReadOnly)) return false;
    SetRecordCount(static_cast<int32_t>(Rows.size()));
    return First();
}

bool TTestSQL::InternalDescribeOpen(bool /*ReadOnly*/) {
    InternalFreeOpenBuffer();
    return InternalDescribePrepare();
}

void TTestSQL::InternalClose() {
    Log("InternalClose");
    if (FailClose) RaiseLastError<ECorvexException>("close failed", -1);
    inherited::InternalClose();
}

void TTestSQL::InternalUnprepareOpen() {
    Log("InternalUnprepareOpen");
    inherited::InternalUnprepareOpen();
}

bool TTestSQL::InternalPrepareExecute(const vcl::AnsiString& SQL) {
    Log("InternalPrepareExecute");
    return inherited::InternalPrepareExecute(SQL);
}

bool TTestSQL::InternalBindExecVariables(vcl::TStrings* Names) {
    Log("InternalBindExecVariables");
    ++ExecBinds;
    return InternalBindVariables(nullptr, MutableExecVariables(), nullptr, Names) &&
           InternalBindOutVariables(nullptr, MutableExecVariables(), nullptr, Names) &&
           inherited::InternalBindExecVariables(Names);
}

bool TTestSQL::InternalExecute(vcl::TStrings* /*Names*/) {
    Log("InternalExecute");
    tnx::TCorvexVariables& v = MutableExecVariables();
    Inputs.clear();
    int32_t offset = 0;
    for (int32_t i = 0; i < v.Count; ++i) {
        Inputs.push_back(GetFieldData(v.Buffer, offset, v.Items[i].Size, v.Items[i].FieldType, nullptr));
        offset += v.Items[i].Size;
    }
    const auto* out = static_cast<const uint8_t*>(v.OutBuffer);
    OutBufferZeroAtExecute = std::all_of(out, out + v.OutBufferSize, [](uint8_t b) { return b == 0; });
    offset = 0;
    for (int32_t j = 0; j < v.OutCount; ++j) {
        const tnx::TCorvexFieldDesc& d = v.Items[v.Count + j];
        if (static_cast<std::size_t>(j) < OutValues.size())
            PutFieldData(v.OutBuffer, offset, d.Size, d.FieldType, OutValues[static_cast<std::size_t>(j)],
                         nullptr);
        offset += d.Size;
    }
    SetRowsProcessed(1);
    return true;
}

void TTestSQL::InternalUnprepareExecute() {
    Log("InternalUnprepareExecute");
    inherited::InternalUnprepareExecute();
}

// Short defaults, so that small values already exceed them.
int32_t TTestSQL::InternalGetVariableLength(tnx::TCorvexFieldTypes FieldType) {
    switch (FieldType) {
    case tnx::ntString:
        return 16;
    case tnx::ntInteger:
        return 4;
    case tnx::ntBoolean:
        return 1;
    case tnx::ntBinary:
        return 8;
    case tnx::ntMemo:
    case tnx::ntBlob:
        return 64;
    case tnx::ntUnknown:
        return 0;
    default:
        return 8;
    }
}

int32_t TTestSQL::InternalGetVariableExtType(tnx::TCorvexFieldTypes FieldType) {
    return 100 + FieldType;
}

bool TTestSQL::InternalBindVariables(void* /*Statement*/, tnx::TCorvexVariables& Vars, void* /*Area*/,
                                     vcl::TStrings* /*Names*/) {
    for (int32_t i = 0; i < Vars.Count; ++i)
        std::snprintf(Vars.Items[i].Name, sizeof Vars.Items[i].Name, "p%d", i + 1);
    return true;
}

bool TTestSQL::InternalBindOutVariables(void* /*Statement*/, tnx::TCorvexVariables& Vars, void* /*Area*/,
                                        vcl::TStrings* /*Names*/) {
    for (int32_t i = 0; i < static_cast<int32_t>(OutColumns.size()); ++i) {
        InternalCheckDescriptorCount(Vars.Count + Vars.OutCount + 1);
        tnx::TCorvexFieldDesc& d = Vars.Items[Vars.Count + Vars.OutCount];
        InternalSetFieldDef(i, &OutColumns, d, 64);
        Vars.OutBufferSize += d.Size;
        Vars.OutCount += 1;
    }
    Vars.OutBuffer = tnx::TnxAllocMem(Vars.OutBufferSize);
    return true;
}

tnx::TCorvexBlobStream* TTestSQL::InternalCreateBlobStream(const vcl::AnsiString& FieldName) {
    return vcl::New<TTestBlobStream>(GetBlobManager(), FieldName).release();
}

vcl::Variant TTestSQL::GetFieldData(const void* Buffer, int32_t Offset, int32_t Size,
                                    tnx::TCorvexFieldTypes FieldType, tnx::TCorvexBlobStream* Blob) {
    const auto* p = static_cast<const uint8_t*>(Buffer) + Offset;
    switch (FieldType) {
    case tnx::ntString: {
        const char* s = reinterpret_cast<const char*>(p);
        return vcl::Variant(std::string(s, strnlen(s, static_cast<std::size_t>(Size))));
    }
    case tnx::ntInteger: {
        int32_t v;
        std::memcpy(&v, p, 4);
        return vcl::Variant(v);
    }
    case tnx::ntFloat:
    case tnx::ntCurrency: {
        double v;
        std::memcpy(&v, p, 8);
        return vcl::Variant(v);
    }
    case tnx::ntDate:
    case tnx::ntTime:
    case tnx::ntDateTime: {
        double v;
        std::memcpy(&v, p, 8);
        return vcl::Variant(vcl::TDateTime(v));
    }
    case tnx::ntBoolean:
        return vcl::Variant(*p != 0);
    case tnx::ntBinary: {
        uint16_t n;
        std::memcpy(&n, p, 2);
        return StrToVarByte(p + 2, std::min<int32_t>(n, Size - 2));
    }
    case tnx::ntMemo:
    case tnx::ntBlob: {
        if (Blob == nullptr) return vcl::Null();
        const std::string content = static_cast<TTestBlobStream*>(Blob)->Content();
        if (FieldType == tnx::ntMemo) return vcl::Variant(content);
        return StrToVarByte(content.data(), static_cast<int32_t>(content.size()));
    }
    default:
        return vcl::Null();
    }
}

void TTestSQL::PutFieldData(void* Buffer, int32_t Offset, int32_t Size, tnx::TCorvexFieldTypes FieldType,
                            const vcl::Variant& Value, tnx::TCorvexBlobStream* Blob) {
    auto* p = static_cast<uint8_t*>(Buffer) + Offset;
    switch (FieldType) {
    case tnx::ntString: {
        // A text that fills the column is stored without a NUL.
        const std::string text = SetVarToStr(Value);
        const std::size_t n = std::min(text.size(), static_cast<std::size_t>(Size));
        std::memcpy(p, text.data(), n);
        if (n < static_cast<std::size_t>(Size)) p[n] = 0;
        break;
    }
    case tnx::ntInteger: {
        const int32_t v = SetVarToInt(Value);
        std::memcpy(p, &v, 4);
        break;
    }
    case tnx::ntFloat:
    case tnx::ntCurrency: {
        const double v = SetVarToFloat(Value);
        std::memcpy(p, &v, 8);
        break;
    }
    case tnx::ntDate:
    case tnx::ntTime:
    case tnx::ntDateTime: {
        const double v = SetVarToDateTime(Value);
        std::memcpy(p, &v, 8);
        break;
    }
    case tnx::ntBoolean:
        *p = SetVarToBoolean(Value) ? 1 : 0;
        break;
    case tnx::ntBinary:
    case tnx::ntMemo:
    case tnx::ntBlob: {
        std::string bytes;
        if (Value.IsText()) {
            bytes = Value.TextRef();
        } else if (Value.VarType() == (vcl::varArray | vcl::varByte)) {
            const int32_t count = vcl::VarArrayHighBound(Value, 1) - vcl::VarArrayLowBound(Value, 1) + 1;
            const auto* data = static_cast<const char*>(vcl::VarArrayLock(Value));
            bytes.assign(data, static_cast<std::size_t>(count));
            vcl::VarArrayUnlock(Value);
        }
        if (FieldType != tnx::ntBinary && Blob != nullptr) {
            Blob->Clear();
            Blob->Write(bytes.data(), static_cast<int32_t>(bytes.size()));
        } else if (FieldType == tnx::ntBinary) {
            const auto n = static_cast<uint16_t>(
                std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(Size - 2)));
            std::memcpy(p, &n, 2);
            std::memcpy(p + 2, bytes.data(), n);
        } else {
            std::memcpy(p, bytes.data(), std::min(bytes.size(), static_cast<std::size_t>(Size)));
        }
        break;
    }
    default:
        break;
    }
}

void TTestSQL::LoadRow(int32_t n) {
    GetBlobManager()->ClearBlobs();
    std::memset(GetRecordBuffer(), 0, static_cast<std::size_t>(GetRecordSize()));
    const auto& row = Rows[static_cast<std::size_t>(n)];
    int32_t offset = 0;
    for (int32_t i = 0; i < GetFieldCount(); ++i) {
        const tnx::TCorvexFieldDesc& f = FieldDescAt(i);
        const vcl::Variant& v = row[static_cast<std::size_t>(i)];
        GetNullFlags()[i] = v.IsNull() ? 1 : 0;
        if (tnx::IsBlobType(f.FieldType)) {
            auto* blob = static_cast<TTestBlobStream*>(GetBlobManager()->BlobByName(f.Name));
            blob->Stored = v.IsNull() ? std::string() : v.AsString();
        } else if (!v.IsNull()) {
            PutFieldData(GetRecordBuffer(), offset, f.Size, f.FieldType, v, nullptr);
        }
        offset += f.Size;
    }
    std::memcpy(GetOldRecordBuffer(), GetRecordBuffer(), static_cast<std::size_t>(GetRecordSize()));
    std::memcpy(GetOldNullFlags(), GetNullFlags(), static_cast<std::size_t>(GetFieldCount()));
    SetCurrentRow(n);
}

bool TTestSQL::First() {
    Log("First");
    SetCurrentRow(-1);
    SetBOF(true);
    SetEOF(Rows.empty());
    if (Rows.empty()) return false;
    LoadRow(0);
    SetBOF(false);
    return true;
}

bool TTestSQL::Last() {
    Log("Last");
    if (Rows.empty()) return false;
    LoadRow(static_cast<int32_t>(Rows.size()) - 1);
    SetEOF(false);
    return true;
}

bool TTestSQL::Next() {
    Log("Next");
    if (GetCurrentRow() + 1 >= static_cast<int32_t>(Rows.size())) {
        SetEOF(true);
        return false;
    }
    LoadRow(GetCurrentRow() + 1);
    SetBOF(false);
    return true;
}

bool TTestSQL::Prev() {
    Log("Prev");
    if (GetCurrentRow() <= 0) {
        SetBOF(true);
        return false;
    }
    LoadRow(GetCurrentRow() - 1);
    SetEOF(false);
    return true;
}

bool TTestSQL::Modify() {
    Log("Modify");
    std::memcpy(GetOldRecordBuffer(), GetRecordBuffer(), static_cast<std::size_t>(GetRecordSize()));
    std::memcpy(GetOldNullFlags(), GetNullFlags(), static_cast<std::size_t>(GetFieldCount()));
    GetBlobManager()->ClearBlobs();
    return true;
}

bool TTestSQL::Append() {
    Log("Append");
    return true;
}

bool TTestSQL::Delete() {
    Log("Delete");
    return true;
}

// --- TTestRoot ----------------------------------------------------------------------------------

VCL_CLASS_INFO(TTestRoot, [](vcl::TPublisher<TTestRoot>& p) { p.Property("Caption", &TTestRoot::Caption); })

TTestRoot::~TTestRoot() = default;

void RegisterTestDrivers() {
    vcl::RegisterClasses({TTestSession::StaticClass(), TTestSQL::StaticClass(), TTestRoot::StaticClass()});
}

} // namespace tnxtest
