// SPDX-License-Identifier: GPL-3.0-or-later

// Runs the application tests in a QApplication, offscreen on one screen of 1920x1080
// unless told otherwise, in a throw-away home and runtime folder, and away from the desktop's session bus, so that
// preferences, sockets and the desktop's colour scheme never touch the real ones.
#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // The offscreen platform's own screen is 800 pixels wide, narrower than a window opens.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen")
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" VARNEL_TEST_SCREEN);
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    // The tests close every window they open while the loop below runs: the program's own
    // quit on the last window would end that loop, and from then on every dialog's loop
    // (exec) would return at once, failing whichever later test waits in one.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    // Inside the event loop, as in the program: Qt passes a new application palette on to
    // the open windows only while its loop runs.
    int result = 1;
    QTimer::singleShot(0, &app, [&result] {
        result = RUN_ALL_TESTS();
        QCoreApplication::exit(0);
    });
    QApplication::exec();
    return result;
}
