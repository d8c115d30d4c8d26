// SPDX-License-Identifier: GPL-3.0-or-later

// Writes seed corpora for the fuzzers: small valid and damaged DOCX archives, text in
// every encoding and line-end style the reader knows, and small PDFs (text on several
// pages, compressed content, no pages, a broken cross-reference table).
//   varnel-fuzz-seeds OUTDIR
#include "readers/tests/ziptestutil.h"

#include <QDir>
#include <QFile>
#include <QList>

#include <cstdio>

using namespace varnel::testing;

namespace {

void write(const QDir& dir, const char* name, const QByteArray& data)
{
    QFile file(dir.filePath(QString::fromUtf8(name)));
    if (file.open(QIODevice::WriteOnly))
        file.write(data);
}

// A PDF of the given objects (numbered from 1, the first the catalog), with a correct
// cross-reference table unless `brokenXref`.
QByteArray pdf(const QList<QByteArray>& objects, bool brokenXref = false)
{
    QByteArray out = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets << out.size();
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = out.size();
    out += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        out += QByteArray::number(brokenXref ? offset + 7 : offset).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

QByteArray stream(const QByteArray& data, bool deflate)
{
    QByteArray body = deflate ? qCompress(data).mid(4) : data; // qCompress: 4-byte size, then zlib
    return "<< /Length " + QByteArray::number(body.size()) + (deflate ? " /Filter /FlateDecode" : "") +
           " >>\nstream\n" + body + "\nendstream";
}

const QByteArray kFont = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";

// Pages 3.. are objects 3 + 2k (page) and 4 + 2k (its content).
QByteArray textPdf(const QList<QByteArray>& pageTexts, bool deflate = false, bool brokenXref = false)
{
    QByteArray kids;
    for (qsizetype p = 0; p < pageTexts.size(); ++p)
        kids += QByteArray::number(3 + 2 * p) + " 0 R ";
    QList<QByteArray> objects{"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [" + kids + "] /Count " +
                                                                       QByteArray::number(pageTexts.size()) + " >>"};
    const qsizetype font = 3 + 2 * pageTexts.size();
    for (qsizetype p = 0; p < pageTexts.size(); ++p) {
        objects << "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 " +
                       QByteArray::number(font) + " 0 R >> >> /Contents " + QByteArray::number(4 + 2 * p) + " 0 R >>";
        objects << stream(pageTexts[p], deflate);
    }
    objects << kFont;
    return pdf(objects, brokenXref);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: varnel-fuzz-seeds OUTDIR\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    root.mkpath(QStringLiteral("docx"));
    root.mkpath(QStringLiteral("decode"));
    root.mkpath(QStringLiteral("pdf"));
    root.mkpath(QStringLiteral("ignore"));
    const QDir docx(root.filePath(QStringLiteral("docx")));
    const QDir decode(root.filePath(QStringLiteral("decode")));
    const QDir pdfs(root.filePath(QStringLiteral("pdf")));
    const QDir ignore(root.filePath(QStringLiteral("ignore")));

    const QByteArray body = documentXml(
        "<w:p><w:r><w:t>Hello</w:t><w:tab/><w:t xml:space=\"preserve\"> world &amp; &#233;</w:t></w:r></w:p>"
        "<w:p><w:ins><w:r><w:t>new</w:t></w:r></w:ins><w:del><w:r><w:delText>old</w:delText></w:r></w:del></w:p>"
        "<w:p><w:r><w:drawing><a:txbx><w:p><w:r><w:t>box</w:t></w:r></w:p></a:txbx></w:drawing></w:r></w:p>");
    const QByteArray types = "<?xml version=\"1.0\"?><Types/>";
    write(docx, "deflated", buildZip({{"word/document.xml", body}}));
    write(docx, "stored", buildZip({{"word/document.xml", body, 0}}));
    write(docx, "after-parts",
          buildZip({{"[Content_Types].xml", types}, {"_rels/.rels", types, 0}, {"word/document.xml", body}}));
    write(docx, "streamed", buildZip({{"[Content_Types].xml", types, 8, true}, {"word/document.xml", body, 8, true}}));
    ZipMember padded{"word/document.xml", body};
    padded.declaredSize = quint32(body.size() + 64);
    write(docx, "padded", buildZip({padded}));
    write(docx, "method12", buildZip({{"word/document.xml", body, 12}}));
    write(docx, "empty-part", buildZip({{"word/document.xml", QByteArray(), 0}}));

    const QByteArray rels = "<?xml version=\"1.0\"?><Relationships><Relationship Id=\"rId1\" Type=\"http://"
                            "schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                            "Target=\"/word/main.xml\"/></Relationships>";
    write(docx, "relationships", buildZip({{"_rels/.rels", rels}, {"word/main.xml", body}}));
    ZipMember relsZip64{"_rels/.rels", rels}, mainZip64{"word/main.xml", body};
    relsZip64.zip64 = mainZip64.zip64 = true;
    write(docx, "zip64", buildZip({relsZip64, mainZip64}));
    QByteArray utf16Body("\xFF\xFE");
    for (const QChar c : QString::fromUtf8(QByteArray(body).replace("UTF-8", "UTF-16")))
        utf16Body.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    write(docx, "utf16", buildZip({{"word/document.xml", utf16Body}}));
    write(docx, "cdata",
          buildZip({{"word/document.xml",
                     documentXml("<w:p q='a>b'><!-- = --><w:r><w:t><![CDATA[x<y]]></w:t></w:r></w:p><?pi =?>")}}));

    const QByteArray hello = "BT /F1 12 Tf 72 700 Td (Hello world) Tj 0 -20 Td (Second line) Tj ET";
    write(pdfs, "one-page", textPdf({hello}));
    write(pdfs, "three-pages", textPdf({hello, "", "BT /F1 12 Tf 72 700 Td (Third page) Tj ET"}));
    write(pdfs, "deflated", textPdf({hello, hello}, true));
    write(pdfs, "broken-xref", textPdf({hello}, false, true));
    write(pdfs, "pageless", pdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"}));

    // clang-format off
    write(decode, "utf8", "caf\xC3\xA9\r\nline two\n\xE2\x80\xA8" "after LS\xC2\x85" "after NEL\r\r\n");
    write(decode, "utf8-bom", "\xEF\xBB\xBFwith bom\n");
    write(decode, "utf16le", QByteArray("\xFF\xFE" "a\0\r\0\n\0\x3D\xD8\x00\xDE", 12));
    write(decode, "utf16be", QByteArray("\xFE\xFF\0a\0\n\xD8\x3D\xDE\x00", 10));
    write(decode, "latin1", "na\xEFve\x85" "caf\xE9\f\v\x81");
    write(decode, "windows1252", "\x93quoted\x94 \x85 \x80 caf\xE9\r\n\x9F");
    write(decode, "broken-utf16", QByteArray("\xFF\xFE\x00\xD8" "a", 5));
    // Ignore options: the first byte picks them (every one here), then two texts at a NUL.
    write(ignore, "spaces", QByteArray("\x3F" "a  b\n\tc \nCase\n\n# x\nid=1\n\0" "a b\nc\ncase\n# y\nid=2\nnew\n", 50));
    write(ignore, "unicode", QByteArray("\x0D" "\xC3\x84\xC2\xA0x\n\xE2\x80\x8By\n\0" "\xC3\xA4 x\ny\n", 20));
    // clang-format on
    return 0;
}
