#pragma once

#include <QString>

#include "base/expected.h"

namespace auxpad {

// Where the records are and how they are named: the one place every front, the journal,
// the line's database and the reports take their URLs and the station's name from.
struct StoreUrls {
    // The station's journal: sqlite:$XDG_DATA_HOME/auxpad-flash/records.sqlite.
    static QString journalUrl();
    // The line's database: the --db option, else $AUXPAD_FLASH_DB; "" when neither names
    // one other than the journal.
    static QString lineUrl(const QString& option);
    // What a report reads: the line's database when one is named, else the journal.
    static QString chooseUrl(const QString& option);
    // The station's name on record: the --station option, else $AUXPAD_FLASH_STATION,
    // else the host name (two benches on one computer are two stations when named).
    static QString stationName(const QString& option);
    // What --db says of itself, wherever it is taken.
    static const QString kOptionHelp;
    // Whether a URL is one the stores take ("" when it is); what is wrong otherwise.
    static Expected<void, QString> checkUrl(const QString& url);
    // A database as every message and record names it: postgresql://user@host:port/db,
    // never with its password; sqlite: with the file's full path.
    static QString shownUrl(const QString& url);
    // The channel on which a line database tells its listeners that records arrived.
    static const QString kRecordsChannel;
    // A station as a report names it: its name, and where two journals write under that
    // name, the journal's first characters too: "station-2 [journal 4a1b2c3d]".
    static QString shownStation(const QString& station, const QString& journal, bool nameShared);
};

} // namespace auxpad
