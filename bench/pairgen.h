#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace varnel::bench {

// A seeded, platform-independent generator of source-like file pairs: the right file
// is the left one with a share of its lines modified, deleted or inserted.
struct PairSpec {
    QString name;           // e.g. "1M-5pct"
    std::int64_t lines = 0; // lines of the left file
    double changed = 0.0;   // share of lines touched by an edit
    double blank = 0.08;    // share of blank lines
    bool disjoint = false;  // no line in common at all
    std::uint64_t seed = 1;
};

struct FilePair {
    QByteArray left;
    QByteArray right;
};

FilePair generatePair(const PairSpec& spec);

// The pairs every benchmark and the tool comparison run on.
std::vector<PairSpec> standardPairs();

} // namespace varnel::bench
