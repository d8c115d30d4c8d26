// SPDX-License-Identifier: GPL-3.0-or-later

#include "highlight/syntaxhighlighter.h"

#include "core/fileextension.h"
#include "highlight/guards.h"
#include "highlight/patterns.h"

#include <QRegularExpression>

#include <bit>

// The scanner: at each position, the candidate patterns for its character in order, each
// asked of its guard first; the first non-empty match becomes a run.

namespace varnel {

using highlight::Guard;
using highlight::isValidUtf16;
using highlight::LineFacts;
using highlight::Pattern;
using highlight::PatternList;
using highlight::patternsFor;

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
    const FileKind* kind = fileKindOf(path);
    return kind ? kind->language : std::nullopt;
}

std::optional<SyntaxHighlighter::Language> SyntaxHighlighter::detect(const QUrl& url)
{
    return detect(filePath(url));
}

std::optional<SyntaxHighlighter::Language> SyntaxHighlighter::languageNamed(QStringView name)
{
    return varnel::languageNamed(name);
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
