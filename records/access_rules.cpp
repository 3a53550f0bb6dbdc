#include "records/access_rules.h"

#include <QStringList>

#include <algorithm>

namespace auxpad {

QString AccessRules::text() const
{
    return QStringLiteral("lock=%1;unlock_role=%2;unlock_minutes=%3;signatures=%4;sign_role=%5;people=%6")
        .arg(lock ? "yes" : "no", personRoleName(unlockRole))
        .arg(unlockMinutes)
        .arg(signatures ? "yes" : "no", personRoleName(signRole), peopleRequired ? "required" : "optional");
}

AccessRules AccessRules::fromText(const QString& text)
{
    AccessRules rules;
    for (const QString& pair : text.split(';', Qt::SkipEmptyParts)) {
        const QString key = pair.section('=', 0, 0);
        const QString value = pair.section('=', 1);
        if (key == "lock")
            rules.lock = value == "yes";
        else if (key == "unlock_role")
            rules.unlockRole = personRoleNamed(value).value_or(PersonRole::Engineer);
        else if (key == "unlock_minutes")
            rules.unlockMinutes = value.toInt() > 0 ? value.toInt() : 5;
        else if (key == "signatures")
            rules.signatures = value == "yes";
        else if (key == "sign_role")
            rules.signRole = personRoleNamed(value).value_or(PersonRole::Technician);
        else if (key == "people")
            rules.peopleRequired = value == "required";
    }
    return rules;
}

AccessRules AccessRules::strictest(const AccessRules& other) const
{
    AccessRules both;
    both.lock = lock || other.lock;
    both.unlockRole = std::max(unlockRole, other.unlockRole);
    both.unlockMinutes = std::min(unlockMinutes, other.unlockMinutes);
    both.signatures = signatures || other.signatures;
    both.signRole = std::max(signRole, other.signRole);
    both.peopleRequired = peopleRequired || other.peopleRequired;
    return both;
}

QString whoMay(PersonRole needed)
{
    switch (needed) {
    case PersonRole::Operator:
        return QStringLiteral("anyone on the list");
    case PersonRole::Technician:
        return QStringLiteral("a technician or an engineer");
    case PersonRole::Engineer:
        break;
    }
    return QStringLiteral("an engineer");
}

} // namespace auxpad
