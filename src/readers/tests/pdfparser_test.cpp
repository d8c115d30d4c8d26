#include "readers/pdfparser.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <poppler-qt6.h>

using namespace varnel;

namespace {

// Writes a PDF with one page per entry; each page shows its lines top to bottom, and an
// empty entry is a page without text.
QString writePdf(const QString& path, const std::vector<QStringList>& pages)
{
    QPdfWriter writer(path);
    writer.setResolution(72);
    QPainter painter(&writer);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 12));
    for (size_t p = 0; p < pages.size(); ++p) {
        if (p > 0)
            writer.newPage();
        int y = 60;
        for (const QString& line : pages[p]) {
            painter.drawText(60, y, line);
            y += 24;
        }
    }
    painter.end();
    return path;
}

} // namespace

TEST(PDFParser, PagesFollowEachOtherAndBlankPagesAddNothing)
{
    QTemporaryDir dir;
    const QString path = writePdf(dir.filePath("three.pdf"), {{"Alpha line", "Beta line"}, {}, {"Gamma line"}});
    EXPECT_EQ(PDFParser::extract(path).lines.toStringList(), (QStringList{"Alpha line", "Beta line", "Gamma line"}));
}

TEST(PDFParser, WhatCannotBeOpenedGivesNoLines)
{
    QTemporaryDir dir;
    QFile notPdf(dir.filePath("fake.pdf"));
    ASSERT_TRUE(notPdf.open(QIODevice::WriteOnly));
    notPdf.write("this is not a PDF at all\n");
    notPdf.close();
    EXPECT_TRUE(PDFParser::extract(notPdf.fileName()).lines.isEmpty());
    EXPECT_TRUE(PDFParser::extract(dir.filePath("missing.pdf")).lines.isEmpty());

    QFile truncated(dir.filePath("truncated.pdf"));
    const QString full = writePdf(dir.filePath("full.pdf"), {{"Some text"}});
    QFile source(full);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    ASSERT_TRUE(truncated.open(QIODevice::WriteOnly));
    truncated.write(source.readAll().left(40));
    truncated.close();
    EXPECT_TRUE(PDFParser::extract(truncated.fileName()).lines.isEmpty());
}

TEST(PDFParser, LockedAndPagelessDocumentsGiveNoLines)
{
    EXPECT_TRUE(PDFParser::extract(QStringLiteral(VARNEL_FIXTURES_DIR "/locked.pdf")).lines.isEmpty());

    // A well-formed document whose page tree is empty.
    QByteArray pageless = "%PDF-1.4\n";
    const qsizetype catalog = pageless.size();
    pageless += "1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n";
    const qsizetype pages = pageless.size();
    pageless += "2 0 obj\n<< /Type /Pages /Kids [] /Count 0 >>\nendobj\n";
    const qsizetype xref = pageless.size();
    pageless += "xref\n0 3\n0000000000 65535 f \n" + QByteArray::number(catalog).rightJustified(10, '0') +
                " 00000 n \n" + QByteArray::number(pages).rightJustified(10, '0') + " 00000 n \n" +
                "trailer\n<< /Size 3 /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    QTemporaryDir dir;
    QFile file(dir.filePath("pageless.pdf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(pageless);
    file.close();
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(file.fileName());
    ASSERT_TRUE(document);
    EXPECT_EQ(document->numPages(), 0);
    EXPECT_TRUE(PDFParser::extract(file.fileName()).lines.isEmpty());
}

TEST(PDFParser, EachPageSplitsIntoItsLinesInOrder)
{
    QTemporaryDir dir;
    const QString path = writePdf(dir.filePath("two.pdf"), {{"First"}, {"Second", "Third"}});
    const QStringList lines = PDFParser::extract(path).lines.toStringList();
    EXPECT_EQ(lines, (QStringList{"First", "Second", "Third"}));
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
