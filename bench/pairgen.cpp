#include "pairgen.h"

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

} // namespace

FilePair generatePair(const PairSpec& spec)
{
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
    if (spec.disjoint) {
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
                             lines, share, 0.08, false, seed++});
        }
    }
    pairs.push_back({QStringLiteral("100k-disjoint"), 100'000, 1.0, 0.08, true, seed++});
    pairs.push_back({QStringLiteral("100k-halfblank-5pct"), 100'000, 0.05, 0.5, false, seed++});
    return pairs;
}

} // namespace varnel::bench
