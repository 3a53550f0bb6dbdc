#pragma once

#include <QObject>
#include <QThread>

#include <deque>
#include <memory>

#include "clock/clock.h"
#include "label/label_spool.h"

namespace auxpad {

// Prints labels for a running bench, off the event loop: libcups waits on the network,
// so every hand to the printer, and the journal's marks around it, run on this object's
// own thread (or, on a simulated clock, as calls posted to it), with a journal
// connection of its own. Labels go to the printer one at a time, in the order asked.
// When the printer does not take one, it is away: the labels wait (held), and after a
// pause that grows (1 s, 2 s, 4 s.. up to a minute) the first of them is handed again;
// once one is taken, the rest follow. A printer that can never work as it is set up (no
// such queue) is said once and not tried again until the next start.
class LabelPrinter final : public QObject {
    Q_OBJECT
public:
    // On the clock, `shared` is the bench's own open journal, used instead of a
    // connection of the printer's own.
    LabelPrinter(QString journalUrl, LabelSettings settings, Clock& clock = realClock(),
                 Offload offload = Offload::OwnThread, PrinterLink printer = sendToPrinter,
                 Journal* shared = nullptr, QObject* parent = nullptr);
    ~LabelPrinter() override;

    // Queues the label and hands it to the printer in its turn.
    void print(const LabelRequest& request);
    // What the journal holds from earlier runs: a start calls this before its own work.
    void printHeld();

signals:
    // A label's state after a hand, or after it found its printer away: printed, held
    // (to be tried again) or failed.
    void finished(const auxpad::LabelRecord& label);
    // Labels an earlier process left handed: they may have printed; a reprint decides.
    void unsure(const auxpad::LabelRecord& label);
    // The printer can never work as it is set up: said once.
    void unusable(const QString& why);
    void journalFailed(const QString& why);

private:
    struct Worker;
    struct Waiting {
        LabelRecord label;
        label::LabelState state;
    };
    // Runs `work` where the printer may be waited for, then `back` here.
    void offload(std::function<void()> work);
    void back(std::function<void()> call);
    void pump();
    void hand(Waiting waiting);
    void handed(Waiting waiting, const label::LabelEvent& answer);
    void holdWaiting(const std::string& reason);

    LabelSettings settings_;
    Clock& clock_;
    Offload offload_;
    PrinterLink printer_;
    QThread thread_;
    std::unique_ptr<Worker> worker_; // lives on thread_
    std::deque<Waiting> waiting_;    // in the order asked
    bool handing_ = false;           // a label is at the printer
    label::PrinterState printerState_ = label::PrinterTaking{};
    std::unique_ptr<Timer> pause_;   // the printer's pause
};

} // namespace auxpad
