#include "runner/lease_keeper.h"

#include "runner/serial_questions.h"

namespace auxpad {

LeaseKeeper::LeaseKeeper(RecordsThread& thread, const Recipe& recipe, Clock& clock, QObject* parent)
    : QObject(parent), thread_(thread), range_(recipe.serials), recipe_(recipe.name),
      size_(recipe.serialLease), retry_(clock, 0, [this] { start(); })
{
}

void LeaseKeeper::refillSoon()
{
    retry_.asked();
}

void LeaseKeeper::start()
{
    const LeaseLook look = lookedWithTheLine_ ? LeaseLook::WhenLow : LeaseLook::WithTheLine;
    thread_.run<Expected<int, QString>>(
        [range = range_, recipe = recipe_, size = size_, look](RecordsThread::Stores& stores) {
            return refillLease(stores, range, recipe, size, look);
        },
        this, [this](const Expected<int, QString>& left) { tried(left); });
}

void LeaseKeeper::tried(const Expected<int, QString>& left)
{
    // A lease that still wants numbers (the range has no more to lease) counts as a try
    // that failed, and goes again after its pause.
    lookedWithTheLine_ = lookedWithTheLine_ || left.has_value();
    retry_.tried(left && !leaseWantsRefill(*left, size_));
    if (!left)
        emit failed(left.error());
}

} // namespace auxpad

#include "moc_lease_keeper.cpp"
