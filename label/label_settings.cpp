#include "label/label_settings.h"

#include <QFile>
#include <QRegularExpression>

namespace auxpad {

const QStringList kLabelPlaceholders = {"serial", "hardware", "mcusw",   "dspsw", "code",    "manufacture",
                                        "recipe", "station",  "date",    "operator", "order"};
const QStringList kLabelKeys = {"printer", "template", "size", "symbol", "symbol_text", "copies"};

namespace {

const QRegularExpression kPlaceholder(QStringLiteral("\\{([^{}]*)\\}"));

// The first placeholder of `text` that no label knows, if any.
QString unknownPlaceholder(const QString& text)
{
    for (auto it = kPlaceholder.globalMatch(text); it.hasNext();) {
        const QString name = it.next().captured(1);
        if (!kLabelPlaceholders.contains(name))
            return name;
    }
    return {};
}

bool validPrinter(const QString& printer)
{
    if (printer.startsWith(QLatin1String("ipp://")) || printer.startsWith(QLatin1String("ipps://")))
        return printer.indexOf('/', printer.indexOf("://") + 3) > 0;
    // CUPS queue names: printable, no space, slash or hash.
    static const QRegularExpression name(QStringLiteral("^[^\\s/#]{1,127}$"));
    return name.match(printer).hasMatch();
}

} // namespace

Expected<LabelSettings, QString> readLabelSettings(const std::map<QString, QString>& values, const QDir& folder)
{
    auto value = [&](const char* key) {
        const auto it = values.find(QLatin1String(key));
        return it == values.end() ? QString() : it->second;
    };
    LabelSettings settings;
    settings.printer = value("printer");
    if (settings.printer.isEmpty())
        return unexpected(QStringLiteral("[label] has no printer"));
    if (!validPrinter(settings.printer))
        return unexpected(QStringLiteral("[label] printer %1 is neither a CUPS queue nor ipp://host[:port]/path")
                              .arg(settings.printer));
    static const QRegularExpression size(QStringLiteral("^(\\d+(?:\\.\\d+)?)\\s*x\\s*(\\d+(?:\\.\\d+)?)$"));
    const auto sized = size.match(value("size"));
    if (!sized.hasMatch() || sized.captured(1).toDouble() <= 0 || sized.captured(2).toDouble() <= 0)
        return unexpected(QStringLiteral("[label] size \"%1\" is not WxH in mm, e.g. 50x25").arg(value("size")));
    settings.widthMm = sized.captured(1).toDouble();
    settings.heightMm = sized.captured(2).toDouble();
    const QString symbol = value("symbol");
    if (symbol == QLatin1String("qr"))
        settings.symbol = LabelSettings::Symbol::Qr;
    else if (!symbol.isEmpty() && symbol != QLatin1String("datamatrix"))
        return unexpected(QStringLiteral("[label] symbol %1 is neither datamatrix nor qr").arg(symbol));
    if (values.count("symbol_text"))
        settings.symbolText = value("symbol_text");
    if (settings.symbolText.isEmpty())
        return unexpected(QStringLiteral("[label] symbol_text is empty"));
    if (const QString name = unknownPlaceholder(settings.symbolText); !name.isNull())
        return unexpected(QStringLiteral("[label] symbol_text: {%1} is no placeholder of a label").arg(name));
    bool number = true;
    if (values.count("copies"))
        settings.copies = value("copies").toInt(&number);
    if (!number || settings.copies < 1 || settings.copies > 100)
        return unexpected(QStringLiteral("[label] copies %1 is not a number from 1 to 100").arg(value("copies")));
    if (const QString file = value("template"); !file.isEmpty()) {
        settings.templatePath = QDir::cleanPath(folder.absoluteFilePath(file));
        if (!settings.templatePath.endsWith(QLatin1String(".zpl"), Qt::CaseInsensitive))
            return unexpected(QStringLiteral("[label] template %1 is no ZPL file (*.zpl)").arg(file));
        QFile zpl(settings.templatePath);
        if (!zpl.open(QIODevice::ReadOnly))
            return unexpected(QStringLiteral("[label] template %1 cannot be read: %2").arg(settings.templatePath, zpl.errorString()));
        settings.templateText = QString::fromUtf8(zpl.readAll());
        if (const QString name = unknownPlaceholder(settings.templateText); !name.isNull())
            return unexpected(QStringLiteral("[label] template %1: {%2} is no placeholder of a label").arg(file, name));
    }
    return settings;
}

QString fillLabel(const QString& text, const LabelValues& values)
{
    QString out;
    qsizetype from = 0;
    for (auto it = kPlaceholder.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        out += text.mid(from, match.capturedStart() - from);
        if (const auto value = values.find(match.captured(1)); value != values.end())
            out += value->second;
        from = match.capturedEnd();
    }
    return out + text.mid(from);
}

} // namespace auxpad
