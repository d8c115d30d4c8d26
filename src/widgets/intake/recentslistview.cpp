// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/intake/recentslistview.h"

#include "widgets/style/appearance.h"
#include "widgets/style/buttons.h"
#include "widgets/style/fonts.h"
#include "widgets/style/widgetstyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace varnel {

namespace {

constexpr int kSpacing = 8; // between the header and the rows, and between rows
constexpr int kRowHorizontalInset = 12;
constexpr int kRowVerticalInset = 8;
constexpr qreal kRowRadius = 8;
constexpr qreal kRowFill = 0.05;
// Strong enough for a control (3:1 on the row) in both appearances, still quieter than
// the names.
constexpr qreal kRemoveOpacity = 0.7;
constexpr int kPairSpacing = 6; // between a name and the arrow
constexpr int kArrowSize = 10;

// The rounded background of one row.
class RecentRow : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Appearance::instance().palette().color(ColorRole::secondary, kRowFill));
        painter.drawRoundedRect(QRectF(rect()), kRowRadius, kRowRadius);
    }
};

} // namespace

RecentPairButton::RecentPairButton(const QString& leftName, const QString& rightName, QWidget* parent)
    : QAbstractButton(parent)
    , m_left(leftName)
    , m_right(rightName)
{
    setFont(fonts::ui(fonts::TextStyle::callout));
    setFocusPolicy(Qt::TabFocus);
    setHandCursor(this);
    trackKeyboardFocus(this);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Compare %1 with %2").arg(leftName, rightName));
    setToolTip(QStringLiteral("%1 \u2192 %2").arg(leftName, rightName));
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

QSize RecentPairButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_left) + metrics.horizontalAdvance(m_right) + kArrowSize + 2 * kPairSpacing,
            std::max(metrics.height(), kArrowSize)};
}

QSize RecentPairButton::minimumSizeHint() const
{
    return {kArrowSize + 2 * kPairSpacing + 40, sizeHint().height()};
}

std::pair<QString, QString> RecentPairButton::shownNames() const
{
    const QFontMetrics metrics(font());
    const int available = std::max(0, width() - kArrowSize - 2 * kPairSpacing);
    const int leftWidth = metrics.horizontalAdvance(m_left);
    const int rightWidth = metrics.horizontalAdvance(m_right);
    if (leftWidth + rightWidth <= available)
        return {m_left, m_right};
    // Each name gets half; a name shorter than its half lends the rest to the other.
    int leftShare = available / 2;
    int rightShare = available - leftShare;
    if (leftWidth < leftShare) {
        leftShare = leftWidth;
        rightShare = available - leftWidth;
    } else if (rightWidth < rightShare) {
        rightShare = rightWidth;
        leftShare = available - rightWidth;
    }
    const auto fit = [&metrics](const QString& name, int nameWidth, int share) {
        return nameWidth <= share ? name : metrics.elidedText(name, Qt::ElideMiddle, share);
    };
    return {fit(m_left, leftWidth, leftShare), fit(m_right, rightWidth, rightShare)};
}

void RecentPairButton::paintEvent(QPaintEvent*)
{
    const Palette& palette = Appearance::instance().palette();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto [left, right] = shownNames();
    const QFontMetrics metrics(font());
    QFont drawn = font();
    drawn.setUnderline(underMouse() || isDown());
    painter.setFont(drawn);
    painter.setPen(palette.color(ColorRole::primary, isDown() ? 0.7 : 1.0));
    int x = 0;
    const int leftWidth = metrics.horizontalAdvance(left);
    painter.drawText(QRect(x, 0, leftWidth, height()), Qt::AlignLeft | Qt::AlignVCenter, left);
    x += leftWidth + kPairSpacing;
    icons::paint(painter, QRectF(x, 0, kArrowSize, height()), IconName::arrowRight, kArrowSize,
                 palette.color(ColorRole::secondary));
    x += kArrowSize + kPairSpacing;
    painter.drawText(QRect(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, right);
    if (hasKeyboardFocus(this))
        paintFocusRing(painter, rect().adjusted(-4, -2, 4, 2), 4);
}

RecentsListView::RecentsListView(RecentComparisonsStore& store, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_clearAll(
          new TextButton(QStringLiteral("Clear All"), fonts::ui(fonts::TextStyle::caption), ColorRole::secondary, this))
    , m_rowsLayout(new QVBoxLayout)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kSpacing);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    auto* title = new QLabel(QStringLiteral("Recent Comparisons"), this);
    title->setFont(fonts::ui(fonts::TextStyle::subheadline, QFont::Medium));
    setTextColor(title, ColorRole::secondary);
    header->addWidget(title);
    header->addStretch(1);
    header->addWidget(m_clearAll);
    m_clearAll->setToolTip(QStringLiteral("Forget every recent comparison"));
    layout->addLayout(header);

    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(kSpacing);
    layout->addLayout(m_rowsLayout);

    connect(m_clearAll, &QAbstractButton::clicked, this, [this] { m_store.clearAll(); });
    connect(&m_store, &RecentComparisonsStore::recentsChanged, this, &RecentsListView::rebuild);
    rebuild();
}

QAbstractButton* RecentsListView::openButton(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].open : nullptr;
}

QAbstractButton* RecentsListView::removeButton(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].remove : nullptr;
}

void RecentsListView::rebuild()
{
    // Later, not now: the change may come from a click on one of these rows.
    for (const Row& row : std::as_const(m_rows)) {
        m_rowsLayout->removeWidget(row.widget);
        row.widget->hide();
        row.widget->deleteLater();
    }
    m_rows.clear();

    const QList<RecentRowText> texts = RecentComparisonsStore::rowTexts(m_store.recents());
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const RecentComparison& entry = m_store.recents()[i];
        auto* widget = new RecentRow(this);
        auto* layout = new QHBoxLayout(widget);
        layout->setContentsMargins(kRowHorizontalInset, kRowVerticalInset, kRowHorizontalInset, kRowVerticalInset);
        layout->setSpacing(kSpacing);
        auto* open = new RecentPairButton(texts[i].left, texts[i].right, widget);
        open->setToolTip(texts[i].toolTip);
        auto* remove = new IconButton(IconName::closeFilled, QStringLiteral("Remove from recent comparisons"), widget);
        remove->setIconColor(ColorRole::secondary, kRemoveOpacity);
        remove->setIconMetrics(14, 2);
        layout->addWidget(open, 1);
        layout->addWidget(remove);
        // The entry is copied: the store's list changes under the rows.
        connect(open, &QAbstractButton::clicked, this, [this, entry] { Q_EMIT openRequested(entry); });
        connect(remove, &QAbstractButton::clicked, this, [this, entry] { m_store.remove(entry); });
        m_rowsLayout->addWidget(widget);
        widget->show();
        m_rows.append({widget, open, remove});
    }
}

} // namespace varnel
