#pragma once

#include <QDir>
#include <QString>
#include <QStringList>

#include <map>

#include "base/expected.h"

namespace auxpad {

// A line's label, from the [label] section of its recipe:
//
//   [label]
//   printer=labels                 a CUPS queue, or ipp://host[:port]/path
//   template=serial.zpl            optional: ZPL sent raw once filled; without it, a PDF page
//   size=50x25                     width x height in mm
//   symbol=datamatrix              or qr
//   symbol_text={serial};{hardware} optional: what the symbol encodes, the serial without it
//   copies=1
struct LabelSettings {
    enum class Symbol { DataMatrix, Qr };
    QString printer;
    QString templatePath; // full path, "" for the built-in layout
    QString templateText; // the template as read with the recipe
    double widthMm = 0, heightMm = 0;
    Symbol symbol = Symbol::DataMatrix;
    QString symbolText = QStringLiteral("{serial}");
    int copies = 1;
};

// What the placeholders of a template and of symbol_text stand for, by name without the
// braces; a name missing here is filled empty.
using LabelValues = std::map<QString, QString>;

// Every placeholder a label may hold.
extern const QStringList kLabelPlaceholders;
// The keys of a [label] section.
extern const QStringList kLabelKeys;

// The label that a recipe's [label] values describe, its template read from `folder`, or
// the first thing wrong with it, in one line.
Expected<LabelSettings, QString> readLabelSettings(const std::map<QString, QString>& values, const QDir& folder);

// `text` with each {name} replaced by its value.
QString fillLabel(const QString& text, const LabelValues& values);

} // namespace auxpad
