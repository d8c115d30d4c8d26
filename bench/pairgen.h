// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace varnel::bench {

// How the right file of a pair is made from the left one.
enum class PairKind {
    edited,     // source-like lines, each edited with probability `changed` (modify, delete, insert)
    disjoint,   // another source-like file with no line in common
    structured, // source-like code made of functions, edited the way people edit: runs of changed
                // lines, inserted and deleted blocks, moved functions, lines copied from elsewhere
    shuffled,   // unique records (a CSV export) against the same records sorted
    reversed,   // source-like lines against the same lines in reverse order
    vocabulary, // lines drawn from a vocabulary of 1,000 log lines, each edited with probability
                // `changed` into another line of the vocabulary, deleted or preceded by an insertion
};

// A seeded, platform-independent generator of file pairs.
struct PairSpec {
    QString name;           // e.g. "1M-5pct"
    std::int64_t lines = 0; // lines of the left file
    double changed = 0.0;   // share of lines touched by an edit
    double blank = 0.08;    // share of blank lines
    PairKind kind = PairKind::edited;
    std::uint64_t seed = 1;
};

struct FilePair {
    QByteArray left;
    QByteArray right;
};

FilePair generatePair(const PairSpec& spec);

// The pairs every benchmark and the tool comparison run on.
std::vector<PairSpec> standardPairs();

// One standard pair by name, or nullptr.
const PairSpec* findPair(const QString& name);

} // namespace varnel::bench
