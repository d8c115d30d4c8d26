// SPDX-License-Identifier: GPL-3.0-or-later

#include "pairgen.h"

#include <algorithm>
#include <array>

namespace varnel::bench {

namespace {

// splitmix64: tiny, seedable and the same everywhere.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    std::uint64_t below(std::uint64_t n) { return next() % n; }
    double unit() { return double(next() >> 11) * (1.0 / double(1ULL << 53)); }

private:
    std::uint64_t m_state;
};

constexpr std::array kWords = {
    "value",  "count",  "index",  "buffer", "result",  "config",  "parser",   "node",    "item",   "entry",
    "offset", "length", "status", "handle", "context", "cache",   "record",   "stream",  "token",  "state",
    "width",  "height", "source", "target", "options", "request", "response", "payload", "header", "table",
};
constexpr std::array kTypes = {"int", "auto", "size_t", "double", "bool", "std::string", "QString", "char"};
constexpr std::array kCalls = {"compute", "update", "load", "parse", "render", "check", "resolve", "merge"};
constexpr std::array kCommon = {
    "}",
    "{",
    "    }",
    "        }",
    "    return true;",
    "    return false;",
    "        break;",
    "    } else {",
    "#include <string>",
    "    return result;",
    "    default:",
    "};",
};

QByteArray identifier(Random& random)
{
    QByteArray word = kWords[random.below(kWords.size())];
    if (random.below(2))
        word += '_' + QByteArray(kWords[random.below(kWords.size())]);
    word += QByteArray::number(random.below(1000));
    return word;
}

// One line of plausible C-like source. Most lines are distinct; a few recur often, as
// braces and returns do in real code.
QByteArray sourceLine(Random& random, double blank)
{
    const double roll = random.unit();
    if (roll < blank)
        return QByteArray();
    if (roll < blank + 0.12)
        return kCommon[random.below(kCommon.size())];
    const QByteArray indent(int(4 * (1 + random.below(3))), ' ');
    switch (random.below(5)) {
    case 0:
        return indent + kTypes[random.below(kTypes.size())] + ' ' + identifier(random) + " = " +
               kCalls[random.below(kCalls.size())] + '(' + identifier(random) + ", " +
               QByteArray::number(random.below(100000)) + ");";
    case 1: return indent + "if (" + identifier(random) + " > " + QByteArray::number(random.below(4096)) + ") {";
    case 2: return indent + "// " + identifier(random) + " keeps the " + identifier(random) + " in step";
    case 3:
        return indent + identifier(random) + '.' + kCalls[random.below(kCalls.size())] + "(\"" + identifier(random) +
               "\");";
    default: return indent + "for (auto& " + identifier(random) + " : " + identifier(random) + ") {";
    }
}

// A function of 6 to 30 lines, as the `structured` pairs are made of.
std::vector<QByteArray> function(Random& random, double blank)
{
    std::vector<QByteArray> out;
    if (random.below(3) == 0)
        out.push_back("// " + identifier(random) + " for the " + identifier(random));
    out.push_back("static " + QByteArray(kTypes[random.below(kTypes.size())]) + ' ' + identifier(random) + '(' +
                  kTypes[random.below(kTypes.size())] + ' ' + identifier(random) + ')');
    out.push_back("{");
    const std::uint64_t body = 4 + random.below(26);
    int depth = 1;
    for (std::uint64_t i = 0; i < body; ++i) {
        const QByteArray indent(4 * depth, ' ');
        const std::uint64_t roll = random.below(10);
        if (roll == 0 && depth < 3) {
            out.push_back(indent + "if (" + identifier(random) + ") {");
            ++depth;
        } else if (roll == 1 && depth > 1) {
            --depth;
            out.push_back(QByteArray(4 * depth, ' ') + '}');
        } else if (roll == 2 && blank > 0) {
            out.push_back(QByteArray());
        } else {
            QByteArray line = sourceLine(random, 0.0).trimmed();
            if (line.isEmpty() || line.endsWith('{'))
                line = identifier(random) + " += 1;";
            out.push_back(indent + line);
        }
    }
    while (depth > 1) {
        --depth;
        out.push_back(QByteArray(4 * depth, ' ') + '}');
    }
    out.push_back("    return " + identifier(random) + ';');
    out.push_back("}");
    out.push_back(QByteArray());
    return out;
}

QByteArray joined(const std::vector<QByteArray>& lines)
{
    QByteArray out;
    qsizetype bytes = 0;
    for (const QByteArray& line : lines)
        bytes += line.size() + 1;
    out.reserve(bytes);
    for (const QByteArray& line : lines) {
        out += line;
        out += '\n';
    }
    return out;
}

// Source made of functions, edited in runs: a run of 1 to 8 lines is modified (rewritten,
// re-indented, or replaced by a copy of a line from elsewhere in the file), deleted, or
// gets new lines inserted before it; now and then a whole function moves.
FilePair structuredPair(const PairSpec& spec)
{
    Random random(spec.seed);
    std::vector<QByteArray> left;
    left.reserve(size_t(spec.lines) + 64);
    while (std::int64_t(left.size()) < spec.lines) {
        for (QByteArray& line : function(random, spec.blank))
            left.push_back(std::move(line));
    }
    left.resize(size_t(spec.lines));

    std::vector<QByteArray> right;
    right.reserve(left.size() + left.size() / 4);
    std::vector<QByteArray> moved;              // a function cut out, waiting for its new place
    const double runStart = spec.changed / 4.5; // runs average 4.5 lines
    for (size_t i = 0; i < left.size();) {
        if (random.unit() >= runStart) {
            right.push_back(left[i++]);
            if (!moved.empty() && left[i - 1].isEmpty() && random.below(64) == 0) {
                right.insert(right.end(), moved.begin(), moved.end());
                moved.clear();
            }
            continue;
        }
        const size_t run = std::min(left.size() - i, size_t(1 + random.below(8)));
        const std::uint64_t kind = random.below(20);
        if (kind < 12) { // modify
            for (size_t r = 0; r < run; ++r, ++i) {
                switch (random.below(4)) {
                case 0: right.push_back("  " + left[i]); break;
                case 1: right.push_back(left[random.below(left.size())]); break;
                default: right.push_back("    " + sourceLine(random, 0.0).trimmed());
                }
            }
        } else if (kind < 15) { // delete
            i += run;
        } else if (kind < 18) { // insert
            for (size_t r = 0; r < run; ++r)
                right.push_back(random.below(3) == 0 ? QByteArray(kCommon[random.below(kCommon.size())])
                                                     : "    " + sourceLine(random, 0.0).trimmed());
        } else if (moved.empty()) { // cut the function that starts here, to paste it further on
            const size_t from = i;
            while (i < left.size() && !(left[i] == "}" && i + 1 < left.size() && left[i + 1].isEmpty()))
                ++i;
            i = std::min(left.size(), i + 2);
            moved.assign(left.begin() + std::ptrdiff_t(from), left.begin() + std::ptrdiff_t(i));
        } else {
            right.push_back(left[i++]);
        }
    }
    right.insert(right.end(), moved.begin(), moved.end());
    return {joined(left), joined(right)};
}

// Unique CSV records in generation order against the same records sorted.
FilePair shuffledPair(const PairSpec& spec)
{
    Random random(spec.seed);
    std::vector<QByteArray> left;
    left.reserve(size_t(spec.lines));
    for (std::int64_t i = 0; i < spec.lines; ++i) {
        left.push_back(QByteArray::number(random.next() >> 16, 16) + ',' + identifier(random) + ',' +
                       QByteArray::number(random.below(100000)) + ',' + kWords[random.below(kWords.size())]);
    }
    std::vector<QByteArray> right = left;
    std::sort(right.begin(), right.end());
    return {joined(left), joined(right)};
}

FilePair reversedPair(const PairSpec& spec)
{
    Random random(spec.seed);
    std::vector<QByteArray> left;
    left.reserve(size_t(spec.lines));
    for (std::int64_t i = 0; i < spec.lines; ++i)
        left.push_back(sourceLine(random, spec.blank));
    std::vector<QByteArray> right(left.rbegin(), left.rend());
    return {joined(left), joined(right)};
}

// Log lines from a fixed vocabulary of 1,000, as a service writes them.
FilePair vocabularyPair(const PairSpec& spec)
{
    Random random(spec.seed);
    std::vector<QByteArray> vocabulary;
    vocabulary.reserve(1000);
    for (int v = 0; v < 1000; ++v) {
        vocabulary.push_back(QByteArray(v % 7 == 0 ? "WARN " : "INFO ") + kCalls[random.below(kCalls.size())] + ' ' +
                             identifier(random) + " status=" + QByteArray::number(random.below(600)));
    }
    std::vector<QByteArray> left, right;
    left.reserve(size_t(spec.lines));
    for (std::int64_t i = 0; i < spec.lines; ++i)
        left.push_back(vocabulary[random.below(vocabulary.size())]);
    right.reserve(left.size() + left.size() / 16);
    for (const QByteArray& line : left) {
        if (random.unit() < spec.changed) {
            const std::uint64_t kind = random.below(10);
            if (kind == 0)
                continue;
            if (kind == 1)
                right.push_back(vocabulary[random.below(vocabulary.size())]);
            else {
                right.push_back(vocabulary[random.below(vocabulary.size())]);
                continue;
            }
        }
        right.push_back(line);
    }
    return {joined(left), joined(right)};
}

} // namespace

FilePair generatePair(const PairSpec& spec)
{
    switch (spec.kind) {
    case PairKind::structured: return structuredPair(spec);
    case PairKind::shuffled: return shuffledPair(spec);
    case PairKind::reversed: return reversedPair(spec);
    case PairKind::vocabulary: return vocabularyPair(spec);
    case PairKind::edited:
    case PairKind::disjoint: break;
    }
    Random random(spec.seed);
    FilePair pair;
    std::vector<QByteArray> left;
    left.reserve(size_t(spec.lines));
    for (std::int64_t i = 0; i < spec.lines; ++i)
        left.push_back(sourceLine(random, spec.blank));

    for (const QByteArray& line : left) {
        pair.left += line;
        pair.left += '\n';
    }
    if (spec.kind == PairKind::disjoint) {
        // A second file from another seed, with every line marked so none can match.
        Random other(spec.seed ^ 0x5DEECE66DULL);
        for (std::int64_t i = 0; i < spec.lines; ++i) {
            pair.right += "#" + sourceLine(other, spec.blank);
            pair.right += '\n';
        }
        return pair;
    }
    // Edits: 80% modify a line, 10% delete it, 10% insert a new one before it.
    for (const QByteArray& line : left) {
        if (random.unit() < spec.changed) {
            const std::uint64_t kind = random.below(10);
            if (kind == 0)
                continue;
            if (kind == 1) {
                pair.right += sourceLine(random, spec.blank) + '\n';
                pair.right += line + '\n';
                continue;
            }
            pair.right += line + " // edited " + QByteArray::number(random.below(1000)) + '\n';
            continue;
        }
        pair.right += line;
        pair.right += '\n';
    }
    return pair;
}

std::vector<PairSpec> standardPairs()
{
    std::vector<PairSpec> pairs;
    const std::pair<const char*, std::int64_t> sizes[] = {{"10k", 10'000}, {"100k", 100'000}, {"1M", 1'000'000}};
    const std::pair<const char*, double> shares[] = {{"0.1pct", 0.001}, {"5pct", 0.05}, {"50pct", 0.5}};
    std::uint64_t seed = 42;
    for (const auto& [sizeName, lines] : sizes) {
        for (const auto& [shareName, share] : shares) {
            pairs.push_back({QStringLiteral("%1-%2").arg(QLatin1StringView(sizeName), QLatin1StringView(shareName)),
                             lines, share, 0.08, PairKind::edited, seed++});
        }
    }
    pairs.push_back({QStringLiteral("100k-disjoint"), 100'000, 1.0, 0.08, PairKind::disjoint, seed++});
    pairs.push_back({QStringLiteral("100k-halfblank-5pct"), 100'000, 0.05, 0.5, PairKind::edited, seed++});
    // The hard shapes: heavily edited code of another make, reordered and reversed files, and
    // files of few distinct lines.
    const std::pair<const char*, std::int64_t> hardSizes[] = {{"100k", 100'000}, {"1M", 1'000'000}};
    for (const auto& [sizeName, lines] : hardSizes) {
        const QLatin1StringView size(sizeName);
        pairs.push_back({QStringLiteral("%1-code-5pct").arg(size), lines, 0.05, 0.08, PairKind::structured, seed++});
        pairs.push_back({QStringLiteral("%1-code-50pct").arg(size), lines, 0.5, 0.08, PairKind::structured, seed++});
        pairs.push_back({QStringLiteral("%1-shuffled").arg(size), lines, 1.0, 0.0, PairKind::shuffled, seed++});
        pairs.push_back({QStringLiteral("%1-reversed").arg(size), lines, 1.0, 0.08, PairKind::reversed, seed++});
        pairs.push_back({QStringLiteral("%1-vocab-5pct").arg(size), lines, 0.05, 0.0, PairKind::vocabulary, seed++});
    }
    return pairs;
}

const PairSpec* findPair(const QString& name)
{
    static const std::vector<PairSpec> pairs = standardPairs();
    for (const PairSpec& spec : pairs) {
        if (spec.name == name)
            return &spec;
    }
    return nullptr;
}

} // namespace varnel::bench
