// SPDX-License-Identifier: GPL-3.0-or-later

#include "compare/comparison.h"
#include "core/memorybudget.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

using namespace varnel;

namespace {

FileItem item(const QString& path)
{
    return FileItem::fromUrl(QUrl::fromLocalFile(path));
}

QString errorOf(const Expected<ComparisonOutcome>& outcome)
{
    return outcome ? QStringLiteral("(no error)") : outcome.error().message;
}

} // namespace

// A failure to read must never come out as "no changes".
TEST(Comparison, DocumentsThatCannotBeReadAreErrorsNotEmptyDocuments)
{
    QTemporaryDir dir;
    const FileItem missing = item(dir.filePath("nothere1.pdf"));
    EXPECT_EQ(errorOf(Comparison::perform(missing, item(dir.filePath("nothere2.pdf")))),
              "The file \"nothere1.pdf\" could not be read: No such file or directory.");

    const QString locked = QStringLiteral(VARNEL_FIXTURES_DIR "/locked.pdf");
    const QString copy = dir.filePath("locked-copy.pdf");
    ASSERT_TRUE(QFile::copy(locked, copy));
    const Expected<ComparisonOutcome> both = Comparison::perform(item(copy), item(locked));
    ASSERT_FALSE(both.ok());
    EXPECT_EQ(both.error().message, "The PDF \"locked-copy.pdf\" is password-protected.");
}

TEST(Comparison, KindsSentencesReadWell)
{
    EXPECT_EQ(Comparison::incompatibleTypes(DiffMode::unsupported(""), DiffMode::unsupported("")).message,
              "Cannot compare an unsupported file with an unsupported file. Please drop two files of the same type.");
    EXPECT_EQ(Comparison::incompatibleTypes(DiffMode::pdf(), DiffMode::text()).message,
              "Cannot compare a PDF file with a text file. Please drop two files of the same type.");
    const Expected<TextLines> makefile = Comparison::readLines(item("/nonexistent/Makefile"));
    ASSERT_FALSE(makefile.ok());
    EXPECT_EQ(makefile.error().message, "The file \"Makefile\" could not be read: No such file or directory.");
}

// A superseded comparison must free its worker: the DOCX reader stops once cancelled, as
// the PDF reader does.
TEST(Comparison, ACancelledDocxReadStops)
{
    const Expected<TextLines> lines =
        Comparison::readLines(item(QStringLiteral(VARNEL_FIXTURES_DIR "/pandoc-sample.docx")), [] { return true; });
    ASSERT_FALSE(lines.ok());
    EXPECT_EQ(lines.error().kind, Error::Kind::cancelled);
}

// Comparisons that cannot fit in memory are refused before anything is read, with the
// file, its size and the memory at hand; after reading, the number of lines counts too.
TEST(Comparison, TheMemoryBudgetRefusesWhatCannotFit)
{
    const FileItem left = item("/data/left.txt");
    const FileItem right = item("/data/huge.txt");
    const qint64 gb = 1'000'000'000;
    EXPECT_FALSE(Comparison::checkSizes(left, 100'000'000, right, 100'000'000, 16 * gb));
    const std::optional<Error> refused = Comparison::checkSizes(left, 1'000'000, right, 12 * gb, 16 * gb);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->kind, Error::Kind::tooLarge);
    EXPECT_TRUE(refused->message.startsWith("The file \"huge.txt\" is too large to compare: it is 12 GB, and "
                                            "comparing it needs about "))
        << refused->message.toStdString();
    EXPECT_TRUE(refused->message.endsWith(", more than the 16 GB available.")) << refused->message.toStdString();
    // Sizes near the top of the range do not overflow into "fits".
    EXPECT_TRUE(Comparison::checkSizes(left, std::numeric_limits<qint64>::max(), right, 1, 16 * gb));

    TextLines many;
    for (int i = 0; i < 1000; ++i)
        many.append("");
    EXPECT_FALSE(Comparison::checkLines(left, many, right, many, 1'000'000));
    const std::optional<Error> tooManyLines = Comparison::checkLines(left, many, right, many, 10'000);
    ASSERT_TRUE(tooManyLines);
    EXPECT_TRUE(tooManyLines->message.startsWith(
        "The files \"left.txt\" and \"huge.txt\" have too many lines to compare: 2000 lines need about "))
        << tooManyLines->message.toStdString();

    EXPECT_GT(MemoryBudget::available(), 0);
    EXPECT_EQ(MemoryBudget::formatSize(512), "512 bytes");
    EXPECT_EQ(MemoryBudget::formatSize(1'430'000'000), "1.4 GB");
    EXPECT_EQ(MemoryBudget::formatSize(15'300'000), "15 MB");
}

// Allocation failure at any point of a comparison is an error, never an abort. The
// budget keeps it rare, so it is forced here: every allocation through operator new
// above kFailAbove bytes fails while `failLargeAllocations` is set.
namespace {
std::atomic<bool> failLargeAllocations{false};
constexpr std::size_t kFailAbove = 1 << 20;
} // namespace

void* operator new(std::size_t size)
{
    if (failLargeAllocations.load(std::memory_order_relaxed) && size > kFailAbove)
        throw std::bad_alloc();
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

TEST(Comparison, AllocationFailureIsAnErrorNotAnAbort)
{
    QTemporaryDir dir;
    const auto writeLines = [&](const QString& name, int count, const QByteArray& line) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        for (int i = 0; i < count; ++i)
            file.write(line + QByteArray::number(i % 1000) + '\n');
        return item(file.fileName());
    };
    const FileItem left = writeLines("left.txt", 400'000, "line ");
    const FileItem right = writeLines("right.txt", 400'000, "other ");
    failLargeAllocations = true;
    const Expected<ComparisonOutcome> outcome = Comparison::perform(left, right);
    const Expected<DiffResult> one = Comparison::performOne(left, right, true);
    failLargeAllocations = false;
    ASSERT_FALSE(outcome.ok());
    EXPECT_EQ(outcome.error().kind, Error::Kind::outOfMemory);
    EXPECT_EQ(outcome.error().message, "There is not enough memory to read \"left.txt\".");
    ASSERT_FALSE(one.ok());
    EXPECT_EQ(one.error().kind, Error::Kind::outOfMemory);
    EXPECT_TRUE(Comparison::perform(left, right).ok()); // and nothing is left broken
}

TEST(Comparison, ProgressClimbsToTheEndOfTheDiff)
{
    QTemporaryDir dir;
    QByteArray left;
    QByteArray right;
    for (int i = 0; i < 200000; ++i) {
        left += "line " + QByteArray::number(i) + "\n";
        right += (i % 7 == 0 ? "other " : "line ") + QByteArray::number(i) + "\n";
    }
    const auto write = [&](const char* name, const QByteArray& data) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
        return item(file.fileName());
    };
    std::vector<double> seen;
    const Expected<ComparisonOutcome> outcome =
        Comparison::perform(write("a.txt", left), write("b.txt", right), {}, [&](double f) { seen.push_back(f); });
    ASSERT_TRUE(outcome);
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_GE(seen.front(), 0.0);
    EXPECT_DOUBLE_EQ(seen.back(), 1.0);
}

// Equal lines in other canonical forms, a form feed for a newline: equal, and said so.
TEST(Comparison, FilesThatCompareEqualSayHowTheyDiffer)
{
    QTemporaryDir dir;
    const auto write = [&dir](const char* name, const QByteArray& data) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
        return item(file.fileName());
    };
    const auto differences = [](const FileItem& left, const FileItem& right) {
        const Expected<ComparisonOutcome> outcome = Comparison::perform(left, right);
        EXPECT_TRUE(outcome.ok());
        EXPECT_FALSE(outcome && outcome.value().fullResult.hasChanges());
        return outcome ? outcome.value().formats.differences() : QString();
    };
    const FileItem nfc = write("nfc.txt", "caf\xC3\xA9\n");
    const FileItem nfd = write("nfd.txt", "cafe\xCC\x81\n");
    EXPECT_EQ(differences(nfc, nfd), QStringLiteral("Unicode forms differ (NFC/NFD)"));
    EXPECT_EQ(differences(nfc, nfc), QString());
    EXPECT_EQ(differences(write("ff.txt", "a\fb\r\n"), write("lf.txt", "a\nb\n")),
              QStringLiteral("Line ends differ: CR LF on the left, LF on the right; line ends differ (form feed)"));
    const FileItem nfdFeed = write("nfdff.txt", "cafe\xCC\x81\f");
    EXPECT_EQ(differences(nfc, nfdFeed),
              QStringLiteral("Line ends differ (form feed); only the left file ends with a newline; "
                             "Unicode forms differ (NFC/NFD)"));
}
