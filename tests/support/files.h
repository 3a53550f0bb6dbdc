#pragma once

#include <QCryptographicHash>
#include <QFile>

#include <gtest/gtest.h>

#include <string>
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

// A line's recipe named `name` for disk.txt and data.txt beside it, which hold `disk` and
// `data`: the product values the tests' boards take, and the serial range `serials`.
inline std::string recipeText(std::string_view name, std::string_view disk, std::string_view data, std::string_view serials)
{
    return std::string("[recipe]\nname=").append(name) + "\ninitdisk=disk.txt\ninitdisk_sha256=" + sha256Hex(disk).toStdString()
           + "\ninitdata=data.txt\ninitdata_sha256=" + sha256Hex(data).toStdString()
           + "\nformat=20\nhardware=0102\nmcusw=MCU02.00.01\ndspsw=DSP02.00.07\ncode=0671234\nmanufacture=061226\nserials="
           + std::string(serials) + "\n";
}
