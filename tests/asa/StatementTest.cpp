// Statements attached to a session: the disconnect sequence closes them before anything else
// happens on the connection, and destroying the session leaves them alive without a session.
#include "AsaTestSupport.h"

#include "base/CorvexBlob.h"

using namespace tnx;
using namespace asatest;

namespace {

std::vector<std::string>* gLog = nullptr;

// A statement that only records being closed and unprepared; it never reaches the database.
class TRecordingSQL : public TCorvexSQL {
    VCL_CLASS(TRecordingSQL, TCorvexSQL)
public:
    explicit TRecordingSQL(vcl::TComponent* owner) : TCorvexSQL(owner) {}

    void InternalClose() override {
        if (gLog) gLog->push_back(GetName() + " close");
        TCorvexSQL::InternalClose();
    }
    bool InternalSetFieldDef(int32_t, void*, TCorvexFieldDesc&, int32_t) override { return true; }
    bool InternalDescribePrepare() override { return true; }
    bool InternalDescribeOpen(bool) override { return true; }
    bool InternalExecute(vcl::TStrings*) override { return true; }
    int32_t InternalGetVariableLength(TCorvexFieldTypes) override { return 0; }
    int32_t InternalGetVariableExtType(TCorvexFieldTypes) override { return 0; }
    bool InternalBindVariables(void*, TCorvexVariables&, void*, vcl::TStrings*) override { return true; }
    bool InternalBindOutVariables(void*, TCorvexVariables&, void*, vcl::TStrings*) override { return true; }
    TCorvexBlobStream* InternalCreateBlobStream(const vcl::AnsiString&) override { return nullptr; }
    vcl::Variant GetFieldData(const void*, int32_t, int32_t, TCorvexFieldTypes, TCorvexBlobStream*) override {
        return {};
    }
    void PutFieldData(void*, int32_t, int32_t, TCorvexFieldTypes, const vcl::Variant&,
                      TCorvexBlobStream*) override {}
    bool First() override { return false; }
    bool Last() override { return false; }
    bool Next() override { return false; }
    bool Prev() override { return false; }
    bool Modify() override { return false; }
    bool Append() override { return false; }
    bool Delete() override { return false; }

protected:
    ~TRecordingSQL() override = default;
};

VCL_CLASS_INFO(TRecordingSQL)

class AsaStatements : public AsaTest {
protected:
    void SetUp() override {
        AsaTest::SetUp();
        gLog = &Log;
    }
    void TearDown() override {
        gLog = nullptr;
        AsaTest::TearDown();
    }
    std::vector<std::string> Log;
};

} // namespace

TEST_P(AsaStatements, DisconnectClosesTheStatementsBeforeEndingTheConnection) {
    auto a = vcl::New<TRecordingSQL>();
    auto b = vcl::New<TRecordingSQL>();
    a->SetName("A");
    b->SetName("B");
    a->SetSession(&S());
    b->SetSession(&S());
    EXPECT_EQ(S().GetQueryCount(), 2);
    S().SetConnected(true);
    S().SetBeforeDisconnect([&](vcl::TObject*) { Log.push_back("BeforeDisconnect"); });
    Log.clear();
    S().SetConnected(false);
    EXPECT_EQ(Log, (std::vector<std::string>{"A close", "B close", "BeforeDisconnect"}));

    // Destroying the session detaches the statements; they live on without one.
    S().SetConnected(true);
    FSession.reset();
    EXPECT_FALSE(a->IsSessionAssigned());
    EXPECT_FALSE(b->IsSessionAssigned());
}

INSTANTIATE_TEST_SUITE_P(Generations, AsaStatements, ::testing::ValuesIn(CurrentGenerations()),
                         GenerationName);
