// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffcontrol.h"
#include "core/textlines.h"

#include <cstdint>
#include <vector>

namespace varnel {

// One side of a diff, for the slide pass: its line ids, its text (for indentation) and
// the marks of its changed lines (removed for the left side, inserted for the right),
// one byte per line.
struct CompactionSide {
    const std::uint32_t* ids = nullptr;
    const TextLines* text = nullptr;
    std::vector<std::uint8_t>* changed = nullptr;
};

// Slides every run of changed lines along equal neighbours to where it reads best,
// without changing the number of changes: runs that can merge do, a run that can line
// up with a change on the other side does, and otherwise the run's ends go to blank
// lines and lower indentation. See compaction.cpp.
void compactChanges(CompactionSide left, CompactionSide right, DiffControl& control);

} // namespace varnel
