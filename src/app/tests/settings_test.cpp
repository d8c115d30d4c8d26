#include "app/settingswindow.h"
#include "apptestutil.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QTest>

using namespace varnel;

namespace {

// A click on the button's circle, as a person makes it.
void choose(QRadioButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { test::clearPreferences(); }
    void TearDown() override
    {
        test::clearPreferences();
        Appearance::instance().setDark(false);
    }

    QString stored() const { return preferences.string(Preferences::kAppearanceMode, "(none)"); }

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
}

TEST_F(SettingsTest, AnUnknownStoredModeShowsAsSystemUntilTheUserPicks)
{
    preferences.setString(Preferences::kAppearanceMode, "sepia");
    AppearanceController appearance(test::noBus());
    SettingsWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(window.button(AppearanceMode::system)->isChecked());
    EXPECT_EQ(appearance.mode(), AppearanceMode::system);
    EXPECT_EQ(stored(), "sepia"); // not repaired

    choose(window.button(AppearanceMode::light));
    EXPECT_EQ(stored(), "light");
    choose(window.button(AppearanceMode::system));
    EXPECT_EQ(stored(), "system");

    // A value written elsewhere (another holder, another window) shows at once.
    Preferences().setString(Preferences::kAppearanceMode, "dark");
    EXPECT_TRUE(window.button(AppearanceMode::dark)->isChecked());
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
