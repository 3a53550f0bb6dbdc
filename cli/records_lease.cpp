// `auxpad-flash records lease`: the serial numbers this station holds, and giving them back.
#include <cstdio>

#include "cli/records_sync.h"

namespace auxpad::cli {

namespace {

int failed(const QString& why)
{
    std::fprintf(stderr, "auxpad-flash records: %s\n", why.toLocal8Bit().constData());
    return 1;
}

} // namespace

int runLease(const QString& lineUrl, const QString& station, bool release)
{
    const QString lineDb = auxpad::RecordStore::shownUrl(lineUrl);
    const QByteArray who = station.toLocal8Bit();
    auxpad::RecordStore journal;
    // A station without a journal holds no lease; none is made for it here.
    if (!journal.open(auxpad::RecordStore::journalUrl(), auxpad::RecordStore::Opening::MustExist)) {
        std::printf("%s holds no serial numbers of %s\n", who.constData(), lineDb.toLocal8Bit().constData());
        return 0;
    }
    journal.setStation(station);
    const auto leased = journal.leasedSerials(lineDb);
    if (!leased)
        return failed(leased.error());
    if (!release) {
        std::printf("%s holds %lld serial numbers of %s%s%s\n", who.constData(), static_cast<long long>(leased->size()),
                    lineDb.toLocal8Bit().constData(), leased->isEmpty() ? "" : ": ",
                    leased->join(' ').toLocal8Bit().constData());
        return 0;
    }
    // Forgotten in the journal first: a number the line's database freed while the journal
    // still held it could be handed out twice, whereas one the line's database still
    // leases to this station comes back to its lease at the next refill.
    auxpad::RecordStore line;
    if (const auto opened = line.open(lineUrl); !opened)
        return failed(opened.error());
    line.setStation(station);
    if (const auto dropped = journal.dropLease(lineDb, *leased); !dropped)
        return failed(dropped.error());
    const auto released = line.releaseSerials(*leased);
    if (!released)
        return failed(released.error() + "; the numbers come back to this station's lease at its next refill");
    std::printf("%d serial numbers given back to %s\n", *released, lineDb.toLocal8Bit().constData());
    return 0;
}

} // namespace auxpad::cli
