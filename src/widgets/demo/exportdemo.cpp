// Renders the report commands' dialogs to PNG files, light and dark, for a person to look
// at: the "Export as PDF" dialog with its check box, the share menu (with and without a
// report to offer) and the progress of a long report.
//   varnel-export-demo DIR [--dpr 2]
#include "core/diffengine.h"
#include "widgets/export/exportpresenter.h"
#include "widgets/export/reportdialogs.h"
#include "widgets/style/appearance.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

using namespace varnel;

namespace {

void settle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

bool save(QWidget& widget, const QString& file, qreal dpr)
{
    QImage image((QSizeF(widget.size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    widget.render(&image);
    if (!image.save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

void touch(const QString& path)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("x");
}

} // namespace

int main(int argc, char* argv[])
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_RUNTIME_DIR", (home.path() + QStringLiteral("/runtime")).toUtf8());
    QDir().mkpath(home.path() + QStringLiteral("/runtime"));
    QDir().mkpath(home.path() + QStringLiteral("/bin"));
    // An xdg-email that does nothing, so that the menu shows all it can offer.
    touch(home.path() + QStringLiteral("/bin/xdg-email"));
    QFile::setPermissions(home.path() + QStringLiteral("/bin/xdg-email"), QFile::ReadOwner | QFile::ExeOwner);
    qputenv("PATH", (home.path() + QStringLiteral("/bin:") + qEnvironmentVariable("PATH")).toUtf8());

    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("dir"), QStringLiteral("Where the PNG files go."));
    parser.addOption(
        {QStringLiteral("dpr"), QStringLiteral("Device pixel ratio."), QStringLiteral("ratio"), QStringLiteral("1")});
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    const QString out = parser.positionalArguments().front();
    const qreal dpr = parser.value(QStringLiteral("dpr")).toDouble();
    QDir().mkpath(out);
    const QString suffix = dpr == 1 ? QString() : QStringLiteral("@%1x").arg(dpr);

    // A folder to browse, with a few reports in it.
    const QString browse = home.path() + QStringLiteral("/Documents");
    QDir().mkpath(browse + QStringLiteral("/Older reports"));
    for (const char* name : {"config.json vs config.new.json.pdf", "notes.txt vs notes-v2.txt.pdf", "draft.docx"})
        touch(browse + u'/' + QString::fromLatin1(name));

    QStringList left;
    for (int i = 1; i <= 40; ++i)
        left << QStringLiteral("line %1").arg(i);
    QStringList right = left;
    right[20] = QStringLiteral("changed");
    const DiffResult result = DiffEngine::compute(left, right, false);

    int failures = 0;
    for (const bool dark : {false, true}) {
        Appearance::instance().setDark(dark);
        const QString look = dark ? QStringLiteral("dark") : QStringLiteral("light");

        QFileDialog* dialog = dialogs::makeSaveReportDialog(nullptr, QStringLiteral("a.json vs b.json.pdf"));
        dialog->setDirectory(browse);
        dialog->resize(780, 480);
        dialog->show();
        settle(400);
        failures += !save(*dialog, QStringLiteral("%1/export-dialog-%2%3.png").arg(out, look, suffix), dpr);
        delete dialog;

        // The share menu as the share button opens it, rendered by the menu seam.
        QWidget window;
        window.setPalette(Appearance::instance().palette().widgetPalette());
        window.setAutoFillBackground(true);
        window.resize(420, 60);
        auto* button = new QPushButton(QStringLiteral("Share…"), &window);
        button->move(300, 10);
        window.show();
        settle(100);
        QString name = QStringLiteral("share-menu");
        dialogs::setMenuHandler([&](QMenu& menu, const QPoint& position) -> QAction* {
            menu.popup(position);
            settle(300);
            failures += !save(menu, QStringLiteral("%1/%2-%3%4.png").arg(out, name, look, suffix), dpr);
            menu.close();
            return nullptr;
        });
        ExportPresenter::share(result, QStringLiteral("a.json"), QStringLiteral("b.json"), button);
        // A report that cannot be written: the menu says why and offers nothing.
        const QString shared = ExportPresenter::shareFolder() + QStringLiteral("/a.json vs b.json.pdf");
        QFile::remove(shared);
        QDir().mkpath(shared);
        name = QStringLiteral("share-menu-failed");
        ExportPresenter::share(result, QStringLiteral("a.json"), QStringLiteral("b.json"), button);
        QDir(shared).removeRecursively();
        dialogs::setMenuHandler({});

        // The progress of a long report, shown at once and left to finish.
        dialogs::setProgressHandler([&](QProgressDialog& progress) {
            progress.setValue(137);
            progress.setLabelText(QStringLiteral("Drawing page 138 of 412…"));
            progress.show();
            settle(200);
            failures += !save(progress, QStringLiteral("%1/export-progress-%2%3.png").arg(out, look, suffix), dpr);
        });
        dialogs::setSaveReportHandler([&](QWidget*, const QString&) {
            return std::optional(dialogs::ReportFileChoice{home.path() + QStringLiteral("/long.pdf"), true});
        });
        QStringList many;
        for (int i = 0; i < 49 * 411 + 1; ++i)
            many << QStringLiteral("line %1").arg(i);
        ExportPresenter::exportPdf(DiffEngine::compute(many, many, false), QStringLiteral("a.json"),
                                   QStringLiteral("b.json"), &window);
        dialogs::setProgressHandler({});
        dialogs::setSaveReportHandler({});
    }
    return failures == 0 ? 0 : 1;
}
