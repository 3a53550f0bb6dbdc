#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>

#include <algorithm>
#include <ostream>
#include <string>

#include "runner/board_runner.h"
#include "tests/support/engine_rig.h"
#include "ui/station_window.h"
#include "ui/traffic_window.h"

using namespace auxpad::ui;

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

// The longest a live window may go without handling an event. The sanitizers, and a
// build without optimisation, slow every handler several times over; the build that
// ships holds the window to 100 ms.
#if defined(AUXPAD_SANITIZED) || !defined(__OPTIMIZE__)
inline constexpr qint64 kLongestEventGapMs = 250;
#else
inline constexpr qint64 kLongestEventGapMs = 100;
#endif

// The gaps between a live window's handled events, on the loop's own clock (LoopClock). A stall of the whole
// machine is forgiven once, never five times the limit: a window that blocks does so at every line, or far longer.
struct EventGaps {
    void add(qint64 gap)
    {
        longest = std::max(longest, gap);
        over += gap > kLongestEventGapMs;
    }
    bool live() const { return over <= 1 && longest <= 5 * kLongestEventGapMs; }
    qint64 longest = 0;
    int over = 0;
};

inline void PrintTo(const EventGaps& gaps, std::ostream* os)
{
    *os << gaps.over << " gaps over " << kLongestEventGapMs << " ms, the longest " << gaps.longest << " ms";
}

// The two real windows on a runner whose line is not open (what it writes goes nowhere)
// and whose flash.ini is held in memory.
struct LiveWindows {
    explicit LiveWindows(DriveList::VolumeSource volumes = {}) : main(nullptr, std::move(volumes))
    {
        files.files["/station/flash.ini"] = "COMport=\"1\"\r\n";
        main.attach(runner, msg);
        msg.attach(runner);
        QObject::connect(&main, &StationWindow::stopped, [this](const QString& m) { stops << m; });
    }

    template <typename W = QWidget>
    W* on(QWidget& window, const char* name)
    {
        auto* w = window.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    template <typename W = QWidget>
    W* mainCtl(const char* name) { return on<W>(main, name); }

    MemoryFiles files;
    auxpad::BoardRunner runner{{"COM1", ""}, files, "/station/flash.ini"};
    StationWindow main;
    TrafficWindow msg;
    QStringList stops;
};

// The box the application shows now, if any.
inline QMessageBox* openBox() { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); }

// Closes the open box with OK and returns its text ("" when none was open).
inline QString closeBox()
{
    QMessageBox* box = openBox();
    if (!box)
        return {};
    const QString text = box->text();
    box->button(QMessageBox::Ok)->click();
    QApplication::processEvents();
    return text;
}
