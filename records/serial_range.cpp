#include "records/serial_range.h"

#include <QStringList>

#include <algorithm>

namespace auxpad {

namespace {

// The non-digit prefix and the number of a serial, when the rest is all digits.
std::optional<std::pair<QString, qint64>> split(const QString& serial)
{
    qsizetype digits = serial.size();
    while (digits > 0 && serial[digits - 1].isDigit() && serial[digits - 1].unicode() < 128)
        --digits;
    if (digits == serial.size())
        return std::nullopt;
    bool ok = false;
    const qint64 number = serial.mid(digits).toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return std::pair{serial.left(digits), number};
}

} // namespace

Expected<SerialRange, QString> SerialRange::parse(const QString& text, int width)
{
    const QStringList ends = text.split('-');
    const QString form = QStringLiteral("%1 is not a range of serial numbers FIRST-LAST, such as SN0001000-SN0001999")
                             .arg(text);
    if (ends.size() != 2)
        return unexpected(form);
    for (const QString& end : ends) {
        if (end.size() != width)
            return unexpected(QStringLiteral("%1: %2 has %3 characters, where a serial number has %4")
                                  .arg(text, end)
                                  .arg(end.size())
                                  .arg(width));
    }
    const auto first = split(ends[0]);
    const auto last = split(ends[1]);
    if (!first || !last)
        return unexpected(form);
    if (first->first != last->first)
        return unexpected(QStringLiteral("%1: the two ends have different prefixes").arg(text));
    if (first->second > last->second)
        return unexpected(QStringLiteral("%1: the first end is after the last").arg(text));
    SerialRange range;
    range.first_ = ends[0];
    range.last_ = ends[1];
    range.prefix_ = first->first;
    range.low_ = first->second;
    range.high_ = last->second;
    return range;
}

std::optional<qint64> SerialRange::numberOf(const QString& serial) const
{
    if (serial.size() != first_.size())
        return std::nullopt;
    const auto parts = split(serial);
    if (!parts || parts->first != prefix_ || parts->second < low_ || parts->second > high_)
        return std::nullopt;
    return parts->second;
}

std::optional<QString> SerialRange::lowestFree(std::vector<qint64> taken) const
{
    const auto free = lowestFree(std::move(taken), 1);
    return free.empty() ? std::nullopt : std::optional<QString>(free.front());
}

std::vector<QString> SerialRange::lowestFree(std::vector<qint64> taken, int count) const
{
    std::sort(taken.begin(), taken.end());
    std::vector<QString> free;
    qint64 candidate = low_;
    auto next = taken.cbegin();
    while (static_cast<int>(free.size()) < count && candidate <= high_) {
        while (next != taken.cend() && *next < candidate)
            ++next;
        if (next == taken.cend() || *next != candidate)
            free.push_back(serialOf(candidate));
        ++candidate;
    }
    return free;
}

QString SerialRange::serialOf(qint64 number) const
{
    return prefix_ + QStringLiteral("%1").arg(number, static_cast<int>(first_.size() - prefix_.size()), 10, QChar('0'));
}

} // namespace auxpad
