#pragma once

#include <QDir>
#include <QSslCertificate>
#include <QString>
#include <QUrl>

#include <map>
#include <optional>

#include "base/expected.h"
#include "records/sink_state.h"

namespace auxpad {

// Where a station sends each board's result beside the line's database, from a [webhook]
// and an [mqtt] section of the recipe or of flash.ini:
//
//   [webhook]
//   url=https://mes.example/boards      http or https
//   secret_file=webhook.secret          the HMAC-SHA256 key, read at the start
//   events=all                          passed, failed or all
//   timeout_ms=10000                    optional: how long one POST may take
//   ca_file=line-ca.pem                 optional: a private authority's certificates, beside the system's
//
//   [mqtt]
//   broker=ssl://broker.example:8883    tcp:// or ssl://, with its port
//   topic=factory/{station}/boards      {station}, {recipe}, {order}, {result} filled per board
//   client_id=line-a-station-3          optional: the persistent session's; the station's name without it
//   username=flash                      optional
//   password_file=mqtt.password         optional
//   qos=1                               optional: 1, the only one offered
//   ca_file=line-ca.pem                 optional, with ssl://: a private authority; the system's without it
struct WebhookSettings {
    QUrl url;
    QByteArray secret;
    SinkEvents events = SinkEvents::All;
    int timeoutMs = 10000;
    QList<QSslCertificate> caCertificates;
};

struct MqttSettings {
    QString host;
    int port = 1883;
    bool tls = false;
    QString topic;
    QString clientId;
    QString username;
    QByteArray password;
    QString caFile; // full path, "" for the system's
    SinkEvents events = SinkEvents::All;
};

struct SinkSettings {
    std::optional<WebhookSettings> webhook;
    std::optional<MqttSettings> mqtt;
    bool empty() const { return !webhook && !mqtt; }
};

// The section names a sink takes, and whether `section` is one of them.
inline constexpr const char* kSinkSections[] = {"webhook", "mqtt"};
bool isSinkSection(const QString& section);

// A sink section's values (files named relative to `folder`) with every rule checked, or
// the first it breaks, in one line that names no secret. `station` names the MQTT session
// when no client_id is given.
Expected<void, QString> readSinkSection(const QString& section, const std::map<QString, QString>& values,
                                        const QDir& folder, const QString& station, SinkSettings& into);
// The sink sections of flash.ini at `path` (the rest of it is the engine's); none when
// there is no such file.
Expected<SinkSettings, QString> readIniSinks(const QString& path, const QString& station);

// Each sink's name in the journal and in every message: its kind and where it goes,
// never with a password.
QString sinkName(const WebhookSettings& webhook);
QString sinkName(const MqttSettings& mqtt);
std::vector<SinkInterest> sinkInterests(const SinkSettings& settings);
// "webhook" or "mqtt": the word before a sink's name.
QString sinkKind(const QString& sinkName);

// The topic of `record`'s result: each placeholder filled, a '/', '+' or '#' in a value
// made '_' so that a value never adds a level or a wildcard.
QString fillTopic(const QString& topic, const JobRecord& record);

} // namespace auxpad
