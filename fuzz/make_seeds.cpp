// Writes seed corpora for the fuzzers: small valid and damaged DOCX archives, and text in
// every encoding and line-end style the reader knows.
//   varnel-fuzz-seeds OUTDIR
#include "readers/tests/ziptestutil.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using namespace varnel::testing;

namespace {

void write(const QDir& dir, const char* name, const QByteArray& data)
{
    QFile file(dir.filePath(QString::fromUtf8(name)));
    if (file.open(QIODevice::WriteOnly))
        file.write(data);
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
    const QDir docx(root.filePath(QStringLiteral("docx")));
    const QDir decode(root.filePath(QStringLiteral("decode")));

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

    // clang-format off
    write(decode, "utf8", "caf\xC3\xA9\r\nline two\n\xE2\x80\xA8" "after LS\xC2\x85" "after NEL\r\r\n");
    write(decode, "utf8-bom", "\xEF\xBB\xBFwith bom\n");
    write(decode, "utf16le", QByteArray("\xFF\xFE" "a\0\r\0\n\0\x3D\xD8\x00\xDE", 12));
    write(decode, "utf16be", QByteArray("\xFE\xFF\0a\0\n\xD8\x3D\xDE\x00", 10));
    write(decode, "latin1", "na\xEFve\x85" "caf\xE9\f\v");
    write(decode, "broken-utf16", QByteArray("\xFF\xFE\x00\xD8" "a", 5));
    // clang-format on
    return 0;
}
