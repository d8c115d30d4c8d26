// SPDX-License-Identifier: GPL-3.0-or-later

#include "screentestutil.h"
#include "testutil.h"
#include "widgets/intake/dropzoneview.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>

using namespace varnel;
using varnel::test::sameColor;

namespace {

class DropZoneTest : public ::testing::Test {
protected:
    DropZoneTest() : zone(QStringLiteral("Original File")), selected(&zone, &DropZoneView::fileSelected)
    {
        zone.resize(400, 300);
        zone.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&zone));
    }

    // The URLs delivered so far.
    QList<QUrl> delivered()
    {
        test::settle();
        QList<QUrl> urls;
        for (const QList<QVariant>& arguments : std::as_const(selected))
            urls << arguments.at(0).toUrl();
        return urls;
    }

    test::FakeDialogs dialogs;
    test::TempFiles files;
    DropZoneView zone;
    QSignalSpy selected;
};

TEST_F(DropZoneTest, OnlyLocalFilesLightTheZoneUp)
{
    const QUrl local = files.file(QStringLiteral("a.txt"));
    auto remote = test::urlMime({QUrl(QStringLiteral("https://example.com/a.txt"))});
    EXPECT_FALSE(test::dragEnter(&zone, remote.get()));
    QMimeData text;
    text.setText(QStringLiteral("/tmp/a.txt"));
    EXPECT_FALSE(test::dragEnter(&zone, &text));
    QMimeData image;
    image.setImageData(QImage(4, 4, QImage::Format_RGB32));
    EXPECT_FALSE(test::dragEnter(&zone, &image));
    auto none = test::urlMime({});
    EXPECT_FALSE(test::dragEnter(&zone, none.get()));
    EXPECT_FALSE(zone.isTargeted());

    auto file = test::urlMime({local, QUrl(QStringLiteral("https://example.com/b.txt"))});
    EXPECT_TRUE(test::dragEnter(&zone, file.get()));
    EXPECT_TRUE(zone.isTargeted());
    const Palette& palette = Appearance::instance().palette();
    EXPECT_EQ(zone.targetBorder(), palette.color(ColorRole::accent));
    EXPECT_EQ(zone.targetBackground(), palette.color(ColorRole::accent, 0.1));
    QDragLeaveEvent leave;
    QApplication::sendEvent(&zone, &leave);
    EXPECT_FALSE(zone.isTargeted());
    EXPECT_EQ(zone.targetBorder(), palette.color(ColorRole::secondary, 0.4));
}

// Several files go to the owner as they are, which places or refuses them; remote ones
// are left out.
TEST_F(DropZoneTest, SeveralDroppedFilesGoToTheOwnerTogether)
{
    QSignalSpy several(&zone, &DropZoneView::filesDropped);
    const QList<QUrl> urls{files.file(QStringLiteral("first.json")), files.file(QStringLiteral("second.json")),
                           files.file(QStringLiteral("third.md"))};
    auto mime = test::urlMime({urls[0], QUrl(QStringLiteral("https://example.com/b.txt")), urls[1], urls[2]});
    EXPECT_TRUE(test::drop(&zone, mime.get()));
    EXPECT_FALSE(zone.isTargeted());
    EXPECT_TRUE(delivered().isEmpty());
    ASSERT_EQ(several.size(), 1);
    EXPECT_EQ(several[0].at(0).value<QList<QUrl>>(), urls);
    EXPECT_TRUE(dialogs.alerts.empty());
    // The zone does not show a file until its owner passes it back.
    EXPECT_FALSE(zone.fileItem());
}

// Text is taken whatever its name; a binary file and a folder are refused, saying why.
TEST_F(DropZoneTest, BinaryFilesAndFoldersAreRefusedSayingWhy)
{
    auto xyz = test::urlMime({files.file(QStringLiteral("data.xyz"), QByteArray("\x7f"
                                                                                "ELF\0\0",
                                                                                6))});
    EXPECT_TRUE(test::drop(&zone, xyz.get()));
    const QUrl folder = files.file(QStringLiteral("src/main.c"), "int main;\n").adjusted(QUrl::RemoveFilename);
    auto folderMime = test::urlMime({folder.adjusted(QUrl::StripTrailingSlash)});
    EXPECT_TRUE(test::drop(&zone, folderMime.get()));
    EXPECT_TRUE(delivered().isEmpty());
    ASSERT_EQ(dialogs.alerts.size(), 2u);
    EXPECT_EQ(dialogs.alerts[0].title, QStringLiteral("Unsupported File Type"));
    EXPECT_EQ(dialogs.alerts[0].text, QStringLiteral("The file \"data.xyz\" looks like a binary file, not text. "
                                                     "Please drop a PDF, DOCX, or text file."));
    EXPECT_EQ(dialogs.alerts[1].title, QStringLiteral("Folder Not Supported"));
    EXPECT_EQ(dialogs.alerts[1].text, QStringLiteral("\"src\" is a folder. Varnel compares two files, not folders."));
    const QUrl makefile = files.file(QStringLiteral("Makefile"), "all:\n\tcc -o a a.c\n");
    auto makefileMime = test::urlMime({makefile});
    EXPECT_TRUE(test::drop(&zone, makefileMime.get()));
    EXPECT_EQ(delivered(), QList<QUrl>{makefile});

    // A drop of something else is not handled at all.
    QMimeData text;
    text.setText(QStringLiteral("hello"));
    EXPECT_FALSE(test::drop(&zone, &text));
}

TEST_F(DropZoneTest, AClickOrTheKeyboardOpensTheDialog)
{
    const QUrl picked = files.file(QStringLiteral("picked.py"));
    dialogs.answers = {picked, std::nullopt};
    QTest::mouseClick(&zone, Qt::LeftButton, Qt::NoModifier, QPoint(200, 150));
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].caption, QStringLiteral("Choose a file to compare"));
    EXPECT_EQ(dialogs.requests[0].nameFilters, FileTypeDetector::allowedContentTypes());
    EXPECT_EQ(delivered(), QList<QUrl>{picked});

    // Cancelled: nothing.
    zone.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&zone, Qt::Key_Space);
    EXPECT_EQ(dialogs.requests.size(), 2u);
    EXPECT_EQ(delivered().size(), 1);

    // A picked file of the wrong kind gets the same alert as a dropped one.
    dialogs.answers = {files.file(QStringLiteral("image.png"), QByteArray("\x89PNG\r\n\x1a\n\0\0", 10))};
    zone.openPicker();
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].text, QStringLiteral("The file \"image.png\" looks like a binary file, not text. "
                                                     "Please drop a PDF, DOCX, or text file."));
    EXPECT_EQ(zone.cursor().shape(), Qt::PointingHandCursor);
}

// Along the top edge of the border: how many pixels are border-coloured and how many not.
std::pair<int, int> topEdge(const QImage& image, const QColor& border, const QColor& behind)
{
    const QColor expected = test::over(border, behind);
    int on = 0;
    int off = 0;
    for (int x = 40; x < image.width() - 40; ++x) {
        if (sameColor(image.pixelColor(x, 0), expected, 20))
            ++on;
        else
            ++off;
    }
    return {on, off};
}

TEST_F(DropZoneTest, DashedWhileEmptySolidOnceChosenAccentWhileTargeted)
{
    for (const bool dark : {false, true}) {
        test::AppearanceScope appearance(dark);
        const Palette& palette = Appearance::instance().palette();
        QWidget holder;
        holder.setPalette(palette.widgetPalette());
        holder.setAutoFillBackground(true);
        holder.resize(400, 300);
        auto* shown = new DropZoneView(QStringLiteral("Changed File"), &holder);
        shown->resize(400, 300);
        holder.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&holder));
        const QColor window = palette.color(ColorRole::windowBackground);

        auto [on, off] = topEdge(test::grabImage(shown), palette.color(ColorRole::secondary, 0.4), window);
        EXPECT_GT(on, 100) << "dark " << dark;
        EXPECT_GT(off, 80) << "gaps of the dashes";

        shown->setFileItem(FileItem::fromUrl(files.file(QStringLiteral("b.txt"))));
        const QColor chosen = test::over(palette.color(ColorRole::secondary, 0.05), window);
        ASSERT_TRUE(test::waitFor([&] { return sameColor(test::grabImage(shown).pixelColor(30, 150), chosen, 1); }));
        std::tie(on, off) = topEdge(test::grabImage(shown), palette.color(ColorRole::secondary, 0.3), window);
        EXPECT_GT(on, 300) << "solid";
        EXPECT_EQ(off, 0);

        auto mime = test::urlMime({files.file(QStringLiteral("c.txt"))});
        ASSERT_TRUE(test::dragEnter(shown, mime.get()));
        ASSERT_TRUE(test::waitFor(
            [&] { return topEdge(test::grabImage(shown), palette.color(ColorRole::accent), window).second == 0; }));
    }
}

TEST_F(DropZoneTest, ALongNameTakesTwoLinesAndIsCutInTheMiddle)
{
    const QString name =
        QStringLiteral("quarterly-financial-report-") + QString(150, QLatin1Char('x')) + QStringLiteral("-final.json");
    zone.setFileItem(FileItem::fromUrl(files.file(name)));
    const QStringList lines = zone.shownNameLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("quarterly-financial")));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("-final.json")));
    EXPECT_TRUE(lines.join(QString()).contains(QChar(0x2026)));
    EXPECT_EQ(zone.accessibleDescription(), name + QStringLiteral(". Click to change"));

    zone.setFileItem(FileItem::fromUrl(files.file(QStringLiteral("short.txt"))));
    EXPECT_EQ(zone.shownNameLines(), QStringList{QStringLiteral("short.txt")});
    zone.setFileItem(std::nullopt);
    EXPECT_TRUE(zone.shownNameLines().isEmpty());
}

} // namespace
