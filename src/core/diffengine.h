// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/bitvector.h"
#include "core/compareoptions.h"
#include "core/diffcontrol.h"
#include "core/diffresult.h"
#include "core/lcssolver.h"
#include "core/textlines.h"

#include <optional>

namespace varnel {

// Which lines a minimal edit script removes from the left text and inserts from the
// right one.
struct EditScript {
    BitVector removed;  // indexed by left line, from 0
    BitVector inserted; // indexed by right line, from 0
};

// How a diff is computed. Every choice gives a minimal script.
struct DiffOptions {
    CancelCheck cancel;      // polled at least every few milliseconds on every path
    ProgressReport progress; // told the fraction done, now and then
    DiffAlgorithm algorithm = DiffAlgorithm::automatic;
    bool slide = true;      // slide runs of changes to where they read best
    CompareOptions compare; // what makes two lines equal
};

// Turns two documents into a line diff. Stateless; any thread may call it.
//
// Two lines are equal when the comparison options say so (DiffOptions::compare); by
// default when their texts are canonically equivalent Unicode, and white space and case
// count.
class DiffEngine {
public:
    static constexpr qint64 kContextLines = 3;

    // The rows of a minimal line diff of `original` against `revised`, with runs of
    // unchanged lines further than three lines from any change folded into
    // placeholders when `collapseContext` is true.
    static DiffResult compute(SharedLines original, SharedLines revised, bool collapseContext);
    static DiffResult compute(const QStringList& original, const QStringList& revised, bool collapseContext);

    // As above, but polls `cancel` and gives nothing when it asks to stop.
    static std::optional<DiffResult> compute(SharedLines original, SharedLines revised, bool collapseContext,
                                             const CancelCheck& cancel);

    // Both results of one comparison from a single edit script; both carry the same counts
    // and share the documents' text.
    struct Results {
        DiffResult collapsed;
        DiffResult full;
    };
    static std::optional<Results> computeBoth(SharedLines original, SharedLines revised,
                                              const CancelCheck& cancel = {});
    static std::optional<Results> computeBoth(SharedLines original, SharedLines revised, const DiffOptions& options);

    // A minimal edit script, without rows. Empty only when cancelled.
    static std::optional<EditScript> editScript(const TextLines& original, const TextLines& revised,
                                                const CancelCheck& cancel = {});
    static std::optional<EditScript> editScript(const TextLines& original, const TextLines& revised,
                                                const DiffOptions& options);
};

} // namespace varnel
