#pragma once

#include <QString>

#include <optional>
#include <vector>

#include "base/expected.h"

namespace auxpad {

// A range of serial numbers a line hands out, "SN0001000-SN0001999": both ends of the same
// width with the same prefix of non-digits, then digits.
class SerialRange {
public:
    // The range a text names, or what is wrong with it; `width` is the serial's length.
    static Expected<SerialRange, QString> parse(const QString& text, int width);

    const QString& first() const { return first_; }
    const QString& last() const { return last_; }
    bool contains(const QString& serial) const { return numberOf(serial).has_value(); }
    // The number a serial of the range stands for; nullopt for one outside it.
    std::optional<qint64> numberOf(const QString& serial) const;
    // The lowest serial of the range whose number is not taken.
    std::optional<QString> lowestFree(std::vector<qint64> taken) const;
    // The `count` lowest (fewer when the range has no more).
    std::vector<QString> lowestFree(std::vector<qint64> taken, int count) const;

private:
    QString serialOf(qint64 number) const;

    QString first_, last_, prefix_;
    qint64 low_ = 0, high_ = 0;
};

} // namespace auxpad
