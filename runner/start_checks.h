#pragma once

#include <string>

#include "engine/board_engine.h"

namespace auxpad {

// What the fronts that run boards without an operator check before a byte goes to any
// board; each says why not in one line.

// The flash job's own check of its two files (examineFlashFiles), on this station's disk.
Expected<void> checkFlashFiles(const FlashFiles& files);

// flash.ini can be read, and its product defaults (which stand in for a board that
// keeps its own to itself) have no faulty entry.
Expected<void> checkIni(const std::string& path);

} // namespace auxpad
