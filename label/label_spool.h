#pragma once

#include <vector>

#include "label/label_machine.h"
#include "label/label_settings.h"
#include "label/printer_send.h"
#include "records/journal.h"

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
label::LabelState labelState(const LabelRecord& label);
LabelValues labelValues(const LabelRecord& label);

// The steps of printing, each writing the journal; they wait on the printer, so they
// run on a thread of their own (LabelPrinter) or in a command.
//
// Puts a label into the journal as queued.
Expected<LabelRecord, QString> queueLabel(Journal& journal, const LabelRequest& request);
// Moves a label by `event` and writes where the move leads into the journal (and into
// `label` as the journal now reads it): the one place a label's state is written.
Expected<void, QString> moveLabel(Journal& journal, LabelRecord& label, label::LabelState& state,
                                  const label::LabelEvent& event);
// Hands a label the machine may hand to its printer: marked handed first, then printed
// or held as the printer answers, or failed when it cannot be made. `state` follows, and
// `answer` is what the printer did (Taken or Refused; Broken when it was never asked).
// A journal that cannot take the first mark stops it before the printer sees it.
Expected<LabelRecord, QString> handLabel(Journal& journal, LabelRecord label, const LabelSettings& settings,
                                         label::LabelState& state, const PrinterLink& printer = sendToPrinter,
                                         label::LabelEvent* answer = nullptr);

// What a start finds: the labels a dead process left handed, unsure now (reported, never
// printed again unasked), and those that wait for their printer.
struct FoundLabels {
    std::vector<LabelRecord> unsure;
    std::vector<LabelRecord> waiting;
};
Expected<FoundLabels, QString> findLabels(Journal& journal);

// A command's start: what it finds, then every waiting label handed once, as each ended.
struct HeldLabels {
    std::vector<LabelRecord> unsure;
    std::vector<LabelRecord> handed; // printed, held or failed
};
Expected<HeldLabels, QString> printHeld(Journal& journal, const LabelSettings& settings,
                                        const PrinterLink& printer = sendToPrinter);

} // namespace auxpad
