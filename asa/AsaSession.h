// TAsaSession: the SQL Anywhere session component.
//
// It loads the embedded-SQL client library by file name (once per process, shared by every
// session through the unit-wide state of TnxAsaLibrary.h), initialises its own SQLCA, builds the
// connection, engine-start and database-start parameter strings from its properties, connects as
// a client, a server or a workgroup, starts and stops engines and databases, judges every
// library result in Check, and offers the services: commit and rollback, options, connection
// information, ping, online backup, cancelling a running request, server callbacks and locating
// servers.
//
// Guarantees:
//  - Connected changes only after the work succeeded: a failed connect leaves the session
//    disconnected, with no callback registered, AfterConnect not called and the current directory
//    as it was. A disconnect ends disconnected whatever its steps raise: the commit, the library's
//    disconnect and the two disconnect events are each guarded, and a failure of one never skips
//    the others. A library disconnect that fails is followed by finishing and re-initialising the
//    SQLCA, which ends the connection (rolled back), so the session can connect again; only when
//    even that is refused (a request of this SQLCA still runs on this thread) does the session
//    stay connected, with the error in LastError and OnError fired.
//  - Check is the one place where a library result becomes LastError/LastErrorCode, OnError, an
//    automatic disconnect (-101 and -308 while connected) and, when asked, an EAsaException. The
//    automatic disconnect never commits, whatever CommitOnDisconnect says: the work in flight when
//    the connection was lost is not committed by the loss.
//  - Connection parameter strings quote every value the library would otherwise read as more than
//    a value (a ';', a quote, blanks at either end of a password), so no property can add or
//    change a parameter.
//  - Server-callback handlers never let an exception unwind into the client library (see
//    AsaCallbacks.h), and fire no event while the session is being destroyed.
//  - Threads: a session and its statements are used from one thread at a time. Stop may be called
//    from another thread (or from inside OnServerWait) while a request runs: it only asks the
//    library to cancel and touches neither the SQLCA nor LastError, which belong to the running
//    request.
//
// For statements of this package (TAsaSQL): GetSqlca() is the SQLCA every call passes;
// Dbpp(entry, args...) calls a dbpp_* entry point with it and the legacy descriptor where the
// generation needs one; GetStatementPool() is the statement-number pool; Check(RaiseOnError)
// judges the last call.
#pragma once

#include "asa/AsaCallbacks.h"
#include "asa/AsaException.h"
#include "asa/AsaStatementPool.h"
#include "asa/TnxAsaLibrary.h"
#include "base/CorvexSession.h"
#include "platform/dblib/dblib.h"
#include "platform/vcl/TypInfo.h"

#include <cstdint>
#include <functional>

namespace tnx {

// How SetConnected reaches the database.
enum TAsaServerType : uint8_t {
    stClient,    // connect to a running engine
    stServer,    // start the engine (or the database on it) first, then connect
    stWorkgroup, // connect; start the engine and connect again when it is not running
};
VCL_ENUM_NAMES(TAsaServerType, stClient, stServer, stWorkgroup);

// Isolation level set after connecting ("0".."3"; atUnchanged sends nothing).
enum TAsaTransIsolation : uint8_t {
    atUnchanged,
    atReadUncommitted,
    atReadCommitted,
    atReapeatableRead,
    atSerializable,
};
VCL_ENUM_NAMES(TAsaTransIsolation, atUnchanged, atReadUncommitted, atReadCommitted, atReapeatableRead,
               atSerializable);

enum TBackupType : uint8_t {
    btFull,          // copy the database and the transaction log
    btFullRenameLog, // copy both, then rename (restart) the log
    btRenameLog,     // read everything without writing a copy, then rename the log
};

enum TAsaConnectionInfo : uint8_t { ciEngineVersion, ciEngineName, ciDatabaseName };

enum TServerMessageType : uint8_t { smtUnknown, smtInfo, smtWarning, smtAction, smtStatus };
VCL_ENUM_NAMES(TServerMessageType, smtUnknown, smtInfo, smtWarning, smtAction, smtStatus);

// Events. The sender is the session.
using TBackupEvent = std::function<void(vcl::TObject* Sender, const vcl::AnsiString& BackupFile,
                                        int32_t NumOfPages, int32_t CurrPage)>;
using TServerWaitEvent = std::function<void(vcl::TObject* Sender, bool& AbortRequest)>;
using TServerMessageEvent = std::function<void(vcl::TObject* Sender, TServerMessageType MessageType,
                                               int32_t MessageCode, const vcl::AnsiString& Msg)>;
using TLocateServersEvent =
    std::function<void(vcl::TObject* Sender, const vcl::AnsiString& ServerName,
                       const vcl::AnsiString& ServerAddress, int32_t ServerPort, bool& AbortLocate)>;

class TAsaSession : public TCorvexSession {
    VCL_CLASS(TAsaSession, TCorvexSession)
public:
    // Base construction, a statement pool of 32767, then the defaults: ClientParams empty,
    // ServerParams "start=dbeng6.exe", ServerType stServer, CommitOnDisconnect true, TransIsolation
    // atUnchanged, WantRowCounts true, LibraryFile "dblib6.dll".
    explicit TAsaSession(vcl::TComponent* owner);

    // --- Base steps -----------------------------------------------------------------------------
    int32_t GetLibraryReferenceCount() override;
    void SetLibraryReferenceCount(int32_t Count) override;
    // Finds the library (LibraryPath, else the platform's search), loads it by its bare file name
    // with its folder made current for the moment, and sets LibraryDirectory.
    void InternalLoadLibrary() override;
    void InternalUnLoadLibrary() override;
    void InternalLoadProcs() override;
    void InternalUnloadLoadProcs() override;
    // Connect (by ServerType, registering the server callbacks) or disconnect.
    void SetConnected(bool Value) override;
    // db_init / db_fini of this session's SQLCA; detects the library generation.
    void SetLibraryLoaded(bool Value) override;
    // Judges sqlcode of the SQLCA (the first three arguments are ignored); true when it is 0.
    bool Check(void* Handle, int32_t Code, int32_t Extra, bool RaiseOnError) override;
    bool InternalCommit() override;
    bool InternalRollback() override;
    // Whether a server answers: db_string_ping_server, or db_find_engine of the "eng=" part.
    bool Ping(const char* Params) override;
    // Cancels the request running on the connection; true when none runs or the cancel was
    // delivered.
    bool Stop() override;

    using TCorvexSession::Check;
    bool Check(bool RaiseOnError) { return Check(nullptr, 0, 0, RaiseOnError); }

    // --- Parameter strings ----------------------------------------------------------------------
    vcl::AnsiString GetEngineParam() const;
    vcl::AnsiString GetStartDatabaseParams() const;
    vcl::AnsiString GetStartRemoteParams() const;
    vcl::AnsiString GetStopRemoteParams() const;
    vcl::AnsiString GetConnectEngineParams() const;
    vcl::AnsiString GetConnectDatabaseParams() const;
    // The file-name part of LoginDatabase without its extension ("C:\data\sales.db" -> "sales").
    vcl::AnsiString GetDatabasePrefix() const;

    // --- Engine and database control ------------------------------------------------------------
    // Starts an engine for LoginDatabase (or, when one runs, the database on it).
    void StartDatabaseEngine();
    // Start / stop a database, through a connection of the given text (then closed again) or, with
    // an empty text, directly. Not allowed while connected.
    bool StartDatabase(const char* ConnectText);
    bool StopDatabase(const char* ConnectText);

    // --- Services -------------------------------------------------------------------------------
    // Copies the database files into Directory (see TBackupType); true when at least the first
    // database file was copied and no page of any file failed. A page that cannot be read ends the
    // backup with false (or EAsaException with WantExceptions) and that page's error as the last
    // error. Each copy is written beside its target and replaces it only once complete and synced:
    // a failed backup leaves a previous copy as it was.
    bool Backup(vcl::AnsiString Directory, TBackupType BackupType);
    bool GetConnectionInfo(TAsaConnectionInfo Info, vcl::AnsiString& Value);
    bool GetOption(const char* Name, vcl::AnsiString& Value);
    bool SetOption(const char* Name, const char* Value);
    // Calls OnLocateServers for every server the library finds, until a handler aborts; false
    // without calling the library when no handler is assigned or the library cannot locate.
    bool LocateServers();

    // --- For statements -------------------------------------------------------------------------
    sqlca* GetSqlca() { return &FSqlca; }
    TAsaStatementPool& GetStatementPool() { return FStatementPool; }
    // Calls a dbpp_* entry point with this session's SQLCA (and the legacy call descriptor for
    // generations before 7): Dbpp(AsaLibrary.Procs.dbpp_commit, 0u).
    template <class Fn7, class Fn6, class... A>
    void Dbpp(const TAsaDbppEntry<Fn7, Fn6>& Entry, A&&... Args) {
        AsaDbpp(Entry, &FSqlca, static_cast<A&&>(Args)...);
    }

    // --- Server-callback handlers (called by the callback adapters) -----------------------------
    static void StartCall(TAsaSession* Session, void* Args);
    static void FinishCall(TAsaSession* Session, void* Args);
    static void WaitCall(TAsaSession* Session, void* Args);
    static void ServerMessageCall(TAsaSession* Session, void* Args);
    static void ConnDroppedCall(TAsaSession* Session, void* Args);
    static void LocateServerCall(TAsaSession* Session, void* Args);

    // --- Properties -----------------------------------------------------------------------------
    const vcl::AnsiString& GetClientParams() const { return FClientParams; }
    void SetClientParams(const vcl::AnsiString& Value) { FClientParams = Value; }
    bool GetCommitOnDisconnect() const { return FCommitOnDisconnect; }
    void SetCommitOnDisconnect(bool Value) { FCommitOnDisconnect = Value; }
    const vcl::AnsiString& GetLoginEngineName() const { return FLoginEngineName; }
    void SetLoginEngineName(const vcl::AnsiString& Value) { FLoginEngineName = Value; }
    const vcl::AnsiString& GetServerParams() const { return FServerParams; }
    void SetServerParams(const vcl::AnsiString& Value) { FServerParams = Value; }
    TAsaServerType GetServerType() const { return FServerType; }
    // Disconnects first (unless reading a form) when the type changes.
    void SetServerType(TAsaServerType Value);
    TAsaTransIsolation GetTransIsolation() const { return FTransIsolation; }
    // Sends isolation_level while connected (atUnchanged sends nothing), then stores the value.
    void SetTransIsolation(TAsaTransIsolation Value);
    bool GetWantRowCounts() const { return FWantRowCounts; }
    // Sends row_counts ("ON"/"OFF") while connected when the option reads otherwise, then stores.
    void SetWantRowCounts(bool Value);

    const TBackupEvent& GetOnBackup() const { return FOnBackup; }
    void SetOnBackup(TBackupEvent Value) { FOnBackup = std::move(Value); }
    const vcl::TNotifyEvent& GetOnConnectionDropped() const { return FOnConnectionDropped; }
    void SetOnConnectionDropped(vcl::TNotifyEvent Value) { FOnConnectionDropped = std::move(Value); }
    const vcl::TNotifyEvent& GetOnServerFinish() const { return FOnServerFinish; }
    void SetOnServerFinish(vcl::TNotifyEvent Value) { FOnServerFinish = std::move(Value); }
    const vcl::TNotifyEvent& GetOnServerStart() const { return FOnServerStart; }
    void SetOnServerStart(vcl::TNotifyEvent Value) { FOnServerStart = std::move(Value); }
    const TLocateServersEvent& GetOnLocateServers() const { return FOnLocateServers; }
    void SetOnLocateServers(TLocateServersEvent Value) { FOnLocateServers = std::move(Value); }
    const TServerMessageEvent& GetOnServerMessage() const { return FOnServerMessage; }
    void SetOnServerMessage(TServerMessageEvent Value) { FOnServerMessage = std::move(Value); }
    const TServerWaitEvent& GetOnServerWait() const { return FOnServerWait; }
    void SetOnServerWait(TServerWaitEvent Value) { FOnServerWait = std::move(Value); }

    // The callback entries registered now, in the order start, finish, wait, message, dropped
    // (null where nothing is registered).
    const TCallbackInstance* GetCallbackInstance(int Index) const;

protected:
    ~TAsaSession() override;

private:
    // Connect and disconnect sequences of SetConnected.
    void Connect();
    void Disconnect();
    // Ends the SQLCA's connection in the library (see Disconnect). False when it is still there.
    bool EndLibraryConnection();
    void RegisterCallbacks();
    void UnregisterCallbacks();
    // Copies file N of a backup (see Backup): Copied when it was opened and every page read (and
    // its copy, if one is written, is complete and in place); NotOpened when the library has no
    // such file; Failed when a page could not be read (the session's last error says why; no copy
    // was put in place).
    enum class TBackupFileResult { Copied, NotOpened, Failed };
    TBackupFileResult BackupFile(const vcl::AnsiString& Directory, TBackupType BackupType, int32_t FileNumber,
                                 sqlda* Da, const uint8_t* Page);
    // StartDatabase / StopDatabase with the library call and its parameter builder.
    bool ControlDatabase(const char* ConnectText, db_start_database_fn TAsaEntryPoints::*Call,
                         vcl::AnsiString (TAsaSession::*Params)() const);

    // The session's SQLCA. Its address is registered with the library by db_init and passed with
    // every call; the object is never moved.
    sqlca FSqlca{};
    // &FSqlca once the SQLCA is initialised (null before); the legacy call descriptor points here.
    sqlca* FSqlcaPtr = nullptr;
    // Statement numbers of this session's statements; cleared on every disconnect.
    TAsaStatementPool FStatementPool{32767};
    // Set while the disconnect sequence runs, so a Check inside it does not start another.
    bool FDisconnecting = false;
    // Set while Check disconnects after a lost connection: that disconnect commits nothing.
    bool FConnectionLost = false;

    // Sets a flag for as long as it lives.
    class TFlagScope {
    public:
        explicit TFlagScope(bool& Flag) : FFlag(Flag) { FFlag = true; }
        ~TFlagScope() { FFlag = false; }
        TFlagScope(const TFlagScope&) = delete;
        TFlagScope& operator=(const TFlagScope&) = delete;

    private:
        bool& FFlag;
    };

    vcl::AnsiString FClientParams;
    bool FCommitOnDisconnect = true;
    vcl::AnsiString FLoginEngineName;
    vcl::AnsiString FServerParams;
    TAsaServerType FServerType = stServer;
    TAsaTransIsolation FTransIsolation = atUnchanged;
    bool FWantRowCounts = true;

    TBackupEvent FOnBackup;
    vcl::TNotifyEvent FOnConnectionDropped;
    vcl::TNotifyEvent FOnServerFinish;
    vcl::TNotifyEvent FOnServerStart;
    TLocateServersEvent FOnLocateServers;
    TServerMessageEvent FOnServerMessage;
    TServerWaitEvent FOnServerWait;

    // Registered callback entries (from a successful connect to the next disconnect), else null.
    TCallbackInstance* FStartInstance = nullptr;
    TCallbackInstance* FFinishInstance = nullptr;
    TCallbackInstance* FWaitInstance = nullptr;
    TCallbackInstance* FMessageInstance = nullptr;
    TCallbackInstance* FDroppedInstance = nullptr;
};

} // namespace tnx
