// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/application.h"

#include "app/about.h"
#include "app/appearancecontroller.h"
#include "app/privacywindow.h"
#include "app/settingswindow.h"
#include "core/nativepath.h"
#include "widgets/root/rootview.h"

#include <QMessageBox>
#include <QUrl>

#include <algorithm>

namespace varnel {

namespace {

// The files go to the window's view model as one request, so that several at once become
// one comparison (see openFiles()).
void deliver(MainWindow* window, const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.append(fileUrl(path)); // exact bytes
    window->rootView()->openFiles(urls);
}

} // namespace

Application::Application(AppearanceController* controller, QObject* parent)
    : QObject(parent)
    , m_appearance(controller ? controller : new AppearanceController(this))
{
    if (controller)
        controller->setParent(this);
}

Application::~Application()
{
    // Windows hold references to the recents store: they go first. Each one deleted takes
    // itself off m_windows (see track): the list is copied first, or every other one would
    // be skipped and outlive the store.
    const QList<QPointer<MainWindow>> windows = m_windows;
    for (const QPointer<MainWindow>& window : windows)
        delete window.data();
    delete m_preferences.data();
    delete m_about.data();
}

MainWindow* Application::newWindow()
{
    auto* window = new MainWindow(*this);
    track(window);
    window->show();
    return window;
}

void Application::track(MainWindow* window)
{
    if (m_reportHandler)
        window->setReportHandler(m_reportHandler);
    m_windows.prepend(window);
    connect(window, &MainWindow::activated, this, [this, window] {
        m_windows.removeAll(window);
        m_windows.prepend(window);
    });
    connect(window, &QObject::destroyed, this,
            [this] { m_windows.removeIf([](const QPointer<MainWindow>& entry) { return entry.isNull(); }); });
}

QList<MainWindow*> Application::windows() const
{
    QList<MainWindow*> result;
    for (const QPointer<MainWindow>& window : m_windows) {
        if (window)
            result.append(window.data());
    }
    return result;
}

MainWindow* Application::open(const QStringList& paths)
{
    const QList<MainWindow*> open = windows();
    if (paths.isEmpty() || open.isEmpty())
        return openInNewWindow(paths);
    MainWindow* window = open.constFirst();
    deliver(window, paths);
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

MainWindow* Application::openInNewWindow(const QStringList& paths, const QStringList& labels)
{
    MainWindow* window = newWindow();
    ComparisonViewModel& model = window->rootView()->viewModel();
    for (qsizetype index = 0; index < std::min<qsizetype>(labels.size(), 2); ++index)
        model.labelNextFile(index == 0 ? FileSide::left : FileSide::right, labels[index]);
    deliver(window, paths);
    // A label is for a file of this request only, also when it was refused.
    model.labelNextFile(FileSide::left, {});
    model.labelNextFile(FileSide::right, {});
    return window;
}

void Application::setReportHandler(ReportHandler handler)
{
    m_reportHandler = std::move(handler);
    for (MainWindow* window : windows())
        window->setReportHandler(m_reportHandler);
}

SettingsWindow* Application::preferencesWindow() const
{
    return m_preferences;
}

QMessageBox* Application::aboutBox() const
{
    return m_about;
}

void Application::showPreferences()
{
    if (!m_preferences) {
        m_preferences = new SettingsWindow();
        m_preferences->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_preferences->show();
    m_preferences->raise();
    m_preferences->activateWindow();
}

void Application::showPrivacyPolicy()
{
    auto* window = new PrivacyWindow();
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

void Application::showAbout()
{
    if (!m_about) {
        m_about = makeAboutBox();
        m_about->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

} // namespace varnel
