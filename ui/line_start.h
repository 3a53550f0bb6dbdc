#pragma once

#include <QStringList>

#include <optional>

#include "base/expected.h"
#include "engine/board_engine.h"
#include "runner/record_keeper.h"

namespace auxpad::ui {

// What `auxpad-flash line` was asked for, before anything is checked.
struct LineOptions {
    std::vector<std::string> ports;
    auxpad::FlashFiles files;
    bool filesGiven = false;
    std::string iniPath;
    QString db;
    auxpad::Attribution attribution; // without the recipe's order, which the recipe adds
    QString recipe; // the line's recipe file: each row brings its board up whole
    bool autoStart = false; // each slot starts its boards by itself (with a recipe)
    bool again = false;
    bool labels = true; // with a recipe that has a [label]: a label for each board that passes
    int tries = 1;
    // The bench as tiles or rows: given, else as last chosen, else tiles from nine ports up.
    enum class View { Grid, Rows };
    std::optional<View> view;
    QString stackLight; // the bench's stack light, "" for the recipe's or none
    bool lock = false;  // --lock: the window opens locked, as a recipe's [access] lock=yes
    QString signer;     // --signer BADGE: who signs --again
};

// `auxpad-flash line --port PORT [--port PORT]... [--disk FILE] [--data FILE] [--ini FILE]
// [--recipe FILE] [--db URL]`, read without a display: the options, or the exit status once the help is
// printed or what is wrong is said on standard error.
auxpad::Expected<LineOptions, int> parseLine(const QStringList& arguments);

// The line window for a bench of boards. A port or file that cannot be had is told in a
// box and the window does not open. Returns the exit status.
int runLine(const LineOptions& options);

} // namespace auxpad::ui
