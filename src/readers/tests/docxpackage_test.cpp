// SPDX-License-Identifier: GPL-3.0-or-later

// The package around the document: which part is read, and what a reader must check there.

#include "readers/docxparser.h"
#include "readers/tests/ziptestutil.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace varnel;
using namespace varnel::testing;

namespace {

const char* const kOfficeDocument =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";

QByteArray relationships(const QByteArray& target, const QByteArray& type = kOfficeDocument)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
           "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
           "Type=\"" +
           type + "\" Target=\"" + target + "\"/></Relationships>";
}

QByteArray paragraph(const QByteArray& text)
{
    return documentXml("<w:p><w:r><w:t>" + text + "</w:t></w:r></w:p>");
}

// The lines of a document file, or the message of its error.
QStringList read(const QByteArray& archive, const CancelCheck& cancel = {})
{
    QTemporaryDir dir;
    QFile file(dir.filePath("test.docx"));
    if (!file.open(QIODevice::WriteOnly) || file.write(archive) != archive.size())
        return {"not written"};
    file.close();
    const Expected<TextLines> lines = DOCXParser::extractText(file.fileName(), cancel);
    return lines ? lines.value().toStringList() : QStringList{"error: " + lines.error().message};
}

QByteArray utf16(const QByteArray& utf8, bool bigEndian, bool byteOrderMark)
{
    QByteArray out = byteOrderMark ? QByteArray(bigEndian ? "\xFE\xFF" : "\xFF\xFE") : QByteArray();
    for (const QChar c : QString::fromUtf8(utf8)) {
        const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
        out.append(bigEndian ? high : low).append(bigEndian ? low : high);
    }
    return out;
}

} // namespace

// Every other ZIP reader finds its entries through the central directory: a document that
// shows it one part and this reader another is refused.
TEST(DocxPackage, LocalHeadersMustAgreeWithTheDirectory)
{
    const QByteArray alice = paragraph("Pay Alice 100"), mallory = paragraph("Pay Mallory 9000");
    EXPECT_EQ(read(buildZip({{"word/document.xml", alice}, {"word/document.xml", mallory}})),
              QStringList{"error: The file \"test.docx\" is not a valid DOCX document: it holds two parts of the "
                          "same name."});

    const QString disagree =
        "error: The file \"test.docx\" is not a valid DOCX document: its entries disagree with its central directory.";
    ZipMember renamed{"word/document.xml", alice};
    renamed.localName = "word/documenT.xml";
    EXPECT_EQ(read(buildZip({renamed})), QStringList{disagree});
    ZipMember resized{"word/document.xml", alice};
    resized.localSize = quint32(alice.size() - 1);
    EXPECT_EQ(read(buildZip({resized})), QStringList{disagree});
}

TEST(DocxPackage, TheMainPartIsTheOneTheRelationshipsName)
{
    const QByteArray decoy = paragraph("decoy"), main = paragraph("main");
    for (const char* target : {"word/main.xml", "/word/main.xml", "./word/../word/main.xml"}) {
        EXPECT_EQ(read(buildZip(
                      {{"_rels/.rels", relationships(target)}, {"word/document.xml", decoy}, {"word/main.xml", main}})),
                  QStringList{"main"})
            << target;
    }
    // Relationships that name no main part, or one outside the package, are not followed elsewhere.
    const QString invalid = "error: " + describe(DOCXParserError::xmlNotFound);
    for (const QByteArray& rels : {relationships("word/main.xml", "http://example.com/styles"),
                                   relationships("../word/document.xml"), QByteArray("<Relationships/>")})
        EXPECT_EQ(read(buildZip({{"_rels/.rels", rels}, {"word/document.xml", decoy}})), QStringList{invalid});
    EXPECT_EQ(read(buildZip({{"_rels/.rels", "<Relationships>"}, {"word/document.xml", decoy}})),
              QStringList{"error: " + describe(DOCXParserError::xmlParseFailed)});
}

TEST(DocxPackage, EveryPartReadHasItsChecksumChecked)
{
    const QString damaged = "error: The file \"test.docx\" is damaged: a part of the DOCX document fails its checksum.";
    for (quint16 method : {quint16(0), quint16(8)}) {
        ZipMember main{"word/main.xml", paragraph("text"), method};
        ZipMember rels{"_rels/.rels", relationships("word/main.xml"), method};
        EXPECT_EQ(read(buildZip({rels, main})), QStringList{"text"});
        main.declaredCrc = 1234;
        EXPECT_EQ(read(buildZip({rels, main})), QStringList{damaged});
        main.declaredCrc.reset();
        rels.declaredCrc = 1234;
        EXPECT_EQ(read(buildZip({rels, main})), QStringList{damaged});
    }
}

TEST(DocxPackage, Zip64RecordsAreRead)
{
    ZipMember rels{"_rels/.rels", relationships("word/document.xml")};
    ZipMember main{"word/document.xml", paragraph("sixty-four")};
    rels.zip64 = main.zip64 = true;
    EXPECT_EQ(read(buildZip({rels, main})), QStringList{"sixty-four"});
    main.streamed = true;
    EXPECT_EQ(read(buildZip({rels, main})), QStringList{"sixty-four"});

    // A locator and an end record alone: too short for the Zip64 end record they point to.
    QByteArray records;
    put32(records, 0x07064B50);
    put32(records, 0);
    put64(records, 0);
    put32(records, 1);
    put32(records, 0x06054B50);
    records += QByteArray(18, '\xFF');
    EXPECT_EQ(read(records), QStringList{"error: " + describe(DOCXParserError::xmlNotFound)});
}

TEST(DocxPackage, PartsInUtf16AndCdataSections)
{
    const QByteArray text = "<w:p><w:r><w:t>caf\xC3\xA9 \xF0\x9F\x98\x80</w:t></w:r></w:p>";
    const QByteArray declared = QByteArray(documentXml(text)).replace("UTF-8", "UTF-16");
    for (const bool bigEndian : {false, true}) {
        for (const bool mark : {false, true}) {
            const std::vector<ZipMember> members{
                {"_rels/.rels", utf16(relationships("word/main.xml").replace("UTF-8", "UTF-16"), bigEndian, mark)},
                {"word/main.xml", utf16(declared, bigEndian, mark)}};
            EXPECT_EQ(read(buildZip(members)), QStringList{QStringLiteral("caf\u00E9 \U0001F600")});
        }
    }
    EXPECT_EQ(read(buildZip({{"word/document.xml",
                              documentXml("<w:p><w:r><w:t><![CDATA[a <b> & ]]]]><![CDATA[>]]>c</w:t></w:r></w:p>")}})),
              QStringList{"a <b> & ]]>c"});
}

// QXmlStreamReader compares every attribute of an element with every other: 200,000 would
// take hours. Quotes, comments and CDATA sections hide their '=' from the count.
TEST(DocxPackage, AnElementOfTooManyAttributesIsRefused)
{
    const auto attributes = [](int count) {
        QByteArray out;
        for (int i = 0; i < count; ++i)
            out += " a" + QByteArray::number(i) + "=\"\"";
        return out;
    };
    EXPECT_FALSE(DOCXParser::parseDocumentXml(documentXml("<w:p" + attributes(200'000) + "/>")));
    const QByteArray equals(5000, '=');
    const QByteArray hidden = "<w:p" + attributes(1000) + " q='" + equals + ">'><!-- " + equals +
                              " --><w:r><w:t><![CDATA[<" + equals + "]]>x</w:t></w:r></w:p><?pi " + equals + "?>";
    const std::optional<TextLines> lines = DOCXParser::parseDocumentXml(documentXml(hidden));
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->toStringList(), QStringList{"<" + equals + "x"});

    // Each prefix is looked up through every declaration in scope: nested elements may not
    // bring more than kMaxNamespaces, siblings may.
    QByteArray declarations;
    for (int i = 0; i < 600; ++i)
        declarations += " xmlns:n" + QByteArray::number(i) + "=\"urn:n\"";
    const QByteArray scope = "<w:x" + declarations + ">";
    EXPECT_FALSE(DOCXParser::parseDocumentXml(documentXml(scope + scope + "<w:p/></w:x></w:x>")));
    EXPECT_TRUE(DOCXParser::parseDocumentXml(documentXml(scope + "</w:x>" + scope + "<w:p/></w:x>")));
}

TEST(DocxPackage, ACancelledReadStopsInflatingAndParsing)
{
    const QByteArray big = paragraph(QByteArray(3'000'000, 'a'));
    int polls = 0;
    const CancelCheck later = [&polls] { return ++polls > 2; };
    EXPECT_EQ(read(buildZip({{"word/document.xml", big}}), later), QStringList{"error: " + cancelledError().message});
    polls = 0;
    const auto parsed = DOCXParser::readDocumentXml(big, later);
    ASSERT_TRUE(std::holds_alternative<DOCXParserError>(parsed));
    EXPECT_EQ(std::get<DOCXParserError>(parsed), DOCXParserError::cancelled);
}
