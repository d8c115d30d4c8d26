// SPDX-License-Identifier: GPL-3.0-or-later

#include "screentestutil.h"
#include "testutil.h"
#include "viewmodel/findmodel.h"
#include "widgets/comparison/diffcontainerview.h"
#include "widgets/comparison/findbar.h"
#include "widgets/diffview/inlineview.h"
#include "widgets/diffview/sidebysideview.h"
#include "widgets/style/buttons.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace varnel;

namespace {

// 300 lines, two of them changed far apart, and "needle" in an unchanged line between
// them that context folding hides, and in one changed line.
std::pair<QStringList, QStringList> haystack()
{
    QStringList left = test::numberedLines(300);
    left[150] = QStringLiteral("the needle in the middle");
    QStringList right = left;
    right[10] = QStringLiteral("changed line 11 with a Needle");
    right[290] = QStringLiteral("changed line 291");
    return {left, right};
}

class FindBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::clearPreferences();
        const auto [left, right] = haystack();
        model = std::make_unique<ComparisonViewModel>(test::cannedComparator(left, right));
        view = std::make_unique<DiffContainerView>(*model);
        view->resize(1100, 700);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
        model->loadFile(QUrl::fromLocalFile(QStringLiteral("/nonexistent/a.txt")), FileSide::left);
        model->loadFile(QUrl::fromLocalFile(QStringLiteral("/nonexistent/b.txt")), FileSide::right);
        ASSERT_TRUE(test::waitFor([this] { return view->content() == DiffContainerView::Content::diff; }));
    }

    void TearDown() override
    {
        view.reset();
        model->resetFiles();
    }

    void type(const QString& text)
    {
        QTest::keyClicks(view->findBar()->field(), text);
        ASSERT_TRUE(test::waitFor([this] { return !view->findModel().isCounting(); }));
    }

    // The row the view's centre shows.
    qint64 centreRow(DiffCanvas* canvas) const
    {
        return (canvas->scrollPosition().y() + canvas->viewport()->height() / 2) / canvas->rowHeight();
    }

    std::unique_ptr<ComparisonViewModel> model;
    std::unique_ptr<DiffContainerView> view;
};

TEST_F(FindBarTest, CtrlFOpensTheBarAndEscapeClosesIt)
{
    FindBar* bar = view->findBar();
    EXPECT_FALSE(bar->isVisible());
    QTest::keyClick(view.get(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(bar->isVisible());
    EXPECT_TRUE(bar->field()->hasFocus());
    // At the bottom of the screen, across its width.
    EXPECT_EQ(bar->geometry().bottom(), view->height() - 1);
    EXPECT_EQ(bar->width(), view->width());
    for (QWidget* control : std::initializer_list<QWidget*>{bar->previousButton(), bar->nextButton(), bar->caseButton(),
                                                            bar->closeButton(), bar->field()})
        EXPECT_FALSE(control->toolTip().isEmpty());

    type(QStringLiteral("needle"));
    EXPECT_EQ(bar->statusLabel()->text(), "2 matches");
    // The folded lines that hold the other match say so.
    const RowPainter& rows = view->sideBySideView()->column(PageSide::left)->rowPainter();
    QStringList folded;
    for (qint64 row = 0; row < rows.rowCount(); ++row) {
        if (rows.line(row).hiddenCount())
            folded.append(rows.foldedMatchesText(row));
    }
    EXPECT_EQ(folded, QStringList({QString(), "1 match", QString()}));
    QTest::keyClick(bar->field(), Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisible());
    // Closed, it marks nothing; opened again, it finds the same text.
    EXPECT_TRUE(view->findModel().query().isEmpty());
    view->openFind();
    EXPECT_EQ(bar->field()->text(), "needle");
    EXPECT_EQ(view->findModel().query(), "needle");
}

TEST_F(FindBarTest, EnterAndF3GoToTheNextMatchAndExpandFoldedContextToReachIt)
{
    view->openFind();
    FindBar* bar = view->findBar();
    type(QStringLiteral("needle"));
    ASSERT_EQ(view->findModel().total(), 2);
    ASSERT_FALSE(model->showAllContext());

    // The first match is the changed line, which the folded result shows.
    QTest::keyClick(bar->field(), Qt::Key_Return);
    EXPECT_EQ(bar->statusLabel()->text(), "1 of 2");
    EXPECT_FALSE(model->showAllContext());

    // The second is in folded lines: every line is shown, then the view goes there.
    QTest::keyClick(view.get(), Qt::Key_F3);
    EXPECT_EQ(bar->statusLabel()->text(), "2 of 2");
    ASSERT_TRUE(test::waitFor([this] { return model->showAllContext(); }));
    DiffColumnView* left = view->sideBySideView()->column(PageSide::left);
    ASSERT_TRUE(test::waitFor([&] { return !left->isAnimating() && left->rowCount() > 300; }, 3000));
    test::settle();
    ASSERT_TRUE(test::waitFor([&] { return !left->isAnimating(); }, 3000));
    const std::optional<FindModel::Highlight> at = view->findModel().currentHighlight();
    ASSERT_TRUE(at);
    EXPECT_EQ(model->activeDiffResult()->lines()[at->row].contentString(), "the needle in the middle");
    EXPECT_LE(std::abs(centreRow(left) - at->row), 1);
    // The field kept the keyboard through the new result.
    ASSERT_EQ(QApplication::focusWidget(), bar->field());

    // Wrapping round, with Shift+Enter and Shift+F3 going back.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(bar->statusLabel()->text(), "1 of 2");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(bar->statusLabel()->text(), "2 of 2");
    QTest::keyClick(view.get(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(bar->statusLabel()->text(), "1 of 2");
}

TEST_F(FindBarTest, TheCaseToggleAndTheInlineLayout)
{
    view->setViewMode(DiffViewMode::inlineView);
    view->openFind();
    FindBar* bar = view->findBar();
    type(QStringLiteral("Needle"));
    EXPECT_EQ(bar->statusLabel()->text(), "2 matches");
    bar->caseButton()->click();
    ASSERT_TRUE(test::waitFor([this] { return !view->findModel().isCounting(); }));
    EXPECT_EQ(bar->statusLabel()->text(), "1 match");
    QTest::keyClick(bar->field(), Qt::Key_Return);
    EXPECT_EQ(bar->statusLabel()->text(), "1 of 1");
    InlineView* inlineView = view->inlineView();
    ASSERT_TRUE(test::waitFor([&] { return !inlineView->isAnimating(); }, 3000));
    // The current match is marked in the layout.
    const std::optional<RowPainter::FindMark>& current = inlineView->rowPainter().currentFind();
    ASSERT_TRUE(current);
    EXPECT_EQ(inlineView->rowPainter().line(current->row).contentString(), "changed line 11 with a Needle");
    EXPECT_EQ(current->span, (TextSpan{23, 6}));
    bar->field()->clear();
    EXPECT_EQ(bar->statusLabel()->text(), QString());
}

} // namespace
