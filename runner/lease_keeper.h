#pragma once

#include <QObject>

#include "clock/retry_timer.h"
#include "records/delivery.h"
#include "runner/recipe.h"

namespace auxpad {

// Keeps this station's lease of the recipe's serial numbers full, on the records' thread,
// so that a board takes its number from the journal at once: a look at the start, which
// asks the line's database in any case, and whenever a number was taken (which asks it
// only when the lease wants one),
// one at a time, as its RetryMachine says; when the line's database does not answer, or
// the lease still wants numbers, it is tried again after a pause that grows to a minute.
class LeaseKeeper final : public QObject {
    Q_OBJECT
public:
    LeaseKeeper(RecordsThread& thread, const Recipe& recipe, Clock& clock = realClock(), QObject* parent = nullptr);

    // A number was taken, or the bench starts: the lease is looked at soon.
    void refillSoon();

signals:
    void failed(const QString& why); // a refill that did not reach the line's database

private:
    void start();
    void tried(const Expected<int, QString>& left);

    RecordsThread& thread_;
    SerialRange range_;
    QString recipe_;
    int size_;
    bool lookedWithTheLine_ = false; // until then, each look asks the line's database
    RetryTimer retry_;
};

} // namespace auxpad
