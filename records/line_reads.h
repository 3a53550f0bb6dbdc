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
    qint64 firstPass = 0; // boards whose first try passed
    QString last;
};

// One slot's boards (a station's port) and how many of them failed their first try.
struct SlotCount {
    QString station;
    QString port;
    qint64 boards = 0;
    qint64 firstFailed = 0;
};

} // namespace auxpad
