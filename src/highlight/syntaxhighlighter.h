// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "readers/filekinds.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <QUrl>

#include <cstdint>
#include <optional>

namespace varnel {

// What a coloured piece of a line is; the window maps each role to a colour.
enum class TokenRole : std::uint8_t {
    keyword,
    string,
    number,
    comment,
    literal,
    builtin,
    jsonKey,
    xmlTag,
    xmlAttr,
    decorator,
    symbol,
};

QString roleName(TokenRole role);

// A piece of a line: [start, start + length) in UTF-16 code units, coloured by `role`,
// or plain without one.
struct HighlightRun {
    qsizetype start = 0;
    qsizetype length = 0;
    std::optional<TokenRole> role;

    friend bool operator==(const HighlightRun&, const HighlightRun&) = default;
};

// Colours one line of source at a time with ordered lists of regular expressions, one list
// per language. A pure function of the line and the language: nothing carries over from
// one line to the next, so a block comment is coloured only where it opens and closes on
// the same line.
//
// At each position the patterns are tried in order, anchored there and on a view of the
// line that starts there (so look-behind, "^" and "\b" see nothing before it); the first
// non-empty match becomes a token and the scan moves past it, otherwise the scan moves on
// one code unit.
class SyntaxHighlighter {
public:
    using Language = varnel::Language;

    // The language a file's extension names in the readers' table (readers/filekinds.h),
    // compared without case; none for others.
    static std::optional<Language> detect(const QString& path);
    static std::optional<Language> detect(const QUrl& url);
    // "json", "xml", "python", "javascript", "tsx", "ruby".
    static std::optional<Language> languageNamed(QStringView name);

    // Lines longer than this are coloured up to here and shown plain beyond it, so a
    // single minified line of megabytes costs a bounded amount of work.
    static constexpr qsizetype kColourLimit = 100'000;

    // The runs of `line`, in order; together they spell the whole line. Empty for an
    // empty line. Any thread may call this.
    static QList<HighlightRun> highlight(QStringView line, Language language);
};

} // namespace varnel
