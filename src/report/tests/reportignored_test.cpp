// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/diffengine.h"
#include "report/exportservice.h"

#include <gtest/gtest.h>
#include <poppler-qt6.h>

using namespace varnel;

namespace {

CompareOptions spaceAndBlankLines()
{
    CompareOptions options;
    options.ignoreSpaceChange = true;
    options.ignoreBlankLines = true;
    return options;
}

DiffResult ignoringResult(const CompareOptions& options)
{
    return DiffEngine::computeBoth(TextLines::share(TextLines::fromStrings({"a", "b  c", "", "d", "e"})),
                                   TextLines::share(TextLines::fromStrings({"a", "b c", "d", "E"})),
                                   DiffOptions{{}, {}, DiffAlgorithm::automatic, true, options})
        ->full;
}

} // namespace

TEST(ExportIgnored, MarkedRowsAreQuietAndChangesStayChanges)
{
    const QList<ExportService::SideBySideRow> rows =
        ExportService::makeSideBySideRows(ignoringResult(spaceAndBlankLines()).lines(), true);
    ASSERT_EQ(rows.size(), 6);
    // "b  c" against "b c": unchanged, marked on both sides, each with its own text.
    EXPECT_EQ(rows[1].left.gutterLabel(), "\u22482");
    EXPECT_EQ(rows[1].right.gutterLabel(), "\u22482");
    EXPECT_EQ(rows[1].left.content, "b  c");
    EXPECT_EQ(rows[1].right.content, "b c");
    // The blank line -B set aside: on its side, without a band.
    EXPECT_EQ(rows[2].left.gutterLabel(), "\u22483");
    EXPECT_EQ(rows[2].left.backgroundColor(), std::nullopt);
    // "e" against "E" is a change: -i is not in force.
    EXPECT_EQ(rows[4].left.gutterLabel(), "-5");
    EXPECT_TRUE(rows[4].left.backgroundColor());
    EXPECT_EQ(rows[0].left.gutterLabel(), " 1");
}

TEST(ExportIgnored, TheHeaderNamesWhatIsIgnoredAndCountsIt)
{
    const CompareOptions options = spaceAndBlankLines();
    const QString note =
        QStringLiteral("Ignoring: white space, blank lines \u00B7 2 lines differ only in ignored ways");
    EXPECT_EQ(ExportService::ignoredNote(options, 2), note);
    EXPECT_EQ(ExportService::ignoredNote(CompareOptions(), 0), QString());

    const std::optional<QByteArray> pdf =
        ExportService::render(ignoringResult(options), "l.txt", "r.txt", true, options);
    ASSERT_TRUE(pdf);
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(*pdf);
    ASSERT_TRUE(document);
    const std::unique_ptr<Poppler::Page> page = document->page(0);
    EXPECT_TRUE(page->text(QRectF()).contains(QStringLiteral("blank lines \u00B7 2 lines")))
        << page->text(QRectF()).toStdString();
    EXPECT_TRUE(page->text(QRectF()).contains(QStringLiteral("only in ignored ways")));
    // Under the names, above the rule over the rows.
    for (const std::unique_ptr<Poppler::TextBox>& box : page->textList()) {
        if (box->text() == "Ignoring:") {
            EXPECT_GT(box->boundingBox().top(), 26);
            EXPECT_LT(box->boundingBox().bottom(), 50);
        }
    }
    const std::optional<QByteArray> plain = ExportService::render(ignoringResult({}), "l.txt", "r.txt", true);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(Poppler::Document::loadFromData(*plain)->page(0)->text(QRectF()).contains("Ignoring"));
}
