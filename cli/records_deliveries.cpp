// What the sinks of this station hold, and their delivery from `records sync`.
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

#include "cli/records_sync.h"
#include "runner/recipe.h"
#include "sinks/sink_deliveries.h"

namespace auxpad::cli {

namespace {
constexpr int kSinkWaitMs = 30000; // a sink's last try, the whole batch of what is held
}

auxpad::Expected<auxpad::SinkSettings, QString> stationSinks(const QString& recipePath, const QString& station)
{
    if (!recipePath.isEmpty()) {
        auto recipe = auxpad::readRecipe(recipePath);
        if (!recipe)
            return auxpad::unexpected(recipe.error());
        if (!recipe->sinks.empty())
            return recipe->sinks;
    }
    return auxpad::readIniSinks(QStringLiteral("flash.ini"), station);
}

SinkSync syncSinks(const auxpad::SinkSettings& sinks, const QString& station, bool retryRefused)
{
    SinkSync out;
    if (sinks.empty())
        return out;
    const QString journalUrl = auxpad::StoreUrls::journalUrl();
    {
        auxpad::Journal journal;
        if (const auto opened = journal.open(journalUrl, auxpad::Journal::Opening::MustExist); !opened)
            return out; // a station without a journal holds nothing
        if (retryRefused) {
            if (const auto again = journal.outbox().resendRefused({}); !again)
                out.problem = again.error();
        }
    }
    auxpad::RecordsThread thread(journalUrl, {}, station);
    auxpad::SinkCouriers couriers(thread, sinks);
    QObject::connect(&couriers, &auxpad::SinkCouriers::failed, [&out](const QString& why) { out.problem = why; });
    couriers.lastTry(kSinkWaitMs);
    for (const auto& courier : couriers.couriers())
        out.held.emplace_back(courier->sink(), courier->held());
    return out;
}

int runDeliveries(bool json)
{
    auxpad::Journal journal;
    const auto opened = journal.open(auxpad::StoreUrls::journalUrl(), auxpad::Journal::Opening::MustExist);
    if (!opened) {
        std::fprintf(stderr, "auxpad-flash records: this station has no journal: %s\n",
                     opened.error().toLocal8Bit().constData());
        return 2;
    }
    const auto counts = journal.outbox().counts();
    if (!counts) {
        std::fprintf(stderr, "auxpad-flash records: %s\n", counts.error().toLocal8Bit().constData());
        return 2;
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    auto ageSeconds = [&](const QString& since) {
        return since.isEmpty() ? -1 : QDateTime::fromString(since, Qt::ISODateWithMs).secsTo(now);
    };
    QJsonArray sinks;
    std::string table = "sink                                              delivered  held  refused  oldest held\n";
    bool holding = false;
    for (const auxpad::SinkCount& c : *counts) {
        const auto refusals = journal.outbox().refusals(c.sink);
        QJsonArray refused;
        for (const auxpad::SinkRefusal& r : refusals.value_or(std::vector<auxpad::SinkRefusal>{}))
            refused.append(QJsonObject{{"job_uuid", r.uuid}, {"revision", r.revision}, {"serial", r.serial},
                                       {"port", r.port}, {"answer", r.answer}});
        const qint64 age = ageSeconds(c.oldestHeld);
        holding = holding || c.held > 0 || c.refused > 0;
        QJsonObject sink{{"sink", c.sink}, {"delivered", c.delivered}, {"held", c.held}, {"refused", c.refused},
                         {"refusals", refused}};
        if (age >= 0)
            sink.insert("oldest_held_seconds", static_cast<double>(age));
        sinks.append(sink);
        char line[256];
        std::snprintf(line, sizeof line, "%-50s %9d %5d %8d  %s\n", c.sink.toLocal8Bit().constData(), c.delivered, c.held,
                      c.refused, age < 0 ? "-" : (std::to_string(age) + " s").c_str());
        table += line;
        for (const auto& r : refused) {
            const QJsonObject o = r.toObject();
            table += "  refused " + o["job_uuid"].toString().toStdString() + " (serial "
                + o["serial"].toString().toStdString() + "): " + o["answer"].toString().toStdString() + '\n';
        }
    }
    if (json)
        std::printf("%s\n", QJsonDocument(QJsonObject{{"event", "deliveries"}, {"sinks", sinks}})
                                .toJson(QJsonDocument::Compact)
                                .constData());
    else
        std::printf("%s", counts->empty() ? "no sink has been fed from this journal\n" : table.c_str());
    return holding ? 1 : 0;
}

} // namespace auxpad::cli
