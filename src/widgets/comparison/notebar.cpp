// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/comparison/notebar.h"

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

// As the banner above the notes.
constexpr int kHorizontalInset = 16;
constexpr int kVerticalInset = 4;
constexpr int kSpacing = 8;
constexpr qreal kFill = 0.08;
constexpr int kCloseSize = 12;
constexpr int kClosePadding = 3;

} // namespace

NoteBar::NoteBar(const QString& actionText, QWidget* parent)
    : QWidget(parent)
    , m_label(new QLabel(this))
    , m_action(new TextButton(actionText, fonts::ui(fonts::TextStyle::footnote), ColorRole::accent, this))
    , m_close(new IconButton(IconName::close, QStringLiteral("Close this note"), this))
{
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
    row->addWidget(m_action);
    static_cast<IconButton*>(m_close)->setIconMetrics(kCloseSize, kClosePadding);
    row->addWidget(m_close);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

QString NoteBar::text() const
{
    return isHidden() ? QString() : m_label->text();
}

void NoteBar::paintEvent(QPaintEvent*)
{
    const Palette& palette = Appearance::instance().palette();
    QPainter painter(this);
    painter.fillRect(rect(), palette.color(ColorRole::viewBackground));
    painter.fillRect(rect(), palette.color(ColorRole::secondary, kFill));
}

} // namespace varnel
