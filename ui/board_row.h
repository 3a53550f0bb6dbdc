#pragma once

#include <QFrame>

#include "runner/board_job.h"
#include "runner/bring_up.h"
#include "runner/slot.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace auxpad::ui {

// One board of the line window: its port and device, the serial number once known, the
// phase with bar, percentage and elapsed time, and the result, a large PASS or FAIL with
// what failed. The board's messages show here, never in a box that would hold the
// others up. A double-click opens the board's traffic log.
class BoardRow final : public QFrame {
    Q_OBJECT
public:
    // With a bring-up, the row runs it whole rather than the flash job alone.
    BoardRow(auxpad::BoardJob& job, auxpad::BringUp* bringUp = nullptr, QWidget* parent = nullptr);

    auxpad::BoardJob& job() { return job_; }
    // Flashes this board with `files` (or brings it up), unless it is busy.
    void flash(const auxpad::FlashFiles& files);
    bool busy() const;
    // The row follows a slot that starts its boards by itself: it shows it waiting, the
    // board's progress, and the result until the board leaves.
    void follow(auxpad::Slot& slot);
    // Stops what runs on the board.
    void interrupt();
    // Where the label of the board that passed is: "printed", "held" or "failed".
    void showLabel(const QString& state);
    // The elapsed time of a board under way, once a second.
    void tick();
    QString log() const;
    // Its traffic log, in a window of its own.
    void showLog();

signals:
    void flashRequested();
    void moveRequested(int step); // the arrow keys: to the row above or below

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showPhase();
    void showSlot();
    void showResult();
    void take(const auxpad::Effect& effect);

    auxpad::BoardJob& job_;
    auxpad::BringUp* bringUp_;
    auxpad::Slot* slot_ = nullptr;
    QLabel* serial_ = nullptr;
    QLabel* phase_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* percent_ = nullptr;
    QLabel* elapsed_ = nullptr;
    QLabel* result_ = nullptr;
    QLabel* message_ = nullptr;
    QPushButton* flash_ = nullptr;
    QPlainTextEdit* log_ = nullptr; // a window of its own, shown on a double-click
};

} // namespace auxpad::ui
