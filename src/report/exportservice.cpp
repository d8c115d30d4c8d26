// SPDX-License-Identifier: GPL-3.0-or-later

#include "report/exportservice.h"

#include "report/pdfconcat.h"
#include "report/reportstyle.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>
#include <new>
#include <thread>
#include <vector>

namespace varnel {

using namespace report;

namespace {

constexpr char16_t kEllipsis = u'\u2026';

QFont makeFont(const char* family, qreal points, QFont::Weight weight)
{
    QFont font(QString::fromLatin1(family));
    font.setPointSizeF(points);
    font.setWeight(weight);
    return font;
}

// One of the report's four fonts and its metrics on a device, with widths in points.
class Typeface {
public:
    Typeface(const char* family, qreal points, QFont::Weight weight, const QPaintDevice& device)
        : m_font(makeFont(family, points, weight))
        , m_metrics(m_font, &device)
        , m_scale(device.logicalDpiX() / 72.0)
    {
        // Monospaced ASCII text is as wide as its length in advances; check that once,
        // so that measuring the common case costs no text shaping.
        const QString probe = QStringLiteral("The quick brown fox {x} = 42; // ~!@#$%^&*()_+|<>?");
        m_asciiAdvance = m_metrics.horizontalAdvance(u'M');
        m_asciiFixed = qFuzzyCompare(m_metrics.horizontalAdvance(probe), m_asciiAdvance * probe.size());
        m_ellipsisFixed = m_asciiFixed && qFuzzyCompare(m_metrics.horizontalAdvance(probe + kEllipsis),
                                                        m_asciiAdvance * (probe.size() + 1));

        // Drawing that same text glyph by glyph skips shaping, which is most of the cost
        // of a report. It needs the font at a whole pixel size on the device.
        const qreal pixels = points * m_scale;
        if (m_asciiFixed && qFuzzyCompare(pixels, qreal(qRound(pixels)))) {
            QFont sized = m_font;
            sized.setPixelSize(qRound(pixels));
            m_raw = QRawFont::fromFont(sized);
            if (!m_raw.isValid() || !qFuzzyCompare(rawAdvance(), m_asciiAdvance))
                m_raw = QRawFont();
        }
    }

    // Appends the glyphs of printable ASCII text set at `baseline` (device units) to a run;
    // false, with nothing appended, when the text must go through the full text layout.
    bool appendRun(const QString& text, QPointF baseline, QList<quint32>& glyphs, QList<QPointF>& positions) const
    {
        if (!m_raw.isValid() || !isSimpleText(text))
            return false;
        const QList<quint32> indexes = m_raw.glyphIndexesForString(text);
        // Whole device units: the writer spells each glyph's offset as a number, and short
        // numbers make a smaller, faster document. At the report's resolution a device
        // unit is 1/20 point, far below what print or screen can show. Spaces draw
        // nothing, and the writer spends a line on every glyph, so they are left out; the
        // glyphs around them keep their places.
        const QPointF origin(std::round(baseline.x()), std::round(baseline.y()));
        for (qsizetype i = 0; i < indexes.size(); ++i) {
            if (text[i] == u' ')
                continue;
            glyphs.append(indexes[i]);
            positions.append(origin + QPointF(std::round(m_asciiAdvance * qreal(i)), 0));
        }
        return true;
    }

    const QRawFont& rawFont() const { return m_raw; }

    const QFont& font() const { return m_font; }
    const QFontMetricsF& metrics() const { return m_metrics; }
    qreal scale() const { return m_scale; }

    // truncated() for printable ASCII in a fixed-pitch font, where every character is
    // one cluster of the same width: the cut is a division, not a search.
    std::optional<QString> truncatedSimply(const QString& text, qreal maxPoints) const
    {
        if (!m_ellipsisFixed || !isPrintableAscii(text))
            return std::nullopt;
        const qreal max = maxPoints * m_scale; // compare in device units, as truncated() does
        const auto fits = [&](qsizetype characters) { return m_asciiAdvance * qreal(characters) <= max; };
        if (fits(text.size()))
            return text;
        // The longest prefix that fits with the ellipsis after it.
        qsizetype keep = std::clamp<qsizetype>(qsizetype(std::floor(max / m_asciiAdvance)) - 1, 0, text.size() - 1);
        while (keep > 0 && !fits(keep + 1))
            --keep;
        while (keep + 1 < text.size() && fits(keep + 2))
            ++keep;
        return text.left(keep) + kEllipsis;
    }

    // In points.
    qreal width(const QString& text) const
    {
        if (m_asciiFixed && isPrintableAscii(text))
            return m_asciiAdvance * text.size() / m_scale;
        return m_metrics.horizontalAdvance(text) / m_scale;
    }
    qreal capHeight() const { return m_metrics.capHeight() / m_scale; }
    qreal ascent() const { return m_metrics.ascent() / m_scale; }

private:
    qreal rawAdvance() const
    {
        const QList<quint32> glyph = m_raw.glyphIndexesForString(QStringLiteral("M"));
        const QList<QPointF> advances = m_raw.advancesForGlyphIndexes(glyph);
        return advances.isEmpty() ? -1 : advances.front().x();
    }

    static bool isPrintableAscii(const QString& text)
    {
        return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; });
    }

    // Printable ASCII, optionally ending in the ellipsis that truncation adds.
    bool isSimpleText(const QString& text) const
    {
        const bool ellipsis = text.endsWith(kEllipsis);
        if (ellipsis && !m_ellipsisFixed)
            return false;
        const QStringView body = QStringView(text).first(text.size() - (ellipsis ? 1 : 0));
        return std::all_of(body.begin(), body.end(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; });
    }

    QFont m_font;
    QFontMetricsF m_metrics;
    qreal m_scale;
    qreal m_asciiAdvance = 0;
    bool m_asciiFixed = false;
    bool m_ellipsisFixed = false; // "…" is as wide as the ASCII letters
    QRawFont m_raw;
};

// Draws pages in points on a device of any resolution.
class PageDrawer {
public:
    struct TextOp {
        const Typeface* face;
        QRgb colour;
        QString text;
        QPointF topLeft;
    };

    PageDrawer(QPainter& painter, const QPaintDevice& device)
        : m_painter(painter)
        , m_scale(device.logicalDpiX() / 72.0)
        , m_mono(kMonospaceFamily, layout::contentPointSize, QFont::Normal, device)
        , m_gutter(kMonospaceFamily, layout::gutterPointSize, QFont::Normal, device)
        , m_header(kSansFamily, layout::headerPointSize, QFont::DemiBold, device)
        , m_footer(kSansFamily, layout::footerPointSize, QFont::Normal, device)
    {
    }

    // Nothing one row draws overlaps another row, and within a row the bands lie under the
    // text. So the page is drawn layer by layer (bands, rules, then text grouped by font
    // and colour), which gives the same picture as drawing row after row with a fraction
    // of the pen and font changes, each of which the PDF spells out.
    void drawPage(const QList<ExportService::SideBySideRow>& rows, qsizetype first, qsizetype end, int page, int total,
                  const QString& leftName, const QString& rightName, const QString& note)
    {
        m_texts.clear();
        for (qsizetype i = first; i < end; ++i) {
            const qreal y = layout::firstRowTop + layout::rowHeight * qreal(i - first);
            addCell(rows[i].left, y, layout::leftBandX, layout::leftBandWidth, layout::leftGutterX,
                    layout::leftContentX, layout::leftContentWidth);
            addCell(rows[i].right, y, layout::rightBandX, layout::rightBandWidth, layout::rightGutterX,
                    layout::rightContentX, layout::rightContentWidth);
        }

        // Rules: header, footer, and the column divider down the rows of the page.
        strokeLine(QPointF(layout::marginLeft, layout::headerRuleY), QPointF(layout::marginRight, layout::headerRuleY));
        if (end > first) {
            strokeLine(QPointF(layout::dividerX, layout::firstRowTop),
                       QPointF(layout::dividerX, layout::firstRowTop + layout::rowHeight * qreal(end - first)));
        }
        strokeLine(QPointF(layout::marginLeft, layout::footerRuleY), QPointF(layout::marginRight, layout::footerRuleY));

        // The names, each shortened in the middle to its column so that a long one never
        // runs into the other, and "Page p of M" ending at the right margin.
        drawText(elided(leftName, layout::leftNameWidth), m_header, palette::secondaryLabel,
                 QPointF(layout::marginLeft, layout::headerTextTop));
        drawText(elided(rightName, layout::rightNameWidth), m_header, palette::secondaryLabel,
                 QPointF(layout::rightGutterX, layout::headerTextTop));
        // What the comparison ignored, under the names, on every page.
        if (!note.isEmpty()) {
            drawText(truncatedToWidth(note, m_footer, layout::marginRight - layout::marginLeft), m_footer,
                     palette::secondaryLabel, QPointF(layout::marginLeft, layout::headerNoteTop));
        }
        // A page that shows moved rows says what their colour means.
        const bool moved = std::any_of(rows.begin() + first, rows.begin() + end,
                                       [](const auto& row) { return row.left.moved || row.right.moved; });
        if (moved) {
            const qreal swatch = m_footer.capHeight();
            m_painter.fillRect(QRectF(layout::marginLeft * m_scale,
                                      (layout::footerTextTop + m_footer.ascent() - swatch) * m_scale, swatch * m_scale,
                                      swatch * m_scale),
                               palette::band(palette::violet));
            drawText(ExportService::movedLegend(), m_footer, palette::violet,
                     QPointF(layout::marginLeft + swatch + 4, layout::footerTextTop));
        }
        const QString number = QStringLiteral("Page %1 of %2").arg(page).arg(total);
        drawText(number, m_footer, palette::tertiaryLabel,
                 QPointF(layout::marginRight - m_footer.width(number), layout::footerTextTop));

        std::stable_sort(m_texts.begin(), m_texts.end(), [](const TextOp& a, const TextOp& b) {
            return std::pair(a.face, a.colour) < std::pair(b.face, b.colour);
        });
        // Simple text of one font and colour goes out as a single run of glyphs placed
        // across the page; the rest through the full text layout.
        for (size_t i = 0; i < m_texts.size();) {
            size_t j = i;
            QList<quint32> glyphs;
            QList<QPointF> positions;
            for (; j < m_texts.size() && m_texts[j].face == m_texts[i].face && m_texts[j].colour == m_texts[i].colour;
                 ++j) {
                const TextOp& op = m_texts[j];
                if (!op.face->appendRun(op.text, baselineOf(op), glyphs, positions))
                    drawText(op.text, *op.face, QColor::fromRgba(op.colour), op.topLeft);
            }
            if (!glyphs.isEmpty()) {
                QGlyphRun run;
                run.setRawFont(m_texts[i].face->rawFont());
                run.setGlyphIndexes(glyphs);
                run.setPositions(positions);
                usePen(QColor::fromRgba(m_texts[i].colour));
                m_painter.drawGlyphRun(QPointF(0, 0), run);
            }
            i = j;
        }
    }

    QPointF baselineOf(const TextOp& op) const
    {
        return QPointF(op.topLeft.x() * m_scale, (op.topLeft.y() + op.face->ascent()) * m_scale);
    }

    void usePen(const QColor& colour)
    {
        if (!m_penIsText || m_penColour != colour) {
            m_painter.setPen(colour);
            m_penColour = colour;
            m_penIsText = true;
        }
    }

private:
    // Fills the cell's band now and queues its gutter label and content.
    void addCell(const ExportService::Cell& cell, qreal y, qreal bandX, qreal bandWidth, qreal gutterX, qreal contentX,
                 qreal contentWidth)
    {
        if (const std::optional<QColor> band = cell.backgroundColor())
            m_painter.fillRect(QRectF(bandX * m_scale, y * m_scale, bandWidth * m_scale, layout::rowHeight * m_scale),
                               *band);
        if (cell.kind != ExportService::RowKind::empty) {
            m_texts.push_back({&m_gutter, cell.gutterColor().rgba(), cell.gutterLabel(),
                               QPointF(gutterX, y + (layout::rowHeight - m_gutter.capHeight()) / 2)});
        }
        if (cell.content) {
            const QColor colour =
                cell.kind == ExportService::RowKind::placeholder ? palette::secondaryLabel : palette::label;
            m_texts.push_back({&m_mono, colour.rgba(), truncatedToWidth(*cell.content, m_mono, contentWidth),
                               QPointF(contentX, y + (layout::rowHeight - m_mono.capHeight()) / 2)});
        }
    }

    QString elided(const QString& name, qreal maxWidth) const
    {
        return ExportService::elidedName(name, m_header.metrics(), maxWidth * m_header.scale());
    }

    QString truncatedToWidth(const QString& text, const Typeface& face, qreal maxWidth) const
    {
        if (std::optional<QString> simple = face.truncatedSimply(text, maxWidth))
            return *simple;
        return ExportService::truncated(text, face.metrics(), maxWidth * face.scale());
    }

    // `topLeft` is the top of the text's line box; QPainter wants the baseline.
    void drawText(const QString& text, const Typeface& face, const QColor& colour, QPointF topLeft)
    {
        if (text.isEmpty())
            return;
        usePen(colour);
        const QPointF baseline(topLeft.x() * m_scale, (topLeft.y() + face.ascent()) * m_scale);
        QList<quint32> glyphs;
        QList<QPointF> positions;
        if (face.appendRun(text, baseline, glyphs, positions)) {
            QGlyphRun run;
            run.setRawFont(face.rawFont());
            run.setGlyphIndexes(glyphs);
            run.setPositions(positions);
            m_painter.drawGlyphRun(QPointF(0, 0), run);
            return;
        }
        if (m_font != &face) {
            m_painter.setFont(face.font());
            m_font = &face;
        }
        m_painter.drawText(baseline, text);
    }

    void strokeLine(QPointF from, QPointF to)
    {
        m_painter.setPen(QPen(palette::separator, layout::ruleWidth * m_scale));
        m_penIsText = false;
        m_painter.drawLine(from * m_scale, to * m_scale);
    }

    QPainter& m_painter;
    qreal m_scale;
    Typeface m_mono;
    Typeface m_gutter;
    Typeface m_header;
    Typeface m_footer;
    std::vector<TextOp> m_texts; // the page's queued text, reused from page to page
    QColor m_penColour;
    bool m_penIsText = false;
    const Typeface* m_font = nullptr;
};

} // namespace

// The longest prefix, cut at a grapheme-cluster boundary, whose width with "…" fits.
// Widths grow with the prefix, so a binary search finds the prefix the one-cluster-at-a-
// time shortening would stop at.
//
// Only the first kMeasuredCharacters are ever looked at: a cell shows a few dozen
// characters, and measuring a line of megabytes (or one letter under two million
// combining marks, a single cluster) would cost seconds. Past that many characters a line
// is cut there and ends in "…" whatever the width of what is left.
QString ExportService::truncated(const QString& text, const QFontMetricsF& metrics, qreal maxWidth)
{
    QStringView view(text);
    const bool cut = view.size() > kMeasuredCharacters;
    if (cut) {
        qsizetype length = kMeasuredCharacters;
        if (view[length - 1].isHighSurrogate())
            --length;
        view = view.first(length);
    } else if (metrics.horizontalAdvance(text) <= maxWidth) {
        return text;
    }
    const auto fits = [&](qsizetype length) {
        return metrics.horizontalAdvance(view.first(length).toString() + kEllipsis) <= maxWidth;
    };
    // Cluster boundaries before the end: the candidate prefix lengths, shortest first. A
    // prefix cut short may end inside a cluster; its end is a candidate all the same.
    std::vector<qsizetype> cuts{0};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, view.data(), view.size());
    for (qsizetype at = finder.toNextBoundary(); at > 0 && at < view.size(); at = finder.toNextBoundary())
        cuts.push_back(at);
    if (cut)
        cuts.push_back(view.size());
    if (!fits(0))
        return QString(kEllipsis);
    size_t low = 0, high = cuts.size() - 1; // fits(cuts[low]); find the last that fits
    while (low < high) {
        const size_t middle = (low + high + 1) / 2;
        if (fits(cuts[middle]))
            low = middle;
        else
            high = middle - 1;
    }
    return view.first(cuts[low]).toString() + kEllipsis;
}

QString ExportService::elidedName(const QString& name, const QFontMetricsF& metrics, qreal maxWidth)
{
    // Long names keep their start and their end (where the extension is); the middle goes.
    QString text = name;
    if (text.size() > 2 * kMeasuredCharacters)
        text = name.first(kMeasuredCharacters) + kEllipsis + name.last(kMeasuredCharacters);
    if (metrics.horizontalAdvance(text) <= maxWidth)
        return text;
    return metrics.elidedText(text, Qt::ElideMiddle, maxWidth);
}

namespace {

// The listed pages (from 1, ascending) of a report of `total` pages, each on a sheet of
// its own; false when `progress` was cancelled first.
bool drawPages(QPainter& painter, QPagedPaintDevice& device, const QList<ExportService::SideBySideRow>& rows,
               const QString& leftName, const QString& rightName, const QString& note, const QList<int>& pages,
               int total, ExportService::Progress* progress)
{
    PageDrawer drawer(painter, device);
    bool firstSheet = true;
    for (const int page : pages) {
        if (page < 1 || page > total)
            continue;
        if (progress && progress->cancelled.load(std::memory_order_relaxed))
            return false;
        if (!firstSheet)
            device.newPage();
        firstSheet = false;
        const qsizetype first = qsizetype(page - 1) * layout::rowsPerPage;
        const qsizetype end = std::min(rows.size(), first + layout::rowsPerPage);
        painter.save();
        drawer.drawPage(rows, first, end, page, total, leftName, rightName, note);
        painter.restore();
        if (progress)
            progress->pagesDrawn.fetch_add(1, std::memory_order_relaxed);
    }
    return true;
}

QList<int> pageRange(int firstPage, int lastPage)
{
    QList<int> pages;
    pages.reserve(std::max(0, lastPage - firstPage + 1));
    for (int page = firstPage; page <= lastPage; ++page)
        pages.append(page);
    return pages;
}

std::optional<QByteArray> renderPages(const QList<ExportService::SideBySideRow>& rows, const QString& leftName,
                                      const QString& rightName, const QString& note, int firstPage, int lastPage,
                                      int total, ExportService::Progress* progress)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        return std::nullopt;
    {
        QPdfWriter writer(&buffer);
        // At 1440 dpi, 8.5 and 7.5 point text are whole device pixels (170 and 150), so
        // the PDF keeps the sizes exactly; at 72 dpi they would round to 9 and 8.
        writer.setResolution(1440);
        writer.setPageLayout(QPageLayout(QPageSize(QSizeF(layout::pageWidth, layout::pageHeight), QPageSize::Point),
                                         QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Point));
        QPainter painter;
        if (!painter.begin(&writer))
            return std::nullopt;
        const bool complete = drawPages(painter, writer, rows, leftName, rightName, note,
                                        pageRange(firstPage, lastPage), total, progress);
        if (!painter.end() || !complete)
            return std::nullopt;
    }
    buffer.close();
    return bytes;
}

// Long reports are drawn as two halves on two threads, joined afterwards: most of the
// time goes into the PDF writer, which works on one document at a time.
constexpr int kPagesWorthTwoThreads = 40;

bool isCancelled(const ExportService::Progress* progress)
{
    return progress && progress->cancelled.load(std::memory_order_relaxed);
}

} // namespace

int ExportService::pageCount(qsizetype rowCount)
{
    return int(std::max<qsizetype>(1, (rowCount + layout::rowsPerPage - 1) / layout::rowsPerPage));
}

void ExportService::drawReport(QPainter& painter, QPagedPaintDevice& device, const QList<SideBySideRow>& rows,
                               const QString& leftName, const QString& rightName, const QString& note)
{
    const int total = pageCount(rows.size());
    drawPages(painter, device, rows, leftName, rightName, note, pageRange(1, total), total, nullptr);
}

bool ExportService::drawReport(QPainter& painter, QPagedPaintDevice& device, const QList<SideBySideRow>& rows,
                               const QString& leftName, const QString& rightName, const QList<int>& pages,
                               Progress* progress, const QString& note)
{
    return drawPages(painter, device, rows, leftName, rightName, note, pages, pageCount(rows.size()), progress);
}

std::optional<QByteArray> ExportService::render(const DiffResult& diffResult, const QString& leftName,
                                                const QString& rightName, bool showUnchanged,
                                                const CompareOptions& options, const MovedBlocks& moves)
{
    return render(makeSideBySideRows(diffResult.lines(), showUnchanged, moves), leftName, rightName, nullptr,
                  ignoredNote(options, diffResult.ignoredCount()));
}

std::optional<QByteArray> ExportService::render(const QList<SideBySideRow>& rows, const QString& leftName,
                                                const QString& rightName, Progress* progress, const QString& note)
{
    const int total = pageCount(rows.size());
    if (total >= kPagesWorthTwoThreads && std::thread::hardware_concurrency() > 1) {
        const int split = total / 2;
        std::optional<QByteArray> secondHalf;
        // An allocation failure on either thread falls back to one writer below (which
        // reports it to the caller); it must never escape a thread, or leave one unjoined.
        std::thread worker([&] {
            try {
                secondHalf = renderPages(rows, leftName, rightName, note, split + 1, total, total, progress);
            } catch (const std::bad_alloc&) {
                secondHalf.reset();
            }
        });
        std::optional<QByteArray> firstHalf;
        try {
            firstHalf = renderPages(rows, leftName, rightName, note, 1, split, total, progress);
        } catch (const std::bad_alloc&) {
            firstHalf.reset();
        }
        worker.join();
        if (isCancelled(progress))
            return std::nullopt;
        if (firstHalf && secondHalf) {
            if (std::optional<QByteArray> joined = report::concatenatePdf(*firstHalf, *secondHalf))
                return joined;
        }
        if (progress) // the pages are drawn again
            progress->pagesDrawn.store(0, std::memory_order_relaxed);
    }
    std::optional<QByteArray> bytes = renderPages(rows, leftName, rightName, note, 1, total, total, progress);
    if (isCancelled(progress))
        return std::nullopt;
    return bytes;
}

} // namespace varnel
