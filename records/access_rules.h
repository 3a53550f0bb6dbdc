#pragma once

#include <QString>

#include "records/people_table.h"

namespace auxpad {

// What a line asks of its stations before an exception (a recipe's [access]): whether the
// line window opens locked, whose badge and PIN unlock it and for how long; whether every
// exception needs a signature and whose; whether only people on the list sign in.
struct AccessRules {
    bool lock = false;
    PersonRole unlockRole = PersonRole::Engineer;
    int unlockMinutes = 5;
    bool signatures = false;
    PersonRole signRole = PersonRole::Technician;
    bool peopleRequired = false;

    // As a journal keeps them, and read back (the rules of none for text it cannot read).
    QString text() const;
    static AccessRules fromText(const QString& text);
    bool operator==(const AccessRules&) const = default;
    // What both ask, the stricter of each: a recipe named for a reprint does not loosen
    // the rules the station runs by.
    AccessRules strictest(const AccessRules& other) const;
};

// The role's words for a message: "an engineer", "a technician or an engineer".
QString whoMay(PersonRole needed);

} // namespace auxpad
