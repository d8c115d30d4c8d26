// SPDX-License-Identifier: GPL-3.0-or-later

// Writes the documents the reader benchmarks use: a 400-page text PDF, the same with one
// line in fifty reworded (for the window's benchmark), and a Word document of 20,000
// paragraphs.
//   varnel-gendocs OUTDIR
#include "readers/tests/ziptestutil.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>

#include <cstdio>

namespace {

QString sentence(int page, int line)
{
    return QStringLiteral("Page %1, line %2: the quick brown fox jumps over the lazy dog %3 times.")
        .arg(page)
        .arg(line)
        .arg((page * 31 + line * 7) % 1000);
}

bool writePdf(const QString& path, int pages, bool edited = false)
{
    QPdfWriter writer(path);
    writer.setResolution(72);
    QPainter painter(&writer);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        for (int line = 0; line < 45; ++line) {
            QString text = sentence(page + 1, line + 1);
            if (edited && (page * 45 + line) % 50 == 7)
                text.replace(QStringLiteral("lazy"), QStringLiteral("sleepy"));
            painter.drawText(40, 40 + 15 * line, text);
        }
    }
    return painter.end();
}

bool writeDocx(const QString& path, int paragraphs)
{
    QByteArray body;
    for (int p = 0; p < paragraphs; ++p) {
        body += "<w:p><w:pPr><w:pStyle w:val=\"Normal\"/></w:pPr><w:r><w:rPr><w:b/></w:rPr><w:t>Paragraph " +
                QByteArray::number(p + 1) + ".</w:t></w:r><w:r><w:t xml:space=\"preserve\"> " +
                sentence(p / 40 + 1, p % 40 + 1).toUtf8() +
                " Some more words follow here to make it typical.</w:t>"
                "</w:r></w:p>";
    }
    const QByteArray archive = varnel::testing::buildZip({{"[Content_Types].xml", "<?xml version=\"1.0\"?><Types/>"},
                                                          {"word/document.xml", varnel::testing::documentXml(body)}});
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(archive) == archive.size();
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: varnel-gendocs OUTDIR\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    dir.mkpath(QStringLiteral("."));
    const bool ok = writePdf(dir.filePath(QStringLiteral("400-pages.pdf")), 400) &&
                    writePdf(dir.filePath(QStringLiteral("400-pages-edited.pdf")), 400, true) &&
                    writeDocx(dir.filePath(QStringLiteral("20000-paragraphs.docx")), 20000);
    return ok ? 0 : 1;
}
