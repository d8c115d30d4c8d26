// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/root/rootview.h"

#include "viewmodel/openrequest.h"
#include "viewmodel/pastedtext.h"
#include "widgets/comparison/diffcontainerview.h"
#include "widgets/dialogs/dialogs.h"
#include "widgets/intake/welcomeview.h"
#include "widgets/style/appearance.h"

#include <QAction>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <utility>

namespace varnel {

RootView::RootView(RecentComparisonsStore& store, QWidget* parent) : RootView(store, nullptr, parent) {}

RootView::RootView(RecentComparisonsStore& store, ComparisonViewModel::Comparator comparator, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_model(comparator ? new ComparisonViewModel(std::move(comparator), this) : new ComparisonViewModel(this))
    , m_screens(new QStackedWidget(this))
    , m_welcome(new WelcomeView(*m_model, store, m_screens))
    , m_comparison(new DiffContainerView(*m_model, m_screens))
    , m_openAction(new QAction(QStringLiteral("Open\u2026"), this))
{
    m_openAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_openAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(m_openAction);
    connect(m_openAction, &QAction::triggered, this, &RootView::chooseFiles);
    setMinimumSize(kMinimumSize);
    setAutoFillBackground(true);
    Appearance::follow(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_screens);
    m_screens->addWidget(m_welcome);
    m_screens->addWidget(m_comparison);

    // The recording waits until the view model's callback has returned, and is dropped
    // with the window. Text held in memory is never recorded, nor the file beside it.
    m_model->onComparisonSucceeded = [this](const QUrl& left, const QUrl& right) {
        if (!m_recordsComparisons || holdsTextInMemory(*m_model))
            return;
        QMetaObject::invokeMethod(
            this, [this, left, right] { m_store.record(left, right); }, Qt::QueuedConnection);
    };
    connect(m_model, &ComparisonViewModel::leftFileChanged, this, &RootView::updateScreen);
    connect(m_model, &ComparisonViewModel::rightFileChanged, this, &RootView::updateScreen);
    updateScreen();
}

RootView::~RootView()
{
    m_model->onComparisonSucceeded = nullptr;
}

QWidget* RootView::currentScreen() const
{
    return m_screens->currentWidget();
}

void RootView::updateScreen()
{
    m_screens->setCurrentWidget(m_model->bothFilesLoaded() ? static_cast<QWidget*>(m_comparison) : m_welcome);
}

void RootView::chooseFiles()
{
    const ChosenFiles before(*m_model);
    const QList<QUrl> urls =
        dialogs::openFiles(this, {QStringLiteral("Choose files to compare"), FileTypeDetector::allowedContentTypes(),
                                  dialogFolder(*m_model, sideForOneFile(*m_model)), true});
    if (urls.isEmpty() || before.changedIn(*m_model))
        return;
    if (const std::optional<Error> refused = placeFiles(*m_model, urls, FilesFrom::dialog))
        dialogs::showRefusedFile(this, *refused, dialogs::UnsupportedFileContext::choose);
}

void RootView::openFiles(const QList<QUrl>& urls)
{
    // A dialog still open over this window was opened for the files these replace.
    dialogs::cancelOpenDialogs(window());
    // The alert comes once this request is handled (a second varnel may be waiting for
    // the answer), and once for several files refused together.
    const std::optional<Error> refused = varnel::openFiles(*m_model, urls);
    if (!refused || std::exchange(m_refusalPending, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this, reason = *refused] {
            m_refusalPending = false;
            dialogs::showRefusedFile(this, reason, dialogs::UnsupportedFileContext::choose);
        },
        Qt::QueuedConnection);
}

} // namespace varnel
