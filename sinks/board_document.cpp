#include "sinks/board_document.h"

#include <QJsonDocument>

#include <cmath>

#include "base/board_counts.h"
#include "base/result_words.h"
#include "sinks/result_fields.h"

namespace auxpad {

namespace {

// Who each field goes to.
enum Readers { Commands = 1, Sinks = 2, Both = Commands | Sinks };

// Every field a result may say, in the order it says them: the one list.
struct ResultField {
    const char* name;
    int readers;
    bool bringUpOnly;
    QJsonValue (*value)(const BoardResult&);
};

const ResultField kResultFields[] = {
    {fields::kEvent, Both, false, [](const BoardResult&) { return QJsonValue("result"); }},
    {fields::kPort, Both, false, [](const BoardResult& r) { return QJsonValue(r.port); }},
    {fields::kOk, Both, false,
     [](const BoardResult& r) { return QJsonValue(boards::verdictOf(r.result.toStdString()) == Verdict::Passed); }},
    {fields::kResult, Both, false, [](const BoardResult& r) { return QJsonValue(r.result); }},
    {fields::kJob, Both, false, [](const BoardResult& r) { return QJsonValue(r.job); }},
    {fields::kDevice, Both, false, [](const BoardResult& r) { return QJsonValue(r.device); }},
    {fields::kCaption, Both, false, [](const BoardResult& r) { return QJsonValue(r.caption); }},
    {fields::kMessage, Both, false, [](const BoardResult& r) { return QJsonValue(r.message); }},
    {fields::kStep, Both, false, [](const BoardResult& r) { return QJsonValue(r.step); }},
    {fields::kCause, Both, false, [](const BoardResult& r) { return QJsonValue(r.cause); }},
    {fields::kSerial, Both, false, [](const BoardResult& r) { return QJsonValue(r.serial); }},
    {fields::kDefaults, Both, false, [](const BoardResult& r) { return QJsonValue(r.defaults); }},
    {fields::kSeconds, Both, false, [](const BoardResult& r) { return QJsonValue(std::round(r.seconds * 10) / 10); }},
    {fields::kSerialSource, Both, true, [](const BoardResult& r) { return QJsonValue(r.serialSource); }},
    {fields::kRecipe, Both, true, [](const BoardResult& r) { return QJsonValue(r.recipe); }},
    {fields::kTries, Commands, true, [](const BoardResult& r) { return QJsonValue(r.tries); }},
    {fields::kOperator, Both, false, [](const BoardResult& r) { return QJsonValue(r.operatorId); }},
    {fields::kOrder, Both, false, [](const BoardResult& r) { return QJsonValue(r.order); }},
    {fields::kStation, Sinks, false, [](const BoardResult& r) { return QJsonValue(r.station); }},
    {fields::kLabel, Sinks, false, [](const BoardResult& r) { return QJsonValue(r.label); }},
    {fields::kJobUuid, Sinks, false, [](const BoardResult& r) { return QJsonValue(r.uuid); }},
    {fields::kRevision, Sinks, false, [](const BoardResult& r) { return QJsonValue(r.revision); }},
    {fields::kFinished, Sinks, false, [](const BoardResult& r) { return QJsonValue(r.finished); }},
};

} // namespace

BoardResult resultOf(const JobRecord& r, const QString& labelState)
{
    BoardResult out;
    out.port = r.port;
    out.device = r.device;
    out.job = r.job;
    out.result = r.result;
    out.caption = r.caption;
    out.message = r.message;
    out.serial = r.serial;
    out.step = r.step;
    out.cause = r.cause;
    out.defaults = r.defaultsUsed;
    out.seconds = r.seconds.value_or(0);
    out.serialSource = r.serialSource;
    out.recipe = r.recipe;
    out.operatorId = r.operatorId;
    out.order = r.order;
    out.station = r.station;
    out.label = labelState;
    out.uuid = r.uuid;
    out.finished = r.finished;
    out.revision = r.revision;
    return out;
}

QJsonObject resultDocument(const BoardResult& result, Audience audience)
{
    const int reader = audience == Audience::Sink ? Sinks : Commands;
    const bool bringUp = result.job == QLatin1String(words::kRun);
    QJsonObject d;
    for (const ResultField& f : kResultFields)
        if ((f.readers & reader) && (bringUp || !f.bringUpOnly))
            d.insert(QLatin1String(f.name), f.value(result));
    return d;
}

QByteArray boardDocumentBytes(const JobRecord& record, const QString& labelState)
{
    return QJsonDocument(resultDocument(resultOf(record, labelState), Audience::Sink)).toJson(QJsonDocument::Compact);
}

QString idempotencyKey(const JobRecord& record)
{
    return QStringLiteral("%1:%2").arg(record.uuid).arg(record.revision);
}

} // namespace auxpad
