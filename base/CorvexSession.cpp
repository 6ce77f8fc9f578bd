// TCorvexSession: library reference counting, destruction and loading sequences, the connected
// flag, transactions, errors and OEM text (see CorvexSession.h).
#include "base/CorvexSession.h"

#include "base/CorvexSQL.h"
#include "base/TnxConsts.h"
#include "base/TnxProduct.h"
#include "base/TnxRoutines.h"
#include "platform/vcl/Format.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/CodePage.h"
#include "platform/win/MessageBox.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>

namespace tnx {

using vcl::AnsiString;

VCL_CLASS_INFO(TCorvexSession)

TCorvexSession::TCorvexSession(vcl::TComponent* owner) : vcl::TComponent(owner) {}

TCorvexSession::~TCorvexSession() = default;

namespace {

// The message of whatever a destruction step raised, for the last error.
AnsiString DescribeCurrentException() {
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}

} // namespace

void TCorvexSession::Destroy() {
    Destroying();
    // Each step is guarded on its own: the Destroy step must not raise (Free is noexcept), and a
    // failing disconnect must still release the library reference and detach the statements.
    auto guarded = [this](auto&& step) {
        try {
            step();
        } catch (...) {
            FLastError = DescribeCurrentException();
            FLastErrorCode = 0;
        }
    };
    guarded([this] { SetConnected(false); });
    if (FLibraryLoaded) {
        guarded([this] { SetLibraryLoaded(false); });
        FLibraryLoaded = false;
        int32_t count = -1; // stays -1 when the count cannot be updated: then nothing is unloaded
        guarded([&] {
            count = GetLibraryReferenceCount() - 1;
            SetLibraryReferenceCount(count);
        });
        if (count == 0) guarded([this] { InternalUnLoadLibrary(); });
    }
    while (!FQueries.empty())
        RemoveQuery(FQueries.back());
    inherited::Destroy();
}

void TCorvexSession::Loaded() {
    inherited::Loaded();
    try {
        if (FStreamedConnected) SetConnected(true);
    } catch (const std::exception& e) {
        if (!IsDesigning()) throw;
        // At design time the form must still open: show why the session stays disconnected.
        win::MessageBoxA(nullptr, e.what(), szCorvexLibraryName, win::MB_OK | win::MB_ICONERROR);
    }
}

// --- Library reference counting -----------------------------------------------------------------

int32_t TCorvexSession::GetLibraryReferenceCount() {
    return 0;
}

void TCorvexSession::SetLibraryReferenceCount(int32_t /*Count*/) {}

void TCorvexSession::InternalLibraryHandleNeeded() {
    if (FLibraryLoaded) return;
    if (GetLibraryReferenceCount() == 0) {
        InternalLoadLibrary();
        try {
            InternalLoadProcs();
        } catch (...) {
            // Nothing may stay loaded without a reference, or the next attempt would load the
            // library a second time and the first handle would never be released.
            try {
                InternalUnLoadLibrary();
            } catch (...) {
            }
            throw;
        }
    }
    SetLibraryReferenceCount(GetLibraryReferenceCount() + 1);
    SetLibraryLoaded(true);
}

void TCorvexSession::SetLibraryLoaded(bool Value) {
    FLibraryLoaded = Value;
}

// --- Connection ---------------------------------------------------------------------------------

void TCorvexSession::SetConnected(bool Value) {
    const bool wasConnected = FConnected;
    if (IsReading()) {
        FStreamedConnected = Value;
    } else {
        FConnected = Value;
    }
    if (Value != wasConnected) FInTransaction = false;
}

bool TCorvexSession::Execute(const AnsiString& /*SQL*/) {
    return false;
}

bool TCorvexSession::Ping(const char* /*Params*/) {
    return false;
}

// --- Statements ---------------------------------------------------------------------------------

void TCorvexSession::AddQuery(TCorvexSQL* Query) {
    if (Query == nullptr) return;
    // A statement is in exactly one list, once: otherwise a list could keep a statement that
    // has been destroyed (it leaves only the list its link names).
    if (Query->FSession != nullptr && Query->FSession != this) Query->FSession->RemoveQuery(Query);
    auto it = std::find(FQueries.begin(), FQueries.end(), Query);
    if (it != FQueries.end()) FQueries.erase(it);
    FQueries.push_back(Query);
    Query->FSession = this;
    ++Query->FSessionLinkChanges;
}

void TCorvexSession::RemoveQuery(TCorvexSQL* Query) {
    if (Query == nullptr) return;
    if (Query->FSession == this) {
        Query->FSession = nullptr;
        ++Query->FSessionLinkChanges;
    }
    auto it = std::find(FQueries.begin(), FQueries.end(), Query);
    if (it != FQueries.end()) FQueries.erase(it);
}

void TCorvexSession::InternalCloseQueries() {
    // By index: a driver step may attach or detach statements while the list is walked.
    for (std::size_t i = 0; i < FQueries.size(); ++i) {
        TCorvexSQL* query = FQueries[i];
        query->UnprepareOpen();
        query->UnprepareExecute();
    }
}

TCorvexSQL* TCorvexSession::GetQuery(int32_t Index) const {
    if (Index < 0 || Index >= GetQueryCount()) throw vcl::EListError(vcl::SListIndexError, {Index});
    return FQueries[static_cast<std::size_t>(Index)];
}

// --- Transactions -------------------------------------------------------------------------------

void TCorvexSession::StartTransaction() {
    if (FInTransaction) RaiseLastError<ECorvexException>(vcl::LoadResString(CORVEX_ERR_SESS_TRANS_ACTIVE), 0);
    InternalCommit();
    FInTransaction = true;
}

bool TCorvexSession::Commit() {
    const bool result = InternalCommit();
    FInTransaction = false;
    return result;
}

bool TCorvexSession::Rollback() {
    const bool result = InternalRollback();
    FInTransaction = false;
    return result;
}

// --- Library version ----------------------------------------------------------------------------

AnsiString TCorvexSession::GetLibraryVersion() {
    InternalLibraryHandleNeeded();
    uint16_t major = 0, minor = 0, release = 0, build = 0;
    TnxGetProductVersion(FLibraryDirectory + FLibraryFile, major, minor, release, build);
    return vcl::Format("%d.%d.%d.%d", {major, minor, release, build});
}

// --- Errors -------------------------------------------------------------------------------------

void TCorvexSession::RaiseLastError(TCorvexExceptionClass ExceptionClass, const AnsiString& Msg,
                                    int32_t Code) {
    FLastError = Msg;
    FLastErrorCode = Code;
    if (ExceptionClass == nullptr) ExceptionClass = CorvexExceptionClass<ECorvexException>();
    ExceptionClass(Msg, Code);
    // An exception class value always raises; this only keeps the promise of [[noreturn]].
    throw ECorvexException(Msg, Code, 0);
}

// --- OEM text -----------------------------------------------------------------------------------

void TCorvexSession::TranslateChar(const char* Source, char* Dest, int32_t Count, bool ToOem) const {
    if (!FOEMConvert || Count <= 0 || Source == nullptr || Dest == nullptr) return;
    if (ToOem) {
        win::CharToOemBuffA(Source, Dest, static_cast<win::DWORD>(Count));
    } else {
        win::OemToCharBuffA(Source, Dest, static_cast<win::DWORD>(Count));
    }
}

bool TCorvexSession::TranslateLICompChar(const char* S1, const char* S2, uint32_t MaxLen) const {
    if (!FOEMConvert) return vcl::AnsiStrLIComp(S1, S2, MaxLen) == 0;
    // Copies of at most MaxLen characters each (a text ends earlier at its NUL), converted from
    // OEM to ANSI; the comparison then sees the same characters the plain branch would. Sized to
    // the text actually present, so a huge MaxLen costs nothing.
    auto oemToAnsi = [MaxLen](const char* s) {
        std::string copy(s ? s : "", s ? strnlen(s, MaxLen) : 0);
        if (!copy.empty())
            win::OemToCharBuffA(copy.data(), copy.data(), static_cast<win::DWORD>(copy.size()));
        return copy;
    };
    const std::string a = oemToAnsi(S1);
    const std::string b = oemToAnsi(S2);
    return vcl::AnsiStrLIComp(a.c_str(), b.c_str(), MaxLen) == 0;
}

} // namespace tnx
