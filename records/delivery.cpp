#include "records/delivery.h"


namespace auxpad {

namespace {
constexpr int kBatch = 200;
constexpr int kChainBatch = 2000;
constexpr Millis kGatherMs = 5000;        // records written within this go in one delivery
constexpr Millis kAnnounceAlwaysMs = 300000; // a courier's first minutes: every delivery says whose it is
constexpr Millis kAnnounceMs = 60000;        // then once a minute
} // namespace

namespace {

// The line's list of people, copied, so that the station signs with it while the line's
// database is away; then what was signed here, and the journal's chain entries, not
// delivered yet, a batch at a time, each batch kept there in one transaction and then
// marked delivered here.
Expected<void, QString> deliverChain(Journal& journal, LineDatabase& line)
{
    auto people = line.people().list();
    if (!people)
        return unexpected(people.error());
    if (auto copied = journal.people().replaceAll(*people); !copied)
        return copied;
    for (;;) {
        auto events = journal.access().held(kBatch);
        if (!events)
            return unexpected(events.error());
        if (events->empty())
            break;
        if (auto kept = line.access().keep(*events); !kept)
            return kept;
        if (auto marked = journal.access().markDelivered(*events); !marked)
            return marked;
    }
    for (;;) {
        auto entries = journal.chain().held(kChainBatch);
        if (!entries)
            return unexpected(entries.error());
        if (entries->empty())
            return {};
        if (auto kept = line.chain().keep(*entries); !kept)
            return kept;
        if (auto marked = journal.chain().markDelivered(*entries); !marked)
            return marked;
    }
}

} // namespace

Expected<DeliveryCount, QString> deliverHeld(Journal& journal, LineDatabase& line, const QString& lineUrl,
                                             Announce announce)
{
    const QString lineDb = StoreUrls::shownUrl(lineUrl);
    const auto identity = journal.identity();
    if (!identity)
        return unexpected(identity.error());
    line.setStation(journal.station()); // its name goes with the journal there
    if (!line.isOpen()) {
        if (const auto opened = line.open(lineUrl); !opened)
            return unexpected(opened.error());
    }
    auto failed = [&line](const QString& why) -> Expected<DeliveryCount, QString> {
        line.close(); // opened afresh at the next try
        return unexpected(why);
    };
    // The journal's rows there are this login's to add and change, unless another's already.
    if (auto claimed = line.claimJournal(*identity); !claimed)
        return failed(claimed.error());
    DeliveryCount count;
    for (;;) {
        auto batch = journal.records().held(lineDb, kBatch);
        if (!batch)
            return unexpected(batch.error());
        if (batch->empty())
            break;
        // Each revision joins the journal's chain as it is handed on.
        if (auto chained = journal.chainHeld(*batch); !chained)
            return unexpected(chained.error());
        std::vector<JobRecord> delivered = *batch;
        for (JobRecord& r : delivered) {
            r.lineDb.clear(); // the line database holds nothing for another
            r.journal = *identity;
        }
        // The line's open pages hear of the batch as it commits.
        if (const auto saved = line.records().saveAll(delivered, StoreUrls::kRecordsChannel); !saved)
            return failed(saved.error());
        if (const auto marked = journal.records().markDelivered(*batch); !marked)
            return unexpected(marked.error());
        count.delivered += static_cast<int>(batch->size());
    }
    if (announce == Announce::Now) {
        auto namesakes = line.registerJournal(*identity, count.delivered > 0);
        if (!namesakes)
            return failed(namesakes.error());
        count.namesakes = std::move(*namesakes);
    }
    // Then what became of the numbers leased to this journal, after the records that
    // hold them, each change once in the line's database; then the journal's chain, after
    // the records and numbers its entries are of.
    if (auto chained = journal.chainLeases(); !chained)
        return unexpected(chained.error());
    const auto states = journal.leases().heldStates(lineDb);
    if (!states)
        return unexpected(states.error());
    if (states->empty())
    {
        if (auto chained = deliverChain(journal, line); !chained)
            return failed(chained.error());
        return count;
    }
    auto refused = line.applySerialStates(*identity, *states);
    if (!refused)
        return failed(refused.error());
    // The refusals first: a kill between the two marks sends the others again, which
    // changes nothing there, and loses no refusal.
    if (const auto marked = journal.leases().markStatesRefused(lineDb, *states, *refused); !marked)
        return unexpected(marked.error());
    if (const auto marked = journal.leases().markStatesDelivered(lineDb, *states); !marked)
        return unexpected(marked.error());
    count.refused = std::move(*refused);
    if (auto chained = deliverChain(journal, line); !chained)
        return failed(chained.error());
    return count;
}

QString namesakeWarning(const QString& station, const std::vector<Namesake>& others)
{
    QStringList who;
    for (const Namesake& n : others)
        who << QStringLiteral("journal %1 on host %2, %3")
                   .arg(n.journal, n.host,
                        n.lastDelivered.isEmpty() ? QStringLiteral("which has delivered nothing yet")
                                                  : QStringLiteral("which last delivered at %1").arg(n.lastDelivered));
    return QStringLiteral("warning: another journal also goes by the station name %1 in the line's database (%2). "
                          "Their serial numbers stay apart, but the reports read both as one station: give each "
                          "station a name of its own with --station NAME")
        .arg(station, who.join("; "));
}

QString doubledSerial(const SerialRefusal& refusal)
{
    return QStringLiteral("DOUBLED SERIAL %1: this station wrote it to the board on %2 at %3, but the line's database "
                          "refused it, as %4. Two boards may carry it: set the board aside and check it")
        .arg(refusal.serial, refusal.port.isEmpty() ? QStringLiteral("an unknown port") : refusal.port, refusal.taken,
             refusal.why);
}

Expected<Journal*, QString> RecordsThread::Stores::openJournal()
{
    if (sharedJournal)
        return sharedJournal;
    if (!journal.isOpen()) {
        if (auto opened = journal.open(journalUrl); !opened)
            return unexpected(opened.error());
    }
    return &journal;
}

Expected<LineDatabase*, QString> RecordsThread::Stores::openLine()
{
    if (lineAway) {
        if (const QString why = lineAway(); !why.isEmpty()) {
            line.close();
            return unexpected(QStringLiteral("the records at %1 cannot be reached: %2")
                                  .arg(StoreUrls::shownUrl(lineUrl), why));
        }
    }
    if (!line.isOpen()) {
        if (auto opened = line.open(lineUrl); !opened)
            return unexpected(opened.error());
    }
    return &line;
}

RecordsThread::RecordsThread(QString journalUrl, QString lineUrl, QString station, Clock& clock, Offload offload,
                             QObject* parent)
    : QObject(parent), clock_(clock), offload_(offload), worker_(std::make_unique<QObject>()),
      stores_(std::make_unique<Stores>())
{
    stores_->journalUrl = std::move(journalUrl);
    stores_->lineUrl = std::move(lineUrl);
    // Whoever opens a connection first (a delivery, a refill), it is this station's, and
    // writes this clock's time.
    for (StoreConnection* store : std::initializer_list<StoreConnection*>{&stores_->journal, &stores_->line}) {
        store->setStation(station);
        store->setClock(clock);
    }
    stores_->station = std::move(station);
    if (offload_ == Offload::OwnThread) {
        worker_->moveToThread(&thread_);
        thread_.start();
    }
}

RecordsThread::~RecordsThread()
{
    if (offload_ == Offload::OnClock)
        return;
    // The connections go on the thread that made them, after what is under way there.
    QMetaObject::invokeMethod(worker_.get(), [this] { stores_.reset(); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

Courier::Courier(RecordsThread& thread, QString lineUrl, Clock& clock, QObject* parent)
    : QObject(parent), thread_(thread), lineUrl_(std::move(lineUrl)), clock_(clock),
      retry_(clock, kGatherMs, [this] { start(); }), since_(clock)
{
}

void Courier::deliverSoon()
{
    retry_.asked();
}

void Courier::start()
{
    const Millis now = clock_.now();
    const bool announce = since_.elapsed() < kAnnounceAlwaysMs || !announced_ || tickDiff(now, *announced_) >= kAnnounceMs;
    if (announce)
        announced_ = now;
    // What was delivered, and how many records are still held when the journal can say.
    using Outcome = std::pair<Expected<DeliveryCount, QString>, std::optional<int>>;
    thread_.run<Outcome>(
        [line = lineUrl_, announce = announce ? Announce::Now : Announce::NotNow](RecordsThread::Stores& stores) -> Outcome {
            const auto journal = stores.openJournal();
            if (!journal)
                return {unexpected(journal.error()), std::nullopt};
            const auto reached = stores.openLine();
            auto delivered = reached ? deliverHeld(**journal, **reached, line, announce)
                                     : Expected<DeliveryCount, QString>(unexpected(reached.error()));
            if (!delivered)
                stores.line.close(); // opened afresh at the next try
            const auto held = (*journal)->records().heldCount(StoreUrls::shownUrl(line));
            if (!held)
                return {unexpected(held.error()), std::nullopt};
            return {delivered, *held};
        },
        this, [this](const Outcome& outcome) { tried(outcome.first, outcome.second); });
}

void Courier::tried(const Expected<DeliveryCount, QString>& outcome, std::optional<int> held)
{
    if (held && *held != held_) {
        held_ = *held;
        emit heldChanged(held_);
    }
    if (outcome) {
        if (!outcome->namesakes.empty() && !namesakesSaid_) {
            namesakesSaid_ = true;
            emit stationNameShared(outcome->namesakes);
        }
        for (const SerialRefusal& refusal : outcome->refused)
            emit serialDoubled(doubledSerial(refusal));
    } else {
        emit failed(outcome.error());
    }
    retry_.tried(outcome.has_value());
}

} // namespace auxpad

#include "moc_delivery.cpp"
