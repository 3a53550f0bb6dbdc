#pragma once

#include <QWidget>

class QCheckBox;
class QPlainTextEdit;

namespace auxpad {
class BoardRunner;
}

namespace auxpad::ui {

// MSG_WIN: the traffic log, and a line for hand-typed service messages.
class TrafficWindow final : public QWidget {
    Q_OBJECT
public:
    explicit TrafficWindow(QWidget* parent = nullptr);
    void attach(auxpad::BoardRunner& runner) { runner_ = &runner; }

    // Appends to the log and brings its end into view.
    void appendLog(const QString& text);
    QString log() const;

private:
    void send();
    void print();
    void clear();

    auxpad::BoardRunner* runner_ = nullptr;
    QPlainTextEdit* msgDisp_ = nullptr;
    QPlainTextEdit* msgInput_ = nullptr;
    QCheckBox* clrDisp_ = nullptr;
};

} // namespace auxpad::ui
