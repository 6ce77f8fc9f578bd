// Test instrument (see Instrument.h).
#include "platform/dblib/Instrument.h"

#include "platform/dblib/ConnectionString.h"

#include <cstdio>
#include <mutex>

namespace tnxdb::instrument {

std::atomic<bool> gRecording{false};
std::atomic<bool> gArmed{false};

namespace {

struct Injection {
    std::string Entry;
    unsigned Nth;  // 0: every call
    int Code;
    unsigned Seen; // calls of the entry since arming
};

std::mutex& Mutex() {
    static std::mutex m;
    return m;
}
std::vector<std::string>& Lines() {
    static std::vector<std::string> v;
    return v;
}
std::vector<Injection>& Injections() {
    static std::vector<Injection> v;
    return v;
}

void Quote(std::string& out, const char* s, size_t n) {
    out += '"';
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7f) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
}

} // namespace

CallLine::CallLine(const char* name) : FLine(name) { FLine += '('; }

void CallLine::Sep() {
    if (!FFirst) FLine += ", ";
    FFirst = false;
}

CallLine& CallLine::Str(const char* s) {
    Sep();
    if (s)
        Quote(FLine, s, std::char_traits<char>::length(s));
    else
        FLine += "null";
    return *this;
}

CallLine& CallLine::ConnString(const char* s) {
    Sep();
    if (!s) {
        FLine += "null";
        return *this;
    }
    std::string masked = MaskPasswords(s);
    Quote(FLine, masked.data(), masked.size());
    return *this;
}

CallLine& CallLine::Int(long long v) {
    Sep();
    FLine += std::to_string(v);
    return *this;
}

CallLine& CallLine::Da(const sqlda* da) {
    Sep();
    if (da)
        FLine += "sqlda(" + std::to_string(da->sqld) + ")";
    else
        FLine += "null";
    return *this;
}

CallLine& CallLine::Stmt(const short* stmt) {
    Sep();
    FLine += stmt ? std::to_string(*stmt) : std::string("null");
    return *this;
}

CallLine& CallLine::Ptr(const void* p) {
    Sep();
    FLine += p ? "ptr" : "null";
    return *this;
}

void CallLine::Commit() {
    FLine += ')';
    std::lock_guard<std::mutex> lock(Mutex());
    if (gRecording.load()) Lines().push_back(std::move(FLine));
}

int InjectedCode(const char* entry) {
    if (!gArmed.load(std::memory_order_relaxed)) return 0;
    std::lock_guard<std::mutex> lock(Mutex());
    int code = 0;
    for (Injection& inj : Injections()) {
        if (inj.Entry != entry) continue;
        ++inj.Seen;
        if (code == 0 && (inj.Nth == 0 || inj.Seen == inj.Nth)) code = inj.Code;
    }
    return code;
}

void SetRecording(bool on) {
    std::lock_guard<std::mutex> lock(Mutex());
    gRecording.store(on);
}

void ClearRecord() {
    std::lock_guard<std::mutex> lock(Mutex());
    Lines().clear();
}

std::string RecordText() {
    std::lock_guard<std::mutex> lock(Mutex());
    std::string text;
    for (const auto& l : Lines()) {
        text += l;
        text += '\n';
    }
    return text;
}

void Inject(const char* entry, unsigned nth, int code) {
    std::lock_guard<std::mutex> lock(Mutex());
    Injections().push_back({entry ? entry : "", nth, code, 0});
    gArmed.store(true);
}

void ClearInjections() {
    std::lock_guard<std::mutex> lock(Mutex());
    Injections().clear();
    gArmed.store(false);
}

} // namespace tnxdb::instrument
