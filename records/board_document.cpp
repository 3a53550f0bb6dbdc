#include "records/board_document.h"

#include <QJsonDocument>

#include <cmath>

#include "base/result_words.h"
#include "records/result_fields.h"

namespace auxpad {

QJsonObject boardDocument(const JobRecord& r, const QString& labelState)
{
    using namespace fields;
    QJsonObject d{{kEvent, "result"},
                  {kPort, r.port},
                  {kOk, r.result == QLatin1String(words::kPassed)},
                  {kResult, r.result},
                  {kJob, r.job},
                  {kDevice, r.device},
                  {kCaption, r.caption},
                  {kMessage, r.message},
                  {kSerial, r.serial},
                  {kDefaults, r.defaultsUsed},
                  {kSeconds, std::round(r.seconds.value_or(0) * 10) / 10},
                  {kOperator, r.operatorId},
                  {kOrder, r.order},
                  {kStation, r.station},
                  {kLabel, labelState},
                  {kJobUuid, r.uuid},
                  {kRevision, r.revision},
                  {kFinished, r.finished}};
    if (r.job == QLatin1String(words::kRun)) {
        d.insert(kSerialSource, r.serialSource);
        d.insert(kRecipe, r.recipe);
    }
    return d;
}

QByteArray boardDocumentBytes(const JobRecord& record, const QString& labelState)
{
    return QJsonDocument(boardDocument(record, labelState)).toJson(QJsonDocument::Compact);
}

QString idempotencyKey(const JobRecord& record)
{
    return QStringLiteral("%1:%2").arg(record.uuid).arg(record.revision);
}

} // namespace auxpad
