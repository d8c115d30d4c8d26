// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/diffengine.h"
#include "report/exportservice.h"

#include <gtest/gtest.h>
#include <poppler-qt6.h>

using namespace varnel;

// Moved rows take the moved tint at both ends, other changes keep theirs, and only the
// pages that show moved rows carry the legend; without moves the report is as it was.
TEST(ExportMoves, MovedRowsAreTintedAndTheirPagesSaySo)
{
    QStringList block{"void moved_function()", "{", "    call_something(42);", "}"};
    QStringList rest;
    for (int k = 0; k < 60; ++k)
        rest << QStringLiteral("unchanged line %1").arg(k);
    const QStringList left = block + rest + QStringList{"gone"};
    const QStringList right = rest + block;
    const DiffResult result = DiffEngine::compute(left, right, false);
    const MovedBlocks moves = MovedBlocks::find(result);
    ASSERT_EQ(moves.size(), 1);

    const QList<ExportService::SideBySideRow> rows = ExportService::makeSideBySideRows(result.lines(), true, moves);
    ASSERT_TRUE(rows[0].left.moved);
    EXPECT_EQ(rows[0].left.backgroundColor(),
              ExportService::Cell({1, "x", ExportService::RowKind::removed, false, true}).backgroundColor());
    EXPECT_NE(rows[0].left.backgroundColor(),
              ExportService::Cell({1, "x", ExportService::RowKind::removed}).backgroundColor());
    EXPECT_NE(rows[0].left.gutterColor(), ExportService::Cell({1, "x", ExportService::RowKind::removed}).gutterColor());
    const ExportService::SideBySideRow& gone = rows[rows.size() - 5];
    EXPECT_EQ(gone.left.content, "gone");
    EXPECT_FALSE(gone.left.moved);
    EXPECT_TRUE(rows.last().right.moved);
    for (const ExportService::SideBySideRow& row : ExportService::makeSideBySideRows(result.lines(), true))
        EXPECT_FALSE(row.left.moved || row.right.moved);

    // 69 rows: the first page holds the removed end, the second the added one; a report
    // of changes only holds both on its one page.
    const std::optional<QByteArray> pdf = ExportService::render(result, "a.c", "b.c", true, {}, moves);
    ASSERT_TRUE(pdf);
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(*pdf);
    ASSERT_EQ(document->numPages(), 2);
    EXPECT_TRUE(document->page(0)->text(QRectF()).contains("Moved lines"));
    EXPECT_TRUE(document->page(1)->text(QRectF()).contains("Moved lines"));
    const std::optional<QByteArray> plain = ExportService::render(result, "a.c", "b.c", true);
    EXPECT_FALSE(Poppler::Document::loadFromData(*plain)->page(0)->text(QRectF()).contains("Moved"));
    EXPECT_EQ(*plain, *ExportService::render(result, "a.c", "b.c", true, {}, MovedBlocks()));

    // A page without moved rows has no legend.
    QStringList longer = rest + rest + rest;
    const DiffResult far = DiffEngine::compute(block + longer, longer + block, false);
    const std::optional<QByteArray> farPdf = ExportService::render(far, "a.c", "b.c", true, {}, MovedBlocks::find(far));
    const std::unique_ptr<Poppler::Document> farDocument = Poppler::Document::loadFromData(*farPdf);
    ASSERT_EQ(farDocument->numPages(), 4);
    EXPECT_TRUE(farDocument->page(0)->text(QRectF()).contains("Moved lines"));
    EXPECT_FALSE(farDocument->page(1)->text(QRectF()).contains("Moved lines"));
    EXPECT_TRUE(farDocument->page(3)->text(QRectF()).contains("Moved lines"));
}
