// Running a piece of a test in a forked child process, for what may happen only once per process
// (loading one generation of a component package). The child reports what went wrong as text.
#pragma once

#include <functional>
#include <string>

namespace tnxdesigntest {

// Collects failed expectations inside a child process.
class Failures {
public:
    void Expect(bool condition, const std::string& what) {
        if (!condition) FText += what + "\n";
    }
    void ExpectEq(const std::string& actual, const std::string& expected, const std::string& what) {
        if (actual != expected) FText += what + ": got \"" + actual + "\", expected \"" + expected + "\"\n";
    }
    const std::string& Text() const { return FText; }

private:
    std::string FText;
};

// Runs body in a child process and returns what it reported ("" when every expectation held);
// an exception escaping body or a child that dies is reported too.
std::string RunInChild(const std::function<void(Failures&)>& body);

} // namespace tnxdesigntest
