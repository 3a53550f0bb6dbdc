#include "tests/e2e/live_station.h"

#include <QCoreApplication>
#include <QDir>

#include <chrono>

#include "app/startup.h"
#include "app/timer_tick.h"
#include "fbus/receiver.h"
#include "fbus/sender.h"

LiveStation::LiveStation()
{
    main.dir = QDir::currentPath().toStdString();
}

void LiveStation::start(const std::string& workDir)
{
    QDir::setCurrent(QString::fromStdString(workDir));
    main.dir = workDir;
    auxpad::Form_Load(st);
}

bool LiveStation::runUntil(const std::function<bool()>& done, int timeoutMs)
{
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(timeoutMs);
    auto nextTick = clock::now() + std::chrono::milliseconds(500);
    try {
        while (!done()) {
            const auto now = clock::now();
            if (now > deadline)
                return false;
            QCoreApplication::processEvents();
            auxpad::FBUS_SEND(st, auxpad::SEND_PUMP);
            if (port.bytesWaiting() > 0) {
                for (const auto b : port.readAll())
                    auxpad::FBUS_RECEIVE(st, auxpad::RX_BYTE, b);
            } else {
                const auto untilTick = std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - now).count();
                port.waitForData(static_cast<int>(std::clamp<long long>(untilTick, 0, 5)));
            }
            if (clock::now() >= nextTick) {
                nextTick += std::chrono::milliseconds(500);
                auxpad::Timer1_Timer(st);
            }
        }
    } catch (const platform::RuntimeFault& f) {
        fault = f.what();
        return done();
    }
    return true;
}
