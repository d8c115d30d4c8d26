// SPDX-License-Identifier: GPL-3.0-or-later

#include "screentestutil.h"
#include "testutil.h"
#include "widgets/comparison/diffcontainerview.h"
#include "widgets/comparison/wrapoffer.h"
#include "widgets/style/appearance.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>

using namespace varnel;

namespace {

const QString kOffer =
    QStringLiteral("Long paragraphs are cut at the window's edge. Wrap Long Lines (Alt+Z) shows them whole.");

// Three paragraphs, the middle one changed; `words` words each.
std::pair<QStringList, QStringList> paragraphs(int words)
{
    const QString text = QStringLiteral("word ").repeated(words).trimmed();
    QStringList left{QStringLiteral("Title"), text, QStringLiteral("End")};
    QStringList right = left;
    right[1] = text + QStringLiteral(" more");
    return {left, right};
}

class WrapOfferTest : public ::testing::Test {
protected:
    void SetUp() override { test::clearPreferences(); }

    // A window of the comparison screen comparing two files named `left` and `right`
    // (their kind comes from the names), with `lines` as their contents.
    std::unique_ptr<DiffContainerView> window(const std::pair<QStringList, QStringList>& lines, const QString& left,
                                              const QString& right)
    {
        auto& model = models.emplace_back(
            std::make_unique<ComparisonViewModel>(test::cannedComparator(lines.first, lines.second)));
        auto view = std::make_unique<DiffContainerView>(*model);
        view->resize(1100, 700);
        view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        model->loadFile(QUrl::fromLocalFile(QStringLiteral("/nonexistent/") + left), FileSide::left);
        model->loadFile(QUrl::fromLocalFile(QStringLiteral("/nonexistent/") + right), FileSide::right);
        EXPECT_TRUE(test::waitFor([&] { return view->content() == DiffContainerView::Content::diff; }));
        test::settle();
        return view;
    }

    void TearDown() override
    {
        for (auto& model : models)
            model->resetFiles();
    }

    std::vector<std::unique_ptr<ComparisonViewModel>> models;
};

// A document whose paragraphs are cut shows the offer under the document banner, reached
// by Tab; short paragraphs, text files and wrapped rows never show it.
TEST_F(WrapOfferTest, OnlyADocumentWithCutParagraphsIsOfferedWrapping)
{
    auto shortDocx = window(paragraphs(8), QStringLiteral("a.docx"), QStringLiteral("b.docx"));
    EXPECT_TRUE(shortDocx->wrapOffer()->text().isEmpty());
    auto text = window(paragraphs(300), QStringLiteral("a.txt"), QStringLiteral("b.txt"));
    EXPECT_TRUE(text->wrapOffer()->text().isEmpty());

    auto docx = window(paragraphs(300), QStringLiteral("a.docx"), QStringLiteral("b.docx"));
    WrapOffer* offer = docx->wrapOffer();
    EXPECT_EQ(offer->text(), kOffer);
    EXPECT_FALSE(docx->bannerText().isEmpty());
    EXPECT_GT(offer->mapTo(docx.get(), QPoint()).y(), 0);
    EXPECT_EQ(offer->wrapButton()->accessibleName(), QStringLiteral("Wrap Long Lines"));
    EXPECT_FALSE(offer->closeButton()->accessibleName().isEmpty());
    offer->closeButton()->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(offer->closeButton()->hasFocus());
    offer->wrapButton()->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(offer->wrapButton()->hasFocus());

    // A PDF of the same lines too, in a narrower window each time it is shown (light, dark).
    auto pdf = window(paragraphs(300), QStringLiteral("a.pdf"), QStringLiteral("b.pdf"));
    EXPECT_EQ(pdf->wrapOffer()->text(), kOffer);
    for (bool dark : {false, true}) {
        Appearance::instance().setDark(dark);
        test::settle();
        const QImage image = pdf->grab(QRect(0, 0, pdf->width(), 140)).toImage();
        image.save(QStringLiteral("/tmp/varnel-wrap-offer-%1.png").arg(dark ? "dark" : "light"));
        EXPECT_FALSE(image.isNull());
    }
    Appearance::instance().setDark(false);
}

// The offer is answered by its button (which wraps), by its close button, or by wrapping
// chosen elsewhere; then it leaves every window and never comes back.
TEST_F(WrapOfferTest, OnceAnsweredTheOfferLeavesEveryWindowForGood)
{
    for (int answer : {0, 1, 2}) {
        test::clearPreferences();
        auto first = window(paragraphs(300), QStringLiteral("a.docx"), QStringLiteral("b.docx"));
        auto second = window(paragraphs(300), QStringLiteral("c.docx"), QStringLiteral("d.docx"));
        ASSERT_FALSE(second->wrapOffer()->text().isEmpty());
        if (answer == 0)
            QTest::mouseClick(first->wrapOffer()->closeButton(), Qt::LeftButton);
        else if (answer == 1)
            QTest::keyClick(first->wrapOffer()->wrapButton(), Qt::Key_Space);
        else
            models.front()->layout().setWrapsLongLines(true);
        EXPECT_TRUE(first->wrapOffer()->isHidden());
        EXPECT_FALSE(first->wrapOffer()->isAncestorOf(QApplication::focusWidget())); // the keyboard moved on
        EXPECT_TRUE(second->wrapOffer()->isHidden()) << answer;
        EXPECT_EQ(models.front()->layout().wrapsLongLines(), answer != 0);
        // Wrapping off again, and a new window: still not offered.
        models.front()->layout().setWrapsLongLines(false);
        auto later = window(paragraphs(300), QStringLiteral("a.docx"), QStringLiteral("b.docx"));
        EXPECT_TRUE(later->wrapOffer()->text().isEmpty()) << answer;
        later.reset();
        second.reset();
        first.reset();
        TearDown();
        models.clear();
    }
}

} // namespace
