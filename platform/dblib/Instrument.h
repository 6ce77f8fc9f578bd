// The test instrument: a record of the calls made into the library (entry-point name and the
// arguments that matter, one text line per call, in order) and injected failures (a chosen
// sqlcode for the n-th call of an entry point, or for every call until cleared). Both are
// process-wide and off unless a test turns them on through the tnxdb_test_* exports; when off,
// each entry point pays one relaxed atomic load for each.
//
// Line format: name(arg, arg, ...). Strings are double-quoted with C escapes, null pointers are
// null, SQLDAs are sqlda(<sqld>), other pointers (callbacks, user data) are ptr or null, and
// connection strings have their password values masked.
#pragma once

#include "platform/dblib/dblib.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace tnxdb::instrument {

extern std::atomic<bool> gRecording;
extern std::atomic<bool> gArmed;

inline bool Recording() { return gRecording.load(std::memory_order_relaxed); }
// Whether any failure is injected at all (the one check a call makes when none is).
inline bool Armed() { return gArmed.load(std::memory_order_relaxed); }

// Builds one record line.
class CallLine {
public:
    explicit CallLine(const char* name);
    CallLine& Str(const char* s);
    CallLine& Int(long long v);
    CallLine& ConnString(const char* s); // masked
    CallLine& Da(const sqlda* da);
    CallLine& Stmt(const short* stmt);   // the number it points to, or null
    CallLine& Ptr(const void* p);        // ptr for a pointer (functions, user data), or null
    void Commit();                       // appends the line to the record

private:
    void Sep();
    std::string FLine;
    bool FFirst = true;
};

// The code injected into this call of the entry point, or 0.
int InjectedCode(const char* entry);

void SetRecording(bool on);
void ClearRecord();
std::string RecordText();
void Inject(const char* entry, unsigned nth, int code);
void ClearInjections();

} // namespace tnxdb::instrument
