#include "syntaxhighlighter.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <bit>
#include <bitset>
#include <vector>

namespace varnel {

namespace {

using Language = SyntaxHighlighter::Language;

// ---------------------------------------------------------------------------------------
// Guards
//
// Trying every pattern at every position is what makes naive tokenizing slow, and on
// pathological lines (an unterminated string full of escaped quotes, thousands of "/*"
// without a "*/") quadratic. Each pattern therefore carries a guard: a cheap test that
// holds wherever the pattern can match. A guard only ever skips attempts that would fail,
// so the tokens are exactly those of trying every pattern everywhere; the tests check
// this against the plain algorithm.
// ---------------------------------------------------------------------------------------

bool isPrefixLetter(char16_t c)
{
    return c == u'f' || c == u'F' || c == u'b' || c == u'B' || c == u'r' || c == u'R' || c == u'u' || c == u'U';
}

// Characters that "." may refuse, depending on how the engine treats line ends.
bool isLineBreak(char16_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// "\w" with Unicode properties (PCRE2 10.42): letters, numbers and the underscore.
bool isWordChar(QChar c)
{
    return c == u'_' || c.isLetterOrNumber();
}

// "\s" with Unicode properties: separators, horizontal and vertical white space.
bool isSpaceChar(QChar c)
{
    return c.isSpace() || c.unicode() == 0x180E || c.category() == QChar::Separator_Space;
}

// The class [\w:.-] of XML names.
bool isNameChar(QChar c)
{
    return isWordChar(c) || c == u':' || c == u'.' || c == u'-';
}

// No unpaired surrogate, so the engine may skip its own check. The cut at the colour limit
// may split a pair; that too counts as invalid.
bool isValidUtf16(QStringView text)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0xD800 || c > 0xDFFF)
            continue;
        if (c > 0xDBFF || i + 1 >= n || text[i + 1].unicode() < 0xDC00 || text[i + 1].unicode() > 0xDFFF)
            return false;
        ++i;
    }
    return true;
}

// Per-line facts the guards share, computed on first use.
template <typename T, size_t N>
constexpr std::array<T, N> filledArray(T value)
{
    std::array<T, N> out{};
    out.fill(value);
    return out;
}

class LineFacts {
public:
    explicit LineFacts(QStringView line) : m_line(line) {}

    QStringView line() const { return m_line; }

    static constexpr std::int32_t kUnclosed = -1;
    static constexpr std::int32_t kMaybe = -2;

    // Where a string opened by `quote` just before `from`, with backslash escapes, is
    // closed: the closing quote's index, kUnclosed, or kMaybe where that depends on how
    // the engine treats a line break after a backslash. Computed right to left, once per
    // quote character.
    std::int32_t closingIndex(char16_t quote, qsizetype from) { return closingTable(quote)[size_t(from)]; }

    bool hasLineBreak()
    {
        if (!m_hasLineBreak)
            m_hasLineBreak = std::any_of(m_line.begin(), m_line.end(), [](QChar c) { return isLineBreak(c.unicode()); });
        return *m_hasLineBreak;
    }

    // Where the run of characters satisfying `in` that contains `p` ends. Positions are
    // asked in increasing order, so remembering the last run keeps this linear.
    template <typename Predicate>
    qsizetype runEnd(int slot, qsizetype p, Predicate in)
    {
        Run& run = m_runs[size_t(slot)];
        if (p >= run.start && p < run.end)
            return run.end;
        qsizetype end = p;
        while (end < m_line.size() && in(m_line[end]))
            ++end;
        run = {p, end};
        return end;
    }

    // A pattern whose outcome depends only on where a run ends, and that failed there,
    // fails everywhere inside the same run.
    bool failedAt(int pattern, qsizetype runEnd) const { return m_failedRunEnd[size_t(pattern)] == runEnd; }
    void recordFailure(int pattern, qsizetype runEnd) { m_failedRunEnd[size_t(pattern)] = runEnd; }

    // The last position where `needle` starts, or -1.
    qsizetype lastIndexOf(QStringView needle)
    {
        for (const auto& [text, index] : m_lastIndex) {
            if (text == needle)
                return index;
        }
        const qsizetype index = m_line.lastIndexOf(needle);
        m_lastIndex.emplace_back(needle, index);
        return index;
    }

private:
    const std::vector<std::int32_t>& closingTable(char16_t quote)
    {
        for (const auto& [q, table] : m_closing) {
            if (q == quote)
                return table;
        }
        // ends[j]: where a string scan standing at j (inside the string, no escape
        // pending) finds its closing quote: kUnclosed when it runs off the end, kMaybe
        // where it depends on how the engine treats a line break after a backslash.
        const qsizetype n = m_line.size();
        std::vector<std::int32_t> ends(size_t(n) + 2, kUnclosed);
        for (qsizetype j = n - 1; j >= 0; --j) {
            const char16_t c = m_line[j].unicode();
            if (c == quote)
                ends[size_t(j)] = std::int32_t(j);
            else if (c == u'\\')
                ends[size_t(j)] = j + 1 >= n ? kUnclosed
                                  : isLineBreak(m_line[j + 1].unicode()) ? kMaybe
                                                                          : ends[size_t(j) + 2];
            else
                ends[size_t(j)] = ends[size_t(j) + 1];
        }
        m_closing.emplace_back(quote, std::move(ends));
        return m_closing.back().second;
    }

    struct Run {
        qsizetype start = -1;
        qsizetype end = -1;
    };

    QStringView m_line;
    std::array<Run, 2> m_runs;
    std::array<qsizetype, 16> m_failedRunEnd = filledArray<qsizetype, 16>(-1);
    std::optional<bool> m_hasLineBreak;
    std::vector<std::pair<char16_t, std::vector<std::int32_t>>> m_closing;
    std::vector<std::pair<QStringView, qsizetype>> m_lastIndex;
};

struct Guard {
    enum class Kind {
        firstChar,      // the match starts with one of `chars` (or any non-ASCII if `nonAscii`)
        lineComment,    // `opener` here, then everything to the end of the line
        keywords,       // one of `words` starts here
        escapedString,  // optional prefix letters, then `quote`, closed later with escapes
        tripleQuoted,   // optional prefix letters, three `quote`s, three more later
        quoted,         // `quote` here and again later, no escapes (chars: the quotes)
        blockComment,   // "/*" here and "*/" from two on
        jsonKey,        // a string as escapedString, then white space and a colon
        number,         // a digit run (or 0x, 0b, 0o) whose ending has not already failed
        attributeName,  // an XML name whose ending has not already failed, "=" later on
    };
    // Slots of LineFacts::runEnd.
    static constexpr int kDigitRun = 0;
    static constexpr int kNameRun = 1;
    Kind kind = Kind::firstChar;
    std::bitset<128> chars;
    bool nonAscii = false;
    bool prefixLetters = false;
    char16_t quote = 0;
    QString opener;
    std::array<std::vector<QString>, 128> wordsByFirst;

    static Guard first(const char* ascii, bool anyNonAscii = false)
    {
        Guard g;
        for (const char* c = ascii; *c; ++c)
            g.chars.set(size_t(*c));
        g.nonAscii = anyNonAscii;
        return g;
    }
    static Guard lineComment(const char* opener)
    {
        Guard g = first(opener);
        g.kind = Kind::lineComment;
        g.opener = QString::fromLatin1(opener);
        return g;
    }
    static Guard words(const QString& alternation)
    {
        Guard g;
        g.kind = Kind::keywords;
        for (const QString& word : alternation.split(u'|'))
            g.wordsByFirst[word.front().unicode() & 0x7F].push_back(word);
        return g;
    }
    static Guard string(char16_t quote, bool prefixed = false)
    {
        Guard g;
        g.kind = Kind::escapedString;
        g.quote = quote;
        g.prefixLetters = prefixed;
        return g;
    }
    static Guard key()
    {
        Guard g = string(u'"');
        g.kind = Kind::jsonKey;
        return g;
    }
    static Guard triple(char16_t quote)
    {
        Guard g;
        g.kind = Kind::tripleQuoted;
        g.quote = quote;
        g.prefixLetters = true;
        return g;
    }
    static Guard quotes(const char* ascii)
    {
        Guard g = first(ascii);
        g.kind = Kind::quoted;
        return g;
    }
    static Guard numberRun(const char* radixLetters)
    {
        Guard g = first(radixLetters);
        g.kind = Kind::number;
        return g;
    }
    static Guard attribute()
    {
        Guard g;
        g.kind = Kind::attributeName;
        return g;
    }
    static Guard comment()
    {
        Guard g;
        g.kind = Kind::blockComment;
        return g;
    }

    // Where the opening quote stands after at most two prefix letters, if anywhere.
    std::optional<qsizetype> opening(QStringView line, qsizetype p) const
    {
        qsizetype o = p;
        if (prefixLetters) {
            while (o < line.size() && o < p + 2 && isPrefixLetter(line[o].unicode()))
                ++o;
        }
        if (o < line.size() && line[o] == quote)
            return o;
        return std::nullopt;
    }

    // The run whose end decides the outcome at p, for the kinds that remember failures.
    std::optional<qsizetype> decidingRunEnd(LineFacts& facts, qsizetype p) const
    {
        if (kind == Kind::number)
            return facts.runEnd(kDigitRun, p, [](QChar c) { return c.isDigit(); });
        if (kind == Kind::attributeName)
            return facts.runEnd(kNameRun, p, isNameChar);
        return std::nullopt;
    }

    // What is known of a match at p without running the expression: kNoMatch, kAsk (it
    // may match; run the expression), or the length of the match when the guard alone
    // settles it exactly (literal word lists, strings, comments to the end of the line).
    static constexpr qsizetype kNoMatch = -1;
    static constexpr qsizetype kAsk = 0;

    qsizetype decide(LineFacts& facts, qsizetype p, int index) const
    {
        const QStringView line = facts.line();
        const char16_t c = line[p].unicode();
        switch (kind) {
        case Kind::number: {
            // After "\b", every branch but 0x/0b/0o takes the whole digit run and then
            // looks only at what follows it: inside one run the outcome is the same.
            if (!line[p].isDigit())
                return kNoMatch;
            const qsizetype end = *decidingRunEnd(facts, p);
            const bool radix = c == u'0' && p + 1 == end && end < line.size() && line[end].unicode() < 128 &&
                               chars.test(line[end].unicode());
            return radix || !facts.failedAt(index, end) ? kAsk : kNoMatch;
        }
        case Kind::attributeName: {
            // [A-Za-z_] then the whole name run, then "\s*=" must follow.
            if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_'))
                return kNoMatch;
            const qsizetype end = *decidingRunEnd(facts, p);
            if (facts.failedAt(index, end) || facts.lastIndexOf(u"=") < end)
                return kNoMatch;
            qsizetype after = end;
            while (after < line.size() && isSpaceChar(line[after]))
                ++after;
            return after < line.size() && line[after] == u'=' ? kAsk : kNoMatch;
        }
        case Kind::firstChar:
            return (c < 128 ? chars.test(c) : nonAscii) ? kAsk : kNoMatch;
        case Kind::lineComment:
            if (!line.sliced(p).startsWith(opener))
                return kNoMatch;
            // ".*" stops only at a line break, which lines rarely hold.
            return facts.hasLineBreak() ? kAsk : line.size() - p;
        case Kind::keywords:
            if (c >= 128)
                return kNoMatch;
            // "\b(w1|w2|...)\b": the first word, in the expression's order, that stands
            // here and is not followed by a word character. ("\b" before it holds: the
            // view starts here.)
            for (const QString& word : wordsByFirst[c]) {
                if (!line.sliced(p).startsWith(word))
                    continue;
                const qsizetype after = p + word.size();
                if (!isWordChar(word.back()) || after == line.size() || !isWordChar(line[after]))
                    return word.size();
            }
            return kNoMatch;
        case Kind::escapedString:
        case Kind::jsonKey: {
            const std::optional<qsizetype> o = opening(line, p);
            if (!o)
                return kNoMatch;
            const std::int32_t close = facts.closingIndex(quote, *o + 1);
            if (close == LineFacts::kUnclosed)
                return kNoMatch;
            if (close == LineFacts::kMaybe)
                return kAsk;
            if (kind == Kind::escapedString)
                return close + 1 - p;
            qsizetype after = close + 1;
            while (after < line.size() && isSpaceChar(line[after]))
                ++after;
            return after < line.size() && line[after] == u':' ? after + 1 - p : kNoMatch;
        }
        case Kind::tripleQuoted: {
            const std::optional<qsizetype> o = opening(line, p);
            if (!o)
                return kNoMatch;
            const QString three(3, QChar(quote));
            return line.sliced(*o).startsWith(three) && facts.lastIndexOf(three) >= *o + 3 ? kAsk : kNoMatch;
        }
        case Kind::quoted: {
            if (c >= 128 || !chars.test(c) || facts.lastIndexOf(line.sliced(p, 1)) <= p)
                return kNoMatch;
            // "[^q]*" is a class, which takes line breaks too: the next quote closes it.
            return line.indexOf(QChar(c), p + 1) + 1 - p;
        }
        case Kind::blockComment:
            return line.sliced(p).startsWith(u"/*") && facts.lastIndexOf(u"*/") >= p + 2 ? kAsk : kNoMatch;
        }
        return kAsk;
    }
};

struct Pattern {
    QRegularExpression regex;
    TokenRole role;
    Guard guard;
};

// Which characters can begin a match of a guard's pattern: the ASCII ones, and whether
// any non-ASCII one can.
void startingCharacters(const Guard& guard, std::bitset<128>& ascii, bool& nonAscii)
{
    const auto add = [&ascii](const char* chars) {
        for (const char* c = chars; *c; ++c)
            ascii.set(size_t(*c));
    };
    switch (guard.kind) {
    case Guard::Kind::firstChar:
    case Guard::Kind::lineComment:
    case Guard::Kind::quoted:
        ascii |= guard.chars;
        nonAscii = guard.nonAscii;
        return;
    case Guard::Kind::keywords:
        for (size_t c = 0; c < 128; ++c)
            ascii.set(c, !guard.wordsByFirst[c].empty());
        return;
    case Guard::Kind::escapedString:
    case Guard::Kind::jsonKey:
    case Guard::Kind::tripleQuoted:
        ascii.set(guard.quote);
        if (guard.prefixLetters)
            add("fFbBrRuU");
        return;
    case Guard::Kind::blockComment:
        add("/");
        return;
    case Guard::Kind::number:
        add("0123456789");
        nonAscii = true; // digits of other scripts
        return;
    case Guard::Kind::attributeName:
        add("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_");
        return;
    }
}

// A language's patterns, with a table of which of them can start at each character so
// that most positions (white space, punctuation, the middle of names) cost one lookup.
struct PatternList {
    std::vector<Pattern> patterns;
    std::array<std::uint32_t, 128> asciiCandidates{};
    std::uint32_t nonAsciiCandidates = 0;

    void push_back(Pattern pattern)
    {
        std::bitset<128> ascii;
        bool nonAscii = false;
        startingCharacters(pattern.guard, ascii, nonAscii);
        const std::uint32_t bit = std::uint32_t(1) << patterns.size();
        for (size_t c = 0; c < 128; ++c) {
            if (ascii.test(c))
                asciiCandidates[c] |= bit;
        }
        if (nonAscii)
            nonAsciiCandidates |= bit;
        patterns.push_back(std::move(pattern));
    }
    std::uint32_t candidatesFor(QChar c) const
    {
        return c.unicode() < 128 ? asciiCandidates[c.unicode()] : nonAsciiCandidates;
    }
};

Pattern pattern(const char16_t* source, TokenRole role, Guard guard)
{
    Pattern p{QRegularExpression(QString::fromUtf16(source), QRegularExpression::UseUnicodePropertiesOption), role,
              std::move(guard)};
    Q_ASSERT_X(p.regex.isValid(), "SyntaxHighlighter", qPrintable(p.regex.errorString()));
    p.regex.optimize();
    return p;
}

// The pattern lists. Each expression is written so that the engine needs no backtracking
// stack on long subjects and never backtracks more than a constant amount; each matches
// exactly what the plainer textbook form would (the tests compare them):
//  - strings: "(?:[^"\\]++|\\.)*+" for "([^"\\]|\\.)*" — the two alternatives start with
//    different characters, so there is only ever one way to read a string;
//  - an attribute name before "=": the name is taken whole, since a shorter name would be
//    followed by a name character, never by white space or "=";
//  - numbers: \d+\.?\d*(...)?\b backtracks quadratically over a long run of digits that
//    ends in a letter; the forms below list, in the order the backtracking would reach
//    them, the only places a number can end;
//  - a pattern "A|B" of two whole alternatives is written as two patterns A and B with
//    the same role, which tries the same things in the same order.

const QString kDigits = QStringLiteral("0123456789");

const char16_t* const kJsNumber =
    uR"(\b(?:0x[\da-fA-F]++\b|\d++(?:\.\d++[eE][+-]?\d++(?:n(?!\w)|(?!\w))|\.\d++(?:n(?!\w)|(?!\w))|)"
    uR"(\.[eE][+-]?\d++(?:n(?!\w)|(?!\w))|\.n(?!\w)|\.(?=\w)|(?=\.)|[eE][+-]?\d++(?:n(?!\w)|(?!\w))|n(?!\w)|(?!\w))))";

const QString kJsKeywords = QStringLiteral(
    "async|await|break|case|catch|class|const|continue|debugger|default|delete|do|else|export|extends|false|finally|"
    "for|from|function|if|import|in|instanceof|let|new|null|of|return|static|super|switch|this|throw|true|try|typeof|"
    "undefined|var|void|while|with|yield|get|set");
const QString kTsxKeywords = QStringLiteral(
    "abstract|as|async|await|break|case|catch|class|const|continue|debugger|declare|default|delete|do|else|enum|"
    "export|extends|false|finally|for|from|function|if|implements|import|in|instanceof|interface|is|keyof|let|"
    "namespace|new|null|of|override|private|protected|public|readonly|return|static|super|switch|this|throw|true|"
    "try|type|typeof|undefined|var|void|while|with|yield|get|set");
const QString kPythonKeywords = QStringLiteral(
    "False|None|True|and|as|assert|async|await|break|class|continue|def|del|elif|else|except|finally|for|from|"
    "global|if|import|in|is|lambda|nonlocal|not|or|pass|raise|return|try|while|with|yield");
const QString kPythonBuiltins = QStringLiteral(
    "abs|all|any|bin|bool|bytearray|bytes|callable|chr|compile|complex|delattr|dict|dir|divmod|enumerate|eval|exec|"
    "filter|float|format|frozenset|getattr|globals|hasattr|hash|help|hex|id|input|int|isinstance|issubclass|iter|"
    "len|list|locals|map|max|memoryview|min|next|object|oct|open|ord|pow|print|property|range|repr|reversed|round|"
    "set|setattr|slice|sorted|staticmethod|str|sum|super|tuple|type|vars|zip");
const QString kRubyKeywords = QStringLiteral(
    "BEGIN|END|alias|and|begin|break|case|class|def|do|else|elsif|end|ensure|false|for|if|in|module|next|nil|not|or|"
    "raise|redo|rescue|retry|return|self|super|then|true|undef|unless|until|when|while|yield");
const QString kRubyBuiltins = QStringLiteral(
    "Array|Class|Comparable|Enumerable|Float|Hash|Integer|IO|Kernel|Module|Numeric|Object|Proc|Range|Regexp|String|"
    "Symbol|Thread");

Pattern wordPattern(const QString& alternation, TokenRole role, const QString& extra = {})
{
    const QString source = QStringLiteral("\\b(") + alternation + QStringLiteral(")\\b") + extra;
    Pattern p{QRegularExpression(source, QRegularExpression::UseUnicodePropertiesOption), role,
              Guard::words(extra.isEmpty() ? alternation : alternation + QStringLiteral("|defined?"))};
    p.regex.optimize();
    return p;
}

PatternList jsonPatterns()
{
    PatternList list;
    list.push_back(pattern(uR"("(?:[^"\\]++|\\.)*+"\s*+:)", TokenRole::jsonKey, Guard::key()));
    list.push_back(pattern(uR"("(?:[^"\\]++|\\.)*+")", TokenRole::string, Guard::string(u'"')));
    list.push_back(pattern(uR"(-?\d+(\.\d+)?([eE][+-]?\d+)?)", TokenRole::number, Guard::first("-0123456789", true)));
    list.push_back(wordPattern(QStringLiteral("true|false|null"), TokenRole::literal));
    return list;
}

PatternList xmlPatterns()
{
    PatternList list;
    list.push_back(pattern(uR"(<!--.*?(?:-->|$))", TokenRole::comment, Guard::first("<")));
    list.push_back(pattern(uR"(<\?.*?(?:\?>|$))", TokenRole::comment, Guard::first("<")));
    list.push_back(pattern(uR"(</?[A-Za-z_][\w:.-]*)", TokenRole::xmlTag, Guard::first("<")));
    list.push_back(pattern(uR"([A-Za-z_][\w:.-]*+(?=\s*+=))", TokenRole::xmlAttr, Guard::attribute()));
    list.push_back(pattern(uR"("[^"]*"|'[^']*')", TokenRole::string, Guard::quotes("\"'")));
    list.push_back(pattern(uR"(&[#\w]+;)", TokenRole::literal, Guard::first("&")));
    return list;
}

PatternList pythonPatterns()
{
    PatternList list;
    list.push_back(pattern(uR"(#.*)", TokenRole::comment, Guard::lineComment("#")));
    list.push_back(pattern(uR"([fFbBrRuU]{0,2}""".*?""")", TokenRole::string, Guard::triple(u'"')));
    list.push_back(pattern(uR"([fFbBrRuU]{0,2}'''.*?''')", TokenRole::string, Guard::triple(u'\'')));
    list.push_back(pattern(uR"([fFbBrRuU]{0,2}"(?:[^"\\]++|\\.)*+")", TokenRole::string, Guard::string(u'"', true)));
    list.push_back(pattern(uR"([fFbBrRuU]{0,2}'(?:[^'\\]++|\\.)*+')", TokenRole::string, Guard::string(u'\'', true)));
    list.push_back(pattern(uR"(@[\w.]+)", TokenRole::decorator, Guard::first("@")));
    list.push_back(wordPattern(kPythonKeywords, TokenRole::keyword));
    list.push_back(wordPattern(kPythonBuiltins, TokenRole::builtin));
    list.push_back(pattern(uR"(\b(?:0x[\da-fA-F]++\b|0b[01]++\b|0o[0-7]++\b|\d++(?:\.\d++[eE][+-]?\d++(?!\w)|)"
                           uR"(\.\d++(?!\w)|\.[eE][+-]?\d++(?!\w)|\.(?=\w)|(?=\.)|[eE][+-]?\d++(?!\w)|(?!\w))))",
                           TokenRole::number, Guard::numberRun("xbo")));
    return list;
}

PatternList scriptPatterns(bool tsx)
{
    PatternList list;
    list.push_back(pattern(uR"(//.*)", TokenRole::comment, Guard::lineComment("//")));
    list.push_back(pattern(uR"(/\*.*?\*/)", TokenRole::comment, Guard::comment()));
    list.push_back(pattern(uR"(`(?:[^`\\]++|\\.)*+`)", TokenRole::string, Guard::string(u'`')));
    list.push_back(pattern(uR"("(?:[^"\\]++|\\.)*+")", TokenRole::string, Guard::string(u'"')));
    list.push_back(pattern(uR"('(?:[^'\\]++|\\.)*+')", TokenRole::string, Guard::string(u'\'')));
    if (tsx)
        list.push_back(pattern(uR"(</?\s*[A-Za-z][A-Za-z0-9._-]*)", TokenRole::xmlTag, Guard::first("<")));
    list.push_back(wordPattern(tsx ? kTsxKeywords : kJsKeywords, TokenRole::keyword));
    list.push_back(pattern(kJsNumber, TokenRole::number, Guard::numberRun("x")));
    return list;
}

PatternList rubyPatterns()
{
    PatternList list;
    list.push_back(pattern(uR"(#.*)", TokenRole::comment, Guard::lineComment("#")));
    list.push_back(pattern(uR"("(?:[^"\\]++|\\.)*+")", TokenRole::string, Guard::string(u'"')));
    list.push_back(pattern(uR"('[^']*')", TokenRole::string, Guard::quotes("'")));
    list.push_back(pattern(uR"(:\w+|:"[^"]*"|:'[^']*')", TokenRole::symbol, Guard::first(":")));
    list.push_back(wordPattern(kRubyKeywords, TokenRole::keyword, QStringLiteral("|defined\\?")));
    list.push_back(wordPattern(kRubyBuiltins, TokenRole::builtin));
    list.push_back(pattern(uR"(\b\d++(?:\.\d++(?!\w)|\.(?=\w)|(?=\.)|(?!\w)))", TokenRole::number,
                           Guard::numberRun("")));
    return list;
}

// Built on first use, once, whichever thread gets there first; read-only afterwards.
const PatternList& patternsFor(Language language)
{
    switch (language) {
    case Language::json: {
        static const PatternList list = jsonPatterns();
        return list;
    }
    case Language::xml: {
        static const PatternList list = xmlPatterns();
        return list;
    }
    case Language::python: {
        static const PatternList list = pythonPatterns();
        return list;
    }
    case Language::javascript: {
        static const PatternList list = scriptPatterns(false);
        return list;
    }
    case Language::tsx: {
        static const PatternList list = scriptPatterns(true);
        return list;
    }
    case Language::ruby:
        break;
    }
    static const PatternList list = rubyPatterns();
    return list;
}

} // namespace

QString roleName(TokenRole role)
{
    switch (role) {
    case TokenRole::keyword: return QStringLiteral("keyword");
    case TokenRole::string: return QStringLiteral("string");
    case TokenRole::number: return QStringLiteral("number");
    case TokenRole::comment: return QStringLiteral("comment");
    case TokenRole::literal: return QStringLiteral("literal");
    case TokenRole::builtin: return QStringLiteral("builtin");
    case TokenRole::jsonKey: return QStringLiteral("jsonKey");
    case TokenRole::xmlTag: return QStringLiteral("xmlTag");
    case TokenRole::xmlAttr: return QStringLiteral("xmlAttr");
    case TokenRole::decorator: return QStringLiteral("decorator");
    case TokenRole::symbol: return QStringLiteral("symbol");
    }
    return {};
}

std::optional<SyntaxHighlighter::Language> SyntaxHighlighter::detect(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString extension = dot < 0 ? QString() : name.mid(dot + 1).toLower();
    if (extension == u"json")
        return Language::json;
    if (extension == u"xml" || extension == u"svg" || extension == u"plist")
        return Language::xml;
    if (extension == u"py")
        return Language::python;
    if (extension == u"js" || extension == u"mjs" || extension == u"cjs")
        return Language::javascript;
    if (extension == u"ts" || extension == u"tsx")
        return Language::tsx;
    if (extension == u"rb" || extension == u"rake" || extension == u"gemspec")
        return Language::ruby;
    return std::nullopt;
}

std::optional<SyntaxHighlighter::Language> SyntaxHighlighter::detect(const QUrl& url)
{
    return detect(url.isLocalFile() ? url.toLocalFile() : url.path());
}

std::optional<SyntaxHighlighter::Language> SyntaxHighlighter::languageNamed(QStringView name)
{
    static const std::pair<const char16_t*, Language> kNames[] = {
        {u"json", Language::json},         {u"xml", Language::xml}, {u"python", Language::python},
        {u"javascript", Language::javascript}, {u"tsx", Language::tsx}, {u"ruby", Language::ruby},
    };
    for (const auto& [text, language] : kNames) {
        if (name == QStringView(text))
            return language;
    }
    return std::nullopt;
}

QList<HighlightRun> SyntaxHighlighter::highlight(QStringView line, Language language)
{
    QList<HighlightRun> runs;
    if (line.isEmpty())
        return runs;
    const PatternList& patterns = patternsFor(language);
    const QStringView region = line.first(std::min(line.size(), kColourLimit));
    LineFacts facts(region);
    // The engine validates the subject's UTF-16 on every call unless told not to, which
    // would cost the rest of the line at every position. Check it once here instead.
    // A line with an unpaired surrogate is left to the engine alone, which refuses such
    // subjects; the guards' exact answers are for well-formed text.
    const bool wellFormed = isValidUtf16(region);
    const QRegularExpression::MatchOptions options =
        QRegularExpression::AnchorAtOffsetMatchOption |
        (wellFormed ? QRegularExpression::DontCheckSubjectStringMatchOption : QRegularExpression::NoMatchOption);

    qsizetype plainStart = 0; // where the text not yet in a run begins
    qsizetype p = 0;
    while (p < region.size()) {
        qsizetype length = 0;
        const Pattern* winner = nullptr;
        for (std::uint32_t candidates = patterns.candidatesFor(region[p]); candidates != 0;
             candidates &= candidates - 1) {
            const int index = std::countr_zero(candidates);
            const Pattern& candidate = patterns.patterns[size_t(index)];
            const qsizetype verdict = candidate.guard.decide(facts, p, index);
            if (verdict == Guard::kNoMatch)
                continue;
            if (verdict > 0 && wellFormed) {
                length = verdict;
                winner = &candidate;
                break;
            }
            const QRegularExpressionMatch match =
                candidate.regex.match(region.sliced(p), 0, QRegularExpression::NormalMatch, options);
            // An invalid match means the engine gave up; the position is left uncoloured
            // rather than coloured wrongly.
            if (match.isValid() && match.hasMatch() && match.capturedLength() > 0) {
                length = match.capturedLength();
                winner = &candidate;
                break;
            }
            if (const std::optional<qsizetype> end = candidate.guard.decidingRunEnd(facts, p))
                facts.recordFailure(index, *end);
        }
        if (!winner) {
            ++p;
            continue;
        }
        if (plainStart < p)
            runs.append({plainStart, p - plainStart, std::nullopt});
        runs.append({p, length, winner->role});
        p += length;
        plainStart = p;
    }
    if (plainStart < line.size())
        runs.append({plainStart, line.size() - plainStart, std::nullopt});
    return runs;
}

} // namespace varnel
