// Online backup (db_backup): a connection with DBA authority reads its database's files page by
// page while other connections keep working.
//
// Files
//   0        the database file: a consistent snapshot taken at begin. Begin copies the database,
//            as its committed data stood at that moment, into a private unlinked file (through
//            the engine's own backup, inside one read transaction); the pages served are those of
//            the copy, so the pages written out form a database that, opened afresh, holds exactly
//            that data, whatever is committed meanwhile. Begin thus takes time and temporary space
//            in proportion to the database; it fires the wait callback and can be cancelled.
//   1..12    further database files: databases here are one file, so opening them fails (-83).
//   -1       the transaction log. A database's transaction log is its write-ahead log: every
//            commit appends to it, and a checkpoint moves its contents into the database file.
//            Opening it copies the log as it stands (its header and every frame up to the last
//            complete transaction; torn or stale frames are left out), while the snapshot of
//            begin is still held, so the log continues that snapshot: saved beside a copy of file
//            0 under the name "<copy>-wal", it brings that copy forward to the moment the log was
//            opened. Its name in sqlerrmc is "<database prefix>.log" (deliberately not the
//            write-ahead log's own name, so that the copies of 0 and -1 written side by side stay
//            the snapshot of begin until someone renames the log).
//   -2       the log to be renamed: the same log, copied when opened; opening it also ends the
//            snapshot of begin (file 0 cannot be read afterwards). Reading its last page with
//            operation 6 renames the log: everything in it is checkpointed into the database file
//            and the log starts empty. That needs a moment when no other connection has a
//            transaction in progress or a cursor reading; until then the read fails with -242
//            (DBLIB_E_LOG_NOT_RENAMED) and may be repeated. Work committed after the log was
//            copied is renamed with it (it is then in the database file, not in the copy).
//            While the calling connection itself has a transaction or a cursor open the rename
//            fails with -300 instead, since waiting could never help.
// Pages are `page size` bytes (the database's page size, sqlerrd[2] of begin); a log's last page
// is short. Page P is delivered into variable 0 of the SQLDA (type 524: a 16-bit length, then the
// bytes).
// Operations: 1 begin (a backup already in progress on the connection is ended first), 2 open
// file N (sqlerrd[2] its page count, sqlerrmc its name: the full path when it fits in sqlerrmc,
// else the file name), 3 read page P of the open file, 6 the same for file -2 with the rename,
// 4 close, 5 end. One file is open at a time; opening another closes the first.
#pragma once

#include "platform/dblib/dblib.h"

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tnxdb {

class Connection;

class BackupSession {
public:
    // Operation 1. Throws DbError (-121 without DBA authority; -1008 on utility_db; -305 when the
    // snapshot cannot be written).
    explicit BackupSession(Connection& c);
    ~BackupSession();
    BackupSession(const BackupSession&) = delete;
    BackupSession& operator=(const BackupSession&) = delete;

    int PageSize() const { return FPageSize; }
    // Operation 2: returns the page count and sets name.
    uint32_t Open(int file, std::string& name);
    // Operations 3 and 6 (rename set).
    void Read(Connection& c, int file, unsigned long page, sqlda* da, sqlca* ca, bool rename);
    // Operation 4.
    void Close(int file);

private:
    static constexpr int kNone = -100; // no file open
    void EndSnapshot();
    void CopyLog();
    void RenameLog(Connection& c);
    uint32_t PageCount() const;

    std::string FPath;          // the database file
    std::string FName;          // the database's name (for messages)
    sqlite3* FSource = nullptr; // our own handle on the database; holds the snapshot's read
                                // transaction from begin until the log to be renamed is opened
    bool FSnapshotHeld = false;
    int FSnapshotFd = -1; // the unlinked copy of the database as of begin
    uint32_t FSnapshotPages = 0;
    int FPageSize = 0;
    int FOpen = kNone;               // the open file's number
    std::vector<unsigned char> FLog; // the copied log, while file -1 or -2 is open
    std::vector<char> FPage;         // one page of file 0, read from the snapshot
};

// Runs one db_backup operation on the connection (see above). Throws DbError.
void RunBackup(Connection& c, int op, int file, unsigned long page, sqlda* da, sqlca* ca);

// The length of the valid part of a write-ahead log image: its header and every frame up to the
// last one that ends a transaction, with salts and checksums verified; 0 when the header is not a
// valid log header for that page size.
size_t ValidLogLength(const unsigned char* data, size_t size, uint32_t pageSize);

} // namespace tnxdb
