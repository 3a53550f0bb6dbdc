#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <memory>

#include <array>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bringup/tally.h"
#include "runner/board_job.h"
#include "runner/board_status.h"

namespace auxpad::cli {

// What the commands print while their boards run and when they are done: on a
// terminal one line per board, redrawn in place; otherwise one line per phase and per
// message, each starting with the port; with --json, JSON Lines. Then the summary.
class JobOutput final : public QObject {
    Q_OBJECT
public:
    enum class Style { Live, Lines, Json };
    // Watching, each port is a slot whose boards come and go: the summary counts them.
    // It speaks on `out`, and says the JSON Lines' table on `err`.
    JobOutput(Style style, const std::vector<auxpad::BoardJob*>& jobs, auxpad::Clock& clock, bool watching = false,
              std::FILE* out = stdout, std::FILE* err = stderr);

    void started(const auxpad::BoardJob& job);
    void arrived(const auxpad::BoardJob& job);
    void left(const auxpad::BoardJob& job);
    void phaseChanged(const auxpad::BoardJob& job);
    void progressed(const auxpad::BoardJob& job);
    void told(const auxpad::BoardJob& job, const QString& text);
    // A board's end, as its bench's status says it, run by whom `attribution` says.
    void finished(const auxpad::BoardJob& job, const auxpad::BoardStatus& status, const auxpad::Attribution& attribution);
    // Every board's end has been said, and each passed.
    bool allPassed() const;
    // The table at the end: port, serial number, result, what failed, time; then how
    // many records are held for the line database `lineDb` ("" for none).
    // `labelsHeld`: labels that wait for their printer, when the run prints labels.
    // `sinksHeld`: "held for webhook: N, ..." when a sink holds something.
    void summary(const QString& lineDb, int held, std::optional<int> labelsHeld = std::nullopt,
                 const QString& sinksHeld = {});

private:
    void print(const std::string& text, std::FILE* to = nullptr);
    void slotEvent(const auxpad::BoardJob& job, const char* event, const char* said);
    void json(const auxpad::BoardJob& job, const char* event, QJsonObject fields);
    std::string liveLine(const auxpad::BoardJob& job) const;
    void redraw();

    std::FILE* out_;
    std::FILE* err_;
    Style style_;
    std::vector<auxpad::BoardJob*> jobs_;
    std::size_t portWidth_ = 4;
    std::unique_ptr<auxpad::Timer> redraw_;
    bool drawn_ = false;
    bool dirty_ = false;
    std::vector<qint64> lastProgressEvent_; // per board, for --json
    std::map<std::string, std::string> lastLine_; // per board, for lines
    std::map<const auxpad::BoardJob*, auxpad::BoardStatus> results_; // the last of each board
    auxpad::BoardBook book_; // every board's end, by its identity
    bool watching_ = false;
    auxpad::Stopwatch since_; // since the run's start
};

} // namespace auxpad::cli
