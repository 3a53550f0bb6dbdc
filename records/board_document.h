#pragma once

#include <QByteArray>
#include <QJsonObject>

#include "records/job_record.h"

namespace auxpad {

// The one document a sink is sent for a board's result (records/sink_state.h says which
// records are one): the fields of a command's --json result, by the same names, with the
// record's station, operator, order, serial, the state of its label ("" for none) and its
// job_uuid and revision, which together are the delivery's idempotency key.
QJsonObject boardDocument(const JobRecord& record, const QString& labelState);
QByteArray boardDocumentBytes(const JobRecord& record, const QString& labelState);
// "<job_uuid>:<revision>": what a receiver drops a second delivery of a result by.
QString idempotencyKey(const JobRecord& record);

} // namespace auxpad
