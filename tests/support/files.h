#pragma once

#include <QCryptographicHash>
#include <QFile>

#include <gtest/gtest.h>

#include <string_view>

// Writes a file a test sets up (a station's flash.ini, a recipe, a download), and gives back
// its path.
inline QString writeFile(const QString& path, std::string_view content)
{
    QFile f(path);
    const auto size = static_cast<qint64>(content.size());
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(content.data(), size) == size) << path.toStdString();
    return path;
}

// The hex SHA-256 a recipe names a download by.
inline QByteArray sha256Hex(QByteArrayView content) { return QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex(); }

// The hex SHA-256 of a file a test wrote.
inline QByteArray fileSha256(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return sha256Hex(f.readAll());
}
