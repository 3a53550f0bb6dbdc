#pragma once

#include <QString>

namespace auxpad {

// One label as the journal keeps it, from the moment a passed board asks for it until
// the printer's queue took it or it failed for good.
struct LabelRecord {
    qint64 id = 0;
    QString bringUp; // the uuid of the bring-up that asked for it
    QString serial;
    QString data;    // the values its placeholders were filled with, as a JSON object
    QString recipe;  // the recipe file its layout comes from
    QString printer; // a CUPS queue or an ipp:// URI
    // queued: waits to be handed to the printer; handed: being handed now; held: the
    // printer was away or refused, tried again later; printed: the queue took it as
    // `jobId`; failed: it could not be made, `reason` says why.
    QString state;
    int jobId = 0;
    QString reason;        // why held or failed; or that a start found it handed
    bool unsure = false;   // it was being handed when its process stopped
    int attempts = 0;      // hands to the printer
    QString reprintReason; // for a reprint, why the operator asked for it
    QString queued;        // when it was queued, as the records write times
};

} // namespace auxpad
