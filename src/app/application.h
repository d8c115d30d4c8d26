// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "app/mainwindow.h"
#include "viewmodel/openrequest.h"
#include "viewmodel/recentcomparisonsstore.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

class QMessageBox;

namespace varnel {

class AppearanceController;
class SettingsWindow;

// The application: the one recents store of the process, the appearance, the main
// windows (with the one most recently active), the preferences window, the privacy
// windows and the About box. Create it after the QApplication; it lives on the main thread.
class Application : public QObject {
    Q_OBJECT

public:
    // The appearance follows the portal on `controller`'s bus; without one, on the session
    // bus.
    explicit Application(AppearanceController* controller = nullptr, QObject* parent = nullptr);
    ~Application() override;

    RecentComparisonsStore& recentsStore() { return m_recents; }
    AppearanceController& appearance() { return *m_appearance; }

    // A new main window, shown.
    MainWindow* newWindow();
    // The open main windows, the most recently active first.
    QList<MainWindow*> windows() const;

    // Open requests from outside (the command line, the desktop, a second `varnel`): the
    // files go, in order, to the most recently active main window, which is raised; with
    // no window open, or no files given, a new window opens. Several files at once start
    // the window over, so that `varnel a b` always compares a with b. Returns the window.
    MainWindow* open(const QStringList& paths);
    // A request from another process, as open(), but never from inside an alert's or a
    // dialog's event loop: there it waits until that loop has returned.
    void requestOpen(const QStringList& paths) { m_requests.submit(paths); }
    // The files in a new window of their own; `labels` (up to two) name the first and the
    // second file there instead of their own names.
    MainWindow* openInNewWindow(const QStringList& paths, const QStringList& labels = {});

    // The report commands of every window, present and future.
    void setReportHandler(ReportHandler handler);

    void showPreferences();
    SettingsWindow* preferencesWindow() const;
    // A new privacy window each time.
    void showPrivacyPolicy();
    // The About box, or brings the open one to the front.
    void showAbout();
    QMessageBox* aboutBox() const;

private:
    void track(MainWindow* window);

    RecentComparisonsStore m_recents;
    AppearanceController* m_appearance;
    ReportHandler m_reportHandler;
    QList<QPointer<MainWindow>> m_windows; // the most recently active first
    QPointer<SettingsWindow> m_preferences;
    QPointer<QMessageBox> m_about;
    OpenRequestQueue m_requests{[this](const QStringList& paths) { open(paths); }};
};

} // namespace varnel
