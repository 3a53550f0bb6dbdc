#include "runner/serial_questions.h"

namespace auxpad {

Expected<bool, QString> serialPassed(RecordsThread::Stores& stores, const QString& serial, const PassedFilter& filter)
{
    auto store = stores.serials();
    Expected<bool, QString> passed = store ? (*store)->serialPassed(serial, filter.job, filter.recipe)
                                           : Expected<bool, QString>(unexpected(store.error()));
    if (!passed && !stores.lineUrl.isEmpty()) {
        stores.line.close(); // opened afresh next time
        if (const auto journal = stores.openJournal())
            passed = (*journal)->serialPassed(serial, filter.job, filter.recipe);
    }
    return passed;
}

Expected<SerialChoice, std::string> chooseSerial(RecordsThread::Stores& stores, const QString& own,
                                                 const SerialRange& range, const QString& recipe, const QString& port)
{
    // A write that passed with the board's own serial is what makes it the board's.
    if (!own.isEmpty() && range.contains(own)) {
        if (const auto passed = serialPassed(stores, own, {QLatin1String(words::kProductInfo), {}}); passed && *passed)
            return SerialChoice{own.toStdString(), SerialSource::Kept};
    }
    const auto store = stores.serials();
    if (!store)
        return unexpected(store.error().toStdString());
    const auto reserved = (*store)->reserveSerial(range, recipe, port);
    if (!reserved) {
        stores.line.close(); // opened afresh next time
        return unexpected(reserved.error().toStdString());
    }
    return SerialChoice{reserved->toStdString(), SerialSource::Allocated};
}

Expected<void, QString> endReservation(RecordsThread::Stores& stores, const QString& serial, bool written)
{
    const auto store = stores.serials();
    if (!store)
        return unexpected(store.error());
    return (*store)->markSerial(serial, written ? QStringLiteral("written") : QStringLiteral("not written"));
}

} // namespace auxpad
