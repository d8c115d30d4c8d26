// SPDX-License-Identifier: GPL-3.0-or-later

#include "screentestutil.h"
#include "testutil.h"
#include "widgets/comparison/diffcontainerview.h"
#include "widgets/comparison/wrapoffer.h"
#include "widgets/style/appearance.h"

#include <QAbstractButton>
#include <QTest>

using namespace varnel;

namespace {

// A comparison screen comparing files named `left` and `right` (their kind comes from the
// names) whose three paragraphs of `words` words differ in the middle one.
struct Screen {
    Screen(int words, const QString& left, const QString& right)
    {
        const QString text = QStringLiteral("word ").repeated(words);
        model = std::make_unique<ComparisonViewModel>(
            test::cannedComparator({"Title", text, "End"}, {"Title", text + "more", "End"}));
        view = std::make_unique<DiffContainerView>(*model);
        view->resize(1100, 700);
        view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        model->loadFile(QUrl::fromLocalFile("/nonexistent/" + left), FileSide::left);
        model->loadFile(QUrl::fromLocalFile("/nonexistent/" + right), FileSide::right);
        EXPECT_TRUE(test::waitFor([this] { return view->content() == DiffContainerView::Content::diff; }));
        test::settle();
    }
    ~Screen()
    {
        view.reset();
        model->resetFiles();
    }
    WrapOffer* offer() const { return view->wrapOffer(); }

    std::unique_ptr<ComparisonViewModel> model;
    std::unique_ptr<DiffContainerView> view;
};

// Only a document whose paragraphs are cut is offered wrapping, under its banner, with
// buttons Tab reaches. Answered in one window (its button, its close button, wrapping chosen
// elsewhere), the offer leaves every window and never comes back.
TEST(WrapOffer, OnlyDocumentsWithCutParagraphsAreOfferedWrappingUntilAnswered)
{
    for (int answer : {0, 1, 2}) {
        test::clearPreferences();
        EXPECT_TRUE(Screen(8, "a.docx", "b.docx").offer()->text().isEmpty());
        EXPECT_TRUE(Screen(300, "a.txt", "b.txt").offer()->text().isEmpty());
        Screen docx(300, "a.docx", "b.docx");
        Screen pdf(300, "a.pdf", "b.pdf");
        EXPECT_EQ(docx.offer()->text(), QStringLiteral("Long paragraphs are cut at the window's edge. Wrap Long "
                                                       "Lines (Alt+Z) shows them whole."));
        EXPECT_GT(docx.offer()->mapTo(docx.view.get(), QPoint()).y(), 0); // under the banner
        EXPECT_FALSE(docx.view->bannerText().isEmpty());
        EXPECT_EQ(docx.offer()->wrapButton()->accessibleName(), QStringLiteral("Wrap Long Lines"));
        EXPECT_FALSE(docx.offer()->closeButton()->accessibleName().isEmpty());
        EXPECT_EQ(docx.offer()->closeButton()->focusPolicy(), Qt::TabFocus);
        ASSERT_FALSE(pdf.offer()->isHidden());
        if (answer == 0) {
            for (bool dark : {false, true}) { // looked at by eye
                Appearance::instance().setDark(dark);
                pdf.view->grab(QRect(0, 0, 1100, 140))
                    .save(QStringLiteral("/tmp/varnel-wrap-offer-%1.png").arg(dark ? "dark" : "light"));
            }
            Appearance::instance().setDark(false);
            QTest::mouseClick(docx.offer()->closeButton(), Qt::LeftButton);
        } else if (answer == 1) {
            QTest::keyClick(docx.offer()->wrapButton(), Qt::Key_Space);
        } else {
            docx.model->layout().setWrapsLongLines(true);
        }
        EXPECT_TRUE(docx.offer()->isHidden());
        EXPECT_TRUE(pdf.offer()->isHidden()) << answer;
        EXPECT_EQ(docx.model->layout().wrapsLongLines(), answer != 0);
        docx.model->layout().setWrapsLongLines(false);
        EXPECT_TRUE(Screen(300, "c.docx", "d.docx").offer()->text().isEmpty()) << answer;
    }
}

// Unanswered, the offer stays with the first cut document the window shows (its files
// swapped too), and the window's next comparison ends it there; a new window offers again.
TEST(WrapOffer, AWindowOffersWrappingOnlyForTheFirstCutDocumentItShows)
{
    test::clearPreferences();
    Screen screen(300, "a.docx", "b.docx");
    const auto compared = [&screen] {
        EXPECT_TRUE(test::waitFor([&screen] {
            return !screen.model->isComparing() && screen.view->content() == DiffContainerView::Content::diff;
        }));
        test::settle();
    };
    ASSERT_FALSE(screen.offer()->isHidden());
    screen.model->swapFiles();
    compared();
    EXPECT_EQ(screen.model->leftFile()->name, u"b.docx");
    EXPECT_FALSE(screen.offer()->isHidden());
    screen.model->loadFile(QUrl::fromLocalFile("/nonexistent/c.pdf"), FileSide::left);
    screen.model->loadFile(QUrl::fromLocalFile("/nonexistent/d.pdf"), FileSide::right);
    compared();
    EXPECT_EQ(screen.model->rightFile()->name, u"d.pdf");
    EXPECT_TRUE(screen.offer()->isHidden());
    EXPECT_FALSE(Screen(300, "e.pdf", "f.pdf").offer()->isHidden());
}

} // namespace
