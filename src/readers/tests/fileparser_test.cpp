// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/nativepath.h"
#include "readers/fileparser.h"
#include "readers/textcheck.h"

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

using namespace varnel;

namespace {

class FileParserTest : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& data)
    {
        QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
        return path;
    }

    QStringList read(const QByteArray& data)
    {
        const Expected<TextLines> lines = FileParser::readLines(write(QStringLiteral("sample.txt"), data));
        EXPECT_TRUE(lines.ok());
        return lines.ok() ? lines.value().toStringList() : QStringList();
    }

    QTemporaryDir m_dir;
};

QByteArray utf16(const QString& text, bool bigEndian)
{
    QByteArray out(bigEndian ? "\xFE\xFF" : "\xFF\xFE", 2);
    for (QChar c : text) {
        const char hi = char(c.unicode() >> 8);
        const char lo = char(c.unicode() & 0xFF);
        out.append(bigEndian ? hi : lo);
        out.append(bigEndian ? lo : hi);
    }
    return out;
}

} // namespace

TEST_F(FileParserTest, Utf8WinsAndItsByteOrderMarkIsDropped)
{
    // clang-format off
    EXPECT_EQ(read("\xEF\xBB\xBF" "first\nsecond"), (QStringList{"first", "second"}));
    // clang-format on
    EXPECT_EQ(read("caf\xC3\xA9\n"), QStringList{QStringLiteral("caf\u00E9")});
    // Valid UTF-8 that would also pass as UTF-16 stays UTF-8.
    EXPECT_EQ(read("ab\ncd\n"), (QStringList{"ab", "cd"}));
    EXPECT_EQ(read(""), QStringList());
}

TEST_F(FileParserTest, WindowsLineEndsGiveOneLineEach)
{
    EXPECT_EQ(read("a\r\nb\r\n"), (QStringList{"a", "b"}));
    EXPECT_EQ(read("a\r\n\r\nb"), (QStringList{"a", "", "b"}));
    EXPECT_EQ(read("a\fb"), (QStringList{"a", "b"}));
}

TEST_F(FileParserTest, Utf16NeedsAByteOrderMark)
{
    const QString text = QStringLiteral("Gr\u00FC\u00DFe\r\n\U0001F600 \u4E2D\n");
    const QStringList expected{QStringLiteral("Gr\u00FC\u00DFe"), QStringLiteral("\U0001F600 \u4E2D")};
    EXPECT_EQ(read(utf16(text, false)), expected);
    EXPECT_EQ(read(utf16(text, true)), expected);
    EXPECT_EQ(read(utf16(QString(), false)), QStringList());
}

TEST_F(FileParserTest, Latin1IsNotMistakenForUtf16)
{
    // Even length, accented letters, no byte-order mark: Latin-1, not CJK.
    EXPECT_EQ(read("caf\xE9\nna\xEFve\n"), (QStringList{QStringLiteral("caf\u00E9"), QStringLiteral("na\u00EFve")}));
    // A UTF-16 byte-order mark with an odd length or an unpaired surrogate is not UTF-16.
    // clang-format off
    EXPECT_EQ(read(QByteArray("\xFF\xFE" "a\x00" "b", 5)), QStringList{QStringLiteral("\u00FF\u00FEa") + QChar(0) + u'b'});
    const QStringList lone = read(QByteArray("\xFF\xFE\x00\xD8" "a\x00", 6));
    // clang-format on
    ASSERT_EQ(lone.size(), 1);
    EXPECT_EQ(lone[0].size(), 6); // six Latin-1 characters
    EXPECT_EQ(read(QByteArray("\xFE\xFF\xDC\x00", 4)), QStringList{QStringLiteral("\u00FE\u00FF\u00DC") + QChar(0)});
    // Every Latin-1 line end works, NEL (0x85) among them (0x81 keeps it from Windows-1252).
    // clang-format off
    EXPECT_EQ(read("a\x85" "b\xE9\x81"), (QStringList{"a", QStringLiteral("b\u00E9\u0081")}));
    // clang-format on
}

// Bytes from 0x80 to 0x9F are Windows-1252's punctuation when each is one: "…" (0x85) is
// then a character, not Latin-1's NEL line end. A byte it leaves undefined keeps Latin-1.
TEST_F(FileParserTest, Windows1252IsToldFromLatin1)
{
    const QByteArray quoted = "\x93quoted\x94 \x85 \x80\xE9\n";
    EXPECT_EQ(read(quoted), QStringList{QStringLiteral("\u201Cquoted\u201D \u2026 \u20AC\u00E9")});
    for (const char* undefined : {"\x81", "\x8D", "\x8F", "\x90", "\x9D"}) {
        TextFormat format;
        ASSERT_TRUE(FileParser::decode(quoted + undefined, &format));
        EXPECT_EQ(format.encoding, TextFormat::Encoding::latin1) << undefined;
    }
    TextFormat format;
    EXPECT_EQ(FileParser::decode("caf\xE9", &format), QByteArray("caf\xC3\xA9"));
    EXPECT_EQ(format.encoding, TextFormat::Encoding::latin1); // nothing from 0x80 to 0x9F
    ASSERT_TRUE(FileParser::decode(quoted, &format));
    EXPECT_EQ(format.encoding, TextFormat::Encoding::windows1252);
    EXPECT_EQ(format.encodingLabel(), QStringLiteral("Windows-1252"));
    EXPECT_EQ(format.encodingKey(), QStringLiteral("windows-1252"));
    // A file of an unknown kind is text in Windows-1252, but not with C1 control characters.
    EXPECT_TRUE(looksLikeText(quoted, false));
    EXPECT_FALSE(looksLikeText("a\x81\n", false));
}

TEST_F(FileParserTest, SaysHowEachFileWasWritten)
{
    using Encoding = TextFormat::Encoding;
    using LineEnds = TextFormat::LineEnds;
    const struct {
        const char* name;
        QByteArray data;
        TextFormat format;
    } cases[] = {
        {"UTF-8, LF", "a\nb\n", {Encoding::utf8, false, LineEnds::lf, true, false}},
        {"UTF-8 with BOM, CR LF, no final newline",
         "\xEF\xBB\xBF"
         "a\r\nb",
         {Encoding::utf8, true, LineEnds::crLf, false, false}},
        {"UTF-16 LE, CR",
         utf16(QStringLiteral("a\rb\r"), false),
         {Encoding::utf16LittleEndian, true, LineEnds::cr, true, false}},
        {"UTF-16 BE, mixed",
         utf16(QStringLiteral("a\r\nb\n"), true),
         {Encoding::utf16BigEndian, true, LineEnds::mixed, true, false}},
        {"Latin-1", "caf\xE9\n", {Encoding::latin1, false, LineEnds::lf, true, false}},
        {"empty", "", {Encoding::utf8, false, LineEnds::none, false, true}},
        {"a BOM alone", "\xEF\xBB\xBF", {Encoding::utf8, true, LineEnds::none, false, true}},
    };
    for (const auto& c : cases) {
        const Expected<FileParser::Document> document = FileParser::read(write(QStringLiteral("f.txt"), c.data));
        ASSERT_TRUE(document.ok()) << c.name;
        EXPECT_EQ(document.value().format, c.format) << c.name << ": " << document.value().format.label().toStdString();
    }
    // The lines are those readLines gives.
    const Expected<FileParser::Document> document = FileParser::read(write(QStringLiteral("g.txt"), "x\r\ny"));
    EXPECT_EQ(document.value().lines.toStringList(), (QStringList{"x", "y"}));
}

TEST(FileParserUtf8, RejectsMalformedSequences)
{
    for (const char* bad : {"\x80", "\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF0\x80\x80\xAF",
                            "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xC3", "\xE2\x82", "abc\xFF", "\xE2\x28\xA1"}) {
        EXPECT_FALSE(FileParser::isValidUtf8(bad)) << bad;
    }
    for (const char* good : {"", "plain ascii text of some length", "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80",
                             "\xED\x9F\xBF", "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"}) {
        EXPECT_TRUE(FileParser::isValidUtf8(good)) << good;
    }
}

TEST_F(FileParserTest, UnreadableFilesNameTheFileAndTheReason)
{
    const Expected<TextLines> missing = FileParser::readLines(m_dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().kind, Error::Kind::fileUnreadable);
    EXPECT_EQ(missing.error().message,
              QStringLiteral("The file \"notes.txt\" could not be read: No such file or directory."));

    const Expected<TextLines> directory = FileParser::readLines(m_dir.path());
    ASSERT_FALSE(directory.ok());
    EXPECT_TRUE(directory.error().message.endsWith(QStringLiteral("could not be read: Is a directory.")));
}

// Inputs must be regular files: a FIFO without a writer would block the read for ever,
// and a device such as /dev/zero never ends. Both are refused at once, by every reader.
TEST_F(FileParserTest, OnlyRegularFilesAreRead)
{
    const QString fifo = m_dir.filePath(QStringLiteral("pipe.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = m_dir.filePath(QStringLiteral("zero.docx"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));

    const Expected<TextLines> fromFifo = FileParser::readLines(fifo); // returns: nothing waits for a writer
    ASSERT_FALSE(fromFifo.ok());
    EXPECT_EQ(fromFifo.error().kind, Error::Kind::notRegularFile);
    EXPECT_EQ(fromFifo.error().message, QStringLiteral("The file \"pipe.txt\" is not a regular file."));
    const Expected<QByteArray> fromDevice = readWholeFile(zero);
    ASSERT_FALSE(fromDevice.ok());
    EXPECT_EQ(fromDevice.error().message, QStringLiteral("The file \"zero.docx\" is not a regular file."));
}

// Some regular files never end: the read stops a margin past the size they state.
TEST_F(FileParserTest, ARegularFileThatNeverEndsIsRefused)
{
    const QString endless = m_dir.filePath(QStringLiteral("pagemap.txt"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/pagemap"), endless));
    const Expected<QByteArray> read = readWholeFile(endless);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().kind, Error::Kind::tooLarge);
    EXPECT_TRUE(read.error().message.startsWith(
        QStringLiteral("The file \"pagemap.txt\" is too large to compare: it is more than 17 MB")))
        << read.error().message.toStdString();
    EXPECT_EQ(wholeReadGuard(1000), 2000 + 16 * 1024 * 1024);
}

// A large file is read a chunk at a time, so a superseded comparison stops within one.
TEST_F(FileParserTest, AReadStopsAtTheChunkWhereItWasCancelled)
{
    const QString path = write(QStringLiteral("big.txt"), QByteArray(3 * kReadChunk, 'a'));
    int polls = 0;
    const Expected<FileParser::Document> read = FileParser::read(path, [&polls] { return ++polls > 2; });
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().kind, Error::Kind::cancelled);
    EXPECT_EQ(polls, 3);
    EXPECT_TRUE(FileParser::read(path, [] { return false; }).ok());
}

// A name that is not UTF-8 is opened by its exact bytes, not by a look-alike.
TEST_F(FileParserTest, NamesThatAreNotUtf8AreOpenedByTheirBytes)
{
    const QByteArray latin1Name = QFile::encodeName(m_dir.path()) + "/caf\xE9.txt";
    const QByteArray utf8Name = QFile::encodeName(m_dir.path()) + "/caf\xC3\xA9.txt";
    for (const auto& [name, text] : {std::pair{latin1Name, "latin-1 name\n"}, std::pair{utf8Name, "utf-8 name\n"}}) {
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, text, std::strlen(text)), ssize_t(std::strlen(text)));
        ::close(fd);
    }
    const Expected<TextLines> latin1 = FileParser::readLines(pathFromNative(latin1Name));
    ASSERT_TRUE(latin1.ok()) << latin1.error().message.toStdString();
    EXPECT_EQ(latin1.value().toStringList(), QStringList{QStringLiteral("latin-1 name")});
    const Expected<TextLines> utf8 = FileParser::readLines(pathFromNative(utf8Name));
    ASSERT_TRUE(utf8.ok());
    EXPECT_EQ(utf8.value().toStringList(), QStringList{QStringLiteral("utf-8 name")});
    ::unlink(latin1Name.constData()); // QTemporaryDir cannot name it

    // Messages show the byte that is not UTF-8 as U+FFFD.
    const Expected<TextLines> missing =
        FileParser::readLines(pathFromNative(QFile::encodeName(m_dir.path()) + "/na\xEFve.txt"));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().message,
              QStringLiteral("The file \"na\uFFFDve.txt\" could not be read: No such file or directory."));
}

TEST(FileParserErrors, EncodingMessageIsTheDocumentedOne)
{
    EXPECT_EQ(describe(FileParserError::unreadableEncoding),
              QStringLiteral("The file's text encoding could not be determined. Only UTF-8, UTF-16, and Latin-1 "
                             "files are supported."));
}
