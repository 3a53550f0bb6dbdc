#include "runner/bench_session.h"

namespace auxpad {

namespace {

// What each guarded command is, in the words of a message.
QString guardedWords(Guarded what)
{
    switch (what) {
    case Guarded::ChooseFiles:
        return QStringLiteral("Choosing the files");
    case Guarded::FlashAgain:
        return QStringLiteral("Flashing a passed board again");
    case Guarded::Reprint:
        return QStringLiteral("A reprint");
    case Guarded::StopBench:
        return QStringLiteral("Stopping the bench");
    case Guarded::CloseWindow:
        break;
    }
    return QStringLiteral("Closing the window");
}

} // namespace

BenchSession::BenchSession(Bench& bench, QObject* parent) : QObject(parent), bench_(bench) {}

BenchSession::~BenchSession() = default;

Expected<void, QString> BenchSession::setUp(SessionPlan plan)
{
    plan_ = std::move(plan);
    if (plan_.attribution.order.isEmpty() && plan_.recipe)
        plan_.attribution.order = plan_.recipe->order;
    bench_.attribute(plan_.attribution);
    bench_.sendResultsTo(plan_.sinks);
    // Without the station's journal no board could be put on record, and none is started.
    // A line database that does not answer stops nothing: its records wait in the journal.
    if (const auto opened = bench_.openRecords(plan_.lineUrl, plan_.journalUrl); !opened)
        return unexpected(opened.error());
    Journal& journal = bench_.journal();
    // A recipe's rules hold at this station for what is asked without one (a reprint, a
    // release, a job of the files alone), and a lock asked for comes on top of them.
    if (plan_.recipe) {
        if (auto kept = journal.access().keepRules(plan_.access); !kept)
            return unexpected(kept.error());
    } else {
        auto kept = journal.access().keptRules();
        if (!kept)
            return unexpected(kept.error());
        const bool lockAsked = plan_.access.lock;
        plan_.access = *kept;
        plan_.access.lock = plan_.access.lock || lockAsked;
    }
    signatures_ = std::make_unique<SignatureCheck>(journal, plan_.access);
    if (!plan_.attribution.operatorId.isEmpty())
        if (auto in = signIn(plan_.attribution.operatorId); !in)
            return in;
    if (auto signedAll = signExceptions(); !signedAll)
        return signedAll;
    // Every port is opened before a byte goes to any board: one that cannot be had stops
    // them all.
    for (const PortName& port : plan_.ports)
        if (const auto opened = bench_.addPort(port); !opened)
            return opened;
    bench_.prepare(plan_.recipe, plan_.rules, plan_.watch);
    if (plan_.labels)
        bench_.printLabels(*plan_.recipe->label); // what earlier runs left held goes first
    relock_ = bench_.clock().timer();
    connect(relock_.get(), &Timer::timeout, this, &BenchSession::relock);
    return {};
}

Expected<void, QString> BenchSession::signExceptions()
{
    if (plan_.exceptions.empty()) {
        if (!plan_.signer.isEmpty())
            return unexpected(QStringLiteral("--signer signs an exception: give it with --again or --allow-reuse"));
        return {};
    }
    QStringList options, ports;
    for (const PortName& port : plan_.ports)
        ports << QString::fromStdString(port.name);
    std::vector<AccessEvent> events;
    for (const StartException& e : plan_.exceptions) {
        options << e.option;
        AccessEvent event;
        event.meaning = e.meaning;
        event.reason = plan_.attribution.reason;
        event.board = ports.join(' ');
        events.push_back(event);
    }
    return signException(bench_.journal(), plan_.access, plan_.signer, options.join(" and "), events, plan_.pin);
}

bool BenchSession::locked() const
{
    return plan_.access.lock && !unlockedBy_;
}

bool BenchSession::mayStart(std::size_t i) const
{
    return !locked() || !bench_.status(i).passed();
}

QString BenchSession::lockedWhy(Guarded what) const
{
    return QStringLiteral("%1 needs the badge and PIN of %2: unlock first.")
        .arg(guardedWords(what), whoMay(plan_.access.unlockRole));
}

Expected<void, QString> BenchSession::guard(Guarded what) const
{
    if (locked())
        return unexpected(lockedWhy(what));
    return {};
}

Expected<void, QString> BenchSession::unlock(const QString& badge, const std::string& pin)
{
    if (!signatures_)
        return unexpected(QStringLiteral("the bench is not set up"));
    auto person = signatures_->signer(badge, plan_.access.unlockRole, QStringLiteral("the unlock"));
    if (!person)
        return unexpected(person.error());
    if (auto right = signatures_->pin(*person, pin); !right)
        return right;
    AccessEvent event;
    event.meaning = access::kUnlock;
    event.reason = QStringLiteral("line window");
    if (auto recorded = signatures_->record(*person, event); !recorded)
        return unexpected(recorded.error());
    unlockedBy_ = *person;
    relock_->start(Millis{60000} * plan_.access.unlockMinutes);
    emit lockChanged();
    return {};
}

void BenchSession::relock()
{
    if (relock_)
        relock_->stop();
    if (!unlockedBy_)
        return;
    unlockedBy_.reset();
    emit lockChanged();
}

Expected<void, QString> BenchSession::signIn(const QString& badge)
{
    return signatures_ ? signatures_->signIn(badge) : Expected<void, QString>();
}

Expected<void, QString> BenchSession::start(std::size_t i, const FlashFiles& files)
{
    if (!mayStart(i))
        return unexpected(lockedWhy(Guarded::FlashAgain));
    bench_.start(i, files);
    return {};
}

int BenchSession::startAll(const FlashFiles& files)
{
    int started = 0;
    for (std::size_t i = 0; i < bench_.size(); ++i) {
        if (!mayStart(i) || bench_.busy(i))
            continue;
        bench_.start(i, files);
        ++started;
    }
    return started;
}

Expected<void, QString> BenchSession::stopAll()
{
    if (auto may = guard(Guarded::StopBench); !may)
        return may;
    bench_.stop();
    return {};
}

Expected<void, QString> BenchSession::mayClose() const
{
    return guard(Guarded::CloseWindow);
}

} // namespace auxpad
