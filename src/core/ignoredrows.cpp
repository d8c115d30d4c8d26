// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/ignoredrows.h"

#include "core/lineform.h"

#include <QRegularExpression>
#include <QString>

#include <algorithm>
#include <limits>

namespace varnel {

namespace {

using Run = DiffRows::Run;

// Asks the cancel check every kLinesPerPoll lines looked at.
class LinePoll {
public:
    explicit LinePoll(const CancelCheck& cancel) : m_cancel(cancel) {}
    bool stop()
    {
        if (++m_lines % kLinesPerPoll == 0 && m_cancel)
            m_stopped = m_stopped || m_cancel();
        return m_stopped;
    }

private:
    static constexpr qint64 kLinesPerPoll = 1 << 13;
    const CancelCheck& m_cancel;
    qint64 m_lines = 0;
    bool m_stopped = false;
};

QByteArrayView bytes(QUtf8StringView line)
{
    return QByteArrayView(line.data(), line.size());
}

// Whether a line of a change block may be set aside: blank under -B (empty, or only white
// space when white space is ignored too, as GNU diff has it), or matching a pattern of -I.
class BlockFilter {
public:
    explicit BlockFilter(const CompareOptions& options)
        : m_blankLines(options.ignoreBlankLines)
        , m_spaceBlank(options.ignoreAllSpace || options.ignoreSpaceChange || options.ignoreTrailingSpace)
    {
        for (const QString& pattern : options.ignoreMatching) {
            // PCRE2's own limit (ten million steps) lets a pattern that backtracks without
            // end take a tenth of a second a line; this one, a millisecond. Ordinary
            // patterns on ordinary lines take a few hundred steps.
            QRegularExpression expression(QStringLiteral("(*LIMIT_MATCH=100000)") + pattern);
            if (expression.isValid()) // callers refuse invalid ones; one that slips through matches nothing
                m_patterns.push_back(std::move(expression));
        }
    }

    bool active() const { return m_blankLines || !m_patterns.empty(); }

    // Why the line is no change, or none when it is one.
    IgnoredReason reason(QByteArrayView line) const
    {
        if (m_blankLines && (line.isEmpty() || (m_spaceBlank && LineForm::isAllSpace(line))))
            return IgnoredReason::whitespace;
        if (m_patterns.empty())
            return IgnoredReason::none;
        const QString text = QString::fromUtf8(line);
        for (const QRegularExpression& expression : m_patterns) {
            // A match PCRE2 gives up on (the match limit, its JIT stack on a very long line)
            // is not valid: the line counts as not matching, so nothing is hidden by it.
            const QRegularExpressionMatch match = expression.match(text);
            if (match.isValid() && match.hasMatch())
                return IgnoredReason::pattern;
        }
        return IgnoredReason::none;
    }

private:
    bool m_blankLines;
    bool m_spaceBlank;
    std::vector<QRegularExpression> m_patterns;
};

// The reason for the whole block: a pattern when any line needed one, else blank lines;
// none when any line is a change.
std::optional<IgnoredReason> blockReason(const Run& run, const TextLines& left, const TextLines& right,
                                         const BlockFilter& filter, LinePoll& poll)
{
    IgnoredReason reason = IgnoredReason::whitespace;
    const auto check = [&](const TextLines& lines, qint64 first, qint64 count) {
        for (qint64 k = 0; k < count; ++k) {
            if (poll.stop())
                return false;
            const IgnoredReason line = filter.reason(bytes(lines.utf8(first + k)));
            if (line == IgnoredReason::none) {
                reason = IgnoredReason::none;
                return true;
            }
            if (line == IgnoredReason::pattern)
                reason = line;
        }
        return true;
    };
    if (!check(left, run.left, run.removed))
        return std::nullopt;
    if (reason != IgnoredReason::none && !check(right, run.right, run.inserted))
        return std::nullopt;
    return reason;
}

// Adds one marked row to the stretches, continuing the last one where it can.
void addMark(std::vector<DiffRows::IgnoredStretch>& stretches, qint64 left, IgnoredReason reason)
{
    if (!stretches.empty()) {
        DiffRows::IgnoredStretch& last = stretches.back();
        if (last.reason == reason && last.left + last.length == left &&
            last.length < std::numeric_limits<std::int32_t>::max()) {
            ++last.length;
            return;
        }
    }
    stretches.push_back({left, 1, reason});
}

bool isAscii(QByteArrayView line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return (c & 0x80) == 0; });
}

// Why two lines the options call equal differ; holds its buffers from line to line.
class ReasonFinder {
public:
    explicit ReasonFinder(const CompareOptions& options)
        : m_canonical(options.canonicalEquivalence)
        , m_spaceOnly([&] {
            CompareOptions spaceOnly = options;
            spaceOnly.ignoreCase = false;
            return LineForm(spaceOnly);
        }())
    {
    }

    IgnoredReason reason(QByteArrayView left, QByteArrayView right)
    {
        if (left == right)
            return IgnoredReason::none;
        QByteArray leftNfc;
        QByteArray rightNfc;
        if (m_canonical && !(isAscii(left) && isAscii(right))) {
            leftNfc = QString::fromUtf8(left).normalized(QString::NormalizationForm_C).toUtf8();
            rightNfc = QString::fromUtf8(right).normalized(QString::NormalizationForm_C).toUtf8();
            if (leftNfc == rightNfc)
                return IgnoredReason::none; // canonically equivalent: nothing ignored
            left = leftNfc;
            right = rightNfc;
        }
        return m_spaceOnly.apply(left, m_one) == m_spaceOnly.apply(right, m_two) ? IgnoredReason::whitespace
                                                                                 : IgnoredReason::letterCase;
    }

private:
    bool m_canonical;
    LineForm m_spaceOnly; // the options without -i: what white space alone makes equal
    LineForm::Scratch m_one;
    LineForm::Scratch m_two;
};

} // namespace

IgnoredReason ignoredReason(QByteArrayView left, QByteArrayView right, const CompareOptions& options)
{
    return ReasonFinder(options).reason(left, right);
}

std::optional<IgnoredRows> markIgnoredRows(std::vector<Run>& runs, const TextLines& left, const TextLines& right,
                                           const CompareOptions& options, const CancelCheck& cancel)
{
    IgnoredRows found;
    const BlockFilter filter(options);
    const bool linesMayDiffer = !LineForm(options).isIdentity();
    ReasonFinder finder(options);
    LinePoll poll(cancel);
    for (Run& run : runs) {
        if (run.kind == Run::Kind::change && filter.active()) {
            const std::optional<IgnoredReason> reason = blockReason(run, left, right, filter, poll);
            if (!reason)
                return std::nullopt;
            run.ignored = *reason;
            if (*reason != IgnoredReason::none)
                found.count += run.rows();
        } else if (run.kind == Run::Kind::unchanged && linesMayDiffer) {
            for (qint64 k = 0; k < run.removed; ++k) {
                if (poll.stop())
                    return std::nullopt;
                const IgnoredReason reason =
                    finder.reason(bytes(left.utf8(run.left + k)), bytes(right.utf8(run.right + k)));
                if (reason != IgnoredReason::none) {
                    addMark(found.stretches, run.left + k, reason);
                    ++found.count;
                }
            }
        }
    }
    return found;
}

} // namespace varnel
