// SPDX-License-Identifier: GPL-3.0-or-later

// How the comparison screen follows its view model, its progress and its find bar.
#include "viewmodel/findmodel.h"
#include "widgets/comparison/compareoptionsmenu.h"
#include "widgets/comparison/diffcontainerview.h"
#include "widgets/comparison/findbar.h"
#include "widgets/comparison/reloadbanner.h"
#include "widgets/dialogs/dialogs.h"
#include "widgets/diffview/inlineview.h"
#include "widgets/diffview/sidebysideview.h"
#include "widgets/diffview/summarybarview.h"
#include "widgets/style/busyindicator.h"

#include <QScrollBar>
#include <QShortcut>
#include <QStackedWidget>
#include <QTimer>

#include <utility>

namespace varnel {

// The progress page shows after a delay, its bar sweeping, then filling.
void DiffContainerView::followProgress()
{
    m_progressDelay->setSingleShot(true);
    m_progressDelay->setInterval(kProgressDelayMs);
    connect(m_progressDelay, &QTimer::timeout, this, [this] {
        if (m_model.isComparing() && !m_model.activeDiffResult())
            m_pages->setCurrentWidget(m_progressPage);
    });

    // Every comparison starts with the sweeping bar; one that runs past a second fills the
    // bar as the engine reports how far it has come.
    m_determinateDelay->setSingleShot(true);
    m_determinateDelay->setInterval(kDeterminateDelayMs);
    connect(&m_model, &ComparisonViewModel::isComparingChanged, this, [this] {
        m_busy->setProgress(std::nullopt);
        if (m_model.isComparing())
            m_determinateDelay->start();
        else
            m_determinateDelay->stop();
    });
    const auto showProgress = [this] {
        if (m_model.isComparing() && !m_determinateDelay->isActive())
            m_busy->setProgress(m_model.progress());
    };
    connect(m_determinateDelay, &QTimer::timeout, this, showProgress);
    connect(&m_model, &ComparisonViewModel::progressChanged, this, showProgress);
}

void DiffContainerView::followModel()
{
    // Many properties change together (a new comparison clears five of them); the screen
    // follows once they have settled.
    for (auto signal : {&ComparisonViewModel::leftFileChanged, &ComparisonViewModel::rightFileChanged,
                        &ComparisonViewModel::isComparingChanged, &ComparisonViewModel::comparisonErrorChanged,
                        &ComparisonViewModel::compareOptionsChanged})
        connect(&m_model, signal, this, &DiffContainerView::scheduleRefresh);
    // The toolbar's "Ignoring: …" opens the options under it.
    connect(m_toolbar, &ComparisonToolbar::optionsRequested, this,
            [this](QWidget* anchor) { m_optionsMenu->popup(anchor->mapToGlobal(QPoint(0, anchor->height()))); });
    for (auto signal : {&ComparisonViewModel::diffResultChanged, &ComparisonViewModel::fullDiffResultChanged,
                        &ComparisonViewModel::showAllContextChanged}) {
        connect(&m_model, signal, this, [this] {
            m_sideBySideStale = m_inlineStale = true;
            scheduleRefresh();
        });
    }
    // A focus move is cheap and wants to be seen at once.
    connect(&m_model, &ComparisonViewModel::focusedChangeIndexChanged, this, [this] {
        m_toolbar->refresh();
        const std::optional<qint64> row = m_model.focusedChangeRow();
        if (!m_sideBySideStale)
            m_sideBySide->setFocusedRow(row);
        if (!m_inlineStale)
            m_inline->setFocusedRow(row);
    });
    connect(&m_model, &ComparisonViewModel::diffFontSizeChanged, this, [this] {
        m_sideBySide->setFontSize(m_model.diffFontSize());
        m_inline->setFontSize(m_model.diffFontSize());
    });
    m_sideBySide->setFontSize(m_model.diffFontSize());
    m_inline->setFontSize(m_model.diffFontSize());

    connect(m_toolbar, &ComparisonToolbar::replaceRequested, this, &DiffContainerView::replaceFile);
    connect(m_reloadBanner, &ReloadBanner::chooseRequested, this, &DiffContainerView::replaceFile);
    connect(m_toolbar, &ComparisonToolbar::viewModeChosen, this, &DiffContainerView::setViewMode);
    connect(m_toolbar, &ComparisonToolbar::shareClicked, this, &DiffContainerView::share);

    // The layout is one preference for every window: follow whoever writes it.
    applyViewMode(m_model.layout().mode());
    connect(&m_model.layout(), &DiffLayout::modeChanged, this, &DiffContainerView::applyViewMode);
    const auto applyWrap = [this](bool wrap) {
        m_sideBySide->setWrapping(wrap);
        m_inline->setWrapping(wrap);
    };
    applyWrap(m_model.layout().wrapsLongLines());
    connect(&m_model.layout(), &DiffLayout::wrapChanged, this, applyWrap);
    // Said once the screen has shown the result, not while it takes it; once when both
    // layouts drop wrapping in one go.
    for (DiffCanvas* canvas :
         {static_cast<DiffCanvas*>(m_sideBySide->column(PageSide::left)), static_cast<DiffCanvas*>(m_inline)})
        connect(canvas, &DiffCanvas::wrappingDropped, this, [this] {
            if (std::exchange(m_wrapDropSaid, true))
                return;
            QTimer::singleShot(0, this, [this] {
                m_wrapDropSaid = false;
                sayWrappingDropped();
            });
        });
    m_sideBySide->setScrollTogether(m_model.layout().scrollsTogether());
    connect(&m_model.layout(), &DiffLayout::scrollTogetherChanged, m_sideBySide, &SideBySideView::setScrollTogether);
    const auto applyPairing = [this] {
        m_sideBySide->setPairing(m_model.layout().pairsChangedLines(DiffViewMode::sideBySide));
    };
    applyPairing();
    connect(&m_model.layout(), &DiffLayout::pairChangedLinesChanged, this, applyPairing);
    followMoves();
}

// Moved blocks: the layouts mark them, the summary bar counts them, and a click on a
// row's marker focuses the other end of its move.
void DiffContainerView::followMoves()
{
    connect(&m_model.moveDetection(), &MoveDetection::movesChanged, this, [this] {
        const MovedBlocks& moves = m_model.movedBlocks();
        if (!m_layoutsEmpty)
            m_summary->setMovedCount(moves.size());
        if (!m_sideBySideStale)
            m_sideBySide->setMoves(moves);
        if (!m_inlineStale)
            m_inline->setMoves(moves);
    });
    for (DiffCanvas* canvas :
         {static_cast<DiffCanvas*>(m_sideBySide->column(PageSide::left)),
          static_cast<DiffCanvas*>(m_sideBySide->column(PageSide::right)), static_cast<DiffCanvas*>(m_inline)})
        connect(canvas, &DiffCanvas::moveMarkerClicked, this, [this](qint64 row) { m_model.moveToOtherEnd(row); });
}

void DiffContainerView::connectFind()
{
    m_closeFind = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(m_closeFind, &QShortcut::activated, this, &DiffContainerView::closeFind);
    m_closeFind->setEnabled(false);
    connect(m_findBar, &FindBar::nextRequested, this, &DiffContainerView::findNext);
    connect(m_findBar, &FindBar::previousRequested, this, &DiffContainerView::findPrevious);
    connect(m_findBar, &FindBar::visibilityChanged, this, [this](bool open) {
        m_closeFind->setEnabled(open);
        applyFind();
    });
    connect(m_find, &FindModel::changed, this, &DiffContainerView::applyFind);
    connect(m_find, &FindModel::currentMoved, this, &DiffContainerView::revealFind);
    for (DiffCanvas* canvas :
         {static_cast<DiffCanvas*>(m_sideBySide->column(PageSide::left)),
          static_cast<DiffCanvas*>(m_sideBySide->column(PageSide::right)), static_cast<DiffCanvas*>(m_inline)}) {
        connect(canvas, &DiffCanvas::findMarksDropped, m_find, &FindModel::noteMarksDropped);
        // Whether the longest line is cut changes with the window's width and the text size.
        connect(canvas->horizontalScrollBar(), &QScrollBar::rangeChanged, this, &DiffContainerView::updateWrapOffer);
    }
}

void DiffContainerView::sayWrappingDropped()
{
    const auto name = [](const std::optional<FileItem>& file) { return file ? file->name : QString(); };
    dialogs::alert(this, QStringLiteral("Long Lines Not Wrapped"),
                   wrapDroppedMessage(name(m_model.leftFile()), name(m_model.rightFile())));
}

} // namespace varnel
