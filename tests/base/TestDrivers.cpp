// The test driver classes (see TestDrivers.h).
#include "TestDrivers.h"

#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

#include <algorithm>

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
    return Check(nullptr, 0, 0, FWantExceptions);
}

bool TTestSession::InternalRollback() {
    StepLog().push_back("InternalRollback");
    return Check(nullptr, 0, 0, FWantExceptions);
}

bool TTestSession::Stop() {
    StepLog().push_back("Stop");
    return true;
}

// --- TTestRoot ----------------------------------------------------------------------------------

VCL_CLASS_INFO(TTestRoot, [](vcl::TPublisher<TTestRoot>& p) { p.Property("Caption", &TTestRoot::Caption); })

TTestRoot::~TTestRoot() = default;

void RegisterTestDrivers() {
    vcl::RegisterClasses({TTestSession::StaticClass(), TTestRoot::StaticClass()});
}

} // namespace tnxtest
