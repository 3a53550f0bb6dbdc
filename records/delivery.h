#pragma once

#include <QObject>
#include <QThread>
#include <QTimer>

#include "records/record_store.h"

namespace auxpad {

struct DeliveryCount {
    int delivered = 0; // records that went to the line database now
    int held = 0;      // records still held for it in the journal
};

// Delivers every record the journal holds for the line database, oldest first, a batch
// at a time: each batch in one transaction there, then marked delivered in the journal.
// A batch that did not go stays held; one that went but was not marked goes again, which
// changes nothing there. Waits on the database: a command may call this, a window not.
Expected<DeliveryCount, QString> deliverHeld(RecordStore& journal, RecordStore& line, const QString& lineUrl);

// The same for a front that must never wait: the deliveries run on a thread of their own
// (Qt's SQL drivers wait on the network), one at a time, as soon as something is held; a
// database that does not answer is tried again after a pause that grows to a minute.
// The board logic stays on the event loop's thread.
class Courier final : public QObject {
    Q_OBJECT
public:
    Courier(QString journalUrl, QString lineUrl, QObject* parent = nullptr);
    ~Courier() override;

    // Something new is held: it goes as soon as the thread is free.
    void deliverSoon();
    // Tries once more now, and runs the event loop until that try (and any it calls for)
    // is over, or `ms` have passed.
    void settle(int ms);
    int held() const { return held_; }

signals:
    void heldChanged(int held);
    void failed(const QString& why); // a try that did not reach the database; it is tried again
    void idle();                     // no try is under way or called for

private:
    class Worker;
    void start();
    void tried(int held, const QString& why);

    QThread thread_;
    Worker* worker_;
    QTimer retry_;
    int pauseMs_ = 0;
    bool busy_ = false;
    bool again_ = false;
    int held_ = 0;
};

} // namespace auxpad
