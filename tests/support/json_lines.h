#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>

#include <map>

// What a command printed with --json, a JSON object a line: every event in order, each
// board's result by its port, the closing summary, and any line that was not JSON.
struct JsonLines {
    explicit JsonLines(const QByteArray& out)
    {
        for (const QByteArray& line : out.split('\n')) {
            const QJsonDocument doc = QJsonDocument::fromJson(line);
            if (line.isEmpty() || !doc.isObject()) {
                if (!line.isEmpty())
                    notJson << line;
                continue;
            }
            events << doc.object();
            if (events.back()["event"] == "result")
                results[events.back()["port"].toString()] = events.back();
            else if (events.back()["event"] == "summary")
                summary = events.back();
        }
    }
    QList<QJsonObject> events;
    std::map<QString, QJsonObject> results;
    QJsonObject summary;
    QList<QByteArray> notJson;
};
