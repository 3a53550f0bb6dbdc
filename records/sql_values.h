#pragma once

#include <QString>
#include <QVariant>

#include <optional>

namespace auxpad {

// A value bound to a statement, an absent one as SQL NULL: what was never known stays
// apart from an empty text.
inline QVariant orNull(const QString& text)
{
    return text.isNull() ? QVariant() : QVariant(text);
}

template <typename T>
QVariant orNull(const std::optional<T>& value)
{
    return value ? QVariant::fromValue(*value) : QVariant();
}

} // namespace auxpad
