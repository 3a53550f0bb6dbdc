#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

#include "base/expected.h"
#include "label/label_settings.h"

namespace auxpad {

// A two-dimensional symbol as libzint encodes it: its modules, row by row, dark or light,
// without the quiet zone around it.
struct SymbolModules {
    int width = 0, height = 0;
    std::vector<bool> dark; // height rows of width

    bool at(int x, int y) const { return dark[static_cast<std::size_t>(y * width + x)]; }
};

Expected<SymbolModules, QString> encodeSymbol(LabelSettings::Symbol symbol, const QByteArray& utf8);

} // namespace auxpad
