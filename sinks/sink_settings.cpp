#include "sinks/sink_settings.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <iterator>

#include "base/nearest_name.h"

namespace auxpad {

namespace {

constexpr const char* kWebhookKeys[] = {"url", "secret_file", "events", "timeout_ms", "ca_file"};
constexpr const char* kMqttKeys[] = {"broker", "topic", "client_id", "username", "password_file", "qos", "events",
                                     "ca_file"};
constexpr const char* kTopicPlaceholders[] = {"station", "recipe", "order", "result"};

template <std::size_t N>
Expected<void, QString> checkKeys(const QString& section, const std::map<QString, QString>& values,
                                  const char* const (&known)[N])
{
    for (const auto& [key, value] : values) {
        if (std::find(std::begin(known), std::end(known), key) != std::end(known))
            continue;
        QString why = QStringLiteral("%1 is no key of [%2]").arg(key, section);
        if (const auto near = nearestName(key.toStdString(), known))
            why += QStringLiteral(" (did you mean %1?)").arg(QString::fromStdString(*near));
        return unexpected(why);
    }
    return {};
}

Expected<SinkEvents, QString> readEvents(const std::map<QString, QString>& values)
{
    const auto given = values.find("events");
    if (given == values.end() || given->second == QLatin1String("all"))
        return SinkEvents::All;
    if (given->second == QLatin1String("passed"))
        return SinkEvents::Passed;
    if (given->second == QLatin1String("failed"))
        return SinkEvents::Failed;
    return unexpected(QStringLiteral("events %1: give passed, failed or all").arg(given->second));
}

// A secret from its file, without the line end an editor leaves: never said, only its file.
Expected<QByteArray, QString> readSecret(const QString& key, const QString& name, const QDir& folder)
{
    QFile file(folder.absoluteFilePath(name));
    if (name.isEmpty() || !file.open(QIODevice::ReadOnly))
        return unexpected(QStringLiteral("%1 %2 cannot be read%3")
                              .arg(key, name, name.isEmpty() ? QString() : ": " + file.errorString()));
    QByteArray secret = file.readAll();
    while (secret.endsWith('\n') || secret.endsWith('\r'))
        secret.chop(1);
    if (secret.isEmpty())
        return unexpected(QStringLiteral("%1 %2 is empty").arg(key, name));
    return secret;
}

Expected<WebhookSettings, QString> readWebhook(const std::map<QString, QString>& values, const QDir& folder)
{
    WebhookSettings w;
    const QString url = values.count("url") ? values.at("url") : QString();
    w.url = QUrl(url, QUrl::StrictMode);
    if (!w.url.isValid() || (w.url.scheme() != QLatin1String("https") && w.url.scheme() != QLatin1String("http"))
        || w.url.host().isEmpty())
        return unexpected(QStringLiteral("url %1: give an http:// or https:// URL")
                              .arg(QUrl(url).toDisplayString(QUrl::RemovePassword)));
    auto secret = readSecret("secret_file", values.count("secret_file") ? values.at("secret_file") : QString(), folder);
    if (!secret)
        return unexpected(secret.error());
    w.secret = *secret;
    auto events = readEvents(values);
    if (!events)
        return unexpected(events.error());
    w.events = *events;
    if (values.count("timeout_ms")) {
        bool number = false;
        w.timeoutMs = values.at("timeout_ms").toInt(&number);
        if (!number || w.timeoutMs < 100 || w.timeoutMs > 600000)
            return unexpected(
                QStringLiteral("timeout_ms %1: give milliseconds from 100 to 600000").arg(values.at("timeout_ms")));
    }
    if (values.count("ca_file")) {
        w.caCertificates = QSslCertificate::fromPath(folder.absoluteFilePath(values.at("ca_file")));
        if (w.caCertificates.isEmpty())
            return unexpected(QStringLiteral("ca_file %1 holds no PEM certificate").arg(values.at("ca_file")));
    }
    return w;
}

Expected<MqttSettings, QString> readMqtt(const std::map<QString, QString>& values, const QDir& folder,
                                         const QString& station)
{
    MqttSettings m;
    const QString broker = values.count("broker") ? values.at("broker") : QString();
    static const QRegularExpression form(QStringLiteral("^(tcp|ssl)://([^/:@\\s]+):([0-9]{1,5})/?$"));
    const auto match = form.match(broker);
    const int port = match.hasMatch() ? match.captured(3).toInt() : 0;
    if (!match.hasMatch() || port < 1 || port > 65535)
        return unexpected(QStringLiteral("broker %1: give tcp://host:port or ssl://host:port").arg(broker));
    m.tls = match.captured(1) == QLatin1String("ssl");
    m.host = match.captured(2);
    m.port = port;
    m.topic = values.count("topic") ? values.at("topic") : QString();
    if (m.topic.isEmpty() || m.topic.contains('+') || m.topic.contains('#'))
        return unexpected(QStringLiteral("topic %1: give a topic without wildcards").arg(m.topic));
    static const QRegularExpression placeholder(QStringLiteral("\\{([^}]*)\\}"));
    for (auto it = placeholder.globalMatch(m.topic); it.hasNext();) {
        const QString name = it.next().captured(1);
        const auto known = std::find(std::begin(kTopicPlaceholders), std::end(kTopicPlaceholders), name);
        if (known == std::end(kTopicPlaceholders))
            return unexpected(QStringLiteral("topic %1: {%2} is no placeholder; there are {station}, {recipe}, {order} "
                                             "and {result}")
                                  .arg(m.topic, name));
    }
    m.clientId = values.count("client_id") ? values.at("client_id") : "auxpad-flash-" + station;
    m.username = values.count("username") ? values.at("username") : QString();
    if (values.count("password_file")) {
        auto password = readSecret("password_file", values.at("password_file"), folder);
        if (!password)
            return unexpected(password.error());
        m.password = *password;
    }
    if (values.count("qos") && values.at("qos") != QLatin1String("1"))
        return unexpected(
            QStringLiteral("qos %1: each result goes at QoS 1, so that none is lost").arg(values.at("qos")));
    auto events = readEvents(values);
    if (!events)
        return unexpected(events.error());
    m.events = *events;
    if (values.count("ca_file")) {
        m.caFile = folder.absoluteFilePath(values.at("ca_file"));
        if (!m.tls || QSslCertificate::fromPath(m.caFile).isEmpty())
            return unexpected(QStringLiteral("ca_file %1: give a file of PEM certificates, with an ssl:// broker")
                                  .arg(values.at("ca_file")));
    }
    return m;
}

} // namespace

bool isSinkSection(const QString& section)
{
    return std::find(std::begin(kSinkSections), std::end(kSinkSections), section) != std::end(kSinkSections);
}

Expected<void, QString> readSinkSection(const QString& section, const std::map<QString, QString>& values,
                                        const QDir& folder, const QString& station, SinkSettings& into)
{
    const auto wrong = [&](const QString& why) { return unexpected(QStringLiteral("[%1] %2").arg(section, why)); };
    if (section == QLatin1String("webhook")) {
        if (const auto keys = checkKeys(section, values, kWebhookKeys); !keys)
            return unexpected(keys.error());
        auto webhook = readWebhook(values, folder);
        if (!webhook)
            return wrong(webhook.error());
        into.webhook = std::move(*webhook);
        return {};
    }
    if (const auto keys = checkKeys(section, values, kMqttKeys); !keys)
        return unexpected(keys.error());
    auto mqtt = readMqtt(values, folder, station);
    if (!mqtt)
        return wrong(mqtt.error());
    into.mqtt = std::move(*mqtt);
    return {};
}

Expected<SinkSettings, QString> readIniSinks(const QString& path, const QString& station)
{
    SinkSettings settings;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return settings;
    const auto wrong = [&](const QString& why) { return unexpected(QStringLiteral("%1: %2").arg(path, why)); };
    std::map<QString, std::map<QString, QString>> sections;
    QString section;
    int number = 0;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        ++number;
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith('[') && line.endsWith(']')) {
            section = line.mid(1, line.size() - 2).trimmed().toLower();
            if (isSinkSection(section))
                sections[section];
            continue;
        }
        if (!isSinkSection(section) || line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            return wrong(QStringLiteral("line %1 is neither a [section] nor key=value").arg(number));
        // The engine reads flash.ini's own keys wherever a line holds their name.
        for (const char* word : {"Format", "Hardware", "MCUSW", "DSPSW", "Serial", "Code", "Manufacture", "Show"})
            if (line.contains(QLatin1String(word)))
                return wrong(QStringLiteral("line %1 holds %2, which flash.ini's own settings would take as theirs: "
                                            "set this sink in the recipe instead")
                                 .arg(number)
                                 .arg(QLatin1String(word)));
        QString value = line.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        sections[section][line.left(equals).trimmed()] = value;
    }
    const QDir folder = QFileInfo(path).absoluteDir();
    for (const auto& [name, values] : sections)
        if (const auto read = readSinkSection(name, values, folder, station, settings); !read)
            return wrong(read.error());
    return settings;
}

QString sinkName(const WebhookSettings& webhook)
{
    return "webhook " + webhook.url.toDisplayString(QUrl::RemoveUserInfo);
}

QString sinkName(const MqttSettings& mqtt)
{
    return QStringLiteral("mqtt %1://%2:%3").arg(mqtt.tls ? "ssl" : "tcp", mqtt.host).arg(mqtt.port);
}

std::vector<SinkInterest> sinkInterests(const SinkSettings& settings)
{
    std::vector<SinkInterest> out;
    if (settings.webhook)
        out.push_back({sinkName(*settings.webhook), settings.webhook->events});
    if (settings.mqtt)
        out.push_back({sinkName(*settings.mqtt), settings.mqtt->events});
    return out;
}

QString sinkKind(const QString& name)
{
    return name.section(' ', 0, 0);
}

QString fillTopic(const QString& topic, const JobRecord& record)
{
    const auto level = [](QString value) {
        for (const QChar c : {QChar('/'), QChar('+'), QChar('#')})
            value.replace(c, '_');
        return value.isEmpty() ? QStringLiteral("_") : value;
    };
    QString out = topic;
    out.replace("{station}", level(record.station));
    out.replace("{recipe}", level(record.recipe));
    out.replace("{order}", level(record.order));
    out.replace("{result}", level(record.result));
    return out;
}

} // namespace auxpad
