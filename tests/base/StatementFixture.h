// The fixture of the base statement's tests: a test session and a statement named "Q" on it, both
// owned by a root component, with the drivers' class-wide state reset before and after each test.
// A test fixture derives from it and gives Q its columns and rows in its own SetUp.
#pragma once

#include "TestDrivers.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace tnxtest {

class StatementFixture : public ::testing::Test {
protected:
    void SetUp() override {
        TTestSession::Reset();
        session = vcl::Make<TTestSession>(root.get());
        q = vcl::Make<TTestSQL>(root.get());
        q->SetName("Q");
        q->SetSession(session);
    }
    void TearDown() override { TTestSession::Reset(); }

    // The message of the ECorvexException f raises; "(no exception)" when it raises none.
    static std::string MessageOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const tnx::ECorvexException& e) {
            return e.Message();
        }
        return "(no exception)";
    }

    vcl::TOwned<TTestRoot> root = vcl::New<TTestRoot>();
    TTestSession* session = nullptr;
    TTestSQL* q = nullptr;
};

} // namespace tnxtest
