#include "records/access_log.h"

#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include "records/chain.h"
#include "records/sql_values.h"
#include "records/store_connection.h"
#include "records/transaction.h"

namespace auxpad {

namespace {

const char* const kEventColumns =
    "uuid, journal, station, at, meaning, badge, name, role, reason, serial, board, until_at, chain_seq, content_sha256";

// The fields in the order of kEventColumns, but their place in the chain.
std::vector<QString AccessEvent::*> eventFields()
{
    return {&AccessEvent::uuid,  &AccessEvent::journal, &AccessEvent::station, &AccessEvent::at,
            &AccessEvent::meaning, &AccessEvent::badge, &AccessEvent::name,    &AccessEvent::role,
            &AccessEvent::reason, &AccessEvent::serial, &AccessEvent::board,   &AccessEvent::until};
}

QVariantList valuesOf(const AccessEvent& e)
{
    QVariantList values;
    for (QString AccessEvent::*field : eventFields())
        values << orNull(e.*field);
    values << (e.chainSeq > 0 ? QVariant(e.chainSeq) : QVariant()) << orNull(e.contentSha256);
    return values;
}

AccessEvent eventOf(const QSqlQuery& q)
{
    AccessEvent e;
    int i = 0;
    for (QString AccessEvent::*field : eventFields())
        e.*field = q.value(i++).toString();
    e.chainSeq = q.value(i++).toLongLong();
    e.contentSha256 = q.value(i).toString();
    return e;
}

// A bound of a query, "" when none is given: a null text would be bound as SQL NULL,
// which no comparison holds for.
QString given(const QString& bound)
{
    return bound.isNull() ? QStringLiteral("") : bound;
}

QString placeholders()
{
    QStringList marks;
    for (int i = 0; i < 14; ++i)
        marks << "?";
    return marks.join(", ");
}

} // namespace

QByteArray access::content(const AccessEvent& e)
{
    const QStringList names = QString::fromLatin1(kEventColumns).split(", ");
    QByteArray out;
    int i = 0;
    for (QString AccessEvent::*field : eventFields()) {
        out += names[i++].toLatin1() + '=' + (e.*field).toUtf8() + '\n';
    }
    return out;
}

QJsonObject accessEventJson(const AccessEvent& e)
{
    return {{"time", e.at},     {"station", e.station}, {"signer", e.badge},   {"name", e.name},
            {"role", e.role},   {"meaning", e.meaning}, {"reason", e.reason}, {"serial", e.serial},
            {"board", e.board}, {"until", e.until},     {"journal", e.journal}};
}

Expected<AccessEvent, QString> AccessLog::add(AccessEvent e)
{
    auto identity = store_.identity();
    if (!identity)
        return unexpected(identity.error());
    e.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    e.journal = *identity;
    e.at = recordTime(store_.clock());
    Transaction transaction(store_, Transaction::Kind::Exclusive);
    if (!transaction.begun())
        return unexpected(transaction.begun().error());
    if (chain_) {
        auto entry = chain_->append(chain::kAccess, e.uuid, 1, access::content(e));
        if (!entry)
            return unexpected(entry.error());
        e.chainSeq = entry->seq;
        e.contentSha256 = entry->contentSha256;
    }
    auto added = store_.execute(QStringLiteral("INSERT INTO access_events (%1) VALUES (%2)").arg(kEventColumns, placeholders()),
                                valuesOf(e), "written");
    if (!added)
        return unexpected(added.error());
    if (auto committed = transaction.commit(); !committed)
        return unexpected(committed.error());
    return e;
}

namespace {

// The events an executed query gives, or why it did not run.
Expected<std::vector<AccessEvent>, QString> eventsOf(const Expected<QSqlQuery*, QString>& q)
{
    if (!q)
        return unexpected(q.error());
    std::vector<AccessEvent> out;
    while ((*q)->next())
        out.push_back(eventOf(**q));
    (*q)->finish();
    return out;
}

} // namespace

Expected<std::vector<AccessEvent>, QString> AccessLog::held(int most)
{
    auto q = store_.execute(
        QStringLiteral("SELECT %1 FROM access_events WHERE delivered = 0 ORDER BY chain_seq LIMIT %2").arg(kEventColumns).arg(most),
        {}, "read");
    return eventsOf(q);
}

Expected<void, QString> AccessLog::markDelivered(const std::vector<AccessEvent>& events)
{
    std::vector<QVariantList> rows;
    for (const AccessEvent& e : events)
        rows.push_back({e.uuid});
    auto marked = store_.writeEach("UPDATE access_events SET delivered = 1 WHERE uuid = ?", rows);
    return marked ? Expected<void, QString>() : unexpected(marked.error());
}

Expected<void, QString> AccessLog::keep(const std::vector<AccessEvent>& events)
{
    std::vector<QVariantList> rows;
    for (const AccessEvent& e : events)
        rows.push_back(valuesOf(e));
    auto kept = store_.writeEach(QStringLiteral("INSERT INTO access_events (%1, delivered) VALUES (%2, 1) "
                                                "ON CONFLICT (uuid) DO NOTHING")
                                     .arg(kEventColumns, placeholders()),
                                 rows);
    return kept ? Expected<void, QString>() : unexpected(kept.error());
}

Expected<std::vector<AccessEvent>, QString> AccessLog::between(const QString& since, const QString& until,
                                                               const QString& station)
{
    auto q = store_.execute(QStringLiteral("SELECT %1 FROM access_events WHERE at >= ? AND (? = '' OR at < ?) "
                                           "AND (? = '' OR station = ?) ORDER BY at, station, uuid")
                                .arg(kEventColumns),
                            {given(since), given(until), given(until), given(station), given(station)}, "read");
    return eventsOf(q);
}

Expected<int, QString> AccessLog::wrongInARow(const QString& badge)
{
    // The tries after the badge's last right one or its fresh start (matched 1 or 2).
    auto q = store_.execute("SELECT COUNT(*) FROM pin_tries WHERE badge = ? AND matched = 0 AND id > "
                            "COALESCE((SELECT MAX(id) FROM pin_tries WHERE badge = ? AND matched > 0), 0)",
                            {badge, badge}, "read");
    if (!q)
        return unexpected(q.error());
    const int wrong = (*q)->next() ? (*q)->value(0).toInt() : 0;
    (*q)->finish();
    return wrong;
}

Expected<void, QString> AccessLog::noteTry(const QString& badge, bool right)
{
    auto noted = store_.execute("INSERT INTO pin_tries (badge, at, matched) VALUES (?, ?, ?)",
                                {badge, recordTime(store_.clock()), right ? 1 : 0}, "written");
    return noted ? Expected<void, QString>() : unexpected(noted.error());
}

Expected<std::optional<QString>, QString> AccessLog::lockedUntil(const QString& badge, const QString& now)
{
    auto q = store_.execute("SELECT MAX(until_at) FROM access_events WHERE meaning = ? AND badge = ?",
                            {QString::fromLatin1(access::kLockout), badge}, "read");
    if (!q)
        return unexpected(q.error());
    std::optional<QString> until;
    if ((*q)->next() && !(*q)->value(0).isNull() && (*q)->value(0).toString() > now)
        until = (*q)->value(0).toString();
    (*q)->finish();
    return until;
}

Expected<void, QString> AccessLog::keepRules(const AccessRules& rules)
{
    Transaction transaction(store_, Transaction::Kind::Exclusive);
    if (!transaction.begun())
        return transaction.begun();
    if (auto cleared = store_.execute("DELETE FROM access_rules", {}, "written"); !cleared)
        return unexpected(cleared.error());
    auto kept = store_.execute("INSERT INTO access_rules (rules, kept) VALUES (?, ?)",
                               {rules.text(), recordTime(store_.clock())}, "written");
    if (!kept)
        return unexpected(kept.error());
    return transaction.commit();
}

Expected<AccessRules, QString> AccessLog::keptRules()
{
    auto q = store_.execute("SELECT rules FROM access_rules", {}, "read");
    if (!q)
        return unexpected(q.error());
    AccessRules rules;
    if ((*q)->next())
        rules = AccessRules::fromText((*q)->value(0).toString());
    (*q)->finish();
    return rules;
}

} // namespace auxpad
