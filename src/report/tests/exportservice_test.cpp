// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/diffengine.h"
#include "report/exportservice.h"
#include "report/pdfconcat.h"
#include "report/reportstyle.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPdfWriter>

#include <gtest/gtest.h>
#include <poppler-qt6.h>

#include <algorithm>

using namespace varnel;
using Kind = ExportService::RowKind;

namespace {

QStringList numbered(int from, int to, const QString& prefix = "line ")
{
    QStringList lines;
    for (int i = from; i <= to; ++i)
        lines << prefix + QString::number(i);
    return lines;
}

// A result whose rows are exactly `count` unchanged lines.
DiffResult unchangedRows(int count)
{
    const QStringList lines = numbered(1, count);
    return DiffEngine::compute(lines, lines, false);
}

std::unique_ptr<Poppler::Document> parse(const QByteArray& pdf)
{
    std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(pdf);
    EXPECT_TRUE(document);
    return document;
}

std::unique_ptr<Poppler::Document> renderAndParse(const DiffResult& result, bool showUnchanged = true,
                                                  const QString& left = "left.txt", const QString& right = "right.txt")
{
    const std::optional<QByteArray> pdf = ExportService::render(result, left, right, showUnchanged);
    EXPECT_TRUE(pdf);
    return parse(pdf.value_or(QByteArray()));
}

QString pageText(Poppler::Document& document, int page)
{
    return document.page(page)->text(QRectF());
}

// The text box holding `text` on a page, in points from the top-left corner.
std::optional<QRectF> boxOf(Poppler::Document& document, int page, const QString& text)
{
    for (const std::unique_ptr<Poppler::TextBox>& box : document.page(page)->textList()) {
        if (box->text() == text)
            return box->boundingBox();
    }
    return std::nullopt;
}

} // namespace

TEST(ExportRows, EachLineOnItsOwnRow)
{
    const DiffResult result = DiffEngine::compute(QStringList{"a", "b", "c"}, QStringList{"a", "x", "c", "d"}, false);
    const QList<ExportService::SideBySideRow> rows = ExportService::makeSideBySideRows(result.lines(), true);
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows[0].left.gutterLabel(), " 1");
    EXPECT_EQ(rows[0].right.kind, Kind::unchanged);
    EXPECT_FALSE(rows[0].left.backgroundColor());
    EXPECT_EQ(rows[1].left.kind, Kind::removed); // removed, then added on a row of its own
    EXPECT_EQ(rows[1].left.gutterLabel(), "-2");
    EXPECT_EQ(rows[1].right.kind, Kind::empty);
    EXPECT_EQ(rows[1].right.gutterLabel(), "");
    EXPECT_FALSE(rows[1].right.content);
    EXPECT_FALSE(rows[1].right.lineNumber);
    EXPECT_FALSE(rows[1].right.backgroundColor());
    EXPECT_EQ(rows[2].right.gutterLabel(), "+2");
    EXPECT_EQ(rows[2].right.content, "x");
    EXPECT_NEAR(rows[2].right.backgroundColor()->alphaF(), report::palette::bandOpacity, 1e-3);
    EXPECT_EQ(rows[2].right.gutterColor(), report::palette::green);

    EXPECT_EQ(ExportService::makeSideBySideRows(result.lines(), false).size(), 3);
    EXPECT_TRUE(ExportService::makeSideBySideRows(unchangedRows(5).lines(), false).isEmpty());

    // Lines equal under canonical equivalence: each cell holds its own file's bytes.
    const QString composed = QStringLiteral("caf\u00E9");
    const QString decomposed = QStringLiteral("cafe\u0301");
    const DiffResult equal = DiffEngine::compute(QStringList{composed}, QStringList{decomposed}, false);
    const QList<ExportService::SideBySideRow> cells = ExportService::makeSideBySideRows(equal.lines(), true);
    ASSERT_EQ(cells.size(), 1);
    EXPECT_EQ(cells[0].left.content, composed);
    EXPECT_EQ(cells[0].right.content, decomposed);
    EXPECT_TRUE(ExportService::makeSideBySideRows({}, true).isEmpty());
}

TEST(ExportRows, PlaceholdersReadTheSameOnBothSides)
{
    EXPECT_EQ(ExportService::placeholderText(1),
              QStringLiteral("  \u00B7\u00B7\u00B7 1 unchanged line hidden \u00B7\u00B7\u00B7"));
    EXPECT_EQ(ExportService::placeholderText(5),
              QStringLiteral("  \u00B7\u00B7\u00B7 5 unchanged lines hidden \u00B7\u00B7\u00B7"));
    QStringList right = numbered(1, 20);
    right[9] = "changed";
    const DiffResult collapsed = DiffEngine::compute(numbered(1, 20), right, true);
    const QList<ExportService::SideBySideRow> rows = ExportService::makeSideBySideRows(collapsed.lines(), true);
    EXPECT_EQ(rows[0].left.kind, Kind::placeholder);
    EXPECT_EQ(rows[0].left.gutterLabel(), QStringLiteral("\u00B7\u00B7\u00B7"));
    EXPECT_EQ(rows[0].right.content, ExportService::placeholderText(6));
    EXPECT_FALSE(rows[0].left.lineNumber);
    EXPECT_EQ(rows[0].left.gutterColor(), report::palette::quaternaryLabel);
    EXPECT_EQ(ExportService::makeSideBySideRows(collapsed.lines(), false).size(), 2);
}

TEST(ExportRender, PagesOfFortyNineRows)
{
    for (const auto& [rows, pages] : {std::pair{0, 1}, {49, 1}, {50, 2}, {98, 2}, {99, 3}}) {
        const std::unique_ptr<Poppler::Document> document = renderAndParse(unchangedRows(rows));
        ASSERT_EQ(document->numPages(), pages) << rows << " rows";
        EXPECT_TRUE(pageText(*document, 0).contains(QStringLiteral("Page 1 of %1").arg(pages)));
        EXPECT_TRUE(pageText(*document, pages - 1).contains(QStringLiteral("Page %1 of %1").arg(pages)));
        const QSizeF size = document->page(0)->pageSizeF();
        EXPECT_EQ(size, QSizeF(612, 792));
    }
    // Only unchanged lines, exported without them: one page all the same.
    const std::unique_ptr<Poppler::Document> empty = renderAndParse(unchangedRows(10), false);
    EXPECT_EQ(empty->numPages(), 1);
    EXPECT_TRUE(pageText(*empty, 0).contains("Page 1 of 1"));
}

TEST(ExportRender, TextStandsWhereTheLayoutSaysIt)
{
    const std::unique_ptr<Poppler::Document> document =
        renderAndParse(unchangedRows(50), true, "alpha.txt", "beta.txt");
    const auto near = [](qreal actual, qreal expected, qreal tolerance) {
        return std::abs(actual - expected) <= tolerance;
    };

    const std::optional<QRectF> left = boxOf(*document, 0, "alpha.txt");
    const std::optional<QRectF> right = boxOf(*document, 0, "beta.txt");
    ASSERT_TRUE(left && right);
    EXPECT_TRUE(near(left->left(), 36, 0.6)) << left->left();
    EXPECT_TRUE(near(right->left(), 311, 0.6)) << right->left();
    EXPECT_TRUE(near(left->top(), 14, 3)) << left->top();

    // Row 1 and row 49 of the first page: content at x 68 and 343, tops 14 apart.
    std::vector<QRectF> contents, footer;
    for (const std::unique_ptr<Poppler::TextBox>& box : document->page(0)->textList()) {
        if (box->text() == "line")
            contents.push_back(box->boundingBox());
        if (box->boundingBox().top() > 740)
            footer.push_back(box->boundingBox());
    }
    ASSERT_EQ(contents.size(), 98u);
    std::sort(contents.begin(), contents.end(), [](const QRectF& a, const QRectF& b) {
        return std::pair(a.top(), a.left()) < std::pair(b.top(), b.left());
    });
    EXPECT_TRUE(near(contents[0].left(), 68, 0.6)) << contents[0].left();
    EXPECT_TRUE(near(contents[1].left(), 343, 0.6)) << contents[1].left();
    const qreal rowTop = 52, rowHeight = 14;
    EXPECT_TRUE(near(contents[0].center().y(), rowTop + rowHeight / 2, 2)) << contents[0].center().y();
    EXPECT_TRUE(near(contents[97].center().y(), rowTop + 48 * rowHeight + rowHeight / 2, 2))
        << contents[97].center().y();

    // "Page 1 of 2" ends at the right margin.
    ASSERT_EQ(footer.size(), 4u);
    qreal footerRight = 0;
    for (const QRectF& box : footer)
        footerRight = std::max(footerRight, box.right());
    EXPECT_TRUE(near(footerRight, 576, 0.6)) << footerRight;
    EXPECT_TRUE(near(footer[0].top(), 756, 3)) << footer[0].top();
}

TEST(ExportRender, LongContentIsCutByClustersWithAnEllipsis)
{
    const QString longLine = QString(200, u'x');
    const QString accented = QString(60, u'e') + QStringLiteral("e\u0301\u0301") + QString(60, u'e');
    const DiffResult result =
        DiffEngine::compute(QStringList{longLine, "short"}, QStringList{longLine, "short"}, false);
    const QString text = pageText(*renderAndParse(result), 0);
    EXPECT_TRUE(text.contains(u'\u2026'));
    EXPECT_FALSE(text.contains(longLine));
    EXPECT_TRUE(text.contains("short"));
    EXPECT_FALSE(text.contains(QStringLiteral("short\u2026")));

    QPdfWriter writer(QStringLiteral("/dev/null"));
    writer.setResolution(1440);
    const QFontMetricsF metrics(
        [] {
            QFont f("DejaVu Sans Mono");
            f.setPointSizeF(8.5);
            return f;
        }(),
        &writer);
    const qreal max = 234 * 20;
    const QString cut = ExportService::truncated(longLine, metrics, max);
    ASSERT_TRUE(cut.endsWith(u'\u2026'));
    EXPECT_LE(metrics.horizontalAdvance(cut), max);
    EXPECT_GT(metrics.horizontalAdvance(longLine.left(cut.size()) + u'\u2026'), max); // one more would not fit
    EXPECT_EQ(ExportService::truncated("fits", metrics, max), "fits");

    // The page shows exactly that cut.
    const qsizetype shownCut = text.indexOf(cut);
    EXPECT_GE(shownCut, 0) << text.toStdString();
    EXPECT_EQ(ExportService::truncated(longLine, metrics, 1), QStringLiteral("\u2026"));
    // A cluster of a letter and two combining accents is kept or dropped whole.
    for (qreal width = 300 * 20; width < 400 * 20; width += 5) {
        const qsizetype kept = ExportService::truncated(accented, metrics, width).size() - 1;
        EXPECT_TRUE(kept != 61 && kept != 62) << kept; // the cluster spans 60..62
    }
}

// The work per cell is bounded: a line is cut by characters before anything is measured,
// whatever its width (combining marks and zero-width spaces take none).
TEST(ExportRender, TruncationLooksAtABoundedPrefix)
{
    QPdfWriter writer(QStringLiteral("/dev/null"));
    writer.setResolution(1440);
    QFont font("DejaVu Sans Mono");
    font.setPointSizeF(8.5);
    const QFontMetricsF metrics(font, &writer);
    const QString marks = u'a' + QString(100'000, QChar(0x0301));
    const QString spaces = QString(1000, QChar(0x200B)) + u'z';
    for (const QString& text : {marks, spaces}) {
        const QString cut = ExportService::truncated(text, metrics, 234 * 20);
        EXPECT_LE(cut.size(), ExportService::kMeasuredCharacters + 1);
        EXPECT_TRUE(cut.endsWith(u'\u2026'));
        EXPECT_TRUE(text.startsWith(cut.chopped(1)));
    }
    // Many such lines still make a report.
    const QStringList lines(200, spaces);
    EXPECT_EQ(renderAndParse(DiffEngine::compute(lines, lines, false))->numPages(), 5);
}

// Long names are shortened in the middle, each within its own column.
TEST(ExportRender, LongFileNamesDoNotOverlap)
{
    const QString left = "left-" + QString(120, u'a') + "-end.txt";
    const QString right = "right-" + QString(120, u'b') + "-end.txt";
    const std::unique_ptr<Poppler::Document> document =
        renderAndParse(DiffEngine::compute(QStringList{"x"}, QStringList{"y"}, false), true, left, right);
    qreal leftEnd = 0, rightEnd = 0;
    QString header;
    for (const std::unique_ptr<Poppler::TextBox>& box : document->page(0)->textList()) {
        if (box->boundingBox().top() > 40)
            continue;
        header += box->text() + u' ';
        (box->boundingBox().left() < 306 ? leftEnd : rightEnd) =
            std::max(box->boundingBox().left() < 306 ? leftEnd : rightEnd, box->boundingBox().right());
    }
    EXPECT_LE(leftEnd, 306) << header.toStdString();
    EXPECT_LE(rightEnd, 576.5) << header.toStdString();
    EXPECT_TRUE(header.contains("left-aaa")) << header.toStdString();
    EXPECT_TRUE(header.contains("a-end.txt")) << header.toStdString();
    EXPECT_TRUE(header.contains(u'\u2026')) << header.toStdString();
    // Short names are drawn in full.
    const QString shortHeader =
        pageText(*renderAndParse(DiffEngine::compute(QStringList{"x"}, QStringList{"y"}, false)), 0);
    EXPECT_TRUE(shortHeader.contains("left.txt"));
    EXPECT_FALSE(shortHeader.contains(u'\u2026'));
}

TEST(ExportRender, PlaceholdersAndBandsOnThePage)
{
    QStringList right = numbered(1, 30);
    right[14] = "inserted";
    right.insert(20, "added only");
    const DiffResult collapsed = DiffEngine::compute(numbered(1, 30), right, true);
    const std::unique_ptr<Poppler::Document> document = renderAndParse(collapsed);
    const QString text = pageText(*document, 0);
    EXPECT_TRUE(text.contains(QStringLiteral("\u00B7\u00B7\u00B7 11 unchanged lines hidden \u00B7\u00B7\u00B7")))
        << text.toStdString();

    // Rows: placeholder(1-11), 12, 13, 14, -15, +15, 16, 17, 18, 19, 20, +21 added only, ...
    const QImage page = document->page(0)->renderToImage(144, 144); // 2 pixels a point
    const auto pixel = [&page](qreal x, qreal row) {
        return page.pixelColor(int(x * 2), int((52 + 14 * row + 7) * 2));
    };
    const int addedRow = 11;
    const QColor rightBand = pixel(450, addedRow);
    const QColor leftSide = pixel(150, addedRow);
    EXPECT_GT(rightBand.green(), rightBand.red() + 20) << rightBand.name().toStdString(); // green, only on the right
    EXPECT_EQ(leftSide, QColor(Qt::white)) << leftSide.name().toStdString();
    EXPECT_EQ(pixel(150, 1), QColor(Qt::white)); // unchanged rows have no band
    EXPECT_EQ(pixel(450, 1), QColor(Qt::white));
    const QColor removed = pixel(150, 4);
    EXPECT_GT(removed.red(), removed.green() + 20) << removed.name().toStdString();
    EXPECT_EQ(pixel(450, 4), QColor(Qt::white));
}

// Long reports are drawn in two halves on two threads and joined into one document.
TEST(ExportRender, LongReportsAreOneDocument)
{
    const std::unique_ptr<Poppler::Document> document = renderAndParse(unchangedRows(60 * 49 - 3));
    ASSERT_EQ(document->numPages(), 60);
    for (int page = 0; page < 60; ++page) {
        const QString text = pageText(*document, page);
        ASSERT_TRUE(text.contains(QStringLiteral("Page %1 of 60").arg(page + 1))) << page;
        ASSERT_TRUE(text.contains("left.txt")) << page;
        // The page's first row holds line 49 × page + 1.
        ASSERT_TRUE(text.contains(QStringLiteral("line %1\n").arg(49 * page + 1)) ||
                    text.contains(QStringLiteral("line %1 ").arg(49 * page + 1)))
            << page;
    }
    const std::optional<QRectF> last = boxOf(*document, 59, "2937");
    EXPECT_TRUE(last);
}

TEST(ExportRender, JoiningRefusesWhatItCannotRead)
{
    const QByteArray pdf = ExportService::render(unchangedRows(3), "a", "b", true).value();
    EXPECT_FALSE(report::concatenatePdf(pdf, "not a pdf"));
    EXPECT_FALSE(report::concatenatePdf(QByteArray(), pdf));
    const std::optional<QByteArray> joined = report::concatenatePdf(pdf, pdf);
    ASSERT_TRUE(joined);
    const std::unique_ptr<Poppler::Document> document = parse(*joined);
    EXPECT_EQ(document->numPages(), 2);
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
