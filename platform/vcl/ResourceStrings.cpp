// The run-time message table: an override map keyed by (module, identifier) behind a
// reader-writer lock. Lookups of messages without any override installed take no lock at all.
#include "platform/vcl/ResourceStrings.h"

#include <atomic>
#include <map>
#include <mutex>
#include <shared_mutex>
#include <utility>

namespace vcl {

namespace {

using Key = std::pair<AnsiString, std::int32_t>;

// Transparent comparison so lookups need not build a std::string key.
struct KeyLess {
    using is_transparent = void;
    template <class A, class B>
    bool operator()(const A& a, const B& b) const {
        int c = std::string_view(a.first).compare(std::string_view(b.first));
        if (c != 0) return c < 0;
        return a.second < b.second;
    }
};

struct OverrideTable {
    std::shared_mutex Lock;
    std::map<Key, AnsiString, KeyLess> Texts; // guarded by Lock
    std::atomic<std::size_t> Count{0};        // Texts.size(), readable without the lock
};

OverrideTable& Table() {
    static OverrideTable table; // constructed on first use, safe from static initialisers
    return table;
}

} // namespace

AnsiString LoadResString(const TResStringRec& rec) {
    OverrideTable& t = Table();
    if (t.Count.load(std::memory_order_acquire) != 0) {
        std::shared_lock guard(t.Lock);
        auto it = t.Texts.find(std::pair<std::string_view, std::int32_t>(rec.Module, rec.Identifier));
        if (it != t.Texts.end()) return it->second;
    }
    return rec.DefaultText ? AnsiString(rec.DefaultText) : AnsiString();
}

void SetResourceStringOverride(std::string_view module, std::int32_t identifier, std::string_view text) {
    OverrideTable& t = Table();
    std::unique_lock guard(t.Lock);
    t.Texts.insert_or_assign(Key(AnsiString(module), identifier), AnsiString(text));
    t.Count.store(t.Texts.size(), std::memory_order_release);
}

bool RemoveResourceStringOverride(std::string_view module, std::int32_t identifier) {
    OverrideTable& t = Table();
    std::unique_lock guard(t.Lock);
    auto it = t.Texts.find(std::pair<std::string_view, std::int32_t>(module, identifier));
    if (it == t.Texts.end()) return false;
    t.Texts.erase(it);
    t.Count.store(t.Texts.size(), std::memory_order_release);
    return true;
}

void SetResourceStringOverrides(std::span<const TResStringOverride> overrides) {
    OverrideTable& t = Table();
    std::unique_lock guard(t.Lock);
    for (const TResStringOverride& o : overrides)
        t.Texts.insert_or_assign(Key(o.Module, o.Identifier), o.Text);
    t.Count.store(t.Texts.size(), std::memory_order_release);
}

void ReplaceResourceStringOverrides(std::span<const TResStringOverride> overrides) {
    // Build the new table outside the lock, then swap it in, so readers see either the old or
    // the new translation and never a mixture.
    std::map<Key, AnsiString, KeyLess> fresh;
    for (const TResStringOverride& o : overrides)
        fresh.insert_or_assign(Key(o.Module, o.Identifier), o.Text);
    OverrideTable& t = Table();
    std::unique_lock guard(t.Lock);
    t.Texts.swap(fresh);
    t.Count.store(t.Texts.size(), std::memory_order_release);
}

void ClearResourceStringOverrides() {
    ReplaceResourceStringOverrides({});
}

} // namespace vcl
