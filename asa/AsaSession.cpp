// TAsaSession: construction, published properties, loading and binding the client library,
// initialising the SQLCA, parameter strings, connecting and disconnecting, engine and database
// control (see AsaSession.h). Error checking and services: AsaSessionServices.cpp; server
// callbacks: AsaSessionCallbacks.cpp.
#include "asa/AsaSession.h"

#include "base/TnxConsts.h"
#include "base/TnxRoutines.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/LastError.h"
#include "platform/win/Library.h"
#include "platform/win/Process.h"
#include "platform/win/SearchPath.h"

#include <cstring>
#include <string>

namespace tnx {

using vcl::AnsiString;

VCL_CLASS_INFO(TAsaSession, [](vcl::TPublisher<TAsaSession>& p) {
    using S = TAsaSession;
    p.Property("AutoCommit", &S::GetAutoCommit, &S::SetAutoCommit);
    p.Property("ClientParams", &S::GetClientParams, &S::SetClientParams);
    p.Property("CommitOnDisconnect", &S::GetCommitOnDisconnect, &S::SetCommitOnDisconnect).Default(true);
    p.Property("Connected", &S::GetConnected, &S::SetConnected);
    p.Property("LibraryFile", &S::GetLibraryFile, &S::SetLibraryFile);
    p.Property("LibraryPath", &S::GetLibraryPath, &S::SetLibraryPath);
    p.Property("LoginDatabase", &S::GetLoginDatabase, &S::SetLoginDatabase);
    p.Property("LoginEngineName", &S::GetLoginEngineName, &S::SetLoginEngineName);
    p.Property("LoginPassword", &S::GetLoginPassword, &S::SetLoginPassword);
    p.Property("LoginUser", &S::GetLoginUser, &S::SetLoginUser);
    p.Property("OEMConvert", &S::GetOEMConvert, &S::SetOEMConvert).Default(false);
    p.Property("ServerParams", &S::GetServerParams, &S::SetServerParams);
    p.Property("ServerType", &S::GetServerType, &S::SetServerType);
    p.Property("TransIsolation", &S::GetTransIsolation, &S::SetTransIsolation).Default(atUnchanged);
    p.Property("WantExceptions", &S::GetWantExceptions, &S::SetWantExceptions).Default(false);
    p.Property("WantRowCounts", &S::GetWantRowCounts, &S::SetWantRowCounts);
    p.Property("AfterConnect", &S::GetAfterConnect, &S::SetAfterConnect);
    p.Property("AfterDisconnect", &S::GetAfterDisconnect, &S::SetAfterDisconnect);
    p.Property("BeforeConnect", &S::GetBeforeConnect, &S::SetBeforeConnect);
    p.Property("BeforeDisconnect", &S::GetBeforeDisconnect, &S::SetBeforeDisconnect);
    p.Property("OnBackup", &S::GetOnBackup, &S::SetOnBackup);
    p.Property("OnConnectionDropped", &S::GetOnConnectionDropped, &S::SetOnConnectionDropped);
    p.Property("OnConnectionTerminated", &S::GetOnConnectionTerminated, &S::SetOnConnectionTerminated);
    p.Property("OnError", &S::GetOnError, &S::SetOnError);
    p.Property("OnLocateServers", &S::GetOnLocateServers, &S::SetOnLocateServers);
    p.Property("OnServerFinish", &S::GetOnServerFinish, &S::SetOnServerFinish);
    p.Property("OnServerMessage", &S::GetOnServerMessage, &S::SetOnServerMessage);
    p.Property("OnServerStart", &S::GetOnServerStart, &S::SetOnServerStart);
    p.Property("OnServerWait", &S::GetOnServerWait, &S::SetOnServerWait);
})

TAsaSession::TAsaSession(vcl::TComponent* owner) : TCorvexSession(owner) {
    FClientParams.clear();
    FServerParams = "start=dbeng6.exe";
    FServerType = stServer;
    FCommitOnDisconnect = true;
    FTransIsolation = atUnchanged;
    FWantRowCounts = true;
    FLibraryFile = "dblib6.dll";
}

// The base Destroy step has disconnected and released the library; the pool goes with the object.
TAsaSession::~TAsaSession() = default;

// --- Library ------------------------------------------------------------------------------------

int32_t TAsaSession::GetLibraryReferenceCount() {
    return AsaLibrary.LibraryReferenceCount;
}

void TAsaSession::SetLibraryReferenceCount(int32_t Count) {
    AsaLibrary.LibraryReferenceCount = Count;
}

namespace {

bool EndsWithDelimiter(const AnsiString& path) {
    return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

AnsiString CurrentDirectory() {
    char buffer[4096];
    const win::DWORD n = win::GetCurrentDirectoryA(sizeof(buffer), buffer);
    return n > 0 && n < sizeof(buffer) ? AnsiString(buffer, n) : AnsiString();
}

// Makes a folder current for the lifetime of the object and restores the one that was current
// before, on every path out.
class TCurrentDirectoryScope {
public:
    TCurrentDirectoryScope() : FSaved(CurrentDirectory()) {}
    ~TCurrentDirectoryScope() {
        if (!FSaved.empty()) win::SetCurrentDirectoryA(FSaved.c_str());
    }
    TCurrentDirectoryScope(const TCurrentDirectoryScope&) = delete;
    TCurrentDirectoryScope& operator=(const TCurrentDirectoryScope&) = delete;

private:
    AnsiString FSaved;
};

} // namespace

void TAsaSession::InternalLoadLibrary() {
    AnsiString directory = vcl::Trim(FLibraryPath);
    if (directory.empty()) {
        char found[260];
        char* filePart = nullptr;
        const win::DWORD n =
            win::SearchPathA(nullptr, FLibraryFile.c_str(), nullptr, sizeof(found), found, &filePart);
        if (n > 0 && n < sizeof(found)) directory = vcl::ExtractFilePath(AnsiString(found, n));
    }
    if (!directory.empty() && !EndsWithDelimiter(directory)) directory += vcl::PathDelim;

    win::HMODULE handle = nullptr;
    {
        TCurrentDirectoryScope scope;
        if (!directory.empty() && !win::SetCurrentDirectoryA(directory.c_str())) {
            const AnsiString reason = win::SystemErrorMessage(win::GetLastError());
            RaiseLastError<EAsaException>(
                vcl::LoadResString(CORVEX_ERR_LIB_PATH_NOT_FOUND) + " (" + directory + "," + reason + ")", 0);
        }
        // By the bare file name, so that the folder just made current is searched first.
        handle = win::LoadLibraryA(FLibraryFile.c_str());
        if (handle == nullptr) {
            const AnsiString reason = win::SystemErrorMessage(win::GetLastError());
            RaiseLastError<EAsaException>(
                vcl::LoadResString(CORVEX_ERR_LIB_LOAD_FAILED) + " (" + FLibraryFile + "," + reason + ")", 0);
        }
    }
    AsaLibrary.LibraryHandle = handle;
    FLibraryDirectory = directory;
}

void TAsaSession::InternalUnLoadLibrary() {
    if (AsaLibrary.LibraryHandle == nullptr) return;
    InternalUnloadLoadProcs();
    win::FreeLibrary(AsaLibrary.LibraryHandle);
    AsaLibrary.LibraryHandle = nullptr;
    FLibraryDirectory.clear();
}

void TAsaSession::InternalLoadProcs() {
    AsaBindEntryPoints(AsaLibrary.LibraryHandle);
}

void TAsaSession::InternalUnloadLoadProcs() {
    AsaClearEntryPoints();
}

namespace {

// The two version values the legacy call descriptor points at, per generation (indexed by
// TAsaLibraryGeneration). The library reads them through the descriptor for as long as it is
// loaded, so they live as long as the process.
uint16_t DescriptorVersions[4][2] = {{4, 4}, {4, 4}, {6, 6}, {7, 7}};

} // namespace

void TAsaSession::SetLibraryLoaded(bool Value) {
    inherited::SetLibraryLoaded(Value);
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    dblib_call_descriptor& descriptor = AsaLibrary.LegacyCallDescriptor;
    if (!Value) {
        if (procs.db_fini != nullptr) procs.db_fini(&FSqlca);
        // The descriptor must not keep the address of a field that is going away.
        if (descriptor.sqlca_field == &FSqlcaPtr) descriptor.sqlca_field = nullptr;
        FSqlcaPtr = nullptr;
        return;
    }
    if (procs.db_init(&FSqlca) == 0)
        RaiseLastError<EAsaException>(vcl::LoadResString(CORVEX_ERR_LIB_INIT_FAILED), 0);
    FSqlcaPtr = &FSqlca;
    descriptor.sqlca_field = &FSqlcaPtr;

    TAsaLibraryGeneration generation;
    if (procs.db_version_check == nullptr) {
        generation = lgNoCheck;
    } else if (procs.db_version_check(7) != 0 &&
               vcl::LowerCase(FLibraryFile).find("dblib7") != AnsiString::npos) {
        generation = lgVersion7;
    } else if (procs.db_version_check(6) != 0) {
        generation = lgVersion6;
    } else {
        generation = lgOlder;
    }
    AsaLibrary.Generation = generation;
    descriptor.version = &DescriptorVersions[generation][0];
    descriptor.version2 = &DescriptorVersions[generation][1];

    std::memset(FSqlca.sqlcaid, 0, sizeof(FSqlca.sqlcaid));
    std::memcpy(FSqlca.sqlcaid, "SQLCA", 6);
    FSqlca.sqlcabc = 136;
}

// --- Parameter strings --------------------------------------------------------------------------

namespace {

bool IsParamBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// A value as the client library's connection-string reader takes it back unchanged. The reader
// splits parts at ';' outside quotes, takes a value wholly in quotes (' or ") without them (a
// doubled quote inside standing for one), and trims blanks around an unquoted value. A value that
// holds ';' or a quote is therefore put in double quotes, its double quotes doubled; so is one
// with blanks at either end when they belong to it (KeepBlanks: a password). Any other value is
// written as it is, so the usual strings stay as they always were.
AnsiString ParamValue(const AnsiString& Value, bool KeepBlanks = false) {
    const bool quote = Value.find_first_of(";'\"") != AnsiString::npos ||
                       (KeepBlanks && !Value.empty() && (IsParamBlank(Value.front()) || IsParamBlank(Value.back())));
    if (!quote) return Value;
    AnsiString out = "\"";
    for (char c : Value) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

} // namespace

AnsiString TAsaSession::GetDatabasePrefix() const {
    return TnxExtractFilePrefix(vcl::ExtractFileName(FLoginDatabase));
}

AnsiString TAsaSession::GetEngineParam() const {
    if (!vcl::Trim(FLoginEngineName).empty()) return "eng=" + ParamValue(FLoginEngineName);
    const AnsiString prefix = GetDatabasePrefix();
    return prefix.empty() ? AnsiString() : "eng=" + ParamValue(prefix);
}

AnsiString TAsaSession::GetStartDatabaseParams() const {
    AnsiString s;
    TnxConcateEmptyField(s, ";", GetEngineParam());
    TnxConcateEmptyField(s, ";", "dbf=" + ParamValue(FLoginDatabase));
    TnxConcateEmptyField(s, ";", "dbn=" + ParamValue(GetDatabasePrefix()));
    return s;
}

AnsiString TAsaSession::GetStartRemoteParams() const {
    AnsiString s;
    TnxConcateEmptyField(s, ";", GetEngineParam());
    TnxConcateEmptyField(s, ";", FClientParams);
    TnxConcateEmptyField(s, ";", "dbf=" + ParamValue(FLoginDatabase));
    TnxConcateEmptyField(s, ";", "dbn=" + ParamValue(GetDatabasePrefix()));
    return s;
}

AnsiString TAsaSession::GetStopRemoteParams() const {
    AnsiString s;
    TnxConcateEmptyField(s, ";", GetEngineParam());
    TnxConcateEmptyField(s, ";", FClientParams);
    TnxConcateEmptyField(s, ";", "dbf=" + ParamValue(vcl::ExtractFileName(FLoginDatabase)));
    TnxConcateEmptyField(s, ";", "dbn=" + ParamValue(GetDatabasePrefix()));
    return s;
}

AnsiString TAsaSession::GetConnectEngineParams() const {
    AnsiString s;
    TnxConcateEmptyField(s, ";", GetEngineParam());
    TnxConcateEmptyField(s, ";", FClientParams);
    return s;
}

AnsiString TAsaSession::GetConnectDatabaseParams() const {
    AnsiString s;
    TnxConcateEmptyField(s, ";", GetEngineParam());
    TnxConcateEmptyField(s, ";", FClientParams);
    TnxConcateEmptyField(s, ";", "dbn=" + ParamValue(GetDatabasePrefix()));
    TnxConcateEmptyField(s, ";", "uid=" + ParamValue(FLoginUser));
    TnxConcateEmptyField(s, ";", "pwd=" + ParamValue(FLoginPassword, true));
    return s;
}

// --- Connecting ---------------------------------------------------------------------------------

namespace {

// Runs a step whose failure must not stop the sequence around it (its exception is discarded).
template <class F>
void Discarding(F&& step) noexcept {
    try {
        step();
    } catch (...) {
    }
}

} // namespace

void TAsaSession::SetConnected(bool Value) {
    if (IsReading() || FConnected == Value) {
        inherited::SetConnected(Value);
        return;
    }
    InternalLibraryHandleNeeded();
    if (Value) {
        Connect();
    } else {
        Disconnect();
    }
}

void TAsaSession::Connect() {
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    {
        TCurrentDirectoryScope scope;
        if (!FLibraryDirectory.empty() && !win::SetCurrentDirectoryA(FLibraryDirectory.c_str()))
            RaiseLastError<EAsaException>(
                vcl::LoadResString(CORVEX_ERR_LIB_PATH_NOT_FOUND) + " (" + FLibraryDirectory + ")", 0);
        if (FBeforeConnect) FBeforeConnect(this);
        AnsiString params = GetConnectDatabaseParams();
        switch (FServerType) {
        case stClient:
            procs.db_string_connect(&FSqlca, params.data());
            Check(true);
            break;
        case stServer:
            StartDatabaseEngine();
            procs.db_string_connect(&FSqlca, params.data());
            Check(true);
            break;
        case stWorkgroup: {
            procs.db_string_connect(&FSqlca, params.data());
            const int32_t code = FSqlca.sqlcode;
            if (code == DBLIB_E_ENGINE_NOT_FOUND || code == DBLIB_E_DB_NAME_IN_USE ||
                code == DBLIB_E_DB_NOT_FOUND || code == DBLIB_E_START_STOP_DENIED) {
                StartDatabaseEngine();
                procs.db_string_connect(&FSqlca, params.data());
            }
            Check(true);
            break;
        }
        }
    }

    if (!IsDesigning()) {
        try {
            RegisterCallbacks();
        } catch (...) {
            // Connected in the library but not here: undo both, so that no callback can reach a
            // session that reports itself disconnected.
            Discarding([this] { UnregisterCallbacks(); });
            Discarding([&] { procs.db_string_disconnect(&FSqlca, nullptr); });
            throw;
        }
    }

    // The session is connected from here on, so the options below and AfterConnect see it so.
    inherited::SetConnected(true);
    Discarding([this] { SetTransIsolation(FTransIsolation); });
    Discarding([this] { SetWantRowCounts(FWantRowCounts); });
    Discarding([this] {
        if (FAfterConnect) FAfterConnect(this);
    });
}

void TAsaSession::Disconnect() {
    TFlagScope disconnecting(FDisconnecting);

    InternalCloseQueries();
    FStatementPool.Clear();

    // Each step on its own: a failing commit or event must not keep the library connected. The
    // disconnect that follows a lost connection commits nothing: the work in flight was never
    // meant to be committed by the loss (what the library still holds is rolled back below).
    if (FCommitOnDisconnect && !FConnectionLost) Discarding([this] { Dbpp(AsaLibrary.Procs.dbpp_commit, 0u); });
    Discarding([this] {
        if (FBeforeDisconnect && !IsDestroying()) FBeforeDisconnect(this);
    });
    if (!EndLibraryConnection()) {
        // The library keeps the connection (a request of this SQLCA still runs on this thread):
        // the session stays connected rather than claim otherwise, and says why.
        Check(false);
        return;
    }
    if (!IsDesigning() || FStartInstance || FFinishInstance || FWaitInstance || FMessageInstance ||
        FDroppedInstance)
        UnregisterCallbacks();

    inherited::SetConnected(false);
    Discarding([this] {
        if (FAfterDisconnect && !IsDestroying()) FAfterDisconnect(this);
    });
}

bool TAsaSession::EndLibraryConnection() {
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    procs.db_string_disconnect(&FSqlca, nullptr);
    const int32_t code = FSqlca.sqlcode;
    if (code >= 0 || code == DBLIB_E_NOT_CONNECTED) return true; // ended, or nothing left to end
    // The SQLCA would stay connected while the session says it is not, and every later connect
    // would fail: finishing the SQLCA ends its connection (rolled back), and it starts afresh.
    if (procs.db_fini(&FSqlca) == 0) return false;
    procs.db_init(&FSqlca); // a failure here leaves no connection either; the next connect reports it
    return true;
}

void TAsaSession::SetServerType(TAsaServerType Value) {
    if (Value == FServerType) return;
    if (!IsReading()) SetConnected(false);
    FServerType = Value;
}

// --- Engine and database control ----------------------------------------------------------------

void TAsaSession::StartDatabaseEngine() {
    InternalLibraryHandleNeeded();
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    AnsiString start;
    if (AsaLibrary.Generation == lgNoCheck || AsaLibrary.Generation == lgOlder) {
        // Older libraries take the database file inside the start line.
        AnsiString file; // inside double quotes of the start line, where a doubled one stands for one
        for (char c : FLoginDatabase) {
            if (c == '"') file += '"';
            file += c;
        }
        TnxConcateEmptyField(start, ";", FServerParams + " \"" + file + "\"");
    } else {
        TnxConcateEmptyField(start, ";", FServerParams);
        TnxConcateEmptyField(start, ";", "dbf=" + ParamValue(FLoginDatabase));
    }
    TnxConcateEmptyField(start, ";", GetEngineParam());
    TnxConcateEmptyField(start, ";", "dbn=" + ParamValue(GetDatabasePrefix()));
    procs.db_start_engine(&FSqlca, start.data());
    if (FSqlca.sqlcode == DBLIB_E_ENGINE_RUNNING) {
        // The engine runs already: start the database on it, unless it is there (or cannot be
        // started, which the connect that follows reports).
        AnsiString params = GetStartDatabaseParams();
        procs.db_start_database(&FSqlca, params.data());
        const int32_t code = FSqlca.sqlcode;
        if (code == DBLIB_E_DB_NAME_IN_USE || code == DBLIB_E_DB_NOT_FOUND || code == DBLIB_E_FILE_IN_USE ||
            code == DBLIB_E_ENGINE_NOT_FOUND)
            return;
    }
    Check(true);
}

bool TAsaSession::StartDatabase(const char* ConnectText) {
    return ControlDatabase(ConnectText, &TAsaEntryPoints::db_start_database,
                           &TAsaSession::GetStartRemoteParams);
}

bool TAsaSession::StopDatabase(const char* ConnectText) {
    return ControlDatabase(ConnectText, &TAsaEntryPoints::db_stop_database,
                           &TAsaSession::GetStopRemoteParams);
}

bool TAsaSession::ControlDatabase(const char* ConnectText, db_start_database_fn TAsaEntryPoints::*Call,
                                  AnsiString (TAsaSession::*Params)() const) {
    if (FConnected) RaiseLastError<EAsaException>(vcl::LoadResString(CORVEX_ERR_SESS_CONNECTED), 0);
    InternalLibraryHandleNeeded();
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    AnsiString text = ConnectText ? ConnectText : "";
    AnsiString params = (this->*Params)();
    if (!vcl::Trim(text).empty()) {
        procs.db_string_connect(&FSqlca, text.data());
        if (FSqlca.sqlcode < 0) return Check(FWantExceptions);
        bool result = false;
        try {
            (procs.*Call)(&FSqlca, params.data());
            result = Check(FWantExceptions);
        } catch (...) {
            Discarding([&] { procs.db_string_disconnect(&FSqlca, text.data()); });
            throw;
        }
        procs.db_string_disconnect(&FSqlca, text.data());
        return result;
    }
    (procs.*Call)(&FSqlca, params.data());
    if (FSqlca.sqlcode == DBLIB_E_ENGINE_NOT_FOUND) {
        AnsiString engine = GetConnectEngineParams();
        procs.db_string_connect(&FSqlca, engine.data());
        (procs.*Call)(&FSqlca, params.data());
    }
    return Check(FWantExceptions);
}

} // namespace tnx
