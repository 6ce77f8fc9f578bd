// TAsaSQL over the client library, the product's way to the server: a session connected with a
// TCP/IP link, statements prepared once and re-executed with Variant parameters, values read by
// column index.
#include "ServerContender.h"

#include "asa/TnxAsa.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace srv {
namespace {

class TAsaContender : public TServerContender {
public:
    TAsaContender(const TServer& Server, const std::string& LibDir) {
        FSession = vcl::New<tnx::TAsaSession>();
        FSession->SetLibraryPath(LibDir);
        FSession->SetLibraryFile("libdblib7.so");
        FSession->SetServerType(tnx::stClient);
        FSession->SetClientParams("links=tcpip(host=" + Server.Param("TNX_PG_HOST") + ";port=" +
                                  Server.Param("TNX_PG_PORT") + ")");
        FSession->SetLoginDatabase(Server.Param("TNX_PG_DB"));
        FSession->SetLoginUser(Server.Param("TNX_PG_USER"));
        FSession->SetLoginPassword(Server.Param("TNX_PG_PASSWORD"));
        FSession->SetWantExceptions(true);
        FSession->SetWantRowCounts(false);
        FSession->SetConnected(true);
        Check(FSession->GetConnected(), "TAsaSQL connect");
        for (auto* q : {&FRead, &FLookup, &FInsert}) {
            *q = vcl::New<tnx::TAsaSQL>();
            (*q)->SetSession(FSession.get());
            (*q)->SetWantExceptions(true);
        }
        Check(FLookup->PrepareOpen("select a, b, c from t where a = ?"), "prepare lookup");
        Check(FInsert->PrepareExecute("insert into ins values (?, ?, ?)"), "prepare insert");
    }
    std::string Name() const override { return "TAsaSQL"; }
    std::string Setup() const override {
        return "TAsaSession over the client library (WantRowCounts false), OpenRead for the read, "
               "PrepareOpen once and OpenReadPrepared/Close per lookup, PrepareExecute once and "
               "ExecutePrepared per insert inside StartTransaction/Commit, values read by index";
    }

    uint64_t Read() override {
        tnx::TAsaSQL& q = *FRead;
        Check(q.OpenRead("select a, b, c from t"), "open");
        uint64_t sum = 0;
        while (!q.GetEOF()) {
            sum += RowOf(q);
            q.Next();
        }
        q.Close();
        return sum;
    }
    uint64_t Lookup() override {
        tnx::TAsaSQL& q = *FLookup;
        uint64_t sum = 0;
        for (int i = 0; i < kKeys; ++i) {
            q.OpenReadPrepared({vcl::Variant(KeyOf(i))});
            if (q.GetActive() && !q.GetEOF()) sum += RowOf(q);
            q.Close();
        }
        return sum;
    }
    void Insert() override {
        FSession->StartTransaction();
        char text[48];
        for (int i = 0; i < kInserts; ++i) {
            const int n = std::snprintf(text, sizeof text, "inserted %d", i);
            Check(FInsert->ExecutePrepared({vcl::Variant(i), vcl::Variant(InsertedNumber(i)),
                                            vcl::Variant(std::string_view(text, static_cast<size_t>(n)))}),
                  "insert");
        }
        Check(FSession->Commit(), "commit");
    }

private:
    static uint64_t RowOf(tnx::TAsaSQL& q) {
        const vcl::Variant a = q.GetFieldValue(vcl::Variant(int32_t(0)));
        const vcl::Variant b = q.GetFieldValue(vcl::Variant(int32_t(1)));
        const vcl::Variant c = q.GetFieldValue(vcl::Variant(int32_t(2)));
        return Fold(a.AsInteger(), b.AsDouble(), c.TextRef().size());
    }
    vcl::TOwned<tnx::TAsaSession> FSession;
    vcl::TOwned<tnx::TAsaSQL> FRead, FLookup, FInsert;
};

} // namespace

std::unique_ptr<TServerContender> MakeAsaContender(const TServer& Server, const std::string& LibDir) {
    return std::make_unique<TAsaContender>(Server, LibDir);
}

} // namespace srv
