// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/intake/dropzoneview.h"

#include "widgets/dialogs/dialogs.h"
#include "widgets/style/appearance.h"
#include "widgets/style/buttons.h"
#include "widgets/style/elide.h"
#include "widgets/style/fonts.h"
#include "widgets/style/icons.h"
#include "widgets/style/widgetstyle.h"

#include <QDragEnterEvent>
#include <QEasingCurve>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <cmath>

namespace varnel {

namespace {

constexpr qreal kCornerRadius = 14;
constexpr qreal kBorderWidth = 2;
constexpr int kInset = 16;     // the standard inset around the content
constexpr int kNameInset = 16; // more on each side of the file name
constexpr int kSpacing = 10;   // between the content's rows
constexpr int kEmptyIconSize = 36;
constexpr int kFileIconSize = 32;
constexpr qreal kTargetedScale = 1.15;
constexpr int kStateFadeMs = 150;
constexpr int kContentFadeMs = 200;

// A spring with a response of 0.3 s and a damping fraction of 0.6, as a curve over
// 0.6 s (by then it is within 0.1% of its rest): it overshoots once, a little, and settles.
constexpr qreal kSpringResponse = 0.3;
constexpr qreal kSpringDamping = 0.6;
constexpr int kSpringMs = 600;

qreal spring(qreal progress)
{
    const qreal t = progress * kSpringMs / 1000.0;
    const qreal omega = 2 * M_PI / kSpringResponse;
    const qreal decay = kSpringDamping * omega;
    const qreal damped = omega * std::sqrt(1 - kSpringDamping * kSpringDamping);
    return 1 - std::exp(-decay * t) * (std::cos(damped * t) + decay / damped * std::sin(damped * t));
}

// The local files of a drag, when its first URL names one.
QList<QUrl> localFiles(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls())
        return {};
    QList<QUrl> urls = mime->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return {};
    urls.removeIf([](const QUrl& url) { return !url.isLocalFile(); });
    return urls;
}

QColor mix(const QColor& from, const QColor& to, qreal t)
{
    // Premultiplied, so that fading from clear does not pass through black.
    const auto channel = [t](qreal a, qreal b) { return a + (b - a) * t; };
    const qreal alpha = channel(from.alphaF(), to.alphaF());
    if (alpha <= 0)
        return QColor(0, 0, 0, 0);
    const auto premultiplied = [&](qreal a, qreal fa, qreal b, qreal ta) { return channel(a * fa, b * ta) / alpha; };
    return QColor::fromRgbF(float(premultiplied(from.redF(), from.alphaF(), to.redF(), to.alphaF())),
                            float(premultiplied(from.greenF(), from.alphaF(), to.greenF(), to.alphaF())),
                            float(premultiplied(from.blueF(), from.alphaF(), to.blueF(), to.alphaF())), float(alpha));
}

} // namespace

DropZoneView::DropZoneView(const QString& label, QWidget* parent)
    : QWidget(parent)
    , m_label(label)
    , m_stateAnimation(new QVariantAnimation(this))
    , m_scaleAnimation(new QVariantAnimation(this))
    , m_contentAnimation(new QVariantAnimation(this))
{
    setAcceptDrops(true);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    setHandCursor(this);
    trackKeyboardFocus(this);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    updateAccessibleText();

    m_stateAnimation->setDuration(kStateFadeMs);
    m_stateAnimation->setEasingCurve(QEasingCurve::InOutQuad);
    m_stateAnimation->setStartValue(0.0);
    m_stateAnimation->setEndValue(1.0);
    connect(m_stateAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_stateProgress = value.toReal();
        update();
    });

    QEasingCurve springCurve;
    springCurve.setCustomType(spring);
    m_scaleAnimation->setDuration(kSpringMs);
    m_scaleAnimation->setEasingCurve(springCurve);
    connect(m_scaleAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_iconScale = value.toReal();
        update();
    });

    m_contentAnimation->setDuration(kContentFadeMs);
    m_contentAnimation->setEasingCurve(QEasingCurve::InOutQuad);
    m_contentAnimation->setStartValue(0.0);
    m_contentAnimation->setEndValue(1.0);
    connect(m_contentAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_contentOpacity = value.toReal();
        update();
    });

    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

void DropZoneView::setFileItem(const std::optional<FileItem>& item)
{
    const bool sameName = item.has_value() == m_fileItem.has_value() && (!item || item->name == m_fileItem->name);
    const State before = state();
    m_fileItem = item;
    ++m_fileItemsPassed;
    updateAccessibleText();
    if (before != state())
        stateChanged();
    if (!sameName && isVisible()) {
        m_contentAnimation->stop();
        m_contentOpacity = 0;
        m_contentAnimation->start();
    }
    update();
}

void DropZoneView::updateAccessibleText()
{
    setAccessibleName(m_label);
    // Text held in memory says when it was taken; a file's name is enough.
    const QString chosen = m_fileItem && m_fileItem->isInMemory() ? m_fileItem->fullName()
                           : m_fileItem                           ? m_fileItem->name
                                                                  : QString();
    setAccessibleDescription(m_fileItem ? chosen + QStringLiteral(". Click to change")
                                        : QStringLiteral("Drop a file or click to browse, or paste text with Ctrl+V"));
    setToolTip(m_fileItem ? m_fileItem->fullName() : QString());
}

DropZoneView::State DropZoneView::state() const
{
    if (m_targeted)
        return State::targeted;
    if (m_fileItem)
        return State::chosen;
    return m_hovering ? State::hovering : State::idle;
}

DropZoneView::Colors DropZoneView::colorsFor(State state) const
{
    const Palette& palette = Appearance::instance().palette();
    switch (state) {
    case State::targeted: return {palette.color(ColorRole::accent, 0.1), palette.color(ColorRole::accent)};
    case State::chosen: return {palette.color(ColorRole::secondary, 0.05), palette.color(ColorRole::secondary, 0.3)};
    case State::hovering: return {palette.color(ColorRole::secondary, 0.04), palette.color(ColorRole::secondary, 0.4)};
    case State::idle: break;
    }
    return {QColor(0, 0, 0, 0), palette.color(ColorRole::secondary, 0.4)};
}

QColor DropZoneView::targetBackground() const
{
    return colorsFor(state()).background;
}

QColor DropZoneView::targetBorder() const
{
    return colorsFor(state()).border;
}

void DropZoneView::setTargeted(bool targeted)
{
    if (m_targeted == targeted)
        return;
    const State before = state();
    m_targeted = targeted;
    m_fromState = before;
    stateChanged();

    m_scaleAnimation->stop();
    m_scaleAnimation->setStartValue(m_iconScale);
    m_scaleAnimation->setEndValue(targeted ? kTargetedScale : 1.0);
    m_scaleAnimation->start();
}

void DropZoneView::setHovering(bool hovering)
{
    if (m_hovering == hovering)
        return;
    const State before = state();
    m_hovering = hovering;
    if (before != state()) {
        m_fromState = before;
        stateChanged();
    }
}

void DropZoneView::stateChanged()
{
    m_stateAnimation->stop();
    if (!isVisible()) {
        m_stateProgress = 1;
        update();
        return;
    }
    m_stateProgress = 0;
    m_stateAnimation->start();
    update();
}

QSize DropZoneView::sizeHint() const
{
    return {320, 240};
}

QSize DropZoneView::minimumSizeHint() const
{
    return {160, 150};
}

void DropZoneView::openPicker()
{
    const quint64 passed = m_fileItemsPassed;
    const std::optional<QUrl> url = dialogs::openFile(
        this, {QStringLiteral("Choose a file to compare"), FileTypeDetector::allowedContentTypes(), m_dialogFolder});
    if (url && passed == m_fileItemsPassed)
        validateAndDeliver(*url);
}

void DropZoneView::validateAndDeliver(const QUrl& url)
{
    const Expected<FileItem> item = FileItem::inspect(url);
    if (!item) {
        dialogs::showRefusedFile(this, item.error(), dialogs::UnsupportedFileContext::drop);
        return;
    }
    Q_EMIT fileSelected(url);
}

QStringList DropZoneView::shownNameLines() const
{
    if (!m_fileItem)
        return {};
    const int width = this->width() - 2 * kInset - 2 * kNameInset;
    if (m_layoutName != m_fileItem->name || m_layoutWidth != width) {
        m_layoutName = m_fileItem->name;
        m_layoutWidth = width;
        m_layoutLines = elideToLines(m_fileItem->name, fonts::ui(fonts::TextStyle::headline), width, 2);
    }
    return m_layoutLines;
}

void DropZoneView::paintEvent(QPaintEvent*)
{
    const Palette& palette = Appearance::instance().palette();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    // Background and border, faded between the previous state's colours and the current ones.
    const Colors from = colorsFor(m_fromState);
    const Colors to = colorsFor(state());
    const QColor background = mix(from.background, to.background, m_stateProgress);
    const QColor border = mix(from.border, to.border, m_stateProgress);
    const QRectF shape =
        QRectF(rect()).adjusted(kBorderWidth / 2, kBorderWidth / 2, -kBorderWidth / 2, -kBorderWidth / 2);
    QPainterPath path;
    path.addRoundedRect(shape, kCornerRadius - kBorderWidth / 2, kCornerRadius - kBorderWidth / 2);
    painter.fillPath(path, background);
    QPen pen(border, kBorderWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    if (!m_fileItem)
        pen.setDashPattern({8 / kBorderWidth, 5 / kBorderWidth}); // in units of the pen width
    painter.strokePath(path, pen);
    if (hasKeyboardFocus(this))
        paintFocusRing(painter, QRectF(rect()).adjusted(3, 3, -3, -3), kCornerRadius - 3);

    // The content: a centred column.
    painter.setOpacity(m_contentOpacity);
    const QRect content = rect().adjusted(kInset, kInset, -kInset, -kInset);
    const QFont headline = fonts::ui(fonts::TextStyle::headline);
    if (!m_fileItem) {
        const QFont subheadline = fonts::ui(fonts::TextStyle::subheadline);
        const int headlineHeight = QFontMetrics(headline).height();
        const int subHeight = QFontMetrics(subheadline).height();
        const int total = kEmptyIconSize + kSpacing + headlineHeight + kSpacing + subHeight;
        int y = content.top() + (content.height() - total) / 2;
        const QColor iconColor = palette.color(m_targeted ? ColorRole::accent : ColorRole::secondary);
        icons::paint(painter, QRectF(content.left(), y, content.width(), kEmptyIconSize), IconName::docBadgePlus,
                     kEmptyIconSize, iconColor, m_iconScale);
        y += kEmptyIconSize + kSpacing;
        painter.setFont(headline);
        painter.setPen(palette.color(ColorRole::primary));
        painter.drawText(QRect(content.left(), y, content.width(), headlineHeight), Qt::AlignCenter,
                         QFontMetrics(headline).elidedText(m_label, Qt::ElideRight, content.width()));
        y += headlineHeight + kSpacing;
        painter.setFont(subheadline);
        painter.setPen(palette.color(ColorRole::secondary));
        const QString hint = QStringLiteral("Drop a file or click to browse");
        painter.drawText(QRect(content.left(), y, content.width(), subHeight), Qt::AlignCenter,
                         QFontMetrics(subheadline).elidedText(hint, Qt::ElideRight, content.width()));
        return;
    }

    const QFont callout = fonts::ui(fonts::TextStyle::callout);
    const QStringList lines = shownNameLines();
    const int lineHeight = QFontMetrics(headline).height();
    const int calloutHeight = QFontMetrics(callout).height();
    const int total = kFileIconSize + kSpacing + lineHeight * int(lines.size()) + kSpacing + calloutHeight;
    int y = content.top() + (content.height() - total) / 2;
    icons::paint(painter, QRectF(content.left(), y, content.width(), kFileIconSize), icons::forMode(m_fileItem->mode),
                 kFileIconSize, palette.color(ColorRole::secondary));
    y += kFileIconSize + kSpacing;
    painter.setFont(headline);
    painter.setPen(palette.color(ColorRole::primary));
    const QRect nameArea = content.adjusted(kNameInset, 0, -kNameInset, 0);
    for (const QString& line : lines) {
        painter.drawText(QRect(nameArea.left(), y, nameArea.width(), lineHeight), Qt::AlignCenter, line);
        y += lineHeight;
    }
    y += kSpacing;
    painter.setFont(callout);
    painter.setPen(palette.color(ColorRole::secondary));
    painter.drawText(QRect(content.left(), y, content.width(), calloutHeight), Qt::AlignCenter,
                     QStringLiteral("Click to change"));
}

void DropZoneView::dragEnterEvent(QDragEnterEvent* event)
{
    if (localFiles(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    setTargeted(true);
}

void DropZoneView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void DropZoneView::dragLeaveEvent(QDragLeaveEvent*)
{
    setTargeted(false);
}

void DropZoneView::dropEvent(QDropEvent* event)
{
    setTargeted(false);
    const QList<QUrl> urls = localFiles(event->mimeData());
    if (urls.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Let the drag finish before anything modal (the alert) can appear.
    QMetaObject::invokeMethod(
        this,
        [this, urls] {
            if (urls.size() == 1)
                validateAndDeliver(urls.first());
            else
                Q_EMIT filesDropped(urls);
        },
        Qt::QueuedConnection);
}

void DropZoneView::enterEvent(QEnterEvent*)
{
    setHovering(true);
}

void DropZoneView::leaveEvent(QEvent*)
{
    setHovering(false);
}

void DropZoneView::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

void DropZoneView::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        openPicker();
}

void DropZoneView::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Paste)) {
        Q_EMIT pasteRequested();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter: openPicker(); return;
    default: QWidget::keyPressEvent(event);
    }
}

void DropZoneView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void DropZoneView::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

} // namespace varnel
