// SPDX-License-Identifier: GPL-3.0-or-later

#include "highlight/syntaxhighlighter.h"
#include "readers/filetypedetector.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace varnel;
using Language = SyntaxHighlighter::Language;

namespace {

// The textbook algorithm with the textbook patterns: every pattern tried at every
// position, no guards, no rewritten expressions. The highlighter must agree with it.
struct ReferencePattern {
    QRegularExpression regex;
    TokenRole role;
};

std::vector<ReferencePattern> reference(Language language)
{
    const auto p = [](const char16_t* source, TokenRole role) {
        return ReferencePattern{
            QRegularExpression(QString::fromUtf16(source), QRegularExpression::UseUnicodePropertiesOption), role};
    };
    const char16_t* jsNumber = uR"(\b(0x[\da-fA-F]+|\d+\.?\d*([eE][+-]?\d+)?n?)\b)";
    switch (language) {
    case Language::json:
        return {p(uR"("([^"\\]|\\.)*"\s*:)", TokenRole::jsonKey), p(uR"("([^"\\]|\\.)*")", TokenRole::string),
                p(uR"(-?\d+(\.\d+)?([eE][+-]?\d+)?)", TokenRole::number),
                p(uR"(\b(true|false|null)\b)", TokenRole::literal)};
    case Language::xml:
        return {
            p(uR"(<!--.*?(?:-->|$))", TokenRole::comment),    p(uR"(<\?.*?(?:\?>|$))", TokenRole::comment),
            p(uR"(</?[A-Za-z_][\w:.-]*)", TokenRole::xmlTag), p(uR"([A-Za-z_][\w:.-]*(?=\s*=))", TokenRole::xmlAttr),
            p(uR"("[^"]*"|'[^']*')", TokenRole::string),      p(uR"(&[#\w]+;)", TokenRole::literal)};
    case Language::python:
        return {
            p(uR"(#.*)", TokenRole::comment),
            p(uR"([fFbBrRuU]{0,2}""".*?"""|[fFbBrRuU]{0,2}'''.*?''')", TokenRole::string),
            p(uR"([fFbBrRuU]{0,2}"([^"\\]|\\.)*"|[fFbBrRuU]{0,2}'([^'\\]|\\.)*')", TokenRole::string),
            p(uR"(@[\w.]+)", TokenRole::decorator),
            p(uR"(\b(False|None|True|and|as|assert|async|await|break|class|continue|def|del|elif|else|except|finally|for|from|global|if|import|in|is|lambda|nonlocal|not|or|pass|raise|return|try|while|with|yield)\b)",
              TokenRole::keyword),
            p(uR"(\b(abs|all|any|bin|bool|bytearray|bytes|callable|chr|compile|complex|delattr|dict|dir|divmod|enumerate|eval|exec|filter|float|format|frozenset|getattr|globals|hasattr|hash|help|hex|id|input|int|isinstance|issubclass|iter|len|list|locals|map|max|memoryview|min|next|object|oct|open|ord|pow|print|property|range|repr|reversed|round|set|setattr|slice|sorted|staticmethod|str|sum|super|tuple|type|vars|zip)\b)",
              TokenRole::builtin),
            p(uR"(\b(0x[\da-fA-F]+|0b[01]+|0o[0-7]+|\d+\.?\d*([eE][+-]?\d+)?)\b)", TokenRole::number)};
    case Language::javascript:
        return {
            p(uR"(//.*)", TokenRole::comment),
            p(uR"(/\*.*?\*/)", TokenRole::comment),
            p(uR"(`(?:[^`\\]|\\.)*`)", TokenRole::string),
            p(uR"("([^"\\]|\\.)*")", TokenRole::string),
            p(uR"('([^'\\]|\\.)*')", TokenRole::string),
            p(uR"(\b(async|await|break|case|catch|class|const|continue|debugger|default|delete|do|else|export|extends|false|finally|for|from|function|if|import|in|instanceof|let|new|null|of|return|static|super|switch|this|throw|true|try|typeof|undefined|var|void|while|with|yield|get|set)\b)",
              TokenRole::keyword),
            p(jsNumber, TokenRole::number)};
    case Language::tsx:
        return {
            p(uR"(//.*)", TokenRole::comment),
            p(uR"(/\*.*?\*/)", TokenRole::comment),
            p(uR"(`(?:[^`\\]|\\.)*`)", TokenRole::string),
            p(uR"("([^"\\]|\\.)*")", TokenRole::string),
            p(uR"('([^'\\]|\\.)*')", TokenRole::string),
            p(uR"(</?\s*[A-Za-z][A-Za-z0-9._-]*)", TokenRole::xmlTag),
            p(uR"(\b(abstract|as|async|await|break|case|catch|class|const|continue|debugger|declare|default|delete|do|else|enum|export|extends|false|finally|for|from|function|if|implements|import|in|instanceof|interface|is|keyof|let|namespace|new|null|of|override|private|protected|public|readonly|return|static|super|switch|this|throw|true|try|type|typeof|undefined|var|void|while|with|yield|get|set)\b)",
              TokenRole::keyword),
            p(jsNumber, TokenRole::number)};
    case Language::ruby:
        return {
            p(uR"(#.*)", TokenRole::comment),
            p(uR"("([^"\\]|\\.)*")", TokenRole::string),
            p(uR"('[^']*')", TokenRole::string),
            p(uR"(:\w+|:"[^"]*"|:'[^']*')", TokenRole::symbol),
            p(uR"(\b(BEGIN|END|alias|and|begin|break|case|class|def|do|else|elsif|end|ensure|false|for|if|in|module|next|nil|not|or|raise|redo|rescue|retry|return|self|super|then|true|undef|unless|until|when|while|yield)\b|defined\?)",
              TokenRole::keyword),
            p(uR"(\b(Array|Class|Comparable|Enumerable|Float|Hash|Integer|IO|Kernel|Module|Numeric|Object|Proc|Range|Regexp|String|Symbol|Thread)\b)",
              TokenRole::builtin),
            p(uR"(\b\d+\.?\d*\b)", TokenRole::number)};
    }
    return {};
}

QList<HighlightRun> referenceHighlight(const QString& line, Language language)
{
    static std::map<Language, std::vector<ReferencePattern>> cache;
    auto it = cache.find(language);
    if (it == cache.end())
        it = cache.emplace(language, reference(language)).first;
    QList<HighlightRun> runs;
    qsizetype plain = 0, p = 0;
    while (p < line.size()) {
        bool matched = false;
        for (const ReferencePattern& pattern : it->second) {
            const QRegularExpressionMatch m =
                pattern.regex.match(QStringView(line).sliced(p), 0, QRegularExpression::NormalMatch,
                                    QRegularExpression::AnchorAtOffsetMatchOption);
            if (m.hasMatch() && m.capturedLength() > 0) {
                if (plain < p)
                    runs.append({plain, p - plain, std::nullopt});
                runs.append({p, m.capturedLength(), pattern.role});
                p += m.capturedLength();
                plain = p;
                matched = true;
                break;
            }
        }
        if (!matched)
            ++p;
    }
    if (plain < line.size())
        runs.append({plain, line.size() - plain, std::nullopt});
    return runs;
}

using Token = std::pair<QString, std::optional<TokenRole>>;

std::vector<Token> tokens(const QString& line, Language language)
{
    std::vector<Token> out;
    for (const HighlightRun& run : SyntaxHighlighter::highlight(line, language))
        out.emplace_back(line.mid(run.start, run.length), run.role);
    return out;
}

Token plain(const char* text)
{
    return {QString::fromUtf8(text), std::nullopt};
}
Token tok(const char* text, TokenRole role)
{
    return {QString::fromUtf8(text), role};
}

QString randomLine(std::mt19937& random, const QString& alphabet, int maxLength)
{
    QString line;
    const int length = int(random() % unsigned(maxLength + 1));
    for (int i = 0; i < length; ++i)
        line += alphabet[qsizetype(random() % size_t(alphabet.size()))];
    return line;
}

} // namespace

TEST(SyntaxHighlighterDetect, ExtensionsWithoutCase)
{
    EXPECT_EQ(SyntaxHighlighter::detect(QString("DATA.JSON")), Language::json);
    for (const char* name : {"a.xml", "icon.svg", "Info.plist"})
        EXPECT_EQ(SyntaxHighlighter::detect(QString(name)), Language::xml) << name;
    EXPECT_EQ(SyntaxHighlighter::detect(QString("a.py")), Language::python);
    for (const char* name : {"a.js", "a.mjs", "a.CJS"})
        EXPECT_EQ(SyntaxHighlighter::detect(QString(name)), Language::javascript) << name;
    EXPECT_EQ(SyntaxHighlighter::detect(QString("a.ts")), Language::tsx);
    EXPECT_EQ(SyntaxHighlighter::detect(QUrl::fromLocalFile("/x/App.tsx")), Language::tsx);
    for (const char* name : {"a.rb", "Rakefile.rake", "x.gemspec"})
        EXPECT_EQ(SyntaxHighlighter::detect(QString(name)), Language::ruby) << name;
    for (const char* name : {"a.jsx", "a.yaml", "a.txt", "Makefile", "json"})
        EXPECT_FALSE(SyntaxHighlighter::detect(QString(name))) << name;
    EXPECT_EQ(SyntaxHighlighter::languageNamed(u"javascript"), Language::javascript);
    EXPECT_FALSE(SyntaxHighlighter::languageNamed(u"JSON"));
}

// The highlighter, the classifier and the open dialog read one table: whatever is
// coloured is read as text and offered, and every language has a file and a name.
TEST(SyntaxHighlighterDetect, EveryColouredFileIsReadAsText)
{
    const QString filter = FileTypeDetector::allowedContentTypes().value(1);
    std::set<Language> coloured;
    for (const FileKind& kind : fileKinds()) {
        const QString name = QStringLiteral("a.") + QString::fromUtf16(kind.extension);
        EXPECT_TRUE(filter.contains(QStringLiteral(" *.%1").arg(name.sliced(2))) ||
                    filter.contains(QStringLiteral("(*.%1").arg(name.sliced(2))))
            << name.toStdString();
        EXPECT_EQ(SyntaxHighlighter::detect(name), kind.language) << name.toStdString();
        if (!kind.language)
            continue;
        coloured.insert(*kind.language);
        EXPECT_EQ(FileTypeDetector::detect(name), DiffMode::text()) << name.toStdString();
    }
    for (std::size_t i = 0; i < kLanguages.size(); ++i) {
        EXPECT_EQ(std::size_t(kLanguages[i].language), i);
        EXPECT_TRUE(coloured.count(kLanguages[i].language)) << i;
        EXPECT_EQ(SyntaxHighlighter::languageNamed(languageName(kLanguages[i].language)), kLanguages[i].language);
    }
}

TEST(SyntaxHighlighter, EmptyAndPlainLines)
{
    EXPECT_TRUE(SyntaxHighlighter::highlight(u"", Language::json).isEmpty());
    EXPECT_EQ(tokens("   {", Language::json), std::vector<Token>{plain("   {")});
}

TEST(SyntaxHighlighter, Json)
{
    EXPECT_EQ(tokens("\"name\": 1", Language::json),
              (std::vector<Token>{tok("\"name\":", TokenRole::jsonKey), plain(" "), tok("1", TokenRole::number)}));
    EXPECT_EQ(tokens("[\"value\", true, null]", Language::json),
              (std::vector<Token>{plain("["), tok("\"value\"", TokenRole::string), plain(", "),
                                  tok("true", TokenRole::literal), plain(", "), tok("null", TokenRole::literal),
                                  plain("]")}));
    EXPECT_EQ(tokens("abc123 -4.5e+6", Language::json),
              (std::vector<Token>{plain("abc"), tok("123", TokenRole::number), plain(" "),
                                  tok("-4.5e+6", TokenRole::number)}));
    EXPECT_EQ(tokens("\"a\\\"b\"  :x", Language::json),
              (std::vector<Token>{tok("\"a\\\"b\"  :", TokenRole::jsonKey), plain("x")}));
}

TEST(SyntaxHighlighter, Python)
{
    EXPECT_EQ(tokens("# comment with \"quotes\"", Language::python),
              std::vector<Token>{tok("# comment with \"quotes\"", TokenRole::comment)});
    EXPECT_EQ(tokens("\"a # b\"", Language::python), std::vector<Token>{tok("\"a # b\"", TokenRole::string)});
    EXPECT_EQ(tokens("reprint(x)", Language::python),
              (std::vector<Token>{plain("re"), tok("print", TokenRole::builtin), plain("(x)")}));
    EXPECT_EQ(tokens("@app.route def f(): return 0x1F", Language::python),
              (std::vector<Token>{tok("@app.route", TokenRole::decorator), plain(" "), tok("def", TokenRole::keyword),
                                  plain(" f(): "), tok("return", TokenRole::keyword), plain(" "),
                                  tok("0x1F", TokenRole::number)}));
    EXPECT_EQ(tokens("x = rb'\\x00' + f\"\"\"doc\"\"\"", Language::python),
              (std::vector<Token>{plain("x = "), tok("rb'\\x00'", TokenRole::string), plain(" + "),
                                  tok("f\"\"\"doc\"\"\"", TokenRole::string)}));
}

TEST(SyntaxHighlighter, JavaScriptAndTsx)
{
    EXPECT_EQ(tokens("/* open", Language::javascript), std::vector<Token>{plain("/* open")});
    EXPECT_EQ(tokens("a = 1 // note", Language::javascript),
              (std::vector<Token>{plain("a = "), tok("1", TokenRole::number), plain(" "),
                                  tok("// note", TokenRole::comment)}));
    EXPECT_EQ(tokens("\"return\"", Language::javascript), std::vector<Token>{tok("\"return\"", TokenRole::string)});
    EXPECT_EQ(tokens("let n = 10n + `t${x}`;", Language::javascript),
              (std::vector<Token>{tok("let", TokenRole::keyword), plain(" n = "), tok("10n", TokenRole::number),
                                  plain(" + "), tok("`t${x}`", TokenRole::string), plain(";")}));
    EXPECT_EQ(tokens("<div className=\"x\">", Language::tsx),
              (std::vector<Token>{tok("<div", TokenRole::xmlTag), plain(" className="), tok("\"x\"", TokenRole::string),
                                  plain(">")}));
    EXPECT_EQ(
        tokens("interface A { readonly b: 1.5 }", Language::tsx),
        (std::vector<Token>{tok("interface", TokenRole::keyword), plain(" A { "), tok("readonly", TokenRole::keyword),
                            plain(" b: "), tok("1.5", TokenRole::number), plain(" }")}));
}

TEST(SyntaxHighlighter, XmlAndRuby)
{
    EXPECT_EQ(tokens("<a href=\"x\">&amp; <!-- start", Language::xml),
              (std::vector<Token>{tok("<a", TokenRole::xmlTag), plain(" "), tok("href", TokenRole::xmlAttr), plain("="),
                                  tok("\"x\"", TokenRole::string), plain(">"), tok("&amp;", TokenRole::literal),
                                  plain(" "), tok("<!-- start", TokenRole::comment)}));
    EXPECT_EQ(tokens("end -->", Language::xml), std::vector<Token>{plain("end -->")});
    EXPECT_EQ(tokens("<?xml version='1.0'?>", Language::xml),
              std::vector<Token>{tok("<?xml version='1.0'?>", TokenRole::comment)});

    EXPECT_EQ(
        tokens("defined? :sym 'a' \"a\" nil 42", Language::ruby),
        (std::vector<Token>{tok("defined?", TokenRole::keyword), plain(" "), tok(":sym", TokenRole::symbol), plain(" "),
                            tok("'a'", TokenRole::string), plain(" "), tok("\"a\"", TokenRole::string), plain(" "),
                            tok("nil", TokenRole::keyword), plain(" "), tok("42", TokenRole::number)}));
    EXPECT_EQ(tokens("Hash.new # x", Language::ruby),
              (std::vector<Token>{tok("Hash", TokenRole::builtin), plain(".new "), tok("# x", TokenRole::comment)}));
}

// The guards and the rewritten expressions change how much work is done, never the
// tokens: random lines over each language's tricky characters agree with the textbook
// algorithm exactly.
TEST(SyntaxHighlighterEquivalence, AgreesWithThePlainAlgorithmOnRandomLines)
{
    const std::pair<Language, QString> alphabets[] = {
        {Language::json, QStringLiteral("\"\\:  -+.eE019abtrufnl{}[],\u0663")},
        {Language::xml, QStringLiteral("<>!-?/=\"'&#;: abx_.1\u00E9\u2003\u0301\t")},
        {Language::python, QStringLiteral("\"'\\#@ .fbrRU01x9eE+-_anodefprint()\u0663\u00E9\u0301")},
        {Language::javascript, QStringLiteral("/*`\"'\\ .0x19eEn+-_aiflet\u0663")},
        {Language::tsx, QStringLiteral("/*`\"'\\ <>.0x19eEn+-_aiflet")},
        {Language::ruby, QStringLiteral("#\"'\\: .019e_andefi?HashIO\u0663")},
    };
    std::mt19937 random(4242);
    for (const auto& [language, alphabet] : alphabets) {
        for (int round = 0; round < 4000; ++round) {
            const QString line = randomLine(random, alphabet, 24);
            ASSERT_EQ(SyntaxHighlighter::highlight(line, language), referenceHighlight(line, language))
                << "language " << int(language) << " line [" << line.toStdString() << "]";
        }
    }
}

TEST(SyntaxHighlighterEquivalence, NumbersAgreeOnEveryEnding)
{
    // Every way a digit run can be followed, for the three number patterns rewritten to
    // avoid backtracking.
    const QStringList starts{"1", "12", "0", "0x1F", "0b10", "0o7", "\u0663\u0664"};
    const QStringList middles{"", ".", ".5", ".55", "e5", "e+5", "E-", ".e5", ".5e5", ".5e", "n", ".n", ".5n", "e5n"};
    const QStringList ends{"", " ", "a", "n", "nx", "_", ".", "x", "\u00E9", "1", "-"};
    for (Language language : {Language::python, Language::javascript, Language::tsx, Language::ruby}) {
        for (const QString& s : starts)
            for (const QString& m : middles)
                for (const QString& e : ends) {
                    const QString line = s + m + e;
                    ASSERT_EQ(SyntaxHighlighter::highlight(line, language), referenceHighlight(line, language))
                        << int(language) << " [" << line.toStdString() << "]";
                }
    }
}

// Long lines: the engine's JIT gives up on the textbook string pattern past about
// 16,000 characters; the rewritten one colours the whole string.
TEST(SyntaxHighlighterLongLines, LongStringsKeepTheirColour)
{
    const QString body(40'000, u'x');
    for (Language language : {Language::json, Language::python, Language::javascript, Language::ruby}) {
        const QString line = "\"" + body + "\\\"" + body + "\"";
        const QList<HighlightRun> runs = SyntaxHighlighter::highlight(line, language);
        ASSERT_EQ(runs.size(), 1) << int(language);
        EXPECT_EQ(runs[0].length, line.size());
        EXPECT_EQ(runs[0].role, TokenRole::string);
    }
    // Unterminated, and a backslash at the very end: no string colour anywhere.
    for (const QString& line : {QString("\"" + body), QString("\"" + body + "\\"), QString("\"\\\"" + body + "\\\"")}) {
        const QList<HighlightRun> runs = SyntaxHighlighter::highlight(line, Language::javascript);
        for (const HighlightRun& run : runs)
            EXPECT_NE(run.role, TokenRole::string);
    }
}

TEST(SyntaxHighlighterLongLines, UnpairedSurrogatesAreHandled)
{
    const QString line =
        QStringLiteral("\"a") + QChar(0xD800) + QStringLiteral("b\" 12 ") + QChar(0xDC00) + QStringLiteral(" true");
    EXPECT_EQ(SyntaxHighlighter::highlight(line, Language::json), referenceHighlight(line, Language::json));
}

TEST(SyntaxHighlighterLongLines, TextPastTheLimitIsPlainAndRunsSpellTheLine)
{
    const QString unit = QStringLiteral("{\"k\": [1, true, \"s\"]}, ");
    QString line;
    while (line.size() < SyntaxHighlighter::kColourLimit + 5'000)
        line += unit;
    const QList<HighlightRun> runs = SyntaxHighlighter::highlight(line, Language::json);
    qsizetype cursor = 0;
    for (const HighlightRun& run : runs) {
        ASSERT_EQ(run.start, cursor);
        ASSERT_GT(run.length, 0);
        cursor += run.length;
        if (run.role) {
            EXPECT_LE(run.start + run.length, SyntaxHighlighter::kColourLimit);
        }
    }
    EXPECT_EQ(cursor, line.size());
    EXPECT_FALSE(runs.back().role);
    EXPECT_GT(runs.back().length, 4'000);
}
