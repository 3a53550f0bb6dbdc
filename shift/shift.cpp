#include "shift/shift.h"

#include <QDir>
#include <QRegularExpression>

#include <malloc.h>

#include "records/delivery.h"
#include "records/record_reader.h"

namespace auxpad::shift {

namespace {

constexpr qint64 kUnheardMs = 60'000;     // a board nobody took up is taken off again
constexpr qint64 kAdapterBackMs = 3'000;  // an adapter that was reset is back after this
constexpr qint64 kKillWaitMs = 60'000;    // a kill waits this long for a label at the printer
constexpr qint64 kDrainMs = 30 * 60'000;  // after the shift: for the last boards, labels and records

// This process's resident memory now, in MB (0 where the system does not say), once the
// allocator has handed back what it holds free. A simulated line kills and starts stations
// and opens a cloned station's journal inside this one process, which no station does;
// glibc keeps what they freed, and without the trim the figure would count it as held.
double residentMb()
{
    ::malloc_trim(0);
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024;
    return 0;
}

QString clockText(qint64 ms)
{
    return QStringLiteral("%1:%2:%3.%4")
        .arg(ms / 3'600'000, 2, 10, QChar('0'))
        .arg(ms / 60'000 % 60, 2, 10, QChar('0'))
        .arg(ms / 1000 % 60, 2, 10, QChar('0'))
        .arg(ms % 1000, 3, 10, QChar('0'));
}

} // namespace

double StationFigures::firstPassYield() const
{
    return Tally::yieldPercent(firstPass, boards);
}

Shift::Shift(ShiftPlan plan, const Recipe& recipe, QString storeDir, QString lineUrl)
    : plan_(std::move(plan)), recipe_(recipe), storeDir_(std::move(storeDir)), lineUrl_(std::move(lineUrl)),
      printer_(clock_), dice_(plan_.seed)
{
    endMs_ = static_cast<qint64>(plan_.hours * 3600 * 1000);
}

Shift::~Shift() = default;

void Shift::logEvent(const Station* station, int slot, const QString& what)
{
    if (!events_.isOpen())
        return;
    QString line = clockText(clock_.elapsed());
    if (station)
        line += ' ' + station->sim->name() + (station->clone ? "(clone)" : "");
    if (slot >= 0)
        line += QStringLiteral(" COM%1").arg(slot + 1);
    events_.write((line + ' ' + what + '\n').toUtf8());
}

void Shift::after(qint64 ms, std::function<void()> call)
{
    auto timer = clock_.timer();
    connect(timer.get(), &Timer::timeout, this, std::move(call));
    timer->start(static_cast<Millis>(ms));
    timers_.push_back(std::move(timer));
}

qint64 Shift::wait(double meanSeconds)
{
    std::exponential_distribution<double> spread(1.0 / meanSeconds);
    return std::max<qint64>(1, static_cast<qint64>(spread(dice_) * 1000));
}

QString Shift::lineAway() const
{
    for (const Fault& f : plan_.faults)
        if (f.kind == Fault::Kind::DatabaseAway && clock_.elapsed() >= f.atMs && clock_.elapsed() < f.atMs + f.forMs)
            return QStringLiteral("the line's database is down (a simulated outage)");
    return {};
}

Shift::Station& Shift::addStation(const QString& name, const QString& journal, int slotCount, bool clone)
{
    auto station = std::make_unique<Station>();
    station->index = static_cast<int>(stations_.size());
    station->clone = clone;
    Surroundings around;
    around.printer = printer_.linkFor(station->index);
    around.processAlive = [this](qint64 pid) { return processes_.count(pid) > 0; };
    around.lineAway = [this] { return lineAway(); };
    BringUpRules rules;
    rules.skipPassed = true;
    rules.tries = plan_.tries;
    station->sim = std::make_unique<SimStation>(clock_, name, "sqlite:" + QDir(storeDir_).filePath(journal + ".sqlite"),
                                                lineUrl_, slotCount, recipe_, rules, around);
    station->robots.resize(static_cast<std::size_t>(slotCount));
    for (int i = 0; i < slotCount; ++i) {
        SlotRobot& slot = station->robots[static_cast<std::size_t>(i)];
        slot.timer = clock_.timer();
        connect(&station->sim->adapter(i), &SimAdapter::hungUp, this, [this, s = station.get(), i] {
            hangUp(*s, i, s->sim->adapter(i).device());
        });
    }
    follow(*station);
    stations_.push_back(std::move(station));
    return *stations_.back();
}

Expected<void, QString> Shift::startStation(Station& station)
{
    station.process = nextProcess_++;
    processes_.insert(station.process);
    if (auto started = station.sim->start(station.process); !started) {
        processes_.erase(station.process);
        return started;
    }
    logEvent(&station, -1, QStringLiteral("started"));
    return {};
}

void Shift::follow(Station& station)
{
    SimStation& sim = *station.sim;
    connect(&sim, &SimStation::arrived, this, [this, &station](int i) {
        station.robots[static_cast<std::size_t>(i)].arrived = true;
        logEvent(&station, i, QStringLiteral("arrived"));
    });
    connect(&sim, &SimStation::finished, this, [this, &station](int i) { finished(station, i); });
    connect(&sim, &SimStation::left, this, [this, &station](int i) { left(station, i); });
    // A journal's identity is random: the events name it so, that a seed runs the same.
    connect(&sim, &SimStation::said, this, [this, &station](QString text) {
        static const QRegularExpression uuid(QStringLiteral("[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}"));
        logEvent(&station, -1, text.replace(uuid, QStringLiteral("<journal>")));
    });
}

Shift::BoardKind Shift::drawKind()
{
    const double roll = std::uniform_real_distribution<double>(0, 100)(dice_);
    const std::pair<double, BoardKind> kinds[] = {{plan_.mix.selfTestFails, BoardKind::SelfTestFails},
                                                  {plan_.mix.misstoresSerial, BoardKind::MisstoresSerial},
                                                  {plan_.mix.hangsUp, BoardKind::HangsUp},
                                                  {plan_.mix.silent, BoardKind::Silent}};
    double below = 0;
    for (const auto& [percent, kind] : kinds) {
        below += percent;
        if (roll < below)
            return kind;
    }
    return BoardKind::Sound;
}

auxsim::EngineConfig Shift::boardOf(BoardKind kind)
{
    auxsim::EngineConfig board;
    board.faults.seed = dice_();
    switch (kind) {
    case BoardKind::SelfTestFails:
        board.board.selfTestStatus = 0;
        break;
    case BoardKind::MisstoresSerial:
        board.board.misstoreSerial = true;
        break;
    case BoardKind::HangsUp:
        board.hangupAfterBlock = std::uniform_int_distribution<std::uint64_t>(2, 30)(dice_);
        break;
    case BoardKind::Silent:
        board.silent = true;
        break;
    case BoardKind::Sound:
        break;
    }
    return board;
}

std::optional<std::uint64_t> Shift::flakyTry(const Station& station, int slot)
{
    for (const Fault& f : plan_.faults) {
        if (f.kind != Fault::Kind::SlotFlaky || f.station != station.index || f.slot != slot || station.clone
            || clock_.elapsed() < f.atMs || clock_.elapsed() >= f.atMs + f.forMs)
            continue;
        if (std::uniform_real_distribution<double>(0, 100)(dice_) < f.failPercent)
            return std::uniform_int_distribution<std::uint64_t>(2, 30)(dice_);
    }
    return std::nullopt;
}

void Shift::plugSoon(Station& station, int slot)
{
    SlotRobot& robot = station.robots[static_cast<std::size_t>(slot)];
    robot.step = SlotRobot::Step::Empty;
    robot.timer->disconnect(this);
    connect(robot.timer.get(), &Timer::timeout, this, [this, &station, slot] { plug(station, slot); });
    robot.timer->start(static_cast<Millis>(wait(plan_.plugSeconds)));
}

void Shift::plug(Station& station, int slot)
{
    if (!station.plugging)
        return;
    SlotRobot& robot = station.robots[static_cast<std::size_t>(slot)];
    static const char* const kNames[] = {"sound", "self-test fails", "misstores serial", "hangs up", "silent"};
    robot.step = SlotRobot::Step::Plugged;
    robot.kind = drawKind();
    robot.board = ++boards_;
    robot.arrived = false;
    robot.verdict.reset();
    robot.pluggedAt = clock_.elapsed();
    auxsim::EngineConfig board = boardOf(robot.kind);
    if (const auto lost = flakyTry(station, slot))
        board.hangupAfterBlock = lost;
    station.sim->adapter(slot).plug(board);
    logEvent(&station, slot, QStringLiteral("plug board %1 (%2)").arg(robot.board).arg(kNames[int(robot.kind)]));
    // A board nobody takes up (it never answers) is taken off again, once the station runs.
    robot.timer->disconnect(this);
    connect(robot.timer.get(), &Timer::timeout, this, [this, &station, slot] {
        SlotRobot& r = station.robots[static_cast<std::size_t>(slot)];
        if (r.step != SlotRobot::Step::Plugged || r.arrived)
            return;
        if (station.sim->up())
            pull(station, slot);
        else
            r.timer->start(static_cast<Millis>(kUnheardMs));
    });
    robot.timer->start(static_cast<Millis>(kUnheardMs));
}

void Shift::finished(Station& station, int slot)
{
    SlotRobot& robot = station.robots[static_cast<std::size_t>(slot)];
    Bench* bench = station.sim->bench();
    const BringUpResult& result = bench->slot(static_cast<std::size_t>(slot))->bringUp().result();
    logEvent(&station, slot, QStringLiteral("finished %1 %2").arg(result.word(), QString::fromStdString(result.serial)));
    if (result.passed() && !result.alreadyPassed) {
        bringUpSeconds_ += result.seconds;
        ++bringUps_;
    }
    // The operator takes a board off once its slot shows how it ended; one taken off
    // already (its adapter reset meanwhile) is gone.
    if (robot.step != SlotRobot::Step::Plugged)
        return;
    // A board whose line went under it is still in its slot, which tries it again once
    // the line is back; unless it is not taken up again, it stays.
    if (result.cause == FailureCause::LineLost) {
        robot.arrived = false;
        robot.timer->start(static_cast<Millis>(kUnheardMs));
        return;
    }
    robot.verdict = result.verdict();
    robot.step = SlotRobot::Step::Finished;
    robot.timer->disconnect(this);
    connect(robot.timer.get(), &Timer::timeout, this, [this, &station, slot] { pull(station, slot); });
    robot.timer->start(static_cast<Millis>(wait(plan_.pullSeconds)));
}

void Shift::pull(Station& station, int slot)
{
    SlotRobot& robot = station.robots[static_cast<std::size_t>(slot)];
    robot.timer->stop();
    SimAdapter& adapter = station.sim->adapter(slot);
    const QString serial = QString::fromStdString(adapter.storedSerial());
    adapter.pull();
    const Verdict verdict = robot.verdict.value_or(Verdict::Failed);
    pulled_.push_back({serial, verdict == Verdict::Passed});
    station.busyMs += clock_.elapsed() - robot.pluggedAt;
    logEvent(&station, slot, QStringLiteral("pull board %1 %2 %3")
                              .arg(robot.board)
                              .arg(!robot.verdict                   ? QStringLiteral("unheard")
                                   : verdict == Verdict::Passed      ? QStringLiteral("passed")
                                   : verdict == Verdict::Interrupted ? QStringLiteral("interrupted")
                                                                     : QStringLiteral("failed"),
                                   serial));
    // A slot that holds the board (showing its end, or bringing it up again after a
    // reset adapter) says when it finds it gone; any other has nothing to find.
    const Slot* watching = station.sim->up() ? station.sim->bench()->slot(static_cast<std::size_t>(slot)) : nullptr;
    if (watching && (std::holds_alternative<slot::Done>(watching->state())
                     || std::holds_alternative<slot::Running>(watching->state())))
        robot.step = SlotRobot::Step::Pulled;
    else
        plugSoon(station, slot);
}

void Shift::left(Station& station, int slot)
{
    logEvent(&station, slot, QStringLiteral("left"));
    if (station.robots[static_cast<std::size_t>(slot)].step == SlotRobot::Step::Pulled)
        plugSoon(station, slot);
}

void Shift::hangUp(Station& station, int slot, const std::string& comingBackAs)
{
    SimAdapter& adapter = station.sim->adapter(slot);
    logEvent(&station, slot, QStringLiteral("the adapter hangs up"));
    // Not from inside the board's own turn: the line goes at the next.
    clock_.post(this, [this, &station, &adapter, slot, comingBackAs] {
        adapter.leave(QStringLiteral("The serial port is gone: the adapter was reset"));
        after(kAdapterBackMs, [this, &station, &adapter, slot, comingBackAs] {
            station.sim->lines().rename("COM" + std::to_string(slot + 1), comingBackAs);
            adapter.back(comingBackAs, flakyTry(station, slot));
            logEvent(&station, slot, "the adapter is back as " + QString::fromStdString(comingBackAs));
        });
    });
}

void Shift::kill(Station& station)
{
    if (!station.sim->up())
        return;
    printer_.forget(station.index);
    processes_.erase(station.process);
    keepWaits(station);
    station.sim->kill();
    logEvent(&station, -1, QStringLiteral("killed"));
    for (int i = 0; i < station.sim->slotCount(); ++i)
        if (station.robots[static_cast<std::size_t>(i)].step == SlotRobot::Step::Pulled)
            plugSoon(station, i);
    after(station.downForMs, [this, &station] { restart(station); });
}

void Shift::keepWaits(Station& station)
{
    if (const Bench* bench = station.sim->bench()) {
        station.longestSerialWait = std::max(station.longestSerialWait, bench->longestSerialWait());
        station.longestLabelWait = std::max(station.longestLabelWait, bench->longestLabelWait());
    }
}

void Shift::restart(Station& station)
{
    if (station.sim->up())
        return;
    // A station that cannot open its ports yet (an adapter being reset) tries again.
    if (auto started = startStation(station); !started) {
        logEvent(&station, -1, "cannot start: " + started.error());
        after(kAdapterBackMs, [this, &station] { restart(station); });
    }
}

void Shift::schedule(const Fault& fault)
{
    Station* station = fault.station < static_cast<int>(stations_.size()) ? stations_[fault.station].get() : nullptr;
    switch (fault.kind) {
    case Fault::Kind::DatabaseAway:
        after(fault.atMs, [this] { logEvent(nullptr, -1, QStringLiteral("the line's database goes away")); });
        after(fault.atMs + fault.forMs, [this] { logEvent(nullptr, -1, QStringLiteral("the line's database is back")); });
        break;
    case Fault::Kind::PrinterRefuses:
        printer_.refuse(fault.atMs, fault.forMs);
        after(fault.atMs, [this] { logEvent(nullptr, -1, QStringLiteral("the printer runs out of labels")); });
        after(fault.atMs + fault.forMs, [this] { logEvent(nullptr, -1, QStringLiteral("the printer has labels again")); });
        break;
    case Fault::Kind::StationKilled:
        // At the worst moment: as its printer takes a label, before its journal hears.
        station->downForMs = fault.forMs;
        after(fault.atMs, [this, station] {
            logEvent(station, -1, QStringLiteral("is to be killed as its printer takes a label"));
            printer_.killAtNextLabel(station->index);
        });
        after(fault.atMs + kKillWaitMs, [this, station] { kill(*station); });
        break;
    case Fault::Kind::AdapterRenamed:
        after(fault.atMs, [this, station, slot = fault.slot] {
            hangUp(*station, slot, "/dev/sim/" + station->sim->name().toStdString() + "/ttyACM" + std::to_string(slot));
        });
        break;
    case Fault::Kind::SlotFlaky:
        after(fault.atMs, [this, station, slot = fault.slot] { logEvent(station, slot, QStringLiteral("its contact wears")); });
        after(fault.atMs + fault.forMs,
              [this, station, slot = fault.slot] { logEvent(station, slot, QStringLiteral("its contact is mended")); });
        break;
    case Fault::Kind::ClonedJournal:
        after(fault.atMs, [this, station, fault] {
            Station& clone = addStation(station->sim->name(), station->sim->name() + "-clone",
                                        std::max(2, plan_.slotsEach / 4), true);
            if (startStation(clone))
                for (int i = 0; i < clone.sim->slotCount(); ++i)
                    plugSoon(clone, i);
            after(fault.forMs, [this, &clone] {
                clone.plugging = false;
                retire(clone);
            });
        });
        break;
    }
}

void Shift::retire(Station& station)
{
    // Its operator takes its last boards off, then the station goes, as a PC unplugged.
    if (!idle(station))
        return after(10'000, [this, &station] { retire(station); });
    keepWaits(station);
    station.sim->stop();
    logEvent(&station, -1, QStringLiteral("goes away"));
}

bool Shift::idle(const Station& station) const
{
    for (const SlotRobot& slot : station.robots)
        if (slot.step != SlotRobot::Step::Empty && slot.step != SlotRobot::Step::Pulled)
            return false;
    return true;
}

bool Shift::settled() const
{
    for (const auto& station : stations_) {
        if (!idle(*station))
            return false;
        if (const Bench* bench = station->sim->bench(); bench && (bench->held() > 0 || bench->labelsHeld() > 0))
            return false;
    }
    return true;
}

Expected<ShiftOutcome, QString> Shift::run()
{
    if (!plan_.events.isEmpty()) {
        events_.setFileName(plan_.events);
        if (!events_.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return unexpected(QStringLiteral("the events file %1 cannot be written: %2").arg(plan_.events,
                                                                                            events_.errorString()));
    }
    for (int s = 0; s < plan_.stations; ++s) {
        const QString name = QStringLiteral("station-%1").arg(s + 1);
        Station& station = addStation(name, name, plan_.slotsEach, false);
        if (auto started = startStation(station); !started)
            return unexpected(started.error());
    }
    for (const Fault& fault : plan_.faults)
        schedule(fault);
    for (qint64 hour = 3'600'000; hour <= endMs_; hour += 3'600'000)
        after(hour, [this] { rssMb_.push_back(residentMb()); });
    for (const auto& station : stations_)
        for (int i = 0; i < station->sim->slotCount(); ++i)
            plugSoon(*station, i);
    while (clock_.elapsed() < endMs_ || (!settled() && clock_.elapsed() < endMs_ + kDrainMs)) {
        if (clock_.elapsed() >= endMs_)
            for (const auto& station : stations_)
                station->plugging = false;
        try {
            if (!clock_.step())
                break;
        } catch (const KilledMidPrint& killed) {
            kill(*stations_[static_cast<std::size_t>(killed.station)]);
        }
    }
    return finish();
}

Expected<ShiftOutcome, QString> Shift::finish()
{
    ShiftOutcome outcome;
    outcome.faults = plan_.faults;
    outcome.meanBringUpSeconds = bringUps_ > 0 ? bringUpSeconds_ / bringUps_ : 0;
    outcome.rssMb = rssMb_;
    std::vector<std::unique_ptr<Journal>> journals;
    for (const auto& station : stations_) {
        keepWaits(*station);
        station->sim->stop();
        auto journal = std::make_unique<Journal>();
        journal->setClock(clock_);
        journal->setStation(station->sim->name());
        if (auto opened = journal->open(station->sim->journalUrl(), Journal::Opening::MustExist); !opened)
            return unexpected(opened.error());
        journals.push_back(std::move(journal));
    }
    LineDatabase line;
    if (auto opened = line.open(lineUrl_, LineDatabase::Opening::MustExist); !opened)
        return unexpected(opened.error());
    for (const auto& journal : journals) {
        // What a station still holds goes as a records sync would send it, the line being back.
        line.setStation(journal->station());
        if (auto delivered = deliverHeld(*journal, line, lineUrl_); !delivered)
            return unexpected(delivered.error());
    }
    // Then the stores are counted and audited as they are read, each on a reader's connection.
    RecordReader lineRead;
    if (auto opened = lineRead.open(lineUrl_, RecordReader::Opening::MustExist); !opened)
        return unexpected(opened.error());
    if (auto counted = countBoards(outcome, lineRead, journals); !counted)
        return unexpected(counted.error());
    AuditStores stores{&lineRead, StoreUrls::shownUrl(lineUrl_), {}, recipe_.label.has_value(), pulled_};
    std::vector<std::unique_ptr<RecordReader>> journalReads;
    for (const auto& journal : journals) {
        auto& read = journalReads.emplace_back(std::make_unique<RecordReader>());
        if (auto opened = read->open(journal->url(), RecordReader::Opening::MustExist); !opened)
            return unexpected(opened.error());
        stores.journals.push_back(read.get());
    }
    auto invariants = audit(stores);
    if (!invariants)
        return unexpected(invariants.error());
    outcome.invariants = std::move(*invariants);
    outcome.endedAtMs = clock_.elapsed();
    logEvent(nullptr, -1, QStringLiteral("the shift ends"));
    return outcome;
}

Expected<void, QString> Shift::countBoards(ShiftOutcome& outcome, RecordReader& line,
                                           const std::vector<std::unique_ptr<Journal>>& journals)
{
    // By the summary a report makes: a row a journal and period, and a row a slot and period.
    const auto perJournal = line.summarise({}, Period::Week, Per::Journal);
    const auto perSlot = line.summarise({}, Period::Week, Per::Slot);
    const auto shared = line.sharedStationNames();
    if (!perJournal || !perSlot || !shared)
        return unexpected(!perJournal ? perJournal.error() : !perSlot ? perSlot.error() : shared.error());
    const double hours = plan_.hours;
    const double cycle = outcome.meanBringUpSeconds + plan_.plugSeconds + plan_.pullSeconds;
    for (std::size_t i = 0; i < stations_.size(); ++i) {
        const Station& station = *stations_[i];
        auto identity = journals[i]->identity();
        if (!identity)
            return unexpected(identity.error());
        StationFigures f;
        f.station = station.sim->name();
        f.journal = *identity;
        f.shown = StoreUrls::shownStation(f.station, f.journal, shared->count(f.station) > 0);
        f.clone = station.clone;
        for (const StationYield& r : perJournal->rows) {
            if (r.group != f.station || r.port != f.journal)
                continue;
            f.boards += r.tried;
            f.passed += r.passed;
            f.failed += r.failed;
            f.interrupted += r.interrupted;
            f.firstPass += r.firstPass;
            f.noSerial += r.noSerial;
        }
        f.boardsPerHour = static_cast<double>(f.boards) / hours;
        f.boundPerHour = cycle > 0 ? station.sim->slotCount() * 3600 / cycle : 0;
        f.slotUse = static_cast<double>(station.busyMs) / (station.sim->slotCount() * hours * 3600 * 1000);
        f.longestSerialWaitSeconds = station.longestSerialWait / 1000.0;
        f.longestLabelWaitSeconds = station.longestLabelWait / 1000.0;
        outcome.stations.push_back(f);
    }
    // The slots over the whole shift, each against its station's bench.
    std::map<std::pair<QString, QString>, FirstTries> slotTries;
    std::map<QString, FirstTries> benches;
    for (const StationYield& r : perSlot->rows) {
        for (FirstTries* tries : {&slotTries[{r.group, r.port}], &benches[r.group]}) {
            tries->boards += r.tried;
            tries->failed += r.firstFailed;
        }
    }
    for (const auto& [slot, tries] : slotTries)
        if (const auto p = Outlier::of(tries, benches[slot.first]))
            outcome.outliers.push_back({slot.first, slot.second, tries.boards, tries.failed, *p});
    return {};
}

} // namespace auxpad::shift

#include "moc_shift.cpp"
