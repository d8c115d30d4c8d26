// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/tests/markedrows.h"
#include "screentestutil.h"
#include "testutil.h"
#include "viewmodel/ignoring.h"
#include "widgets/comparison/compareoptionsmenu.h"
#include "widgets/comparison/diffcontainerview.h"
#include "widgets/comparison/patternsdialog.h"
#include "widgets/diffview/inlineview.h"
#include "widgets/diffview/sidebysideview.h"
#include "widgets/diffview/summarybarview.h"
#include "widgets/style/buttons.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace varnel;
using varnel::test::over;
using varnel::test::sameColor;

using varnel::test::markedRow;

namespace {

// Rows 1 and 2 differ only in white space and in case, row 3 is a comment a pattern set
// aside, rows 4 and 5 are the one real change.
DiffResult markedResult()
{
    using enum DiffLineType;
    DiffResult result({markedRow(1, 1, "int main()", unchanged),
                       markedRow(2, 2, "    return  0;", unchanged, IgnoredReason::whitespace, "    return 0;"),
                       markedRow(3, 3, "Hello", unchanged, IgnoredReason::letterCase, "HELLO"),
                       markedRow(4, {}, "// generated 2024", removed, IgnoredReason::pattern),
                       markedRow(5, {}, "old", removed), markedRow({}, 4, "new", added),
                       markedRow(6, 5, "}", unchanged)},
                      0, 0, 1);
    result.setIgnoredCount(3);
    return result;
}

int rowMiddle(const DiffCanvas* canvas, qint64 index)
{
    return int(canvas->rowTop(index) - canvas->scrollPosition().y()) + canvas->rowHeight() / 2;
}

// Whether anything but the background is drawn in the number column before the numbers.
bool markerDrawn(const QImage& image, const DiffCanvas* canvas, qint64 index, int left, const QColor& background)
{
    const int width = int(std::ceil(canvas->rowPainter().markerWidth())) + 4;
    const int top = int(canvas->rowTop(index) - canvas->scrollPosition().y());
    for (int y = top; y < top + canvas->rowHeight(); ++y) {
        for (int x = left; x < left + width; ++x) {
            if (!sameColor(image.pixelColor(x, y), background, 8))
                return true;
        }
    }
    return false;
}

class IgnoredRows : public ::testing::TestWithParam<bool> {};

// Marked and set-aside rows read as unchanged rows with "≈" before the number, say why in
// a tooltip, and the summary counts them in a grey badge; in both appearances.
TEST_P(IgnoredRows, AreQuietlyMarkedAndCountedInTheSummary)
{
    const bool dark = GetParam();
    test::AppearanceScope appearance(dark);
    const Palette& palette = Palette::forDark(dark);
    const QColor view = palette.color(ColorRole::viewBackground);
    const QString name = dark ? QStringLiteral("dark") : QStringLiteral("light");

    SideBySideView sides;
    sides.resize(700, 220);
    sides.setResult(markedResult());
    sides.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sides));
    DiffColumnView* left = sides.column(PageSide::left);
    DiffColumnView* right = sides.column(PageSide::right);
    const QImage leftImage = test::grabImage(left->viewport());
    const QImage rightImage = test::grabImage(right->viewport());
    sides.grab().save(QStringLiteral("/tmp/varnel-ignored-side-by-side-%1.png").arg(name));

    const int textX = left->viewport()->width() - 20;
    const QColor red = over(palette.color(ColorRole::red, dark ? 0.22 : 0.12), view);
    EXPECT_TRUE(sameColor(leftImage.pixelColor(textX, rowMiddle(left, 3)), view)); // set aside: no red
    EXPECT_TRUE(sameColor(leftImage.pixelColor(textX, rowMiddle(left, 4)), red));
    for (qint64 index : {1, 2, 3})
        EXPECT_TRUE(markerDrawn(leftImage, left, index, 0, view)) << index;
    EXPECT_FALSE(markerDrawn(leftImage, left, 0, 0, view));
    EXPECT_TRUE(markerDrawn(rightImage, right, 2, 0, view));

    const auto tipAt = [](const DiffCanvas* canvas, qint64 index, int x) {
        return canvas->toolTipAt(QPoint(x, rowMiddle(canvas, index)));
    };
    EXPECT_EQ(tipAt(left, 1, 4), "White space differs");
    EXPECT_EQ(tipAt(right, 2, 30), "Letter case differs");
    EXPECT_EQ(tipAt(right, 3, 4), "");    // the set-aside comment's filler
    EXPECT_EQ(tipAt(left, 1, textX), ""); // over the text

    InlineView inlineView;
    inlineView.resize(700, 220);
    inlineView.setResult(markedResult());
    inlineView.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&inlineView));
    const QImage inlineImage = test::grabImage(inlineView.viewport());
    inlineView.grab().save(QStringLiteral("/tmp/varnel-ignored-inline-%1.png").arg(name));
    EXPECT_TRUE(markerDrawn(inlineImage, &inlineView, 2, int(InlineView::kMarkerWidth) + 1, view));
    EXPECT_EQ(tipAt(&inlineView, 3, 6), "Matches an ignored pattern"); // over its "−"

    SummaryBarView bar;
    bar.setResult(markedResult());
    bar.setIgnoredToolTip(QStringLiteral("3 lines differ only in ignored ways"));
    bar.resize(500, bar.sizeHint().height());
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    bar.grab().save(QStringLiteral("/tmp/varnel-ignored-summary-%1.png").arg(name));
    EXPECT_EQ(bar.badgeTexts(), (QStringList{"+0", "-0", "~1", "≈3"}));
    const QList<QRect> rects = bar.badgeRects();
    EXPECT_EQ(bar.toolTipAt(rects[3].center()), "3 lines differ only in ignored ways");
    EXPECT_EQ(bar.toolTipAt(rects[2].center()), "");
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, IgnoredRows, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "dark" : "light"; });

TEST(PatternsDialog, RefusesAPatternThatCannotBeUsedAndSaysWhere)
{
    PatternsDialog dialog({QStringLiteral("^#"), QStringLiteral("^Date: ")});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    QTest::keyClicks(dialog.field(), "id=(\\d+");
    EXPECT_EQ(dialog.errorText(), "The pattern “id=(\\d+” is not valid at position 7: missing closing parenthesis.");
    EXPECT_FALSE(dialog.addButton()->isEnabled());
    EXPECT_FALSE(dialog.okButton()->isEnabled());

    QTest::keyClicks(dialog.field(), ")");
    EXPECT_EQ(dialog.errorText(), "");
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    QTest::keyClick(dialog.field(), Qt::Key_Return); // Enter adds, and clears the field
    EXPECT_EQ(dialog.patterns(), (QStringList{"^#", "^Date: ", "id=(\\d+)"}));
    EXPECT_EQ(dialog.field()->text(), "");
    EXPECT_TRUE(dialog.isVisible());

    dialog.list()->setCurrentRow(0);
    ASSERT_TRUE(dialog.removeButton()->isEnabled());
    dialog.removeButton()->click();
    QTest::keyClicks(dialog.field(), "^x");
    dialog.okButton()->click(); // takes the field's pattern too
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.patterns(), (QStringList{"^Date: ", "id=(\\d+)", "^x"}));
}

// The window's side: the notice names what was ignored, the toolbar shows the options and
// opens them, and a menu choice compares again and is remembered.
TEST(IgnoringScreen, TheNoticeTheLabelAndTheMenuFollowTheOptions)
{
    test::clearPreferences();
    ComparisonViewModel model(ComparisonViewModel::OptionsComparator(
        [](const FileItem&, const FileItem&, const CancelCheck&, const ProgressReport&,
           const CompareOptions& options) -> Expected<ComparisonOutcome> {
            using enum DiffLineType;
            if (!options.ignoreCase) {
                const DiffResult changed({markedRow(1, {}, "A", removed), markedRow({}, 1, "a", added)}, 0, 0, 1);
                return ComparisonOutcome{changed, changed};
            }
            DiffResult same({markedRow(1, 1, "A", unchanged, IgnoredReason::letterCase, "a")}, 0, 0, 0);
            same.setIgnoredCount(1);
            return ComparisonOutcome{same, same};
        }));
    DiffContainerView view(model);
    view.resize(1000, 500);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    model.loadFile(QUrl::fromLocalFile(QStringLiteral("/x/a.txt")), FileSide::left);
    model.loadFile(QUrl::fromLocalFile(QStringLiteral("/x/b.txt")), FileSide::right);
    ASSERT_TRUE(test::waitFor([&] { return view.content() == DiffContainerView::Content::diff; }));

    CompareOptionsMenu* menu = view.compareOptionsMenu();
    menu->item(CompareOptionsMenu::Item::ignoreCase)->trigger();
    ASSERT_TRUE(test::waitFor([&] { return view.content() == DiffContainerView::Content::identical; }));
    EXPECT_EQ(view.identicalText(), "No differences, ignoring case (1 line differs only in case)");
    TextButton* label = view.toolbar()->ignoringLabel();
    EXPECT_EQ(label->isHidden() ? QString() : label->text(), "Ignoring: case");
    view.grab().save(QStringLiteral("/tmp/varnel-ignored-notice.png"));
    label->click();
    ASSERT_TRUE(test::waitFor([&] { return menu->isVisible(); }));
    EXPECT_TRUE(menu->item(CompareOptionsMenu::Item::ignoreCase)->isChecked());
    menu->close();

    // Lines Matching… opens the dialog; OK applies its patterns, and they are kept.
    menu->item(CompareOptionsMenu::Item::linesMatching)->trigger();
    PatternsDialog* dialog = menu->patternsDialog();
    ASSERT_NE(dialog, nullptr);
    QTest::keyClicks(dialog->field(), "^#");
    dialog->okButton()->click();
    EXPECT_EQ(rememberedCompareOptions(Preferences()).ignoreMatching, QStringList{"^#"});
    EXPECT_TRUE(menu->item(CompareOptionsMenu::Item::linesMatching)->isChecked());
    test::clearPreferences();
}

} // namespace
