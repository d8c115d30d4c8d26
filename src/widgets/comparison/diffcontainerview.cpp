// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/comparison/diffcontainerview.h"

#include "viewmodel/findmodel.h"
#include "viewmodel/ignoring.h"
#include "widgets/comparison/compareoptionsmenu.h"
#include "widgets/comparison/findbar.h"
#include "widgets/comparison/reloadbanner.h"
#include "widgets/comparison/wrapoffer.h"
#include "widgets/dialogs/dialogs.h"
#include "widgets/diffview/inlineview.h"
#include "widgets/diffview/sidebysideview.h"
#include "widgets/diffview/summarybarview.h"
#include "widgets/style/appearance.h"
#include "widgets/style/busyindicator.h"
#include "widgets/style/buttons.h"
#include "widgets/style/fonts.h"
#include "widgets/style/separator.h"
#include "widgets/style/symbolview.h"
#include "widgets/style/widgetstyle.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace varnel {

namespace {

constexpr int kStateSpacing = 12;
constexpr int kErrorIconSize = 40;
constexpr int kIdenticalIconSize = 48;
constexpr int kErrorInset = 32;
constexpr int kBannerHorizontalInset = 16;
constexpr int kBannerVerticalInset = 8;
constexpr int kBannerSpacing = 8;
constexpr qreal kBannerFill = 0.08;

// A page of the content area, on the content background.
class ContentPage : public QWidget {
public:
    explicit ContentPage(QWidget* parent) : QWidget(parent)
    {
        connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Appearance::instance().palette().color(ColorRole::viewBackground));
    }
};

// The note above the rows of a PDF or Word comparison.
class Banner : public QWidget {
public:
    explicit Banner(QWidget* parent) : QWidget(parent)
    {
        connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const Palette& palette = Appearance::instance().palette();
        QPainter painter(this);
        painter.fillRect(rect(), palette.color(ColorRole::viewBackground));
        painter.fillRect(rect(), palette.color(ColorRole::secondary, kBannerFill));
    }
};

QLabel* stateLabel(const QString& text, fonts::TextStyle style, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFont(fonts::ui(style));
    label->setAlignment(Qt::AlignCenter);
    setTextColor(label, ColorRole::secondary);
    return label;
}

// A column centred in `page`.
QVBoxLayout* centredColumn(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kStateSpacing);
    layout->addStretch(1);
    return layout;
}

} // namespace

DiffContainerView::DiffContainerView(ComparisonViewModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_toolbar(new ComparisonToolbar(model, this))
    , m_pages(new QStackedWidget(this))
    , m_reloadBanner(new ReloadBanner(model.reload(), this))
    , m_emptyPage(new ContentPage(m_pages))
    , m_progressDelay(new QTimer(this))
    , m_determinateDelay(new QTimer(this))
    , m_find(new FindModel(model, this))
    , m_findBar(new FindBar(*m_find, this))
    , m_optionsMenu(new CompareOptionsMenu(model, this))
{
    setAcceptDrops(true);
    // Built here, after every member has its initial value: the builders set several.
    m_progressPage = buildProgressPage();
    m_errorPage = buildErrorPage();
    m_resultPage = buildResultPage();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolbar);
    layout->addWidget(new Separator(Qt::Horizontal, this));
    layout->addWidget(m_reloadBanner);
    layout->addWidget(m_pages, 1);
    layout->addWidget(m_findBar);
    for (QWidget* page : {m_emptyPage, m_progressPage, m_errorPage, m_resultPage})
        m_pages->addWidget(page);

    followProgress();
    followModel();

    const auto shortcut = [this](const QKeySequence& keys, auto action) {
        auto* item = new QShortcut(keys, this);
        connect(item, &QShortcut::activated, &m_model, action);
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_BracketLeft), &ComparisonViewModel::moveToPreviousChange);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_BracketRight), &ComparisonViewModel::moveToNextChange);
    shortcut(QKeySequence(Qt::ALT | Qt::Key_Up), &ComparisonViewModel::moveToPreviousChange);
    shortcut(QKeySequence(Qt::ALT | Qt::Key_Down), &ComparisonViewModel::moveToNextChange);

    // Find: the bar, its commands, and the matches marked in the layouts.
    buildFindActions();
    connectFind();
    buildChangeReader();

    refresh();
}

DiffContainerView::~DiffContainerView() = default;

void DiffContainerView::buildFindActions()
{
    // The platform's keys, and F3 and Shift+F3 wherever they are not among them (the bar's
    // tooltips name them).
    const auto keys = [](QKeySequence::StandardKey standard, const QKeySequence& f3) {
        QList<QKeySequence> list = QKeySequence::keyBindings(standard);
        if (f3 != QKeySequence() && !list.contains(f3))
            list.append(f3);
        return list;
    };
    const auto add = [this](const QString& text, const QList<QKeySequence>& shortcuts,
                            void (DiffContainerView::*slot)()) {
        auto* item = new QAction(text, this);
        item->setShortcuts(shortcuts);
        connect(item, &QAction::triggered, this, slot);
        addAction(item); // the keys work on this screen, in a menu or not
        return item;
    };
    m_findActions[std::size_t(FindAction::find)] =
        add(QStringLiteral("Find…"), keys(QKeySequence::Find, {}), &DiffContainerView::openFind);
    m_findActions[std::size_t(FindAction::next)] =
        add(QStringLiteral("Find Next"), keys(QKeySequence::FindNext, QKeySequence(Qt::Key_F3)),
            &DiffContainerView::findNext);
    m_findActions[std::size_t(FindAction::previous)] =
        add(QStringLiteral("Find Previous"), keys(QKeySequence::FindPrevious, QKeySequence(Qt::SHIFT | Qt::Key_F3)),
            &DiffContainerView::findPrevious);
    updateFindActions();
}

void DiffContainerView::updateFindActions()
{
    const bool available = m_find->isAvailable();
    for (QAction* item : m_findActions)
        item->setEnabled(available);
}

QWidget* DiffContainerView::buildProgressPage()
{
    auto* page = new ContentPage(m_pages);
    QVBoxLayout* layout = centredColumn(page);
    // The comparison does not say how far it is, so the bar only says that it runs.
    m_busy = new BusyIndicator(page);
    m_busy->setAccessibleName(QStringLiteral("Comparing files…"));
    m_busy->setAccessibleDescription(QStringLiteral("How much of the comparison is done"));
    layout->addWidget(m_busy, 0, Qt::AlignHCenter);
    layout->addWidget(stateLabel(QStringLiteral("Comparing files…"), fonts::TextStyle::subheadline, page));
    layout->addStretch(1);
    return page;
}

QWidget* DiffContainerView::buildErrorPage()
{
    auto* page = new ContentPage(m_pages);
    QVBoxLayout* layout = centredColumn(page);
    layout->setContentsMargins(kErrorInset, 0, kErrorInset, 0);
    layout->addWidget(new SymbolView(IconName::warning, kErrorIconSize, ColorRole::orange, page), 0, Qt::AlignHCenter);
    m_errorLabel = stateLabel(QString(), fonts::TextStyle::subheadline, page);
    m_errorLabel->setWordWrap(true);
    m_errorLabel->setTextFormat(Qt::PlainText); // shown verbatim
    m_errorLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_errorLabel);
    layout->addStretch(1);
    return page;
}

QWidget* DiffContainerView::buildResultPage()
{
    auto* page = new ContentPage(m_pages);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_banner = new Banner(page);
    auto* bannerLayout = new QHBoxLayout(m_banner);
    bannerLayout->setContentsMargins(kBannerHorizontalInset, kBannerVerticalInset, kBannerHorizontalInset,
                                     kBannerVerticalInset);
    bannerLayout->setSpacing(kBannerSpacing);
    const int footnote = fonts::pixelSize(fonts::TextStyle::footnote);
    bannerLayout->addWidget(new SymbolView(IconName::info, footnote + 2, ColorRole::secondary, m_banner));
    m_bannerLabel = new QLabel(m_banner);
    m_bannerLabel->setFont(fonts::ui(fonts::TextStyle::footnote));
    m_bannerLabel->setTextFormat(Qt::PlainText);
    m_bannerLabel->setWordWrap(true);
    setTextColor(m_bannerLabel, ColorRole::secondary);
    bannerLayout->addWidget(m_bannerLabel, 1);
    m_banner->hide();
    layout->addWidget(m_banner);
    m_wrapOffer = new WrapOffer(m_model.layout(), page);
    layout->addWidget(m_wrapOffer);

    m_resultStack = new QStackedWidget(page);
    layout->addWidget(m_resultStack, 1);

    m_identicalPage = new ContentPage(m_resultStack);
    QVBoxLayout* identical = centredColumn(m_identicalPage);
    identical->addWidget(new SymbolView(IconName::checkmark, kIdenticalIconSize, ColorRole::green, m_identicalPage), 0,
                         Qt::AlignHCenter);
    m_identicalLabel = stateLabel(QStringLiteral("Files are identical"), fonts::TextStyle::headline, m_identicalPage);
    m_identicalLabel->setTextFormat(Qt::PlainText); // patterns are the user's text
    m_identicalLabel->setWordWrap(true);
    m_identicalLabel->setContentsMargins(kErrorInset, 0, kErrorInset, 0);
    identical->addWidget(m_identicalLabel);
    m_formatsLabel = stateLabel(QString(), fonts::TextStyle::subheadline, m_identicalPage);
    m_formatsLabel->setTextFormat(Qt::PlainText);
    m_formatsLabel->setWordWrap(true);
    m_formatsLabel->setContentsMargins(kErrorInset, 0, kErrorInset, 0);
    m_formatsLabel->hide();
    identical->addWidget(m_formatsLabel);
    identical->addStretch(1);
    m_resultStack->addWidget(m_identicalPage);

    m_diffPage = new QWidget(m_resultStack);
    auto* diff = new QVBoxLayout(m_diffPage);
    diff->setContentsMargins(0, 0, 0, 0);
    diff->setSpacing(0);
    m_summary = new SummaryBarView(m_diffPage);
    diff->addWidget(m_summary);
    diff->addWidget(new Separator(Qt::Horizontal, m_diffPage));
    m_layouts = new QStackedWidget(m_diffPage);
    m_sideBySide = new SideBySideView(m_layouts);
    m_inline = new InlineView(m_layouts);
    m_layouts->addWidget(m_sideBySide);
    m_layouts->addWidget(m_inline);
    diff->addWidget(m_layouts, 1);
    m_resultStack->addWidget(m_diffPage);
    return page;
}

DiffContainerView::Content DiffContainerView::content() const
{
    QWidget* page = m_pages->currentWidget();
    if (page == m_progressPage)
        return Content::comparing;
    if (page == m_errorPage)
        return Content::error;
    if (page == m_resultPage)
        return m_resultStack->currentWidget() == m_identicalPage ? Content::identical : Content::diff;
    return Content::empty;
}

QString DiffContainerView::bannerText() const
{
    return m_banner->isHidden() ? QString() : m_bannerLabel->text();
}

QString DiffContainerView::errorText() const
{
    return m_errorLabel->text();
}

QString DiffContainerView::identicalText() const
{
    return m_identicalLabel->text();
}

QString DiffContainerView::formatsText() const
{
    return m_formatsLabel->isHidden() ? QString() : m_formatsLabel->text();
}

QWidget* DiffContainerView::currentDiffView() const
{
    return viewMode() == DiffViewMode::inlineView ? static_cast<QWidget*>(m_inline) : m_sideBySide;
}

void DiffContainerView::applyViewMode(DiffViewMode mode)
{
    m_toolbar->setViewMode(mode);
    QWidget* focus = QApplication::focusWidget();
    const bool wasFocused = m_layouts->currentWidget()->isAncestorOf(focus) || m_layouts->currentWidget() == focus;
    // The other layout takes the focus as it came: a ring stays a ring.
    const bool byKeyboard = wasFocused && hasKeyboardFocus(focus);
    m_layouts->setCurrentWidget(currentDiffView());
    if (const std::optional<DiffResult>& result = m_model.activeDiffResult(); result && result->hasChanges()) {
        const std::optional<qint64> focused = m_model.focusedChangeRow();
        // A layout given other rows (the first result, the context expanded or collapsed)
        // centres the focused change at once: its pixel position means another row now.
        // A find match that is about to be revealed takes the place of the focus.
        if (mode == DiffViewMode::inlineView) {
            if (std::exchange(m_inlineStale, false)) {
                m_inline->setResult(*result, focused);
                m_inline->setMoves(m_model.movedBlocks());
                if (!m_revealPending)
                    m_inline->centreFocus();
            } else {
                m_inline->setFocusedRow(focused);
            }
        } else {
            if (std::exchange(m_sideBySideStale, false)) {
                m_sideBySide->setResult(*result, focused);
                m_sideBySide->setMoves(m_model.movedBlocks());
                if (!m_revealPending)
                    m_sideBySide->centreFocus();
            } else {
                m_sideBySide->setFocusedRow(focused);
            }
        }
        applyFind();
        if (std::exchange(m_revealPending, false))
            revealFind();
    }
    if (wasFocused)
        focusDiffView(byKeyboard ? Qt::ShortcutFocusReason : Qt::OtherFocusReason);
    updateWrapOffer();
}

void DiffContainerView::updateWrapOffer()
{
    const std::optional<FileItem>& left = m_model.leftFile();
    const std::optional<FileItem>& right = m_model.rightFile();
    const bool diff = content() == Content::diff && left && right;
    const auto cut = [](const DiffCanvas* canvas) { return canvas->horizontalScrollBar()->maximum() > 0; };
    const bool linesCut = viewMode() == DiffViewMode::inlineView
                              ? cut(m_inline)
                              : cut(m_sideBySide->column(PageSide::left)) || cut(m_sideBySide->column(PageSide::right));
    // The two files, in either order, tell one comparison of the window from the next.
    QString comparison;
    if (diff) {
        QStringList files{left->url.toString(), right->url.toString()};
        files.sort();
        comparison = files.join(QLatin1Char('\n'));
    }
    m_wrapOffer->setShown(diff ? left->mode.kind() : DiffMode::Kind::text, diff && linesCut, comparison);
}

void DiffContainerView::setShareAvailable(bool available)
{
    m_shareAvailable = available;
    m_toolbar->setShareAvailable(available);
}

void DiffContainerView::share()
{
    if (m_shareAvailable && m_model.activeDiffResult() && m_model.bothFilesLoaded())
        Q_EMIT shareRequested();
}

void DiffContainerView::scheduleRefresh()
{
    if (std::exchange(m_refreshPending, true))
        return;
    QMetaObject::invokeMethod(this, &DiffContainerView::refresh, Qt::QueuedConnection);
}

void DiffContainerView::refresh()
{
    m_refreshPending = false;
    m_toolbar->refresh();
    updateFindActions();

    const std::optional<SyntaxHighlighter::Language> language = m_model.language();
    if (language != m_language) {
        m_language = language;
        m_sideBySide->setLanguage(language);
        m_inline->setLanguage(language);
    }

    if (!m_model.activeDiffResult())
        releaseResult();
    // Files compared again keep their result in view until the new one comes.
    if (m_model.isComparing() && !m_model.activeDiffResult()) {
        // Quick comparisons never show the progress page; slower ones show it after a moment.
        if (m_pages->currentWidget() != m_progressPage) {
            m_pages->setCurrentWidget(m_emptyPage);
            if (!m_progressDelay->isActive())
                m_progressDelay->start();
        }
        return;
    }
    m_progressDelay->stop();
    if (const std::optional<QString>& error = m_model.comparisonError()) {
        m_errorLabel->setText(*error);
        m_pages->setCurrentWidget(m_errorPage);
    } else if (m_model.activeDiffResult()) {
        showResult();
        m_pages->setCurrentWidget(m_resultPage);
    } else {
        m_pages->setCurrentWidget(m_emptyPage);
    }
    updateWrapOffer();
}

void DiffContainerView::releaseResult()
{
    // The layouts would otherwise keep the last result (and its text) alive while the
    // next comparison runs, or after the comparison is closed.
    if (std::exchange(m_layoutsEmpty, true))
        return;
    m_sideBySide->setResult(DiffResult());
    m_inline->setResult(DiffResult());
    m_sideBySide->setMoves({});
    m_inline->setMoves({});
    m_summary->setCounts(0, 0, 0);
    m_summary->setMovedCount(0);
    m_sideBySideStale = m_inlineStale = true;
}

void DiffContainerView::showResult()
{
    const DiffResult& result = *m_model.activeDiffResult();
    const std::optional<FileItem>& left = m_model.leftFile();
    const DiffMode::Kind kind = left ? left->mode.kind() : DiffMode::Kind::text;
    if (kind == DiffMode::Kind::docx)
        m_bannerLabel->setText(QStringLiteral("Showing text content only — formatting differences are not reflected"));
    else if (kind == DiffMode::Kind::pdf)
        m_bannerLabel->setText(
            QStringLiteral("Showing extracted text only — layout and visual differences are not reflected"));
    m_banner->setVisible(kind == DiffMode::Kind::docx || kind == DiffMode::Kind::pdf);

    if (!result.hasChanges()) {
        // Equal lines may still be written differently: line ends, encoding, last newline,
        // Unicode forms.
        const std::optional<DiffResult>& full = m_model.fullDiffResult();
        m_identicalLabel->setText(identicalNotice(full ? *full : result, m_model.compareOptions()));
        const QString differences = m_model.textFormats().differences();
        m_formatsLabel->setText(differences);
        m_formatsLabel->setVisible(!differences.isEmpty());
        m_resultStack->setCurrentWidget(m_identicalPage);
        return;
    }
    m_summary->setResult(result);
    m_summary->setMovedCount(m_model.movedBlocks().size());
    m_summary->setIgnoredToolTip(ignoredBadgeToolTip(result.ignoredCount(), m_model.compareOptions()));
    m_layoutsEmpty = false;
    m_resultStack->setCurrentWidget(m_diffPage);
    applyViewMode(viewMode()); // gives the result to the layout in use
    // The keyboard lands in the rows, unless it was brought to a control of this screen or
    // is in the find field (a match in folded lines brings a new result while typing).
    QWidget* focus = QApplication::focusWidget();
    const bool kept = focus && isAncestorOf(focus) && (hasKeyboardFocus(focus) || m_findBar->isAncestorOf(focus));
    if (!kept)
        focusDiffView();
}

void DiffContainerView::openFind()
{
    m_findBar->open();
}

void DiffContainerView::closeFind()
{
    m_findBar->close();
}

qint64 DiffContainerView::firstRowInView() const
{
    return viewMode() == DiffViewMode::inlineView ? m_inline->firstVisibleRow()
                                                  : m_sideBySide->column(PageSide::left)->firstVisibleRow();
}

void DiffContainerView::findNext()
{
    if (m_findBar->isHidden())
        m_findBar->open();
    m_find->moveToNext(firstRowInView());
}

void DiffContainerView::findPrevious()
{
    if (m_findBar->isHidden())
        m_findBar->open();
    m_find->moveToPrevious(firstRowInView());
}

void DiffContainerView::applyFind()
{
    // A layout that still shows an older result is told the current match once it has the new one.
    const TextMatcher matcher = m_findBar->isHidden() ? TextMatcher() : m_find->matcher();
    std::optional<RowPainter::FindMark> current;
    if (const std::optional<FindModel::Highlight> at = m_find->currentHighlight())
        current = RowPainter::FindMark{at->row, at->span, at->side};
    // The rows' counts of matches in folded lines come from the find model, for the rows painted.
    const auto folded = [find = m_find](qint64 row) { return find->hiddenMatchesText(row); };
    m_sideBySide->setFind(matcher, m_sideBySideStale ? std::nullopt : current,
                          m_sideBySideStale ? RowPainter::FoldedMatches() : folded);
    m_inline->setFind(matcher, m_inlineStale ? std::nullopt : current,
                      m_inlineStale ? RowPainter::FoldedMatches() : folded);
}

void DiffContainerView::revealFind()
{
    const bool stale = viewMode() == DiffViewMode::inlineView ? m_inlineStale : m_sideBySideStale;
    if (stale) {
        // The context is being expanded: the layout shows the match once it has every line.
        m_revealPending = true;
        return;
    }
    const std::optional<FindModel::Highlight> at = m_find->currentHighlight();
    if (!at)
        return;
    if (viewMode() == DiffViewMode::inlineView)
        m_inline->revealMatch(at->row, at->span);
    else
        m_sideBySide->revealMatch(at->row, at->span, at->side);
}

void DiffContainerView::focusDiffView(Qt::FocusReason reason)
{
    if (viewMode() == DiffViewMode::inlineView)
        m_inline->setFocus(reason);
    else
        m_sideBySide->column(PageSide::left)->setFocus(reason);
}

} // namespace varnel
