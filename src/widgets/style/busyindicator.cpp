// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/style/busyindicator.h"

#include "widgets/style/appearance.h"
#include "widgets/style/busyaccessible.h"

#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>

namespace varnel {

namespace {

constexpr int kSweepMs = 1200;
constexpr qreal kSegmentFraction = 0.3;

} // namespace

BusyIndicator::BusyIndicator(QWidget* parent) : QWidget(parent), m_animation(new QVariantAnimation(this))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
    installBusyAccessibility(); // before anything asks for its interface
    setAccessibleName(QStringLiteral("Progress"));
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(1.0);
    m_animation->setDuration(kSweepMs);
    m_animation->setLoopCount(-1);
    m_animation->setEasingCurve(QEasingCurve::InOutSine);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_phase = value.toReal();
        update();
    });
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

void BusyIndicator::setProgress(std::optional<qreal> fraction)
{
    if (fraction)
        fraction = std::clamp(*fraction, 0.0, 1.0);
    const std::optional<int> before = percentDone(*this);
    m_progress = fraction;
    updateAnimation();
    update();
    // Screen readers hear each whole percent, not every small step.
    if (const std::optional<int> now = percentDone(*this); now != before) {
        QAccessibleValueChangeEvent changed(this, now.value_or(0));
        QAccessible::updateAccessibility(&changed);
    }
}

bool BusyIndicator::isAnimating() const
{
    return m_animation->state() == QAbstractAnimation::Running;
}

void BusyIndicator::updateAnimation()
{
    if (isVisible() && !m_progress) {
        if (!isAnimating())
            m_animation->start();
    } else {
        m_animation->stop();
    }
}

void BusyIndicator::showEvent(QShowEvent*)
{
    updateAnimation();
}

void BusyIndicator::hideEvent(QHideEvent*)
{
    updateAnimation();
}

void BusyIndicator::paintEvent(QPaintEvent*)
{
    const Palette& palette = Appearance::instance().palette();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF track(rect());
    const qreal radius = track.height() / 2;
    painter.setBrush(palette.color(ColorRole::secondary, 0.18));
    painter.drawRoundedRect(track, radius, radius);

    QRectF filled;
    if (m_progress) {
        filled = QRectF(track.left(), track.top(), track.width() * *m_progress, track.height());
    } else {
        // The segment enters at the left and leaves at the right.
        const qreal segment = track.width() * kSegmentFraction;
        const qreal left = -segment + (track.width() + segment) * m_phase;
        filled = QRectF(left, track.top(), segment, track.height()).intersected(track);
    }
    if (filled.width() > 0) {
        painter.setClipRect(track);
        painter.setBrush(palette.color(ColorRole::accent));
        painter.drawRoundedRect(filled, radius, radius);
    }
}

} // namespace varnel
