// C++ access to the client library's test instrument from a loaded library handle (dlopen). The
// instrument records the calls made into the library, one text line per call, and injects a
// chosen sqlcode into a chosen call. Only tests use it; the product never calls these exports.
//
//   tnxdb::TestInstrument probe(handle);
//   probe.Record(true);                      // start recording (probe.Clear() empties the record)
//   ... calls ...
//   std::vector<std::string> calls = probe.Lines();   // e.g. dbpp_commit(0)
//   probe.Inject("dbpp_commit", 2, -308);    // the 2nd dbpp_commit from now answers -308
//   probe.Inject("db_string_connect", 0, -100); // every call until probe.ClearInjections()
//
// Line format: name(arg, ...): strings double-quoted with C escapes, null pointers as null, SQLDAs
// as sqlda(<sqld>), statement numbers as the value passed in, password values masked as ***.
// An injected negative code replaces the call: it does nothing else and fails with that code. An
// injected -308 (connection terminated) also ends the SQLCA's connection, as a stopped engine or a
// broken network would: its uncommitted work is rolled back and later calls answer -308 until the
// client disconnects.
#pragma once

#include <dlfcn.h>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace tnxdb {

class TestInstrument {
public:
    explicit TestInstrument(void* libraryHandle) {
        Bind(libraryHandle, "tnxdb_test_record", FRecord);
        Bind(libraryHandle, "tnxdb_test_record_clear", FClear);
        Bind(libraryHandle, "tnxdb_test_record_text", FText);
        Bind(libraryHandle, "tnxdb_test_inject", FInject);
        Bind(libraryHandle, "tnxdb_test_inject_clear", FInjectClear);
    }

    void Record(bool on) const { FRecord(on ? 1 : 0); }
    void Clear() const { FClear(); }
    std::string Text() const {
        size_t n = FText(nullptr, 0);
        std::string text(n + 1, '\0');
        n = FText(text.data(), text.size());
        text.resize(n);
        return text;
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::string text = Text();
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            lines.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return lines;
    }
    // nth: 1 for the next call of the entry point, 2 for the one after, ...; 0 for every call.
    void Inject(const std::string& entry, unsigned nth, int sqlcode) const { FInject(entry.c_str(), nth, sqlcode); }
    void ClearInjections() const { FInjectClear(); }

private:
    template <class F>
    static void Bind(void* handle, const char* name, F& fn) {
        fn = reinterpret_cast<F>(dlsym(handle, name));
        if (!fn) throw std::runtime_error(std::string("the client library lacks ") + name);
    }

    void (*FRecord)(int) = nullptr;
    void (*FClear)() = nullptr;
    size_t (*FText)(char*, size_t) = nullptr;
    void (*FInject)(const char*, unsigned, int) = nullptr;
    void (*FInjectClear)() = nullptr;
};

} // namespace tnxdb
