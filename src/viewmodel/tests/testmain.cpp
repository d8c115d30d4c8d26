// SPDX-License-Identifier: GPL-3.0-or-later

// Runs the view-model tests with an event loop, in a throw-away home folder so that
// preferences never touch the real user configuration.
//
// `viewmodel_tests --record-recents LEFT RIGHT [LEFT RIGHT ...]` is the second process of
// the tests of shared recents: it records each pair in the home folder it inherits, then
// exits.
#include "viewmodel/recentcomparisonsstore.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

int recordRecents(int argc, char** argv)
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    varnel::RecentComparisonsStore store;
    for (int i = 2; i + 1 < argc; i += 2)
        store.record(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i])),
                     QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i + 1])));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--record-recents") == 0)
        return recordRecents(argc, argv);
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
