#include "runner/lease_keeper.h"

#include "runner/serial_questions.h"

namespace auxpad {

LeaseKeeper::LeaseKeeper(RecordsThread& thread, const Recipe& recipe, Clock& clock, QObject* parent)
    : QObject(parent), thread_(thread), range_(recipe.serials), recipe_(recipe.name), size_(recipe.serialLease),
      retry_(clock.timer())
{
    connect(retry_.get(), &Timer::timeout, this, &LeaseKeeper::start);
}

void LeaseKeeper::refillSoon()
{
    if (busy_)
        again_ = true;
    else if (!retry_->isActive()) // after a failed try, the next is already set
        start();
}

void LeaseKeeper::start()
{
    retry_->stop();
    busy_ = true;
    again_ = false;
    thread_.run<Expected<int, QString>>(
        [range = range_, recipe = recipe_, size = size_](RecordsThread::Stores& stores) {
            return refillLease(stores, range, recipe, size);
        },
        this, [this](const Expected<int, QString>& left) { tried(left); });
}

void LeaseKeeper::tried(const Expected<int, QString>& left)
{
    busy_ = false;
    if (left && *left * 2 >= size_) {
        backoff_.succeeded();
        if (again_)
            start();
        return;
    }
    // Under half still: the database did not answer, or the range has no more to lease.
    retry_->start(static_cast<Millis>(backoff_.failed()));
    if (!left)
        emit failed(left.error());
}

} // namespace auxpad
