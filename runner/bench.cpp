#include "runner/bench.h"

#include <QCoreApplication>

namespace auxpad {

Bench::Bench(TextFiles& files, std::string iniPath, Surroundings surroundings, QObject* parent)
    : QObject(parent), files_(files), iniPath_(std::move(iniPath)), surroundings_(surroundings)
{
    journal_.setClock(clock());
}

Bench::~Bench()
{
    close();
}

Expected<void, QString> Bench::openRecords(const QString& lineUrl, const QString& journalUrl)
{
    if (auto opened = journal_.open(journalUrl); !opened) {
        recordsLost(opened.error());
        return opened;
    }
    journal_.setStation(attribution_.station);
    // Reports read the line's database where there is one, and the journal where not.
    if (auto indexed = journal_.indexForReports(lineUrl.isEmpty()); !indexed) {
        recordsLost(indexed.error());
        return indexed;
    }
    // A leftover closed now is a board's result too.
    journal_.outbox().holdFor(sinkInterests(sinkSettings_));
    // A journal whose jobs cannot even be read is no journal to start on.
    if (auto closed = journal_.closeLeftovers(surroundings_.processAlive); !closed) {
        recordsLost(closed.error());
        return unexpected(closed.error());
    }
    // What was written before the journal chained its entries is chained now, once.
    const auto chained = journal_.chainUnchained();
    if (!chained) {
        recordsLost(chained.error());
        return unexpected(chained.error());
    }
    chainedBefore_ = *chained;
    journalUrl_ = journalUrl;
    thread_ = std::make_unique<RecordsThread>(journalUrl, lineUrl, attribution_.station, clock(), surroundings_.offload);
    if (surroundings_.lineAway)
        thread_->setLineAway(surroundings_.lineAway);
    if (surroundings_.offload == Offload::OnClock)
        thread_->shareJournal(journal_);
    if (!lineUrl.isEmpty()) {
        lineDb_ = StoreUrls::shownUrl(lineUrl);
        courier_ = std::make_unique<Courier>(*thread_, lineUrl, clock());
        connect(courier_.get(), &Courier::heldChanged, this, &Bench::heldChanged);
        connect(courier_.get(), &Courier::stationNameShared, this, [this](const std::vector<Namesake>& others) {
            emit stationNameShared(namesakeWarning(attribution_.station, others));
        });
        connect(courier_.get(), &Courier::serialDoubled, this, &Bench::serialDoubled);
        courier_->deliverSoon(); // what earlier runs left held
    }
    if (!sinkSettings_.empty()) {
        sinks_ = std::make_unique<SinkCouriers>(*thread_, sinkSettings_, clock());
        connect(sinks_.get(), &SinkCouriers::heldChanged, this, [this] { emit sinksHeldChanged(sinks_->heldText()); });
        connect(sinks_.get(), &SinkCouriers::failed, this, &Bench::sinkProblem);
        connect(sinks_.get(), &SinkCouriers::refused, this, &Bench::sinkProblem);
        sinks_->deliverSoon(); // what earlier runs left held
    }
    return {};
}

Expected<void, QString> Bench::addPort(const PortName& port)
{
    auto board = std::make_unique<Board>();
    board->runner = std::make_unique<BoardRunner>(port, files_, iniPath_, clock(), *surroundings_.lines);
    board->keeper = std::make_unique<RecordKeeper>(*board->runner, journal_.isOpen() ? &journal_ : nullptr, lineDb_,
                                                   surroundings_);
    board->keeper->attribute(attribution_);
    connect(board->keeper.get(), &RecordKeeper::failed, this, &Bench::recordsLost);
    if (courier_)
        connect(board->keeper.get(), &RecordKeeper::saved, courier_.get(), &Courier::deliverSoon);
    if (sinks_)
        connect(board->keeper.get(), &RecordKeeper::saved, sinks_.get(), &SinkCouriers::deliverSoon);
    auto opened = board->runner->open();
    boards_.push_back(std::move(board));
    if (!opened)
        close();
    return opened;
}

void Bench::serialTaken(Millis waited)
{
    longestSerialWait_ = std::max(longestSerialWait_, waited);
    if (lease_)
        lease_->refillSoon();
}

void Bench::signIn(const QString& operatorId)
{
    attribution_.operatorId = operatorId;
    for (const auto& board : boards_)
        board->keeper->attribute(attribution_);
}

void Bench::prepare(const Recipe* recipe, BringUpRules rules, bool watch)
{
    // The lease is filled before any board asks for a number.
    if (recipe && courier_ && recipe->serialLease > 0) {
        lease_ = std::make_unique<LeaseKeeper>(*thread_, *recipe, clock());
        lease_->refillSoon();
    }
    if (watch)
        rules.lostLineLeaves = true; // a hang-up in a slot means the board left
    for (std::size_t i = 0; i < boards_.size(); ++i) {
        Board& board = *boards_[i];
        board.job = std::make_unique<BoardJob>(*board.runner, *board.keeper);
        if (recipe)
            board.bringUp = std::make_unique<BringUp>(*board.job, *this, *recipe, rules);
        if (recipe && watch)
            board.slot = std::make_unique<Slot>(*board.runner, *board.job, *board.bringUp);
        follow(i);
    }
}

void Bench::follow(std::size_t i)
{
    Board& board = *boards_[i];
    board.status.port = board.job->port().name;
    board.status.device = board.job->port().device;
    const auto moved = [this, i] {
        Board& b = *boards_[i];
        if (!b.slot || std::holds_alternative<slot::Running>(b.slot->state())) {
            b.status.follow(*b.job, b.bringUp.get());
            emit statusChanged(i);
        }
    };
    connect(board.job.get(), &BoardJob::phaseChanged, this, [this, i, moved] {
        moved();
        emit phaseChanged(i);
    });
    connect(board.job.get(), &BoardJob::progressed, this, [this, i, moved] {
        moved();
        emit progressed(i);
    });
    connect(board.job.get(), &BoardJob::told, this, [this, i](const QString& text) { emit told(i, text); });
    connect(board.runner.get(), &BoardRunner::effect, this, [this, i](const Effect& effect) { hear(i, effect); });
    followEnds(i);
}

void Bench::hear(std::size_t i, const Effect& effect)
{
    BoardStatus& s = boards_[i]->status;
    if (const auto* serial = std::get_if<SerialKnown>(&effect)) {
        s.serial = serial->serial;
        emit statusChanged(i);
    } else if (const auto* box = std::get_if<BoxShown>(&effect); box && s.state == BoardStatus::State::Running) {
        s.said = box->text;
        emit statusChanged(i);
    }
}

void Bench::followEnds(std::size_t i)
{
    Board& board = *boards_[i];
    const auto ended = [this, i] {
        Board& b = *boards_[i];
        BoardStatus status = BoardStatus::ended(*b.job, b.bringUp.get());
        if (!status.passed() && b.status.state == BoardStatus::State::Running)
            status.percent = b.status.percent; // the bar stands where the board stopped
        status.board = b.keeper->board().isEmpty() ? "job " + std::to_string(++loneJobs_) : b.keeper->board().toStdString();
        // A board's end is its bring-up's, or its lone job's: never a step of a bring-up.
        if (const auto verdict = boards::verdictOf(status.word); verdict && boards::standsForBoard(status.job, false))
            book_.ended(status.board, status.port, *verdict);
        if (b.slot) // the result stands on the slot until the operator pulls the board
            status.waitingSince = clock().now();
        show(i, std::move(status));
        emit finished(i);
    };
    if (board.slot) {
        connect(board.slot.get(), &Slot::stateChanged, this, [this, i] { showSlot(i); });
        connect(board.slot.get(), &Slot::arrived, this, [this, i] { emit arrived(i); });
        connect(board.slot.get(), &Slot::left, this, [this, i] { emit left(i); });
        connect(board.slot.get(), &Slot::finished, this, ended);
        showSlot(i);
    } else if (board.bringUp) {
        connect(board.bringUp.get(), &BringUp::finished, this, ended);
    } else {
        connect(board.job.get(), &BoardJob::finished, this, ended);
    }
}

bool Bench::busy(std::size_t i) const
{
    const Board& b = *boards_[i];
    return b.bringUp ? b.bringUp->running() : b.job->running();
}

double Bench::seconds(std::size_t i) const
{
    const Board& b = *boards_[i];
    if (b.status.state != BoardStatus::State::Running)
        return b.status.seconds;
    return b.bringUp ? b.bringUp->seconds() : b.job->seconds();
}

void Bench::start(std::size_t i, const FlashFiles& files)
{
    if (busy(i))
        return;
    Board& b = *boards_[i];
    BoardStatus fresh; // what an earlier board on the port came to goes with it
    fresh.port = b.status.port;
    fresh.device = b.job->port().device;
    fresh.state = BoardStatus::State::Running;
    b.status = std::move(fresh);
    if (b.bringUp)
        b.bringUp->start();
    else
        b.job->start({JobKind::Flash, files, {}});
    emit statusChanged(i); // running, or what it came to at once
}

void Bench::show(std::size_t i, BoardStatus status)
{
    boards_[i]->status = std::move(status); // a label comes after its board's end (labelFinished)
    emit statusChanged(i);
}

void Bench::showSlot(std::size_t i)
{
    const Board& b = *boards_[i];
    const SlotState& state = b.slot->state();
    if (std::holds_alternative<slot::Done>(state) || std::holds_alternative<slot::Stopped>(state))
        return; // the result stands until the board leaves
    if (std::holds_alternative<slot::Running>(state)) {
        boards_[i]->status.follow(*b.job, b.bringUp.get());
        return emit statusChanged(i);
    }
    BoardStatus waiting;
    waiting.port = b.status.port;
    waiting.device = b.status.device;
    waiting.state = BoardStatus::State::Waiting;
    waiting.phase = std::holds_alternative<slot::Waiting>(state) ? "waiting for a board" : "waiting for its line";
    show(i, std::move(waiting));
}

void Bench::startSlots()
{
    for (const auto& board : boards_) {
        if (board->slot)
            board->slot->start();
    }
}

void Bench::stop()
{
    for (const auto& board : boards_) {
        if (board->slot)
            board->slot->stop();
        if (board->bringUp)
            board->bringUp->interrupt();
        if (board->job)
            board->job->interrupt();
    }
}

std::vector<BoardJob*> Bench::jobs()
{
    std::vector<BoardJob*> out;
    for (const auto& board : boards_)
        out.push_back(board->job.get());
    return out;
}

void Bench::close()
{
    for (const auto& board : boards_)
        board->runner->close();
    // What was not handed on (a station without a line database, or one away) joins the
    // journal's chain before the bench goes.
    if (journal_.isOpen())
        if (auto chained = journal_.chainUnchained(); !chained)
            recordsLost(chained.error());
}

void Bench::lastDelivery(int ms)
{
    // Each in turn, within the one wait.
    const Stopwatch waited(clock());
    if (courier_)
        courier_->lastTry(ms);
    if (sinks_)
        sinks_->lastTry(std::max<int>(0, ms - static_cast<int>(waited.elapsed())));
}

Expected<void, QString> Bench::keep(JobRecord& record)
{
    if (!journal_.isOpen())
        return {};
    record.lineDb = lineDb_;
    auto saved = journal_.records().save(record);
    if (!saved)
        recordsLost(saved.error());
    else {
        if (courier_)
            courier_->deliverSoon();
        if (sinks_)
            sinks_->deliverSoon();
    }
    return saved;
}

void Bench::printLabels(const LabelSettings& settings)
{
    labels_ = std::make_unique<LabelPrinter>(journalUrl_, settings, clock(), surroundings_.offload,
                                             surroundings_.printer,
                                             surroundings_.offload == Offload::OnClock ? &journal_ : nullptr);
    connect(labels_.get(), &LabelPrinter::finished, this, &Bench::labelFinished);
    connect(labels_.get(), &LabelPrinter::unsure, this, [this](const LabelRecord& label) {
        emit labelsNoticed(QStringLiteral("The label of %1 was being printed when its run stopped: it may be on the "
                                          "printer; label reprint %1 prints it again")
                               .arg(label.serial));
    });
    connect(labels_.get(), &LabelPrinter::journalFailed, this, &Bench::labelsNoticed);
    connect(labels_.get(), &LabelPrinter::unusable, this, [this](const QString& why) {
        emit labelsNoticed(QStringLiteral("The labels wait: their printer cannot take them as it is set up (%1); it is "
                                          "tried again at the next start, or by label list")
                               .arg(why));
    });
    labels_->printHeld();
}

void Bench::printLabel(const BoardJob& job, const LabelRequest& request)
{
    if (!labels_)
        return;
    for (std::size_t i = 0; i < boards_.size(); ++i) {
        if (boards_[i]->job.get() == &job)
            labelBoard_[request.bringUp] = i;
    }
    labelsInHand_.insert(request.bringUp);
    labelAsked_.emplace(request.bringUp, clock().now());
    labels_->print(request);
}

void Bench::labelFinished(const LabelRecord& label)
{
    labelsInHand_.erase(label.bringUp);
    if (label.state == QLatin1String("held"))
        heldLabels_.insert(label.id);
    else
        heldLabels_.erase(label.id);
    if (const auto asked = labelAsked_.find(label.bringUp); asked != labelAsked_.end() && label.state != "held") {
        longestLabelWait_ = std::max(longestLabelWait_, tickDiff(clock().now(), asked->second));
        labelAsked_.erase(asked);
    }
    if (const auto board = labelBoard_.find(label.bringUp); board != labelBoard_.end()) {
        boards_[board->second]->status.label = labelShownOf(label.state.toStdString());
        emit statusChanged(board->second);
        emit labelShown(board->second, label.state);
        if (label.state != QLatin1String("held")) // a label at its end is no board's business any more
            labelBoard_.erase(board);
    }
    if (label.state == QLatin1String("failed"))
        emit labelsNoticed(QStringLiteral("The label of %1 cannot be printed: %2").arg(label.serial, label.reason));
}

void Bench::lastLabels(int ms)
{
    clock().runUntil([this] { return labelsInHand_.empty(); }, ms);
}

QString Bench::chainedNotice() const
{
    if (chainedBefore_ == 0)
        return {};
    return QStringLiteral("The journal chained its %1 records and numbers written before this version, in the order "
                          "they were written: an edit of any of them shows from now on")
        .arg(chainedBefore_);
}

void Bench::recordsLost(const QString& why)
{
    if (recordsProblem_)
        return;
    recordsProblem_ = why;
    emit recordsFailed(why);
}

} // namespace auxpad

#include "moc_bench.cpp"
