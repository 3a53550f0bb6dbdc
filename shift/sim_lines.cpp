#include "shift/sim_lines.h"

#include "core/sim_command.h"

namespace auxpad::shift {

SimAdapter::SimAdapter(SimClock& clock, std::string device, int baud)
    : clock_(clock), device_(std::move(device)), usPerByte_(10'000'000 / baud), arrival_(clock.timer()),
      delivery_(clock.timer()), wake_(clock.timer())
{
    connect(arrival_.get(), &Timer::timeout, this, &SimAdapter::arrive);
    connect(delivery_.get(), &Timer::timeout, this, &SimAdapter::deliver);
    connect(wake_.get(), &Timer::timeout, this, &SimAdapter::pump);
}

SimAdapter::~SimAdapter()
{
    if (line_)
        line_->left(QStringLiteral("the adapter is gone"));
}

void SimAdapter::plug(const auxsim::EngineConfig& board)
{
    config_ = board;
    config_.byteTime = 0; // the cable's time is the adapter's: a chunk at a time
    storedSerial_ = auxsim::describeRecord(board.board.record).serial;
    board_ = std::make_unique<auxsim::SimEngine>(config_, *this);
    pump();
}

void SimAdapter::command(std::string_view line)
{
    const auto parsed = auxsim::parseCommand(line);
    if (!board_ || !parsed.command)
        return;
    board_->execute(*parsed.command, us());
    pump();
}

void SimAdapter::pull()
{
    board_.reset();
    toBoard_.clear();
    wake_->stop();
}

std::string SimAdapter::storedSerial() const
{
    return storedSerial_;
}

void SimAdapter::recordStored(const auxsim::ProdRecord& record)
{
    storedSerial_ = auxsim::describeRecord(record).serial;
    config_.board.record = record;
}

void SimAdapter::leave(const QString& why)
{
    present_ = false;
    toBoard_.clear();
    toTool_.clear();
    arrival_->stop();
    delivery_->stop();
    if (line_)
        std::exchange(line_, nullptr)->left(why);
}

void SimAdapter::back(std::string device, std::optional<std::uint64_t> hangupAfterBlock)
{
    device_ = std::move(device);
    present_ = true;
    hangingUp_ = false;
    // The board on it starts afresh, with what it stored, and hangs up no more unless told.
    if (board_) {
        config_.hangupAfterBlock = hangupAfterBlock;
        board_ = std::make_unique<auxsim::SimEngine>(config_, *this);
        pump();
    }
}

void SimAdapter::detachLine(SimLine* line)
{
    if (line_ == line)
        line_ = nullptr;
}

qint64 SimAdapter::carry(std::deque<Chunk>& queue, Timer& timer, qint64& free, Bytes bytes)
{
    // One after the other on the cable, each as long as its bytes take.
    const qint64 start = std::max<qint64>(us(), free);
    free = start + static_cast<qint64>(bytes.size()) * usPerByte_;
    queue.push_back({free, std::move(bytes)});
    if (!timer.isActive())
        timer.start(static_cast<Millis>((queue.front().due + 999) / 1000 - clock_.elapsed()));
    return free;
}

void SimAdapter::fromTool(Bytes bytes)
{
    bytesFromTool_ += bytes.size();
    if (present_)
        carry(toBoard_, *arrival_, toBoardFree_, std::move(bytes));
}

void SimAdapter::arrive()
{
    while (!toBoard_.empty() && toBoard_.front().due <= us()) {
        Chunk chunk = std::move(toBoard_.front());
        toBoard_.pop_front();
        if (line_)
            line_->took();
        if (board_)
            board_->received(chunk.bytes, chunk.due);
    }
    if (!toBoard_.empty())
        arrival_->start(static_cast<Millis>((toBoard_.front().due + 999) / 1000 - clock_.elapsed()));
    pump();
}

void SimAdapter::deliver()
{
    while (!toTool_.empty() && toTool_.front().due <= us()) {
        Chunk chunk = std::move(toTool_.front());
        toTool_.pop_front();
        if (line_)
            line_->deliver(chunk.bytes);
    }
    if (!toTool_.empty())
        delivery_->start(static_cast<Millis>((toTool_.front().due + 999) / 1000 - clock_.elapsed()));
}

void SimAdapter::pump()
{
    if (!board_ || !present_)
        return;
    board_->advance(us());
    if (board_->hangupRequested()) {
        if (!hangingUp_) {
            hangingUp_ = true;
            wake_->stop();
            emit hungUp();
        }
        return;
    }
    if (Bytes out = board_->takeTx(us()); !out.empty())
        carry(toTool_, *delivery_, toToolFree_, std::move(out));
    if (const auto wake = board_->nextWakeup())
        wake_->start(static_cast<Millis>(std::max<qint64>(0, (*wake + 999) / 1000 - clock_.elapsed())));
    else
        wake_->stop();
}

Expected<void, QString> SimLine::open(const PortName& port)
{
    close();
    SimAdapter* adapter = lines_.adapter(port.device);
    if (!adapter || !adapter->present())
        return unexpected(QString::fromStdString(port.shown()) + QStringLiteral(" is not a serial port of this machine."));
    adapter_ = adapter;
    shown_ = QString::fromStdString(port.shown());
    adapter_->attachLine(this);
    return {};
}

void SimLine::close()
{
    if (adapter_)
        std::exchange(adapter_, nullptr)->detachLine(this);
    received_.clear();
}

void SimLine::write(const Bytes& bytes)
{
    if (adapter_)
        adapter_->fromTool(bytes);
}

void SimLine::deliver(const Bytes& bytes)
{
    received_.insert(received_.end(), bytes.begin(), bytes.end());
    emit received();
}

void SimLine::left(const QString& why)
{
    adapter_ = nullptr;
    received_.clear();
    emit lost(QStringLiteral("The serial port %1 is gone: %2").arg(shown_, why)); // as a real port says it
}

SimAdapter& SimLines::add(const std::string& name, const std::string& device)
{
    auto& adapter = adapters_[device];
    adapter = std::make_unique<SimAdapter>(clock_, device, baud_);
    names_[name] = device;
    return *adapter;
}

SimAdapter* SimLines::adapter(const std::string& device)
{
    for (auto& [made, adapter] : adapters_)
        if (adapter->device() == device)
            return adapter.get();
    return nullptr;
}

PortName SimLines::resolve(const std::string& name)
{
    const auto found = names_.find(name);
    return {name, found == names_.end() ? std::string() : found->second};
}

} // namespace auxpad::shift

#include "moc_sim_lines.cpp"
