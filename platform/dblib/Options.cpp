// Connection options (see Options.h).
#include "platform/dblib/Options.h"

#include "platform/dblib/Errors.h"
#include "platform/dblib/Text.h"
#include "platform/dblib/dblib.h"

#include <charconv>

namespace tnxdb {

namespace {

struct OptionDef {
    const char* Name;
    const char* Default;
};

constexpr OptionDef kOptions[] = {
    {"isolation_level", "0"}, {"row_counts", "OFF"}, {"blocking", "ON"}, {"blocking_timeout", "0"}, {"chained", "ON"},
};
static_assert(std::size(kOptions) == static_cast<size_t>(OptionId::Count));

bool ParseOnOff(std::string_view v, bool& out) {
    std::string s = ToLower(Trim(v));
    if (s == "on" || s == "yes" || s == "true" || s == "1") {
        out = true;
        return true;
    }
    if (s == "off" || s == "no" || s == "false" || s == "0") {
        out = false;
        return true;
    }
    return false;
}

bool ParseLong(std::string_view v, long lo, long hi, long& out) {
    v = Trim(v);
    auto r = std::from_chars(v.data(), v.data() + v.size(), out);
    return r.ec == std::errc() && r.ptr == v.data() + v.size() && out >= lo && out <= hi;
}

} // namespace

OptionId FindOption(std::string_view name) {
    std::string_view n = Trim(name);
    for (size_t i = 0; i < std::size(kOptions); ++i)
        if (IEquals(n, kOptions[i].Name)) return static_cast<OptionId>(i);
    throw DbError(DBLIB_E_BAD_OPTION, std::string(n.substr(0, 64)));
}

const char* OptionName(OptionId id) { return kOptions[static_cast<int>(id)].Name; }

void ValidateOption(OptionId id, std::string_view value) {
    bool b;
    long l;
    bool ok = true;
    switch (id) {
    case OptionId::IsolationLevel: ok = ParseLong(value, 0, 3, l); break;
    case OptionId::BlockingTimeout: ok = ParseLong(value, 0, 2147483647L, l); break;
    default: ok = ParseOnOff(value, b); break;
    }
    if (!ok) throw DbError(DBLIB_E_BAD_OPTION_VALUE, OptionName(id));
}

OptionSet::OptionSet() {
    for (int i = 0; i < kCount; ++i) Refresh(static_cast<OptionId>(i));
}

void OptionSet::SetPublic(OptionId id, std::string_view value) {
    FPublic[static_cast<int>(id)] = std::string(value);
    Refresh(id);
}

void OptionSet::SetUser(OptionId id, std::string_view value) {
    FUser[static_cast<int>(id)] = std::string(value);
    Refresh(id);
}

void OptionSet::SetTemporary(OptionId id, std::string_view value) {
    FTemp[static_cast<int>(id)] = std::string(value);
    Refresh(id);
}

const std::string& OptionSet::Get(OptionId id) const {
    int i = static_cast<int>(id);
    if (!FTemp[i].empty()) return FTemp[i];
    if (!FUser[i].empty()) return FUser[i];
    if (!FPublic[i].empty()) return FPublic[i];
    static const std::string kDefaults[] = {kOptions[0].Default, kOptions[1].Default, kOptions[2].Default,
                                            kOptions[3].Default, kOptions[4].Default};
    return kDefaults[i];
}

void OptionSet::Refresh(OptionId id) {
    const std::string& v = Get(id);
    bool b = false;
    long l = 0;
    switch (id) {
    case OptionId::IsolationLevel:
        if (ParseLong(v, 0, 3, l)) FIsolation = static_cast<int>(l);
        break;
    case OptionId::RowCounts:
        if (ParseOnOff(v, b)) FRowCounts = b;
        break;
    case OptionId::Blocking:
        if (ParseOnOff(v, b)) FBlocking = b;
        break;
    case OptionId::BlockingTimeout:
        if (ParseLong(v, 0, 2147483647L, l)) FBlockingTimeout = l;
        break;
    case OptionId::Chained:
        if (ParseOnOff(v, b)) FChained = b;
        break;
    case OptionId::Count: break;
    }
}

} // namespace tnxdb
