#pragma once

#include <QFrame>

#include "runner/board_runner.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace auxpad::ui {

class BoardStatusModel;

// One board of the line window, as the bench's status of it says: its port and device,
// the serial number once known, the phase with bar, percentage and elapsed time, and the
// result, a large PASS or FAIL with what failed in a few words (the whole text in its
// tooltip). The board's messages show here, never in a box that would hold the others up.
// A double-click opens the board's traffic log.
class BoardRow final : public QFrame {
    Q_OBJECT
public:
    // Board `row` of `model`; its traffic log is what `runner` logs.
    BoardRow(const BoardStatusModel& model, int row, BoardRunner& runner, QWidget* parent = nullptr);

    int row() const { return row_; }
    // Shows what the model says of the board now.
    void refresh();
    // A slot starts each board itself: the row has no button of its own.
    void hideFlash();
    // Whether its Flash may be pressed beside its board being busy: the bench's session
    // says so (a locked bench keeps a passed board from being flashed again).
    void setFlashAllowed(bool allowed);
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
    void take(const auxpad::Effect& effect);
    QString role(int role) const;

    const BoardStatusModel& model_;
    int row_;
    QLabel* serial_ = nullptr;
    QLabel* phase_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* percent_ = nullptr;
    QLabel* elapsed_ = nullptr;
    QLabel* result_ = nullptr;
    QLabel* message_ = nullptr;
    QPushButton* flash_ = nullptr;
    bool flashAllowed_ = true;
    QPlainTextEdit* log_ = nullptr; // a window of its own, shown on a double-click
};

} // namespace auxpad::ui
