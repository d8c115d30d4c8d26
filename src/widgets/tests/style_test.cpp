// SPDX-License-Identifier: GPL-3.0-or-later

#include "readers/filetypedetector.h"
#include "testutil.h"
#include "widgets/style/busyindicator.h"
#include "widgets/style/buttons.h"
#include "widgets/style/elide.h"
#include "widgets/style/fonts.h"
#include "widgets/style/icons.h"
#include "widgets/style/segmentedcontrol.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace varnel;
using varnel::test::sameColor;

namespace {

// Counts the pixels of `image` that are (nearly) `color`, ignoring transparent ones.
int pixelsOf(const QImage& image, const QColor& color)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() > 200 && sameColor(pixel, color, 12))
                ++count;
        }
    }
    return count;
}

int visiblePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y).alpha() > 30 ? 1 : 0;
    }
    return count;
}

// The darkest pixel's lightness, 0 to 255.
int darkest(const QImage& image)
{
    int least = 255;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            least = std::min(least, image.pixelColor(x, y).lightness());
    }
    return least;
}

// Puts an icon theme in place for one test and takes it away afterwards.
class ThemeScope {
public:
    ThemeScope(const QString& name, const QStringList& paths)
        : m_name(QIcon::themeName())
        , m_paths(QIcon::themeSearchPaths())
    {
        QIcon::setThemeSearchPaths(paths);
        QIcon::setThemeName(name);
    }
    ~ThemeScope()
    {
        QIcon::setThemeSearchPaths(m_paths);
        QIcon::setThemeName(m_name);
    }
    ThemeScope(const ThemeScope&) = delete;
    ThemeScope& operator=(const ThemeScope&) = delete;

private:
    QString m_name;
    QStringList m_paths;
};

TEST(Icons, OurOwnDrawingsTakeTheColourAtEveryScale)
{
    QTemporaryDir empty;
    ThemeScope none(QStringLiteral("no-such-theme"), {empty.path()}); // a bare machine
    const QColor orange = Palette::light().color(ColorRole::orange);
    for (int i = 0; i <= int(IconName::checkmark); ++i) {
        const auto name = IconName(i);
        const QImage image = icons::pixmap(name, 24, orange, 1).toImage();
        EXPECT_EQ(image.size(), QSize(24, 24));
        EXPECT_GT(pixelsOf(image, orange), 10) << "icon " << i;
        EXPECT_EQ(pixelsOf(image, Qt::black), 0) << "icon " << i << " keeps its drawing colour";
    }
    // Sharp at twice the density: twice the pixels, same logical size.
    const QPixmap hiDpi = icons::pixmap(IconName::warning, 40, orange, 2);
    EXPECT_EQ(hiDpi.size(), QSize(80, 80));
    EXPECT_EQ(hiDpi.deviceIndependentSize(), QSizeF(40, 40));
    EXPECT_GT(pixelsOf(hiDpi.toImage(), orange),
              4 * pixelsOf(icons::pixmap(IconName::warning, 40, orange, 1).toImage(), orange) / 2);
}

TEST(Icons, ThemeIconsComeFirstAndSingleColouredOnesAreRecoloured)
{
    // A theme with a black arrow (one colour, as symbolic icons are) and a two-coloured
    // warning sign.
    QTemporaryDir dir;
    const QString theme = dir.filePath(QStringLiteral("testtheme"));
    QDir().mkpath(theme + QStringLiteral("/scalable/actions"));
    QFile index(theme + QStringLiteral("/index.theme"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=testtheme\nDirectories=scalable/actions\n\n[scalable/actions]\nSize=16\n"
                "MinSize=8\nMaxSize=512\nType=Scalable\n");
    index.close();
    const auto svg = [&theme](const QString& name, const QByteArray& body) {
        QFile file(theme + QStringLiteral("/scalable/actions/") + name + QStringLiteral(".svg"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 16 16\">" + body + "</svg>");
    };
    svg(QStringLiteral("go-up-symbolic"), "<rect x=\"2\" y=\"2\" width=\"12\" height=\"12\" fill=\"#000\"/>");
    svg(QStringLiteral("dialog-warning"), "<rect x=\"0\" y=\"0\" width=\"16\" height=\"8\" fill=\"#ffcc00\"/>"
                                          "<rect x=\"0\" y=\"8\" width=\"16\" height=\"8\" fill=\"#0000ff\"/>");
    ThemeScope scope(QStringLiteral("testtheme"), {dir.path()});
    ASSERT_TRUE(QIcon::hasThemeIcon(QStringLiteral("go-up-symbolic")));

    // The theme's square, not our chevron, in our colour: it reads on a dark background.
    const QColor light = Palette::dark().color(ColorRole::secondary);
    const QImage arrow = icons::pixmap(IconName::chevronUp, 32, light, 1).toImage();
    EXPECT_TRUE(sameColor(arrow.pixelColor(16, 16), light));
    EXPECT_GT(pixelsOf(arrow, light), 300);
    EXPECT_EQ(pixelsOf(arrow, Qt::black), 0);

    // A full-colour icon keeps its colours.
    const QImage warning = icons::pixmap(IconName::warning, 32, light, 1).toImage();
    EXPECT_TRUE(sameColor(warning.pixelColor(16, 4), QColor(0xffcc00)));
    EXPECT_TRUE(sameColor(warning.pixelColor(16, 28), QColor(0x0000ff)));
}

TEST(Icons, ModesAndPaletteIconsFollowTheAppearance)
{
    EXPECT_EQ(icons::forMode(DiffMode::text()), IconName::docPlaintext);
    EXPECT_EQ(icons::forMode(DiffMode::pdf()), IconName::docRichtext);
    EXPECT_EQ(icons::forMode(DiffMode::docx()), IconName::docText);
    EXPECT_EQ(icons::forMode(DiffMode::unsupported(QStringLiteral("xyz"))), IconName::docQuestionmark);
    EXPECT_EQ(icons::themeNames(IconName::warning),
              (QStringList{QStringLiteral("dialog-warning-symbolic"), QStringLiteral("dialog-warning")}));

    QTemporaryDir empty;
    ThemeScope none(QStringLiteral("no-such-theme"), {empty.path()});
    const QIcon icon = icons::icon(IconName::share, ColorRole::primary);
    for (const bool dark : {false, true}) {
        test::AppearanceScope appearance(dark);
        const QColor primary = Appearance::instance().palette().color(ColorRole::primary);
        const QImage normal = icon.pixmap(QSize(24, 24)).toImage();
        EXPECT_GT(pixelsOf(normal, primary), 10) << "dark " << dark;
        // Disabled, fainter: no pixel keeps the full colour.
        const QImage disabled = icon.pixmap(QSize(24, 24), QIcon::Disabled).toImage();
        EXPECT_EQ(pixelsOf(disabled, primary), 0);
        EXPECT_GT(visiblePixels(disabled), 10);
    }
}

TEST(Elide, NamesWrapOnTwoLinesAndAreCutInTheMiddleBeyond)
{
    const QFont font = fonts::ui(fonts::TextStyle::headline);
    EXPECT_EQ(elideToLines(QStringLiteral("notes.txt"), font, 300, 2), QStringList{QStringLiteral("notes.txt")});
    EXPECT_TRUE(elideToLines(QString(), font, 300, 2).isEmpty());

    const QString medium = QStringLiteral("quarterly-financial-report-draft.json");
    const QStringList wrapped = elideToLines(medium, font, QFontMetrics(font).horizontalAdvance(medium) * 2 / 3, 2);
    ASSERT_EQ(wrapped.size(), 2);
    EXPECT_EQ(wrapped.join(QString()), medium); // nothing lost

    const QString longName = QStringLiteral("a-very-long-file-name-") + QString(200, QLatin1Char('x')) +
                             QStringLiteral("-that-ends-here.json");
    const QStringList cut = elideToLines(longName, font, 200, 2);
    ASSERT_EQ(cut.size(), 2);
    const QString joined = cut.join(QString());
    EXPECT_TRUE(joined.contains(QChar(0x2026)));
    EXPECT_TRUE(joined.startsWith(QStringLiteral("a-very-long")));
    EXPECT_TRUE(joined.endsWith(QStringLiteral("ends-here.json")));
    for (const QString& line : cut)
        EXPECT_LE(QFontMetrics(font).horizontalAdvance(line), 200);

    // A cut never splits a character outside the basic plane.
    QString emoji;
    for (int i = 0; i < 120; ++i)
        emoji += QString::fromUcs4(U"\U0001F600");
    for (const QString& line : elideToLines(emoji, font, 120, 2)) {
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (line.at(i).isHighSurrogate()) {
                EXPECT_TRUE(i + 1 < line.size() && line.at(i + 1).isLowSurrogate());
            }
            if (line.at(i).isLowSurrogate()) {
                EXPECT_TRUE(i > 0 && line.at(i - 1).isHighSurrogate());
            }
        }
    }
}

TEST(Controls, SegmentedControlTakesClicksAndArrowKeys)
{
    SegmentedControl control(QStringLiteral("View"), {QStringLiteral("Side by Side"), QStringLiteral("Inline")});
    control.setFixedWidth(200);
    control.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&control));
    QSignalSpy activated(&control, &SegmentedControl::activated);
    EXPECT_EQ(control.currentIndex(), 0);
    EXPECT_EQ(control.segment(1)->width(), 98); // two equal halves inside the 2-pixel inset

    control.setCurrentIndex(1); // from the program: no signal
    EXPECT_EQ(control.currentIndex(), 1);
    EXPECT_EQ(activated.count(), 0);

    QTest::mouseClick(control.segment(0), Qt::LeftButton);
    EXPECT_EQ(control.currentIndex(), 0);
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated.takeFirst().at(0).toInt(), 0);

    control.segment(0)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(control.segment(0), Qt::Key_Right);
    EXPECT_EQ(control.currentIndex(), 1);
    EXPECT_EQ(activated.count(), 1);
    EXPECT_TRUE(hasKeyboardFocus(control.segment(1)));
}

TEST(Controls, IconButtonsShowAHandFadeWhenDisabledAndRingOnlyForTheKeyboard)
{
    test::AppearanceScope appearance(false);
    QWidget window;
    auto* button = new IconButton(IconName::close, QStringLiteral("Close comparison"), &window);
    auto* other = new IconButton(IconName::swap, QStringLiteral("Swap files"), &window);
    other->move(40, 0);
    window.resize(80, 40);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(button->toolTip(), QStringLiteral("Close comparison"));
    EXPECT_EQ(button->sizeHint(), QSize(24, 24));

    const int enabledInk = darkest(test::grabImage(button));
    button->setEnabled(false);
    EXPECT_GT(darkest(test::grabImage(button)), enabledInk + 60);
    button->setEnabled(true);

    const QColor ring =
        test::over(Palette::light().color(ColorRole::accent, 0.8), window.palette().color(QPalette::Window));
    const auto ringed = [&] { return pixelsOf(test::grabImage(button), ring) > 20; };
    button->setFocus(Qt::OtherFocusReason);
    EXPECT_TRUE(button->hasFocus());
    EXPECT_FALSE(hasKeyboardFocus(button));
    EXPECT_FALSE(ringed());
    other->setFocus(Qt::OtherFocusReason);
    button->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(hasKeyboardFocus(button));
    EXPECT_TRUE(ringed());
}

TEST(Controls, BusyIndicatorSweepsOnlyWhileShownAndFillsToAFraction)
{
    QWidget window;
    window.resize(200, 20);
    auto* indicator = new BusyIndicator(&window);
    EXPECT_FALSE(indicator->isAnimating());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(indicator->isAnimating());
    indicator->hide();
    EXPECT_FALSE(indicator->isAnimating());
    indicator->show();

    indicator->setProgress(0.5);
    EXPECT_FALSE(indicator->isAnimating());
    const QImage image = test::grabImage(indicator);
    const QColor accent = Appearance::instance().palette().color(ColorRole::accent);
    const int mid = image.height() / 2;
    EXPECT_TRUE(sameColor(image.pixelColor(image.width() / 4, mid), accent));
    EXPECT_FALSE(sameColor(image.pixelColor(image.width() * 3 / 4, mid), accent));
    indicator->setProgress(std::nullopt);
    EXPECT_TRUE(indicator->isAnimating());
}

} // namespace
