// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/export/reportjob.h"

#include "widgets/export/reportdialogs.h"
#include "widgets/style/appearance.h"

#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>

#include <memory>

namespace varnel {

namespace {

bool& running()
{
    static bool value = false;
    return value;
}

} // namespace

bool ReportJob::isRunning()
{
    return running();
}

ReportJob::Outcome ReportJob::run(QWidget* parent, const QString& title, int pages, bool cancellable,
                                  const std::function<bool(ExportService::Progress& progress)>& draw)
{
    running() = true;
    const auto done = qScopeGuard([] { running() = false; });

    ExportService::Progress progress;
    if (pages <= kProgressPages)
        return draw(progress) ? Outcome::finished : Outcome::failed;

    // The window may close while the report is drawn: the dialog goes with it.
    QPointer<QProgressDialog> dialog = new QProgressDialog(QStringLiteral("Drawing page 1 of %1…").arg(pages),
                                                           QStringLiteral("Cancel"), 0, pages, parent);
    dialog->setWindowTitle(title);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumDuration(kProgressDelayMs);
    dialog->setMinimumWidth(360);
    if (!cancellable)
        dialog->setCancelButton(nullptr);
    Appearance::follow(dialog);
    bool cancelled = false;
    const auto cancel = [&] {
        if (!cancellable || cancelled)
            return;
        cancelled = true;
        progress.cancelled.store(true);
    };
    QObject::connect(dialog, &QProgressDialog::canceled, dialog, cancel);

    bool result = false;
    std::unique_ptr<QThread> worker(QThread::create([&] { result = draw(progress); }));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer ticker;
    ticker.setInterval(50);
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
        if (!dialog)
            return;
        if (dialog->wasCanceled())
            cancel();
        const int drawn = std::min(progress.pagesDrawn.load(), pages);
        dialog->setLabelText(QStringLiteral("Drawing page %1 of %2…").arg(std::min(drawn + 1, pages)).arg(pages));
        dialog->setValue(drawn);
    });

    dialogs::progressStarted(*dialog);
    if (dialog->wasCanceled())
        cancel();
    worker->start();
    ticker.start();
    loop.exec();
    worker->wait();
    ticker.stop();
    delete dialog.data();
    if (cancelled)
        return Outcome::cancelled;
    return result ? Outcome::finished : Outcome::failed;
}

} // namespace varnel
