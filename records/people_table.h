#pragma once

#include <QString>

#include <optional>
#include <vector>

#include "base/expected.h"

namespace auxpad {

class StoreConnection;

// Who may sign in at a station and sign an exception, by the badge they scan: an
// operator runs boards; a technician and an engineer have a PIN, kept as its hash alone,
// and may sign what their role allows (an engineer whatever a technician may).
enum class PersonRole { Operator, Technician, Engineer };
const char* personRoleName(PersonRole role); // "operator", "technician", "engineer"
std::optional<PersonRole> personRoleNamed(const QString& name);

struct Person {
    QString badge;
    QString name;
    PersonRole role = PersonRole::Operator;
    QString pinHash; // "" for an operator
    QString changed; // when the list last changed this person, as the records write times

    // Whether this person may sign what `needed` may.
    bool mayAct(PersonRole needed) const { return role >= needed; }
    bool operator==(const Person&) const = default;
};

// The list of people (people) over a store's connection: in the line's database, where a
// lead keeps it; in a journal, its copy, taken at each delivery, so that a station signs
// while the line's database is away.
class PeopleTable {
public:
    explicit PeopleTable(StoreConnection& store) : store_(store) {}

    // A person added: a badge already on the list is refused.
    Expected<void, QString> add(const Person& person);
    // A person taken off the list; false when the badge was not on it.
    Expected<bool, QString> remove(const QString& badge);
    Expected<std::vector<Person>, QString> list();
    Expected<std::optional<Person>, QString> find(const QString& badge);
    // The copy made the list's as it is, in one transaction.
    Expected<void, QString> replaceAll(const std::vector<Person>& people);

private:
    StoreConnection& store_;
};

} // namespace auxpad
