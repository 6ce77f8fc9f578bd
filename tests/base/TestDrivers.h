// Small driver classes for the base-class tests: a session that counts library loads and records
// the order of the steps the base calls, with knobs that make a step fail. Its state is static
// (like a real driver's class-wide library state); each test resets it with TTestSession::Reset.
#pragma once

#include "base/TnxBase.h"
#include "platform/vcl/Classes.h"

#include <string>
#include <vector>

namespace tnxtest {

// The steps taken, in order, by every test driver object ("InternalLoadLibrary", "connect x", ...).
std::vector<std::string>& StepLog();
// Whether a step of that text was recorded.
bool Logged(const std::string& step);
// Position of the first such step in the log, or -1.
int LogIndex(const std::string& step);

class TTestSession : public tnx::TCorvexSession {
    VCL_CLASS(TTestSession, tnx::TCorvexSession)
public:
    explicit TTestSession(vcl::TComponent* owner) : tnx::TCorvexSession(owner) {}

    // Class-wide library state, as a driver keeps it.
    static inline int32_t ReferenceCount = 0;
    static inline int Loads = 0;
    static inline int Unloads = 0;
    // Folder InternalLoadLibrary "finds" the library in (with a trailing delimiter).
    static inline std::string FoundDirectory;
    // Non-empty: the step raises ECorvexException with this message.
    static inline std::string FailLoadLibrary, FailLoadProcs, FailConnect, FailDisconnect, FailCommit;
    // The code the next Check reports (0: no error).
    static inline int32_t CheckCode = 0;
    static void Reset();

    int32_t GetLibraryReferenceCount() override { return ReferenceCount; }
    void SetLibraryReferenceCount(int32_t Count) override;
    void InternalLoadLibrary() override;
    void InternalUnLoadLibrary() override;
    void InternalLoadProcs() override;
    void InternalUnloadLoadProcs() override;
    // Connects as a driver does: nothing but the base while reading or when the state is unchanged;
    // otherwise the library, the work, and the base last.
    void SetConnected(bool Value) override;
    void SetLibraryLoaded(bool Value) override;
    bool Check(void* Handle, int32_t Code, int32_t Extra, bool RaiseOnError) override;
    bool InternalCommit() override;
    bool InternalRollback() override;
    bool Stop() override;

    // The properties seen when the connection was made (to tell when it happened).
    std::string DatabaseAtConnect;

protected:
    ~TTestSession() override;
};

// A plain component to hold forms of sessions (registered for streaming with the session).
class TTestRoot : public vcl::TComponent {
    VCL_CLASS(TTestRoot, vcl::TComponent)
public:
    explicit TTestRoot(vcl::TComponent* owner) : vcl::TComponent(owner) {}
    vcl::AnsiString Caption; // published: shows that loading went on after the session
protected:
    ~TTestRoot() override;
};

// Registers the test classes for form reading (idempotent).
void RegisterTestDrivers();

} // namespace tnxtest
