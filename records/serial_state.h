#pragma once

#include <QString>

namespace auxpad {

// A serial number as a station holds it: leased to the station, reserved for a board on
// `port` when it was `taken`, then written to it or not. A journal delivers each change
// (a revision) to the line's database.
struct SerialState {
    QString serial;
    QString station;
    QString port;  // "" while only leased
    QString taken; // when a board took it (or when it was leased)
    QString state; // leased, reserved, written, not written
    int revision = 1;
};

} // namespace auxpad
