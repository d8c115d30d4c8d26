// SPDX-License-Identifier: GPL-3.0-or-later

#include "reading/spokentext.h"

#include <QCoreApplication>

#include <algorithm>

namespace varnel {

namespace {

QString tr(const char* text, qint64 n = -1)
{
    return QCoreApplication::translate("SpokenText", text, nullptr, int(std::clamp<qint64>(n, -1, INT_MAX)));
}

// English keeps its singular here; a translation gives every plural form of `many`.
QString plural(const char* one, const char* many, qint64 n)
{
    QString text = tr(n == 1 ? one : many, n);
    // %n takes an int: a count past it is written whole.
    if (n > INT_MAX)
        text.replace(QString::number(INT_MAX), QString::number(n));
    return text;
}

QString why(const DiffLine& line)
{
    const bool setAside = line.type() == DiffLineType::added || line.type() == DiffLineType::removed;
    switch (line.ignored()) {
    case IgnoredReason::none: return {};
    case IgnoredReason::whitespace: return setAside ? tr("blank line, ignored") : tr("differs only in white space");
    case IgnoredReason::letterCase: return tr("differs only in letter case");
    case IgnoredReason::pattern: return tr("matches an ignored pattern");
    }
    return {};
}

// A line is read out to this many bytes at most: a line of megabytes is not spoken whole.
constexpr qsizetype kSpokenBytes = 8192;

QString quoted(QUtf8StringView text)
{
    if (text.isEmpty())
        return tr("blank");
    if (text.size() <= kSpokenBytes)
        return text.toString();
    qsizetype cut = kSpokenBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut; // not inside a character
    return text.first(cut).toString() + QChar(0x2026);
}

std::optional<qint64> numberOf(const DiffLine& line, PageSide side)
{
    switch (line.type()) {
    case DiffLineType::removed: return line.leftLineNumber();
    case DiffLineType::added: return line.rightLineNumber();
    default: return side == PageSide::left ? line.leftLineNumber() : line.rightLineNumber();
    }
}

} // namespace

QString hiddenLinesText(qint64 count)
{
    return plural("%n unchanged line hidden", "%n unchanged lines hidden", count);
}

QString spokenRow(const DiffLine& line, SpokenPlace place)
{
    const DiffLineType type = line.type();
    if (type == DiffLineType::contextCollapsed)
        return hiddenLinesText(line.hiddenCount().value_or(0));
    const QString number = QString::number(numberOf(line, place.side).value_or(0));
    if (place.filler) {
        return type == DiffLineType::added ? tr("No line here: line %1 added on the right").arg(number)
                                           : tr("No line here: line %1 removed on the left").arg(number);
    }
    QString kind;
    if (const QString reason = why(line); !reason.isEmpty())
        kind = reason;
    else if (type == DiffLineType::removed && place.partnerNumber)
        kind = tr("changed to line %1, old text").arg(*place.partnerNumber);
    else if (type == DiffLineType::added && place.partnerNumber)
        kind = tr("changed from line %1, new text").arg(*place.partnerNumber);
    else if (type == DiffLineType::removed)
        kind = tr("removed");
    else if (type == DiffLineType::added)
        kind = tr("added");
    const QString text = quoted(line.content(place.side));
    if (kind.isEmpty())
        return tr("Line %1: %2").arg(number, text);
    return tr("Line %1, %2: %3").arg(number, kind, text);
}

namespace {

// The block of runs [first, end): runs that follow each other with no row between them.
std::size_t blockEnd(const std::vector<ChangeRun>& all, std::size_t first)
{
    std::size_t end = first + 1;
    while (end < all.size() && all[end].start == all[end - 1].end())
        ++end;
    return end;
}

ChangeBlock blockOf(const std::vector<ChangeRun>& all, std::size_t first, std::size_t end, qint64 before)
{
    ChangeBlock block{before + 1, all[first].start, 0, 0};
    for (std::size_t k = first; k < end; ++k)
        (all[k].type == DiffLineType::removed ? block.removed : block.added) += all[k].length;
    return block;
}

} // namespace

std::vector<ChangeBlock> changeBlocks(const ChangeRuns& runs)
{
    std::vector<ChangeBlock> blocks;
    const std::vector<ChangeRun>& all = runs.runs();
    qint64 before = 0; // changed rows before the block
    for (std::size_t first = 0; first < all.size();) {
        const std::size_t end = blockEnd(all, first);
        blocks.push_back(blockOf(all, first, end, before));
        before += blocks.back().removed + blocks.back().added;
        first = end;
    }
    return blocks;
}

std::optional<ChangeBlock> changeBlockAt(const ChangeRuns& runs, qint64 row)
{
    const std::optional<std::size_t> at = runs.runAt(row);
    if (!at)
        return std::nullopt;
    const std::vector<ChangeRun>& all = runs.runs();
    std::size_t first = *at;
    while (first > 0 && all[first - 1].end() == all[first].start)
        --first;
    qint64 before = 0;
    for (std::size_t k = 0; k < first; ++k)
        before += all[k].length;
    return blockOf(all, first, blockEnd(all, first), before);
}

qint64 changeCount(const ChangeRuns& runs)
{
    qint64 count = 0;
    for (const ChangeRun& run : runs.runs())
        count += run.length;
    return count;
}

QString changeAnnouncement(qint64 number, qint64 total, const ChangeBlock& block)
{
    QString counts;
    if (block.removed > 0 && block.added > 0)
        counts = plural("%n line removed", "%n lines removed", block.removed) + tr(", ") +
                 plural("%n added", "%n added", block.added);
    else if (block.removed > 0)
        counts = plural("%n line removed", "%n lines removed", block.removed);
    else
        counts = plural("%n line added", "%n lines added", block.added);
    return tr("Change %1 of %2: %3").arg(QString::number(number), QString::number(total), counts);
}

namespace {

QString span(qint64 from, qint64 count)
{
    return count == 1 ? QString::number(from)
                      : tr("%1 to %2").arg(QString::number(from), QString::number(from + count - 1));
}

} // namespace

QString changeEntryText(const DiffRows& rows, const ChangeBlock& block)
{
    // The block's rows hold its removed and added lines, paired or one side after the
    // other: each side's are picked out in order, until its quote is full.
    QString quotes[2];
    qint64 from[2] = {0, 0};
    qint64 left[2] = {block.removed, block.added};
    const qint64 end = block.firstRow + block.removed + block.added;
    for (qint64 row = block.firstRow; row < end && (left[0] > 0 || left[1] > 0); ++row) {
        const DiffLine line = rows[row];
        const int k = line.type() == DiffLineType::added ? 1 : 0;
        if (left[k] == 0)
            continue;
        if (from[k] == 0)
            from[k] = (k == 0 ? line.leftLineNumber() : line.rightLineNumber()).value_or(0);
        QString& quote = quotes[k];
        if (quote.size() > kQuotedTextLength) {
            left[k] = 0;
            continue;
        }
        if (left[k] != (k == 0 ? block.removed : block.added))
            quote += QStringLiteral(" / ");
        quote += line.content().toString();
        if (quote.size() > kQuotedTextLength) {
            quote.truncate(kQuotedTextLength);
            quote += QChar(0x2026);
        } else if (quote.isEmpty() && left[k] == 1) {
            quote = tr("blank");
        }
        --left[k];
    }
    const QString removedLines = span(from[0], block.removed);
    const QString addedLines = span(from[1], block.added);
    if (block.added == 0)
        return plural("Line %1 removed: %2", "Lines %1 removed: %2", block.removed).arg(removedLines, quotes[0]);
    if (block.removed == 0)
        return plural("Line %1 added: %2", "Lines %1 added: %2", block.added).arg(addedLines, quotes[1]);
    return (plural("Line %1 removed: %2", "Lines %1 removed: %2", block.removed) + tr("; ") +
            plural("added at line %3: %4", "added at lines %3: %4", block.added))
        .arg(removedLines, quotes[0], addedLines, quotes[1]);
}

} // namespace varnel
