#include "app/about.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

namespace varnel {

QString applicationVersion()
{
    return QStringLiteral(VARNEL_VERSION);
}

QMessageBox* makeAboutBox(QWidget* parent)
{
    auto* box = new QMessageBox(parent);
    box->setWindowTitle(QStringLiteral("About Varnel"));
    box->setTextFormat(Qt::RichText);
    box->setText(QStringLiteral("<h3>Varnel</h3><p>Version %1</p>").arg(applicationVersion().toHtmlEscaped()));
    box->setInformativeText(QStringLiteral("Compares two files line by line, fast and offline."));
    box->setStandardButtons(QMessageBox::Ok);
    box->setWindowModality(Qt::NonModal);
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull())
        box->setIconPixmap(icon.pixmap(QSize(64, 64), box->devicePixelRatio()));
    return box;
}

} // namespace varnel
