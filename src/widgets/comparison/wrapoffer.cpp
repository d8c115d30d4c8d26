// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/comparison/wrapoffer.h"

#include "widgets/style/appearance.h"
#include "widgets/style/buttons.h"
#include "widgets/style/fonts.h"
#include "widgets/style/symbolview.h"
#include "widgets/style/widgetstyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace varnel {

namespace {

// As the banner above it.
constexpr int kHorizontalInset = 16;
constexpr int kVerticalInset = 4;
constexpr int kSpacing = 8;
constexpr qreal kFill = 0.08;
constexpr int kCloseSize = 12;
constexpr int kClosePadding = 3;

} // namespace

WrapOffer::WrapOffer(DiffLayout& layout, QWidget* parent)
    : QWidget(parent)
    , m_layout(layout)
    , m_label(new QLabel(
          QStringLiteral("Long paragraphs are cut at the window's edge. Wrap Long Lines (Alt+Z) shows them whole."),
          this))
    , m_wrap(new TextButton(QStringLiteral("Wrap Long Lines"), fonts::ui(fonts::TextStyle::footnote), ColorRole::accent,
                            this))
    , m_close(new IconButton(IconName::close, QStringLiteral("Close this note"), this))
{
    setAccessibleName(QStringLiteral("Wrap long lines"));
    setAccessibleDescription(m_label->text());
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kHorizontalInset, kVerticalInset, kHorizontalInset, kVerticalInset);
    row->setSpacing(kSpacing);
    const int footnote = fonts::pixelSize(fonts::TextStyle::footnote);
    row->addWidget(new SymbolView(IconName::info, footnote + 2, ColorRole::secondary, this));
    m_label->setFont(fonts::ui(fonts::TextStyle::footnote));
    m_label->setTextFormat(Qt::PlainText);
    m_label->setWordWrap(true);
    setTextColor(m_label, ColorRole::secondary);
    row->addWidget(m_label, 1);
    m_wrap->setAccessibleName(m_wrap->text());
    m_wrap->setToolTip(QStringLiteral("Show long paragraphs on as many lines as they need (Alt+Z)"));
    row->addWidget(m_wrap);
    static_cast<IconButton*>(m_close)->setIconMetrics(kCloseSize, kClosePadding);
    row->addWidget(m_close);

    connect(m_wrap, &QAbstractButton::clicked, &m_layout, [this] { m_layout.setWrapsLongLines(true); });
    connect(m_close, &QAbstractButton::clicked, &m_layout, &DiffLayout::answerWrapOffer);
    connect(&m_layout, &DiffLayout::wrapOfferAnswered, this, &WrapOffer::refresh);
    connect(&m_layout, &DiffLayout::wrapChanged, this, &WrapOffer::refresh);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    hide();
}

void WrapOffer::setShown(DiffMode::Kind kind, bool linesCut, const QString& comparison)
{
    m_kind = kind;
    m_linesCut = linesCut;
    m_comparison = comparison;
    refresh();
}

QString WrapOffer::text() const
{
    return isHidden() ? QString() : m_label->text();
}

void WrapOffer::refresh()
{
    // Hidden with the keyboard in it, Qt moves the focus on to the next widget.
    setVisible(m_layout.offersWrap(m_kind, m_linesCut, m_comparison));
}

void WrapOffer::paintEvent(QPaintEvent*)
{
    const Palette& palette = Appearance::instance().palette();
    QPainter painter(this);
    painter.fillRect(rect(), palette.color(ColorRole::viewBackground));
    painter.fillRect(rect(), palette.color(ColorRole::secondary, kFill));
}

} // namespace varnel
