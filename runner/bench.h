#pragma once

#include <QObject>

#include <memory>
#include <optional>
#include <vector>

#include "runner/board_runner.h"
#include "runner/record_keeper.h"

namespace auxpad {

// The boards a front runs, each on its own port, and the records they are kept on: the
// station window's one board, a command's or the line window's many. The records come
// first (and what a dead process of this station left running is closed), then every
// port, before a byte goes to any board.
class Bench final : public QObject {
    Q_OBJECT
public:
    Bench(TextFiles& files, std::string iniPath, QObject* parent = nullptr);
    ~Bench() override;

    // Keeps the jobs' records at `url`. A store that cannot be opened leaves the boards
    // without records; recordsFailed says so.
    void openRecords(const QString& url);
    // Adds a board's port and opens it; when it cannot be opened, every port is closed.
    Expected<void, QString> addPort(const PortName& port);
    void close();

    std::size_t size() const { return boards_.size(); }
    BoardRunner& runner(std::size_t i) { return *boards_[i]->runner; }
    // Why the jobs are not on record, once they are not.
    const std::optional<QString>& recordsProblem() const { return recordsProblem_; }

signals:
    // The records stopped being kept: said once, at the start or when a write failed.
    void recordsFailed(const QString& why);

private:
    struct Board {
        std::unique_ptr<BoardRunner> runner;
        std::unique_ptr<RecordKeeper> keeper;
    };
    void recordsLost(const QString& why);

    TextFiles& files_;
    std::string iniPath_;
    RecordStore store_;
    std::vector<std::unique_ptr<Board>> boards_;
    std::optional<QString> recordsProblem_;
};

} // namespace auxpad
