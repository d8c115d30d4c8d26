// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/about.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

namespace varnel {

QString applicationVersion()
{
    return QStringLiteral(VARNEL_VERSION);
}

QString aboutCredit()
{
    return QStringLiteral("Compares two files line by line, fast and offline.");
}

QMessageBox* makeAboutBox(QWidget* parent)
{
    auto* box = new QMessageBox(parent);
    box->setWindowTitle(QStringLiteral("About Varnel"));
    box->setTextFormat(Qt::RichText);
    // One label: the box is as wide as its widest line, and the credit never wraps.
    box->setText(QStringLiteral("<h3>Varnel</h3><p>Version %1</p><p>%2</p>")
                     .arg(applicationVersion().toHtmlEscaped(), aboutCredit().toHtmlEscaped()));
    box->setStandardButtons(QMessageBox::Ok);
    box->setWindowModality(Qt::NonModal);
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull())
        box->setIconPixmap(icon.pixmap(QSize(64, 64), box->devicePixelRatio()));
    return box;
}

} // namespace varnel
