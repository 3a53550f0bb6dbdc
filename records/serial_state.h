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
    QString journal; // in the line's database: the journal it is leased to ("" for none)
};

// A number's state that the line's database refused: this journal wrote a number to a
// board that the line holds for another journal, or for none, so that two boards may
// carry it. Kept in the journal and said at every delivery until someone looks.
struct SerialRefusal {
    QString serial;
    QString port;
    QString taken;
    QString why;
};

// Another journal that goes by a station's name in the line's database: its host, when
// it was first seen there, and when it last delivered records ("" for never).
struct Namesake {
    QString journal;
    QString host;
    QString firstSeen;
    QString lastDelivered;
};

} // namespace auxpad
