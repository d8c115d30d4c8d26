// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/comparison/findbar.h"

#include "viewmodel/findmodel.h"
#include "widgets/style/appearance.h"
#include "widgets/style/buttons.h"
#include "widgets/style/fonts.h"
#include "widgets/style/widgetstyle.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

namespace varnel {

namespace {

constexpr int kHorizontalInset = 16;
constexpr int kVerticalInset = 6;
constexpr int kSpacing = 8;
constexpr int kFieldWidth = 260;
constexpr int kStatusWidth = 96;
constexpr qreal kSeparatorOpacity = 0.25;
constexpr qreal kHoverFill = 0.12;
constexpr qreal kCheckedFill = 0.2;
constexpr qreal kCornerRadius = 5;

// "Aa": matches only the query's own letter case while checked.
class CaseButton : public QAbstractButton {
public:
    explicit CaseButton(QWidget* parent) : QAbstractButton(parent)
    {
        setText(QStringLiteral("Aa"));
        setCheckable(true);
        setToolTip(QStringLiteral("Match case"));
        setAccessibleName(QStringLiteral("Match case"));
        setFont(fonts::ui(fonts::TextStyle::callout, QFont::DemiBold));
        setFocusPolicy(Qt::TabFocus);
        setAttribute(Qt::WA_Hover);
        setHandCursor(this);
        trackKeyboardFocus(this);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    }

    QSize sizeHint() const override
    {
        const QFontMetrics metrics(font());
        return {metrics.horizontalAdvance(text()) + 12, 24};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const Palette& palette = Appearance::instance().palette();
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        if (isChecked()) {
            painter.setPen(QPen(palette.color(ColorRole::accent, 0.7), 1));
            painter.setBrush(palette.color(ColorRole::accent, kCheckedFill));
            painter.drawRoundedRect(box, kCornerRadius, kCornerRadius);
        } else if (underMouse() || isDown()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(palette.color(ColorRole::secondary, kHoverFill));
            painter.drawRoundedRect(box, kCornerRadius, kCornerRadius);
        }
        painter.setFont(font());
        painter.setPen(palette.color(isChecked() ? ColorRole::primary : ColorRole::secondary));
        painter.drawText(rect(), Qt::AlignCenter, text());
        if (hasKeyboardFocus(this))
            paintFocusRing(painter, rect(), kCornerRadius);
    }
};

} // namespace

FindBar::FindBar(FindModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_field(new QLineEdit(this))
    , m_status(new QLabel(this))
    , m_previous(new IconButton(IconName::chevronUp, QStringLiteral("Previous match (Shift+F3)"), this))
    , m_next(new IconButton(IconName::chevronDown, QStringLiteral("Next match (F3)"), this))
    , m_case(new CaseButton(this))
    , m_close(new IconButton(IconName::close, QStringLiteral("Close find (Escape)"), this))
{
    setAccessibleName(QStringLiteral("Find"));
    m_field->setPlaceholderText(QStringLiteral("Find in both files"));
    m_field->setAccessibleName(QStringLiteral("Find"));
    m_field->setToolTip(QStringLiteral("Find in both files: Enter for the next match, Shift+Enter for the previous"));
    m_field->setClearButtonEnabled(true);
    m_field->setFixedWidth(kFieldWidth);
    m_field->installEventFilter(this);
    m_status->setFont(fonts::ui(fonts::TextStyle::caption));
    m_status->setMinimumWidth(kStatusWidth);
    setTextColor(m_status, ColorRole::secondary);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(kHorizontalInset, kVerticalInset, kHorizontalInset, kVerticalInset);
    layout->setSpacing(kSpacing);
    layout->addWidget(m_field);
    layout->addWidget(m_previous);
    layout->addWidget(m_next);
    layout->addWidget(m_case);
    layout->addWidget(m_status);
    layout->addStretch(1);
    layout->addWidget(m_close);

    connect(m_field, &QLineEdit::textChanged, &m_model, &FindModel::setQuery);
    connect(m_case, &QAbstractButton::toggled, &m_model, &FindModel::setCaseSensitive);
    connect(m_previous, &QAbstractButton::clicked, this, &FindBar::previousRequested);
    connect(m_next, &QAbstractButton::clicked, this, &FindBar::nextRequested);
    connect(m_close, &QAbstractButton::clicked, this, &FindBar::close);
    connect(&m_model, &FindModel::changed, this, &FindBar::refresh);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    Appearance::follow(m_field);
    hide();
    refresh();
}

void FindBar::open()
{
    const bool wasHidden = isHidden();
    show();
    m_model.setQuery(m_field->text());
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
    if (wasHidden)
        Q_EMIT visibilityChanged(true);
}

void FindBar::close()
{
    if (isHidden())
        return;
    const bool hadFocus = isAncestorOf(focusWidget()) || hasFocus();
    hide();
    m_model.setQuery(QString());
    Q_EMIT visibilityChanged(false);
    if (hadFocus && parentWidget())
        parentWidget()->setFocus(Qt::OtherFocusReason);
}

void FindBar::refresh()
{
    m_status->setText(m_model.statusText());
    const bool any = m_model.total().value_or(0) > 0;
    m_previous->setEnabled(any || m_model.isCounting());
    m_next->setEnabled(any || m_model.isCounting());
}

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ShiftModifier)
                Q_EMIT previousRequested();
            else
                Q_EMIT nextRequested();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            close();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FindBar::paintEvent(QPaintEvent*)
{
    const Palette& palette = Appearance::instance().palette();
    QPainter painter(this);
    painter.fillRect(rect(), palette.color(ColorRole::windowBackground));
    painter.fillRect(QRectF(0, 0, width(), 1), palette.color(ColorRole::secondary, kSeparatorOpacity));
}

} // namespace varnel
