// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/privacywindow.h"
#include "app/settingswindow.h"
#include "apptestutil.h"
#include "widgets/root/rootview.h"
#include "widgets/style/palette.h"

#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QProxyStyle>
#include <QRadioButton>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <optional>

using namespace varnel;

namespace {

// A click on the button's circle, as a person makes it.
void choose(QRadioButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

class SettingsTest : public ::testing::Test {
protected:
    void TearDown() override { test::clearPreferences(); }

    QString stored() const { return preferences.string(Preferences::kAppearanceMode, "(none)"); }

    test::ApplicationScope app;
    Preferences preferences;
};

TEST_F(SettingsTest, OneGeneralGroupWithTheThreeModesInOrder)
{
    SettingsWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(qobject_cast<QGroupBox*>(window.form())->title(), "General");
    EXPECT_EQ(window.form()->width(), 320);
    EXPECT_GT(window.width(), 320); // the standard margins all round
    QStringList labels;
    int lastY = -1;
    for (AppearanceMode mode : kAppearanceModes) {
        labels.append(window.button(mode)->text());
        EXPECT_GT(window.button(mode)->y(), lastY); // one under the other
        lastY = window.button(mode)->y();
    }
    EXPECT_EQ(labels, QStringList({"System", "Light", "Dark"}));
    EXPECT_TRUE(window.button(AppearanceMode::system)->isChecked());
    EXPECT_EQ(stored(), "(none)"); // showing the default writes nothing

    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(SettingsTest, AnUnknownStoredModeShowsAsSystemUntilTheUserPicks)
{
    preferences.setString(Preferences::kAppearanceMode, "sepia");
    SettingsWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(window.button(AppearanceMode::system)->isChecked());
    EXPECT_EQ(app->appearance().mode(), AppearanceMode::system);
    EXPECT_EQ(stored(), "sepia"); // not repaired

    choose(window.button(AppearanceMode::light));
    EXPECT_EQ(stored(), "light");
    choose(window.button(AppearanceMode::system));
    EXPECT_EQ(stored(), "system");

    // A value written elsewhere (another holder, another window) shows at once.
    Preferences().setString(Preferences::kAppearanceMode, "dark");
    EXPECT_TRUE(window.button(AppearanceMode::dark)->isChecked());
}

TEST_F(SettingsTest, ChoosingDarkRepaintsEveryWindowAtOnce)
{
    MainWindow* one = app->newWindow();
    MainWindow* two = app->newWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(two));
    app->showPreferences();
    SettingsWindow* settings = app->preferencesWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(settings));
    EXPECT_FALSE(Appearance::instance().isDark()); // System on a light platform, without a portal

    const QColor darkWindow = Palette::dark().color(ColorRole::windowBackground);
    const QColor lightWindow = Palette::light().color(ColorRole::windowBackground);
    const auto background = [](QWidget* widget) { return test::grabImage(widget).pixelColor(5, widget->height() - 5); };

    choose(settings->button(AppearanceMode::dark));
    EXPECT_EQ(stored(), "dark");
    EXPECT_TRUE(Appearance::instance().isDark());
    test::settle(); // the windows without a palette of their own hear of it from the event loop
    for (MainWindow* window : {one, two})
        EXPECT_TRUE(test::sameColor(background(window->rootView()), darkWindow));
    EXPECT_TRUE(test::sameColor(background(settings), darkWindow)); // the dialogs too
    EXPECT_TRUE(test::sameColor(QToolTip::palette().color(QPalette::ToolTipBase),
                                Palette::dark().widgetPalette().color(QPalette::ToolTipBase)));
    const auto* style = qobject_cast<QProxyStyle*>(QApplication::style());
    ASSERT_TRUE(style);
    EXPECT_EQ(style->baseStyle()->name().toLower(), "fusion");
    // The rim of an unchosen radio button stands out from the dark window.
    const QImage radio = test::grabImage(settings->button(AppearanceMode::light));
    int strongest = 0;
    for (int y = 0; y < radio.height(); ++y) {
        for (int x = 0; x < qMin(radio.width(), 20); ++x)
            strongest = qMax(strongest, radio.pixelColor(x, y).lightness() - darkWindow.lightness());
    }
    EXPECT_GT(strongest, 50);

    choose(settings->button(AppearanceMode::light));
    EXPECT_FALSE(Appearance::instance().isDark());
    test::settle();
    for (MainWindow* window : {one, two})
        EXPECT_TRUE(test::sameColor(background(window->rootView()), lightWindow));
    EXPECT_TRUE(test::sameColor(background(settings), lightWindow));
}

// Whether some pixel of `widget` is `color`.
bool shows(QWidget* widget, const QColor& color)
{
    const QImage image = test::grabImage(widget);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (test::sameColor(image.pixelColor(x, y), color, 8))
                return true;
        }
    }
    return false;
}

TEST_F(SettingsTest, WindowsLeftOpenAcrossASwitchFollowIt)
{
    app->showPreferences();
    app->showPrivacyPolicy();
    app->showAbout();
    PrivacyWindow* privacy = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<PrivacyWindow*>(window))
            privacy = found;
    }
    ASSERT_TRUE(privacy);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(privacy));
    QLabel* link = nullptr;
    for (QLabel* label : privacy->findChildren<QLabel*>()) {
        if (label->text().contains("mailto:"))
            link = label;
    }
    ASSERT_TRUE(link);
    const QColor darkLink = Palette::dark().widgetPalette().color(QPalette::Link);
    const QColor lightLink = Palette::light().widgetPalette().color(QPalette::Link);
    EXPECT_TRUE(shows(link, lightLink));

    // An alert up while the appearance turns dark (modal: looked at from inside its own
    // loop, which a process already told to quit never enters; the case then runs on
    // without it).
    const QColor darkWindow = Palette::dark().color(ColorRole::windowBackground);
    std::optional<bool> alertFollowed;
    QTimer::singleShot(0, [&] {
        Preferences().setString(Preferences::kAppearanceMode, "dark");
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(window);
            if (box && box->isVisible() && box->text() == "Text") {
                test::settle();
                alertFollowed = test::sameColor(test::grabImage(box).pixelColor(3, 3), darkWindow);
                box->close();
            }
        }
    });
    const dialogs::AlertHandler previous = dialogs::setAlertHandler({});
    dialogs::alert(nullptr, "Title", "Text");
    dialogs::setAlertHandler(previous);
    EXPECT_NE(alertFollowed, std::optional(false));

    test::settle();
    EXPECT_TRUE(shows(link, darkLink));
    EXPECT_FALSE(shows(link, lightLink));
    for (QWidget* window : {static_cast<QWidget*>(privacy->viewport()), static_cast<QWidget*>(app->aboutBox()),
                            static_cast<QWidget*>(app->preferencesWindow())})
        EXPECT_TRUE(test::sameColor(test::grabImage(window).pixelColor(3, 3), darkWindow));
    privacy->close();
}

TEST(AppearanceMode, RawValuesAndLabels)
{
    for (AppearanceMode mode : kAppearanceModes)
        EXPECT_EQ(appearanceModeFromRawValue(rawValue(mode)), mode);
    EXPECT_EQ(rawValue(AppearanceMode::system), "system");
    EXPECT_EQ(rawValue(AppearanceMode::light), "light");
    EXPECT_EQ(rawValue(AppearanceMode::dark), "dark");
    for (const char* unknown : {"", "Dark", "sepia", " dark"})
        EXPECT_EQ(appearanceModeFromRawValue(QString::fromLatin1(unknown)), AppearanceMode::system) << unknown;
}

} // namespace
