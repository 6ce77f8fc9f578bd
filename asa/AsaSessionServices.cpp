// TAsaSession: error checking and the services built around it - commit and rollback, options,
// connection information, ping, cancel and online backup (see AsaSession.h).
#include "asa/AsaConsts.h"
#include "asa/AsaSession.h"
#include "asa/AsaSqlda.h"

#include "base/TnxConsts.h"
#include "platform/vcl/Format.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/VclConsts.h"
#include "platform/win/Process.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace tnx {

using vcl::AnsiString;

namespace {

// Text of a fixed-size character field that may lack its NUL.
AnsiString FieldText(const char* field, std::size_t size) {
    return AnsiString(field, strnlen(field, size));
}

// An SQLDA from the library for a session service; an allocation that fails is the session's
// error, raised through it like the library's own.
TAsaSqlda ServiceSqlda(TAsaSession& session, unsigned count) {
    TAsaSqlda da = TAsaSqlda::TryAllocate(count);
    if (!da) session.RaiseLastError<EAsaException>(vcl::LoadResString(vcl::SOutOfMemory), 0);
    return da;
}

} // namespace

// --- Check --------------------------------------------------------------------------------------

bool TAsaSession::Check(void* /*Handle*/, int32_t /*Code*/, int32_t /*Extra*/, bool RaiseOnError) {
    const int32_t code = FSqlca.sqlcode;
    FLastErrorCode = code;
    FLastError.clear();
    if (code == 0) return true;

    char text[512] = {};
    if (AsaLibrary.Procs.sqlerror_message != nullptr)
        AsaLibrary.Procs.sqlerror_message(&FSqlca, text, sizeof(text));
    text[sizeof(text) - 1] = '\0';
    TranslateChar(text, text, static_cast<int32_t>(std::strlen(text)), false);
    const AnsiString state = FieldText(FSqlca.sqlstate, sizeof(FSqlca.sqlstate));

    if (code > 0) {
        FLastError = vcl::Format("Warning: %s (%s)", {text, state});
        return false;
    }
    FLastError = vcl::Format("Error %d: %s (%s)", {code, text, state});
    FLastErrorCode = code;
    if (FOnError) FOnError(this);
    // The connection is gone: end the session's side of it too. Not while a disconnect is already
    // running (its own calls may see the same code).
    if ((code == DBLIB_E_NOT_CONNECTED || code == DBLIB_E_CONNECTION_ENDED) && FConnected &&
        !FDisconnecting) {
        {
            TFlagScope lost(FConnectionLost);
            SetConnected(false);
        }
        if (FOnConnectionTerminated) FOnConnectionTerminated(this);
        FLastError = vcl::Format("Error %d: %s", {code, text});
        FLastErrorCode = code;
    }
    if (RaiseOnError) RaiseLastError<EAsaException>(FLastError, FLastErrorCode);
    return false;
}

// --- Transactions -------------------------------------------------------------------------------

bool TAsaSession::InternalCommit() {
    InternalLibraryHandleNeeded();
    Dbpp(AsaLibrary.Procs.dbpp_commit, 0u);
    return Check(FWantExceptions);
}

bool TAsaSession::InternalRollback() {
    InternalLibraryHandleNeeded();
    Dbpp(AsaLibrary.Procs.dbpp_rollback, 0u);
    return Check(FWantExceptions);
}

// --- Cancel -------------------------------------------------------------------------------------

bool TAsaSession::Stop() {
    InternalLibraryHandleNeeded();
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    if (procs.db_is_working(&FSqlca) != 1) return true;
    // The SQLCA, LastError and the events belong to the request that is running (on another
    // thread, or below this call in a server callback): that request reports the cancel itself
    // (-299) through its own Check. Here only the delivery of the cancel is judged.
    return procs.db_cancel_request(&FSqlca) != 0;
}

// --- Options ------------------------------------------------------------------------------------

bool TAsaSession::GetOption(const char* Name, AnsiString& Value) {
    Value.clear();
    InternalLibraryHandleNeeded();
    TAsaSqlda da = ServiceSqlda(*this, 1);
    char buffer[31] = {};
    da->sqld = da->sqln;
    da.Var(0).sqltype = DBLIB_T_STRING;
    da.Var(0).sqllen = 30;
    da.Var(0).sqldata = buffer;
    Dbpp(AsaLibrary.Procs.dbpp_getoption, 0, nullptr, const_cast<char*>(Name), da.Get());
    const bool ok = Check(FWantExceptions);
    if (ok) Value = FieldText(buffer, sizeof(buffer));
    return ok;
}

bool TAsaSession::SetOption(const char* Name, const char* Value) {
    InternalLibraryHandleNeeded();
    TAsaSqlda da = ServiceSqlda(*this, 1);
    AnsiString value = Value ? Value : "";
    da->sqld = da->sqln;
    da.Var(0).sqltype = DBLIB_T_STRING;
    da.Var(0).sqllen = static_cast<int16_t>(std::min<std::size_t>(value.size() + 1, 32767));
    da.Var(0).sqldata = value.data();
    Dbpp(AsaLibrary.Procs.dbpp_setoption, 1, nullptr, const_cast<char*>(Name), da.Get());
    return Check(FWantExceptions);
}

void TAsaSession::SetTransIsolation(TAsaTransIsolation Value) {
    static const char* const Levels[] = {"", "0", "1", "2", "3"};
    // Sent only to a connection: while disconnected the value is kept and the connect sequence
    // sends it (a library call without a connection could only fail, and would lose the value).
    if (!IsReading() && Value != atUnchanged && FConnected) SetOption("isolation_level", Levels[Value]);
    FTransIsolation = Value;
}

void TAsaSession::SetWantRowCounts(bool Value) {
    if (!IsReading() && FConnected) {
        const char* wanted = Value ? "ON" : "OFF";
        AnsiString current;
        if (GetOption("row_counts", current) && current != wanted) SetOption("row_counts", wanted);
    }
    FWantRowCounts = Value;
}

// --- Connection information and ping ------------------------------------------------------------

bool TAsaSession::GetConnectionInfo(TAsaConnectionInfo Info, AnsiString& Value) {
    Value.clear();
    InternalLibraryHandleNeeded();
    TAsaSqlda da = ServiceSqlda(*this, 1);
    std::vector<char> buffer(32767, '\0');
    da->sqld = da->sqln;
    da.Var(0).sqltype = DBLIB_T_STRING;
    da.Var(0).sqllen = 32767;
    da.Var(0).sqldata = buffer.data();
    if (AsaLibrary.Procs.db_connection_info(&FSqlca, static_cast<int>(Info) + 1, da.Get()) == 1)
        Value = FieldText(buffer.data(), buffer.size());
    return Check(FWantExceptions);
}

bool TAsaSession::Ping(const char* Params) {
    InternalLibraryHandleNeeded();
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    AnsiString text = Params ? Params : "";
    if (procs.db_string_ping_server != nullptr) {
        procs.db_string_ping_server(&FSqlca, text.data(), 0);
    } else {
        // Without a ping, look the engine up by the name the text gives ("eng=", any letter case).
        AnsiString name = text;
        const std::size_t at = vcl::LowerCase(text).find("eng=");
        if (at != AnsiString::npos) {
            name = text.substr(at + 4);
            const std::size_t end = name.find(';');
            if (end != AnsiString::npos) name.erase(end);
        }
        procs.db_find_engine(&FSqlca, name.data());
    }
    return Check(FWantExceptions);
}

// --- Backup -------------------------------------------------------------------------------------

namespace {

bool WriteAll(int fd, const uint8_t* data, std::size_t size) {
    if (fd < 0) return false;
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The folder part of a path ("." for a bare name).
AnsiString FolderOf(const AnsiString& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == AnsiString::npos) return ".";
    return slash == 0 ? AnsiString("/") : path.substr(0, slash);
}

// A backup copy being written. The bytes go to a new file beside the target (same folder, so the
// final rename stays on one file system), created for the owner only; Commit syncs it, renames it
// over the target and syncs the folder, so the target is either the previous copy or the complete
// new one, also after a crash. Destroyed without Commit, the new file is removed and the previous
// copy stays as it was.
class TBackupTarget {
public:
    explicit TBackupTarget(const AnsiString& name) : FName(name), FTemp(name + ".XXXXXX") {
        FFd = ::mkostemp(FTemp.data(), O_CLOEXEC);
        if (FFd < 0) FTemp.clear();
    }
    ~TBackupTarget() {
        Close();
        if (!FTemp.empty()) ::unlink(FTemp.c_str());
    }
    TBackupTarget(const TBackupTarget&) = delete;
    TBackupTarget& operator=(const TBackupTarget&) = delete;
    // A target that could not be created fails its first write (and its Commit).
    bool Write(const uint8_t* data, std::size_t size) { return WriteAll(FFd, data, size); }
    bool Commit() {
        if (FFd < 0 || ::fsync(FFd) != 0) return false;
        const int fd = FFd;
        FFd = -1;
        if (::close(fd) != 0 || ::rename(FTemp.c_str(), FName.c_str()) != 0) return false;
        FTemp.clear();
        const int folder = ::open(FolderOf(FName).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0) return false;
        const bool synced = ::fsync(folder) == 0;
        ::close(folder);
        return synced;
    }
    void Close() {
        if (FFd >= 0) ::close(FFd);
        FFd = -1;
    }

private:
    AnsiString FName;
    AnsiString FTemp; // the new file's name while it exists
    int FFd = -1;
};

} // namespace

bool TAsaSession::Backup(AnsiString Directory, TBackupType BackupType) {
    InternalLibraryHandleNeeded();
    if (!Directory.empty() && Directory.back() != '/' && Directory.back() != '\\')
        Directory += vcl::PathDelim;
    TAsaEntryPoints& procs = AsaLibrary.Procs;

    procs.db_backup(&FSqlca, 1, 0, 0, nullptr);
    if (!Check(FWantExceptions)) return false;

    bool result = false;
    try {
        // One page, behind the 16-bit length of the binary type. A page that length cannot
        // describe would be delivered cut short and the copy silently damaged: refuse it.
        const int32_t pageSize = std::max<int32_t>(FSqlca.sqlerrd[2], 0);
        if (pageSize > 32765)
            RaiseLastError<EAsaException>(
                vcl::Format(vcl::LoadResString(ASA_ERR_BACKUP_PAGE_SIZE), {pageSize}), 0);
        const int32_t pageBytes = pageSize + 2;
        std::vector<uint8_t> page(static_cast<std::size_t>(pageBytes), 0);
        TAsaSqlda da = ServiceSqlda(*this, 1);
        da->sqld = 1;
        da.Var(0).sqltype = DBLIB_T_BINARY;
        da.Var(0).sqllen = static_cast<int16_t>(pageBytes);
        da.Var(0).sqldata = page.data();
        // The numbered files end at the first that does not open. A page that cannot be read ends
        // the whole backup: its error stays the session's last error, and the result is false.
        bool failed = false;
        for (int32_t file = 0; file <= 12 && !failed; ++file) {
            const TBackupFileResult copied = BackupFile(Directory, BackupType, file, da.Get(), page.data());
            if (copied == TBackupFileResult::NotOpened) break;
            failed = copied == TBackupFileResult::Failed;
            result = !failed;
        }
        if (result) {
            for (int32_t file : {-1, -2}) {
                if (BackupFile(Directory, BackupType, file, da.Get(), page.data()) != TBackupFileResult::Failed)
                    continue;
                result = false;
                break;
            }
        }
    } catch (...) {
        procs.db_backup(&FSqlca, 5, 0, 0, nullptr);
        throw;
    }
    procs.db_backup(&FSqlca, 5, 0, 0, nullptr);
    return result;
}

TAsaSession::TBackupFileResult TAsaSession::BackupFile(const AnsiString& Directory, TBackupType BackupType,
                                                       int32_t FileNumber, sqlda* Da, const uint8_t* Page) {
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    procs.db_backup(&FSqlca, 2, FileNumber, 0, nullptr);
    if (!Check(false)) return TBackupFileResult::NotOpened;

    const int32_t pages = FSqlca.sqlerrd[2];
    const AnsiString target =
        vcl::Trim(Directory + vcl::ExtractFileName(FieldText(FSqlca.sqlerrmc, sizeof(FSqlca.sqlerrmc))));
    int operation = 3;
    bool output = true;
    if (FileNumber == -2 && BackupType != btFull) {
        operation = 6; // read the log being renamed: renames it with its last page
        output = false;
    } else if (FileNumber >= -1 && FileNumber <= 12 && BackupType == btRenameLog) {
        output = false;
    }

    TBackupFileResult result = TBackupFileResult::Copied;
    try {
        std::unique_ptr<TBackupTarget> file;
        if (output) file = std::make_unique<TBackupTarget>(target);
        const auto pageSize = static_cast<std::size_t>(static_cast<uint16_t>(Da->sqlvar[0].sqllen));
        const auto mediaError = [&] {
            file.reset(); // removes what was written; a previous copy stays
            RaiseLastError<ECorvexException>(vcl::LoadResString(ASA_ERR_BACKUP_MEDIA), 0);
        };
        for (int32_t p = 0; p < pages; ++p) {
            for (;;) {
                procs.db_backup(&FSqlca, operation, FileNumber, static_cast<unsigned long>(p), Da);
                if (FSqlca.sqlcode != DBLIB_E_LOG_NOT_RENAMED) break;
                win::Sleep(1000); // the log cannot be renamed yet; try again in a moment
            }
            if (!Check(FWantExceptions)) {
                // A copy with a page missing is no copy: stop here, with this page's error.
                result = TBackupFileResult::Failed;
                break;
            }
            if (file) {
                uint16_t length = 0;
                std::memcpy(&length, Page, sizeof(length));
                const std::size_t bytes = std::min<std::size_t>(length, pageSize > 2 ? pageSize - 2 : 0);
                if (!file->Write(Page + 2, bytes)) mediaError();
            }
            if (FOnBackup) FOnBackup(this, target, pages, p + 1);
        }
        if (file && result == TBackupFileResult::Copied && !file->Commit()) mediaError();
    } catch (...) {
        procs.db_backup(&FSqlca, 4, FileNumber, 0, nullptr);
        throw;
    }
    procs.db_backup(&FSqlca, 4, FileNumber, 0, nullptr);
    return result;
}

} // namespace tnx
