// The product: TAsaSQL over TAsaSession, loading libdblib7 by file name. Used as its header
// shows: the statements that run again and again prepared once (PrepareExecute) and executed with
// new values of the same types, so nothing is described or bound twice; a point lookup is such a
// single-row query, its values read as output values (GetOutVar): one request of the client
// library per key, as an embedded-SQL program looks up one row. Uni-directional cursors for the
// forward reads and a scrollable one (UniDirectional false) for work 5; the inserts inside
// StartTransaction / Commit; WantExceptions on. Values are the product's own Variants: varInteger,
// varDouble, varString, varDate (TDateTime) and a byte array for the long value.
#include "Contender.h"
#include "VariantFold.h"

#include "asa/TnxAsa.h"
#include "platform/vcl/DateTime.h"

#include <cstring>
#include <stdexcept>

namespace cmp {
namespace {

using vcl::Variant;

uint64_t RowOf(tnx::TAsaSQL& q) {
    return VariantRowSum([&](int32_t i) { return q.GetFieldValue(Variant(i)); });
}

uint64_t OutputsOf(tnx::TAsaSQL& q) {
    return VariantRowSum([&](int32_t i) { return q.GetOutVar(Variant(i)); });
}

class TAsaContender : public TContender {
public:
    TAsaContender(std::string LibDir, bool WantRowCounts)
        : FLibDir(std::move(LibDir)), FRowCounts(WantRowCounts) {}
    ~TAsaContender() override {
        // Statements before the session they are attached to.
        FRead.reset();
        FLookup.reset();
        FInsert.reset();
        FWriteLong.reset();
        FReadLong.reset();
        FScroll.reset();
        FSession.reset();
    }

    std::string Name() const override { return "TAsaSQL"; }
    std::string Setup() const override {
        return std::string("TAsaSession over libdblib7 with WantRowCounts ") +
               (FRowCounts ? "true (the default: an exact row count at each open)"
                           : "false (no exact row count at each open)") +
               "; PrepareExecute once, then ExecutePrepared with same-shaped values for works 2, 3 "
               "and 4 (the lookups of work 2 read with GetOutVar); OpenRead with UniDirectional "
               "cursors (MaxFetchCount 25, the default) for works 1 and 4, UniDirectional false with "
               "MoveTo for work 5; StartTransaction / Commit; GetFieldValue by column index";
    }

    void Open(const TDataSet& Data) override {
        FSession = vcl::New<tnx::TAsaSession>();
        FSession->SetLibraryPath(FLibDir);
        FSession->SetLibraryFile("libdblib7.so");
        // The engine the client-library contender may already run on this file (one file runs under
        // one engine and database name): connect to it when it runs, else start it.
        FSession->SetLoginEngineName("compare");
        FSession->SetServerType(tnx::stWorkgroup);
        FSession->SetLoginDatabase(Data.File());
        FSession->SetLoginUser("DBA");
        FSession->SetLoginPassword("SQL");
        FSession->SetWantExceptions(true);
        // Exact row counts at every open (the session's default) make the library count the
        // query's rows before the first fetch: a second pass over the result of every open. The
        // counts are not used here, and a program tuned for speed does not ask for them.
        FSession->SetWantRowCounts(FRowCounts);
        FSession->SetConnected(true);
        if (!FSession->GetConnected()) throw std::runtime_error("TAsaSQL: the session did not connect");
        for (auto* q : {&FRead, &FLookup, &FInsert, &FWriteLong, &FReadLong, &FScroll}) {
            *q = vcl::New<tnx::TAsaSQL>();
            (*q)->SetSession(FSession.get());
            (*q)->SetWantExceptions(true);
        }
        FScroll->SetUniDirectional(false);
        Require(FLookup->PrepareExecute("select a, b, c, d from t where a = ?"), "prepare lookup");
        Require(FInsert->PrepareExecute("insert into ins values (?, ?, ?, ?)"), "prepare insert");
        Require(FWriteLong->PrepareExecute("insert into big values (2, ?)"), "prepare long insert");
    }

    uint64_t Read() override {
        tnx::TAsaSQL& q = *FRead;
        Require(q.OpenRead("select a, b, c, d from t"), "open");
        uint64_t sum = 0;
        while (!q.GetEOF()) {
            sum += RowOf(q);
            q.Next();
        }
        q.Close();
        return sum;
    }

    uint64_t Lookup(std::span<const int32_t> Keys) override {
        tnx::TAsaSQL& q = *FLookup;
        uint64_t sum = 0;
        for (int32_t key : Keys) {
            // A key that finds no row answers false (a warning) and processes none; errors raise
            // (WantExceptions).
            q.ExecutePrepared({Variant(key)});
            if (q.GetRowsProcessed() == 1) sum += OutputsOf(q);
        }
        return sum;
    }

    void Insert(int32_t Count) override {
        FSession->StartTransaction();
        tnx::TAsaSQL& q = *FInsert;
        char text[32];
        for (int32_t i = 0; i < Count; ++i) {
            const int n = RowText(i, text);
            const TStamp s = RowStamp(i);
            const vcl::TDateTime stamp =
                vcl::EncodeDateTime(s.Year, s.Month, s.Day, s.Hour, s.Minute, s.Second, 0);
            Require(q.ExecutePrepared({Variant(i), Variant(RowDouble(i)),
                                       Variant(std::string_view(text, static_cast<std::size_t>(n))),
                                       Variant(stamp)}),
                    "insert");
        }
        Require(FSession->Commit(), "commit");
    }

    void PrepareLong(std::span<const uint8_t> Value) override {
        FLong = vcl::VarArrayCreate({0, static_cast<int32_t>(Value.size()) - 1}, vcl::varByte);
        vcl::TVarArrayLock lock(FLong);
        std::memcpy(lock.Data(), Value.data(), Value.size());
    }

    void WriteLong() override {
        Require(FWriteLong->ExecutePrepared({FLong}), "insert long");
        Require(FSession->Commit(), "commit");
    }

    uint64_t ReadLong() override {
        tnx::TAsaSQL& q = *FReadLong;
        Require(q.OpenRead("select v from big where id = 1"), "open long");
        uint64_t sum = 0;
        if (!q.GetEOF()) {
            const Variant v = q.GetFieldValue(Variant(int32_t(0)));
            if (v.IsArray()) {
                const int32_t n = vcl::VarArrayHighBound(v, 1) - vcl::VarArrayLowBound(v, 1) + 1;
                sum = BytesChecksum(vcl::VarArrayLock(v), static_cast<std::size_t>(n));
                vcl::VarArrayUnlock(v);
            }
        }
        q.Close();
        return sum;
    }

    uint64_t Scroll(std::span<const int32_t> Positions) override {
        tnx::TAsaSQL& q = *FScroll;
        Require(q.OpenRead("select a, b, c, d from s order by a"), "open scroll");
        uint64_t sum = 0;
        for (int32_t p : Positions)
            if (q.MoveTo(p)) sum += RowOf(q);
        q.Close();
        return sum;
    }

private:
    static void Require(bool ok, const char* what) {
        if (!ok) throw std::runtime_error(std::string("TAsaSQL: ") + what + " failed");
    }

    std::string FLibDir;
    bool FRowCounts; // the session's WantRowCounts
    vcl::TOwned<tnx::TAsaSession> FSession;
    vcl::TOwned<tnx::TAsaSQL> FRead, FLookup, FInsert, FWriteLong, FReadLong, FScroll;
    Variant FLong; // work 4's value as a byte array
};

} // namespace

std::unique_ptr<TContender> NewAsaContender(std::string LibDir, bool WantRowCounts) {
    return std::make_unique<TAsaContender>(std::move(LibDir), WantRowCounts);
}

} // namespace cmp
