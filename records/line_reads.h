#pragma once

#include <QString>

namespace auxpad {

// A board whose job is under way, as the line's page shows it.
struct RunningBoard {
    QString station;
    QString port;
    QString serial;
    QString job;
    QString started;
};

// One station's boards that started in one hour (named by its front, 2026-12-07T08), and
// the latest time one of them was written: its end, or its start while it runs.
struct HourCount {
    QString station;
    QString hour;
    qint64 boards = 0;
    qint64 passed = 0;
    qint64 failed = 0;
    QString last;
};

} // namespace auxpad
