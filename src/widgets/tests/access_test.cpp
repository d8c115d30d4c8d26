// SPDX-License-Identifier: GPL-3.0-or-later

// What screen readers get of the diff: the views as tables, the row cursor, the change
// announcements and the list of changes.
#include "screentestutil.h"
#include "testutil.h"
#include "widgets/comparison/changereader.h"
#include "widgets/comparison/diffcontainerview.h"
#include "widgets/diffview/diffaccessible.h"
#include "widgets/diffview/inlineview.h"
#include "widgets/diffview/sidebysideview.h"
#include "widgets/style/appearance.h"
#include "widgets/style/busyindicator.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QListView>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTest>

using namespace varnel;

void PrintTo(const QString& text, std::ostream* out);
void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

QAccessibleInterface* accessible(QWidget* widget)
{
    return QAccessible::queryAccessibleInterface(widget);
}

QString cellName(QWidget* view, qint64 row)
{
    QAccessibleInterface* cell = accessible(view)->tableInterface()->cellAt(int(row), 0);
    return cell ? cell->text(QAccessible::Name) : QStringLiteral("<none>");
}

std::size_t liveCells(QWidget* view)
{
    return static_cast<DiffTableAccessible*>(accessible(view))->cellCount();
}

qint64 rowOf(const DiffResult& result, DiffLineType type, qint64 skip = 0)
{
    for (qint64 row = 0; row < result.lines().size(); ++row)
        if (result.lines()[row].type() == type && skip-- == 0)
            return row;
    ADD_FAILURE() << "no such row";
    return 0;
}

// The name of the cell a screen reader is told has the focus (the focus event names the
// table's focused child); empty when none has.
QString focusedName(QWidget* view)
{
    QAccessibleInterface* cell = accessible(view)->focusChild();
    return cell && cell->state().focused ? cell->text(QAccessible::Name) : QString();
}

// Twenty lines, one replaced and one added after it, twenty more: collapsed, a
// placeholder stands for the first seventeen.
std::pair<QStringList, QStringList> replacement()
{
    QStringList left = test::numberedLines(40);
    QStringList right = left;
    left.insert(20, QStringLiteral("return value + 5"));
    right.insert(20, QStringLiteral("return value + 6"));
    right.insert(21, QStringLiteral("added line"));
    return {left, right};
}

void show(QWidget& widget)
{
    widget.resize(700, 400);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    widget.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&widget));
}

} // namespace

TEST(AccessibleDiff, EachViewIsATableWhoseCellsSayTheirRow)
{
    const auto [left, right] = replacement();
    const DiffResult result = test::diff(left, right, true);
    const qint64 hidden = rowOf(result, DiffLineType::contextCollapsed);
    const qint64 removed = rowOf(result, DiffLineType::removed);
    const qint64 paired = rowOf(result, DiffLineType::added);
    const qint64 added = rowOf(result, DiffLineType::added, 1);
    const qint64 same = rowOf(result, DiffLineType::unchanged);
    const QString hiddenName = QStringLiteral("%1 unchanged lines hidden").arg(*result.lines()[hidden].hiddenCount());

    InlineView inlined;
    inlined.setResult(result);
    QAccessibleInterface* table = accessible(&inlined);
    ASSERT_TRUE(table && table->tableInterface());
    EXPECT_EQ(table->role(), QAccessible::Table);
    EXPECT_EQ(table->text(QAccessible::Name), "Inline diff");
    EXPECT_FALSE(table->text(QAccessible::Description).isEmpty());
    EXPECT_EQ(table->tableInterface()->rowCount(), result.lines().size());
    EXPECT_EQ(table->tableInterface()->columnCount(), 1);
    EXPECT_EQ(cellName(&inlined, hidden), hiddenName);
    EXPECT_EQ(cellName(&inlined, removed), "Line 21, changed to line 21, old text: return value + 5");
    EXPECT_EQ(cellName(&inlined, paired), "Line 21, changed from line 21, new text: return value + 6");
    EXPECT_EQ(cellName(&inlined, added), "Line 22, added: added line");
    EXPECT_EQ(cellName(&inlined, same),
              QStringLiteral("Line %1: line %1").arg(*result.lines()[same].rightLineNumber()));
    QAccessibleInterface* cell = table->tableInterface()->cellAt(int(added), 0);
    EXPECT_EQ(cell->role(), QAccessible::Cell);
    EXPECT_EQ(cell->tableCellInterface()->rowIndex(), added);
    EXPECT_EQ(table->indexOfChild(cell), added);
    EXPECT_EQ(cell->parent(), table);

    // Side by side, each column is a table; a column facing the other side's line says so.
    SideBySideView sides;
    sides.setResult(result);
    DiffColumnView* leftColumn = sides.column(PageSide::left);
    DiffColumnView* rightColumn = sides.column(PageSide::right);
    EXPECT_EQ(accessible(leftColumn)->text(QAccessible::Name), "Left file");
    EXPECT_EQ(cellName(leftColumn, added), "No line here: line 22 added on the right");
    EXPECT_EQ(cellName(rightColumn, added), "Line 22, added: added line");
    EXPECT_EQ(cellName(rightColumn, removed), "No line here: line 21 removed on the left");
    EXPECT_EQ(cellName(leftColumn, hidden), hiddenName);
    // Paired, the two lines of a replacement share a row, each in its own column.
    sides.setPairing(true);
    EXPECT_EQ(accessible(leftColumn)->tableInterface()->rowCount(), result.lines().size() - 1);
    EXPECT_EQ(cellName(leftColumn, removed), "Line 21, changed to line 21, old text: return value + 5");
    EXPECT_EQ(cellName(rightColumn, removed), "Line 21, changed from line 21, new text: return value + 6");
    EXPECT_EQ(cellName(rightColumn, removed + 1), "Line 22, added: added line");
}

TEST(AccessibleDiff, AMillionRowsMakeCellsOnlyNearTheView)
{
    QStringList left = test::numberedLines(1'000'000);
    QStringList right = left;
    right.last() = QStringLiteral("changed");
    InlineView view;
    view.setResult(test::diff(left, right));
    show(view);
    QAccessibleInterface* table = accessible(&view);
    ASSERT_EQ(table->childCount(), 1'000'001);
    EXPECT_EQ(liveCells(&view), 0U);

    // A reader walking far through the rows leaves only what it needs near the view.
    const QAccessible::Id first = QAccessible::uniqueId(table->child(0));
    for (int row = 0; row < 20'000; ++row) {
        ASSERT_FALSE(table->child(row)->text(QAccessible::Name).isEmpty());
        ASSERT_LE(liveCells(&view), DiffTableAccessible::kMaxCells);
    }
    EXPECT_EQ(QAccessible::accessibleInterface(first), table->child(0)) << "the rows in view stay";
    EXPECT_EQ(table->child(999'999)->text(QAccessible::Name),
              "Line 1000000, changed to line 1000000, old text: line 1000000");
    // The cells of the rows in view say they are shown; far ones that they are not.
    EXPECT_FALSE(table->child(0)->state().offscreen);
    EXPECT_TRUE(table->child(999'999)->state().offscreen);

    // A new result drops every cell: none names a row it no longer has.
    QAccessibleInterface* stale = table->child(5);
    const QAccessible::Id staleId = QAccessible::uniqueId(stale);
    view.setResult(test::diff({"a"}, {"b"}));
    EXPECT_EQ(liveCells(&view), 0U);
    EXPECT_EQ(QAccessible::accessibleInterface(staleId), nullptr);
    EXPECT_EQ(table->childCount(), 2);
}

TEST(AccessibleDiff, TheRowCursorFollowsTheKeysIsHeardAndCopied)
{
    QStringList right = test::numberedLines(500);
    right[250] = QStringLiteral("changed 251");
    InlineView view;
    view.setResult(test::diff(test::numberedLines(500), right));
    show(view);
    view.setFocus(Qt::TabFocusReason);
    const auto inView = [&view] {
        return view.cursorRow() && view.viewport()->rect().contains(view.rowRect(*view.cursorRow()));
    };

    // The first key starts at the top row, and the view scrolls as it always did.
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(view.cursorRow(), 1);
    EXPECT_EQ(view.scrollPosition().y(), view.rowHeight());
    EXPECT_TRUE(inView());
    EXPECT_EQ(focusedName(&view), "Line 2: line 2");
    QTest::keyClick(&view, Qt::Key_Up);
    QTest::keyClick(&view, Qt::Key_Up);
    EXPECT_EQ(view.cursorRow(), 0);
    QTest::keyClick(&view, Qt::Key_PageDown);
    QTest::keyClick(&view, Qt::Key_PageDown);
    EXPECT_TRUE(inView());
    EXPECT_GT(*view.cursorRow(), 2 * (view.viewport()->height() / view.rowHeight()) - 2);
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(view.cursorRow(), view.rowCount() - 1);
    EXPECT_TRUE(inView());
    QTest::keyClick(&view, Qt::Key_Home);
    EXPECT_EQ(view.cursorRow(), 0);
    // Scrolled away with the wheel, the next key brings the cursor into view.
    view.setScrollTop(200 * view.rowHeight());
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_TRUE(inView());
    EXPECT_GE(*view.cursorRow(), 200);

    // Ctrl+C copies the cursor's line without a selection, the selection with one.
    view.setCursorRow(250);
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "line 251");
    view.setCursorRow(251);
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "changed 251");
    view.setSelection({10, 0}, {10, 4});
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "line");
    // Keys that are not the cursor's still scroll sideways and do nothing else.
    const qint64 before = *view.cursorRow();
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_EQ(view.cursorRow(), before);
}

TEST(AccessibleDiff, ACursorFrameIsDrawnOnlyWhileTheKeyboardIsInTheView)
{
    for (const bool dark : {false, true}) {
        Appearance::instance().setDark(dark);
        InlineView view;
        const auto [left, right] = replacement();
        view.setResult(test::diff(left, right));
        show(view);
        view.setFocus(Qt::TabFocusReason);
        QTest::keyClick(&view, Qt::Key_Down);
        view.setCursorRow(view.cursorRow().value_or(0) + 6);
        const QRect row = view.rowRect(*view.cursorRow());
        ASSERT_TRUE(view.viewport()->rect().contains(row));
        const QImage image = test::grabImage(view.viewport());
        const QColor accent = Appearance::instance().palette().color(ColorRole::accent);
        EXPECT_TRUE(test::sameColor(image.pixelColor(row.center().x(), row.top()), accent));
        EXPECT_TRUE(test::sameColor(image.pixelColor(row.center().x(), row.bottom()), accent));
        if (const QByteArray folder = qgetenv("VARNEL_SHOTS"); !folder.isEmpty())
            image.save(QDir(QString::fromLocal8Bit(folder)).filePath(dark ? "cursor-dark.png" : "cursor-light.png"));
        // A click takes the frames away with the keyboard's ring.
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(200, 100));
        const QImage clicked = test::grabImage(view.viewport());
        EXPECT_FALSE(test::sameColor(clicked.pixelColor(row.center().x(), row.top()), accent));
    }
    Appearance::instance().setDark(false);
}

namespace {

// Left lines 1..100; the right side adds a line after every fifth up to 85: 17 changes.
std::pair<QStringList, QStringList> seventeenAdditions()
{
    QStringList left;
    QStringList right;
    for (int i = 1; i <= 100; ++i) {
        left << QStringLiteral("line %1").arg(i);
        right << QStringLiteral("line %1").arg(i);
        if (i % 5 == 0 && i <= 85)
            right << QStringLiteral("added after %1").arg(i);
    }
    return {left, right};
}

class AccessibleComparison : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::clearPreferences();
        const auto [left, right] = seventeenAdditions();
        model = std::make_unique<ComparisonViewModel>(test::cannedComparator(left, right));
        view = std::make_unique<DiffContainerView>(*model);
        view->resize(1100, 700);
        show(*view);
        model->loadFile(QUrl::fromLocalFile("/nonexistent/a.txt"), FileSide::left);
        model->loadFile(QUrl::fromLocalFile("/nonexistent/b.txt"), FileSide::right);
        ASSERT_TRUE(test::waitFor([this] { return view->content() == DiffContainerView::Content::diff; }));
    }
    void TearDown() override
    {
        view.reset();
        model->resetFiles();
    }

    std::unique_ptr<ComparisonViewModel> model;
    std::unique_ptr<DiffContainerView> view;
};

} // namespace

TEST_F(AccessibleComparison, AChangeCommandMovesTheCursorAndSaysWhichChange)
{
    view->setViewMode(DiffViewMode::inlineView);
    InlineView* inlined = view->inlineView();
    inlined->setFocus(Qt::TabFocusReason);
    QTest::keyClick(inlined, Qt::Key_BracketRight, Qt::ControlModifier);
    ASSERT_EQ(model->focusedChangeIndex(), 0);
    EXPECT_EQ(inlined->cursorRow(), model->focusedChangeRow());
    EXPECT_EQ(focusedName(inlined), "Change 1 of 17: 1 line added. Line 6, added: added after 5");
    QTest::keyClick(inlined, Qt::Key_BracketRight, Qt::ControlModifier);
    EXPECT_EQ(focusedName(inlined), "Change 2 of 17: 1 line added. Line 12, added: added after 10");
    // Moving on, the row says only itself.
    QTest::keyClick(inlined, Qt::Key_Down);
    EXPECT_TRUE(focusedName(inlined).startsWith("Line ")) << focusedName(inlined).toStdString();
    QTest::keyClick(inlined, Qt::Key_BracketLeft, Qt::ControlModifier);
    EXPECT_TRUE(focusedName(inlined).startsWith("Change 1 of 17: ")) << focusedName(inlined).toStdString();
}

TEST_F(AccessibleComparison, F7ListsTheChangesAndEnterGoesToTheChosenOne)
{
    QAction* list = view->listChangesAction();
    ASSERT_TRUE(list->isEnabled());
    EXPECT_EQ(list->shortcut(), QKeySequence(Qt::Key_F7));
    model->moveToNextChange();
    model->moveToNextChange(); // change 2 is focused

    for (const bool dark : {false, true}) {
        Appearance::instance().setDark(dark);
        view->activateWindow(); // offscreen, no window manager gives it back
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
        QTest::keyClick(view.get(), Qt::Key_F7);
        ChangeReader* reader = view->changeReader();
        ASSERT_TRUE(reader && reader->isVisible());
        ASSERT_TRUE(QTest::qWaitForWindowActive(reader));
        EXPECT_TRUE(test::waitFor([reader] { return reader->list()->hasFocus(); }));
        QAbstractItemModel* entries = reader->list()->model();
        ASSERT_EQ(entries->rowCount(), 17);
        EXPECT_EQ(entries->index(0, 0).data().toString(), "Line 6 added: added after 5");
        EXPECT_EQ(entries->index(16, 0).data().toString(), "Line 102 added: added after 85");
        EXPECT_EQ(reader->list()->currentIndex().row(), 1) << "the focused change is the current entry";
        EXPECT_FALSE(accessible(reader->list())->text(QAccessible::Name).isEmpty());
        if (const QByteArray folder = qgetenv("VARNEL_SHOTS"); !folder.isEmpty())
            test::grabImage(reader).save(
                QDir(QString::fromLocal8Bit(folder)).filePath(dark ? "reader-dark.png" : "reader-light.png"));
        // Escape returns, the focus where it was.
        QTest::keyClick(reader->list(), Qt::Key_Escape);
        ASSERT_TRUE(test::waitFor([this] { return !view->changeReader(); }));
        EXPECT_EQ(model->focusedChangeIndex(), 1);
    }
    Appearance::instance().setDark(false);

    // Enter goes to the chosen change and puts the keyboard in the diff, on its line.
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    QTest::keyClick(view.get(), Qt::Key_F7);
    ChangeReader* reader = view->changeReader();
    ASSERT_TRUE(reader);
    ASSERT_TRUE(QTest::qWaitForWindowActive(reader));
    QTest::keyClick(reader->list(), Qt::Key_End);
    QTest::keyClick(reader->list(), Qt::Key_Return);
    ASSERT_TRUE(test::waitFor([this] { return !view->changeReader(); }));
    EXPECT_EQ(model->focusedChangeIndex(), 16);
    DiffColumnView* right = view->sideBySideView()->column(PageSide::right);
    view->activateWindow();
    ASSERT_TRUE(test::waitFor([right] { return right->hasFocus(); }));
    EXPECT_EQ(right->cursorRow(), model->focusedChangeRow());
    EXPECT_TRUE(right->accessibleRowName(*right->cursorRow()).startsWith("Change 17 of 17: 1 line added. Line 102"));

    // Without changes there is nothing to list.
    model->resetFiles();
    EXPECT_FALSE(list->isEnabled());
}

TEST(AccessibleDiff, AComparisonsProgressIsAValueScreenReadersRead)
{
    const auto [left, right] = seventeenAdditions();
    auto hold = std::make_shared<std::atomic<bool>>(true);
    ComparisonViewModel model(test::cannedComparator(left, right, hold));
    const auto release = qScopeGuard([hold] { hold->store(false); }); // a failed check ends no wait
    DiffContainerView view(model);
    show(view);
    model.loadFile(QUrl::fromLocalFile("/nonexistent/a.txt"), FileSide::left);
    model.loadFile(QUrl::fromLocalFile("/nonexistent/b.txt"), FileSide::right);
    ASSERT_TRUE(test::waitFor([&view] { return view.content() == DiffContainerView::Content::comparing; }));
    QAccessibleInterface* bar = accessible(view.busyIndicator());
    EXPECT_EQ(bar->role(), QAccessible::ProgressBar);
    EXPECT_EQ(bar->text(QAccessible::Name), "Comparing files…");
    EXPECT_FALSE(bar->text(QAccessible::Description).isEmpty());
    EXPECT_EQ(bar->text(QAccessible::Value), "In progress");
    view.busyIndicator()->setProgress(0.456);
    EXPECT_EQ(bar->text(QAccessible::Value), "45%");
    ASSERT_TRUE(bar->valueInterface());
    EXPECT_EQ(bar->valueInterface()->currentValue().toInt(), 45);
    EXPECT_EQ(bar->valueInterface()->maximumValue().toInt(), 100);
    hold->store(false);
    ASSERT_TRUE(test::waitFor([&view] { return view.content() == DiffContainerView::Content::diff; }));
    model.resetFiles();
}
