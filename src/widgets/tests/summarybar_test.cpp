// SPDX-License-Identifier: GPL-3.0-or-later

#include "testutil.h"
#include "widgets/diffview/summarybarview.h"

#include <QTest>

using namespace varnel;
using varnel::test::over;
using varnel::test::sameColor;

namespace {

TEST(SummaryBarView, BadgesShowTheCounts)
{
    SummaryBarView bar;
    bar.setCounts(3, 0, 2);
    EXPECT_EQ(bar.badgeTexts(), (QStringList{"+3", "-0", "~2"}));
    bar.setCounts(0, 4, 0);
    EXPECT_EQ(bar.badgeTexts(), (QStringList{"+0", "-4"}));
    bar.setCounts(12345, 1234567, 1);
    EXPECT_EQ(bar.badgeTexts(), (QStringList{"+12345", "-1234567", "~1"}));

    // Collapsed or full, the same comparison reads the same.
    QStringList left = test::numberedLines(40);
    QStringList right = left;
    right[5] = QStringLiteral("changed");
    right.append(QStringLiteral("added"));
    bar.setResult(test::diff(left, right, true));
    const QStringList collapsed = bar.badgeTexts();
    bar.setResult(test::diff(left, right, false));
    EXPECT_EQ(bar.badgeTexts(), collapsed);
    EXPECT_EQ(collapsed, (QStringList{"+1", "-0", "~1"}));
}

TEST(SummaryBarView, BadgesAreColouredPillsAtTheLeft)
{
    for (bool dark : {false, true}) {
        test::AppearanceScope appearance(dark);
        const Palette& palette = Appearance::instance().palette();
        SummaryBarView bar;
        bar.setCounts(7, 8, 9);
        bar.resize(600, bar.sizeHint().height());
        bar.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
        const QImage image = test::grabImage(&bar);
        const QList<QRect> rects = bar.badgeRects();
        ASSERT_EQ(rects.size(), 3);
        EXPECT_EQ(rects[0].left(), 16);
        EXPECT_EQ(rects[1].left(), rects[0].right() + 1 + 12);
        EXPECT_EQ(rects[0].top() - 6, (bar.height() - rects[0].height() - 12) / 2);
        EXPECT_EQ(bar.height(), rects[0].height() + 12);

        const QColor barFill =
            over(palette.color(ColorRole::secondary, 0.06), palette.color(ColorRole::viewBackground));
        EXPECT_TRUE(sameColor(image.pixelColor(4, 4), barFill));
        EXPECT_TRUE(sameColor(image.pixelColor(590, bar.height() / 2), barFill));
        const ColorRole roles[] = {ColorRole::green, ColorRole::red, ColorRole::orange};
        const ColorRole textRoles[] = {ColorRole::greenText, ColorRole::redText, ColorRole::orangeText};
        for (int i = 0; i < 3; ++i) {
            // Inside the pill, left of the text: the badge colour at 0.12 over the bar.
            const QPoint inside(rects[i].left() + 3, rects[i].center().y());
            EXPECT_TRUE(sameColor(image.pixelColor(inside), over(palette.color(roles[i], 0.12), barFill))) << i;
            // The rounded corner leaves the very corner pixel (nearly) the bar's colour.
            EXPECT_TRUE(sameColor(image.pixelColor(rects[i].topLeft()), barFill, 6)) << i;
            // And the text is in the badge's text colour.
            bool found = false;
            for (int x = rects[i].left() + 8; x < rects[i].right() - 8 && !found; ++x)
                for (int y = rects[i].top() + 3; y < rects[i].bottom() - 3 && !found; ++y)
                    found = sameColor(image.pixelColor(x, y), palette.color(textRoles[i]), 12);
            EXPECT_TRUE(found) << i;
        }
    }
}

} // namespace
