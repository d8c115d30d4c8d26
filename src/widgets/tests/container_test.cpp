// SPDX-License-Identifier: GPL-3.0-or-later

#include "screentestutil.h"
#include "testutil.h"
#include "widgets/comparison/diffcontainerview.h"
#include "widgets/diffview/inlineview.h"
#include "widgets/diffview/sidebysideview.h"
#include "widgets/diffview/summarybarview.h"
#include "widgets/style/busyindicator.h"
#include "widgets/style/buttons.h"
#include "widgets/style/segmentedcontrol.h"

#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace varnel;

namespace {

QUrl fake(const QString& name)
{
    return QUrl::fromLocalFile(QStringLiteral("/nonexistent/") + name);
}

// Left lines 1..100; the right side adds 17 lines at different places: 17 changes.
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

class ContainerTest : public ::testing::Test {
protected:
    void SetUp() override { test::clearPreferences(); }

    // A container over a view model whose comparisons give `left` against `right`.
    void make(const QStringList& left, const QStringList& right, std::shared_ptr<std::atomic<bool>> hold = nullptr)
    {
        view.reset(); // before the model it reads
        model = std::make_unique<ComparisonViewModel>(test::cannedComparator(left, right, std::move(hold)));
        view = std::make_unique<DiffContainerView>(*model);
        view->resize(1100, 700);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    }

    // Loads two files and waits until the screen shows the outcome.
    void compare(const QString& leftName, const QString& rightName)
    {
        model->loadFile(fake(leftName), FileSide::left);
        model->loadFile(fake(rightName), FileSide::right);
        ASSERT_TRUE(test::waitFor(
            [this] { return !model->isComparing() && view->content() != DiffContainerView::Content::empty; }));
    }

    void TearDown() override
    {
        view.reset();
        if (model)
            model->resetFiles();
    }

    test::FakeDialogs dialogs;
    std::unique_ptr<ComparisonViewModel> model;
    std::unique_ptr<DiffContainerView> view;
};

// Both layouts may stop wrapping at once (a text size whose heights do not fit): one alert.
TEST_F(ContainerTest, WrappingDroppedByBothLayoutsIsSaidOnce)
{
    make({"one"}, {"two"});
    compare(QStringLiteral("a.txt"), QStringLiteral("b.txt"));
    Q_EMIT view->sideBySideView()->column(PageSide::left)->wrappingDropped();
    Q_EMIT view->inlineView()->wrappingDropped();
    ASSERT_TRUE(test::waitFor([this] { return !dialogs.alerts.empty(); }));
    test::settle();
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].title, QStringLiteral("Long Lines Not Wrapped"));
}

TEST_F(ContainerTest, IdenticalFilesShowTheNoticeAndNoNavigation)
{
    make({QStringLiteral("same")}, {QStringLiteral("same")});
    compare(QStringLiteral("a.txt"), QStringLiteral("b.txt"));
    EXPECT_EQ(view->content(), DiffContainerView::Content::identical);
    EXPECT_FALSE(view->toolbar()->navigationGroup()->isVisible());
    EXPECT_FALSE(view->toolbar()->contextButton()->isVisible());
    EXPECT_TRUE(view->bannerText().isEmpty());
    EXPECT_TRUE(view->toolbar()->swapButton()->isVisible());
    EXPECT_TRUE(view->toolbar()->closeButton()->isVisible());
}

TEST_F(ContainerTest, IdenticalLinesWrittenDifferentlySayHowAndTheLabelsTellEachFilesFormat)
{
    // Real files through the real comparison: the same lines, with other line ends.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&dir](const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return QUrl::fromLocalFile(file.fileName());
    };
    const QUrl windows = write(QStringLiteral("windows.txt"), "one\r\ntwo");
    const QUrl lfOnly = write(QStringLiteral("lfOnly.txt"), "one\ntwo");
    const QUrl lfEnded = write(QStringLiteral("ended.txt"), "one\ntwo\n");

    view.reset();
    model = std::make_unique<ComparisonViewModel>();
    view = std::make_unique<DiffContainerView>(*model);
    view->resize(1100, 700);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    const auto compareUrls = [this](const QUrl& left, const QUrl& right) {
        model->loadFile(left, FileSide::left);
        model->loadFile(right, FileSide::right);
        ASSERT_TRUE(test::waitFor([this] {
            return !model->isComparing() && view->content() != DiffContainerView::Content::empty &&
                   view->content() != DiffContainerView::Content::comparing;
        }));
    };

    compareUrls(windows, lfOnly);
    ASSERT_EQ(view->content(), DiffContainerView::Content::identical);
    EXPECT_EQ(view->formatsText(), QStringLiteral("Line ends differ: CR LF on the left, LF on the right"));
    // Each file's full path comes first.
    EXPECT_EQ(view->toolbar()->fileLabel(FileSide::left)->toolTip(),
              windows.toLocalFile() + QStringLiteral("\nClick to change file\nUTF-8 · CR LF · no final newline"));
    EXPECT_EQ(view->toolbar()->fileLabel(FileSide::right)->toolTip(),
              lfOnly.toLocalFile() + QStringLiteral("\nClick to change file\nUTF-8 · LF · no final newline"));

    // Only the last line end differs.
    model->loadFile(lfEnded, FileSide::left);
    ASSERT_TRUE(test::waitFor([this] { return !model->isComparing() && model->activeDiffResult(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(view->formatsText(), QStringLiteral("Only the left file ends with a newline"));
    EXPECT_EQ(view->toolbar()->fileLabel(FileSide::left)->toolTip(),
              lfEnded.toLocalFile() + QStringLiteral("\nClick to change file\nUTF-8 · LF"));

    // Written alike: the notice stands alone.
    model->loadFile(lfOnly, FileSide::left);
    ASSERT_TRUE(test::waitFor([this] { return !model->isComparing() && model->activeDiffResult(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(view->content(), DiffContainerView::Content::identical);
    EXPECT_EQ(view->formatsText(), QString());

    // Equal only as canonically equivalent Unicode: "twó" decomposed against precomposed.
    model->loadFile(write(QStringLiteral("nfd.txt"), "one\ntwo\xCC\x81"), FileSide::left);
    model->loadFile(write(QStringLiteral("nfc.txt"), "one\ntw\xC3\xB3"), FileSide::right);
    ASSERT_TRUE(test::waitFor([this] { return !model->isComparing() && model->activeDiffResult(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(view->content(), DiffContainerView::Content::identical);
    EXPECT_EQ(view->formatsText(), QStringLiteral("Unicode forms differ (NFC/NFD)"));
}

TEST_F(ContainerTest, NavigationCountsAndStepsThroughTheChanges)
{
    const auto [left, right] = seventeenAdditions();
    make(left, right);
    compare(QStringLiteral("a.txt"), QStringLiteral("b.txt"));
    ASSERT_EQ(view->content(), DiffContainerView::Content::diff);
    ComparisonToolbar* bar = view->toolbar();
    EXPECT_TRUE(bar->navigationGroup()->isVisible());
    EXPECT_EQ(bar->positionLabel()->text(), QStringLiteral("1 / 17"));
    EXPECT_GE(bar->positionLabel()->width(), 40);
    EXPECT_EQ(bar->previousButton()->toolTip(), QStringLiteral("Previous change (Ctrl+[)"));
    EXPECT_EQ(bar->nextButton()->toolTip(), QStringLiteral("Next change (Ctrl+])"));
    EXPECT_EQ(view->summaryBar()->badgeTexts(), (QStringList{QStringLiteral("+17"), QStringLiteral("-0")}));

    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(bar->nextButton(), Qt::LeftButton);
    EXPECT_EQ(bar->positionLabel()->text(), QStringLiteral("3 / 17"));
    EXPECT_EQ(view->sideBySideView()->focusedRow(), model->focusedChangeRow());

    // The keys: Ctrl+[ and Ctrl+], and Alt+Up and Alt+Down for keyboards without easy brackets.
    QTest::keyClick(view.get(), Qt::Key_BracketLeft, Qt::ControlModifier);
    EXPECT_EQ(model->focusedChangeIndex(), 1);
    QTest::keyClick(view.get(), Qt::Key_BracketRight, Qt::ControlModifier);
    QTest::keyClick(view.get(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(model->focusedChangeIndex(), 3);
    QTest::keyClick(view.get(), Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(bar->positionLabel()->text(), QStringLiteral("3 / 17"));
}

TEST_F(ContainerTest, TheContextButtonSwitchesBetweenCollapsedAndFull)
{
    const auto [left, right] = seventeenAdditions();
    make(left, right);
    compare(QStringLiteral("a.txt"), QStringLiteral("b.txt"));
    IconButton* context = view->toolbar()->contextButton();
    EXPECT_EQ(context->toolTip(), QStringLiteral("Expand all context"));
    EXPECT_EQ(context->iconName(), IconName::expandVertical);
    const qint64 collapsedRows = view->sideBySideView()->column(PageSide::left)->rowCount();

    QTest::mouseClick(context, Qt::LeftButton);
    test::settle();
    EXPECT_TRUE(model->showAllContext());
    EXPECT_EQ(context->toolTip(), QStringLiteral("Collapse unchanged sections"));
    EXPECT_EQ(context->iconName(), IconName::compressVertical);
    EXPECT_EQ(view->sideBySideView()->column(PageSide::left)->rowCount(), 117);
    EXPECT_LT(collapsedRows, 117);
    EXPECT_EQ(view->summaryBar()->badgeTexts(), (QStringList{QStringLiteral("+17"), QStringLiteral("-0")}));
}

TEST_F(ContainerTest, TheFocusedChangeStaysCentredWhenTheContextOrTheLayoutChanges)
{
    // 500 lines and five added; the fourth is line 401 of the right file.
    QStringList left = test::numberedLines(500);
    QStringList right = left;
    for (int line : {477, 397, 247, 117, 17})
        right.insert(line, QStringLiteral("added"));
    make(left, right);
    compare(QStringLiteral("a.txt"), QStringLiteral("b.txt"));
    for (int i = 0; i < 4; ++i)
        model->moveToNextChange();
    ASSERT_EQ(view->toolbar()->positionLabel()->text(), QStringLiteral("4 / 5"));
    DiffColumnView* column = view->sideBySideView()->column(PageSide::left);
    QTRY_VERIFY_WITH_TIMEOUT(!column->isAnimating(), 2000);
    // Centred, or as near as the ends of the rows allow.
    const auto centred = [this](DiffCanvas* canvas) {
        return !canvas->isAnimating() &&
               canvas->scrollPosition().y() == canvas->centringTarget(*model->focusedChangeRow()).y();
    };
    ASSERT_TRUE(centred(column));

    // Every switch between the collapsed and the full rows, in either layout, and the
    // layout shown for the first time or again afterwards.
    IconButton* context = view->toolbar()->contextButton();
    QTest::mouseClick(context, Qt::LeftButton);
    test::settle();
    ASSERT_TRUE(model->showAllContext());
    EXPECT_TRUE(centred(column));
    EXPECT_GT(column->scrollPosition().y(), 300 * column->rowHeight());
    EXPECT_TRUE(centred(view->sideBySideView()->column(PageSide::right)));
    view->setViewMode(DiffViewMode::inlineView);
    EXPECT_TRUE(test::waitFor([&] { return centred(view->inlineView()); }, 1000));
    QTest::mouseClick(context, Qt::LeftButton);
    test::settle();
    EXPECT_TRUE(centred(view->inlineView()));
    view->setViewMode(DiffViewMode::sideBySide);
    EXPECT_TRUE(test::waitFor([&] { return centred(column); }, 1000));
}

TEST_F(ContainerTest, TabFollowsTheScreenLeftToRightAndTopToBottom)
{
    const auto [left, right] = seventeenAdditions();
    make(left, right);
    compare(QStringLiteral("a.txt"), QStringLiteral("b.txt"));
    ComparisonToolbar* bar = view->toolbar();
    SegmentedControl* picker = bar->viewPicker();
    // The picker is one stop (its arrows choose); share is disabled without a handler.
    const std::vector<QWidget*> expected = {bar->fileLabel(FileSide::left),
                                            picker->segment(0),
                                            bar->previousButton(),
                                            bar->nextButton(),
                                            bar->contextButton(),
                                            bar->swapButton(),
                                            bar->closeButton(),
                                            bar->fileLabel(FileSide::right),
                                            view->sideBySideView()->column(PageSide::left),
                                            view->sideBySideView()->column(PageSide::right),
                                            bar->fileLabel(FileSide::left)};
    bar->fileLabel(FileSide::left)->setFocus(Qt::TabFocusReason);
    std::vector<QWidget*> visited;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        visited.push_back(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(visited, expected);
}

TEST_F(ContainerTest, ShareStaysDisabledWithoutAHandlerAndWhileAComparisonRuns)
{
    auto hold = std::make_shared<std::atomic<bool>>(false);
    make({QStringLiteral("a")}, {QStringLiteral("b")}, hold);
    compare(QStringLiteral("left.txt"), QStringLiteral("right.txt"));
    IconButton* share = view->toolbar()->shareButton();
    EXPECT_EQ(share->toolTip(), QStringLiteral("Share…"));
    EXPECT_FALSE(share->isEnabled()); // nothing to share with yet: it does not pretend

    QSignalSpy requests(view.get(), &DiffContainerView::shareRequested);
    view->setShareAvailable(true);
    EXPECT_TRUE(share->isEnabled());
    QTest::mouseClick(share, Qt::LeftButton);
    EXPECT_EQ(requests.size(), 1);

    // A swap starts a new comparison: nothing to share until it is done.
    hold->store(true);
    QTest::mouseClick(view->toolbar()->swapButton(), Qt::LeftButton);
    test::settle();
    EXPECT_EQ(model->leftFile()->name, QStringLiteral("right.txt"));
    EXPECT_FALSE(share->isEnabled());
    EXPECT_FALSE(view->toolbar()->navigationGroup()->isVisible());
    ASSERT_TRUE(test::waitFor([this] { return view->content() == DiffContainerView::Content::comparing; }));
    EXPECT_TRUE(view->busyIndicator()->isVisible());
    // The picker keeps its place when the navigation comes back with the result.
    const int pickerX = view->toolbar()->viewPicker()->mapTo(view.get(), QPoint()).x();
    // The old result is let go while the new one is computed.
    EXPECT_EQ(view->sideBySideView()->column(PageSide::left)->rowCount(), 0);
    EXPECT_EQ(view->inlineView()->rowCount(), 0);
    hold->store(false);
    ASSERT_TRUE(test::waitFor([&] { return share->isEnabled(); }));
    EXPECT_EQ(view->content(), DiffContainerView::Content::diff);
    EXPECT_EQ(view->toolbar()->fileLabel(FileSide::left)->shownName(), QStringLiteral("right.txt"));
    test::settle();
    EXPECT_TRUE(view->toolbar()->navigationGroup()->isVisible());
    EXPECT_EQ(view->toolbar()->viewPicker()->mapTo(view.get(), QPoint()).x(), pickerX);
}

TEST_F(ContainerTest, PdfAndWordShowTheirBannerAndNoColoursWhileJsonIsColoured)
{
    make({QStringLiteral("{\"a\": 1}")}, {QStringLiteral("{\"a\": 2}")});
    compare(QStringLiteral("report.pdf"), QStringLiteral("report 2.pdf"));
    EXPECT_EQ(view->bannerText(),
              QStringLiteral("Showing extracted text only — layout and visual differences are not reflected"));
    EXPECT_FALSE(view->language());
    EXPECT_FALSE(view->sideBySideView()->column(PageSide::left)->rowPainter().language());

    compare(QStringLiteral("letter.docx"), QStringLiteral("letter 2.docx"));
    EXPECT_EQ(view->bannerText(),
              QStringLiteral("Showing text content only — formatting differences are not reflected"));
    EXPECT_FALSE(view->language());

    compare(QStringLiteral("data.json"), QStringLiteral("data 2.json"));
    EXPECT_TRUE(view->bannerText().isEmpty());
    EXPECT_EQ(view->language(), SyntaxHighlighter::Language::json);
    EXPECT_EQ(view->sideBySideView()->column(PageSide::left)->rowPainter().language(),
              SyntaxHighlighter::Language::json);

    // The banner stays above "Files are identical" too.
    make({QStringLiteral("same")}, {QStringLiteral("same")});
    compare(QStringLiteral("a.pdf"), QStringLiteral("b.pdf"));
    EXPECT_EQ(view->content(), DiffContainerView::Content::identical);
    EXPECT_FALSE(view->bannerText().isEmpty());
}

TEST_F(ContainerTest, TheLayoutChoiceIsRememberedForEveryWindowAndTheNextStart)
{
    const auto [left, right] = seventeenAdditions();
    make(left, right);
    compare(QStringLiteral("a.txt"), QStringLiteral("b.txt"));
    EXPECT_EQ(view->viewMode(), DiffViewMode::sideBySide);
    ComparisonViewModel otherModel;
    DiffContainerView other(otherModel); // another window

    QTest::mouseClick(view->toolbar()->viewPicker()->segment(1), Qt::LeftButton);
    EXPECT_EQ(view->viewMode(), DiffViewMode::inlineView);
    EXPECT_EQ(view->currentDiffView(), view->inlineView());
    EXPECT_TRUE(view->inlineView()->isVisible());
    EXPECT_EQ(view->inlineView()->rowCount(), model->activeDiffResult()->lines().size());
    EXPECT_EQ(other.viewMode(), DiffViewMode::inlineView);
    EXPECT_EQ(QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Varnel"), QStringLiteral("Varnel"))
                  .value(QStringLiteral("diffViewMode"))
                  .toString(),
              QStringLiteral("inline"));

    // Wrapping follows its own preference, in both layouts of every window.
    model->layout().setWrapsLongLines(true);
    EXPECT_TRUE(view->sideBySideView()->isWrapping());
    EXPECT_TRUE(view->inlineView()->isWrapping());
    EXPECT_TRUE(other.inlineView()->isWrapping());

    // The next start reads it.
    view.reset();
    make(left, right);
    EXPECT_EQ(view->viewMode(), DiffViewMode::inlineView);
    EXPECT_TRUE(view->inlineView()->isWrapping());
    EXPECT_EQ(view->toolbar()->viewPicker()->currentIndex(), 1);

    // A value that is not a layout reads as side by side.
    QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Varnel"), QStringLiteral("Varnel"))
        .setValue(QStringLiteral("diffViewMode"), QStringLiteral("sideways"));
    view.reset();
    make(left, right);
    EXPECT_EQ(view->viewMode(), DiffViewMode::sideBySide);
}

TEST_F(ContainerTest, AReplacementFileMustBeSupported)
{
    make({QStringLiteral("a")}, {QStringLiteral("b")});
    compare(QStringLiteral("a.txt"), QStringLiteral("b.txt"));
    FileLabelButton* label = view->toolbar()->fileLabel(FileSide::left);
    EXPECT_EQ(label->toolTip(), model->leftFile()->url.toLocalFile() + QStringLiteral("\nClick to change file"));
    EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);

    QTemporaryDir dir;
    QFile binary(dir.filePath(QStringLiteral("notes.xyz")));
    ASSERT_TRUE(binary.open(QIODevice::WriteOnly));
    binary.write(QByteArray("\0\1\2", 3));
    binary.close();
    dialogs.answers = {QUrl::fromLocalFile(binary.fileName()), fake(QStringLiteral("Makefile")),
                       fake(QStringLiteral("c.md"))};
    QTest::mouseClick(label, Qt::LeftButton);
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].caption, QStringLiteral("Choose a replacement file"));
    EXPECT_EQ(dialogs.requests[0].nameFilters, FileTypeDetector::allowedContentTypes());
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].title, QStringLiteral("Unsupported File Type"));
    EXPECT_EQ(dialogs.alerts[0].text, QStringLiteral("The file \"notes.xyz\" looks like a binary file, not text. "
                                                     "Please choose a PDF, DOCX, or text file."));
    EXPECT_EQ(model->leftFile()->name, QStringLiteral("a.txt"));
    EXPECT_TRUE(model->activeDiffResult()); // nothing restarted

    QTest::mouseClick(label, Qt::LeftButton);
    ASSERT_EQ(dialogs.alerts.size(), 2u);
    EXPECT_EQ(dialogs.alerts[1].title, QStringLiteral("Cannot Open File"));
    EXPECT_EQ(dialogs.alerts[1].text,
              QStringLiteral("The file \"Makefile\" could not be read: No such file or directory."));

    QTest::mouseClick(view->toolbar()->fileLabel(FileSide::right), Qt::LeftButton);
    EXPECT_EQ(model->rightFile()->name, QStringLiteral("c.md"));
    EXPECT_EQ(model->leftFile()->name, QStringLiteral("a.txt"));
}

TEST_F(ContainerTest, ErrorsAreShownVerbatimAndLongNamesAreCutInTheMiddle)
{
    model = std::make_unique<ComparisonViewModel>(
        [](const FileItem&, const FileItem&, const CancelCheck&) -> Expected<ComparisonOutcome> {
            return Error{Error::Kind::fileUnreadable,
                         QStringLiteral("The file \"b.txt\" could not be read: <b>No</b> access.")};
        });
    view = std::make_unique<DiffContainerView>(*model);
    view->resize(900, 600); // the window's minimum
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    const QString longName =
        QStringLiteral("the-start-of-a-name-") + QString(120, QLatin1Char('m')) + QStringLiteral("-and-its-end.json");
    compare(longName, QStringLiteral("the-changed-version.txt"));
    EXPECT_EQ(view->content(), DiffContainerView::Content::error);
    EXPECT_EQ(view->errorText(), QStringLiteral("The file \"b.txt\" could not be read: <b>No</b> access."));
    test::settle();
    EXPECT_FALSE(view->toolbar()->shareButton()->isEnabled());

    const QString shown = view->toolbar()->fileLabel(FileSide::left)->shownName();
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
    EXPECT_TRUE(shown.startsWith(QStringLiteral("the-start")));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("end.json")));
    // The short name keeps its whole text; the long one takes what is left.
    EXPECT_EQ(view->toolbar()->fileLabel(FileSide::right)->shownName(), QStringLiteral("the-changed-version.txt"));
}

TEST_F(ContainerTest, AClosedComparisonKeepsNoRowsAlive)
{
    const auto [left, right] = seventeenAdditions();
    make(left, right);
    compare(QStringLiteral("a.txt"), QStringLiteral("b.txt"));
    QTest::mouseClick(view->toolbar()->viewPicker()->segment(1), Qt::LeftButton); // both layouts hold it
    ASSERT_GT(view->inlineView()->rowCount(), 0);
    ASSERT_GT(view->sideBySideView()->column(PageSide::left)->rowCount(), 0);

    QTest::mouseClick(view->toolbar()->closeButton(), Qt::LeftButton);
    test::settle();
    EXPECT_FALSE(model->leftFile());
    EXPECT_EQ(view->content(), DiffContainerView::Content::empty);
    EXPECT_EQ(view->inlineView()->rowCount(), 0);
    EXPECT_EQ(view->sideBySideView()->column(PageSide::left)->rowCount(), 0);
}

TEST_F(ContainerTest, TheDiffFollowsTheFontSize)
{
    const auto [left, right] = seventeenAdditions();
    make(left, right);
    compare(QStringLiteral("a.txt"), QStringLiteral("b.txt"));
    const int rowHeight = view->sideBySideView()->column(PageSide::left)->rowHeight();
    for (int i = 0; i < 20; ++i)
        model->increaseFontSize();
    EXPECT_EQ(view->sideBySideView()->fontSize(), 24);
    EXPECT_EQ(view->inlineView()->fontSize(), 24);
    EXPECT_GT(view->sideBySideView()->column(PageSide::left)->rowHeight(), rowHeight);
    for (int i = 0; i < 20; ++i)
        model->decreaseFontSize();
    EXPECT_EQ(view->sideBySideView()->fontSize(), 10);
    model->resetFontSize();
    EXPECT_EQ(view->inlineView()->fontSize(), 13);
    EXPECT_EQ(view->sideBySideView()->column(PageSide::left)->rowHeight(), rowHeight);
}

} // namespace

TEST_F(ContainerTest, ALongComparisonFillsTheBarAsTheEngineReports)
{
    auto hold = std::make_shared<std::atomic<bool>>(true);
    model = std::make_unique<ComparisonViewModel>(
        ComparisonViewModel::ProgressComparator([hold](const FileItem&, const FileItem&, const CancelCheck&,
                                                       const ProgressReport& progress) -> Expected<ComparisonOutcome> {
            progress(0.4);
            while (hold->load())
                QThread::msleep(2);
            const QStringList left{QStringLiteral("a")};
            const QStringList right{QStringLiteral("b")};
            return ComparisonOutcome{DiffEngine::compute(left, right, true), DiffEngine::compute(left, right, false)};
        }));
    view = std::make_unique<DiffContainerView>(*model);
    view->resize(1100, 700);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));

    QElapsedTimer clock;
    clock.start();
    model->loadFile(fake(QStringLiteral("left.txt")), FileSide::left);
    model->loadFile(fake(QStringLiteral("right.txt")), FileSide::right);
    ASSERT_TRUE(test::waitFor([this] { return view->content() == DiffContainerView::Content::comparing; }));
    BusyIndicator* bar = view->busyIndicator();
    // Qt's coarse timers may fire up to 5% early; well inside the first second the bar
    // only sweeps, though the engine has already said how far it is.
    if (clock.elapsed() < DiffContainerView::kDeterminateDelayMs / 2) {
        EXPECT_FALSE(bar->progress()) << "a comparison's first second only sweeps";
    }
    ASSERT_TRUE(test::waitFor([bar] { return bar->progress() == 0.4; }));
    EXPECT_FALSE(bar->isAnimating());

    hold->store(false);
    ASSERT_TRUE(test::waitFor([this] { return view->content() == DiffContainerView::Content::diff; }));
    EXPECT_FALSE(bar->progress()) << "the next comparison starts sweeping again";
}
