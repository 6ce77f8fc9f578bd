// TCorvexSession: the database-neutral connection component every driver session derives from.
//
// It holds what all drivers share (connection settings, the statements attached to the session,
// the last error, the user-transaction flag, ANSI/OEM text conversion) and fixes the order in which
// the driver's steps run: loading the client library once per driver class (reference counted),
// connecting through the virtual SetConnected, transactions, error raising. The driver supplies the
// library work, the connection and the error check by overriding the virtual steps below, which are
// declared in their slot order.
//
// Guarantees:
//  - The library of a driver class is loaded (InternalLoadLibrary + InternalLoadProcs) when the
//    class-wide count goes from 0 to 1 and unloaded when the last session holding it is destroyed;
//    a failed load leaves the count and LibraryLoaded unchanged and nothing loaded.
//  - Destruction runs in the Destroy step (platform/vcl/Object.h), while the object is whole, so
//    SetConnected(false), SetLibraryLoaded(false) and InternalUnLoadLibrary reach the driver's
//    overrides. The step never raises: a driver step that fails there is recorded in LastError and
//    destruction goes on, so the library reference is released and the statements are detached on
//    every path.
//  - Every raise of the base (and, by convention, of drivers and statements) goes through
//    RaiseLastError, so LastError/LastErrorCode describe the last failure.
//  - A statement is never owned by its session: destroying a session leaves its statements alive,
//    with no session.
//
// Writing a driver session:
//
//     class TMySession : public tnx::TCorvexSession {
//         VCL_CLASS(TMySession, tnx::TCorvexSession)
//     public:
//         explicit TMySession(vcl::TComponent* owner);
//         void SetConnected(bool value) override;   // do the work, then inherited::SetConnected(value)
//         ...                                       // every pure virtual step below
//     protected:
//         ~TMySession() override;
//     };
//     // .cpp: VCL_CLASS_INFO(TMySession, [](vcl::TPublisher<TMySession>& p) {
//     //     p.Property("Connected", &TMySession::GetConnected, &TMySession::SetConnected); ... })
//
// The base publishes nothing: the driver session publishes the properties it offers, through the
// getters and setters below (for events, the Get/Set pairs or the F* fields).
#pragma once

#include "base/CorvexException.h"
#include "platform/vcl/Component.h"
#include "platform/vcl/Events.h"

#include <cstdint>
#include <vector>

namespace tnx {

class TCorvexSQL;

class TCorvexSession : public vcl::TComponent {
    VCL_CLASS(TCorvexSession, vcl::TComponent)
public:
    // Framework construction, then the initial values: everything false, empty or 0.
    explicit TCorvexSession(vcl::TComponent* owner);

    // --- Virtual steps, in slot order -----------------------------------------------------------
    // 1, 2: the class-wide count of sessions holding the driver's library. The base keeps none
    // (returns 0, stores nothing); a driver keeps one count for all its instances (a static).
    virtual int32_t GetLibraryReferenceCount();
    virtual void SetLibraryReferenceCount(int32_t Count);
    // 3: makes sure this session holds a reference on the driver's library, loading it when no
    // session of the class does. Called by every driver operation that needs the library.
    virtual void InternalLibraryHandleNeeded();
    // 4: load the library file (LibraryFile, searching LibraryPath), set FLibraryDirectory; raise
    // through RaiseLastError on failure.
    virtual void InternalLoadLibrary() = 0;
    // 5: unbind the entry points (InternalUnloadLoadProcs), release the library, clear
    // FLibraryDirectory.
    virtual void InternalUnLoadLibrary() = 0;
    // 6: bind every entry point by name.
    virtual void InternalLoadProcs() = 0;
    // 7: clear every bound entry point.
    virtual void InternalUnloadLoadProcs() = 0;
    // 8: connect or disconnect. Drivers do the work first and call this base version last, so the
    // flag changes only after the work succeeded. The base stores Value in Connected, or in
    // StreamedConnected while the component is being read from a form; a change of the connected
    // state ends a user transaction (InTransaction false).
    virtual void SetConnected(bool Value);
    // 9: stores LibraryLoaded. Drivers call the base first, then initialise (true) or finalise
    // (false) their per-session library state.
    virtual void SetLibraryLoaded(bool Value);
    // 10: inspect the database's last status, record it in FLastError/FLastErrorCode, raise through
    // RaiseLastError when RaiseOnError is set and the status is an error; true when no error. The
    // first three arguments are reserved for drivers: every caller passes nullptr, 0, 0.
    virtual bool Check(void* Handle, int32_t Code, int32_t Extra, bool RaiseOnError) = 0;
    // 11, 12: commit / roll back the current transaction, then Check with WantExceptions.
    virtual bool InternalCommit() = 0;
    virtual bool InternalRollback() = 0;
    // 13: run a statement directly; the base does nothing and returns false.
    virtual bool Execute(const vcl::AnsiString& SQL);
    // 14: whether a server answers (Params: NUL-terminated text); the base returns false.
    virtual bool Ping(const char* Params);
    // 15: cancel the request running on the connection, reporting through Check.
    virtual bool Stop() = 0;

    // --- Statements -----------------------------------------------------------------------------
    // Appends the statement and links it to this session (nothing else is notified); a statement
    // already in a list leaves it first. Statements call these from their SetSession; application
    // code sets the statement's Session instead.
    void AddQuery(TCorvexSQL* Query);
    // Unlinks the statement, then removes it from the list (a statement not in it is ignored).
    void RemoveQuery(TCorvexSQL* Query);
    // UnprepareOpen, then UnprepareExecute, on every attached statement in list order. Drivers
    // call it before disconnecting.
    void InternalCloseQueries();
    int32_t GetQueryCount() const { return static_cast<int32_t>(FQueries.size()); }
    TCorvexSQL* GetQuery(int32_t Index) const;

    // --- Transactions ---------------------------------------------------------------------------
    // Marks the start of a user transaction: raises "A user transaction is already in progress"
    // inside one; otherwise InternalCommit (ends pending work), then InTransaction := true.
    void StartTransaction();
    // InternalCommit / InternalRollback, then InTransaction := false (left set when they raise).
    bool Commit();
    bool Rollback();

    // --- Library --------------------------------------------------------------------------------
    // The product version of the loaded library file ("6.0.3.2345"; "0.0.0.0" without version
    // information); loads the library when needed.
    vcl::AnsiString GetLibraryVersion();

    // --- Errors ---------------------------------------------------------------------------------
    // Records Msg and Code as the last error, then raises a new instance of the class given as
    // CorvexExceptionClass<E>(), created with Msg, Code and 0.
    [[noreturn]] void RaiseLastError(TCorvexExceptionClass ExceptionClass, const vcl::AnsiString& Msg,
                                     int32_t Code);
    template <class E>
    [[noreturn]] void RaiseLastError(const vcl::AnsiString& Msg, int32_t Code) {
        RaiseLastError(CorvexExceptionClass<E>(), Msg, Code);
    }
    const vcl::AnsiString& GetLastError() const { return FLastError; }
    int32_t GetLastErrorCode() const { return FLastErrorCode; }

    // --- OEM text -------------------------------------------------------------------------------
    // With OEMConvert off: does nothing (Dest is left as it is). Otherwise converts Count characters
    // from Source into Dest (which may be Source itself): ANSI to OEM when ToOem, else OEM to ANSI.
    void TranslateChar(const char* Source, char* Dest, int32_t Count, bool ToOem) const;
    // Whether the two NUL-terminated texts are equal in their first MaxLen characters, ignoring
    // case; with OEMConvert on, both are first converted from OEM to ANSI. Never reads past a NUL
    // or past MaxLen characters of either text.
    bool TranslateLICompChar(const char* S1, const char* S2, uint32_t MaxLen) const;

    // --- Properties (the driver publishes the ones it offers) -----------------------------------
    bool GetAutoCommit() const { return FAutoCommit; }
    void SetAutoCommit(bool Value) { FAutoCommit = Value; }
    bool GetConnected() const { return FConnected; }
    const vcl::AnsiString& GetLibraryFile() const { return FLibraryFile; }
    void SetLibraryFile(const vcl::AnsiString& Value) { FLibraryFile = Value; }
    const vcl::AnsiString& GetLibraryPath() const { return FLibraryPath; }
    void SetLibraryPath(const vcl::AnsiString& Value) { FLibraryPath = Value; }
    const vcl::AnsiString& GetLoginDatabase() const { return FLoginDatabase; }
    void SetLoginDatabase(const vcl::AnsiString& Value) { FLoginDatabase = Value; }
    const vcl::AnsiString& GetLoginUser() const { return FLoginUser; }
    void SetLoginUser(const vcl::AnsiString& Value) { FLoginUser = Value; }
    const vcl::AnsiString& GetLoginPassword() const { return FLoginPassword; }
    void SetLoginPassword(const vcl::AnsiString& Value) { FLoginPassword = Value; }
    bool GetOEMConvert() const { return FOEMConvert; }
    void SetOEMConvert(bool Value) { FOEMConvert = Value; }
    bool GetWantExceptions() const { return FWantExceptions; }
    void SetWantExceptions(bool Value) { FWantExceptions = Value; }

    const vcl::TNotifyEvent& GetAfterConnect() const { return FAfterConnect; }
    void SetAfterConnect(vcl::TNotifyEvent Value) { FAfterConnect = std::move(Value); }
    const vcl::TNotifyEvent& GetBeforeConnect() const { return FBeforeConnect; }
    void SetBeforeConnect(vcl::TNotifyEvent Value) { FBeforeConnect = std::move(Value); }
    const vcl::TNotifyEvent& GetAfterDisconnect() const { return FAfterDisconnect; }
    void SetAfterDisconnect(vcl::TNotifyEvent Value) { FAfterDisconnect = std::move(Value); }
    const vcl::TNotifyEvent& GetBeforeDisconnect() const { return FBeforeDisconnect; }
    void SetBeforeDisconnect(vcl::TNotifyEvent Value) { FBeforeDisconnect = std::move(Value); }
    const vcl::TNotifyEvent& GetOnError() const { return FOnError; }
    void SetOnError(vcl::TNotifyEvent Value) { FOnError = std::move(Value); }
    const vcl::TNotifyEvent& GetOnConnectionTerminated() const { return FOnConnectionTerminated; }
    void SetOnConnectionTerminated(vcl::TNotifyEvent Value) { FOnConnectionTerminated = std::move(Value); }

    // --- State ----------------------------------------------------------------------------------
    bool GetInTransaction() const { return FInTransaction; }
    bool GetStreamedConnected() const { return FStreamedConnected; }
    bool GetLibraryLoaded() const { return FLibraryLoaded; }
    const vcl::AnsiString& GetLibraryDirectory() const { return FLibraryDirectory; }

protected:
    ~TCorvexSession() override;
    // Disconnect (through the virtual SetConnected), release the library reference (unloading it
    // with the last one), detach the statements, then framework destruction.
    void Destroy() override;
    // Framework Loaded, then applies StreamedConnected. A failing connect shows a message box at
    // design time (loading goes on, disconnected) and is re-raised to the loader at run time.
    void Loaded() override;

    bool IsReading() const { return GetComponentState().Contains(vcl::csReading); }
    bool IsDesigning() const { return GetComponentState().Contains(vcl::csDesigning); }
    bool IsDestroying() const { return GetComponentState().Contains(vcl::csDestroying); }

    // Statements whose Session is this session, in the order they were attached (not owned).
    std::vector<TCorvexSQL*> FQueries;
    bool FAutoCommit = false;
    bool FInTransaction = false; // a user transaction started with StartTransaction is running
    bool FConnected = false;
    vcl::AnsiString FLibraryFile;
    vcl::AnsiString FLibraryPath;
    vcl::AnsiString FLoginDatabase;
    vcl::AnsiString FLoginUser;
    vcl::AnsiString FLoginPassword;
    bool FOEMConvert = false;
    // Connected as read from a form file; applied by Loaded once the whole form is read.
    bool FStreamedConnected = false;
    // The last error raised or recorded, and its code (0 for errors the classes find themselves).
    // Drivers' Check writes both.
    vcl::AnsiString FLastError;
    int32_t FLastErrorCode = 0;
    vcl::TNotifyEvent FAfterConnect;
    vcl::TNotifyEvent FBeforeConnect;
    vcl::TNotifyEvent FAfterDisconnect;
    vcl::TNotifyEvent FBeforeDisconnect;
    vcl::TNotifyEvent FOnError;
    vcl::TNotifyEvent FOnConnectionTerminated;
    // This session holds one reference on the driver's loaded library (counted class-wide).
    bool FLibraryLoaded = false;
    // Folder the driver found the library in, with a trailing delimiter, or empty; set by the
    // driver's InternalLoadLibrary and cleared by its InternalUnLoadLibrary.
    vcl::AnsiString FLibraryDirectory;
    bool FWantExceptions = false;
};

} // namespace tnx
