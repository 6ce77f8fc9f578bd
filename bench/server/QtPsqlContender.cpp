// Qt SQL with its PostgreSQL driver (QPSQL), used as its documentation advises for speed:
// a forward-only query for the read (QSqlQuery::setForwardOnly, which lets the driver take rows
// as the server sends them), statements prepared once and re-executed with positional
// bindValue, values read by index as the QVariant the driver delivers, the inserts inside
// QSqlDatabase::transaction / commit.
#include "ServerContender.h"

#include <QtCore/QString>
#include <QtCore/QVariant>
#include <QtSql/QSqlDatabase>
#include <QtSql/QSqlError>
#include <QtSql/QSqlQuery>

#include <optional>
#include <stdexcept>

namespace srv {
namespace {

const QString kConnection = QStringLiteral("server-bench");

[[noreturn]] void Fail(const char* what, const QSqlError& e) {
    throw std::runtime_error(std::string("Qt SQL ") + what + ": " + e.text().toStdString());
}

uint64_t RowOf(const QSqlQuery& q) {
    const QVariant a = q.value(0);
    const QVariant b = q.value(1);
    const QVariant c = q.value(2);
    return Fold(a.toInt(), b.toDouble(), static_cast<std::size_t>(c.toString().size()));
}

class TQtContender : public TServerContender {
public:
    explicit TQtContender(const TServer& Server) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), kConnection);
        FAdded = true;
        if (!db.isValid()) throw std::runtime_error("Qt SQL: no QPSQL driver (Debian: libqt6sql6-psql)");
        db.setHostName(QString::fromStdString(Server.Param("TNX_PG_HOST")));
        db.setPort(std::stoi(Server.Param("TNX_PG_PORT")));
        db.setDatabaseName(QString::fromStdString(Server.Param("TNX_PG_DB")));
        db.setUserName(QString::fromStdString(Server.Param("TNX_PG_USER")));
        db.setPassword(QString::fromStdString(Server.Param("TNX_PG_PASSWORD")));
        if (!db.open()) Fail("open", db.lastError());
        FQueries.emplace(db);
        Prepare(FQueries->Read, "select a, b, c from t");
        Prepare(FQueries->Lookup, "select a, b, c from t where a = ?");
        Prepare(FQueries->Insert, "insert into ins values (?, ?, ?)");
    }
    ~TQtContender() override {
        FQueries.reset();
        if (FAdded) {
            QSqlDatabase::database(kConnection, false).close();
            QSqlDatabase::removeDatabase(kConnection);
        }
    }
    TQtContender(const TQtContender&) = delete;
    TQtContender& operator=(const TQtContender&) = delete;

    std::string Name() const override { return "Qt SQL"; }
    std::string Setup() const override {
        return "QPSQL, QSqlQuery::setForwardOnly(true), prepare once and bindValue by position, value(int), "
               "QSqlDatabase::transaction/commit";
    }

    uint64_t Read() override {
        QSqlQuery& q = FQueries->Read;
        if (!q.exec()) Fail("read", q.lastError());
        uint64_t sum = 0;
        while (q.next())
            sum += RowOf(q);
        q.finish();
        return sum;
    }

    uint64_t Lookup() override {
        QSqlQuery& q = FQueries->Lookup;
        uint64_t sum = 0;
        for (int i = 0; i < kKeys; ++i) {
            q.bindValue(0, KeyOf(i));
            if (!q.exec()) Fail("lookup", q.lastError());
            if (q.next()) sum += RowOf(q);
            q.finish();
        }
        return sum;
    }

    void Insert() override {
        QSqlDatabase db = QSqlDatabase::database(kConnection, false);
        if (!db.transaction()) Fail("transaction", db.lastError());
        QSqlQuery& q = FQueries->Insert;
        for (int i = 0; i < kInserts; ++i) {
            q.bindValue(0, i);
            q.bindValue(1, InsertedNumber(i));
            q.bindValue(2, QStringLiteral("inserted %1").arg(i));
            if (!q.exec()) Fail("insert", q.lastError());
        }
        if (!db.commit()) Fail("commit", db.lastError());
    }

private:
    struct TQueries {
        explicit TQueries(const QSqlDatabase& db) : Read(db), Lookup(db), Insert(db) {}
        QSqlQuery Read, Lookup, Insert;
    };
    void Prepare(QSqlQuery& q, const char* sql) {
        q.setForwardOnly(true);
        if (!q.prepare(QString::fromUtf8(sql))) Fail("prepare", q.lastError());
    }

    bool FAdded = false;
    std::optional<TQueries> FQueries;
};

} // namespace

std::unique_ptr<TServerContender> MakeQtContender(const TServer& Server) {
    return std::make_unique<TQtContender>(Server);
}

} // namespace srv
