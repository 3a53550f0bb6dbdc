#include "records/signatures.h"

#include "base/pin.h"
#include "records/journal.h"

namespace auxpad {

namespace {

// A record time as a person reads it on a message: the time of day in UTC.
QString clockTime(const QString& recordTime)
{
    return recordTime.mid(11, 5) + " UTC";
}

} // namespace

Expected<Person, QString> SignatureCheck::signer(const QString& badge, PersonRole needed, const QString& what)
{
    auto found = journal_.people().find(badge);
    if (!found)
        return unexpected(found.error());
    if (!*found)
        return unexpected(QStringLiteral("badge %1 is not on the list of people who may sign (auxpad-flash people "
                                         "list); %2 needs the badge of %3")
                              .arg(badge, what, whoMay(needed)));
    const Person& person = **found;
    if (!person.mayAct(needed) || person.pinHash.isEmpty())
        return unexpected(QStringLiteral("%1 (badge %2) is %3 %4 and may not sign %5: it needs the badge of %6")
                              .arg(person.name, badge, person.role == PersonRole::Operator ? "an" : "a",
                                   QLatin1String(personRoleName(person.role)), what, whoMay(needed)));
    auto locked = journal_.access().lockedUntil(badge, recordTime(journal_.clock()));
    if (!locked)
        return unexpected(locked.error());
    if (*locked)
        return unexpected(QStringLiteral("badge %1 is locked until %2 after %3 wrong PINs in a row")
                              .arg(badge, clockTime(**locked))
                              .arg(kWrongPinsToLock));
    return person;
}

Expected<void, QString> SignatureCheck::pin(const Person& person, const std::string& pin)
{
    AccessLog& log = journal_.access();
    const bool right = pinMatches(person.pinHash.toStdString(), pin);
    if (auto noted = log.noteTry(person.badge, right); !noted)
        return noted;
    if (right)
        return {};
    auto wrong = log.wrongInARow(person.badge);
    if (!wrong)
        return unexpected(wrong.error());
    if (*wrong < kWrongPinsToLock)
        return unexpected(QStringLiteral("wrong PIN for badge %1 (%2 of %3 wrong in a row lock it for %4 minutes)")
                              .arg(person.badge)
                              .arg(*wrong)
                              .arg(kWrongPinsToLock)
                              .arg(kLockMinutes));
    AccessEvent lockout;
    lockout.meaning = access::kLockout;
    lockout.reason = QStringLiteral("%1 wrong PINs in a row").arg(kWrongPinsToLock);
    auto recorded = record(person, lockout);
    if (!recorded)
        return unexpected(recorded.error());
    if (auto fresh = log.noteTry(person.badge, true); !fresh) // the count starts afresh after it
        return fresh;
    return unexpected(QStringLiteral("wrong PIN for badge %1, the %2th in a row: the badge is locked until %3")
                          .arg(person.badge)
                          .arg(kWrongPinsToLock)
                          .arg(clockTime(recorded->until)));
}

Expected<AccessEvent, QString> SignatureCheck::record(const Person& person, AccessEvent event)
{
    event.station = journal_.station();
    event.badge = person.badge;
    event.name = person.name;
    event.role = QLatin1String(personRoleName(person.role));
    if (event.meaning == QLatin1String(access::kLockout) || event.meaning == QLatin1String(access::kUnlock)) {
        const int minutes = event.meaning == QLatin1String(access::kLockout) ? kLockMinutes : rules_.unlockMinutes;
        event.until = journal_.clock().wallTime().addSecs(60LL * minutes).toString(Qt::ISODateWithMs);
    }
    return journal_.access().add(event);
}

Expected<void, QString> SignatureCheck::signIn(const QString& badge)
{
    if (!rules_.peopleRequired)
        return {};
    auto found = journal_.people().find(badge);
    if (!found)
        return unexpected(found.error());
    if (!*found)
        return unexpected(QStringLiteral("badge %1 is not on the list of people, and the recipe signs in only people "
                                         "on it: ask the line's lead to add it").arg(badge));
    return {};
}

Expected<void, QString> signException(Journal& journal, const AccessRules& rules, const QString& signer,
                                      const QString& asked, const std::vector<AccessEvent>& events, const PinSource& pin)
{
    if (signer.isEmpty()) {
        if (!rules.signatures)
            return {};
        return unexpected(QStringLiteral("%1 is an exception, and the recipe's [access] asks for a signature on each: "
                                         "give --signer BADGE, the badge of %2")
                              .arg(asked, whoMay(rules.signRole)));
    }
    SignatureCheck check(journal, rules);
    auto person = check.signer(signer, rules.signRole, asked);
    if (!person)
        return unexpected(person.error());
    auto typed = pin ? pin(*person) : unexpected(QStringLiteral("there is nowhere to ask for the PIN"));
    if (!typed)
        return unexpected(typed.error());
    if (auto right = check.pin(*person, *typed); !right)
        return right;
    for (const AccessEvent& event : events)
        if (auto recorded = check.record(*person, event); !recorded)
            return unexpected(recorded.error());
    return {};
}

} // namespace auxpad
