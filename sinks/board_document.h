#pragma once

#include <QByteArray>
#include <QJsonObject>

#include "records/job_record.h"

namespace auxpad {

// A board's result as every front says it as JSON: a command's --json result and the
// document a sink (a webhook, an MQTT broker) is sent, made by one function from one list
// of fields, so that a receiver reads both alike and nothing else reaches it.
struct BoardResult {
    QString port, device;
    QString job;    // flash, prodinfo, selftest, run
    QString result; // its word: passed, failed, already-passed, ...
    QString caption, message, serial;
    QString step, cause; // where and why it did not pass
    bool defaults = false;
    double seconds = 0;
    QString serialSource, recipe; // a bring-up's
    int tries = 0;                // a bring-up's, where the front counted them
    QString operatorId, order;
    // What a sink is told besides: the station, the label's state ("" for none), and the
    // job's uuid and revision, which together are the delivery's idempotency key.
    QString station, label, uuid, finished;
    int revision = 0;
};

// Who reads a result: a command's --json line, or a sink.
enum class Audience { Command, Sink };

// The result of a record as a sink is sent it, with its label's state.
BoardResult resultOf(const JobRecord& record, const QString& labelState);
// The document: `ok` is whether the board passed by the line's one rule (an already-passed
// board did), and a bring-up's fields go only with a bring-up's result.
QJsonObject resultDocument(const BoardResult& result, Audience audience);
QByteArray boardDocumentBytes(const JobRecord& record, const QString& labelState);
// "<job_uuid>:<revision>": what a receiver drops a second delivery of a result by.
QString idempotencyKey(const JobRecord& record);

} // namespace auxpad
