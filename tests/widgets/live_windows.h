#pragma once

#include <QTest>
#include <QTimer>

#include <ostream>
#include <string>
#include <vector>

#include "app/flash_main.h"
#include "app/startup.h"
#include "fbus/msg_window.h"
#include "tests/fakes/fakes.h"

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* os)
{
    *os << '{' << texts.join(", ").toStdString() << '}';
}

// The two real windows on a station whose port, clock, files and message boxes are fakes.
struct LiveWindows {
    explicit LiveWindows(DriveList::VolumeSource volumes = {}) : main(nullptr, std::move(volumes))
    {
        files.files["/station/flash.ini"] = "COMport=\"1\"\r\n";
        st.START_DIR = "/station";
        auxpad::INIT_GLOBALS(st);
        // Ticks would run the sequencer behind a test's back.
        main.timer1()->stop();
        main.attach(st, [this](const std::string& m) { faults.push_back(m); });
        msg.attach(st, [this](const std::string& m) { faults.push_back(m); });
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
    template <typename W = QWidget>
    W* msgCtl(const char* name) { return on<W>(msg, name); }

    fakes::FakeClock clock;
    fakes::FakePort port{clock};
    fakes::FakeFiles files;
    fakes::FakeDialogs dialogs;
    FlashMain main;
    MsgWin msg;
    auxpad::Station st{{port, clock, files, main, msg, dialogs}};
    std::vector<std::string> faults;
};
