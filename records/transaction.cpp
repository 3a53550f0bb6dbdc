#include "records/transaction.h"

#include <QSqlError>
#include <QSqlQuery>

#include "records/store_connection.h"

namespace auxpad {

Transaction::Transaction(StoreConnection& store, Kind kind, long long lock) : store_(store)
{
    if (!store_.isOpen()) {
        begun_ = store_.fail("written", "they are not open");
        return;
    }
    QSqlQuery q(store_.database());
    const bool exclusive = kind == Kind::Exclusive && !store_.postgres();
    if (!q.exec(exclusive ? "BEGIN IMMEDIATE" : "BEGIN")) {
        begun_ = store_.fail("written", q.lastError().text());
        return;
    }
    open_ = true;
    if (store_.postgres() && lock != 0 && !q.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(lock)))
        begun_ = store_.fail("written", q.lastError().text());
}

Transaction::~Transaction()
{
    if (open_)
        QSqlQuery(store_.database()).exec("ROLLBACK");
}

Expected<void, QString> Transaction::commit()
{
    if (!begun_)
        return begun_;
    QSqlQuery q(store_.database());
    if (!q.exec("COMMIT"))
        return store_.fail("written", q.lastError().text());
    open_ = false;
    return {};
}

} // namespace auxpad
