// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Helpers for the screen tests: dialogs that answer at once, files in a temporary folder,
// canned comparisons, synthetic drags and waiting for the event loop.

#include "compare/comparison.h"
#include "core/diffengine.h"
#include "viewmodel/comparisonviewmodel.h"
#include "widgets/dialogs/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace varnel::test {

// Runs the event loop until `done` holds or `timeoutMs` passes; says whether it held.
inline bool waitFor(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

// Lets queued calls and posted events run.
inline void settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

// Replaces the open dialog and the alerts for the life of the object: the open dialog
// answers from a queue (nothing once it is empty, as a cancel), and every request and
// alert is recorded.
class FakeDialogs {
public:
    struct Alert {
        QString title;
        QString text;
    };

    FakeDialogs()
    {
        m_previousOpen = dialogs::setOpenFileHandler([this](QWidget*, const dialogs::OpenFileRequest& request) {
            requests.push_back(request);
            if (whilePicking)
                std::exchange(whilePicking, {})();
            if (request.several && !severalAnswers.empty()) {
                QList<QUrl> answer = severalAnswers.front();
                severalAnswers.pop_front();
                return answer;
            }
            if (answers.empty())
                return QList<QUrl>();
            std::optional<QUrl> answer = answers.front();
            answers.pop_front();
            return answer ? QList<QUrl>{*answer} : QList<QUrl>();
        });
        m_previousAlert = dialogs::setAlertHandler([this](QWidget*, const QString& title, const QString& text) {
            alerts.push_back({title, text});
        });
    }
    ~FakeDialogs()
    {
        dialogs::setOpenFileHandler(m_previousOpen);
        dialogs::setAlertHandler(m_previousAlert);
    }
    FakeDialogs(const FakeDialogs&) = delete;
    FakeDialogs& operator=(const FakeDialogs&) = delete;

    std::deque<std::optional<QUrl>> answers;
    // For a dialog that takes several files: these come first.
    std::deque<QList<QUrl>> severalAnswers;
    // Runs once while the next dialog is open (as something from outside would).
    std::function<void()> whilePicking;
    std::vector<dialogs::OpenFileRequest> requests;
    std::vector<Alert> alerts;

private:
    dialogs::OpenFileHandler m_previousOpen;
    dialogs::AlertHandler m_previousAlert;
};

// Files in a folder that goes away with the object.
class TempFiles {
public:
    QUrl file(const QString& name, const QByteArray& data = "one\ntwo\n")
    {
        const QString path = m_dir.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(data);
        return QUrl::fromLocalFile(path);
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

// Every test starts without stored preferences.
inline void clearPreferences()
{
    QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Varnel"), QStringLiteral("Varnel")).clear();
}

// A comparison that ignores the files and compares `left` with `right`; it waits while
// `hold` is set, so a test can look at the screen while it runs.
inline ComparisonViewModel::Comparator cannedComparator(QStringList left, QStringList right,
                                                        std::shared_ptr<std::atomic<bool>> hold = nullptr)
{
    return [left = std::move(left), right = std::move(right), hold = std::move(hold)](
               const FileItem&, const FileItem&, const CancelCheck&) -> Expected<ComparisonOutcome> {
        while (hold && hold->load())
            QThread::msleep(2);
        return ComparisonOutcome{DiffEngine::compute(left, right, true), DiffEngine::compute(left, right, false)};
    };
}

// `count` lines, with every `every`-th one changed on the right: count / every changes.
inline std::pair<QStringList, QStringList> changedLines(int count, int every)
{
    QStringList left;
    QStringList right;
    for (int i = 1; i <= count; ++i) {
        left << QStringLiteral("line %1").arg(i);
        right << (i % every == 0 ? QStringLiteral("changed %1").arg(i) : QStringLiteral("line %1").arg(i));
    }
    return {left, right};
}

inline std::unique_ptr<QMimeData> urlMime(const QList<QUrl>& urls)
{
    auto mime = std::make_unique<QMimeData>();
    mime->setUrls(urls);
    return mime;
}

// Sends a drag entering `widget` with `mime`; says whether the widget took it.
inline bool dragEnter(QWidget* widget, const QMimeData* mime)
{
    QDragEnterEvent event(widget->rect().center(), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    event.setAccepted(false);
    QApplication::sendEvent(widget, &event);
    return event.isAccepted();
}

// A whole drop as the desktop delivers it: the drag enters, then drops (at `at`, else in
// the middle). Says whether the drop was taken.
inline bool drop(QWidget* widget, const QMimeData* mime, std::optional<QPoint> at = std::nullopt)
{
    dragEnter(widget, mime);
    QDropEvent event(QPointF(at.value_or(widget->rect().center())), Qt::CopyAction, mime, Qt::LeftButton,
                     Qt::NoModifier);
    event.setAccepted(false);
    QApplication::sendEvent(widget, &event);
    return event.isAccepted();
}

} // namespace varnel::test
