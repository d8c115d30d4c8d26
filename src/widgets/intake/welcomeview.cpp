// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/intake/welcomeview.h"

#include "viewmodel/openrequest.h"
#include "viewmodel/pastedtext.h"
#include "widgets/dialogs/dialogs.h"
#include "widgets/intake/dropzoneview.h"
#include "widgets/intake/recentslistview.h"
#include "widgets/style/appearance.h"
#include "widgets/style/buttons.h"
#include "widgets/style/fonts.h"
#include "widgets/style/widgetstyle.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace varnel {

namespace {

constexpr int kSpaceAboveHeader = 40;
constexpr int kSpaceBelowHeader = 32;
constexpr int kHeaderSpacing = 6;
constexpr int kHorizontalInset = 24;
constexpr int kRecentsBottomInset = 24;
constexpr int kSwapStripWidth = 40;
constexpr int kSwapIconSize = 13;
constexpr int kSwapPadding = 8;

// The 40-pixel strip between the zones: a vertical line with the swap button over it.
class SwapStrip : public QWidget {
public:
    SwapStrip(IconButton* button, QWidget* parent) : QWidget(parent)
    {
        setFixedWidth(kSwapStripWidth);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addStretch(1);
        layout->addWidget(button, 0, Qt::AlignHCenter);
        layout->addStretch(1);
        connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(QRect(width() / 2, 0, 1, height()),
                         Appearance::instance().palette().color(ColorRole::secondary, 0.25));
    }
};

} // namespace

WelcomeView::WelcomeView(ComparisonViewModel& model, RecentComparisonsStore& store, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_store(store)
    , m_leftZone(new DropZoneView(QStringLiteral("Original File"), this))
    , m_swap(new IconButton(IconName::swap, QStringLiteral("Swap files"), this))
    , m_rightZone(new DropZoneView(QStringLiteral("Changed File"), this))
    , m_zoneRow(new QHBoxLayout)
    , m_recentsBlock(new QWidget(this))
    , m_recents(new RecentsListView(store, m_recentsBlock))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addSpacing(kSpaceAboveHeader);

    auto* title = new QLabel(QStringLiteral("Varnel"), this);
    title->setFont(fonts::ui(fonts::TextStyle::largeTitle, QFont::Bold));
    title->setAlignment(Qt::AlignHCenter);
    setTextColor(title, ColorRole::primary);
    auto* subtitle = new QLabel(QStringLiteral("Drop two files below to locally compare them."), this);
    subtitle->setFont(fonts::ui(fonts::TextStyle::subheadline));
    subtitle->setAlignment(Qt::AlignHCenter);
    subtitle->setWordWrap(true);
    setTextColor(subtitle, ColorRole::secondary);
    layout->addWidget(title);
    layout->addSpacing(kHeaderSpacing);
    layout->addWidget(subtitle);
    layout->addSpacing(kSpaceBelowHeader);

    m_swap->setIconMetrics(kSwapIconSize, kSwapPadding);
    m_swap->setCircleBackground(true);
    m_zoneRow->setSpacing(0);
    m_zoneRow->addWidget(m_leftZone, 1);
    m_zoneRow->addWidget(new SwapStrip(m_swap, this));
    m_zoneRow->addWidget(m_rightZone, 1);
    layout->addLayout(m_zoneRow, 1);

    auto* recentsLayout = new QVBoxLayout(m_recentsBlock);
    recentsLayout->setContentsMargins(kHorizontalInset, 0, kHorizontalInset, kRecentsBottomInset);
    recentsLayout->addWidget(m_recents);
    layout->addWidget(m_recentsBlock);

    connect(m_leftZone, &DropZoneView::fileSelected, this,
            [this](const QUrl& url) { m_model.loadFile(url, FileSide::left); });
    connect(m_rightZone, &DropZoneView::fileSelected, this,
            [this](const QUrl& url) { m_model.loadFile(url, FileSide::right); });
    for (DropZoneView* zone : {m_leftZone, m_rightZone}) {
        const FileSide side = zone == m_leftZone ? FileSide::left : FileSide::right;
        connect(zone, &DropZoneView::filesDropped, this, [this, side](const QList<QUrl>& urls) {
            if (const std::optional<Error> refused = placeFiles(m_model, urls, FilesFrom::drop, side))
                dialogs::showRefusedFile(this, *refused, dialogs::UnsupportedFileContext::drop);
        });
        connect(zone, &DropZoneView::pasteRequested, this, [this, side] {
            if (const std::optional<Error> refused = pasteInto(m_model, QGuiApplication::clipboard()->mimeData(), side))
                dialogs::showRefusedPaste(this, *refused);
        });
    }
    connect(m_swap, &QAbstractButton::clicked, this, [this] { m_model.swapFiles(); });
    connect(m_recents, &RecentsListView::openRequested, this, &WelcomeView::openRecent);
    connect(&m_model, &ComparisonViewModel::leftFileChanged, this, &WelcomeView::updateFiles);
    connect(&m_model, &ComparisonViewModel::rightFileChanged, this, &WelcomeView::updateFiles);
    connect(&m_store, &RecentComparisonsStore::recentsChanged, this, &WelcomeView::updateRecents);

    updateFiles();
    updateRecents();
}

int WelcomeView::zoneRowBottomInset() const
{
    return m_zoneRow->contentsMargins().bottom();
}

void WelcomeView::updateFiles()
{
    m_leftZone->setFileItem(m_model.leftFile());
    m_rightZone->setFileItem(m_model.rightFile());
    m_leftZone->setDialogFolder(dialogFolder(m_model, FileSide::left));
    m_rightZone->setDialogFolder(dialogFolder(m_model, FileSide::right));
    m_swap->setEnabled(m_model.leftFile() || m_model.rightFile());
}

void WelcomeView::updateRecents()
{
    const bool listed = !m_store.recents().isEmpty();
    m_recentsBlock->setVisible(listed);
    m_zoneRow->setContentsMargins(kHorizontalInset, 0, kHorizontalInset,
                                  listed ? kRowBottomInsetWithRecents : kRowBottomInsetWithoutRecents);
}

void WelcomeView::showEvent(QShowEvent* event)
{
    m_store.reload();
    QWidget::showEvent(event);
}

void WelcomeView::openRecent(const RecentComparison& entry)
{
    const std::optional<std::pair<QUrl, QUrl>> pair = m_store.resolve(entry);
    if (!pair) {
        const std::optional<QString> message = m_store.missingFileMessage(entry);
        dialogs::alert(this, QStringLiteral("File Not Found"),
                       message.value_or(QStringLiteral("The pair could not be opened.")));
        m_store.remove(entry);
        return;
    }
    if (m_model.leftFile() || m_model.rightFile())
        m_model.resetFiles();
    m_model.loadFile(pair->first, FileSide::left);
    m_model.loadFile(pair->second, FileSide::right);
}

} // namespace varnel
