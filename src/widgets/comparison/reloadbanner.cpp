// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/comparison/reloadbanner.h"

#include "widgets/style/appearance.h"
#include "widgets/style/buttons.h"
#include "widgets/style/fonts.h"
#include "widgets/style/symbolview.h"
#include "widgets/style/widgetstyle.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace varnel {

namespace {

// As the other notes of the comparison screen.
constexpr int kHorizontalInset = 16;
constexpr int kVerticalInset = 4;
constexpr int kSpacing = 8;
constexpr qreal kFill = 0.08;
constexpr int kCloseSize = 12;
constexpr int kClosePadding = 3;

} // namespace

ReloadBanner::ReloadBanner(FileReload& reload, QWidget* parent)
    : QWidget(parent)
    , m_reload(reload)
    , m_label(new QLabel(this))
    , m_choose(new TextButton(QStringLiteral("Choose Another File\u2026"), fonts::ui(fonts::TextStyle::footnote),
                              ColorRole::accent, this))
    , m_close(new IconButton(IconName::close, QStringLiteral("Close this note"), this))
{
    setAccessibleName(QStringLiteral("Files on disk"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kHorizontalInset, kVerticalInset, kHorizontalInset, kVerticalInset);
    row->setSpacing(kSpacing);
    const int footnote = fonts::pixelSize(fonts::TextStyle::footnote);
    row->addWidget(new SymbolView(IconName::info, footnote + 2, ColorRole::secondary, this));
    m_label->setFont(fonts::ui(fonts::TextStyle::footnote));
    m_label->setTextFormat(Qt::PlainText); // file names are the user's text
    m_label->setWordWrap(true);
    setTextColor(m_label, ColorRole::secondary);
    row->addWidget(m_label, 1);
    m_choose->setAccessibleName(QStringLiteral("Choose Another File"));
    row->addWidget(m_choose);
    static_cast<IconButton*>(m_close)->setIconMetrics(kCloseSize, kClosePadding);
    row->addWidget(m_close);

    connect(m_choose, &QAbstractButton::clicked, this, [this] {
        if (const std::optional<FileSide> side = m_reload.replaceableSide())
            Q_EMIT chooseRequested(*side);
    });
    connect(m_close, &QAbstractButton::clicked, &m_reload, &FileReload::dismissNotice);
    connect(&m_reload, &FileReload::noticeChanged, this, &ReloadBanner::refresh);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    refresh();
}

QString ReloadBanner::text() const
{
    return isHidden() ? QString() : m_label->text();
}

void ReloadBanner::refresh()
{
    const QString& notice = m_reload.notice();
    m_label->setText(notice);
    setAccessibleDescription(notice);
    const std::optional<FileSide> side = m_reload.replaceableSide();
    m_choose->setVisible(side.has_value());
    m_choose->setToolTip(side ? QStringLiteral("Choose a file to compare in place of the %1 one")
                                    .arg(*side == FileSide::left ? QStringLiteral("left") : QStringLiteral("right"))
                              : QString());
    m_choose->setAccessibleDescription(m_choose->toolTip());
    // Hidden with the keyboard in it, Qt moves the focus on to the next widget.
    setVisible(!notice.isEmpty());
    if (!notice.isEmpty()) {
        QAccessibleEvent alert(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}

void ReloadBanner::paintEvent(QPaintEvent*)
{
    const Palette& palette = Appearance::instance().palette();
    QPainter painter(this);
    painter.fillRect(rect(), palette.color(ColorRole::viewBackground));
    painter.fillRect(rect(), palette.color(ColorRole::secondary, kFill));
}

} // namespace varnel
