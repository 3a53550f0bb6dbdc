#include "runner/board_runner.h"

namespace auxpad {

namespace {
constexpr Millis kTickMs = 500;
}

BoardRunner::BoardRunner(PortName port, TextFiles& files, std::string iniPath, Clock& clock, LineSource& lines,
                         QObject* parent)
    : QObject(parent), port_(std::move(port)), clock_(clock), lines_(lines), files_(files),
      iniPath_(std::move(iniPath)), engine_(std::make_unique<BoardEngine>(files_, iniPath_)), line_(lines.line()),
      ticks_(clock.timer()), deadline_(clock.timer())
{
    ticks_->setObjectName(QStringLiteral("Timer1"));
    connect(ticks_.get(), &Timer::timeout, this, &BoardRunner::tick);
    connect(deadline_.get(), &Timer::timeout, this, &BoardRunner::deadline);
    connect(line_.get(), &SerialLine::received, this, &BoardRunner::received);
    connect(line_.get(), &SerialLine::drained, this, &BoardRunner::drained);
    connect(line_.get(), &SerialLine::lost, this, &BoardRunner::lost);
}

BoardRunner::~BoardRunner() = default;

Expected<void, QString> BoardRunner::open()
{
    auto opened = line_->open(port_);
    if (opened)
        ticks_->startRepeating(kTickMs);
    return opened;
}

Expected<void, QString> BoardRunner::reopen()
{
    if (line_->isOpen())
        return {};
    if (PortName again = lines_.resolve(port_.name); !again.device.empty())
        port_ = std::move(again);
    auto opened = open();
    if (opened)
        engine_ = std::make_unique<BoardEngine>(files_, iniPath_);
    return opened;
}

void BoardRunner::close()
{
    ticks_->stop();
    deadline_->stop();
    line_->close();
}

void BoardRunner::received()
{
    const Bytes bytes = line_->takeReceived();
    engine_->received(bytes, clock_.now());
    pushOutputs();
}

void BoardRunner::tick()
{
    engine_->tick(clock_.now());
    pushOutputs();
}

void BoardRunner::deadline()
{
    engine_->deadlinePassed(clock_.now());
    pushOutputs();
}

void BoardRunner::drained()
{
    engine_->lineDrained(clock_.now());
}

void BoardRunner::lost(const QString& why)
{
    close();
    command([&](BoardEngine& e, Millis now) { e.lineLost(why.toStdString(), now); });
    emit lineLost(why);
}

void BoardRunner::boxClosed()
{
    if (pushing_) {
        ++closedBoxes_;
        return;
    }
    engine_->boxClosed(clock_.now());
    pushOutputs();
}

void BoardRunner::pushOutputs()
{
    // An input given by a listener while the outputs go out (a job started when the board
    // is heard) leaves its outputs to this loop, after what came before them.
    if (pushing_) {
        again_ = true;
        return;
    }
    pushing_ = true;
    for (;;) {
        again_ = false;
        const Bytes bytes = engine_->takeBytes();
        if (!bytes.empty() && line_->isOpen())
            line_->write(bytes);
        const std::vector<Effect> effects = engine_->takeEffects();
        for (const Effect& e : effects)
            emit effect(e);
        if (closedBoxes_ > 0) {
            --closedBoxes_;
            engine_->boxClosed(clock_.now());
            continue;
        }
        if (!again_)
            break;
    }
    pushing_ = false;
    // A download's deadline only moves later (each block, and the port taking it, starts
    // its wait again), so a running timer is left as it is: when it fires early it is
    // simply set again.
    const auto due = engine_->nextDeadline();
    if (!due)
        deadline_->stop();
    else if (!deadline_->isActive())
        deadline_->start(std::max<Millis>(0, tickDiff(*due, clock_.now())));
}

} // namespace auxpad

#include "moc_board_runner.cpp"
