// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/compareoptions.h"
#include "core/diffengine.h"
#include "core/error.h"
#include "readers/filetypedetector.h"
#include "readers/textformat.h"

#include <optional>

namespace varnel {

// How the two files of a comparison were written; absent for PDF and Word files.
struct TextFormats {
    std::optional<TextFormat> left;
    std::optional<TextFormat> right;
    // Lines that compare equal are written in other canonical forms (NFC against NFD).
    bool unicodeFormsDiffer = false;

    // How the files differ in these facts, as one line (see TextFormat::differences), then
    // "Unicode forms differ (NFC/NFD)"; empty when they do not, or for other files.
    QString differences() const;
};

// What one comparison produces: the collapsed result and the full one.
struct ComparisonOutcome {
    DiffResult result;        // unchanged lines far from changes folded into placeholders
    DiffResult fullResult;    // every line
    TextFormats formats = {}; // how each text file was written
};

// The comparison of two chosen files, as the window runs it and as varnel-cli diff runs
// it: both files must be of the same kind (text, Word or PDF); each is read with its
// kind's reader, left first, and diffed once into both results.
//
// Runs on whatever thread calls it; PDF extraction included, so a long PDF never holds
// up the window.
class Comparison {
public:
    // "text", "PDF", "Word" or "unsupported".
    static QString typeName(const DiffMode& mode);

    // "Cannot compare a LEFT file with a RIGHT file. Please drop two files of the same type."
    static Error incompatibleTypes(const DiffMode& left, const DiffMode& right);

    // The outcome, or the reader's error, or incompatibleTypes. `cancel` is polled while
    // reading a PDF and while diffing; a cancelled comparison gives an error of kind
    // `cancelled`. A comparison that cannot fit in memory is refused before the files are
    // read (kind `tooLarge`), and an allocation that fails all the same gives an error of
    // kind `outOfMemory`: nothing here aborts. `progress` is told how much of the diff is
    // done, from 0 to 1, now and then from the worker's threads. `options` say which
    // lines are equal.
    static Expected<ComparisonOutcome> perform(const FileItem& left, const FileItem& right,
                                               const CancelCheck& cancel = {}, const ProgressReport& progress = {},
                                               const CompareOptions& options = {});

    // The same comparison when only one of the two results is wanted (the command-line
    // tool): the collapsed one when `collapseContext`, else the full one.
    // `formats`, when given, receives how each text file was written.
    static Expected<DiffResult> performOne(const FileItem& left, const FileItem& right, bool collapseContext,
                                           TextFormats* formats = nullptr, const CompareOptions& options = {});

    // The lines of one file as its kind's reader gives them; refused like a comparison
    // (kind `tooLarge`) when reading it alone cannot fit in memory.
    // `format`, when given, receives how a text file was written (and nothing for others).
    static Expected<TextLines> readLines(const FileItem& file, const CancelCheck& cancel = {},
                                         std::optional<TextFormat>* format = nullptr);

    // The budget, in two steps. Before reading, from the sizes of the files: an error
    // naming the file that weighs most, its size, the memory the comparison needs and the
    // memory `available`. After reading, from the number of lines: the same for the
    // engine's per-line work. Nothing when the comparison fits.
    static std::optional<Error> checkSizes(const FileItem& left, qint64 leftSize, const FileItem& right,
                                           qint64 rightSize, qint64 available);
    static std::optional<Error> checkLines(const FileItem& left, const TextLines& original, const FileItem& right,
                                           const TextLines& revised, qint64 available);
};

} // namespace varnel
