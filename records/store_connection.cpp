#include "records/store_connection.h"
#include "records/record_columns.h"
#include "records/transaction.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

#include <algorithm>
#include <atomic>

namespace auxpad {

QString recordTime(const Clock& clock)
{
    return clock.wallTime().toString(Qt::ISODateWithMs);
}

StoreConnection::StoreConnection() : station_(StoreUrls::stationName({}))
{
    static std::atomic<int> stores{0};
    connection_ = QStringLiteral("auxpad-records-%1").arg(stores++);
}

StoreConnection::~StoreConnection()
{
    statements_.clear();
    if (db_.isValid()) {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection_);
    }
}

Unexpected<QString> StoreConnection::fail(const QString& what, const QString& why) const
{
    return unexpected(QStringLiteral("the records at %1 cannot be %2: %3").arg(StoreUrls::shownUrl(url_), what, why));
}

Expected<void, QString> StoreConnection::open(const QString& url, Opening how)
{
    url_ = url;
    identity_.clear();
    statements_.clear();
    const bool mayCreate = how == Opening::MayCreate;
    if (auto checked = StoreUrls::checkUrl(url); !checked)
        return checked;
    postgres_ = !url.startsWith("sqlite:");
    if (db_.isValid()) { // opened before, and closed: its connection goes first
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection_);
    }
    db_ = QSqlDatabase::addDatabase(postgres_ ? "QPSQL" : "QSQLITE", connection_);
    if (!db_.isValid())
        return unexpected(QStringLiteral("Qt has no %1 driver; install %2")
                              .arg(postgres_ ? "PostgreSQL" : "SQLite", postgres_ ? "libqt6sql6-psql" : "libqt6sql6-sqlite"));
    if (postgres_) {
        const QUrl parsed(url);
        db_.setHostName(parsed.host());
        db_.setPort(parsed.port(5432));
        db_.setUserName(parsed.userName());
        db_.setPassword(parsed.password()); // none: libpq takes $PGPASSWORD or ~/.pgpass
        db_.setDatabaseName(parsed.path().mid(1));
        db_.setConnectOptions("connect_timeout=3");
    } else {
        const QString path = url.mid(7);
        if (!mayCreate && !QFileInfo(path).isFile())
            return fail("opened", "there is no such file");
        if (!QDir().mkpath(QFileInfo(path).absolutePath()))
            return fail("created", "the folder " + QFileInfo(path).absolutePath() + " cannot be made");
        db_.setDatabaseName(path);
        // Another station process may be writing; it is waited for, up to a point.
        db_.setConnectOptions(how == Opening::ReadOnly ? "QSQLITE_BUSY_TIMEOUT=5000;QSQLITE_OPEN_READONLY"
                                                       : "QSQLITE_BUSY_TIMEOUT=5000");
    }
    if (!db_.open()) {
        auto failure = fail("opened", db_.lastError().text());
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection_);
        return failure;
    }
    const QStringList tables = !mayCreate ? db_.tables() : QStringList();
    // PostgreSQL names a table of a schema other than public with the schema before it.
    if (!mayCreate
        && std::none_of(tables.cbegin(), tables.cend(), [](const QString& t) { return t.section('.', -1) == "board_jobs"; })) {
        db_.close();
        return fail("read", "the database holds no records of board jobs");
    }
    if (postgres_) {
        // The server's notices (a table that is there already) are nobody's business.
        QSqlQuery(db_).exec("SET client_min_messages TO WARNING");
        if (how == Opening::ReadOnly)
            QSqlQuery(db_).exec("SET default_transaction_read_only = on");
    } else if (how != Opening::ReadOnly) {
        // A write-ahead log lets the window and a command, or two commands, write at once;
        // a process killed in the middle leaves the file readable.
        QSqlQuery pragma(db_);
        pragma.exec("PRAGMA journal_mode=WAL");
        pragma.exec("PRAGMA synchronous=NORMAL");
    }
    if (auto migrated = migrate(); !migrated) {
        db_.close();
        return migrated;
    }
    return {};
}

void StoreConnection::close()
{
    identity_.clear();
    statements_.clear();
    if (db_.isOpen())
        db_.close();
}

QSqlQuery& StoreConnection::prepared(const QString& sql)
{
    auto it = statements_.find(sql);
    if (it == statements_.end()) {
        QSqlQuery q(db_);
        q.setForwardOnly(true);
        q.prepare(sql); // a statement that does not prepare says why when it runs
        it = statements_.emplace(sql, std::move(q)).first;
    }
    return it->second;
}

Expected<QSqlQuery*, QString> StoreConnection::execute(const QString& sql, const QVariantList& values, const char* what)
{
    if (!isOpen())
        return fail(QLatin1String(what), "they are not open");
    QSqlQuery& q = prepared(sql);
    for (const QVariant& value : values)
        q.addBindValue(value);
    if (!q.exec()) {
        const QString why = q.lastError().text();
        q.finish();
        return fail(QLatin1String(what), why);
    }
    return &q;
}

Expected<QString, QString> StoreConnection::identity()
{
    if (!identity_.isEmpty())
        return identity_;
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery q(db_);
    if (!q.exec("SELECT id FROM store_identity") || !q.next())
        return fail("read", q.lastError().isValid() ? q.lastError().text() : QStringLiteral("they have no identity"));
    identity_ = q.value(0).toString();
    return identity_;
}

Expected<int, QString> StoreConnection::writeEach(const QString& sql, const std::vector<QVariantList>& rows)
{
    if (!isOpen())
        return fail("written", "they are not open");
    if (rows.empty())
        return 0; // nothing to write takes no lock
    Transaction transaction(*this, Transaction::Kind::Exclusive);
    if (!transaction.begun())
        return unexpected(transaction.begun().error());
    int changed = 0;
    QSqlQuery& each = prepared(sql);
    for (const QVariantList& row : rows) {
        for (const QVariant& value : row)
            each.addBindValue(value);
        if (!each.exec())
            return fail("written", each.lastError().text());
        changed += each.numRowsAffected();
    }
    if (auto committed = transaction.commit(); !committed)
        return unexpected(committed.error());
    return changed;
}

} // namespace auxpad
