#pragma once

#include <QString>

#include <optional>

#include "records/job_record.h"

namespace auxpad {

// Which board results a sink (a webhook, an MQTT broker) takes: those that passed, those
// that did not, or all.
enum class SinkEvents { Passed, Failed, All };

// A sink as the journal keeps its deliveries: its name there ("webhook https://host/path",
// "mqtt tcp://host:1883", never with a password) and the results it takes.
struct SinkInterest {
    QString sink;
    SinkEvents events = SinkEvents::All;
};

// Which records are a board's result, the ones a sink is sent: those that stand for a
// board by the line's one rule (base/board_counts.h: a bring-up's own record where one
// ran, else a lone flash or product-information job), once they have ended.
bool isBoardResult(const JobRecord& record);
bool sinkTakes(const SinkInterest& interest, const JobRecord& record);

// How a sink's deliveries stand in the journal.
struct SinkCount {
    QString sink;
    int delivered = 0;
    int held = 0;
    int refused = 0;
    QString oldestHeld; // when the oldest held record became held (UTC, as records write it); "" for none
};

// A record a sink refused, with the first of its answer.
struct SinkRefusal {
    QString uuid;
    int revision = 0;
    QString answer;
    QString serial, port;
};

} // namespace auxpad
