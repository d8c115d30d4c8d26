// SPDX-License-Identifier: GPL-3.0-or-later

#include "readers/docxparser.h"
#include "readers/tests/ziptestutil.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace varnel;
using namespace varnel::testing;

namespace {

const QByteArray kContentTypes = "<?xml version=\"1.0\"?><Types/>";
const QByteArray kRelationships = "<?xml version=\"1.0\"?><Relationships/>";

QByteArray paragraphs(std::initializer_list<const char*> texts)
{
    QByteArray body;
    for (const char* text : texts)
        body += QByteArray("<w:p><w:r><w:t xml:space=\"preserve\">") + text + "</w:t></w:r></w:p>";
    return documentXml(body);
}

std::variant<QStringList, DOCXParserError> linesOf(const QByteArray& archive)
{
    std::variant<QByteArray, DOCXParserError> part = DOCXParser::extractZipEntry("word/document.xml", archive);
    if (const auto* error = std::get_if<DOCXParserError>(&part))
        return *error;
    const std::optional<TextLines> lines = DOCXParser::parseDocumentXml(std::get<QByteArray>(part));
    if (!lines)
        return DOCXParserError::xmlParseFailed;
    return lines->toStringList();
}

QStringList xmlLines(const QByteArray& body)
{
    const std::optional<TextLines> lines = DOCXParser::parseDocumentXml(documentXml(body));
    EXPECT_TRUE(lines);
    return lines ? lines->toStringList() : QStringList();
}

template <typename T>
bool isError(const T& outcome, DOCXParserError error)
{
    const auto* found = std::get_if<DOCXParserError>(&outcome);
    return found && *found == error;
}

} // namespace

TEST(DocxArchive, FindsTheDocumentPartWhereverItStands)
{
    const QByteArray document = paragraphs({"First", "Second"});
    const QStringList expected{"First", "Second"};
    EXPECT_EQ(std::get<QStringList>(linesOf(buildZip({{"word/document.xml", document}}))), expected);
    EXPECT_EQ(std::get<QStringList>(linesOf(buildZip({{"[Content_Types].xml", kContentTypes},
                                                      {"_rels/.rels", kRelationships, 0},
                                                      {"word/document.xml", document, 0}}))),
              expected);
}

TEST(DocxArchive, StreamedMembersTakeTheirSizesFromTheCentralDirectory)
{
    const QByteArray document = paragraphs({"Streamed"});
    for (bool signature : {true, false}) {
        const QByteArray archive = buildZip({{"[Content_Types].xml", kContentTypes, 8, true, signature},
                                             {"_rels/.rels", kRelationships, 8, true, signature},
                                             {"word/document.xml", document, 8, true, signature}});
        EXPECT_EQ(std::get<QStringList>(linesOf(archive)), QStringList{"Streamed"});
    }
}

TEST(DocxArchive, RefusesWhatIsNotADocument)
{
    EXPECT_TRUE(isError(linesOf(QByteArray()), DOCXParserError::xmlNotFound));
    EXPECT_TRUE(isError(linesOf("PK\x03\x04 short"), DOCXParserError::xmlNotFound));
    EXPECT_TRUE(isError(linesOf("%PDF-1.7\n" + QByteArray(100, 'x')), DOCXParserError::xmlNotFound));
    EXPECT_TRUE(isError(linesOf(buildZip({{"Word/Document.xml", paragraphs({"x"})}})), DOCXParserError::xmlNotFound));
    EXPECT_TRUE(isError(linesOf(buildZip({{"other.xml", "x"}})), DOCXParserError::xmlNotFound));

    // Sizes that run past the end of the file.
    ZipMember pastEnd{"word/document.xml", paragraphs({"x"}), 0};
    pastEnd.declaredCompressed = 1u << 30;
    EXPECT_TRUE(isError(linesOf(buildZip({pastEnd})), DOCXParserError::xmlNotFound));
}

TEST(DocxArchive, BadCompressionIsADecompressionFailure)
{
    for (quint16 method : {quint16(9), quint16(12), quint16(14)})
        EXPECT_TRUE(isError(linesOf(buildZip({{"word/document.xml", paragraphs({"x"}), method}})),
                            DOCXParserError::decompressionFailed));

    ZipMember tooSmall{"word/document.xml", paragraphs({"A longer paragraph of text"})};
    tooSmall.declaredSize = 10;
    EXPECT_TRUE(isError(linesOf(buildZip({tooSmall})), DOCXParserError::decompressionFailed));

    ZipMember corrupt{"word/document.xml", QByteArray(200, '\xFF'), 8};
    corrupt.payloadAsIs = true; // bytes that are not a DEFLATE stream
    EXPECT_TRUE(isError(linesOf(buildZip({corrupt})), DOCXParserError::decompressionFailed));
}

TEST(DocxArchive, DeclaredSizesBeyondWhatDeflateCanProduceAreRefused)
{
    // A few compressed bytes claiming 4 GiB, and a claim just past the ratio DEFLATE allows.
    ZipMember bomb{"word/document.xml", paragraphs({"tiny"})};
    bomb.declaredSize = 0xFFFFFFFFu;
    EXPECT_TRUE(isError(linesOf(buildZip({bomb})), DOCXParserError::decompressionFailed));
    const qint64 compressed = deflateRaw(paragraphs({"tiny"})).size();
    bomb.declaredSize = quint32(compressed * 1032 + 8192);
    EXPECT_TRUE(isError(linesOf(buildZip({bomb})), DOCXParserError::decompressionFailed));

    // A real, highly compressible part is still read.
    QByteArray big = "<w:p><w:r><w:t>" + QByteArray(3'000'000, 'a') + "</w:t></w:r></w:p>";
    const auto lines = linesOf(buildZip({{"word/document.xml", documentXml(big)}}));
    ASSERT_TRUE(std::holds_alternative<QStringList>(lines));
    EXPECT_EQ(std::get<QStringList>(lines).value(0).size(), 3'000'000);
}

TEST(DocxArchive, ALargerDeclaredSizeLeavesAZeroTailThatStillParses)
{
    ZipMember padded{"word/document.xml", paragraphs({"Padded"})};
    padded.declaredSize = quint32(paragraphs({"Padded"}).size() + 100);
    const auto part = DOCXParser::extractZipEntry("word/document.xml", buildZip({padded}));
    ASSERT_TRUE(std::holds_alternative<QByteArray>(part));
    EXPECT_EQ(std::get<QByteArray>(part).size(), qsizetype(*padded.declaredSize));
    EXPECT_TRUE(std::get<QByteArray>(part).endsWith(QByteArray(100, '\0')));
    EXPECT_EQ(std::get<QStringList>(linesOf(buildZip({padded}))), QStringList{"Padded"});
}

TEST(DocxArchive, EmptyPartsAreParseFailures)
{
    EXPECT_TRUE(isError(linesOf(buildZip({{"word/document.xml", QByteArray(), 0}})), DOCXParserError::xmlParseFailed));
    EXPECT_TRUE(
        isError(linesOf(buildZip({{"word/document.xml", "<w:document><w:p>", 0}})), DOCXParserError::xmlParseFailed));
    EXPECT_EQ(DOCXParser::rawInflate(QByteArray(), 10), QByteArray());
    EXPECT_EQ(DOCXParser::rawInflate("abc", 0), QByteArray());
}

TEST(DocxXml, RunsJoinAndParagraphsSplit)
{
    EXPECT_EQ(xmlLines("<w:p><w:r><w:t>A</w:t></w:r><w:r><w:tab/><w:t>B</w:t><w:br/><w:cr/></w:r></w:p>"),
              QStringList{"AB"});
    EXPECT_EQ(xmlLines("<w:p><w:r><w:t>A</w:t></w:r></w:p><w:p><w:r><w:t>B</w:t></w:r></w:p>"),
              (QStringList{"A", "B"}));
    EXPECT_EQ(xmlLines(""), QStringList());
    EXPECT_EQ(xmlLines("<w:p/><w:p><w:r><w:t> \t </w:t></w:r></w:p><w:p><w:r><w:t xml:space=\"preserve\">  lead</w:t>"
                       "</w:r></w:p>"),
              QStringList{"  lead"});
    EXPECT_EQ(xmlLines("<w:p><w:r><w:t>&lt;a&gt; &amp; &#233;&#x263A; &quot;q&apos;</w:t></w:r></w:p>"),
              QStringList{QStringLiteral("<a> & \u00E9\u263A \"q'")});
    EXPECT_EQ(xmlLines("<w:p><w:r><w:t><![CDATA[cdata]]> text</w:t></w:r></w:p>"), QStringList{"cdata text"});
}

TEST(DocxXml, TrackedChangesKeepInsertionsOnly)
{
    EXPECT_EQ(xmlLines("<w:p><w:ins><w:r><w:t>new </w:t></w:r></w:ins><w:del><w:r><w:delText>old </w:delText></w:r>"
                       "</w:del><w:r><w:instrText>PAGE</w:instrText><w:t>text</w:t></w:r></w:p>"),
              QStringList{"new text"});
}

TEST(DocxXml, TextBoxesKeepTheOuterParagraphWhole)
{
    EXPECT_EQ(xmlLines("<w:p><w:r><w:t>before </w:t></w:r><w:r><w:drawing><a:txbx><w:p><w:r><w:t>inner</w:t></w:r>"
                       "</w:p></a:txbx></w:drawing></w:r><w:r><w:t>after</w:t></w:r></w:p>"),
              (QStringList{"inner", "before after"}));
    // Paragraphs and text of other namespaces count too.
    EXPECT_EQ(xmlLines("<a:p><a:r><a:t>shape text</a:t></a:r></a:p>"), QStringList{"shape text"});
}

// Small parts that would expand into gigabytes, or nest until the parser runs out of
// memory, are refused as unparseable.
TEST(DocxXml, HostilePartsAreRefused)
{
    // Internal entities: a few kilobytes that referenced many times spell out gigabytes.
    const QByteArray entity = QByteArray(4000, 'x');
    QByteArray bomb = "<?xml version=\"1.0\"?><!DOCTYPE w:document [<!ENTITY e \"" + entity +
                      "\">]><w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                      "<w:body><w:p><w:r><w:t>";
    for (int i = 0; i < 1000; ++i)
        bomb += "&e;";
    bomb += "</w:t></w:r></w:p></w:body></w:document>";
    EXPECT_TRUE(isError(linesOf(buildZip({{"word/document.xml", bomb}})), DOCXParserError::xmlParseFailed));
    // Any document type declaration, even a harmless one.
    EXPECT_FALSE(DOCXParser::parseDocumentXml("<!DOCTYPE w:document><w:document/>"));

    // Deep nesting: refused past the bound, read below it.
    const auto nested = [](int depth) {
        return QByteArray("<w:x>").repeated(depth) + "<w:p><w:r><w:t>deep</w:t></w:r></w:p>" +
               QByteArray("</w:x>").repeated(depth);
    };
    EXPECT_EQ(xmlLines(nested(200)), QStringList{"deep"});
    EXPECT_FALSE(DOCXParser::parseDocumentXml(documentXml(nested(300))));
    EXPECT_TRUE(isError(linesOf(buildZip({{"word/document.xml", documentXml(nested(100'000))}})),
                        DOCXParserError::xmlParseFailed));
}

TEST(DocxArchive, ManyStreamedMembersAreAllWalked)
{
    // Every member defers its sizes to a data descriptor; the document part comes last.
    std::vector<ZipMember> members;
    members.reserve(3001);
    for (int i = 0; i < 3000; ++i)
        members.emplace_back("word/media/part" + QByteArray::number(i) + ".xml", QByteArray("<x/>"), 8, true);
    members.emplace_back("word/document.xml", paragraphs({"Last"}), 8, true);
    EXPECT_EQ(std::get<QStringList>(linesOf(buildZip(members))), QStringList{"Last"});
}

TEST(DocxFile, ReadErrorsAndMessages)
{
    QTemporaryDir dir;
    const Expected<TextLines> missing = DOCXParser::extractText(dir.filePath("missing.docx"));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().message, "The file \"missing.docx\" could not be read: No such file or directory.");

    QFile file(dir.filePath("good.docx"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(buildZip({{"word/document.xml", paragraphs({"One", "Two"})}}));
    file.close();
    const Expected<TextLines> good = DOCXParser::extractText(file.fileName());
    ASSERT_TRUE(good.ok());
    EXPECT_EQ(good.value().toStringList(), (QStringList{"One", "Two"}));

    EXPECT_EQ(describe(DOCXParserError::xmlNotFound), "The file does not appear to be a valid DOCX document.");
    EXPECT_EQ(describe(DOCXParserError::decompressionFailed), "Could not decompress the DOCX document content.");
    EXPECT_EQ(describe(DOCXParserError::xmlParseFailed), "Could not parse the DOCX document XML.");
}

// Documents written by real tools; LibreOffice defers every member's sizes to a data
// descriptor, as streaming writers do.
TEST(DocxFile, DocumentsWrittenByPandocAndLibreOffice)
{
    const QString fixtures = QStringLiteral(VARNEL_FIXTURES_DIR);
    const Expected<TextLines> pandoc = DOCXParser::extractText(fixtures + "/pandoc-sample.docx");
    ASSERT_TRUE(pandoc.ok()) << pandoc.error().message.toStdString();
    EXPECT_EQ(pandoc.value().toStringList(),
              (QStringList{"Quarterly report", "Revenue grew by twelve percent, driven by exports & services.",
                           "First item", "Second item with code", "Region", "Sales", "North", "120", "South", "95",
                           QStringLiteral("Caf\u00E9 na\u00EFve \u2014 \u201Cquoted\u201D text.")}));

    const Expected<TextLines> libreOffice = DOCXParser::extractText(fixtures + "/libreoffice-sample.docx");
    ASSERT_TRUE(libreOffice.ok()) << libreOffice.error().message.toStdString();
    EXPECT_EQ(libreOffice.value().toStringList(),
              (QStringList{"Meeting notes", QStringLiteral("Attendees: Ana, Bo\u00A0and Chen."),
                           "Decisions & actions:", "Ship the release on Friday.", "Review the budget.",
                           QStringLiteral("\u00DCn\u00EFc\u00F6d\u00E9 line with tabinside.")}));
}
