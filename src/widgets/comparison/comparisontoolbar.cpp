// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/comparison/comparisontoolbar.h"

#include "viewmodel/comparisonviewmodel.h"
#include "viewmodel/ignoring.h"
#include "widgets/style/appearance.h"
#include "widgets/style/buttons.h"
#include "widgets/style/fonts.h"
#include "widgets/style/icons.h"
#include "widgets/style/segmentedcontrol.h"
#include "widgets/style/widgetstyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace varnel {

namespace {

constexpr int kHorizontalInset = 16;
constexpr int kVerticalInset = 10;
constexpr int kSpacing = 12;
constexpr int kNavigationSpacing = 4;
constexpr int kPickerWidth = 200;
constexpr int kPositionMinimumWidth = 40;
constexpr int kLabelIconSize = 14;
constexpr int kLabelIconGap = 5;
constexpr int kLabelPadding = 4;

// The caption font when its digits all have one width, else the fixed-pitch font at the
// same size, so that "9 / 17" and "10 / 17" do not jump.
QFont tabularDigitsFont()
{
    const QFont caption = fonts::ui(fonts::TextStyle::caption);
    const QFontMetrics metrics(caption);
    const int zero = metrics.horizontalAdvance(QLatin1Char('0'));
    for (char digit = '1'; digit <= '9'; ++digit) {
        if (metrics.horizontalAdvance(QLatin1Char(digit)) != zero)
            return fonts::monospace(fonts::pixelSize(fonts::TextStyle::caption));
    }
    return caption;
}

} // namespace

FileLabelButton::FileLabelButton(QWidget* parent) : QAbstractButton(parent)
{
    setFont(fonts::ui(fonts::TextStyle::callout));
    setTextFormat(std::nullopt);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setHandCursor(this);
    trackKeyboardFocus(this);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

void FileLabelButton::setFileItem(const std::optional<FileItem>& item)
{
    m_item = item;
    setVisible(item.has_value());
    setAccessibleName(item ? item->name : QString());
    updateToolTip();
    updateGeometry();
    update();
}

void FileLabelButton::setTextFormat(const std::optional<TextFormat>& format)
{
    if (format == m_format && !toolTip().isEmpty())
        return;
    m_format = format;
    updateToolTip();
}

void FileLabelButton::updateToolTip()
{
    QStringList lines;
    if (m_item)
        lines.append(m_item->fullName());
    lines.append(QStringLiteral("Click to change file"));
    if (m_format)
        lines.append(m_format->label());
    setToolTip(lines.join(u'\n'));
    setAccessibleDescription(toolTip());
}

QSize FileLabelButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int text = m_item ? metrics.horizontalAdvance(m_item->name) : 0;
    return {2 * kLabelPadding + kLabelIconSize + kLabelIconGap + text + 1,
            std::max(metrics.height(), kLabelIconSize) + 2 * kLabelPadding};
}

QSize FileLabelButton::minimumSizeHint() const
{
    const QFontMetrics metrics(font());
    const int text = m_item ? std::min(metrics.horizontalAdvance(m_item->name), 48) : 0;
    return {2 * kLabelPadding + kLabelIconSize + kLabelIconGap + text, sizeHint().height()};
}

QString FileLabelButton::shownName() const
{
    if (!m_item)
        return {};
    const int available = width() - 2 * kLabelPadding - kLabelIconSize - kLabelIconGap;
    return QFontMetrics(font()).elidedText(m_item->name, Qt::ElideMiddle, std::max(0, available));
}

void FileLabelButton::paintEvent(QPaintEvent*)
{
    if (!m_item)
        return;
    const Palette& palette = Appearance::instance().palette();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (underMouse() || isDown()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette.color(ColorRole::secondary, isDown() ? 0.2 : 0.1));
        painter.drawRoundedRect(QRectF(rect()), 5, 5);
    }
    const QColor color = palette.color(ColorRole::secondary);
    const QRect inner = rect().adjusted(kLabelPadding, 0, -kLabelPadding, 0);
    icons::paint(painter, QRectF(inner.left(), 0, kLabelIconSize, height()), icons::forMode(m_item->mode),
                 kLabelIconSize, color);
    painter.setPen(color);
    painter.setFont(font());
    const int textLeft = inner.left() + kLabelIconSize + kLabelIconGap;
    painter.drawText(QRect(textLeft, 0, inner.right() + 1 - textLeft, height()), Qt::AlignLeft | Qt::AlignVCenter,
                     shownName());
    if (hasKeyboardFocus(this))
        paintFocusRing(painter, rect(), 5);
}

ComparisonToolbar::ComparisonToolbar(ComparisonViewModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_leftLabel(new FileLabelButton(this))
    , m_viewPicker(new SegmentedControl(QStringLiteral("View"),
                                        {QStringLiteral("Side by Side"), QStringLiteral("Inline")}, this))
    , m_navigation(new QWidget(this))
    , m_previous(new IconButton(IconName::chevronUp, QStringLiteral("Previous change (Ctrl+[)"), m_navigation))
    , m_next(new IconButton(IconName::chevronDown, QStringLiteral("Next change (Ctrl+])"), m_navigation))
    , m_position(new QLabel(m_navigation))
    , m_context(new IconButton(IconName::expandVertical, QStringLiteral("Expand all context"), this))
    , m_ignoring(new TextButton(QString(), fonts::ui(fonts::TextStyle::caption), ColorRole::secondary, this))
    , m_share(new IconButton(IconName::share, QStringLiteral("Share…"), this))
    , m_swap(new IconButton(IconName::swap, QStringLiteral("Swap files"), this))
    , m_close(new IconButton(IconName::close, QStringLiteral("Close comparison"), this))
    , m_rightLabel(new FileLabelButton(this))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));

    m_viewPicker->setFixedWidth(kPickerWidth);
    m_position->setFont(tabularDigitsFont());
    m_position->setAlignment(Qt::AlignCenter);
    m_position->setMinimumWidth(kPositionMinimumWidth);
    setTextColor(m_position, ColorRole::secondary);

    // The navigation and the context button come and go with the changes; their room
    // stays, so the controls beside them never move when a result comes in.
    for (QWidget* item : {m_navigation, static_cast<QWidget*>(m_context)}) {
        QSizePolicy policy = item->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        item->setSizePolicy(policy);
    }

    auto* navigation = new QHBoxLayout(m_navigation);
    navigation->setContentsMargins(0, 0, 0, 0);
    navigation->setSpacing(kNavigationSpacing);
    navigation->addWidget(m_previous);
    navigation->addWidget(m_position);
    navigation->addWidget(m_next);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(kHorizontalInset, kVerticalInset, kHorizontalInset, kVerticalInset);
    layout->setSpacing(kSpacing);
    layout->addWidget(m_leftLabel);
    layout->addStretch(1);
    layout->addWidget(m_viewPicker);
    layout->addWidget(m_navigation);
    layout->addWidget(m_context);
    layout->addWidget(m_ignoring);
    layout->addWidget(m_share);
    layout->addWidget(m_swap);
    layout->addWidget(m_close);
    layout->addStretch(1);
    layout->addWidget(m_rightLabel);

    connect(m_leftLabel, &QAbstractButton::clicked, this, [this] { Q_EMIT replaceRequested(FileSide::left); });
    connect(m_rightLabel, &QAbstractButton::clicked, this, [this] { Q_EMIT replaceRequested(FileSide::right); });
    connect(m_viewPicker, &SegmentedControl::activated, this, [this](int index) {
        Q_EMIT viewModeChosen(index == 1 ? DiffViewMode::inlineView : DiffViewMode::sideBySide);
    });
    connect(m_previous, &QAbstractButton::clicked, &m_model, &ComparisonViewModel::moveToPreviousChange);
    connect(m_next, &QAbstractButton::clicked, &m_model, &ComparisonViewModel::moveToNextChange);
    connect(m_context, &QAbstractButton::clicked, this,
            [this] { m_model.setShowAllContext(!m_model.showAllContext()); });
    connect(m_share, &QAbstractButton::clicked, this, [this] { Q_EMIT shareClicked(m_share); });
    connect(m_ignoring, &QAbstractButton::clicked, this, [this] { Q_EMIT optionsRequested(m_ignoring); });
    connect(m_swap, &QAbstractButton::clicked, &m_model, &ComparisonViewModel::swapFiles);
    connect(m_close, &QAbstractButton::clicked, &m_model, &ComparisonViewModel::resetFiles);
    refresh();
}

void ComparisonToolbar::setViewMode(DiffViewMode mode)
{
    m_viewPicker->setCurrentIndex(mode == DiffViewMode::inlineView ? 1 : 0);
}

void ComparisonToolbar::setShareAvailable(bool available)
{
    m_shareAvailable = available;
    refresh();
}

void ComparisonToolbar::refresh()
{
    m_leftLabel->setFileItem(m_model.leftFile());
    m_rightLabel->setFileItem(m_model.rightFile());
    m_leftLabel->setTextFormat(m_model.textFormat(FileSide::left));
    m_rightLabel->setTextFormat(m_model.textFormat(FileSide::right));

    const std::optional<DiffResult>& result = m_model.activeDiffResult();
    const bool changes = result && result->hasChanges();
    m_navigation->setVisible(changes);
    m_context->setVisible(changes);
    if (changes) {
        const qint64 position = m_model.focusedChangeIndex().value_or(0) + 1;
        m_position->setText(QStringLiteral("%1 / %2").arg(position).arg(m_model.changeLineRows().size()));
    }
    const bool all = m_model.showAllContext();
    m_context->setIconName(all ? IconName::compressVertical : IconName::expandVertical);
    m_context->setToolTip(all ? QStringLiteral("Collapse unchanged sections") : QStringLiteral("Expand all context"));
    m_context->setAccessibleName(m_context->toolTip());
    m_share->setEnabled(m_shareAvailable && result.has_value());
    refreshIgnoring();
    shareLabelWidth();
}

void ComparisonToolbar::refreshIgnoring()
{
    const CompareOptions& options = m_model.compareOptions();
    const QString label = varnel::ignoringLabel(options);
    if (label != m_ignoring->text()) {
        m_ignoring->setText(label);
        m_ignoring->updateGeometry();
    }
    const QString phrase = ignoringPhrase(options);
    m_ignoring->setToolTip(phrase.isEmpty() ? QString()
                                            : phrase.at(0).toUpper() + phrase.mid(1) +
                                                  QStringLiteral("\nClick to change the compare options"));
    m_ignoring->setAccessibleName(label);
    m_ignoring->setAccessibleDescription(QStringLiteral("Opens the compare options"));
    m_ignoring->setVisible(!label.isEmpty());
}

void ComparisonToolbar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    shareLabelWidth();
}

void ComparisonToolbar::shareLabelWidth()
{
    // The two names share what the controls between them leave: each gets half, and a
    // name shorter than its half lends the rest to the other.
    int controls = 0;
    int items = 2; // the labels
    for (const QWidget* item : {static_cast<QWidget*>(m_viewPicker), m_navigation, static_cast<QWidget*>(m_context),
                                static_cast<QWidget*>(m_ignoring), static_cast<QWidget*>(m_share),
                                static_cast<QWidget*>(m_swap), static_cast<QWidget*>(m_close)}) {
        if (!item->isHidden() || item->sizePolicy().retainSizeWhenHidden()) {
            controls += item == m_viewPicker ? kPickerWidth : item->sizeHint().width();
            ++items;
        }
    }
    const int spacing = kSpacing * (items + 1); // the two flexible spaces are items too
    const int available = std::max(0, width() - 2 * kHorizontalInset - controls - spacing);
    const int left = m_leftLabel->isHidden() ? 0 : m_leftLabel->sizeHint().width();
    const int right = m_rightLabel->isHidden() ? 0 : m_rightLabel->sizeHint().width();
    int leftMax = QWIDGETSIZE_MAX;
    int rightMax = QWIDGETSIZE_MAX;
    if (left + right > available) {
        const int half = available / 2;
        if (left < half) {
            rightMax = available - left;
        } else if (right < available - half) {
            leftMax = available - right;
        } else {
            leftMax = half;
            rightMax = available - half;
        }
    }
    m_leftLabel->setMaximumWidth(std::max(leftMax, m_leftLabel->minimumSizeHint().width()));
    m_rightLabel->setMaximumWidth(std::max(rightMax, m_rightLabel->minimumSizeHint().width()));
}

void ComparisonToolbar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Appearance::instance().palette().color(ColorRole::windowBackground));
}

} // namespace varnel
