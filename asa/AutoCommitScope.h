// TAutoCommitScope: runs a statement's auto commit when a change leaves its scope.
//
// The commit runs on every path out (also after a failed call, and when a check raises) unless
// the scope was cancelled. Its own outcome is not reported: a failure of the commit must not
// replace the outcome of the change it follows, so whatever it raises is dropped here.
#pragma once

#include <functional>
#include <utility>

namespace tnx {

class TAutoCommitScope {
public:
    explicit TAutoCommitScope(std::function<void()> Commit) : FCommit(std::move(Commit)) {}
    ~TAutoCommitScope() {
        if (!FCommit) return;
        try {
            FCommit();
        } catch (...) {
        }
    }
    TAutoCommitScope(const TAutoCommitScope&) = delete;
    TAutoCommitScope& operator=(const TAutoCommitScope&) = delete;
    void Cancel() { FCommit = nullptr; }

private:
    std::function<void()> FCommit;
};

} // namespace tnx
