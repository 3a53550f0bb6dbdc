#include "runner/stack_light.h"

namespace auxpad {

namespace {

constexpr int kTowerBitsPerSecond = 9600;

} // namespace

Expected<std::unique_ptr<SerialLine>, QString> StackLight::open(LineSource& lines, const std::string& port)
{
    auto line = lines.lineAt(kTowerBitsPerSecond);
    if (const auto opened = line->open(lines.resolve(port)); !opened)
        return unexpected(QStringLiteral("the stack light cannot be had: ") + opened.error());
    return line;
}

StackLight::StackLight(Bench& bench, std::unique_ptr<SerialLine> line, tower::Relays relays, QObject* parent)
    : QObject(parent), bench_(bench), line_(std::move(line)), machine_(bench.size(), relays)
{
    connect(line_.get(), &SerialLine::lost, this, [this](const QString& why) {
        if (!std::exchange(goneSaid_, true))
            emit gone(QStringLiteral("the stack light is gone, the bench goes on without it: ") + why);
    });
    // What a tower might say back is of no use here; it is read only to be dropped.
    connect(line_.get(), &SerialLine::received, this, [this] { line_->takeReceived(); });
    connect(&bench, &Bench::arrived, this, [this](std::size_t i) {
        machine_.arrived(i);
        send();
    });
    connect(&bench, &Bench::phaseChanged, this, &StackLight::look);
    connect(&bench, &Bench::finished, this, [this](std::size_t i) {
        machine_.finished(i, bench_.status(i).verdict);
        send();
    });
    connect(&bench, &Bench::left, this, [this](std::size_t i) {
        machine_.left(i);
        send();
    });
}

StackLight::~StackLight()
{
    off();
}

void StackLight::start()
{
    machine_.start();
    for (std::size_t i = 0; i < bench_.size(); ++i)
        look(i);
    send();
}

void StackLight::look(std::size_t board)
{
    if (bench_.status(board).state == BoardStatus::State::Running)
        machine_.running(board);
    send();
}

void StackLight::off()
{
    machine_.end();
    send();
    if (line_->isOpen())
        line_->close();
}

void StackLight::send()
{
    for (const tower::Frame& frame : machine_.takeFrames()) {
        if (line_->isOpen())
            line_->write(Bytes(frame.begin(), frame.end()));
    }
}

} // namespace auxpad

#include "moc_stack_light.cpp"
