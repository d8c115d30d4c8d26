// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/style/segmentedcontrol.h"

#include "widgets/style/appearance.h"
#include "widgets/style/buttons.h"
#include "widgets/style/fonts.h"
#include "widgets/style/widgetstyle.h"

#include <QButtonGroup>
#include <QKeyEvent>
#include <QPainter>

namespace varnel {

namespace {

constexpr int kHeight = 24;
constexpr int kTrackInset = 2;
constexpr qreal kTrackRadius = 6;
constexpr qreal kSegmentRadius = 5;

class SegmentButton : public QAbstractButton {
public:
    SegmentButton(const QString& text, QWidget* parent) : QAbstractButton(parent)
    {
        setText(text);
        setAccessibleName(text);
        setCheckable(true);
        setFocusPolicy(Qt::TabFocus);
        setAttribute(Qt::WA_Hover);
        setFont(fonts::ui(fonts::TextStyle::callout));
        setHandCursor(this);
        trackKeyboardFocus(this);
    }

    QSize sizeHint() const override
    {
        return {QFontMetrics(font()).horizontalAdvance(text()) + 16, kHeight - 2 * kTrackInset};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const Palette& palette = Appearance::instance().palette();
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        if (isChecked()) {
            // Raised: the content colour in light mode, a lighter grey in dark mode.
            painter.setPen(QPen(palette.color(ColorRole::secondary, 0.2), 1));
            painter.setBrush(palette.isDark() ? palette.color(ColorRole::secondary, 0.35)
                                              : palette.color(ColorRole::viewBackground));
            painter.drawRoundedRect(box, kSegmentRadius, kSegmentRadius);
        } else if (underMouse()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(palette.color(ColorRole::secondary, 0.1));
            painter.drawRoundedRect(box, kSegmentRadius, kSegmentRadius);
        }
        painter.setPen(palette.color(isChecked() ? ColorRole::primary : ColorRole::secondary));
        const QString shown = QFontMetrics(font()).elidedText(text(), Qt::ElideRight, width() - 8);
        painter.drawText(rect(), Qt::AlignCenter, shown);
        if (hasKeyboardFocus(this))
            paintFocusRing(painter, rect(), kSegmentRadius);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        auto* control = static_cast<SegmentedControl*>(parentWidget());
        const int step = event->key() == Qt::Key_Left ? -1 : event->key() == Qt::Key_Right ? 1 : 0;
        if (step == 0) {
            QAbstractButton::keyPressEvent(event);
            return;
        }
        const int index = control->currentIndex() + step;
        if (index >= 0 && index < control->count()) {
            control->segment(index)->click();
            control->segment(index)->setFocus(Qt::TabFocusReason);
        }
    }
};

} // namespace

SegmentedControl::SegmentedControl(const QString& title, const QStringList& segments, QWidget* parent)
    : QWidget(parent)
    , m_group(new QButtonGroup(this))
{
    setAccessibleName(title);
    setToolTip(title);
    m_group->setExclusive(true);
    for (const QString& text : segments) {
        auto* button = new SegmentButton(text, this);
        m_group->addButton(button, int(m_segments.size()));
        m_segments.append(button);
    }
    if (!m_segments.isEmpty())
        m_segments.first()->setChecked(true);
    connect(m_group, &QButtonGroup::idClicked, this, &SegmentedControl::activated);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

int SegmentedControl::currentIndex() const
{
    return m_group->checkedId();
}

void SegmentedControl::setCurrentIndex(int index)
{
    if (index >= 0 && index < m_segments.size())
        m_segments[index]->setChecked(true);
}

QAbstractButton* SegmentedControl::segment(int index) const
{
    return m_segments.value(index);
}

int SegmentedControl::count() const
{
    return int(m_segments.size());
}

QSize SegmentedControl::sizeHint() const
{
    int width = 2 * kTrackInset;
    for (const QAbstractButton* button : m_segments)
        width += button->sizeHint().width();
    return {width, kHeight};
}

void SegmentedControl::resizeEvent(QResizeEvent*)
{
    if (m_segments.isEmpty())
        return;
    // Equal segments across the track.
    const int inner = width() - 2 * kTrackInset;
    const int n = int(m_segments.size());
    for (int i = 0; i < n; ++i) {
        const int left = kTrackInset + inner * i / n;
        const int right = kTrackInset + inner * (i + 1) / n;
        m_segments[i]->setGeometry(left, kTrackInset, right - left, height() - 2 * kTrackInset);
    }
}

void SegmentedControl::paintEvent(QPaintEvent*)
{
    const Palette& palette = Appearance::instance().palette();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette.color(ColorRole::secondary, 0.12));
    painter.drawRoundedRect(QRectF(rect()), kTrackRadius, kTrackRadius);
}

} // namespace varnel
