// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/diffview/rowpainter.h"

#include "reading/ignorednote.h"
#include "reading/linespans.h"
#include "widgets/style/appearance.h"

#include <QPainter>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace varnel {

namespace {

// Fills: the tint of added and removed rows, and what focus adds to it.
constexpr qreal kChangeTintLight = 0.12;
constexpr qreal kChangeTintDark = 0.22;
constexpr qreal kFocusBoost = 0.18;
constexpr qreal kFillerTint = 0.04;
constexpr qreal kCollapsedTint = 0.06;
constexpr qreal kFocusedUnchangedTint = 0.08;
constexpr qreal kSeparatorOpacity = 0.2;
constexpr qreal kOutlineWidth = 2;
constexpr qreal kOutlineOpacity = 0.7;
constexpr qreal kSelectionOpacity = 0.3;
// The changes within a line: on a row that is not focused, a tint that brings the row's
// fill up to the focused row's strength (the strongest that keeps text readable); on the
// focused row, a frame.
constexpr qreal kSpanBoost = kFocusBoost;
constexpr qreal kSpanFrameWidth = 1;
constexpr qreal kCurrentFindFrameWidth = 1;
// The count of matches beside a collapsed row's label: its gap and padding.
constexpr qreal kFoldedMatchesGap = 10;
constexpr qreal kFoldedMatchesPadding = 6;
constexpr qreal kFoldedMatchesRadius = 4;
// Wide enough for any line that is shaped whole (RowText::kLongLine characters).
constexpr qreal kUnboundedLineWidth = 1e6;

std::optional<QColor> background(const DiffLine& line, const RowPainter::Row& row, const Palette& palette)
{
    if (row.empty)
        return palette.color(ColorRole::secondary, kFillerTint);
    const qreal tint = (palette.isDark() ? kChangeTintDark : kChangeTintLight) + (row.focused ? kFocusBoost : 0);
    if (line.ignored() != IgnoredReason::none)
        return std::nullopt; // set aside or marked: no change, so no change tint
    switch (line.type()) {
    case DiffLineType::contextCollapsed: return palette.color(ColorRole::secondary, kCollapsedTint);
    case DiffLineType::added: return palette.color(ColorRole::green, tint);
    case DiffLineType::removed: return palette.color(ColorRole::red, tint);
    case DiffLineType::unchanged:
        if (row.focused)
            return palette.color(ColorRole::accent, kFocusedUnchangedTint);
        return std::nullopt;
    }
    return std::nullopt;
}

QColor outlineColor(DiffLineType type, const Palette& palette)
{
    switch (type) {
    case DiffLineType::added: return palette.color(ColorRole::green, kOutlineOpacity);
    case DiffLineType::removed: return palette.color(ColorRole::red, kOutlineOpacity);
    default: return palette.color(ColorRole::accent, kOutlineOpacity);
    }
}

// A frame of `width` lying inside `rect`, as four rectangles that do not overlap, so
// the corners are no darker than the sides.
void fillFrame(QPainter& painter, const QRectF& rect, qreal width, const QColor& color)
{
    painter.fillRect(QRectF(rect.left(), rect.top(), rect.width(), width), color);
    painter.fillRect(QRectF(rect.left(), rect.bottom() - width, rect.width(), width), color);
    const qreal sideHeight = rect.height() - 2 * width;
    if (sideHeight <= 0)
        return;
    painter.fillRect(QRectF(rect.left(), rect.top() + width, width, sideHeight), color);
    painter.fillRect(QRectF(rect.right() - width, rect.top() + width, width, sideHeight), color);
}

QList<QTextLayout::FormatRange> formatsFor(const QList<HighlightRun>& runs, qsizetype from, qsizetype to,
                                           const Palette& palette)
{
    QList<QTextLayout::FormatRange> formats;
    // Runs are in order and do not overlap: skip to the first that ends after `from`.
    auto it = std::lower_bound(runs.cbegin(), runs.cend(), from,
                               [](const HighlightRun& run, qsizetype pos) { return run.start + run.length <= pos; });
    for (; it != runs.cend() && it->start < to; ++it) {
        if (!it->role)
            continue;
        const qsizetype start = std::max(it->start, from);
        const qsizetype end = std::min(it->start + it->length, to);
        QTextLayout::FormatRange range;
        range.start = int(start - from);
        range.length = int(end - start);
        range.format.setForeground(palette.tokenColor(*it->role));
        formats.append(range);
    }
    return formats;
}

// Lays `text` out as one line that never wraps, or, given a width, in lines of at most that
// width (broken between words where a word fits, anywhere else), `lineStep` apart.
std::unique_ptr<QTextLayout> layOut(const QString& text, const QList<QTextLayout::FormatRange>& formats,
                                    const RowMetrics& metrics, qreal wrapWidth = 0)
{
    auto layout = std::make_unique<QTextLayout>(text, metrics.textFont);
    QTextOption option;
    option.setWrapMode(wrapWidth > 0 ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setTextDirection(Qt::LeftToRight);
    option.setTabStopDistance(metrics.tabDistance);
    layout->setTextOption(option);
    layout->setFormats(formats);
    layout->setCacheEnabled(true);
    layout->beginLayout();
    for (int index = 0; index < RowHeights::kMaxLines; ++index) {
        QTextLine line = layout->createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(wrapWidth > 0 ? wrapWidth : kUnboundedLineWidth);
        line.setPosition(QPointF(0, qreal(index) * metrics.lineStep));
        if (wrapWidth <= 0)
            break;
    }
    layout->endLayout();
    return layout;
}

} // namespace

QString collapsedLabel(qint64 hiddenCount)
{
    return QString::number(hiddenCount) +
           (hiddenCount == 1 ? QStringLiteral(" unchanged line hidden") : QStringLiteral(" unchanged lines hidden"));
}

RowPainter::RowPainter() : m_metrics(RowMetrics::forFontSize(13)), m_palette(&Appearance::instance().palette()) {}

void RowPainter::setResult(DiffResult result)
{
    m_result = std::move(result);
    m_longest = LongestLines::find(m_result.lines());
    m_runs = ChangeRuns::find(m_result.lines());
    // Numbers grow down the rows: the largest is the last present on either side.
    m_largestNumber = 0;
    const DiffRows& lines = m_result.lines();
    for (PageSide side : {PageSide::left, PageSide::right}) {
        for (qsizetype i = lines.size() - 1; i >= 0; --i) {
            const std::optional<qint64> number =
                side == PageSide::left ? lines[i].leftLineNumber() : lines[i].rightLineNumber();
            if (number) {
                m_largestNumber = std::max(m_largestNumber, *number);
                break;
            }
        }
    }
    updateGutterWidth();
    clearCache();
    estimateOrUnwrap();
}

void RowPainter::setLanguage(std::optional<SyntaxHighlighter::Language> language)
{
    if (language == m_language)
        return;
    m_language = language;
    clearCache();
}

void RowPainter::setFontSize(qreal fontSize)
{
    if (std::round(fontSize) == m_metrics.fontSize)
        return;
    m_metrics = RowMetrics::forFontSize(fontSize);
    updateGutterWidth();
    clearCache();
    estimateOrUnwrap();
}

void RowPainter::updateGutterWidth()
{
    // A result with marked rows keeps room for the marker before the widest number.
    const qreal marker = m_result.ignoredCount() > 0 ? markerWidth() + RowMetrics::kNumberLeading : 0;
    const qreal needed = std::ceil(qreal(QString::number(m_largestNumber).size()) * m_metrics.digitAdvance +
                                   RowMetrics::kNumberLeading + RowMetrics::kNumberTrailing + marker);
    m_gutterWidth = std::max(RowMetrics::kGutterWidth, needed);
}

qreal RowPainter::markerWidth() const
{
    return m_metrics.numberMetrics.horizontalAdvance(QChar(kIgnoredMarker));
}

void RowPainter::setPalette(const Palette& palette)
{
    if (&palette == m_palette)
        return;
    m_palette = &palette;
    clearCache();
}

void RowPainter::clearCache()
{
    m_cache.clear();
    m_widest.fill(std::nullopt);
}

bool RowPainter::showsText(const Row& row) const
{
    return !row.empty && line(row.index).type() != DiffLineType::contextCollapsed;
}

qint64 RowPainter::cacheKey(qint64 index, PageSide side) const
{
    return side == PageSide::right && line(index).sidesDiffer() ? ~index : index;
}

RowText RowPainter::makeRowText(qint64 index, PageSide side) const
{
    RowText row;
    row.text = line(index).contentString(side);
    if (m_language && !row.text.isEmpty())
        row.runs = SyntaxHighlighter::highlight(row.text, *m_language);
    if (row.text.size() > RowText::kLongLine) {
        row.width = qreal(row.text.size()) * m_metrics.advance;
        if (isWrapping()) {
            // On the grid: as many cells a line as the column holds.
            row.cellsPerLine = std::max<qsizetype>(1, qsizetype(m_wrapWidth / m_metrics.advance));
            const qsizetype lines = (row.text.size() + row.cellsPerLine - 1) / row.cellsPerLine;
            row.lines = int(std::min<qsizetype>(lines, RowHeights::kMaxLines));
            row.width = qreal(std::min(row.text.size(), row.cellsPerLine)) * m_metrics.advance;
        }
        return row;
    }
    row.layout = layOut(row.text, formatsFor(row.runs, 0, row.text.size(), *m_palette), m_metrics, m_wrapWidth);
    row.lines = std::max(1, row.layout->lineCount());
    row.width = 0;
    for (int line = 0; line < row.layout->lineCount(); ++line)
        row.width = std::max(row.width, row.layout->lineAt(line).naturalTextWidth());
    return row;
}

RowText& RowPainter::rowText(qint64 index, PageSide side)
{
    const qint64 key = cacheKey(index, side);
    if (RowText* cached = m_cache.find(key))
        return *cached;
    return m_cache.insert(key, makeRowText(index, side));
}

QString RowPainter::text(qint64 index, PageSide side)
{
    if (line(index).type() == DiffLineType::contextCollapsed)
        return {};
    return rowText(index, side).text;
}

qreal RowPainter::textWidth(qint64 index, PageSide side)
{
    if (line(index).type() == DiffLineType::contextCollapsed)
        return labelWidth(index);
    return rowText(index, side).width;
}

qreal RowPainter::labelWidth(qint64 index) const
{
    const qreal label = m_metrics.labelMetrics.horizontalAdvance(collapsedLabel(line(index).hiddenCount().value_or(0)));
    const QString matches = foldedMatchesText(index);
    if (matches.isEmpty())
        return label;
    return label + kFoldedMatchesGap + m_metrics.labelMetrics.horizontalAdvance(matches) + 2 * kFoldedMatchesPadding;
}

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

qreal RowPainter::cursorX(qint64 index, PageSide side, qsizetype position)
{
    return cursorPoint(index, side, position).x;
}

qsizetype RowPainter::cursorAt(qint64 index, PageSide side, qreal x)
{
    return cursorAt(index, side, x, 0);
}

qreal RowPainter::widestText(ShownRows shown)
{
    std::optional<qreal>& widest = m_widest[std::size_t(shown)];
    if (!widest) {
        // The inline view shows every row as the right column would, where it has one.
        const PageSide side = shown == ShownRows::left ? PageSide::left : PageSide::right;
        qreal width = 0;
        for (qint64 index : m_longest.rows(shown))
            width = std::max(width, rowText(index, side).width);
        widest = width;
    }
    return *widest;
}

void RowPainter::paint(QPainter& painter, const QRectF& rect, const Row& row, const QRectF& clip,
                       std::optional<Selection> selection)
{
    const Palette& palette = *m_palette;
    const DiffLine& diffLine = line(row.index);
    const bool collapsed = diffLine.type() == DiffLineType::contextCollapsed;

    if (const std::optional<QColor> fill = background(diffLine, row, palette))
        painter.fillRect(rect, *fill);
    painter.fillRect(QRectF(rect.left() + m_gutterWidth, rect.top(), RowMetrics::kSeparatorWidth, rect.height()),
                     palette.color(ColorRole::secondary, kSeparatorOpacity));

    // The number column.
    const qreal gutterRight = rect.left() + m_gutterWidth;
    if (collapsed) {
        const QString ellipsis(QChar(0x2026));
        const qreal width = m_metrics.numberMetrics.horizontalAdvance(ellipsis);
        painter.setFont(m_metrics.numberFont);
        painter.setPen(palette.color(ColorRole::tertiary));
        painter.drawText(
            QPointF(rect.left() + std::round((m_gutterWidth - width) / 2), rect.top() + m_metrics.numberBaseline),
            ellipsis);
    } else if (!row.empty) {
        const std::optional<qint64> number =
            row.side == PageSide::left ? diffLine.leftLineNumber() : diffLine.rightLineNumber();
        if (diffLine.ignored() != IgnoredReason::none) {
            // Quiet, but as readable as text: the only sign that the lines differ.
            painter.setFont(m_metrics.numberFont);
            painter.setPen(palette.color(ColorRole::secondary));
            painter.drawText(
                QPointF(rect.left() + RowMetrics::kNumberLeading + 1, rect.top() + m_metrics.numberBaseline),
                QString(QChar(kIgnoredMarker)));
        }
        if (number) {
            const QString digits = QString::number(*number);
            const qreal width = m_metrics.numberMetrics.horizontalAdvance(digits);
            painter.setFont(m_metrics.numberFont);
            painter.setPen(palette.color(ColorRole::tertiary));
            painter.drawText(
                QPointF(gutterRight - RowMetrics::kNumberTrailing - width, rect.top() + m_metrics.numberBaseline),
                digits);
        }
    }

    // The text column.
    if (collapsed) {
        painter.setFont(m_metrics.labelFont);
        painter.setPen(palette.color(ColorRole::secondary));
        painter.drawText(QPointF(rect.left() + textStart(), rect.top() + m_metrics.labelBaseline),
                         collapsedLabel(diffLine.hiddenCount().value_or(0)));
        paintFoldedMatches(painter, rect, row.index);
    } else if (!row.empty && !diffLine.content(row.side).isEmpty()) {
        paintText(painter, rect, row, clip, selection);
    }

    if (row.focused)
        fillFrame(painter, rect, kOutlineWidth, outlineColor(diffLine.type(), palette));
}

void RowPainter::paintText(QPainter& painter, const QRectF& rect, const Row& shown, const QRectF& clip,
                           std::optional<Selection> selection)
{
    const Palette& palette = *m_palette;
    const qint64 index = shown.index;
    const RowText& row = rowText(index, shown.side);
    const qreal x = rect.left() + textStart();
    if (x + row.width < clip.left() || x > clip.right())
        return;

    paintMarks(painter, rect, shown, x, clip);
    if (selection && selection->to > selection->from) {
        // A selection covers its lines whole, from the row's top to its bottom.
        const TextSpan span{selection->from, std::min(selection->to, row.text.size()) - selection->from};
        const qreal inset = RowMetrics::kVerticalInsets / 2.0;
        const qreal textBottom = m_metrics.heightOfLines(row.lines);
        for (QRectF box : spanBoxes(index, shown.side, span)) {
            if (box.top() == inset)
                box.setTop(0);
            if (box.bottom() == textBottom - inset)
                box.setBottom(textBottom);
            painter.fillRect(box.translated(x, rect.top()), palette.color(ColorRole::accent, kSelectionOpacity));
        }
    }

    painter.setPen(palette.color(ColorRole::primary));
    const qreal baseline = rect.top() + m_metrics.textBaseline;
    if (row.isLong() && row.cellsPerLine > 0) {
        paintWrappedLongText(painter, x, rect.top(), row, clip);
        return;
    }
    if (row.isLong()) {
        paintLongText(painter, x, baseline, row, clip);
        return;
    }
    if (row.layout->lineCount() == 0)
        return;
    const QTextLine line = row.layout->lineAt(0);
    row.layout->draw(&painter, QPointF(x, baseline - line.ascent()));
}

void RowPainter::paintMarks(QPainter& painter, const QRectF& rect, const Row& row, qreal x, const QRectF& clip)
{
    const Palette& palette = *m_palette;
    const DiffLine shown = line(row.index);
    const DiffLineType type = shown.type();
    if ((type == DiffLineType::added || type == DiffLineType::removed) && shown.ignored() == IgnoredReason::none) {
        const QList<TextSpan>& spans = changedSpans(row.index);
        const ColorRole role = type == DiffLineType::added ? ColorRole::green : ColorRole::red;
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
    const std::optional<qint64> partner = m_runs.partner(index);
    // A UTF-8 line has at least a third as many UTF-16 units as bytes: a partner with more
    // bytes than that is surely too long, and is not converted.
    if (!partner || row.text.size() > LineSpans::kMaxLength ||
        line(*partner).content().size() > 3 * LineSpans::kMaxLength)
        return *row.changes;
    RowText* other = m_cache.find(*partner); // moves it up, never evicts
    const QString otherText = other ? other->text : line(*partner).contentString();
    const bool removed = type == DiffLineType::removed;
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

void RowPainter::paintLongText(QPainter& painter, qreal x, qreal baseline, const RowText& row, const QRectF& clip) const
{
    // Only the characters in view, plus one on each side for glyphs that overhang.
    const qreal advance = m_metrics.advance;
    qsizetype first = std::max<qsizetype>(0, qsizetype(std::floor((clip.left() - x) / advance)) - 1);
    qsizetype last = std::min<qsizetype>(row.text.size(), qsizetype(std::ceil((clip.right() - x) / advance)) + 1);
    if (first >= last)
        return;
    if (first > 0 && row.text.at(first).isLowSurrogate())
        --first;
    if (last < row.text.size() && row.text.at(last - 1).isHighSurrogate())
        ++last;
    // On the grid a tab is one cell wide.
    QString window = row.text.mid(first, last - first);
    window.replace(QLatin1Char('\t'), QLatin1Char(' '));
    const std::unique_ptr<QTextLayout> layout =
        layOut(window, formatsFor(row.runs, first, last, *m_palette), m_metrics);
    if (layout->lineCount() == 0)
        return;
    const QTextLine line = layout->lineAt(0);
    layout->draw(&painter, QPointF(x + qreal(first) * advance, baseline - line.ascent()));
}

void RowPainter::paintWrappedLongText(QPainter& painter, qreal x, qreal top, const RowText& row,
                                      const QRectF& clip) const
{
    // Only the screen lines in view, each a window of the grid.
    const int first = lineAt(clip.top() - top);
    const int last = std::min(lineAt(clip.bottom() - top), row.lines - 1);
    for (int index = first; index <= last; ++index) {
        qsizetype from = qsizetype(index) * row.cellsPerLine;
        qsizetype to = std::min(row.text.size(), from + row.cellsPerLine);
        if (from >= to)
            break;
        QString window = row.text.mid(from, to - from);
        window.replace(QLatin1Char('\t'), QLatin1Char(' '));
        const std::unique_ptr<QTextLayout> layout =
            layOut(window, formatsFor(row.runs, from, to, *m_palette), m_metrics);
        if (layout->lineCount() == 0)
            continue;
        const qreal baseline = top + m_metrics.textBaseline + qreal(index) * m_metrics.lineStep;
        layout->draw(&painter, QPointF(x, baseline - layout->lineAt(0).ascent()));
    }
}

} // namespace varnel
