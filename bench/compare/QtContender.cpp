// Qt 6 SQL with its SQLite driver (QSQLITE), used as its documentation advises for speed:
// forward-only queries where the work only moves forward (QSqlQuery::setForwardOnly), statements
// prepared once and re-executed with positional bindValue, values read by index, and the inserts
// inside QSqlDatabase::transaction / commit. The connection runs with synchronous=FULL, as the
// client library runs its databases. Values are Qt's own: the QVariant the driver delivers for
// every column (QSQLITE delivers a time stamp as text: a QVariant holding a QString; turning it
// into a QDateTime is left to the caller and not counted) and QByteArray for the long value.
#include "Contender.h"

#include <QtCore/QByteArray>
#include <QtCore/QDateTime>
#include <QtCore/QString>
#include <QtCore/QVariant>
#include <QtSql/QSqlDatabase>
#include <QtSql/QSqlError>
#include <QtSql/QSqlQuery>

#include <optional>
#include <stdexcept>

namespace cmp {
namespace {

const QString kConnection = QStringLiteral("compare");

uint64_t RowOf(const QSqlQuery& q) {
    const QVariant a = q.value(0);
    const QVariant b = q.value(1);
    const QVariant c = q.value(2);
    const QString d = q.value(3).toString();
    const int second = d.size() >= 19 ? (d[17].unicode() - '0') * 10 + (d[18].unicode() - '0') : 0;
    return RowSum(a.toInt(), b.toDouble(), static_cast<std::size_t>(c.toString().size()), second);
}

class TQtContender : public TContender {
public:
    ~TQtContender() override {
        FQueries.reset();
        if (FOpened) {
            QSqlDatabase::database(kConnection, false).close();
            QSqlDatabase::removeDatabase(kConnection);
        }
    }

    std::string Name() const override { return "Qt SQL"; }
    std::string Setup() const override {
        return "QSQLITE, QSqlQuery::setForwardOnly(true) for works 1, 2 and 4, time stamps taken as the "
               "QVariant "
               "(text) the driver delivers, prepare once and bindValue by "
               "position, value(int), QSqlDatabase::transaction/commit, synchronous=FULL; work 5 on a "
               "scrollable QSqlQuery with seek()";
    }

    void Open(const TDataSet& Data) override {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
        FOpened = true;
        db.setDatabaseName(QString::fromStdString(Data.File()));
        if (!db.open()) Fail("open", db.lastError());
        QSqlQuery pragma(db);
        if (!pragma.exec(QStringLiteral("PRAGMA synchronous=FULL"))) Fail("pragma", pragma.lastError());
        FQueries.emplace(db);
        TQueries& q = *FQueries;
        Prepare(q.Read, "select a, b, c, d from t", true);
        Prepare(q.Lookup, "select a, b, c, d from t where a = ?", true);
        Prepare(q.Insert, "insert into ins values (?, ?, ?, ?)", true);
        Prepare(q.WriteLong, "insert into big values (2, ?)", true);
        Prepare(q.ReadLong, "select v from big where id = 1", true);
        Prepare(q.Scroll, "select a, b, c, d from s order by a", false);
    }

    uint64_t Read() override {
        QSqlQuery& q = FQueries->Read;
        Exec(q, "read");
        uint64_t sum = 0;
        while (q.next())
            sum += RowOf(q);
        q.finish();
        return sum;
    }

    uint64_t Lookup(std::span<const int32_t> Keys) override {
        QSqlQuery& q = FQueries->Lookup;
        uint64_t sum = 0;
        for (int32_t key : Keys) {
            q.bindValue(0, key);
            Exec(q, "lookup");
            if (q.next()) sum += RowOf(q);
        }
        q.finish();
        return sum;
    }

    void Insert(int32_t Count) override {
        QSqlDatabase db = QSqlDatabase::database(kConnection, false);
        if (!db.transaction()) Fail("transaction", db.lastError());
        QSqlQuery& q = FQueries->Insert;
        char text[32];
        for (int32_t i = 0; i < Count; ++i) {
            const int n = RowText(i, text);
            const TStamp s = RowStamp(i);
            q.bindValue(0, i);
            q.bindValue(1, RowDouble(i));
            q.bindValue(2, QString::fromLatin1(text, n));
            q.bindValue(3, QDateTime(QDate(s.Year, s.Month, s.Day), QTime(s.Hour, s.Minute, s.Second)));
            Exec(q, "insert");
        }
        if (!db.commit()) Fail("commit", db.lastError());
    }

    void PrepareLong(std::span<const uint8_t> Value) override {
        FLong = QByteArray(reinterpret_cast<const char*>(Value.data()), static_cast<qsizetype>(Value.size()));
    }

    void WriteLong() override {
        QSqlQuery& q = FQueries->WriteLong;
        q.bindValue(0, FLong);
        Exec(q, "insert long");
        q.finish();
    }

    uint64_t ReadLong() override {
        QSqlQuery& q = FQueries->ReadLong;
        Exec(q, "read long");
        uint64_t sum = 0;
        if (q.next()) {
            const QByteArray v = q.value(0).toByteArray();
            sum = BytesChecksum(v.constData(), static_cast<std::size_t>(v.size()));
        }
        q.finish();
        return sum;
    }

    uint64_t Scroll(std::span<const int32_t> Positions) override {
        QSqlQuery& q = FQueries->Scroll;
        Exec(q, "scroll");
        uint64_t sum = 0;
        for (int32_t p : Positions)
            if (q.seek(p)) sum += RowOf(q);
        q.finish();
        return sum;
    }

private:
    // The prepared queries; they go before the connection is removed.
    struct TQueries {
        explicit TQueries(const QSqlDatabase& db)
            : Read(db), Lookup(db), Insert(db), WriteLong(db), ReadLong(db), Scroll(db) {}
        QSqlQuery Read, Lookup, Insert, WriteLong, ReadLong, Scroll;
    };

    void Prepare(QSqlQuery& q, const char* sql, bool forwardOnly) {
        q.setForwardOnly(forwardOnly);
        if (!q.prepare(QString::fromLatin1(sql))) Fail(sql, q.lastError());
    }
    static void Exec(QSqlQuery& q, const char* what) {
        if (!q.exec()) Fail(what, q.lastError());
    }
    [[noreturn]] static void Fail(const char* what, const QSqlError& e) {
        throw std::runtime_error(std::string("Qt SQL: ") + what + ": " + e.text().toStdString());
    }

    bool FOpened = false;
    std::optional<TQueries> FQueries;
    QByteArray FLong;
};

} // namespace

std::unique_ptr<TContender> NewQtContender() {
    return std::make_unique<TQtContender>();
}

} // namespace cmp
