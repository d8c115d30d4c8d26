// SPDX-License-Identifier: GPL-3.0-or-later

// The comparison screen while its files change on disk: the note over it, and the result
// that stays in view.

#include "screentestutil.h"
#include "testutil.h"
#include "viewmodel/filereload.h"
#include "widgets/comparison/diffcontainerview.h"
#include "widgets/comparison/reloadbanner.h"
#include "widgets/diffview/summarybarview.h"
#include "widgets/style/appearance.h"

#include <QAbstractButton>
#include <QSaveFile>
#include <QTest>

using namespace varnel;

namespace {

QByteArray lines(const QByteArray& edit = {})
{
    QByteArray text;
    for (int n = 1; n <= 30; ++n)
        text += n == 12 && !edit.isEmpty() ? edit + '\n' : "line " + QByteArray::number(n) + '\n';
    return text;
}

struct Screen {
    Screen()
    {
        test::clearPreferences();
        view.resize(900, 500);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
        model.loadFile(files.file("left.txt", lines()), FileSide::left);
        model.loadFile(files.file("right.py", lines("first")), FileSide::right);
        EXPECT_TRUE(test::waitFor([this] { return view.content() == DiffContainerView::Content::diff; }, 20000));
    }
    ~Screen() { model.resetFiles(); }

    void replace(const QByteArray& data)
    {
        QSaveFile out(files.path("right.py"));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(data);
        ASSERT_TRUE(out.commit());
    }
    ReloadBanner* banner() const { return view.reloadBanner(); }
    void grab(const QString& name)
    {
        for (bool dark : {false, true}) { // looked at by eye
            Appearance::instance().setDark(dark);
            test::settle();
            view.grab(QRect(0, 0, view.width(), 160))
                .save(QStringLiteral("/tmp/varnel-reload-%1-%2.png").arg(name, dark ? "dark" : "light"));
        }
        Appearance::instance().setDark(false);
    }

    test::TempFiles files;
    ComparisonViewModel model;
    DiffContainerView view{model};
};

} // namespace

// A file changed on disk is compared again with its result in view all along; the note
// says so, sits over the content, and goes with its close button.
TEST(ReloadBanner, AChangedFileIsComparedAgainWithTheResultInView)
{
    Screen screen;
    EXPECT_TRUE(screen.banner()->isHidden());
    bool left = false; // the diff page while comparing again
    QObject::connect(&screen.model, &ComparisonViewModel::isComparingChanged, &screen.view, [&] {
        test::settle();
        left = left || screen.view.content() != DiffContainerView::Content::diff;
    });
    screen.replace(lines("second"));
    ASSERT_TRUE(test::waitFor([&] { return !screen.banner()->text().isEmpty(); }, 20000));
    EXPECT_EQ(screen.banner()->text(), "right.py changed on disk and was compared again.");
    EXPECT_FALSE(left);
    EXPECT_EQ(screen.view.content(), DiffContainerView::Content::diff);
    EXPECT_GT(screen.view.summaryBar()->mapTo(&screen.view, QPoint()).y(),
              screen.banner()->mapTo(&screen.view, QPoint()).y()); // over the content
    EXPECT_TRUE(screen.banner()->chooseButton()->isHidden());
    EXPECT_EQ(screen.banner()->closeButton()->focusPolicy(), Qt::TabFocus);
    EXPECT_FALSE(screen.banner()->closeButton()->accessibleName().isEmpty());
    EXPECT_EQ(screen.banner()->accessibleDescription(), screen.banner()->text());
    screen.grab("compared");

    QTest::keyClick(screen.banner()->closeButton(), Qt::Key_Space);
    EXPECT_TRUE(screen.banner()->isHidden());

    // Off: the note tells how to compare by hand.
    screen.model.reload().setAutomatic(false);
    screen.replace(lines("third"));
    ASSERT_TRUE(test::waitFor([&] { return !screen.banner()->text().isEmpty(); }, 20000));
    EXPECT_EQ(screen.banner()->text(), "right.py changed on disk \u2014 press F5 to compare again.");
    screen.grab("press-f5");
    screen.model.reload().setAutomatic(true);
}

// A file deleted leaves the result in view and offers another file for its side, by the
// open dialog of that side.
TEST(ReloadBanner, AFileDeletedOffersAnotherFile)
{
    Screen screen;
    test::FakeDialogs dialogs;
    ASSERT_TRUE(QFile::remove(screen.files.path("right.py")));
    ASSERT_TRUE(test::waitFor([&] { return !screen.banner()->text().isEmpty(); }, 20000));
    EXPECT_EQ(screen.banner()->text(), "right.py was deleted; the last comparison stays on screen.");
    EXPECT_EQ(screen.view.content(), DiffContainerView::Content::diff);
    QAbstractButton* choose = screen.banner()->chooseButton();
    ASSERT_FALSE(choose->isHidden());
    EXPECT_EQ(choose->accessibleName(), "Choose Another File");
    EXPECT_EQ(choose->focusPolicy(), Qt::TabFocus);
    screen.grab("deleted");

    dialogs.answers.push_back(screen.files.file("other.py", lines("other")));
    QTest::keyClick(choose, Qt::Key_Space);
    ASSERT_EQ(dialogs.requests.size(), 1U);
    EXPECT_EQ(dialogs.requests[0].caption, "Choose a replacement file");
    ASSERT_TRUE(screen.model.rightFile());
    EXPECT_EQ(screen.model.rightFile()->name, "other.py");
    EXPECT_EQ(screen.model.leftFile()->name, "left.txt");
    EXPECT_TRUE(screen.banner()->isHidden());
}
