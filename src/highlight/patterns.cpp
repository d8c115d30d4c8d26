// SPDX-License-Identifier: GPL-3.0-or-later

#include "highlight/patterns.h"

namespace varnel::highlight {

namespace {

using Language = SyntaxHighlighter::Language;

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
    case Guard::Kind::blockComment: add("/"); return;
    case Guard::Kind::number:
        add("0123456789");
        nonAscii = true; // digits of other scripts
        return;
    case Guard::Kind::attributeName: add("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_"); return;
    }
}

// A language's patterns, with a table of which of them can start at each character so

} // namespace

void PatternList::push_back(Pattern pattern)
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

namespace {

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
    list.push_back(
        pattern(uR"(\b\d++(?:\.\d++(?!\w)|\.(?=\w)|(?=\.)|(?!\w)))", TokenRole::number, Guard::numberRun("")));
    return list;
}

} // namespace

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
    case Language::ruby: break;
    }
    static const PatternList list = rubyPatterns();
    return list;
}

} // namespace varnel::highlight
