#include "runner/serial_questions.h"

#include <algorithm>

namespace auxpad {

namespace {

// Where serial numbers are handed out without a lease: the line database when one is
// named, else the journal; `ask` gets whichever it is, opened.
template <typename Ask>
auto askWhereSerialsAre(RecordsThread::Stores& stores, Ask ask) -> decltype(ask(stores.journal))
{
    if (stores.lineUrl.isEmpty()) {
        const auto journal = stores.openJournal();
        if (!journal)
            return unexpected(journal.error());
        return ask(**journal);
    }
    const auto line = stores.openLine();
    if (!line)
        return unexpected(line.error());
    return ask(**line);
}

} // namespace

Expected<bool, QString> serialPassed(RecordsThread::Stores& stores, const QString& serial, const PassedFilter& filter)
{
    Expected<bool, QString> passed = askWhereSerialsAre(
        stores, [&](auto& store) { return store.serials().passed(serial, filter.job, filter.recipe); });
    if (stores.lineUrl.isEmpty() || (passed && *passed))
        return passed;
    // Without the line's database, what this station's journal holds answers. With it, a
    // pass the journal holds and has not delivered yet (the database was away, or the
    // station was killed before its courier went) counts as well.
    const QString heldFor = passed ? StoreUrls::shownUrl(stores.lineUrl) : QString();
    if (!passed)
        stores.line.close(); // opened afresh next time
    if (const auto journal = stores.openJournal()) {
        const auto own = (*journal)->serials().passed(serial, filter.job, filter.recipe, heldFor);
        if (own && (*own || !passed))
            return own;
    }
    return passed;
}

namespace {

Expected<SerialChoice, std::string> takeFromLease(RecordsThread::Stores& stores, const SerialRange& range,
                                                  const QString& recipe, const QString& port, int lease)
{
    const auto journal = stores.openJournal();
    if (!journal)
        return unexpected(journal.error().toStdString());
    const QString lineDb = StoreUrls::shownUrl(stores.lineUrl);
    auto taken = (*journal)->leases().take(lineDb, range, port);
    if (taken && !*taken) {
        // Nothing left to take: only now does a board wait for the line's database.
        if (const auto refilled = refillLease(stores, range, recipe, lease); !refilled)
            return unexpected("this station's lease of serial numbers ran out while the line's database was away: "
                              + refilled.error().toStdString());
        taken = (*journal)->leases().take(lineDb, range, port);
    }
    if (!taken)
        return unexpected(taken.error().toStdString());
    if (!*taken)
        return unexpected(QStringLiteral("every serial number of %1 to %2 is taken").arg(range.first(), range.last())
                              .toStdString());
    return SerialChoice{(*taken)->toStdString(), SerialSource::Allocated};
}

} // namespace

Expected<int, QString> refillLease(RecordsThread::Stores& stores, const SerialRange& range, const QString& recipe,
                                   int size, LeaseLook look)
{
    const auto journal = stores.openJournal();
    if (!journal)
        return unexpected(journal.error());
    const QString lineDb = StoreUrls::shownUrl(stores.lineUrl);
    const auto left = (*journal)->leases().left(lineDb, range);
    if (!left || (look == LeaseLook::WhenLow && !leaseWantsRefill(*left, size)))
        return left;
    const auto identity = (*journal)->identity();
    if (!identity)
        return unexpected(identity.error());
    const auto line = stores.openLine();
    if (!line)
        return unexpected(line.error());
    // Every number leased to this journal comes back, so that one whose keeping in the
    // journal was cut short is kept now.
    const auto leased = (*line)->leaseSerials(*identity, range, recipe, std::max(0, size - *left));
    if (!leased) {
        stores.line.close(); // opened afresh next time
        return unexpected(leased.error());
    }
    if (const auto kept = (*journal)->leases().keep(lineDb, recipe, range, *leased); !kept)
        return unexpected(kept.error());
    return (*journal)->leases().left(lineDb, range);
}

Expected<SerialChoice, std::string> chooseSerial(RecordsThread::Stores& stores, const QString& own,
                                                 const SerialRange& range, const QString& recipe, const QString& port,
                                                 int lease)
{
    // A write that passed with the board's own serial is what makes it the board's.
    if (!own.isEmpty() && range.contains(own)) {
        if (const auto passed = serialPassed(stores, own, {QLatin1String(words::kProductInfo), {}}); passed && *passed)
            return SerialChoice{own.toStdString(), SerialSource::Kept};
    }
    if (!stores.lineUrl.isEmpty())
        return takeFromLease(stores, range, recipe, port, lease);
    // Without a line database, the journal hands the number out itself.
    const auto journal = stores.openJournal();
    if (!journal)
        return unexpected(journal.error().toStdString());
    const auto reserved = (*journal)->serials().reserve(range, recipe, port);
    if (!reserved)
        return unexpected(reserved.error().toStdString());
    return SerialChoice{reserved->toStdString(), SerialSource::Allocated};
}

Expected<void, QString> endReservation(RecordsThread::Stores& stores, const QString& serial, bool written)
{
    const QString state = written ? QStringLiteral("written") : QStringLiteral("not written");
    if (!stores.lineUrl.isEmpty()) {
        const auto journal = stores.openJournal();
        if (!journal)
            return unexpected(journal.error());
        const auto marked = (*journal)->leases().mark(StoreUrls::shownUrl(stores.lineUrl), serial, state);
        if (!marked)
            return unexpected(marked.error());
        if (*marked)
            return {};
    }
    // A number reserved where the records are: in the journal, or, before leases, in the
    // line's database.
    return askWhereSerialsAre(stores, [&](auto& store) { return store.serials().mark(serial, state); });
}

} // namespace auxpad
