// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Helpers for the report command tests: the report dialogs answered at once, results of a
// given size, and reading a written report back with Poppler.

#include "core/diffengine.h"
#include "viewmodel/reportrequest.h"
#include "widgets/export/reportdialogs.h"
#include "widgets/tests/screentestutil.h"
#include "widgets/tests/testutil.h"

#include <QAction>
#include <QFile>
#include <QMap>
#include <QMenu>
#include <QPrinter>
#include <QProgressDialog>
#include <QRegularExpression>

#include <gtest/gtest.h>
#include <poppler-qt6.h>

#include <memory>

namespace varnel::test {

// Replaces the report dialogs for the life of the object, each answering as its member
// says, and records what was asked.
class FakeReportDialogs {
public:
    struct MenuItem {
        QString text;
        bool enabled = true;
    };

    FakeReportDialogs()
    {
        dialogs::setSaveReportHandler([this](QWidget*, const QString& defaultName) {
            defaultNames.append(defaultName);
            return saveAnswer;
        });
        dialogs::setPrintHandler([this](QWidget*, QPrinter& printer, int pageCount) {
            printPageCounts.append(pageCount);
            printerPageSize = printer.pageLayout().fullRectPoints().size();
            printerFullPage = printer.fullPage();
            printerDocName = printer.docName();
            return configurePrinter ? configurePrinter(printer) : false;
        });
        dialogs::setMenuHandler([this](QMenu& menu, const QPoint& position) -> QAction* {
            menuItems.clear();
            menuPosition = position;
            QAction* chosen = nullptr;
            for (QAction* action : menu.actions()) {
                menuItems.append({action->text(), action->isEnabled()});
                if (action->text() == menuChoice)
                    chosen = action;
            }
            ++menusShown;
            return chosen;
        });
        dialogs::setOpenUrlHandler([this](const QUrl& url) {
            openedUrls.append(url);
            return true;
        });
        dialogs::setShowInFolderHandler([this](const QString& path) {
            shownInFolder.append(path);
            return folderShown;
        });
        dialogs::setQueryHandler([this](const QString& program, const QStringList& arguments) {
            queries.append(program + u' ' + arguments.join(u' '));
            return queryAnswers.value(arguments.value(arguments.size() - 1));
        });
        dialogs::setProgressHandler([this](QProgressDialog& dialog) {
            progressTitles.append(dialog.windowTitle());
            progressMaximum = dialog.maximum();
            if (cancelProgress)
                dialog.cancel();
        });
    }
    ~FakeReportDialogs()
    {
        dialogs::setSaveReportHandler({});
        dialogs::setPrintHandler({});
        dialogs::setMenuHandler({});
        dialogs::setOpenUrlHandler({});
        dialogs::setShowInFolderHandler({});
        dialogs::setQueryHandler({});
        dialogs::setProgressHandler({});
    }
    FakeReportDialogs(const FakeReportDialogs&) = delete;
    FakeReportDialogs& operator=(const FakeReportDialogs&) = delete;

    std::optional<dialogs::ReportFileChoice> saveAnswer;
    QStringList defaultNames;

    std::function<bool(QPrinter&)> configurePrinter; // none: the print dialog is cancelled
    QList<int> printPageCounts;
    QSizeF printerPageSize;
    bool printerFullPage = false;
    QString printerDocName;

    QString menuChoice; // the item to choose; none dismisses the menu
    QList<MenuItem> menuItems;
    QPoint menuPosition;
    int menusShown = 0;
    QList<QUrl> openedUrls;
    QStringList shownInFolder;
    bool folderShown = true;             // false: as with no file manager
    QMap<QString, QString> queryAnswers; // by the last argument ("application/pdf"); none: empty
    QStringList queries;

    bool cancelProgress = false;
    QStringList progressTitles;
    int progressMaximum = 0;
};

// A result of `count` unchanged lines "line 1" … with one line changed after the first
// `changeAfter`, which a collapsed result folds around.
inline DiffResult resultWithChange(int count, int changeAfter, bool collapse = false)
{
    QStringList left = numberedLines(count);
    QStringList right = left;
    left.insert(changeAfter, QStringLiteral("removed line"));
    right.insert(changeAfter, QStringLiteral("added line"));
    return DiffEngine::compute(left, right, collapse);
}

// What a window's report command would be given for `result` and the two names.
inline ReportRequest makeRequest(const DiffResult& result, const QString& left, const QString& right,
                                 const QStringList& inputs = {})
{
    return ReportRequest{result, left, right, inputs};
}

inline DiffResult unchangedResult(int count)
{
    const QStringList lines = numberedLines(count);
    return DiffEngine::compute(lines, lines, false);
}

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline std::unique_ptr<Poppler::Document> readPdf(const QString& path)
{
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    EXPECT_TRUE(document) << path.toStdString();
    return document;
}

inline QString pageText(Poppler::Document& document, int page)
{
    return document.page(page)->text(QRectF());
}

// How many "line N" cells a page shows.
inline int lineCells(Poppler::Document& document, int page)
{
    return int(pageText(document, page).count(QRegularExpression(QStringLiteral("line \\d+"))));
}

} // namespace varnel::test
