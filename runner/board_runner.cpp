#include "runner/board_runner.h"

#include <unistd.h>

#include <chrono>

#include "runner/serial_line.h"

namespace auxpad {

namespace {
constexpr int kTickMs = 500;
}

Millis tickCount()
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count();
    return static_cast<Millis>(static_cast<std::uint32_t>(ms));
}

BoardRunner::BoardRunner(PortName port, TextFiles& files, std::string iniPath, QObject* parent, Clock clock)
    : QObject(parent), port_(std::move(port)), clock_(clock), files_(files), iniPath_(std::move(iniPath)),
      engine_(std::make_unique<BoardEngine>(files_, iniPath_))
{
    ticks_.setInterval(kTickMs);
    ticks_.setObjectName(QStringLiteral("Timer1"));
    deadline_.setSingleShot(true);
    deadline_.setTimerType(Qt::PreciseTimer);
    connect(&ticks_, &QTimer::timeout, this, &BoardRunner::tick);
    connect(&deadline_, &QTimer::timeout, this, &BoardRunner::deadline);
    connect(&line_, &QSerialPort::readyRead, this, &BoardRunner::received);
    connect(&line_, &QSerialPort::bytesWritten, this, &BoardRunner::drained);
    connect(&line_, &QSerialPort::errorOccurred, this, &BoardRunner::failed);
}

BoardRunner::~BoardRunner() = default;

Expected<void, QString> BoardRunner::open()
{
    auto opened = openSerialLine(line_, port_);
    if (opened)
        ticks_.start();
    return opened;
}

Expected<void, QString> BoardRunner::reopen()
{
    if (line_.isOpen())
        return {};
    if (PortName again = resolvePort(port_.name); !again.device.empty())
        port_ = std::move(again);
    auto opened = open();
    if (opened)
        engine_ = std::make_unique<BoardEngine>(files_, iniPath_);
    return opened;
}

void BoardRunner::close()
{
    ticks_.stop();
    deadline_.stop();
    line_.close();
}

void BoardRunner::received()
{
    const QByteArray bytes = line_.readAll();
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    engine_->received({data, static_cast<std::size_t>(bytes.size())}, clock_());
    pushOutputs();
}

void BoardRunner::tick()
{
    engine_->tick(clock_());
    pushOutputs();
}

void BoardRunner::deadline()
{
    engine_->deadlinePassed(clock_());
    pushOutputs();
}

void BoardRunner::drained()
{
    if (line_.bytesToWrite() == 0)
        engine_->lineDrained(clock_());
}

void BoardRunner::failed(QSerialPort::SerialPortError error)
{
    // Only a line that is gone ends the runner; a line that takes no bytes is a board
    // that does not answer, which the engine's own time-outs report.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError && error != QSerialPort::WriteError)
        return;
    const QString why = QStringLiteral("The serial port %1 is gone: %2")
                            .arg(QString::fromStdString(port_.shown()), line_.errorString());
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
    engine_->boxClosed(clock_());
    pushOutputs();
}

void BoardRunner::write(const Bytes& bytes)
{
    // Straight to the device while nothing waits in QSerialPort's own buffer, not at the
    // next turn of the event loop: a block is on the line as soon as it is made, and the
    // wait for its answer starts at once. What the device does not take now goes
    // through QSerialPort, which writes it as the device drains.
    std::size_t done = 0;
    if (line_.bytesToWrite() == 0) {
        const ssize_t n = ::write(static_cast<int>(line_.handle()), bytes.data(), bytes.size());
        done = n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    if (done < bytes.size()) {
        line_.write(reinterpret_cast<const char*>(bytes.data() + done), static_cast<qint64>(bytes.size() - done));
        line_.flush();
    }
    drained();
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
        if (!bytes.empty() && line_.isOpen())
            write(bytes);
        const std::vector<Effect> effects = engine_->takeEffects();
        for (const Effect& e : effects)
            emit effect(e);
        if (closedBoxes_ > 0) {
            --closedBoxes_;
            engine_->boxClosed(clock_());
            continue;
        }
        if (!again_)
            break;
    }
    pushing_ = false;
    // A download moves its deadline with every block; the timer is only moved when the
    // deadline comes sooner, and when it fires early it is simply set again.
    const auto due = engine_->nextDeadline();
    if (!due) {
        deadline_.stop();
    } else if (!deadline_.isActive() || tickDiff(*due, armedFor_) < 0) {
        armedFor_ = *due;
        deadline_.start(std::max(0, static_cast<int>(tickDiff(*due, clock_()))));
    }
}

} // namespace auxpad
