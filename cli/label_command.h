#pragma once

#include <QStringList>

namespace auxpad::cli {

// `auxpad-flash label list [--held]` and
// `auxpad-flash label reprint SERIAL --reason TEXT [--recipe FILE]`: the labels of this
// station's journal, and a board's label once more. 0 when done (the reprint printed),
// 1 when the reprint is held or failed, 2 when the command could not start. Needs a
// QGuiApplication: the label's PDF page is laid out with fonts.
int runLabel(const QStringList& arguments);

// The labels of this station's journal, as `label list` shows them, without handing any
// to its printer: what `report --job label` prints. 0, or 2 when there is no journal.
int listLabels();

} // namespace auxpad::cli
