#pragma once

#include <QString>

#include <functional>

#include "base/expected.h"
#include "label/label_document.h"

namespace auxpad {

// Why a printer did not take a label, and whether it never can as it is set up (no such
// queue on a server that answers, a name that is no IPP URI): such a printer is not tried
// again by itself, only when a start or an operator asks.
struct PrinterRefusal {
    QString why;
    bool lasting = false;
};

// Hands a label to a printer through libcups: to a CUPS queue by name, on the server
// libcups finds (CUPS_SERVER, client.conf), or to an ipp://host[:port]/path directly.
// Returns the printer's job id, or why the printer did not take it (away, refusing
// jobs, no such queue). Waits on the network, up to its timeouts: never call it on the
// event loop's thread.
Expected<int, PrinterRefusal> sendToPrinter(const QString& printer, const LabelDocument& document, int copies,
                                            const QString& title);

// Where a label is handed: sendToPrinter for a station; a simulated printer for a
// simulated shift. The same arguments and answer.
using PrinterLink = std::function<Expected<int, PrinterRefusal>(const QString& printer, const LabelDocument& document,
                                                                int copies, const QString& title)>;

} // namespace auxpad
