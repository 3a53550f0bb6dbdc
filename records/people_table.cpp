#include "records/people_table.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "records/sql_values.h"
#include "records/store_connection.h"
#include "records/transaction.h"

namespace auxpad {

namespace {

constexpr std::pair<PersonRole, const char*> kRoles[] = {
    {PersonRole::Operator, "operator"}, {PersonRole::Technician, "technician"}, {PersonRole::Engineer, "engineer"}};

Person personOf(const QSqlQuery& q)
{
    return {q.value(0).toString(), q.value(1).toString(), personRoleNamed(q.value(2).toString()).value_or(PersonRole::Operator),
            q.value(3).isNull() ? QString() : q.value(3).toString(), q.value(4).toString()};
}

} // namespace

const char* personRoleName(PersonRole role)
{
    for (const auto& [r, name] : kRoles)
        if (r == role)
            return name;
    return "operator";
}

std::optional<PersonRole> personRoleNamed(const QString& name)
{
    for (const auto& [role, word] : kRoles)
        if (name == QLatin1String(word))
            return role;
    return std::nullopt;
}

Expected<void, QString> PeopleTable::add(const Person& person)
{
    Transaction transaction(store_, Transaction::Kind::Exclusive);
    if (!transaction.begun())
        return transaction.begun();
    auto known = find(person.badge);
    if (!known)
        return unexpected(known.error());
    if (*known)
        return unexpected(QStringLiteral("badge %1 is on the list already, as %2 (%3)")
                              .arg(person.badge, (*known)->name, QLatin1String(personRoleName((*known)->role))));
    auto added = store_.execute("INSERT INTO people (badge, name, role, pin_hash, changed) VALUES (?, ?, ?, ?, ?)",
                                {person.badge, person.name, QLatin1String(personRoleName(person.role)),
                                 orNull(person.pinHash), recordTime(store_.clock())},
                                "written");
    if (!added)
        return unexpected(added.error());
    return transaction.commit();
}

Expected<bool, QString> PeopleTable::remove(const QString& badge)
{
    auto removed = store_.execute("DELETE FROM people WHERE badge = ?", {badge}, "written");
    if (!removed)
        return unexpected(removed.error());
    return (*removed)->numRowsAffected() > 0;
}

Expected<std::vector<Person>, QString> PeopleTable::list()
{
    auto q = store_.execute("SELECT badge, name, role, pin_hash, changed FROM people ORDER BY badge", {}, "read");
    if (!q)
        return unexpected(q.error());
    std::vector<Person> out;
    while ((*q)->next())
        out.push_back(personOf(**q));
    (*q)->finish();
    return out;
}

Expected<std::optional<Person>, QString> PeopleTable::find(const QString& badge)
{
    auto q = store_.execute("SELECT badge, name, role, pin_hash, changed FROM people WHERE badge = ?", {badge}, "read");
    if (!q)
        return unexpected(q.error());
    std::optional<Person> found;
    if ((*q)->next())
        found = personOf(**q);
    (*q)->finish();
    return found;
}

Expected<void, QString> PeopleTable::replaceAll(const std::vector<Person>& people)
{
    // Each delivery brings the line's list; a station writes it only when it changed, so
    // that a delivery costs no write of its own.
    if (auto kept = list(); kept && *kept == people)
        return {};
    Transaction transaction(store_, Transaction::Kind::Exclusive);
    if (!transaction.begun())
        return transaction.begun();
    if (auto cleared = store_.execute("DELETE FROM people", {}, "written"); !cleared)
        return unexpected(cleared.error());
    for (const Person& p : people) {
        auto added = store_.execute("INSERT INTO people (badge, name, role, pin_hash, changed) VALUES (?, ?, ?, ?, ?)",
                                    {p.badge, p.name, QLatin1String(personRoleName(p.role)), orNull(p.pinHash), p.changed},
                                    "written");
        if (!added)
            return unexpected(added.error());
    }
    return transaction.commit();
}

} // namespace auxpad
