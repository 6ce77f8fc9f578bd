/*
 * dblib.h - the C interface of the embedded-SQL client library (libdblib7, libdblib6 and the test
 * builds of the older generations), shared by the library and by every program that loads it.
 *
 * The library is loaded at run time by file name and its entry points are bound by name, so this
 * header declares the records that cross the boundary, the codes, and one function-pointer type
 * per entry point (name##_fn for the generation-7 form, name##_legacy_fn for the form of the other
 * generations, where every dbpp_* call takes the legacy call descriptor right after the SQLCA).
 * It compiles as C11 and as C++.
 *
 * ---------------------------------------------------------------------------------------------
 * Generations
 *   libdblib7.so  generation 7: dbpp_* take the SQLCA first and no descriptor;
 *                 db_version_check(7) and (6) answer non-zero.
 *   libdblib6.so  generation 6: dbpp_* take the SQLCA, then the legacy call descriptor (below);
 *                 db_version_check(6) answers non-zero, (7) zero.
 *   libdblib5.so  test build: descriptor as generation 6 but with version values 4;
 *                 db_version_check exists and answers zero for 6 and 7.
 *   libdblib4.so  test build: descriptor with version values 4; exports neither
 *                 db_version_check, db_string_ping_server nor db_locate_servers.
 *   Every other entry point has the same signature in every build.
 *
 * Engines, databases, connections
 *   An engine is a named server living inside the process that loaded the library; it hosts
 *   databases, each an SQLite file started under a database name, plus the utility database
 *   "utility_db" (user DBA, password SQL; it holds no data and serves CREATE DATABASE). Engines
 *   and databases are shared by every SQLCA of the process. Engine, database, user and SQL
 *   variable names compare case-insensitively.
 *   An SQLCA is the handle of one client: db_init registers it, db_string_connect gives it one
 *   connection to one database, db_string_disconnect ends that connection, db_fini forgets the
 *   SQLCA (ending its connection, if any). An SQLCA never given to db_init gets -101 (no
 *   connection) from calls that need a connection and DBLIB_E_BAD_ARGUMENT from
 *   db_string_connect; a null SQLCA is ignored (zero result).
 *
 * Threads
 *   Engines and databases guard their own state; several threads may each use their own SQLCA at
 *   the same time. One SQLCA serves one thread at a time: a call made on an SQLCA while another
 *   call runs on it is refused with DBLIB_E_BUSY_CONNECTION, except db_cancel_request and
 *   db_is_working, which another thread may call to stop or observe the request running on it.
 *
 * Transactions and durability
 *   Transactions are chained: one begins implicitly with the first statement that changes data
 *   (or, at isolation levels 2 and 3, with the first statement at all) and ends at dbpp_commit or
 *   dbpp_rollback. Work not committed is rolled back at db_string_disconnect, at db_fini, when
 *   the engine ends the connection, and when a statement changing data is cancelled. Data definition (CREATE/ALTER/DROP of tables, views, indexes
 *   and triggers, GRANT, REVOKE) commits the transaction in progress before it runs and commits
 *   itself. CREATE VARIABLE, SET and DROP VARIABLE do not touch the transaction.
 *   Databases run with a write-ahead log and synchronous=FULL: a committed transaction survives
 *   the process being killed and also a power loss or operating-system crash (the log is synced
 *   at every commit). Readers never wait for writers; a writer waits for another writer's
 *   transaction as the options "blocking" and "blocking_timeout" say.
 *
 * Isolation
 *   isolation_level 0 and 1: a statement outside a transaction sees the latest committed data;
 *   inside a transaction (after its first change) the connection reads from the snapshot taken
 *   at that transaction's start plus its own changes. Levels 2 and 3: the snapshot is taken at
 *   the first statement of the transaction, so reads repeat. The level set is reported as set.
 *
 * Error reporting
 *   Every call sets sqlcode: 0 success, positive a warning, negative an error. sqlstate holds the
 *   five-character SQLSTATE, sqlerrmc the message's parameter text (tab-separated when there are
 *   several, cut to 69 characters) with its length in sqlerrml, and sqlerror_message the whole
 *   message. sqlerrd[2] is the call's count (rows affected, rows delivered, page count...); the
 *   other sqlerrd are 0. No message, no sqlerrmc and no call record ever contains a password.
 *   A call that fails changes nothing it was asked to change, apart from what its description
 *   says (for example the values already delivered into an output SQLDA).
 * ---------------------------------------------------------------------------------------------
 */
#ifndef TARNIX_PLATFORM_DBLIB_DBLIB_H
#define TARNIX_PLATFORM_DBLIB_DBLIB_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define DBLIB_STATIC_ASSERT(c, m) static_assert(c, m)
extern "C" {
#else
#define DBLIB_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif

/* ---------------------------------------------------------------------------------------------
 * Records
 * ------------------------------------------------------------------------------------------- */

/* The communication area: one per client. The library writes every field but sqlcaid and sqlcabc
 * on each call; db_init also sets sqlcaid to "SQLCA" and sqlcabc to 136. */
struct sqlca {
    unsigned char sqlcaid[8]; /* "SQLCA" */
    int32_t sqlcabc;          /* 136 */
    int32_t sqlcode;          /* 0 success, > 0 warning, < 0 error */
    int16_t sqlerrml;         /* length of the text in sqlerrmc */
    char sqlerrmc[70];        /* the message's parameters, NUL-terminated */
    char sqlerrp[8];          /* reserved, left alone */
    int32_t sqlerrd[6];       /* sqlerrd[2]: the count the call reports */
    char sqlwarn[8];          /* sqlwarn[0] 'W' when any warning flag is set; sqlwarn[1] 'W': a
                                 value was truncated; ' ' otherwise */
    char sqlstate[6];         /* five characters and a NUL */
};
DBLIB_STATIC_ASSERT(sizeof(struct sqlca) == 136, "sqlca is 136 bytes");
DBLIB_STATIC_ASSERT(offsetof(struct sqlca, sqlcode) == 12, "sqlca layout");
DBLIB_STATIC_ASSERT(offsetof(struct sqlca, sqlerrmc) == 18, "sqlca layout");
DBLIB_STATIC_ASSERT(offsetof(struct sqlca, sqlerrd) == 96, "sqlca layout");
DBLIB_STATIC_ASSERT(offsetof(struct sqlca, sqlwarn) == 120, "sqlca layout");
DBLIB_STATIC_ASSERT(offsetof(struct sqlca, sqlstate) == 128, "sqlca layout");

/* A variable's name: a 16-bit length, then up to 30 characters (not NUL-terminated when 30). */
struct sqlname {
    int16_t length;
    char data[30];
};
DBLIB_STATIC_ASSERT(sizeof(struct sqlname) == 32, "sqlname is 32 bytes");

/* One host variable. sqltype: a type code below, bit 0 set when the value may be NULL (the type
 * proper is sqltype & ~1). sqllen: the buffer length as each type code says. sqldata: the buffer
 * (null: an input is NULL, an output is not stored). sqlind: the indicator, or null:
 *   input   a negative value (-1) sends NULL; anything else sends the value.
 *   output  -1 the value is NULL; 0 complete; > 0 the value was truncated and this is its full
 *           length (in bytes; 32767 when it is longer than that).
 * A NULL output with no indicator is the error DBLIB_E_NO_INDICATOR; a truncated output with no
 * indicator sets the warning DBLIB_W_TRUNCATED. */
struct sqlvar {
    int16_t sqltype;
    int16_t sqllen;
    void *sqldata;
    int16_t *sqlind;
    struct sqlname sqlname;
};
DBLIB_STATIC_ASSERT(offsetof(struct sqlvar, sqldata) == 8, "sqlvar layout");
DBLIB_STATIC_ASSERT(offsetof(struct sqlvar, sqlname) == 24, "sqlvar layout");
DBLIB_STATIC_ASSERT(sizeof(struct sqlvar) == 56, "sqlvar is 56 bytes");

/* A descriptor area: sqln variables allocated, sqld in use. Calls that fill an SQLDA (describe)
 * set sqld to the number the statement has even when sqln is smaller, and fill only the first
 * sqln; calls that read or deliver values use the first sqld variables and refuse sqld < 0 or
 * sqld > sqln with DBLIB_E_BAD_SQLDA. */
struct sqlda {
    unsigned char sqldaid[8]; /* "SQLDA" */
    int32_t sqldabc;          /* bytes allocated for the whole area */
    int16_t sqln;
    int16_t sqld;
    struct sqlvar sqlvar[];
};
DBLIB_STATIC_ASSERT(sizeof(struct sqlda) == 16, "sqlda header is 16 bytes");
DBLIB_STATIC_ASSERT(offsetof(struct sqlda, sqlvar) == 16, "sqlda layout");

/* Type 390: the time-stamp record, 14 bytes, packed. Months count from 0 (January), days of the
 * week from 0 (Sunday), days of the year from 0. On input only year, month, day, hour, minute,
 * second and microsecond are read: a record whose year, month and day are all 0 is a time of day;
 * any other record must hold a valid date, and the time fields must be valid (hour < 24,
 * minute < 60, second < 60, microsecond < 1000000), else DBLIB_E_CONVERSION. On output every
 * field is written. */
#pragma pack(push, 2)
struct sqldatetime {
    uint16_t year;
    uint8_t month;
    uint8_t day_of_week;
    uint16_t day_of_year;
    uint8_t day;
    uint8_t hour;
    uint8_t minute;
    uint8_t second;
    int32_t microsecond;
};
#pragma pack(pop)
DBLIB_STATIC_ASSERT(sizeof(struct sqldatetime) == 14, "sqldatetime is 14 bytes");
DBLIB_STATIC_ASSERT(offsetof(struct sqldatetime, microsecond) == 10, "sqldatetime layout");

/* Types 456 and 528: a long value. sqllen is not used; array_len is the room in array (input:
 * not read), stored_len the bytes stored (input: the bytes sent), untrunc_len the value's full
 * length (output). */
struct dblib_longdata {
    uint32_t array_len;
    uint32_t stored_len;
    uint32_t untrunc_len;
    char array[];
};
DBLIB_STATIC_ASSERT(sizeof(struct dblib_longdata) == 12, "long data header is 12 bytes");

/* The legacy call descriptor that generations before 7 take after the SQLCA of every dbpp_* call.
 * The original record has 32-bit pointers at offsets 10, 14 and 18; on 64-bit the pointers are
 * native and naturally aligned, in the same order. The library reads the two version values and
 * requires both to equal its generation's value (6 for libdblib6, 4 for the older builds): a null
 * descriptor, one that cannot be read, or other values make the call fail with
 * DBLIB_E_DESCRIPTOR and do nothing else. The SQLCA-pointer field is not read: one descriptor
 * may serve every client of the process. */
struct dblib_call_descriptor {
    unsigned char reserved[10];   /* zero */
    void *sqlca_field;            /* address of a field holding an SQLCA address; not read */
    const uint16_t *version;      /* address of the first version value */
    const uint16_t *version2;     /* address of the second version value */
};
DBLIB_STATIC_ASSERT(offsetof(struct dblib_call_descriptor, sqlca_field) == 16, "descriptor layout");
DBLIB_STATIC_ASSERT(sizeof(struct dblib_call_descriptor) == 40, "descriptor is 40 bytes");

/* Server-address record that db_locate_servers hands to its callback: a 32-bit port type, a 32-bit
 * port number, then pointers to the server's name and its address (NUL-terminated). Native
 * pointers, same field order as the original 32-bit record. */
struct a_server_address {
    uint32_t port_type;
    uint32_t port_num;
    char *name;
    char *address;
};
DBLIB_STATIC_ASSERT(offsetof(struct a_server_address, name) == 8, "server address layout");

/* ---------------------------------------------------------------------------------------------
 * Type codes (sqltype with bit 0 cleared) and their buffer formats
 * ------------------------------------------------------------------------------------------- */
#define DBLIB_T_DATE 384        /* NUL-terminated text "YYYY-MM-DD" in sqllen bytes */
#define DBLIB_T_TIME 388        /* NUL-terminated text "HH:MM:SS[.ffffff]" in sqllen bytes */
#define DBLIB_T_TIMESTAMP_STRUCT 390 /* struct sqldatetime */
#define DBLIB_T_TIMESTAMP 392   /* NUL-terminated text "YYYY-MM-DD HH:MM:SS[.ffffff]" */
#define DBLIB_T_VARCHAR 448     /* 16-bit length, then the characters; sqllen counts both */
#define DBLIB_T_FIXCHAR 452     /* sqllen characters, padded with blanks, no NUL */
#define DBLIB_T_LONGVARCHAR 456 /* struct dblib_longdata */
#define DBLIB_T_STRING 460      /* NUL-terminated text; sqllen counts the NUL (input: the text
                                   ends at the first NUL within sqllen bytes; sqllen <= 0 reads
                                   to the NUL) */
#define DBLIB_T_DOUBLE 480      /* 64-bit IEEE double */
#define DBLIB_T_FLOAT 482       /* 32-bit IEEE float */
#define DBLIB_T_DECIMAL 484     /* packed decimal: sqllen's low byte the precision p (1..40),
                                   high byte the scale; p/2+1 bytes of big-endian BCD digits
                                   (two per byte, a leading 0 digit when p is even), the last
                                   half-byte the sign: 0xC positive, 0xD negative */
#define DBLIB_T_INT 496         /* 32-bit signed */
#define DBLIB_T_SMALLINT 500    /* 16-bit signed */
#define DBLIB_T_BINARY 524      /* 16-bit length, then the bytes; sqllen counts both */
#define DBLIB_T_LONGBINARY 528  /* struct dblib_longdata */
#define DBLIB_T_VARIABLE 600    /* sqldata: NUL-terminated name of an SQL variable of the
                                   connection. Input: the variable's value is sent. Output: the
                                   value is stored into the variable. */
#define DBLIB_T_TINYINT 604     /* 8-bit unsigned */
#define DBLIB_T_BIGINT 608      /* 64-bit signed */
#define DBLIB_T_UNSINT 612      /* 32-bit unsigned */
#define DBLIB_T_UNSSMALLINT 616 /* 16-bit unsigned */
#define DBLIB_T_UNSBIGINT 620   /* 64-bit unsigned (input values above 2^63-1 are out of range) */
#define DBLIB_T_BIT 624         /* one byte, 0 or 1 (input: non-zero is 1) */
#define DBLIB_T_NULLABLE 1      /* bit 0 of sqltype */

/* Conversions. Every code above converts in both directions to and from every stored value:
 *   numbers <-> numbers   integers exactly; a fraction going to an integer type is truncated
 *                         toward zero; a value outside the target's range is DBLIB_E_OUT_OF_RANGE;
 *   numbers <-> text      decimal text (shortest form that reads back as the same double);
 *                         text going to a number must hold one (blanks around it allowed), else
 *                         DBLIB_E_CONVERSION;
 *   bit                   only 0 and 1 (numbers or text); other values DBLIB_E_OUT_OF_RANGE;
 *   dates and times       stored as text in the formats above; text going to a date, time or
 *                         time stamp type must hold one ("YYYY-MM-DD", "HH:MM[:SS[.f...]]",
 *                         both with a blank or a 'T' between), else DBLIB_E_CONVERSION; a time
 *                         stamp delivered as a date keeps its date, as a time its time;
 *   binary                bytes pass unchanged to and from text and binary types.
 * Text and binary outputs that do not fit are cut to the buffer and the indicator says so. */

/* ---------------------------------------------------------------------------------------------
 * Codes: warnings (positive) and errors (negative), with their SQLSTATE and message
 * ------------------------------------------------------------------------------------------- */
#define DBLIB_OK 0
#define DBLIB_W_NOT_FOUND 100          /* 02000 "Row not found" */
#define DBLIB_W_TRUNCATED 101          /* 01004 "Value truncated" (dbpp_get_data: more follows) */
#define DBLIB_W_NO_MORE_RESULTS 105    /* 01W05 "Procedure has completed" (dbpp_resume) */
#define DBLIB_E_START_STOP_DENIED (-75) /* 08W05 "Request to start/stop database denied: %1" -
                                          a stop while other connections use the engine or the
                                          database and Unconditional is not set; a start or stop
                                          of utility_db; a start without a database file */
#define DBLIB_E_DB_NAME_IN_USE (-77)   /* 08W07 "Database name not unique: %1" - the name is
                                          already started on that engine */
#define DBLIB_E_CANNOT_START_DB (-82)  /* 08W08 "Unable to start specified database: %1" - the
                                          file exists but is not a database */
#define DBLIB_E_DB_NOT_FOUND (-83)     /* 08W09 "Specified database not found: %1" - the file
                                          does not exist, or the database name given is not
                                          running and no file was given */
#define DBLIB_E_DESCRIPTOR (-88)       /* 08W10 "Client/server communications protocol mismatch:
                                          %1" - the legacy call descriptor is missing or wrong */
#define DBLIB_E_PARSE (-95)            /* 08W11 "Parse error: %1" - a malformed connection or
                                          start string (the text cites positions, never values) */
#define DBLIB_E_ENGINE_RUNNING (-96)   /* 08W12 "Database server already running: %1" */
#define DBLIB_E_ENGINE_NOT_FOUND (-100) /* 08W01 "Database server not running: %1" */
#define DBLIB_E_NOT_CONNECTED (-101)   /* 08003 "Not connected to a database" */
#define DBLIB_E_BAD_USER (-103)        /* 28000 "Invalid user ID or password" */
#define DBLIB_E_ALREADY_EXISTS (-110)  /* 52010 "Item '%1' already exists" */
#define DBLIB_E_PERMISSION (-121)      /* 42501 "Permission denied: %1" */
#define DBLIB_E_BAD_STATEMENT (-130)   /* 07W01 "Invalid statement" - no statement under that
                                          number */
#define DBLIB_E_SYNTAX (-131)          /* 42W04 "Syntax error near '%1'" */
#define DBLIB_E_TABLE_NOT_FOUND (-141) /* 42W33 "Table '%1' not found" */
#define DBLIB_E_COLUMN_NOT_FOUND (-143) /* 52003 "Column '%1' not found" */
#define DBLIB_E_BAD_HOST_VARIABLE (-155) /* 07W02 "Invalid host variable: %1" - an unknown type
                                          code, or a length a type cannot hold */
#define DBLIB_E_CONVERSION (-157)      /* 53018 "Cannot convert %1 to a %2" */
#define DBLIB_E_OUT_OF_RANGE (-158)    /* 22003 "Value %1 out of range for destination" */
#define DBLIB_E_CURSOR_NOT_DECLARED (-170) /* 24W01 "Cursor '%1' has not been declared" */
#define DBLIB_E_CURSOR_ALREADY_OPEN (-172) /* 24502 "Cursor '%1' is already open" - also when a
                                          statement is executed, or opened under a second name,
                                          while a cursor runs it */
#define DBLIB_E_CURSOR_NOT_OPEN (-180)  /* 24501 "Cursor '%1' is not open" */
#define DBLIB_E_NO_INDICATOR (-181)    /* 22002 "No indicator variable provided for NULL
                                          result" */
#define DBLIB_E_TOO_FEW_VALUES (-188)  /* 07002 "Not enough values for host variables" */
#define DBLIB_E_NOT_UPDATABLE (-192)   /* 42W31 "Rows of cursor '%1' cannot be changed: %2" -
                                          the cursor's query is not one SELECT over one table
                                          with row identifiers, or a variable names a column
                                          that is not a column of that table */
#define DBLIB_E_PRIMARY_KEY (-193)     /* 23W01 "Primary key for table '%1' is not unique" */
#define DBLIB_E_FOREIGN_KEY (-194)     /* 23503 "No primary key value for foreign key in table
                                          '%1'" */
#define DBLIB_E_NOT_NULL (-195)        /* 23502 "Column '%1' in table '%2' cannot be NULL" */
#define DBLIB_E_UNIQUE (-196)          /* 23505 "Index '%1' for table '%2' would not be unique" */
#define DBLIB_E_NO_CURRENT_ROW (-197)  /* 24503 "No current row of cursor '%1'" - the cursor
                                          stands before the first row, after the last, or where
                                          a row it deleted was; or that row is gone */
#define DBLIB_E_REFERENCED (-198)      /* 23503 "Primary key for row in table '%1' is referenced
                                          by another row" */
#define DBLIB_E_BAD_OPTION (-200)      /* 42W16 "Invalid option '%1' -- no PUBLIC setting
                                          exists" */
#define DBLIB_E_BAD_OPTION_VALUE (-201) /* 42W17 "Invalid setting for option '%1'" */
#define DBLIB_E_CHECK (-209)           /* 23510 "Invalid value for column '%1' in table '%2'" */
#define DBLIB_E_ROW_LOCKED (-210)      /* 42W18 "A row needed by this statement is locked by
                                          another connection" - waiting for another writer
                                          failed (blocking OFF, or blocking_timeout passed) */
#define DBLIB_E_LOG_NOT_RENAMED (-242) /* 25W01 "Transactions in progress prevent renaming the
                                          transaction log of %1" - db_backup operation 6 could not
                                          rename the log now; the caller retries later */
#define DBLIB_E_VARIABLE_EXISTS (-259) /* 42W13 "Variable '%1' already exists" */
#define DBLIB_E_VARIABLE_NOT_FOUND (-260) /* 42W14 "Variable '%1' not found" */
#define DBLIB_E_FUNCTION_NOT_FOUND (-265) /* 42W20 "Procedure '%1' not found" */
#define DBLIB_E_INTERRUPTED (-299)     /* 57014 "Statement interrupted by user" */
#define DBLIB_E_RUNTIME (-300)         /* 40W01 "Run time SQL error -- %1" */
#define DBLIB_E_INTERNAL (-301)        /* 40W02 "Internal database error %1 -- transaction
                                          rolled back" */
#define DBLIB_E_DISK_FULL (-304)       /* 40W04 "Disk full -- transaction rolled back" */
#define DBLIB_E_IO (-305)              /* 40W05 "I/O error %1 -- transaction rolled back" */
#define DBLIB_E_DEADLOCK (-306)        /* 40001 "Deadlock detected" - the transaction read
                                          data another connection has since changed and now
                                          tries to write */
#define DBLIB_E_CONNECTION_ENDED (-308) /* 08W26 "Connection was terminated" - the engine or the
                                          database was stopped; uncommitted work is gone and
                                          every call but db_string_disconnect and db_fini
                                          answers this until the client disconnects */
#define DBLIB_E_MEMORY (-309)          /* 08W27 "Memory error -- transaction rolled back" */
#define DBLIB_E_CURSOR_READ_ONLY (-633) /* 42W47 "Cursor '%1' was not opened for update" */
#define DBLIB_E_CREATE_FAILED (-645)   /* 08W60 "Database creation failed: %1" */
#define DBLIB_E_CURSOR_FORWARD_ONLY (-668) /* 24W02 "Cursor '%1' only moves forward" - a move
                                          back, or one counted from the end, on a forward-only
                                          cursor */
#define DBLIB_E_READ_ONLY (-757)       /* 42W56 "Modifications not permitted for read-only
                                          database" */
#define DBLIB_E_FILE_IN_USE (-816)     /* 08W86 "Specified database file already in use: %1" -
                                          the file runs under another database name */
#define DBLIB_E_ALREADY_CONNECTED (-1005) /* 08002 "This SQLCA is already connected" */
#define DBLIB_E_BUSY_CONNECTION (-1006) /* 08W90 "A request is already running on this
                                          connection" */
#define DBLIB_E_BAD_SQLDA (-1007)      /* 07W03 "Invalid SQLDA: %1" */
#define DBLIB_E_BAD_ARGUMENT (-1008)   /* 07W04 "Invalid argument: %1" - a null or malformed
                                          argument where the call needs one */
#define DBLIB_E_NOT_A_QUERY (-1009)    /* 07W05 "Statement returns no result set: %1" - a cursor
                                          opened over a single statement that is not a query */

/* ---------------------------------------------------------------------------------------------
 * Options (dbpp_setoption / dbpp_getoption; also SET [TEMPORARY] OPTION [user.|PUBLIC.]name = v)
 *   isolation_level   "0".."3", default "0" (see Isolation above)
 *   row_counts        "ON"/"OFF", default "OFF": whether sqlerrd[2] after an open is exact
 *   blocking          "ON"/"OFF", default "ON": wait for another writer, or fail at once (-210)
 *   blocking_timeout  milliseconds >= 0, default "0" (wait without limit)
 *   chained           "ON"/"OFF", default "ON"; OFF commits every statement on its own
 * ON/OFF values accept any letter case and are kept and reported as set. A temporary option
 * lives on the connection; a permanent one (temporary 0) is stored in the database for the user
 * (null or empty user: the connected user; "PUBLIC": every user's default) and applies at once
 * and to later connections; setting another user's or PUBLIC's needs DBA authority. An unknown
 * option is DBLIB_E_BAD_OPTION, a value the option does not take DBLIB_E_BAD_OPTION_VALUE.
 *
 * Users: a new database has the user DBA (password SQL) with DBA authority. Statements:
 *   GRANT CONNECT TO <user> IDENTIFIED BY <password>   adds the user or changes the password
 *   GRANT DBA TO <user>, REVOKE CONNECT FROM <user>     (all three need DBA authority)
 * User names compare case-insensitively; passwords compare exactly (letter case and blanks at
 * either end count). Passwords are stored as salted Argon2id hashes; a user stored by an earlier
 * version (salted SHA-256 of the upper-cased password) is moved to the new hash at its next login.
 * The engine's own tables (users, permanent options) cannot be read, changed, dropped, altered or
 * shadowed by any statement a client sends, a DBA's included: DBLIB_E_PERMISSION.
 * Other GRANT and REVOKE statements (table privileges) are accepted and not enforced.
 *
 * Databases: CREATE DATABASE '<file>' [PAGE SIZE n] [DBA USER '<u>'] [DBA PASSWORD '<p>'] creates
 * a new database file (never over an existing file, DBLIB_E_CREATE_FAILED) on any connection,
 * utility_db included; a backslash in a file name is read as '/'.
 *
 * SQL variables: CREATE VARIABLE <name> <type>, SET <name> = <expression>, DROP VARIABLE <name>.
 * A variable starts NULL, holds its value in its declared type, and vanishes at disconnect. An
 * expression may use other variables, host-variable markers and literals. The form
 * SET v = v || <marker or literal> appends in place, in time linear in the piece; there a NULL
 * piece counts as empty, and the result is NULL only when both are NULL.
 * ------------------------------------------------------------------------------------------- */

/* ---------------------------------------------------------------------------------------------
 * Host-variable markers and statements
 *   "?" and ":name" are markers; each is its own input, in order of appearance (a repeated name
 *   is two inputs); markers inside string literals, quoted identifiers ("...", [...], `...`)
 *   and comments (--, //, / * ... * /) are text. The input describe gives ":name" markers their
 *   name (cut to 30 characters) and "?" markers an empty name.
 *   Statement numbers are per connection, 1..32767. dbpp_prepare with *stmt 0 chooses the
 *   smallest free number and writes it back; a given number is used, replacing (dropping) a
 *   statement prepared under it before.
 *
 * Describe (dbpp_describe kind 1 result columns, 2 inputs, 9 result columns and whether they are
 * fixed: sqlerrd[2] 1 when every column has a declared type, 0 when some are known only from
 * their values after the open). Each described variable gets sqltype (bit 0 set when the column
 * may be NULL), sqllen, sqlname and, when it has one, indicator 0. Declared types map so:
 *   CHAR(n) 452 n;  VARCHAR(n) 448 n (no length: 32767);  LONG VARCHAR, TEXT, CLOB 456 32767
 *   INT, INTEGER 496 4;  SMALLINT 500 2;  TINYINT 604 1;  BIGINT 608 8;
 *   UNSIGNED INT 612 4, UNSIGNED SMALLINT 616 2, UNSIGNED BIGINT 620 8;  BIT 624 1
 *   DOUBLE 480 8;  FLOAT, REAL 482 4;  DECIMAL(p,s), NUMERIC(p,s) 484 p|s<<8 (default 30,6);
 *   MONEY 484 19|4<<8;  DATE 384 10;  TIME 388 8;  TIMESTAMP, DATETIME 392 26
 *   BINARY(n), VARBINARY(n) 524 n (no length: 32767);  LONG BINARY, BLOB, IMAGE 528 32767
 *   any other declared type 456 32767; no declared type (an expression) 456 32767.
 * Inputs are described as 460 (nullable) with sqllen 32767.
 * Long names (kind DBLIB_DESCRIBE_LONG_NAMES, for result columns): sqlname holds 30 characters at
 * most, so this kind writes each column's whole name into the variable's own buffer instead: for
 * each of the first min(sqld, sqln) variables whose sqldata is set, the name NUL-terminated and
 * cut to sqllen - 1 bytes, and the name's full length into the indicator when there is one.
 * sqld, sqltype and sqllen are left alone (sqld is set to the column count only when it was 0).
 * ------------------------------------------------------------------------------------------- */
#define DBLIB_DESCRIBE_OUTPUT 1u /* result columns */
#define DBLIB_DESCRIBE_INPUT 2u  /* inputs */
#define DBLIB_DESCRIBE_FIXED 9u  /* result columns, and whether every one has a declared type */
#define DBLIB_DESCRIBE_LONG_NAMES 17u

/* ---------------------------------------------------------------------------------------------
 * Entry points. "r" marks reserved arguments callers pass as null or 0. For the generation-6 and
 * older forms every dbpp_* takes `void *descriptor` (struct dblib_call_descriptor) right after
 * the SQLCA.
 * ------------------------------------------------------------------------------------------- */

/* db_init: registers the SQLCA, fills sqlcaid/sqlcabc; 1 on success (also when already
 * registered), 0 for a null SQLCA. db_fini: ends the SQLCA's connection (rolling back) and
 * forgets it; 1, or 0 for a null SQLCA. */
typedef unsigned short (*db_init_fn)(struct sqlca *ca);
typedef unsigned short (*db_fini_fn)(struct sqlca *ca);
/* Non-zero when the library serves the given generation (generation <= its own, and >= 6). */
typedef unsigned short (*db_version_check_fn)(unsigned int version);
/* Copies the message of the SQLCA's current code, NUL-terminated and cut to max-1 characters,
 * into buffer and returns buffer; returns null when buffer is null or max < 1. Code 0 gives "". */
typedef char *(*sqlerror_message_fn)(struct sqlca *ca, char *buffer, int max);
/* SQLDAs: alloc_sqlda(n) gives sqln = n (0..32767) variables, zero-filled, each with its own
 * indicator; alloc_sqlda_noind without indicators; null when n is too large or memory is short.
 * The free calls release only the area (never the buffers sqldata points to) and ignore null and
 * any pointer the allocators did not return. */
typedef struct sqlda *(*alloc_sqlda_fn)(unsigned n);
typedef struct sqlda *(*alloc_sqlda_noind_fn)(unsigned n);
typedef void (*free_sqlda_fn)(struct sqlda *da);
typedef void (*free_sqlda_noind_fn)(struct sqlda *da);

/* Connection strings: key=value parts separated by ';'; keys in any letter case; blanks around
 * keys and values dropped; a value may be quoted with ' or " (a doubled quote inside stands for
 * one); an unquoted value runs to the next ';' outside quotes. Empty parts are skipped; a key
 * given twice keeps its last value. Keys (long and short names):
 *   EngineName|ServerName|eng, DatabaseName|dbn, DatabaseFile|dbf, UserID|uid, Password|pwd,
 *   Start, AutoStop|astop, AutoStart|astart, Unconditional|unc, ConnectionName|con,
 *   CommLinks|links, DatabaseSwitches|dbs, CharSet|cs, LogFile|log, Idle, LivenessTimeout|lto
 * (the last seven are accepted and have no effect). Boolean values: yes/no, on/off, true/false,
 * 1/0. Anything else, a part without '=', an unterminated quote or an unknown key is
 * DBLIB_E_PARSE.
 *
 * db_string_connect: connects the SQLCA.
 *   engine: eng, else the engine named after dbf's file prefix when dbf is given, else the
 *   engine started first; not running: with dbf (and AutoStart not "no") the engine is started
 *   and stops again when its last connection leaves; without dbf -100.
 *   database: dbn when running; else dbf (started under dbn, or under the file prefix, and
 *   stopped again when its last connection leaves unless AutoStop is "no"); else, with neither,
 *   the engine's first database; else -83. Starting: -83 no such file, -82 not a database,
 *   -77 the name is taken, -816 the file runs under another name.
 *   user: uid/pwd must name a user of the database, else -103 (an engine or database started by
 *   this attempt stops again). An SQLCA already connected gets DBLIB_E_ALREADY_CONNECTED.
 * db_string_disconnect: ends the SQLCA's connection (params not used); rolls back what is not
 *   committed; -101 when there is none. Returns 1 on success, else 0. */
typedef unsigned short (*db_string_connect_fn)(struct sqlca *ca, char *params);
typedef unsigned short (*db_string_disconnect_fn)(struct sqlca *ca, char *params);
/* db_start_engine: starts an engine. The start line names the database file either with dbf=
 * or in the older form inside Start: start=<program> [switches] "<file>" (quotes optional when
 * the name has no blank; switches -c -ch -cl -gd -gn -gp -o -ot -ti -tl -x take a value; -n <name>
 * before the file names the engine, after it the database). Engine name: eng, else -n, else the
 * database's name; no file: the engine serves only utility_db (eng is then required).
 * -96 the engine already runs (nothing changes); -83/-82 as for connect. Returns 1 on success.
 * db_stop_engine: stops the engine named by eng (default: the SQLCA's engine, else the first).
 *   -100 none runs; -75 other clients are connected and Unconditional is not yes. Connections
 *   still open (the caller's own among them) are ended: their uncommitted work is rolled back,
 *   their dropped callbacks (kind 8) run, and their next call gets -308.
 * db_start_database: starts dbf (named dbn, default the file prefix) on the engine named by eng
 *   (default: the SQLCA's engine, else the first); -100, -83, -82, -77, -816 as above, -75 when no
 *   file is given. The database stays started until stopped (AutoStop=yes: until its last
 *   connection leaves).
 * db_stop_database: stops the database named by dbn, else by dbf (a full path, or a file name
 *   matched against the file names of the started databases); -100, -83 (not running), -75
 *   (other clients connected and Unconditional not yes, or utility_db); its connections end as
 *   for db_stop_engine. Returns 1 on success. */
typedef unsigned short (*db_start_engine_fn)(struct sqlca *ca, char *params);
typedef unsigned short (*db_stop_engine_fn)(struct sqlca *ca, char *params);
typedef unsigned short (*db_start_database_fn)(struct sqlca *ca, char *params);
typedef unsigned short (*db_stop_database_fn)(struct sqlca *ca, char *params);
/* Non-zero (sqlcode 0) when an engine of that name runs, else 0 with sqlcode -100. */
typedef unsigned short (*db_find_engine_fn)(struct sqlca *ca, char *name);
/* Delivers, into variable 0 of the SQLDA (any text type), kind 1 the engine's version
 * (the library's product version, "7.0.4.3300"), 2 the engine name, 3 the database name.
 * Returns 1 when delivered; 0 with -101 when not connected, DBLIB_E_BAD_ARGUMENT for another
 * kind, DBLIB_E_BAD_SQLDA without a variable. */
typedef unsigned int (*db_connection_info_fn)(struct sqlca *ca, int kind, struct sqlda *da);

/* Statements. module is kept with the statement; r arguments are ignored.
 * dbpp_prepare: compiles sql under *stmt (see Statement numbers). A text of several statements
 *   separated by ';' runs them in order when executed (inputs numbered across them) and, as a
 *   cursor, gives one result set per query. Errors: -131, -141, -143, ... as the engine reports
 *   them; a failed prepare leaves no statement and leaves *stmt as it was.
 * dbpp_describe: kind 1, 2, 9 or DBLIB_DESCRIBE_LONG_NAMES (see Describe); -130 for an unknown
 *   number.
 * dbpp_execute_into: runs the statement with the input SQLDA (inputs in marker order; missing
 *   variables, a null SQLDA or fewer variables than markers: -188). A query delivers its first row
 *   into the output SQLDA (sqlerrd[2] 1), or 100 when there is none; other statements set
 *   sqlerrd[2] to the rows they inserted, updated or deleted.
 * dbpp_execute_imm: runs text without host variables (markers: -188); sqlerrd[2] as above.
 * dbpp_dropstmt: forgets the statement; unknown numbers are ignored.
 * dbpp_commit, dbpp_rollback: end the transaction (nothing to end is no error).
 * dbpp_setoption: value from variable 0 of the SQLDA (any type that converts to text).
 * dbpp_getoption: the option's current value, as text, into variable 0. */
#define DBLIB_DBPP_TYPES(name, ...)                                                              \
    typedef void (*name##_fn)(struct sqlca *ca, __VA_ARGS__);                                     \
    typedef void (*name##_legacy_fn)(struct sqlca *ca, void *descriptor, __VA_ARGS__);
DBLIB_DBPP_TYPES(dbpp_prepare, char *r, char *module, short *stmt, char *sql, struct sqlda *r2,
                 unsigned int flags)
DBLIB_DBPP_TYPES(dbpp_describe, char *r, char *module, short *stmt, struct sqlda *da, unsigned int kind)
DBLIB_DBPP_TYPES(dbpp_execute_into, char *r, char *module, short *stmt, struct sqlda *in,
                 struct sqlda *out)
DBLIB_DBPP_TYPES(dbpp_execute_imm, char *sql, unsigned int flags)
DBLIB_DBPP_TYPES(dbpp_dropstmt, char *r, char *module, short *stmt)
DBLIB_DBPP_TYPES(dbpp_commit, unsigned int r)
DBLIB_DBPP_TYPES(dbpp_rollback, unsigned int r)
DBLIB_DBPP_TYPES(dbpp_setoption, int temporary, char *user, char *option, struct sqlda *da)
DBLIB_DBPP_TYPES(dbpp_getoption, int r, char *user, char *option, struct sqlda *da)

/* Cursor option bits of dbpp_declare and dbpp_open (described below). */
#define DBLIB_CURSOR_READ_ONLY 0x2
#define DBLIB_CURSOR_FORWARD_ONLY 0x4
#define DBLIB_CURSOR_FIXED_SCROLL 0x80
#define DBLIB_CURSOR_INSENSITIVE 0x400
#define DBLIB_CURSOR_FOR_UPDATE 0x1000

/* Fetch kinds of dbpp_fetch_array (described below). */
#define DBLIB_FETCH_ABSOLUTE 1
#define DBLIB_FETCH_RELATIVE 2

/* Cursors.
 * A cursor is a name of the connection (letter case does not matter) that dbpp_declare binds to a
 *   prepared statement. It stays declared until the connection ends and may be declared again
 *   while closed. Dropping or re-preparing its statement closes it.
 * dbpp_open runs the statement with the input SQLDA (the values are copied: the SQLDA may change
 *   after the call) and the options:
 *     2       read-only; 0x1000 for update (positioned changes; without it they are refused).
 *     0, 0x80 default and fixed scroll (both behave alike): scrollable. A row is read from the
 *             database when the cursor first reaches it and kept as read; going back or to an
 *             absolute position shows the kept row; going to the end, or counting from it, reads
 *             the rest. Memory grows with the rows reached, never beyond the result.
 *     4       forward-only: moves go forward only (a move back, or one counted from the end, is
 *             DBLIB_E_CURSOR_FORWARD_ONLY and changes nothing). The cursor keeps no rows of its
 *             own beyond the one it stands on, whatever the size of the result.
 *     0x400   insensitive: the whole result is read at the open.
 *   The open reads the first row, so a failing query fails the open. A text of several queries
 *   separated by ';' gives one result set per query, in order (statements between them run when
 *   reached); a single statement that is not a query is DBLIB_E_NOT_A_QUERY. Opening an open
 *   cursor, or one over a statement that another open cursor runs, is
 *   DBLIB_E_CURSOR_ALREADY_OPEN, and so is executing such a statement.
 *   sqlerrd[2] after the open: the number of rows (>= 0) when it is exact: always when the option
 *   row_counts is ON, and when the open has read the whole result anyway (an insensitive cursor,
 *   an empty result). Otherwise minus an estimate (< 0, at least 1 in absolute value; callers
 *   take the absolute value): the largest row identifier of the table of the first column that
 *   has one - the row count of a whole table that never lost rows, more than the rows a filter
 *   lets through.
 * What a cursor sees of changes made after its open:
 *   insensitive   nothing: no commit of another connection, no change of its own connection, not
 *                 even its own positioned changes.
 *   default, fixed scroll, forward-only
 *                 rows already reached: as read, except changes made through the cursor itself (a
 *                 positioned update shows the row as stored after it; a deleted row leaves).
 *                 Rows not reached yet: the database as of the open together with the changes
 *                 this connection has made since, where the engine had not read those rows yet (a
 *                 query that sorts without an index reads every row at the open). Changes that
 *                 other connections commit after the open are never seen: when this connection
 *                 starts a change after such a commit, its open cursors first read the rest of
 *                 their result into memory, as of their open, and see nothing new from then on.
 *                 Rows updated or inserted through the cursor are never delivered a second time.
 *   Cursors stay open across commit and rollback.
 * Positions. A cursor stands before the first row, on a row, after the last row, or - after a
 *   positioned delete - in the deleted row's place, between its neighbours.
 * dbpp_fetch_array(kind, offset, da, rows) moves, then delivers. Kind 1 absolute: offset n > 0 is
 *   row n, -n the n-th row from the end (-1 the last), 0 before the first row. Kind 2 relative:
 *   n rows on from the current row; from before the first row, row n; from after the last row,
 *   n counted back from there (-1 the last row); from a deleted row's place, n > 0 the n-th row
 *   after it, n < 0 the |n|-th before it. Any other kind is DBLIB_E_BAD_ARGUMENT.
 *   When the row moved to exists: up to `rows` rows from it (0 counts as 1, and no more rows than
 *   the SQLDA has variables for), row r into variables r*columns .. r*columns+columns-1, sqlcode
 *   0, sqlerrd[2] the rows delivered. The cursor stands on the LAST ROW DELIVERED - also when the
 *   block is shorter than asked for because the result ended: it does not stand after the end.
 *   When it does not exist: sqlcode 100, sqlerrd[2] 0, and the cursor stands after the last row
 *   (the move went beyond the end) or before the first (it went before the beginning); relative
 *   0 from a deleted row's place gives 100 and leaves the cursor there.
 *   A value that cannot be delivered (-157, -158) fails the fetch of its own row only: a block
 *   ends before that row (sqlcode 0, sqlerrd[2] the rows before it, the cursor on the last of
 *   them), and the call whose first row it is fails, its message naming the column and the row
 *   ("... (column "a", row 3)"), the cursor standing on that row. Any other failure fails the
 *   call, the rows before it delivered and counted in sqlerrd[2].
 *   60 rows in blocks of 25: absolute 1 gives rows 1-25 (on 25); relative 1, rows 26-50 (on 50);
 *   relative 1, rows 51-60 with sqlerrd[2] 10 (on 60); relative 1, 100 (after the last row);
 *   relative -25 from there, rows 36-60; relative -25 from row 60, rows 35-59; absolute -25,
 *   rows 36-60; absolute 61, 100 (after the last); absolute -61, 100 (before the first).
 * dbpp_fetch(kind, offset) makes the same move without delivering: sqlcode 0 when the cursor
 *   reaches a row (sqlerrd[2] 0); 100 otherwise, with sqlerrd[2] 1 when it went after the last
 *   row, -1 when it went before the first (0 for relative 0 from a deleted row's place).
 * dbpp_describe_cursor(da, 1) describes the current result set as dbpp_describe does; a column
 *   without a declared type takes the type of its value in the first row: an integer 496 (608
 *   when it needs more than 32 bits), a real 480, text 448 and bytes 524 (sqllen 32767), NULL or
 *   no row 456. Kind 2 describes the statement's inputs, DBLIB_DESCRIBE_LONG_NAMES the columns'
 *   whole names.
 * dbpp_get_data(column, offset, da) reads the current row's column (from 1), starting at byte
 *   `offset`, into variable 0: types 524 and 448 (a 16-bit length, then up to sqllen-2 bytes),
 *   460 (up to sqllen-1 bytes and a NUL), 528 and 456 (up to array_len bytes; stored_len the
 *   piece, untrunc_len the whole value). sqlcode 101 while bytes follow the piece, 0 for the piece
 *   that reaches the end (an offset at or past the end gives an empty last piece); sqlerrd[2] the
 *   piece's length; indicator -1 for NULL (an empty piece), the value's length (at most 32767)
 *   while more follows, else 0. Numbers read as their text. Pieces may come in any order; each
 *   costs its own length, so reading a value of n bytes costs O(n) in all.
 * Positioned changes need a cursor opened with 0x1000 (else DBLIB_E_CURSOR_READ_ONLY) whose query
 *   is one SELECT over one table with row identifiers - no join, view, DISTINCT, grouping,
 *   aggregate or compound query (else DBLIB_E_NOT_UPDATABLE, with the reason). They name the row
 *   by its identifier, never by its values, and belong to the connection's transaction like any
 *   other change. The variables sent are those with both a name (sqlname) and a type; the name is
 *   a result column's (or its table column's): one that is none is DBLIB_E_COLUMN_NOT_FOUND. An
 *   expression column takes no value: a NULL for it is passed over, anything else is
 *   DBLIB_E_NOT_UPDATABLE. Indicator -1 or a null sqldata sends NULL; type 600 sends
 *   the value of the SQL variable that sqldata names (plainly, or as a quoted identifier). A
 *   refused change changes nothing.
 * dbpp_update(da) changes the named columns of the row the cursor stands on (none, or a row that
 *   is gone: DBLIB_E_NO_CURRENT_ROW); sqlerrd[2] 1. With no variable to send it does nothing.
 * dbpp_delete deletes the row the cursor stands on; it leaves the cursor (the rows after it move
 *   up one number) and the cursor stands in its place.
 * dbpp_put_into(put, into) inserts a row with the named columns (the others take their defaults;
 *   an INTEGER PRIMARY KEY left out or NULL gets a new key), delivers the row as stored, through
 *   the cursor's columns, into `into` (one row; into may be null) and sets sqlerrd[2] 1. Insert
 *   and delivery succeed or fail together. The cursor does not move; the new row is not one of
 *   the cursor's rows.
 * dbpp_close closes the cursor (the name stays declared); a cursor that is not open gives
 *   DBLIB_E_CURSOR_NOT_OPEN, as every call on it but dbpp_open does.
 * dbpp_resume moves the open cursor to its statement's next result set, running the statements
 *   between; the cursor then stands before its first row, dbpp_describe_cursor describes its
 *   columns, and sqlerrd[2] is reported as after an open. When no query follows: warning 105
 *   (DBLIB_W_NO_MORE_RESULTS), sqlerrd[2] 0, and the cursor stays on its result set, on the row it
 *   stood on.
 * dbpp_explain(r, da) delivers into variable 0 of da (any text type) the engine's plan for the
 *   query giving the open cursor's current result set: one line per step, separated by '\n',
 *   indented two blanks per level below the step it belongs to (e.g. "SEARCH t USING INDEX t_name
 *   (name=?)"); cut to the variable as any text output is (the indicator, or warning 101,
 *   says so). */
DBLIB_DBPP_TYPES(dbpp_declare, char *cursor, char *r, char *module, short *stmt, unsigned int options)
DBLIB_DBPP_TYPES(dbpp_open, char *cursor, char *r, char *module, short *stmt, struct sqlda *in,
                 char *r2, char *r3, unsigned int options)
DBLIB_DBPP_TYPES(dbpp_describe_cursor, char *cursor, struct sqlda *da, unsigned int kind)
DBLIB_DBPP_TYPES(dbpp_fetch_array, char *cursor, unsigned int kind, int offset, struct sqlda *da,
                 int r, int r2, unsigned int rows)
DBLIB_DBPP_TYPES(dbpp_fetch, char *cursor, unsigned int kind, int offset, struct sqlda *r,
                 short *r2, unsigned int r3)
DBLIB_DBPP_TYPES(dbpp_get_data, char *cursor, unsigned int column, int offset, struct sqlda *da,
                 unsigned int r)
DBLIB_DBPP_TYPES(dbpp_put_into, char *cursor, struct sqlda *put, struct sqlda *into)
DBLIB_DBPP_TYPES(dbpp_update, char *cursor, struct sqlda *da)
DBLIB_DBPP_TYPES(dbpp_delete, char *cursor, char *r, char *r2)
DBLIB_DBPP_TYPES(dbpp_close, char *cursor)
DBLIB_DBPP_TYPES(dbpp_resume, char *cursor)
DBLIB_DBPP_TYPES(dbpp_explain, char *cursor, char *r, struct sqlda *da)

/* Services.
 * db_register_a_callback(kind, fn): registers fn for the SQLCA (before or after connecting; kept
 *   across connections until db_fini); a null fn unregisters; another kind or an SQLCA never
 *   given to db_init is DBLIB_E_BAD_ARGUMENT. Kinds and their functions:
 *     0 start, 2 finish   dblib_simple_callback_fn, around every request on the connection (every
 *                         dbpp_*, db_connection_info and db_backup call that reaches it; a call
 *                         refused before it starts, e.g. with -101, -308 or -1006, fires neither)
 *     1 wait              dblib_simple_callback_fn, every 100 ms of a request's running time,
 *                         also while it waits for another connection's lock
 *     7 message           dblib_message_callback_fn: MESSAGE <expression>, ... [TYPE INFO|WARNING|
 *                         ACTION|STATUS] [TO CLIENT|CONSOLE|LOG] run on the connection delivers,
 *                         when the destination is CLIENT, the values joined as text (a NULL adds
 *                         nothing), type 0 info (the default), 1 warning, 2 action, 3 status,
 *                         code 0, the length (at most 65535: longer texts are cut) and the text,
 *                         NUL-terminated
 *     8 dropped           dblib_dropped_callback_fn: the engine or database was stopped under the
 *                         connection (see db_stop_engine); the second argument is the connection's
 *                         ConnectionName ("" when none was given)
 *   Start, wait, finish and message run on the request's thread, inside the request: db_is_working
 *   answers 1 there, and the SQLCA's bytes are kept before the callback and restored after it, so
 *   whatever the callback calls on the same SQLCA (another request is refused with -1006) does not
 *   change what the request reports. The dropped callback runs on the thread that stopped the
 *   engine or database, after the stop is complete and before that call returns; it may call the
 *   library (e.g. db_string_disconnect on its SQLCA). The library catches whatever a callback
 *   throws: nothing crosses back into it.
 * db_is_working: 1 while a request runs on the SQLCA's connection, else 0. Any thread.
 * db_cancel_request: ends the request running on the SQLCA's connection and returns 1 (0 when none
 *   runs). Any thread, or the request's own wait callback. The request fails with -299 as soon as
 *   the engine next checks (at most about a thousand engine instructions, or at once while it
 *   waits for a lock); the connection stays usable. A cancelled query leaves the transaction in
 *   progress as it was; a cancelled statement that changes data rolls back the whole transaction
 *   in progress. A cancel that arrives after its request ended hits nothing.
 *   These two never write the SQLCA: it belongs to the request that may be running on it.
 * db_backup(op, file, page, da): an online backup by a connection with DBA authority (else -121;
 *   utility_db: DBLIB_E_BAD_ARGUMENT) while other connections keep working. Operations:
 *     1 begin: takes a snapshot of the committed data; sqlerrd[2] the page size. A backup already
 *       in progress on the connection is ended first; the backup ends with the connection.
 *     2 open file N: sqlerrd[2] its page count, sqlerrmc its name (the full path when it fits,
 *       else the file name). 0 the database: the snapshot of begin, so its pages written in order
 *       form a database that, opened afresh, holds exactly the data committed at begin. 1..12:
 *       further database files, which a database here never has (-83). -1 the transaction log:
 *       the database's write-ahead log (commits append to it, a checkpoint moves it into the
 *       database file), copied when opened up to its last complete transaction, and named
 *       "<database prefix>.log"; as a continuation of the snapshot, saving it as "<copy>-wal"
 *       beside the copy of file 0 brings that copy forward to the moment it was opened. -2 the log
 *       to be renamed: the same log, copied when opened; opening it ends the snapshot (file 0 can
 *       no longer be opened). One file is open at a time. Other numbers: DBLIB_E_BAD_ARGUMENT.
 *     3 read page P (0-based) of the open file N into variable 0 (type 524: a 16-bit length,
 *       then the page's bytes; a log's last page is short).
 *     6 as 3, for file -2: reading its last page renames the log: all of it (also what was
 *       committed since it was copied) is checkpointed into the database file and the log starts
 *       empty. While another connection has a transaction in progress or a cursor reading, this
 *       fails with DBLIB_E_LOG_NOT_RENAMED (-242, after waiting up to 200 ms) and may be repeated;
 *       while the calling connection itself has one, with DBLIB_E_RUNTIME.
 *     4 close file N, 5 end. Without a backup begun, or with N not the open file, or P past the
 *       last page: DBLIB_E_BAD_ARGUMENT.
 * db_locate_servers(callback, user): calls callback(ca, record, user) once per running engine, in
 *   start order, until it returns 0; sqlerrd[2] the number of calls. The record (valid during the
 *   call) has port type 1 (in-process), the engine's port number (the lowest free from 49152 on
 *   when it started), its name and the address "127.0.0.1". The SQLCA is kept around each call as
 *   for the request callbacks. A null callback is DBLIB_E_BAD_ARGUMENT.
 * db_string_ping_server(params, connect_to_db): 0 (result 1) when the engine the parameters name
 *   runs (eng, else the engine named after dbf's prefix, else the caller's or the first engine)
 *   and, when connect_to_db is non-zero, its database (dbn, else dbf, else its first) runs and
 *   takes uid/pwd; else the error a connection would get (-100, -83, -103, -95). It starts
 *   nothing. */
typedef void (*dblib_simple_callback_fn)(struct sqlca *ca);
typedef void (*dblib_message_callback_fn)(struct sqlca *ca, unsigned char type, int32_t code,
                                          unsigned short length, char *text);
typedef void (*dblib_dropped_callback_fn)(struct sqlca *ca, char *connection_name);
typedef int (*dblib_locate_callback_fn)(struct sqlca *ca, struct a_server_address *address, void *user);
#define DBLIB_CB_START 0
#define DBLIB_CB_WAIT 1
#define DBLIB_CB_FINISH 2
#define DBLIB_CB_MESSAGE 7
#define DBLIB_CB_DROPPED 8
#define DBLIB_MESSAGE_INFO 0
#define DBLIB_MESSAGE_WARNING 1
#define DBLIB_MESSAGE_ACTION 2
#define DBLIB_MESSAGE_STATUS 3
typedef unsigned short (*db_backup_fn)(struct sqlca *ca, int op, int file, unsigned long page,
                                       struct sqlda *da);
typedef void (*db_register_a_callback_fn)(struct sqlca *ca, int kind, void (*callback)(void));
typedef unsigned short (*db_is_working_fn)(struct sqlca *ca);
typedef unsigned short (*db_cancel_request_fn)(struct sqlca *ca);
typedef unsigned short (*db_locate_servers_fn)(struct sqlca *ca, dblib_locate_callback_fn callback,
                                               void *user);
typedef unsigned short (*db_string_ping_server_fn)(struct sqlca *ca, char *params,
                                                   unsigned int connect_to_db);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* TARNIX_PLATFORM_DBLIB_DBLIB_H */
