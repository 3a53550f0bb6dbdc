#pragma once

#include <QStackedWidget>
#include <QWidget>

#include "runner/bench.h"
#include "runner/bench_session.h"

#include <memory>
#include <optional>
#include <vector>

#include "runner/board_job.h"
#include "runner/bring_up.h"
#include "runner/slot.h"

class QGridLayout;
class QLabel;
class QLineEdit;
class QScrollArea;

namespace auxpad::ui {

class BoardRow;

// The line window: every board of a bench in a row of its own, the two download files
// above them, "Flash all", and a "Flash" for each row, so that a board swapped after a
// run is flashed alone while the others run. The rows and the grid show the bench's
// statuses through one model; the window's buttons ask the bench's session, whose policy
// decides what may be done (a locked bench's), and show what it allows.
class LineWindow final : public QWidget {
    Q_OBJECT
public:
    // The session stays the caller's, set up: the window shows its bench's boards and
    // starts them. With a recipe, each row brings its board up whole with the recipe's files.
    LineWindow(auxpad::BenchSession& session, const auxpad::FlashFiles& files, const auxpad::Recipe* recipe = nullptr,
               QWidget* parent = nullptr);
    ~LineWindow() override;

    // Each row follows its slot, which starts every board by itself; the counters above
    // the rows say what the bench's boards came to (`Bench::tally`).
    void follow();
    // The bench as a grid of tiles instead of rows; the rows stay beside it, for their
    // logs and their flashes.
    void showGrid();
    // How many labels wait for their printer, on the counters' line.
    void followLabels();
    class BenchGrid* grid() const { return grid_; }

    std::vector<BoardRow*> rows() const { return rows_; }
    void flashAll();
    void flash(BoardRow& row);
    void stopAll();
    // The lock's badge and PIN, as typed in its fields.
    void unlock();
    // What stops a flash before it starts (a file that cannot be read), "" when nothing.
    QString problem() const;
    // Where the records go: the line database `lineDb` ("" for none), and how many of
    // them wait for it in the station's journal.
    // `sinksHeld`: "held for webhook: N, ..." while a sink holds results, else "".
    void showRecords(const QString& lineDb, int held, const QString& sinksHeld = {});
    // A warning about the station's records that stays on the records' line.
    void showStationWarning(const QString& warning);
    // Who is signed in, and the order the boards are for ("" for none).
    void showAttribution(const QString& operatorId, const QString& order);
    QString operatorId() const;

signals:
    void signedIn(const QString& operatorId);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    auxpad::FlashFiles files() const;
    // The order, and who is signed in with the field for the next badge.
    class QLayout* attributionRow();
    // A locked bench's line: whether it is locked, and the fields that unlock it.
    class QLayout* lockRow();
    // The controls as the session's policy allows them now.
    void showLock();
    QLineEdit* filePicker(const char* name, const QString& label, const std::string& path, QGridLayout* grid, int row);
    QScrollArea* boardList();

    QLineEdit* disk_ = nullptr;
    QLineEdit* data_ = nullptr;
    QLabel* problem_ = nullptr;
    QString recordsText_;
    QString stationWarning_;
    const auxpad::Recipe* recipe_ = nullptr;
    QLabel* records_ = nullptr;
    class BadgeField* badge_ = nullptr;
    QLabel* order_ = nullptr;
    QLabel* counters_ = nullptr;
    std::optional<int> labelsHeld_;
    auxpad::BenchSession& session_;
    auxpad::Bench& bench_;
    QLabel* lock_ = nullptr;
    QLineEdit* unlockBadge_ = nullptr;
    QLineEdit* unlockPin_ = nullptr;
    std::vector<QWidget*> chooseButtons_;
    std::unique_ptr<class BoardStatusModel> model_;
    std::optional<auxpad::Stopwatch> since_; // since the slots started
    void showCounters();
    std::vector<BoardRow*> rows_;
    QStackedWidget* views_ = nullptr; // the rows, or the grid
    class BenchGrid* grid_ = nullptr;
    std::unique_ptr<auxpad::Timer> everySecond_;
};

} // namespace auxpad::ui
