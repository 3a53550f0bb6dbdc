#include "label/label_spool.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "label/label_document.h"

namespace auxpad {

namespace {

const QString kUnsure = QStringLiteral("the tool stopped while handing it to the printer, which may have printed it");

} // namespace

label::LabelState labelState(const LabelRecord& label)
{
    const int attempts = label.attempts;
    if (label.state == QLatin1String("handed"))
        return label::Handed{attempts};
    if (label.state == QLatin1String("held"))
        return label::Held{attempts, label.reason.toStdString(), false};
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

Expected<LabelRecord, QString> queueLabel(Journal& journal, const LabelRequest& request)
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
    label.state = QString::fromLatin1(label::stateName(label::Queued{}));
    label.reprintReason = request.reprintReason;
    const auto id = journal.labels().queue(label);
    if (!id)
        return unexpected(id.error());
    label.id = *id;
    return label;
}

Expected<void, QString> moveLabel(Journal& journal, LabelRecord& label, label::LabelState& state,
                                  const label::LabelEvent& event)
{
    const label::LabelState after = label::move(state, event);
    if (after.index() == state.index() && !std::holds_alternative<label::Queued>(after))
        return {}; // the table holds no such move: nothing changes
    const QString reason = QString::fromStdString(label::reasonOf(after));
    Expected<void, QString> marked;
    if (const auto* queued = std::get_if<label::Queued>(&after); queued && queued->unsure)
        marked = journal.labels().markUnsure(label.id, kUnsure);
    else if (const auto* handed = std::get_if<label::Handed>(&after))
        marked = journal.labels().markHanded(label.id, handed->attempts);
    else if (const auto* printed = std::get_if<label::Printed>(&after))
        marked = journal.labels().markPrinted(label.id, printed->jobId);
    else if (std::holds_alternative<label::Held>(after))
        marked = journal.labels().markHeld(label.id, reason);
    else if (std::holds_alternative<label::Failed>(after))
        marked = journal.labels().markFailed(label.id, reason);
    // A label queued again stays as the journal has it until it is handed.
    if (!marked)
        return marked;
    state = after;
    label.state = QString::fromLatin1(label::stateName(after));
    label.reason = std::get_if<label::Queued>(&after) && std::get<label::Queued>(after).unsure ? kUnsure : reason;
    label.unsure = std::holds_alternative<label::Queued>(after) && std::get<label::Queued>(after).unsure;
    if (const auto* handed = std::get_if<label::Handed>(&after))
        label.attempts = handed->attempts;
    if (const auto* printed = std::get_if<label::Printed>(&after))
        label.jobId = printed->jobId;
    return {};
}

Expected<LabelRecord, QString> handLabel(Journal& journal, LabelRecord label, const LabelSettings& settings,
                                         label::LabelState& state, const PrinterLink& printer,
                                         label::LabelEvent* answer)
{
    if (!label::mayHand(state))
        return label;
    auto settle = [&](const label::LabelEvent& event) -> Expected<LabelRecord, QString> {
        if (answer)
            *answer = event;
        if (auto moved = moveLabel(journal, label, state, event); !moved)
            return unexpected(moved.error());
        return label;
    };
    const auto document = makeLabelDocument(settings, labelValues(label));
    if (!document)
        return settle(label::Broken{document.error().toStdString()});
    if (auto handed = moveLabel(journal, label, state, label::Hand{}); !handed)
        return unexpected(handed.error());
    const auto job = printer(label.printer, *document, settings.copies, QStringLiteral("label %1").arg(label.serial));
    if (job)
        return settle(label::Taken{*job});
    return settle(label::Refused{job.error().why.toStdString(), job.error().lasting});
}

Expected<FoundLabels, QString> findLabels(Journal& journal)
{
    FoundLabels found;
    auto handed = journal.labels().list(LabelTable::Which::Handed);
    if (!handed)
        return unexpected(handed.error());
    for (LabelRecord& label : *handed) {
        label::LabelState state = labelState(label);
        if (auto moved = moveLabel(journal, label, state, label::Restarted{}); !moved)
            return unexpected(moved.error());
        found.unsure.push_back(std::move(label));
    }
    auto waiting = journal.labels().list(LabelTable::Which::Held);
    if (!waiting)
        return unexpected(waiting.error());
    for (LabelRecord& label : *waiting)
        if (!label.unsure)
            found.waiting.push_back(std::move(label));
    return found;
}

Expected<HeldLabels, QString> printHeld(Journal& journal, const LabelSettings& settings,
                                        const PrinterLink& printer)
{
    auto found = findLabels(journal);
    if (!found)
        return unexpected(found.error());
    HeldLabels out{std::move(found->unsure), {}};
    for (const LabelRecord& label : found->waiting) {
        label::LabelState state = label::move(labelState(label), label::Restarted{});
        auto handed = handLabel(journal, label, settings, state, printer);
        if (!handed)
            return unexpected(handed.error());
        out.handed.push_back(std::move(*handed));
    }
    return out;
}

} // namespace auxpad
