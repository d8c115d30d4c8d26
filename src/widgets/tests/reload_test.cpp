// SPDX-License-Identifier: GPL-3.0-or-later

// The comparison screen while its files change on disk: the note over it, and the result
// that stays in view.

#include "screentestutil.h"
#include "testutil.h"
#include "viewmodel/filereload.h"
#include "widgets/comparison/diffcontainerview.h"
#include "widgets/comparison/reloadbanner.h"
#include "widgets/style/appearance.h"

#include <QAbstractButton>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTest>

#include <atomic>

using namespace varnel;

namespace {

QByteArray lines(const QByteArray& edit)
{
    QByteArray text;
    for (int n = 1; n <= 30; ++n)
        text += n == 12 ? edit + '\n' : "line " + QByteArray::number(n) + '\n';
    return text;
}

// The top of `view` in light and dark, looked at by eye.
void grab(QWidget& view, const QString& name)
{
    for (bool dark : {false, true}) {
        Appearance::instance().setDark(dark);
        test::settle();
        view.grab(QRect(0, 0, view.width(), 160))
            .save(QStringLiteral("/tmp/varnel-reload-%1-%2.png").arg(name, dark ? "dark" : "light"));
    }
    Appearance::instance().setDark(false);
}

} // namespace

// Compared again, the result stays in view; off, the note says how to compare by hand;
// deleted, it offers the open dialog of that side. Its buttons are reached by Tab.
TEST(ReloadBanner, TheNoteSaysWhatHappenedAndOffersAnotherFile)
{
    test::clearPreferences();
    test::TempFiles files;
    test::FakeDialogs dialogs;
    // Held, a comparison waits for a pass, so that the screen can be seen while it runs.
    std::atomic<bool> held{false};
    QSemaphore passes;
    ComparisonViewModel model(
        ComparisonViewModel::Comparator([&](const FileItem& left, const FileItem& right, const CancelCheck& cancel) {
            if (held)
                passes.acquire();
            return Comparison::perform(left, right, cancel);
        }));
    const auto letGo = qScopeGuard([&] {
        held = false;
        passes.release(10);
    });
    DiffContainerView view(model);
    view.resize(900, 500);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    model.loadFile(files.file("left.txt", lines("line 12")), FileSide::left);
    model.loadFile(files.file("right.py", lines("first")), FileSide::right);
    const auto shown = [&] { return !view.reloadBanner()->text().isEmpty(); };
    ASSERT_TRUE(test::waitFor([&] { return view.content() == DiffContainerView::Content::diff; }, 20000));
    bool left = false; // the diff while comparing again
    QObject::connect(&model, &ComparisonViewModel::isComparingChanged, &view, [&] {
        test::settle();
        left = left || view.content() != DiffContainerView::Content::diff;
    });

    // The note says that the file is being compared, then that it was.
    held = true;
    files.file("right.py", lines("second"));
    ASSERT_TRUE(test::waitFor(shown, 20000));
    EXPECT_EQ(view.reloadBanner()->text(), "right.py changed on disk; comparing again\u2026");
    grab(view, "comparing");
    held = false;
    passes.release();
    ASSERT_TRUE(test::waitFor([&] { return !model.isComparing(); }, 20000));
    EXPECT_EQ(view.reloadBanner()->text(), "right.py changed on disk and was compared again.");
    EXPECT_FALSE(left);
    EXPECT_TRUE(view.reloadBanner()->chooseButton()->isHidden());
    EXPECT_EQ(view.reloadBanner()->closeButton()->focusPolicy(), Qt::TabFocus);
    EXPECT_EQ(view.reloadBanner()->accessibleDescription(), view.reloadBanner()->text());
    grab(view, "compared");
    QTest::keyClick(view.reloadBanner()->closeButton(), Qt::Key_Space);
    EXPECT_FALSE(shown());

    model.reload().setAutomatic(false);
    files.file("right.py", lines("third"));
    ASSERT_TRUE(test::waitFor(shown, 20000));
    EXPECT_EQ(view.reloadBanner()->text(), "right.py changed on disk \u2014 press F5 to compare again.");
    grab(view, "press-f5");

    ASSERT_TRUE(QFile::remove(files.path("right.py")));
    ASSERT_TRUE(test::waitFor([&] { return view.reloadBanner()->text().contains("deleted"); }, 20000));
    EXPECT_EQ(view.content(), DiffContainerView::Content::diff);
    QAbstractButton* choose = view.reloadBanner()->chooseButton();
    ASSERT_FALSE(choose->isHidden());
    EXPECT_EQ(choose->accessibleName(), "Choose Another File");
    EXPECT_EQ(choose->focusPolicy(), Qt::TabFocus);
    grab(view, "deleted");
    dialogs.answers.push_back(files.file("other.py", lines("other")));
    QTest::keyClick(choose, Qt::Key_Space);
    ASSERT_EQ(dialogs.requests.size(), 1U);
    EXPECT_EQ(model.rightFile()->name, "other.py");
    EXPECT_FALSE(shown());
    model.resetFiles();
    test::clearPreferences();
}
