// Connection options: the documented set (isolation_level, row_counts, blocking,
// blocking_timeout, chained), how their values are checked, and the per-connection settings in
// force: a temporary setting, else the user's permanent one, else PUBLIC's, else the default.
// Values are kept as they were set (letter case included) and reported so; the parsed form of
// each is cached for the request path.
#pragma once

#include <string>
#include <string_view>

namespace tnxdb {

enum class OptionId { IsolationLevel, RowCounts, Blocking, BlockingTimeout, Chained, Count };

// The option of that name (any letter case); throws DBLIB_E_BAD_OPTION when there is none.
OptionId FindOption(std::string_view name);
const char* OptionName(OptionId id);
// Checks a value for an option; throws DBLIB_E_BAD_OPTION_VALUE when it does not fit.
void ValidateOption(OptionId id, std::string_view value);

class OptionSet {
public:
    OptionSet();
    // Layers, from weakest to strongest. An empty value clears that layer's setting.
    void SetPublic(OptionId id, std::string_view value);
    void SetUser(OptionId id, std::string_view value);
    void SetTemporary(OptionId id, std::string_view value);
    // The value in force.
    const std::string& Get(OptionId id) const;

    // Parsed values in force.
    int IsolationLevel() const { return FIsolation; }
    bool RowCounts() const { return FRowCounts; }
    bool Blocking() const { return FBlocking; }
    long BlockingTimeoutMs() const { return FBlockingTimeout; }
    bool Chained() const { return FChained; }

private:
    static constexpr int kCount = static_cast<int>(OptionId::Count);
    void Refresh(OptionId id);
    std::string FPublic[kCount], FUser[kCount], FTemp[kCount];
    int FIsolation = 0;
    bool FRowCounts = false, FBlocking = true, FChained = true;
    long FBlockingTimeout = 0;
};

} // namespace tnxdb
