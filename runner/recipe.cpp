#include "runner/recipe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <span>

#include "base/latin1.h"
#include "base/nearest_name.h"
#include "base/numbers.h"
#include "records/store_urls.h"

namespace auxpad {

namespace {

// The recipe's own keys; each product field but the serial adds its flash.ini key in
// lower case, and the serial comes from `serials`, the range.
constexpr const char* kOwnKeys[] = {"name", "initdisk", "initdisk_sha256", "initdata", "initdata_sha256", "format",
                                    "serials", "order", "operator", "serial_lease"};
// The sections of a recipe.
constexpr const char* kSections[] = {"recipe", "label", "stack_light", "webhook", "mqtt", "access"};
// The keys of [access].
constexpr const char* kAccessKeys[] = {"lock", "unlock_role", "unlock_minutes", "signatures", "sign_role", "people"};
// The keys of a stack light, its lamps' in tower::Lamp's order after the port.
constexpr const char* kLampKeys[] = {"red", "amber", "green"};
// The keys a recipe may leave out.
constexpr const char* kOptionalKeys[] = {"manufacture", "format", "order", "operator", "serial_lease"};

QString fieldKey(std::size_t field)
{
    return field == at(ProductField::Serial) ? QString() : QString::fromLatin1(kProductFieldRules[field].iniKey).toLower();
}

QStringList recipeKeys()
{
    QStringList keys;
    for (const char* key : kOwnKeys)
        keys << QLatin1String(key);
    for (std::size_t f = 0; f < kProductFieldCount; ++f) {
        if (!fieldKey(f).isEmpty())
            keys << fieldKey(f);
    }
    return keys;
}

// One INI value as plain text: a value in double quotes loses them (with \" and \\ inside
// standing for " and \), any other is taken as it stands, trimmed.
QString plainValue(QString value)
{
    value = value.trimmed();
    if (value.size() < 2 || !value.startsWith('"') || !value.endsWith('"'))
        return value;
    QString out;
    for (qsizetype i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == '\\' && i + 2 < value.size() && (value[i + 1] == '"' || value[i + 1] == '\\'))
            ++i;
        out += value[i];
    }
    return out;
}

// How the line runs: its work order, whether an operator must sign, and the station's lease.
Expected<void, QString> readLineKeys(std::map<QString, QString>& values, Recipe& recipe)
{
    recipe.order = values["order"];
    const QString signing = values["operator"];
    if (!signing.isEmpty() && signing != QLatin1String("required") && signing != QLatin1String("optional"))
        return unexpected(QStringLiteral("operator %1: give required or optional").arg(signing));
    recipe.operatorRequired = signing == QLatin1String("required");
    if (values.count("serial_lease")) {
        bool number = false;
        recipe.serialLease = values["serial_lease"].toInt(&number);
        if (!number || recipe.serialLease < 1 || recipe.serialLease > 10000)
            return unexpected(QStringLiteral("serial_lease %1: give a number of serials from 1 to 10000")
                                  .arg(values["serial_lease"]));
    }
    return {};
}

// A line of a section other than the recipe's own and the label's, or of none: refused,
// with the section it was likely meant to be, or else the sections there are.
QString unknownSection(const QString& section, int line)
{
    if (section.isNull())
        return QStringLiteral("line %1 stands before any [section]").arg(line);
    const QString why = QStringLiteral("line %1: [%2] is no section of a recipe").arg(line).arg(section);
    if (const auto near = nearestName(section.toStdString(), kSections))
        return why + QStringLiteral(" (did you mean [%1]?)").arg(QString::fromStdString(*near));
    QStringList names;
    for (const char* name : kSections)
        names << QStringLiteral("[%1]").arg(QLatin1String(name));
    const QString last = names.takeLast();
    return why + "; it has " + names.join(", ") + " and " + last;
}

// The stack light's port and relays: a port is needed, and each lamp a relay of its own
// from 1 to 8, since the common towers have up to eight.
Expected<StackLightSettings, QString> readStackLight(std::map<QString, QString>& values)
{
    StackLightSettings light;
    light.port = values["port"].toStdString();
    if (light.port.empty())
        return unexpected(QStringLiteral("[stack_light] has no port"));
    for (std::size_t lamp = 0; lamp < tower::kLamps; ++lamp) {
        const QString key = QLatin1String(kLampKeys[lamp]);
        if (!values.count(key))
            continue;
        bool number = false;
        light.relays.of[lamp] = values[key].toInt(&number);
        if (!number || light.relays.of[lamp] < 1 || light.relays.of[lamp] > 8)
            return unexpected(QStringLiteral("%1 %2: give a relay number from 1 to 8").arg(key, values[key]));
    }
    for (std::size_t a = 0; a < tower::kLamps; ++a)
        for (std::size_t b = a + 1; b < tower::kLamps; ++b)
            if (light.relays.of[a] == light.relays.of[b])
                return unexpected(QStringLiteral("%1 and %2 are both relay %3")
                                      .arg(QLatin1String(kLampKeys[a]), QLatin1String(kLampKeys[b]))
                                      .arg(light.relays.of[a]));
    return light;
}

bool isSha256(const QString& text)
{
    if (text.size() != 64)
        return false;
    for (const QChar c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

// The values of a recipe's sections, as its file gives them.
struct RecipeText {
    std::map<QString, QString> values;                   // [recipe]
    std::optional<std::map<QString, QString>> label;     // [label], when there is one
    std::optional<std::map<QString, QString>> light;     // [stack_light], likewise
    std::optional<std::map<QString, QString>> access;    // [access], likewise
    std::map<QString, std::map<QString, QString>> sinks; // [webhook] and [mqtt], by section
};

// Where a key of `section` goes in `text`, or why it is no key there.
Expected<std::map<QString, QString>*, QString> keyPlace(RecipeText& text, const QString& section, const QString& key)
{
    if (section == QLatin1String("label")) {
        if (!kLabelKeys.contains(key))
            return unexpected(key + " is no key of a label");
        return &*text.label;
    }
    if (section == QLatin1String("stack_light")) {
        if (key != QLatin1String("port") && std::find(std::begin(kLampKeys), std::end(kLampKeys), key) == std::end(kLampKeys))
            return unexpected(key + " is no key of a stack light");
        return &*text.light;
    }
    if (section == QLatin1String("access")) {
        if (std::find(std::begin(kAccessKeys), std::end(kAccessKeys), key) == std::end(kAccessKeys)) {
            QStringList keys;
            for (const char* k : kAccessKeys)
                keys << QLatin1String(k);
            return unexpected(key + " is no key of [access]; it has " + keys.join(", "));
        }
        return &*text.access;
    }
    if (isSinkSection(section))
        return &text.sinks[section];
    if (!recipeKeys().contains(key))
        return unexpected(key + " is no key of a recipe");
    return &text.values;
}

// A [section] line: the sections a recipe has, each once made.
Expected<void, QString> openSection(RecipeText& text, const QString& section, int number)
{
    if (std::find(std::begin(kSections), std::end(kSections), section) == std::end(kSections))
        return unexpected(unknownSection(section, number));
    if (section == QLatin1String("label") && !text.label)
        text.label.emplace();
    if (section == QLatin1String("stack_light") && !text.light)
        text.light.emplace();
    if (section == QLatin1String("access") && !text.access)
        text.access.emplace();
    if (isSinkSection(section))
        text.sinks[section];
    return {};
}

// The file's sections and their keys, each key known to its section, and every key the
// recipe cannot do without there.
Expected<RecipeText, QString> readRecipeText(const QByteArray& bytes)
{
    RecipeText text;
    QString section;
    int number = 0;
    for (const QByteArray& raw : bytes.split('\n')) {
        ++number;
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[') && line.endsWith(']')) {
            section = line.mid(1, line.size() - 2).trimmed();
            if (auto opened = openSection(text, section, number); !opened)
                return unexpected(opened.error());
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            return unexpected(QStringLiteral("line %1 is neither a [section] nor key=value").arg(number));
        if (section.isNull())
            return unexpected(unknownSection(section, number));
        const QString key = line.left(equals).trimmed();
        auto place = keyPlace(text, section, key);
        if (!place)
            return unexpected(QStringLiteral("line %1: %2").arg(number).arg(place.error()));
        (**place)[key] = plainValue(line.mid(equals + 1));
    }
    for (const QString& key : recipeKeys()) {
        const bool optional = std::any_of(std::begin(kOptionalKeys), std::end(kOptionalKeys),
                                          [&](const char* o) { return key == QLatin1String(o); });
        if (!text.values.count(key) && !optional)
            return unexpected(QStringLiteral("[recipe] has no %1").arg(key));
    }
    return text;
}

// The two download files, each by its path from the recipe's folder and the SHA-256 it
// must have; and the format time.
Expected<void, QString> readFiles(std::map<QString, QString>& values, const QDir& folder, Recipe& recipe)
{
    std::string* files[2][2] = {{&recipe.files.initDisk, &recipe.files.initDiskSha256},
                                {&recipe.files.initData, &recipe.files.initDataSha256}};
    const char* fileKeys[2] = {"initdisk", "initdata"};
    for (int i = 0; i < 2; ++i) {
        const QString key = fileKeys[i];
        const QString sha = values[key + "_sha256"].toLower();
        if (!isSha256(sha))
            return unexpected(QStringLiteral("%1_sha256 is not 64 hex digits").arg(key));
        if (values[key].isEmpty())
            return unexpected(QStringLiteral("%1 names no file").arg(key));
        *files[i][0] = QDir::cleanPath(folder.absoluteFilePath(values[key])).toStdString();
        *files[i][1] = sha.toStdString();
    }
    recipe.format = values.count("format") ? values["format"].toStdString() : "30";
    if (recipe.format.find_first_not_of(" 0123456789.") != std::string::npos || lenientNumber(recipe.format) == 0)
        return unexpected(QStringLiteral("format %1 is not a number of seconds").arg(QString::fromStdString(recipe.format)));
    return {};
}

// A yes or no of [access].
Expected<bool, QString> yesOrNo(const std::map<QString, QString>& values, const QString& key)
{
    const auto v = values.find(key);
    if (v == values.end())
        return false;
    if (v->second != QLatin1String("yes") && v->second != QLatin1String("no"))
        return unexpected(QStringLiteral("[access] %1=%2: give yes or no").arg(key, v->second));
    return v->second == QLatin1String("yes");
}

// What [access] asks of the station: its lock, its signatures, who signs in.
Expected<AccessRules, QString> readAccess(const std::map<QString, QString>& values)
{
    AccessRules rules;
    auto lock = yesOrNo(values, "lock");
    auto signatures = yesOrNo(values, "signatures");
    if (!lock || !signatures)
        return unexpected(!lock ? lock.error() : signatures.error());
    rules.lock = *lock;
    rules.signatures = *signatures;
    for (auto [key, role] : {std::pair{"unlock_role", &rules.unlockRole}, std::pair{"sign_role", &rules.signRole}}) {
        const auto v = values.find(key);
        if (v == values.end())
            continue;
        const auto named = personRoleNamed(v->second);
        if (!named || *named == PersonRole::Operator)
            return unexpected(QStringLiteral("[access] %1=%2: give technician or engineer").arg(key, v->second));
        *role = *named;
    }
    if (const auto v = values.find("unlock_minutes"); v != values.end()) {
        bool number = false;
        rules.unlockMinutes = v->second.toInt(&number);
        if (!number || rules.unlockMinutes < 1 || rules.unlockMinutes > 720)
            return unexpected(QStringLiteral("[access] unlock_minutes=%1: give a number of minutes from 1 to 720")
                                  .arg(v->second));
    }
    if (const auto v = values.find("people"); v != values.end()) {
        if (v->second != QLatin1String("required") && v->second != QLatin1String("optional"))
            return unexpected(QStringLiteral("[access] people=%1: give required or optional").arg(v->second));
        rules.peopleRequired = v->second == QLatin1String("required");
    }
    return rules;
}

// The sections beside the recipe's own: its label, its stack light, its sinks, its access.
Expected<void, QString> readOtherSections(RecipeText& text, const QDir& folder, Recipe& recipe)
{
    if (text.label) {
        auto settings = readLabelSettings(*text.label, folder);
        if (!settings)
            return unexpected(settings.error());
        recipe.label = std::move(*settings);
    }
    if (text.light) {
        auto settings = readStackLight(*text.light);
        if (!settings)
            return unexpected(settings.error());
        recipe.stackLight = std::move(*settings);
    }
    if (text.access) {
        auto rules = readAccess(*text.access);
        if (!rules)
            return unexpected(rules.error());
        recipe.access = *rules;
    }
    for (const auto& [name, sinkValues] : text.sinks)
        if (const auto read = readSinkSection(name, sinkValues, folder, StoreUrls::stationName({}), recipe.sinks); !read)
            return unexpected(read.error());
    return {};
}

// The product's values, which obey the six boxes' rules with the range's first serial
// and, without a date, today's.
Expected<void, QString> readValues(std::map<QString, QString>& values, Recipe& recipe)
{
    recipe.manufactureGiven = values.count(fieldKey(at(ProductField::Manufacture))) > 0;
    for (std::size_t f = 0; f < kProductFieldCount; ++f)
        if (!fieldKey(f).isEmpty() && values.count(fieldKey(f)))
            recipe.values[f] = values[fieldKey(f)].toStdString();
    if (const auto problem = checkProductFields(productValues(recipe, recipe.serials.first(), QDate::currentDate()))) {
        const QString key = fieldKey(problem->field).isEmpty() ? QStringLiteral("serials") : fieldKey(problem->field);
        return unexpected(QStringLiteral("%1 %2: %3").arg(key, values[key], QString::fromStdString(problem->text).trimmed()));
    }
    return {};
}

// What the recipe says, once its file was read whole.
Expected<Recipe, QString> recipeOf(RecipeText& text, const QString& path)
{
    Recipe recipe;
    recipe.path = path;
    recipe.name = text.values["name"];
    if (recipe.name.isEmpty())
        return unexpected(QStringLiteral("the name is empty"));
    DiskFiles disk;
    // The records name the recipe by its SHA-256: a recipe that cannot be read whole
    // again is not one to bring boards up by.
    const auto facts = examineFile(disk, path.toStdString());
    if (!facts)
        return unexpected(QString::fromStdString(facts.error()));
    recipe.sha256 = QString::fromStdString(facts->digest.sha256);
    const QDir folder = QFileInfo(path).absoluteDir();
    if (auto files = readFiles(text.values, folder, recipe); !files)
        return unexpected(files.error());
    auto range = SerialRange::parse(text.values["serials"],
                                    static_cast<int>(kProductFieldRules[at(ProductField::Serial)].length));
    if (!range)
        return unexpected("serials " + range.error());
    recipe.serials = *range;
    if (auto others = readOtherSections(text, folder, recipe); !others)
        return unexpected(others.error());
    if (const auto line = readLineKeys(text.values, recipe); !line)
        return unexpected(line.error());
    if (auto values = readValues(text.values, recipe); !values)
        return unexpected(values.error());
    return recipe;
}

} // namespace

Expected<Recipe, QString> readRecipe(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return unexpected(QStringLiteral("the recipe %1 cannot be read: %2").arg(path, file.errorString()));
    auto wrong = [&](const QString& why) { return unexpected(QStringLiteral("the recipe %1: %2").arg(path, why)); };
    auto text = readRecipeText(file.readAll());
    if (!text)
        return wrong(text.error());
    auto recipe = recipeOf(*text, path);
    if (!recipe)
        return wrong(recipe.error());
    return recipe;
}

Expected<void, QString> checkRecipeFiles(const Recipe& recipe)
{
    DiskFiles disk;
    const std::pair<const std::string*, const std::string*> files[] = {
        {&recipe.files.initDisk, &recipe.files.initDiskSha256}, {&recipe.files.initData, &recipe.files.initDataSha256}};
    for (const auto& [file, sha] : files) {
        const auto facts = examineFile(disk, *file);
        if (!facts)
            return unexpected(QStringLiteral("cannot read %1: %2").arg(QString::fromStdString(*file),
                                                                       QString::fromStdString(facts.error())));
        if (facts->digest.sha256 != *sha)
            return unexpected(QStringLiteral("%1 is not the recipe's file: its SHA-256 is %2, the recipe's %3")
                                  .arg(QString::fromStdString(*file), QString::fromStdString(facts->digest.sha256),
                                       QString::fromStdString(*sha)));
    }
    return {};
}

ProductFields productValues(const Recipe& recipe, const QString& serial, const QDate& today)
{
    ProductFields values = recipe.values;
    values[at(ProductField::Serial)] = serial.toStdString();
    if (!recipe.manufactureGiven)
        values[at(ProductField::Manufacture)] = today.toString("ddMMyy").toStdString();
    return values;
}

RecipeFiles::RecipeFiles(const Recipe& recipe, TextFiles& files) : files_(files)
{
    // flash.ini is 8-bit text; the recipe's values passed the Latin-1 check.
    ini_ = "Format=\"" + recipe.format + "\"\r\n";
    const char* keys[] = {"Hardware", "MCUSW", "DSPSW", nullptr, "Code", "Manufacture"};
    for (std::size_t f = 0; f < kProductFieldCount; ++f)
        if (keys[f] && !recipe.values[f].empty())
            ini_ += std::string(keys[f]) + "=\"" + utf8ToLatin1(recipe.values[f]).value_or("") + "\"\r\n";
}

Expected<std::unique_ptr<TextFile>> RecipeFiles::open(const std::string& path)
{
    if (path != kIniPath)
        return files_.open(path);
    return std::make_unique<TextFile>([text = ini_, pos = std::size_t{0}](char* buffer, std::size_t capacity) mutable {
        const std::size_t n = std::min(capacity, text.size() - pos);
        std::memcpy(buffer, text.data() + pos, n);
        pos += n;
        return n;
    });
}

} // namespace auxpad
