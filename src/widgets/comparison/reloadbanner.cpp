// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/comparison/reloadbanner.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>

namespace varnel {

ReloadBanner::ReloadBanner(FileReload& reload, QWidget* parent)
    : NoteBar(QStringLiteral("Choose Another File\u2026"), parent)
    , m_reload(reload)
{
    setAccessibleName(QStringLiteral("Files on disk"));
    QAbstractButton* choose = chooseButton();
    choose->setAccessibleName(QStringLiteral("Choose Another File"));

    connect(choose, &QAbstractButton::clicked, this, [this] {
        if (const std::optional<FileSide> side = m_reload.replaceableSide())
            Q_EMIT chooseRequested(*side);
    });
    connect(closeButton(), &QAbstractButton::clicked, &m_reload, &FileReload::dismissNotice);
    connect(&m_reload, &FileReload::noticeChanged, this, &ReloadBanner::refresh);
    refresh();
}

void ReloadBanner::refresh()
{
    const QString& notice = m_reload.notice();
    label()->setText(notice);
    setAccessibleDescription(notice);
    const std::optional<FileSide> side = m_reload.replaceableSide();
    QAbstractButton* choose = chooseButton();
    choose->setVisible(side.has_value());
    choose->setToolTip(side ? QStringLiteral("Choose a file to compare in place of the %1 one")
                                  .arg(*side == FileSide::left ? QStringLiteral("left") : QStringLiteral("right"))
                            : QString());
    choose->setAccessibleDescription(choose->toolTip());
    // Hidden with the keyboard in it, Qt moves the focus on to the next widget.
    setVisible(!notice.isEmpty());
    if (!notice.isEmpty()) {
        QAccessibleEvent alert(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}

} // namespace varnel
