// The server benchmark's fixture: a throw-away database server started for the run
// (scripts/pg-test-server.sh) and stopped when the fixture goes, its table t of kRows rows, the
// sizes of the works, and the fold every contender must compute from what it read, so a contender
// that skips a column is caught, not timed.
#pragma once

#include <cstdint>
#include <cstddef>
#include <map>
#include <string>

namespace srv {

constexpr int kRows = 100000;   // rows of t, all read by the forward read
constexpr int kKeys = 2000;     // point lookups by primary key
constexpr int kInserts = 2000;  // rows inserted with one prepared statement in one transaction
constexpr int kBlock = 100;     // rows per block fetch where a contender fetches in blocks

// The key visited by lookup i (spread over the table).
inline int KeyOf(int i) { return static_cast<int>((static_cast<long long>(i) * 7919) % kRows); }

// The fold of one row: the key, the number's integer part and the text's length.
inline uint64_t Fold(long a, double b, std::size_t textLength) {
    return static_cast<uint64_t>(a) * 3 + static_cast<uint64_t>(b) + textLength;
}

// The values of inserted row i (the insert's check recomputes them).
inline double InsertedNumber(int i) { return i * 0.25; }

// Throws std::runtime_error(what) unless ok.
void Check(bool ok, const char* what);

// A server of its own in a temporary folder, with t filled and ins empty; stopped and removed by
// the destructor. Not copyable: exactly one owner stops it.
class TServer {
public:
    TServer();
    ~TServer();
    TServer(const TServer&) = delete;
    TServer& operator=(const TServer&) = delete;

    // "host=... port=... dbname=... user=... password=..." for the server's own client library.
    std::string Conninfo() const;
    // "links=tcpip(host=...;port=...);dbn=...;uid=...;pwd=..." for the client library.
    std::string Links() const;
    // One of the TNX_PG_* parameters the start script printed.
    const std::string& Param(const std::string& Name) const { return FParams.at(Name); }

    // Empties ins (before each timed insert).
    void EmptyInserts() const;
    // Whether ins holds exactly the kInserts rows the insert work writes.
    bool InsertsAreRight() const;
    // The server's version ("15.4"), for the report.
    std::string Version() const;

private:
    void Exec(const char* Sql) const;
    std::string FDir;
    std::map<std::string, std::string> FParams;
};

} // namespace srv
