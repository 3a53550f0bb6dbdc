#pragma once

#include <QObject>
#include <QThread>

#include <map>
#include <memory>

#include "clock/clock.h"
#include "label/label_spool.h"

namespace auxpad {

// Prints labels for a running bench, off the event loop: libcups waits on the network,
// so every hand to the printer, and the journal's marks around it, run on this object's
// own thread (or, on a simulated clock, as calls posted to it), with a journal
// connection of its own. A label the printer did not take is held and handed again after
// the machine's pause (1 s, 2 s, 4 s.. up to a minute), until it is printed.
class LabelPrinter final : public QObject {
    Q_OBJECT
public:
    // On the clock, `shared` is the bench's own open journal, used instead of a
    // connection of the printer's own.
    LabelPrinter(QString journalUrl, LabelSettings settings, Clock& clock = realClock(),
                 Offload offload = Offload::OwnThread, PrinterLink printer = sendToPrinter,
                 RecordStore* shared = nullptr, QObject* parent = nullptr);
    ~LabelPrinter() override;

    // Queues the label and hands it to the printer.
    void print(const LabelRequest& request);
    // What the journal holds from earlier runs: a start calls this before its own work.
    void printHeld();

signals:
    // A label's state after a hand: printed, held (to be tried again) or failed.
    void finished(const auxpad::LabelRecord& label);
    // Labels an earlier process left handed: they may have printed; a reprint decides.
    void unsure(const auxpad::LabelRecord& label);
    void journalFailed(const QString& why);

private:
    struct Worker;
    // Runs `work` where the printer may be waited for, then `back` here.
    void offload(std::function<void()> work);
    void back(std::function<void()> call);
    void hand(LabelRecord label, label::LabelState state);
    void handed(const LabelRecord& label, const label::LabelState& state);

    LabelSettings settings_;
    Clock& clock_;
    Offload offload_;
    PrinterLink printer_;
    QThread thread_;
    std::unique_ptr<Worker> worker_;                // lives on thread_
    std::map<qint64, std::unique_ptr<Timer>> held_; // each held label's pause, by its id
};

} // namespace auxpad
