// `auxpad-flash records audit`: the line's promises checked against a real line's stores.
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <memory>

#include "cli/records_sync.h"
#include "records/audit.h"

namespace auxpad::cli {

int runAudit(const QString& lineUrl, const QStringList& journalFiles, bool json)
{
    auto cannot = [](const QString& why) {
        std::fprintf(stderr, "auxpad-flash records audit: %s\n", why.toLocal8Bit().constData());
        return 2;
    };
    RecordReader line;
    if (auto opened = line.open(lineUrl, RecordReader::Opening::ReadOnly); !opened)
        return cannot(opened.error());
    std::vector<std::unique_ptr<RecordReader>> journals;
    AuditStores stores{&line, StoreUrls::shownUrl(lineUrl), {}, false, {}};
    for (const QString& file : journalFiles) {
        auto& journal = journals.emplace_back(std::make_unique<RecordReader>());
        const QString url = file.startsWith(QLatin1String("sqlite:")) ? file : "sqlite:" + file;
        if (auto opened = journal->open(url, RecordReader::Opening::ReadOnly); !opened)
            return cannot(opened.error());
        stores.journals.push_back(journal.get());
    }
    const auto invariants = audit(stores);
    if (!invariants)
        return cannot(invariants.error());
    bool held = true;
    for (const Invariant& i : *invariants)
        held = held && i.held;
    if (json) {
        const QJsonObject document{{"event", "audit"}, {"ok", held}, {"db", stores.lineDb},
                                   {"journals", static_cast<int>(journals.size())},
                                   {"invariants", invariantJson(*invariants)}};
        std::printf("%s\n", QJsonDocument(document).toJson(QJsonDocument::Compact).constData());
    } else {
        std::fputs(invariantTable(*invariants).toLocal8Bit().constData(), stdout);
    }
    return held ? 0 : 1;
}

} // namespace auxpad::cli
