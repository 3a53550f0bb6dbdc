#pragma once

#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "base/expected.h"
#include "records/access_log.h"

namespace auxpad {

class Journal;

// Who signs at a station, checked against its journal's list of people (the line's, as
// last delivered): a badge on the list whose role may sign what is asked, then its PIN.
// A wrong PIN is counted; the fifth in a row locks the badge for a quarter of an hour,
// and the lockout is on record. What was signed goes on record too, in the chain.
class SignatureCheck {
public:
    static constexpr int kWrongPinsToLock = 5;
    static constexpr int kLockMinutes = 15;

    SignatureCheck(Journal& journal, AccessRules rules) : journal_(journal), rules_(std::move(rules)) {}
    const AccessRules& rules() const { return rules_; }

    // The person `badge` names, when they may sign `what` (an option, or a few words),
    // which needs `needed`: asked before their PIN is, which would be typed for nothing.
    Expected<Person, QString> signer(const QString& badge, PersonRole needed, const QString& what);
    // Their PIN: right, or why not.
    Expected<void, QString> pin(const Person& person, const std::string& pin);
    // `event`, signed by `person`, on record.
    Expected<AccessEvent, QString> record(const Person& person, AccessEvent event);
    // Whether `badge` may sign in to run boards: anyone, unless only people on the list may.
    Expected<void, QString> signIn(const QString& badge);

private:
    Journal& journal_;
    AccessRules rules_;
};

// Where a signer's PIN comes from: the terminal (runner/pin_entry.h), or a window's field.
using PinSource = std::function<Expected<std::string, QString>(const Person& signer)>;

// An exception `asked` for ("--again", "label reprint"), to go on record as `events` (one
// or more, such as one for each option): signed by the badge `signer` with the PIN from
// `pin` when one is given, and then required when the rules ask for signatures on every
// exception. Nothing when neither; or why the exception may not be done.
Expected<void, QString> signException(Journal& journal, const AccessRules& rules, const QString& signer,
                                      const QString& asked, const std::vector<AccessEvent>& events, const PinSource& pin);

} // namespace auxpad
