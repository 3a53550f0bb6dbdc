#pragma once

#include <vector>

#include "label/label_machine.h"
#include "label/label_settings.h"
#include "label/printer_send.h"
#include "records/record_store.h"

namespace auxpad {

// What a bring-up, or an operator, asks to be printed.
struct LabelRequest {
    LabelSettings settings;
    QString recipePath;
    LabelValues values;
    QString bringUp;       // the bring-up's uuid, if any
    QString reprintReason; // for a reprint
};

// The journal's label and the machine's state, each from the other.
label::LabelState labelState(const LabelRecord& label, Millis now);
LabelValues labelValues(const LabelRecord& label);

// The steps of printing, each writing the journal; they wait on the printer, so they
// run on a thread of their own (LabelPrinter) or in a command.
//
// Puts a label into the journal as queued.
Expected<LabelRecord, QString> queueLabel(RecordStore& journal, const LabelRequest& request);
// Hands a label the machine may hand to its printer: marked handed first, then printed
// or held as the printer answers, or failed when it cannot be made. `state` follows.
// A journal that cannot take the first mark stops it before the printer sees it.
Expected<LabelRecord, QString> handLabel(RecordStore& journal, LabelRecord label, const LabelSettings& settings,
                                         label::LabelState& state, Millis now,
                                         const PrinterLink& printer = sendToPrinter);

// What a start finds: the labels a dead process left handed (now queued and unsure,
// to report), then every queued or held label handed once.
struct HeldLabels {
    std::vector<LabelRecord> unsure;
    std::vector<LabelRecord> handed; // as each ended: printed, held or failed
};
Expected<HeldLabels, QString> printHeld(RecordStore& journal, const LabelSettings& settings, Millis now,
                                        const PrinterLink& printer = sendToPrinter);

} // namespace auxpad
