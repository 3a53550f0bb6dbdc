#include "tests/e2e/live_board.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

LiveBoard::LiveBoard(const std::string& port, const std::string& iniPath)
    : runner(auxpad::resolvePort(port), files, iniPath)
{
    QObject::connect(&runner, &auxpad::BoardRunner::effect, &runner, [this](const auxpad::Effect& effect) {
        if (record(effect))
            runner.boxClosed();
    });
    QObject::connect(&runner, &auxpad::BoardRunner::lineLost, &runner,
                     [this](const QString& why) { lost = why.toStdString(); });
}

bool LiveBoard::runUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    QTimer wake; // so that the loop looks at `done` at least every 10 ms
    wake.start(10);
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}
