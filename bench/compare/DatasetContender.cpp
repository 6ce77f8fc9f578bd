// The product's dataset: TAsaDataset over TAsaSession, loading libdblib7 by file name, used as a
// program that shows a query's rows uses it: the query prepared once (Prepare), opened, walked with
// Next and every column read through its field object (AsInteger, AsFloat, AsString, AsDateTime);
// record numbers set through RecNo. It does works 1 and 5 only: a dataset shows the rows of one
// query, it is no way to run lookups, inserts or long values.
//
// Work 1 runs on a session with WantRowCounts false (no exact count at the open, as the TAsaSQL
// contender); work 5 needs record numbers, which the dataset honours only when the session asks
// the server for row counts, so it runs on a second session with WantRowCounts true.
#include "Contender.h"

#include "asa/dataset/TnxAsaDS.h"
#include "platform/vcl/DateTime.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace cmp {
namespace {

vcl::TOwned<tnx::TAsaSession> Connect(const std::string& LibDir, const TDataSet& Data, bool RowCounts) {
    auto session = vcl::New<tnx::TAsaSession>();
    session->SetLibraryPath(LibDir);
    session->SetLibraryFile("libdblib7.so");
    // The engine another contender may already run on this file: connect to it, else start it.
    session->SetLoginEngineName("compare");
    session->SetServerType(tnx::stWorkgroup);
    session->SetLoginDatabase(Data.File());
    session->SetLoginUser("DBA");
    session->SetLoginPassword("SQL");
    session->SetWantRowCounts(RowCounts);
    session->SetConnected(true);
    if (!session->GetConnected()) throw std::runtime_error("TAsaDataset: the session did not connect");
    return session;
}

vcl::TOwned<tnx::TAsaDataset> NewDataset(tnx::TAsaSession* session, const char* sql, bool readOnly) {
    auto ds = vcl::New<tnx::TAsaDataset>();
    ds->SetSession(session);
    ds->SetReadOnly(readOnly);
    ds->GetSQL()->SetText(sql);
    ds->Prepare();
    return ds;
}

// The four fields of a row of t or s, looked up once per open.
struct TRowFields {
    explicit TRowFields(tnx::TAsaDataset& ds)
        : A(ds.FieldByName("a")), B(ds.FieldByName("b")), C(ds.FieldByName("c")), D(ds.FieldByName("d")) {}
    uint64_t Sum() const {
        int hour, minute, second, msec;
        vcl::DecodeTime(D->GetAsDateTime(), hour, minute, second, msec);
        return RowSum(A->GetAsInteger(), B->GetAsFloat(), C->GetAsString().size(), second);
    }
    vcl::TField *A, *B, *C, *D;
};

class TDatasetContender : public TContender {
public:
    explicit TDatasetContender(std::string LibDir) : FLibDir(std::move(LibDir)) {}
    ~TDatasetContender() override {
        // Datasets before the sessions they are attached to.
        FWalk.reset();
        FScroll.reset();
        FWalkSession.reset();
        FScrollSession.reset();
    }

    std::string Name() const override { return "TAsaDataset"; }
    std::string Setup() const override {
        return "TAsaDataset over TAsaSession and libdblib7 (its cursor scrollable, MaxFetchCount 25); "
               "Prepare "
               "once, then Open; work 1 walks with Next on a session with WantRowCounts false, work 5 sets "
               "RecNo on a session with WantRowCounts true (record numbers need it); every column read "
               "through its field object (AsInteger, AsFloat, AsString, AsDateTime)";
    }
    bool WalksOnly() const override { return true; }

    void Open(const TDataSet& Data) override {
        FWalkSession = Connect(FLibDir, Data, false);
        FScrollSession = Connect(FLibDir, Data, true);
        FWalk = NewDataset(FWalkSession.get(), "select a, b, c, d from t", true);
        FScroll = NewDataset(FScrollSession.get(), "select a, b, c, d from s order by a", true);
    }

    uint64_t Read() override {
        tnx::TAsaDataset& ds = *FWalk;
        ds.Open();
        const TRowFields row(ds);
        uint64_t sum = 0;
        for (; !ds.GetEof(); ds.Next())
            sum += row.Sum();
        ds.Close();
        return sum;
    }

    uint64_t Scroll(std::span<const int32_t> Positions) override {
        tnx::TAsaDataset& ds = *FScroll;
        ds.Open();
        const TRowFields row(ds);
        uint64_t sum = 0;
        for (int32_t p : Positions) {
            ds.SetRecNo(p + 1);
            if (ds.GetRecNo() == p + 1) sum += row.Sum();
        }
        ds.Close();
        return sum;
    }

    uint64_t Lookup(std::span<const int32_t>) override { throw std::logic_error("TAsaDataset: no lookups"); }
    void Insert(int32_t) override { throw std::logic_error("TAsaDataset: no inserts"); }
    void PrepareLong(std::span<const uint8_t>) override {}
    void WriteLong() override { throw std::logic_error("TAsaDataset: no long values"); }
    uint64_t ReadLong() override { throw std::logic_error("TAsaDataset: no long values"); }

private:
    std::string FLibDir;
    vcl::TOwned<tnx::TAsaSession> FWalkSession, FScrollSession;
    vcl::TOwned<tnx::TAsaDataset> FWalk, FScroll;
};

} // namespace

std::unique_ptr<TContender> NewDatasetContender(std::string LibDir) {
    return std::make_unique<TDatasetContender>(std::move(LibDir));
}

TEditPostTimes MeasureDatasetEditPost(const std::string& LibDir, const TDataSet& Data, int Runs) {
    auto session = Connect(LibDir, Data, true);
    auto ds = NewDataset(session.get(), "select a, b, c, d from s order by a", false);
    ds->Open();
    vcl::TField* c = ds->FieldByName("c");
    TEditPostTimes times;
    auto seconds = [](std::chrono::steady_clock::time_point start) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    for (int run = 0; run < Runs; ++run) {
        // A row in the back half (the re-run reaches it from the end) and one in the front half,
        // in turn; the text only changes case, so its length (what the folds count) stays.
        const int32_t row = run % 2 == 0 ? Data.Sizes().ScrollRows * 3 / 4 : Data.Sizes().ScrollRows / 4;
        ds->SetRecNo(row + 1);
        std::string text = c->GetAsString();
        for (char& ch : text)
            ch =
                static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 32 : (ch >= 'A' && ch <= 'Z' ? ch + 32 : ch));
        auto start = std::chrono::steady_clock::now();
        ds->Edit();
        c->SetAsString(text);
        ds->Post();
        times.Post.push_back(seconds(start));
        if (ds->GetRecNo() != row + 1 || c->GetAsString() != text)
            throw std::runtime_error("TAsaDataset: the post did not come back to the record it changed");
        // The re-run alone, as a refresh of the same record does it.
        start = std::chrono::steady_clock::now();
        ds->Refresh();
        times.Refresh.push_back(seconds(start));
    }
    ds->Close();
    return times;
}

} // namespace cmp
