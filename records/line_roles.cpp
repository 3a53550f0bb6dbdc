#include "records/line_roles.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include "records/line_database.h"
#include "records/transaction.h"

namespace auxpad {

namespace {

constexpr std::pair<LineRole, const char*> kRoleNames[] = {
    {LineRole::Station, "station"}, {LineRole::Lead, "lead"}, {LineRole::Viewer, "viewer"}};

// What each role may do beyond reading every table: the same tables a station writes,
// and a lead's besides. No role deletes a record.
QStringList grantsOf(LineRole role)
{
    if (role == LineRole::Viewer)
        return {};
    QStringList grants = {
        "INSERT, UPDATE ON board_jobs", "INSERT ON chain", "INSERT ON access_events", "INSERT, UPDATE ON journals", "INSERT ON journal_owners",
        "INSERT, UPDATE ON serial_reservations", "USAGE ON ALL SEQUENCES IN SCHEMA public"};
    if (role == LineRole::Lead)
        grants << "DELETE ON serial_reservations" << "INSERT ON lease_releases" << "INSERT, UPDATE, DELETE ON people";
    return grants;
}

} // namespace

std::optional<LineRole> lineRoleNamed(const QString& name)
{
    for (const auto& [role, word] : kRoleNames)
        if (name == QLatin1String(word))
            return role;
    return std::nullopt;
}

QStringList lineRoleNames()
{
    QStringList names;
    for (const auto& [role, word] : kRoleNames)
        names << QLatin1String(word);
    return names;
}

Expected<void, QString> grantLineRole(LineDatabase& line, LineRole role, const QString& login)
{
    if (!line.postgres())
        return line.fail("given roles", "a SQLite file has no logins: its file's permissions are its only guard");
    QSqlDatabase& db = line.database();
    const QString who = db.driver()->escapeIdentifier(login, QSqlDriver::FieldName);
    const QString database = db.driver()->escapeIdentifier(db.databaseName(), QSqlDriver::TableName);
    Transaction transaction(line);
    if (!transaction.begun())
        return transaction.begun();
    QSqlQuery q(db);
    q.prepare("SELECT 1 FROM pg_roles WHERE rolname = ?");
    q.addBindValue(login);
    if (!q.exec())
        return line.fail("given roles", q.lastError().text());
    QStringList statements;
    if (!q.next())
        statements << "CREATE ROLE " + who + " LOGIN";
    statements << "REVOKE ALL ON ALL TABLES IN SCHEMA public FROM " + who
               << "REVOKE ALL ON ALL SEQUENCES IN SCHEMA public FROM " + who
               << "GRANT CONNECT ON DATABASE " + database + " TO " + who << "GRANT USAGE ON SCHEMA public TO " + who
               << "GRANT SELECT ON ALL TABLES IN SCHEMA public TO " + who;
    for (const QString& grant : grantsOf(role))
        statements << "GRANT " + grant + " TO " + who;
    // A page or a report has no use for the PINs' hashes, which a guess at every short PIN
    // would break offline; a station keeps them to check signatures while the line is away.
    if (role == LineRole::Viewer)
        statements << "REVOKE SELECT ON people FROM " + who
                   << "GRANT SELECT (badge, name, role, changed) ON people TO " + who;
    for (const QString& statement : statements)
        if (!q.exec(statement))
            return line.fail("given roles", q.lastError().text());
    return transaction.commit();
}

} // namespace auxpad
