#include "runner/bench.h"

namespace auxpad {

Bench::Bench(TextFiles& files, std::string iniPath, QObject* parent)
    : QObject(parent), files_(files), iniPath_(std::move(iniPath))
{
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
    // A journal whose jobs cannot even be read is no journal to start on.
    if (auto closed = journal_.closeLeftovers(); !closed) {
        recordsLost(closed.error());
        return unexpected(closed.error());
    }
    thread_ = std::make_unique<RecordsThread>(journalUrl, lineUrl);
    if (!lineUrl.isEmpty()) {
        lineDb_ = RecordStore::shownUrl(lineUrl);
        courier_ = std::make_unique<Courier>(*thread_, lineUrl);
        connect(courier_.get(), &Courier::heldChanged, this, &Bench::heldChanged);
        courier_->deliverSoon(); // what earlier runs left held
    }
    return {};
}

Expected<void, QString> Bench::addPort(const PortName& port)
{
    auto board = std::make_unique<Board>();
    board->runner = std::make_unique<BoardRunner>(port, files_, iniPath_);
    board->keeper = std::make_unique<RecordKeeper>(*board->runner, journal_.isOpen() ? &journal_ : nullptr, lineDb_);
    connect(board->keeper.get(), &RecordKeeper::failed, this, &Bench::recordsLost);
    if (courier_)
        connect(board->keeper.get(), &RecordKeeper::saved, courier_.get(), &Courier::deliverSoon);
    auto opened = board->runner->open();
    boards_.push_back(std::move(board));
    if (!opened)
        close();
    return opened;
}

void Bench::close()
{
    for (const auto& board : boards_)
        board->runner->close();
}

void Bench::lastDelivery(int ms)
{
    if (courier_)
        courier_->lastTry(ms);
}

Expected<void, QString> Bench::keep(JobRecord& record)
{
    if (!journal_.isOpen())
        return {};
    record.lineDb = lineDb_;
    auto saved = journal_.save(record);
    if (!saved)
        recordsLost(saved.error());
    else if (courier_)
        courier_->deliverSoon();
    return saved;
}

void Bench::recordsLost(const QString& why)
{
    if (recordsProblem_)
        return;
    recordsProblem_ = why;
    emit recordsFailed(why);
}

} // namespace auxpad
