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

void Bench::openRecords(const QString& url)
{
    if (const auto opened = store_.open(url); !opened)
        return recordsLost(opened.error());
    store_.closeLeftovers();
}

Expected<void, QString> Bench::addPort(const PortName& port)
{
    auto board = std::make_unique<Board>();
    board->runner = std::make_unique<BoardRunner>(port, files_, iniPath_);
    board->keeper = std::make_unique<RecordKeeper>(*board->runner, store_.isOpen() ? &store_ : nullptr);
    connect(board->keeper.get(), &RecordKeeper::failed, this, &Bench::recordsLost);
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

void Bench::recordsLost(const QString& why)
{
    if (recordsProblem_)
        return;
    recordsProblem_ = why;
    emit recordsFailed(why);
}

} // namespace auxpad
