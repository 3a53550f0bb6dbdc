#pragma once

#include <QStringList>

#include "records/delivery.h"
#include "sinks/sink_settings.h"

namespace auxpad::cli {

// What delivering this station's held records to a line database came to: the counts,
// and why some are still held, if they are.
struct SyncOutcome {
    auxpad::DeliveryCount count;
    QString problem;
    // Every number's state the line's database ever refused this journal.
    std::vector<auxpad::SerialRefusal> refused;
    // What the journal chained as it opened, written before it chained its entries.
    int chained = 0;
};

// Delivers what the station's journal holds for the line database at `lineUrl`, closing
// first what a dead process of this station left running. Waits for the database.
SyncOutcome syncJournal(const QString& lineUrl,
                        const QString& station = auxpad::StoreUrls::stationName({}));

// What `auxpad-flash records lease` is asked.
struct LeaseAsk {
    QString lineUrl;
    QString station;
    bool release = false;
    QString journal; // --journal: that journal's lease, by its identity or the start of it
    QString reason;  // --reason: why another journal's lease is given back
    QString signer;  // --signer BADGE: who signs the release
};

// `auxpad-flash records lease [--release] [--journal ID --reason TEXT]`: the serial numbers
// the line database at `lineUrl` leased to this station's journal, as the journal keeps
// them, or to the journal ID there; released, they go back to the line's free numbers (0),
// or what stood in the way is said (1, or 2 for an ID that names no one journal).
int runLease(const LeaseAsk& ask);

// `auxpad-flash records audit --db URL [--journal FILE]... [--json]`: every promise of the
// line checked against its database and the journals given; 0 when each holds, 1 when one
// is broken (each named), 2 when the stores cannot be read.
int runAudit(const QString& lineUrl, const QStringList& journalFiles, bool json);

// The sinks of the station: the recipe's at `recipePath` when it has any, else flash.ini's.
auxpad::Expected<auxpad::SinkSettings, QString> stationSinks(const QString& recipePath, const QString& station);

// What delivering the journal's held results to each sink came to: what each still holds.
struct SinkSync {
    std::vector<std::pair<QString, int>> held; // by sink name
    QString problem;
};
// Gives every held result one last try at each sink, the refused ones too when asked.
SinkSync syncSinks(const auxpad::SinkSettings& sinks, const QString& station, bool retryRefused);

// `auxpad-flash records deliveries [--json]`: each sink with its delivered, held and
// refused results and the oldest held one's age; 0 when nothing is held or refused, 1
// otherwise, 2 without a journal.
int runDeliveries(bool json);

// `auxpad-flash records sync|lease|audit [--db URL]`: sync says how many records went and how many are
// still held; 0 when none is, 1 when some are, 2 when the command could not start.
int runRecords(const QStringList& arguments);

} // namespace auxpad::cli
