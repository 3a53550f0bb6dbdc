#pragma once

// The rule of base/board_counts.h, for what a person reads as a count, put as SQL over
// board_jobs: made from the rule's own functions, so that the line's page and the
// report's summary count a board as the window's counters do.
#include <QString>

namespace auxpad {

// The condition of the records that stand for a board: a bring-up's try that was not
// tried again, or a lone flash or product-information job. A job that carries a recipe
// ran as a step of a bring-up.
QString boardRecordsSql();
// The same without the last condition: every try of every board.
QString boardTriesSql();
// The condition of a board record whose board's first try passed, and of one whose first
// try failed (an interrupted first try is neither: the station stopped, not the slot).
QString firstPassedSql();
QString firstFailedSql();
// The conditions of a board record that passed, and of one that failed.
QString boardPassedSql();
QString boardFailedSql();

} // namespace auxpad
