// SPDX-License-Identifier: GPL-3.0-or-later

// The System appearance against a fake desktop portal on a private session bus.
#include "app/portalfilechooser.h"
#include "apptestutil.h"

#include <QProcess>
#include <QStandardPaths>

using namespace varnel;

namespace {

constexpr int kWaitMs = 10000;

class PortalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::clearPreferences();
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed";
        bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        ASSERT_TRUE(bus.waitForStarted(kWaitMs));
        ASSERT_TRUE(test::waitFor([this] { return bus.canReadLine(); }, kWaitMs));
        address = QString::fromUtf8(bus.readLine().trimmed());
        connection = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, connectionName));
        ASSERT_TRUE(connection->isConnected());
    }

    void TearDown() override
    {
        if (portal.state() != QProcess::NotRunning) {
            portal.closeWriteChannel(); // it ends at the end of its input
            if (!portal.waitForFinished(kWaitMs))
                portal.kill();
        }
        connection.reset();
        QDBusConnection::disconnectFromBus(connectionName);
        if (bus.state() != QProcess::NotRunning) {
            bus.kill();
            bus.waitForFinished(kWaitMs);
        }
        Appearance::instance().setDark(false);
        test::clearPreferences();
    }

    void startPortal(int scheme, const QStringList& more = {})
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        portal.setProcessEnvironment(environment);
        portal.start(QStringLiteral(VARNEL_FAKE_PORTAL), QStringList{QString::number(scheme)} + more);
        ASSERT_TRUE(portal.waitForStarted(kWaitMs));
        ASSERT_TRUE(test::waitFor([this] { return portal.canReadLine(); }, kWaitMs));
        ASSERT_EQ(portal.readLine(), "ready\n");
    }

    void say(int scheme) { portal.write(QByteArray::number(scheme) + '\n'); }

    const QString connectionName = QStringLiteral("varnel-test-private-bus");
    QProcess bus;
    QProcess portal;
    QString address;
    std::unique_ptr<QDBusConnection> connection;
};

TEST_F(PortalTest, SystemFollowsTheDesktopLive)
{
    startPortal(1);
    AppearanceController controller(*connection);
    EXPECT_EQ(controller.mode(), AppearanceMode::system);
    EXPECT_EQ(controller.desktopPrefersDark(), true);
    EXPECT_TRUE(Appearance::instance().isDark());
    EXPECT_TRUE(QApplication::palette().color(QPalette::Window).lightnessF() < 0.5);

    say(2);
    ASSERT_TRUE(test::waitFor([] { return !Appearance::instance().isDark(); }, kWaitMs));
    EXPECT_EQ(controller.desktopPrefersDark(), false);
    say(1);
    ASSERT_TRUE(test::waitFor([] { return Appearance::instance().isDark(); }, kWaitMs));
    // No preference: the platform's own palette decides (light here).
    say(0);
    ASSERT_TRUE(test::waitFor([] { return !Appearance::instance().isDark(); }, kWaitMs));
    EXPECT_EQ(controller.desktopPrefersDark(), std::nullopt);

    // Light and Dark leave the desktop aside, and System takes it up again.
    say(1);
    ASSERT_TRUE(test::waitFor([&] { return controller.desktopPrefersDark() == true; }, kWaitMs));
    Preferences preferences;
    preferences.setString(Preferences::kAppearanceMode, "light");
    EXPECT_FALSE(Appearance::instance().isDark());
    preferences.setString(Preferences::kAppearanceMode, "system");
    EXPECT_TRUE(Appearance::instance().isDark());
    preferences.setString(Preferences::kAppearanceMode, "dark");
    say(2);
    ASSERT_TRUE(test::waitFor([&] { return controller.desktopPrefersDark() == false; }, kWaitMs));
    EXPECT_TRUE(Appearance::instance().isDark());
}

TEST_F(PortalTest, ABusWithoutAPortalFallsBackToThePlatform)
{
    AppearanceController controller(*connection);
    EXPECT_EQ(controller.desktopPrefersDark(), std::nullopt);
    EXPECT_FALSE(controller.isDark()); // the offscreen platform's palette is light

    AppearanceController noBus(test::noBus());
    EXPECT_EQ(noBus.desktopPrefersDark(), std::nullopt);
    EXPECT_FALSE(noBus.isDark());
}

} // namespace

namespace {

// Open dialogs go through the portal's FileChooser: several files or one, starting in the
// folder asked for; a cancel chooses nothing, and a bus without one leaves it to Qt's dialog.
TEST_F(PortalTest, OpenDialogsGoThroughThePortalsFileChooser)
{
    PortalFileChooser absent(*connection);
    EXPECT_FALSE(absent.available());
    EXPECT_FALSE(absent.openFiles(nullptr, {QStringLiteral("Choose"), {}}));

    startPortal(0, {"--files", "file:///tmp/a.txt", "file:///tmp/b%20c.txt", "https://example.com/x"});
    PortalFileChooser chooser(*connection);
    ASSERT_TRUE(chooser.available());
    QWidget window;
    window.show();
    const dialogs::OpenFileRequest request{QStringLiteral("Choose files"), {}, QUrl::fromLocalFile("/tmp/in/"), true};
    EXPECT_EQ(chooser.openFiles(&window, request),
              QList<QUrl>({QUrl::fromLocalFile("/tmp/a.txt"), QUrl::fromLocalFile("/tmp/b c.txt")}));
    ASSERT_TRUE(test::waitFor([this] { return portal.canReadLine(); }, kWaitMs));
    const QString asked = QString::fromUtf8(portal.readLine());
    EXPECT_TRUE(asked.startsWith("asked Choose files ")) << asked.toStdString();
    EXPECT_TRUE(asked.contains("multiple=true")) << asked.toStdString();
    EXPECT_TRUE(asked.contains(QStringLiteral("current_folder=/tmp/in/"))) << asked.toStdString();
}

TEST_F(PortalTest, ACancelInThePortalChoosesNothing)
{
    startPortal(0, {"--files"});
    PortalFileChooser chooser(*connection);
    EXPECT_EQ(chooser.openFiles(nullptr, {QStringLiteral("Choose"), {}}), QList<QUrl>());
}

} // namespace
