// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/diffview/summarybarview.h"

#include "widgets/style/appearance.h"
#include "widgets/style/fonts.h"

#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

namespace varnel {

namespace {

constexpr int kBarHorizontalInset = 16;
constexpr int kBarVerticalInset = 6;
constexpr int kBadgeSpacing = 12;
constexpr int kBadgeHorizontalInset = 8;
constexpr int kBadgeVerticalInset = 3;
constexpr qreal kBadgeRadius = 5;
constexpr qreal kBadgeFill = 0.12;
constexpr qreal kBarFill = 0.06;

} // namespace

SummaryBarView::SummaryBarView(QWidget* parent)
    : QWidget(parent)
    , m_font(fonts::monospace(fonts::pixelSize(fonts::TextStyle::footnote), true))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    Appearance::follow(this);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

void SummaryBarView::setResult(const DiffResult& result)
{
    setCounts(result.addedCount(), result.removedCount(), result.modifiedCount(), result.ignoredCount());
}

void SummaryBarView::setCounts(qint64 added, qint64 removed, qint64 modified, qint64 ignored)
{
    m_added = added;
    m_removed = removed;
    m_modified = modified;
    m_ignored = ignored;
    updateAccessibleName();
    updateGeometry();
    update();
}

static QString movedBlocksText(qint64 blocks)
{
    return blocks == 1 ? QStringLiteral("1 moved block") : QStringLiteral("%1 moved blocks").arg(blocks);
}

void SummaryBarView::setMovedCount(qint64 blocks)
{
    m_moved = blocks;
    updateAccessibleName();
    updateGeometry();
    update();
}

void SummaryBarView::updateAccessibleName()
{
    QStringList parts{QStringLiteral("%1 added").arg(m_added), QStringLiteral("%1 removed").arg(m_removed)};
    if (m_modified > 0)
        parts.append(QStringLiteral("%1 modified").arg(m_modified));
    if (m_moved > 0)
        parts.append(movedBlocksText(m_moved));
    if (m_ignored > 0)
        parts.append(QStringLiteral("%1 differing only in ignored ways").arg(m_ignored));
    setAccessibleName(parts.join(QStringLiteral(", ")));
}

QList<SummaryBarView::Badge> SummaryBarView::badges() const
{
    // Plain digits, no grouping; the removed badge uses the ASCII hyphen.
    QList<Badge> list{{QLatin1Char('+') + QString::number(m_added), ColorRole::green, ColorRole::greenText},
                      {QLatin1Char('-') + QString::number(m_removed), ColorRole::red, ColorRole::redText}};
    if (m_modified >= 1)
        list.append({QLatin1Char('~') + QString::number(m_modified), ColorRole::orange, ColorRole::orangeText});
    if (m_moved >= 1)
        list.append({QChar(u'\u21C5') + QString::number(m_moved), ColorRole::moved, ColorRole::movedText});
    if (m_ignored >= 1)
        list.append({QChar(u'\u2248') + QString::number(m_ignored), ColorRole::secondary, ColorRole::secondary});
    return list;
}

QString SummaryBarView::toolTipAt(QPoint point) const
{
    const QList<QRect> rects = badgeRects();
    const qsizetype movedBadge = m_moved >= 1 ? rects.size() - (m_ignored >= 1 ? 2 : 1) : -1;
    if (movedBadge >= 0 && rects[movedBadge].contains(point))
        return movedBlocksText(m_moved);
    if (m_ignored < 1 || rects.isEmpty() || !rects.back().contains(point))
        return {};
    return m_ignoredToolTip;
}

bool SummaryBarView::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    if (const QString text = toolTipAt(help->pos()); !text.isEmpty())
        QToolTip::showText(help->globalPos(), text, this);
    else
        QToolTip::hideText();
    return true;
}

QStringList SummaryBarView::badgeTexts() const
{
    QStringList texts;
    for (const Badge& badge : badges())
        texts.append(badge.text);
    return texts;
}

QList<QRect> SummaryBarView::badgeRects() const
{
    const QFontMetrics metrics(m_font);
    const int badgeHeight = metrics.height() + 2 * kBadgeVerticalInset;
    const int top = (height() - badgeHeight) / 2;
    QList<QRect> rects;
    int x = kBarHorizontalInset;
    for (const Badge& badge : badges()) {
        const int width = metrics.horizontalAdvance(badge.text) + 2 * kBadgeHorizontalInset;
        rects.append(QRect(x, top, width, badgeHeight));
        x += width + kBadgeSpacing;
    }
    return rects;
}

QSize SummaryBarView::sizeHint() const
{
    const QFontMetrics metrics(m_font);
    const QList<QRect> rects = badgeRects();
    const int width = rects.isEmpty() ? 0 : rects.back().right() + 1 + kBarHorizontalInset;
    return {width, metrics.height() + 2 * kBadgeVerticalInset + 2 * kBarVerticalInset};
}

QSize SummaryBarView::minimumSizeHint() const
{
    return sizeHint();
}

void SummaryBarView::paintEvent(QPaintEvent*)
{
    const Palette& palette = Appearance::instance().palette();
    QPainter painter(this);
    painter.fillRect(rect(), palette.color(ColorRole::viewBackground));
    painter.fillRect(rect(), palette.color(ColorRole::secondary, kBarFill));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(m_font);
    const QList<Badge> list = badges();
    const QList<QRect> rects = badgeRects();
    for (qsizetype i = 0; i < list.size(); ++i) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rects[i]), kBadgeRadius, kBadgeRadius);
        painter.fillPath(shape, palette.color(list[i].color, kBadgeFill));
        painter.setPen(palette.color(list[i].textColor));
        painter.drawText(rects[i], Qt::AlignCenter, list[i].text);
    }
}

} // namespace varnel
