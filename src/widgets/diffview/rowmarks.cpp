// SPDX-License-Identifier: GPL-3.0-or-later

// Marks over a row's text: what changed within a modified line against its partner, the
// find query's occurrences (the current one framed), and the matches a collapsed row hides.
#include "reading/linespans.h"
#include "widgets/diffview/rowpainter.h"
#include "widgets/diffview/rowpaintparts.h"
#include "widgets/style/appearance.h"

#include <QPainter>

#include <algorithm>

namespace varnel {

using namespace rowpaint;

QString RowPainter::foldedMatchesText(qint64 index) const
{
    if (m_matcher.isEmpty() || !m_foldedMatches || line(index).type() != DiffLineType::contextCollapsed)
        return {};
    return m_foldedMatches(index);
}

void RowPainter::paintFoldedMatches(QPainter& painter, const QRectF& rect, qint64 index)
{
    const QString matches = foldedMatchesText(index);
    if (matches.isEmpty())
        return;
    const qreal label = m_metrics.labelMetrics.horizontalAdvance(collapsedLabel(line(index).hiddenCount().value_or(0)));
    const qreal inset = RowMetrics::kVerticalInsets / 2.0;
    const QRectF box(rect.left() + textStart() + label + kFoldedMatchesGap, rect.top() + inset,
                     m_metrics.labelMetrics.horizontalAdvance(matches) + 2 * kFoldedMatchesPadding,
                     rect.height() - 2 * inset);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_palette->color(ColorRole::findMatch));
    painter.drawRoundedRect(box, kFoldedMatchesRadius, kFoldedMatchesRadius);
    painter.restore();
    painter.setPen(m_palette->color(ColorRole::primary));
    painter.drawText(QPointF(box.left() + kFoldedMatchesPadding, rect.top() + m_metrics.labelBaseline), matches);
}

void RowPainter::paintMarks(QPainter& painter, const QRectF& rect, const Row& row, qreal x, const QRectF& clip)
{
    const Palette& palette = *m_palette;
    const DiffLine shown = line(row.index);
    const DiffLineType type = shown.type();
    if ((type == DiffLineType::added || type == DiffLineType::removed) && shown.ignored() == IgnoredReason::none) {
        const QList<TextSpan>& spans = changedSpans(row.index);
        const ColorRole role = moveOf(row.index)             ? ColorRole::moved
                               : type == DiffLineType::added ? ColorRole::green
                                                             : ColorRole::red;
        const qreal base = palette.isDark() ? kChangeTintDark : kChangeTintLight;
        for (const TextSpan& span : spans) {
            for (const QRectF& each : spanBoxes(row.index, row.side, span)) {
                const QRectF box = each.translated(x, rect.top());
                if (row.focused)
                    fillFrame(painter, box.adjusted(0, 1, 0, -1), kSpanFrameWidth,
                              palette.color(role, kOutlineOpacity));
                else
                    painter.fillRect(box, palette.color(role, kSpanBoost / (1 - base)));
            }
        }
    }
    paintFindMarks(painter, rect, row, x, clip);
}

void RowPainter::paintFindMarks(QPainter& painter, const QRectF& rect, const Row& row, qreal x, const QRectF& clip)
{
    const Palette& palette = *m_palette;
    if (m_matcher.isEmpty() || m_marksDropped)
        return;
    const bool currentRow =
        m_currentFind && m_currentFind->row == row.index && (!m_currentFind->side || *m_currentFind->side == row.side);
    // The characters in view, and one on each side.
    const int firstLine = lineAt(clip.top() - rect.top());
    const int lastLine = lineAt(clip.bottom() - rect.top());
    const qsizetype from = std::max<qsizetype>(0, cursorAt(row.index, row.side, clip.left() - x, firstLine) - 1);
    const qsizetype to = cursorAt(row.index, row.side, clip.right() - x, lastLine) + 1;
    for (const TextSpan& match : findMatches(row.index, row.side, from, to)) {
        const bool current = currentRow && m_currentFind->span == match;
        for (const QRectF& each : spanBoxes(row.index, row.side, match)) {
            const QRectF box = each.translated(x, rect.top());
            if (current) {
                painter.fillRect(box, palette.color(ColorRole::findCurrent));
                fillFrame(painter, box, kCurrentFindFrameWidth, palette.color(ColorRole::orange));
            } else {
                painter.fillRect(box, palette.color(ColorRole::findMatch));
            }
        }
    }
}

const QList<TextSpan>& RowPainter::changedSpans(qint64 index)
{
    static const QList<TextSpan> kNone;
    const DiffLineType type = line(index).type();
    if (type != DiffLineType::added && type != DiffLineType::removed)
        return kNone;
    // A changed row has one text, whichever side asks.
    RowText& row = rowText(index, PageSide::left);
    if (row.changes)
        return *row.changes;
    row.changes.emplace();
    const bool removed = type == DiffLineType::removed;
    if (const std::optional<MoveEnd> moved = moveOf(index)) {
        // An edited line of a moved block against its other end, which may be far away.
        const SharedLines& lines = removed ? m_result.revised() : m_result.original();
        if (!lines || moved->otherLine > lines->size() || row.text.size() > LineSpans::kMaxLength ||
            lines->utf8(moved->otherLine - 1).size() > 3 * LineSpans::kMaxLength)
            return *row.changes;
        const QString otherText = lines->at(moved->otherLine - 1);
        const LineSpans spans =
            removed ? LineSpans::compute(row.text, otherText) : LineSpans::compute(otherText, row.text);
        row.changes = removed ? spans.removed : spans.added;
        return *row.changes;
    }
    const std::optional<qint64> partner = m_runs.partner(index);
    // A UTF-8 line has at least a third as many UTF-16 units as bytes: a partner with more
    // bytes than that is surely too long, and is not converted.
    // A partner that was moved pairs with its other end instead.
    if (!partner || moveOf(*partner) || row.text.size() > LineSpans::kMaxLength ||
        line(*partner).content().size() > 3 * LineSpans::kMaxLength)
        return *row.changes;
    RowText* other = m_cache.find(*partner); // moves it up, never evicts
    const QString otherText = other ? other->text : line(*partner).contentString();
    const LineSpans spans = removed ? LineSpans::compute(row.text, otherText) : LineSpans::compute(otherText, row.text);
    row.changes = removed ? spans.removed : spans.added;
    if (other && !other->changes)
        other->changes = removed ? spans.added : spans.removed;
    return *row.changes;
}

void RowPainter::setFind(const TextMatcher& matcher, std::optional<FindMark> current, FoldedMatches folded)
{
    m_foldedMatches = std::move(folded);
    if (!(matcher == m_matcher)) {
        m_matcher = matcher;
        ++m_matcherNumber;
        m_marksDropped = false;
    }
    m_currentFind = current;
}

void RowPainter::dropFindMarks()
{
    m_marksDropped = true;
    clearCache();
}

const QList<TextSpan>& RowPainter::findMatches(qint64 index, PageSide side, qsizetype from, qsizetype to)
{
    static const QList<TextSpan> kNone;
    if (line(index).type() == DiffLineType::contextCollapsed || m_matcher.isEmpty())
        return kNone;
    RowText& row = rowText(index, side);
    to = std::min(to, row.text.size());
    if (row.matchesOf != m_matcherNumber || row.matchesFrom != from || row.matchesTo != to) {
        row.matches = m_matcher.findIn(row.text, from, to, kMaxMarksPerRow);
        row.matchesOf = m_matcherNumber;
        row.matchesFrom = from;
        row.matchesTo = to;
    }
    return row.matches;
}

} // namespace varnel
