#include "label/label_spool.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "label/label_document.h"
#include "label/printer_send.h"

namespace auxpad {

label::LabelState labelState(const LabelRecord& label, Millis now)
{
    const int attempts = label.attempts;
    if (label.state == QLatin1String("handed"))
        return label::Handed{attempts};
    if (label.state == QLatin1String("held"))
        return label::Held{attempts, label.reason.toStdString(), now};
    if (label.state == QLatin1String("printed"))
        return label::Printed{label.jobId};
    if (label.state == QLatin1String("failed"))
        return label::Failed{label.reason.toStdString()};
    return label::Queued{attempts, label.unsure};
}

LabelValues labelValues(const LabelRecord& label)
{
    LabelValues values;
    const QJsonObject data = QJsonDocument::fromJson(label.data.toUtf8()).object();
    for (auto it = data.begin(); it != data.end(); ++it)
        values[it.key()] = it.value().toString();
    return values;
}

Expected<LabelRecord, QString> queueLabel(RecordStore& journal, const LabelRequest& request)
{
    QJsonObject data;
    for (const auto& [name, value] : request.values)
        data.insert(name, value);
    LabelRecord label;
    label.bringUp = request.bringUp;
    label.serial = request.values.count("serial") ? request.values.at("serial") : QString();
    label.data = QString::fromUtf8(QJsonDocument(data).toJson(QJsonDocument::Compact));
    label.recipe = request.recipePath;
    label.printer = request.settings.printer;
    label.state = QStringLiteral("queued");
    label.reprintReason = request.reprintReason;
    const auto id = journal.queueLabel(label);
    if (!id)
        return unexpected(id.error());
    label.id = *id;
    return label;
}

Expected<LabelRecord, QString> handLabel(RecordStore& journal, LabelRecord label, const LabelSettings& settings,
                                         label::LabelState& state, Millis now, const PrinterLink& printer)
{
    if (!label::mayHand(state))
        return label;
    const auto document = makeLabelDocument(settings, labelValues(label));
    if (!document) {
        state = label::move(state, label::Broken{document.error().toStdString()}, now);
        label.state = QStringLiteral("failed");
        label.reason = document.error();
        if (auto marked = journal.markLabelFailed(label.id, label.reason); !marked)
            return unexpected(marked.error());
        return label;
    }
    const label::LabelState handed = label::move(state, label::Hand{}, now);
    const int attempts = std::get<label::Handed>(handed).attempts;
    if (auto marked = journal.markLabelHanded(label.id, attempts); !marked)
        return unexpected(marked.error());
    state = handed;
    label.state = QStringLiteral("handed");
    label.attempts = attempts;
    const auto job = printer(label.printer, *document, settings.copies, QStringLiteral("label %1").arg(label.serial));
    if (job) {
        state = label::move(state, label::Taken{*job}, now);
        label.state = QStringLiteral("printed");
        label.jobId = *job;
        label.reason.clear();
        if (auto marked = journal.markLabelPrinted(label.id, *job); !marked)
            return unexpected(marked.error());
    } else {
        state = label::move(state, label::Refused{job.error().toStdString()}, now);
        label.state = QStringLiteral("held");
        label.reason = job.error();
        if (auto marked = journal.markLabelHeld(label.id, label.reason); !marked)
            return unexpected(marked.error());
    }
    return label;
}

Expected<HeldLabels, QString> printHeld(RecordStore& journal, const LabelSettings& settings, Millis now,
                                        const PrinterLink& printer)
{
    HeldLabels out;
    auto unsure = journal.reclaimHandedLabels();
    if (!unsure)
        return unexpected(unsure.error());
    out.unsure = std::move(*unsure);
    const auto held = journal.labels(RecordStore::Labels::Held);
    if (!held)
        return unexpected(held.error());
    for (const LabelRecord& label : *held) {
        label::LabelState state = label::move(labelState(label, now), label::Restarted{}, now);
        if (!label::mayHand(state))
            continue;
        auto handed = handLabel(journal, label, settings, state, now, printer);
        if (!handed)
            return unexpected(handed.error());
        out.handed.push_back(std::move(*handed));
    }
    return out;
}

} // namespace auxpad
