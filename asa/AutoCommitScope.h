// TAutoCommitScope: runs a statement's auto commit when a change leaves its scope.
//
// The commit runs on every path out (also after a failed call, and when a check raises) unless
// the scope was cancelled. Its own outcome is not reported: a failure of the commit must not
// replace the outcome of the change it follows, so whatever it raises is dropped here.
#pragma once

#include <utility>

namespace tnx {

// Commit is any callable without arguments; it is held by value, so the scope costs no allocation
// and no indirect call on the path of every execution.
template <class TCommit>
class TAutoCommitScope {
public:
    explicit TAutoCommitScope(TCommit Commit) : FCommit(std::move(Commit)) {}
    ~TAutoCommitScope() {
        if (FCancelled) return;
        try {
            FCommit();
        } catch (...) {
        }
    }
    TAutoCommitScope(const TAutoCommitScope&) = delete;
    TAutoCommitScope& operator=(const TAutoCommitScope&) = delete;
    void Cancel() { FCancelled = true; }

private:
    TCommit FCommit;
    bool FCancelled = false;
};

} // namespace tnx
