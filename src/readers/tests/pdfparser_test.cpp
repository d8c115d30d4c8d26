// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/nativepath.h"
#include "readers/pdfparser.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <poppler-qt6.h>
#include <unistd.h>

#include <cstdio>

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

QStringList linesOf(const QString& path)
{
    const Expected<PDFExtractionResult> result = PDFParser::extract(path);
    EXPECT_TRUE(result.ok()) << result.error().message.toStdString();
    return result ? result.value().lines.toStringList() : QStringList{QStringLiteral("(failed)")};
}

QString errorOf(const QString& path)
{
    const Expected<PDFExtractionResult> result = PDFParser::extract(path);
    return result ? QStringLiteral("(no error)") : result.error().message;
}

// A PDF of the numbered `objects` (the first one the catalog), with a correct cross-reference.
QByteArray handMadePdf(const QList<QByteArray>& objects)
{
    QByteArray pdf = "%PDF-1.4\n";
    QByteArray table = "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype i = 0; i < objects.size(); ++i) {
        table += QByteArray::number(pdf.size()).rightJustified(10, '0') + " 00000 n \n";
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    return pdf + table + "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
}

} // namespace

TEST(PDFParser, PagesFollowEachOtherAndBlankPagesAddNothing)
{
    QTemporaryDir dir;
    const QString path = writePdf(dir.filePath("three.pdf"), {{"Alpha line", "Beta line"}, {}, {"Gamma line"}});
    EXPECT_EQ(linesOf(path), (QStringList{"Alpha line", "Beta line", "Gamma line"}));
}

// A document that could not be read must never compare as an empty one: two missing or
// two locked files would read as identical.
TEST(PDFParser, FailuresAreErrorsNotEmptyDocuments)
{
    QTemporaryDir dir;
    QFile notPdf(dir.filePath("fake.pdf"));
    ASSERT_TRUE(notPdf.open(QIODevice::WriteOnly));
    notPdf.write("this is not a PDF at all\n");
    notPdf.close();
    EXPECT_EQ(errorOf(notPdf.fileName()), "The file \"fake.pdf\" could not be opened as a PDF.");
    EXPECT_EQ(errorOf(dir.filePath("missing.pdf")),
              "The file \"missing.pdf\" could not be read: No such file or directory.");
    EXPECT_EQ(
        errorOf(dir.path()),
        QStringLiteral("The file \"%1\" could not be read: Is a directory.").arg(QFileInfo(dir.path()).fileName()));

    QFile truncated(dir.filePath("truncated.pdf"));
    const QString full = writePdf(dir.filePath("full.pdf"), {{"Some text"}});
    QFile source(full);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    ASSERT_TRUE(truncated.open(QIODevice::WriteOnly));
    truncated.write(source.readAll().left(40));
    truncated.close();
    EXPECT_EQ(errorOf(truncated.fileName()), "The file \"truncated.pdf\" could not be opened as a PDF.");

    const Expected<PDFExtractionResult> locked = PDFParser::extract(QStringLiteral(VARNEL_FIXTURES_DIR "/locked.pdf"));
    ASSERT_FALSE(locked.ok());
    EXPECT_EQ(locked.error().kind, Error::Kind::locked);
    EXPECT_EQ(locked.error().message, "The PDF \"locked.pdf\" is password-protected.");
}

// Poppler gives no pages when the page tree claims more pages than there are objects: such
// a file must not read as an empty document, or two of them would compare as identical.
TEST(PDFParser, APageCountThatLiesIsAnError)
{
    const QByteArray stream = "BT /F1 12 Tf 72 720 Td (hello) Tj ET";
    const QByteArray page = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
                            "/Resources << /Font << /F1 5 0 R >> >> >>";
    const auto onePage = [&](int count) {
        return handMadePdf(
            {"<< /Type /Catalog /Pages 2 0 R >>",
             "<< /Type /Pages /Kids [3 0 R] /Count " + QByteArray::number(count) + " >>", page,
             "<< /Length " + QByteArray::number(stream.size()) + " >>\nstream\n" + stream + "\nendstream",
             "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"});
    };
    const Expected<PDFExtractionResult> honest = PDFParser::extractFromData(onePage(1), QStringLiteral("one.pdf"));
    ASSERT_TRUE(honest.ok());
    EXPECT_EQ(honest.value().lines.toStringList(), QStringList{QStringLiteral("hello")});
    const Expected<PDFExtractionResult> lying =
        PDFParser::extractFromData(onePage(1000000), QStringLiteral("lying.pdf"));
    ASSERT_FALSE(lying.ok());
    EXPECT_EQ(lying.error().message, "The file \"lying.pdf\" could not be opened as a PDF.");
}

TEST(PDFParser, DocumentsWithoutPagesOrTextHaveNoLines)
{
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
    EXPECT_EQ(linesOf(file.fileName()), QStringList());
    EXPECT_EQ(linesOf(writePdf(dir.filePath("blank.pdf"), {{}, {}})), QStringList());
}

TEST(PDFParser, EachPageSplitsIntoItsLinesInOrder)
{
    QTemporaryDir dir;
    const QString path = writePdf(dir.filePath("two.pdf"), {{"First"}, {"Second", "Third"}});
    EXPECT_EQ(linesOf(path), (QStringList{"First", "Second", "Third"}));
}

TEST(PDFParser, CancelIsPolledBetweenPages)
{
    QTemporaryDir dir;
    const QString path = writePdf(dir.filePath("pages.pdf"), {{"One"}, {"Two"}, {"Three"}});
    int polls = 0;
    const Expected<PDFExtractionResult> stopped = PDFParser::extract(path, [&polls] { return ++polls == 2; });
    ASSERT_FALSE(stopped.ok());
    EXPECT_EQ(stopped.error().kind, Error::Kind::cancelled);
    EXPECT_EQ(polls, 2); // stopped before the second page, not after the last
}

// File names are bytes: one that is not UTF-8 is opened as itself.
TEST(PDFParser, NamesThatAreNotUtf8AreOpenedByTheirBytes)
{
    QTemporaryDir dir;
    const QString plain = writePdf(dir.filePath("plain.pdf"), {{"Latin name"}});
    const QByteArray bytes = QFile::encodeName(dir.path()) + "/caf\xE9.pdf";
    ASSERT_EQ(::rename(QFile::encodeName(plain).constData(), bytes.constData()), 0);
    EXPECT_EQ(linesOf(pathFromNative(bytes)), QStringList{"Latin name"});
    ::unlink(bytes.constData()); // QTemporaryDir cannot name it
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
