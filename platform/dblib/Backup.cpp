// Online backup (see Backup.h).
#include "platform/dblib/Backup.h"

#include "platform/dblib/Connection.h"
#include "platform/dblib/Convert.h"
#include "platform/dblib/Engine.h"
#include "platform/dblib/ErrorMap.h"
#include "platform/dblib/Errors.h"
#include "platform/dblib/StmtHandle.h"
#include "platform/dblib/Text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tnxdb {

namespace {

// How long the rename waits for other connections' transactions before giving up with -242.
constexpr int kRenameWaitMs = 200;
// Pages the snapshot copies between two looks at the request's wait callback and cancel.
constexpr int kCopyChunkPages = 256;

uint32_t Be32(const unsigned char* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}
uint32_t Le32(const unsigned char* p) {
    return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | uint32_t{p[0]};
}

// The log's running checksum over n bytes (n a multiple of 8), words read in the byte order the
// log's magic number names.
void LogChecksum(const unsigned char* p, size_t n, bool bigEndian, uint32_t& s0, uint32_t& s1) {
    for (size_t i = 0; i + 8 <= n; i += 8) {
        uint32_t x0 = bigEndian ? Be32(p + i) : Le32(p + i);
        uint32_t x1 = bigEndian ? Be32(p + i + 4) : Le32(p + i + 4);
        s0 += x0 + s1;
        s1 += x1 + s0;
    }
}

// A file name as sqlerrmc carries it: the full path when it fits, else the file name.
std::string ReportedName(const std::string& path) {
    return path.size() < sizeof(sqlca{}.sqlerrmc) ? path : FileNamePart(path);
}

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Whether the connection holds a transaction or a reading cursor of its own.
bool HoldsTransaction(sqlite3* h) {
    if (!sqlite3_get_autocommit(h)) return true;
    for (sqlite3_stmt* s = sqlite3_next_stmt(h, nullptr); s; s = sqlite3_next_stmt(h, s))
        if (sqlite3_stmt_busy(s)) return true;
    return false;
}

// Makes a temporary file for the snapshot: beside the database when its folder is writable (the
// snapshot is as large as the database), else in the temporary folder. Returns its path.
std::string MakeTempFile(const std::string& dbPath) {
    std::string dir = dbPath.substr(0, dbPath.find_last_of('/') + 1);
    const char* tmp = std::getenv("TMPDIR");
    for (std::string base : {dir, std::string(tmp && *tmp ? tmp : "/tmp") + "/"}) {
        std::string pattern = base + "." + FileNamePart(dbPath) + ".backup-XXXXXX";
        int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd >= 0) {
            ::close(fd);
            return pattern;
        }
    }
    throw DbError(DBLIB_E_IO, "no temporary file for the backup snapshot");
}

} // namespace

size_t ValidLogLength(const unsigned char* p, size_t n, uint32_t pageSize) {
    constexpr size_t kHeader = 32, kFrameHeader = 24;
    if (n < kHeader || pageSize == 0) return 0;
    uint32_t magic = Be32(p);
    if ((magic & 0xFFFFFFFEu) != 0x377f0682u) return 0;
    bool bigEndian = (magic & 1) != 0;
    if (Be32(p + 4) != 3007000u || Be32(p + 8) != pageSize) return 0;
    uint32_t s0 = 0, s1 = 0;
    LogChecksum(p, 24, bigEndian, s0, s1);
    if (s0 != Be32(p + 24) || s1 != Be32(p + 28)) return 0;
    uint32_t salt1 = Be32(p + 16), salt2 = Be32(p + 20);
    size_t valid = kHeader;
    size_t frame = kFrameHeader + pageSize;
    for (size_t off = kHeader; off + frame <= n; off += frame) {
        const unsigned char* f = p + off;
        if (Be32(f + 8) != salt1 || Be32(f + 12) != salt2) break;
        LogChecksum(f, 8, bigEndian, s0, s1);
        LogChecksum(f + kFrameHeader, pageSize, bigEndian, s0, s1);
        if (s0 != Be32(f + 16) || s1 != Be32(f + 20)) break;
        if (Be32(f + 4) != 0) valid = off + frame; // a commit frame ends a transaction
    }
    return valid;
}

BackupSession::BackupSession(Connection& c) {
    Database& db = c.GetDatabase();
    if (db.Utility) throw DbError(DBLIB_E_BAD_ARGUMENT, "utility_db has no files to back up");
    if (!c.IsDba()) throw DbError(DBLIB_E_PERMISSION, "DBA authority is required to back up a database");
    FPath = db.Path;
    FName = db.Name;
    std::string temp;
    sqlite3* dest = nullptr;
    try {
        FSource = OpenEngineHandle(FPath, db.ReadOnly);
        sqlite3_busy_timeout(FSource, 5000);
        // The snapshot: one read transaction, begun now and held until the log to be renamed is
        // opened (see Backup.h for why the log needs it).
        ExecOrThrow(FSource, "BEGIN");
        FSnapshotHeld = true;
        StmtHandle pageSize;
        int rc = PrepareStmt(FSource, "PRAGMA page_size", -1, 0, pageSize);
        if (rc == SQLITE_OK && pageSize && sqlite3_step(pageSize.get()) == SQLITE_ROW)
            FPageSize = sqlite3_column_int(pageSize.get(), 0);
        pageSize.reset();
        ExecOrThrow(FSource, "SELECT count(*) FROM sqlite_schema");
        if (FPageSize <= 0 || sqlite3_txn_state(FSource, "main") != SQLITE_TXN_READ)
            throw DbError(DBLIB_E_IO, "the database cannot be read for the backup");

        temp = MakeTempFile(FPath);
        if (sqlite3_open_v2(temp.c_str(), &dest, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
            SQLITE_OK)
            throw DbError(DBLIB_E_IO, "the backup snapshot cannot be written");
        ExecOrThrow(dest, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF");
        // The engine's backup reads inside the transaction the source already holds, so the
        // chunks all come from the snapshot; between them the request may wait or be cancelled.
        sqlite3_backup* b = sqlite3_backup_init(dest, "main", FSource, "main");
        if (!b) throw DbError(DBLIB_E_IO, sqlite3_errmsg(dest));
        do {
            try {
                c.CheckProgress();
            } catch (...) {
                sqlite3_backup_finish(b);
                throw;
            }
            rc = sqlite3_backup_step(b, kCopyChunkPages);
        } while (rc == SQLITE_OK);
        sqlite3_backup_finish(b);
        if (rc != SQLITE_DONE) throw DbError(DBLIB_E_IO, sqlite3_errstr(rc));
        sqlite3_close_v2(dest);
        dest = nullptr;
        FSnapshotFd = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
        ::unlink(temp.c_str());
        temp.clear();
        struct stat st {};
        if (FSnapshotFd < 0 || ::fstat(FSnapshotFd, &st) != 0 || st.st_size % FPageSize != 0)
            throw DbError(DBLIB_E_IO, "the backup snapshot cannot be read");
        FSnapshotPages = static_cast<uint32_t>(st.st_size / FPageSize);
        FPage.resize(static_cast<size_t>(FPageSize));
    } catch (...) {
        if (dest) sqlite3_close_v2(dest);
        if (!temp.empty()) ::unlink(temp.c_str());
        CloseFd(FSnapshotFd);
        sqlite3_close_v2(FSource);
        throw;
    }
}

BackupSession::~BackupSession() {
    CloseFd(FSnapshotFd);
    sqlite3_close_v2(FSource); // ends the snapshot's read transaction, if still held
}

void BackupSession::EndSnapshot() {
    if (!FSnapshotHeld) return;
    FSnapshotHeld = false;
    sqlite3_exec(FSource, "COMMIT", nullptr, nullptr, nullptr);
    CloseFd(FSnapshotFd);
}

void BackupSession::CopyLog() {
    FLog.clear();
    std::string wal = FPath + "-wal";
    int fd = ::open(wal.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return; // no log yet: it is empty
        throw DbError(DBLIB_E_IO, FileNamePart(wal) + " cannot be read");
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0) {
        FLog.resize(static_cast<size_t>(st.st_size));
        size_t got = 0;
        while (got < FLog.size()) {
            ssize_t r = ::pread(fd, FLog.data() + got, FLog.size() - got, static_cast<off_t>(got));
            if (r <= 0) break;
            got += static_cast<size_t>(r);
        }
        FLog.resize(got);
    }
    ::close(fd);
    // Frames appended while we read, or left over from an earlier round of the log, fail the
    // checks and are cut off: the copy is always a log that ends with a complete transaction.
    FLog.resize(ValidLogLength(FLog.data(), FLog.size(), static_cast<uint32_t>(FPageSize)));
}

uint32_t BackupSession::PageCount() const {
    if (FOpen == 0) return FSnapshotPages;
    return static_cast<uint32_t>((FLog.size() + static_cast<size_t>(FPageSize) - 1) /
                                 static_cast<size_t>(FPageSize));
}

uint32_t BackupSession::Open(int file, std::string& name) {
    FOpen = kNone;
    FLog.clear();
    if (file == 0) {
        if (!FSnapshotHeld)
            throw DbError(DBLIB_E_BAD_ARGUMENT, "the database file is read before the log to be renamed");
        name = ReportedName(FPath);
    } else if (file >= 1 && file <= 12) {
        throw DbError(DBLIB_E_DB_NOT_FOUND, FName + " has no database file " + std::to_string(file));
    } else if (file == -1 || file == -2) {
        CopyLog();
        if (file == -2) EndSnapshot();
        std::string dir = FPath.substr(0, FPath.find_last_of('/') + 1);
        name = ReportedName(dir + FilePrefix(FPath) + ".log");
    } else {
        throw DbError(DBLIB_E_BAD_ARGUMENT, "backup file number " + std::to_string(file));
    }
    FOpen = file;
    return PageCount();
}

void BackupSession::RenameLog(Connection& c) {
    if (HoldsTransaction(c.Handle()))
        throw DbError(DBLIB_E_RUNTIME,
                      "the log cannot be renamed while this connection has a transaction or cursor open");
    sqlite3_busy_timeout(FSource, kRenameWaitMs);
    int rc = sqlite3_wal_checkpoint_v2(FSource, "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
        throw DbError(DBLIB_E_LOG_NOT_RENAMED, FName);
    if (rc != SQLITE_OK) throw EngineError(FSource, rc);
}

void BackupSession::Read(Connection& c, int file, unsigned long page, sqlda* da, sqlca* ca, bool rename) {
    if (file != FOpen)
        throw DbError(DBLIB_E_BAD_ARGUMENT, "backup file " + std::to_string(file) + " is not open");
    if (rename && file != -2)
        throw DbError(DBLIB_E_BAD_ARGUMENT, "operation 6 reads only the log to be renamed");
    if (!da || da->sqld < 1 || da->sqld > da->sqln)
        throw DbError(DBLIB_E_BAD_SQLDA, "one variable is needed");
    uint32_t count = PageCount();
    if (page >= count)
        throw DbError(DBLIB_E_BAD_ARGUMENT,
                      "page " + std::to_string(page) + " of backup file " + std::to_string(file));
    if (rename && page + 1 == count) RenameLog(c);
    const char* bytes;
    size_t n;
    size_t size = static_cast<size_t>(FPageSize);
    if (file == 0) {
        ssize_t r = ::pread(FSnapshotFd, FPage.data(), size, static_cast<off_t>(page * size));
        if (r != static_cast<ssize_t>(size))
            throw DbError(DBLIB_E_IO, "page " + std::to_string(page) + " of the snapshot");
        bytes = FPage.data();
        n = size;
    } else {
        size_t off = page * size;
        bytes = reinterpret_cast<const char*>(FLog.data()) + off;
        n = FLog.size() - off < size ? FLog.size() - off : size;
    }
    sqlvar& var = da->sqlvar[0];
    if (StoreOutput(Value::MakeBlob(bytes, n), var, &c.Variables())) {
        SetTruncationWarning(ca);
        if (!var.sqlind) WriteSqlca(ca, DBLIB_W_TRUNCATED, {}, {});
    }
}

void BackupSession::Close(int file) {
    if (file != FOpen)
        throw DbError(DBLIB_E_BAD_ARGUMENT, "backup file " + std::to_string(file) + " is not open");
    FOpen = kNone;
    FLog.clear();
    FLog.shrink_to_fit();
}

void RunBackup(Connection& c, int op, int file, unsigned long page, sqlda* da, sqlca* ca) {
    std::unique_ptr<BackupSession>& session = c.Backup();
    if (op == 1) {
        session.reset();
        session = std::make_unique<BackupSession>(c);
        ca->sqlerrd[2] = session->PageSize();
        return;
    }
    if (op < 2 || op > 6) throw DbError(DBLIB_E_BAD_ARGUMENT, "backup operation " + std::to_string(op));
    if (!session) throw DbError(DBLIB_E_BAD_ARGUMENT, "no backup in progress");
    switch (op) {
    case 2: {
        std::string name;
        uint32_t pages = session->Open(file, name);
        ca->sqlerrd[2] = static_cast<int32_t>(pages);
        WriteSqlca(ca, 0, name, {});
        return;
    }
    case 3:
        session->Read(c, file, page, da, ca, false);
        return;
    case 6:
        session->Read(c, file, page, da, ca, true);
        return;
    case 4:
        session->Close(file);
        return;
    case 5:
        session.reset();
        return;
    }
}

} // namespace tnxdb
