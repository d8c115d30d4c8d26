// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/nativepath.h"
#include "report/reportfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace varnel;
using Target = ReportFile::Target;

namespace {

QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& data)
{
    QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
    return path;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

} // namespace

// The window's export refuses an input and anything that is not a regular file, so it
// must be able to tell them apart before it writes.
TEST(ReportFile, TargetsAreToldApart)
{
    QTemporaryDir dir;
    const QString left = write(dir, "left.txt", "left");
    const QString right = write(dir, "right.txt", "right");
    const QString report = write(dir, "report.pdf", "old report");
    const QString link = dir.filePath("link.pdf");
    ASSERT_TRUE(QFile::link(right, link));
    const QStringList inputs{left, right};

    EXPECT_EQ(ReportFile::inspect(dir.filePath("new.pdf"), inputs), Target::absent);
    EXPECT_EQ(ReportFile::inspect(report, inputs), Target::regularFile);
    EXPECT_EQ(ReportFile::inspect(left, inputs), Target::input);
    EXPECT_EQ(ReportFile::inspect(link, inputs), Target::input);
    EXPECT_EQ(ReportFile::inspect(QStringLiteral("/dev/null"), inputs), Target::notRegularFile);
    EXPECT_EQ(ReportFile::inspect(dir.path(), inputs), Target::notRegularFile);
    EXPECT_EQ(ReportFile::inspect(QStringLiteral("/proc/self/fd/2"), inputs), Target::descriptor);

    const std::optional<Error> refusedInput =
        ReportFile::write(link, "pdf", inputs, ReportFile::NotRegular::writeInPlace);
    ASSERT_TRUE(refusedInput);
    EXPECT_EQ(refusedInput->message, "The report \"" + link + "\" would replace one of the files being compared.");
    const std::optional<Error> refusedDevice =
        ReportFile::write(QStringLiteral("/dev/null"), "pdf", inputs, ReportFile::NotRegular::refuse);
    ASSERT_TRUE(refusedDevice);
    EXPECT_EQ(refusedDevice->kind, Error::Kind::notRegularFile);
    EXPECT_EQ(refusedDevice->message, "The report \"/dev/null\" cannot be written there: it is not a regular file.");
    // The window never writes into a descriptor, whatever file it leads to.
    EXPECT_TRUE(ReportFile::write(QStringLiteral("/dev/stdout"), "pdf", inputs, ReportFile::NotRegular::refuse));
    EXPECT_EQ(contents(right), "right");
}

TEST(ReportFile, WritesReplaceAtomicallyAndKeepLinksAndPermissions)
{
    QTemporaryDir dir;
    const QString report = write(dir, "report.pdf", "old report");
    ASSERT_TRUE(
        QFile::setPermissions(report, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));
    const QString link = dir.filePath("latest.pdf");
    ASSERT_TRUE(QFile::link(report, link));

    EXPECT_FALSE(ReportFile::write(link, "new report", {}, ReportFile::NotRegular::refuse));
    EXPECT_EQ(contents(report), "new report");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(report).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    EXPECT_FALSE(ReportFile::write(dir.filePath("fresh.pdf"), "fresh", {}, ReportFile::NotRegular::refuse));
    EXPECT_EQ(contents(dir.filePath("fresh.pdf")), "fresh");
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              (QStringList{"fresh.pdf", "latest.pdf", "report.pdf"}));
}

// The one rule every writer asks: the compared file itself, a symbolic link to it and a
// hard link to it are all refused; anything else may be written.
TEST(ReportFile, NoWriterReplacesAnInput)
{
    QTemporaryDir dir;
    const QString left = write(dir, "left.txt", "left");
    const QString symlink = dir.filePath("link.pdf");
    const QString hardLink = dir.filePath("hard.pdf");
    ASSERT_TRUE(QFile::link(left, symlink));
    ASSERT_EQ(::link(QFile::encodeName(left).constData(), QFile::encodeName(hardLink).constData()), 0);
    for (const QString& target : {left, symlink, hardLink}) {
        const std::optional<Error> refused = ReportFile::refuseInput(target, {left});
        ASSERT_TRUE(refused) << target.toStdString();
        EXPECT_EQ(refused->message, ReportFile::inputRefused(target).message);
    }
    EXPECT_FALSE(ReportFile::refuseInput(dir.filePath("report.pdf"), {left}));
    EXPECT_FALSE(ReportFile::refuseInput(hardLink, {}));
    EXPECT_EQ(contents(left), "left");
}

// Every name a folder takes can be written (the temporary file's name does not grow with
// it), and a default name always is one.
TEST(ReportFile, NamesUpToTheLimitAreWritten)
{
    QTemporaryDir dir;
    for (qsizetype bytes = 247; bytes <= 262; ++bytes) {
        const QString left = QString(bytes - 9, u'a'); // "LEFT vs b.pdf"
        const QString name = ReportFile::defaultName(left, QStringLiteral("b"));
        ASSERT_LE(name.toUtf8().size(), ReportFile::kMaxNameBytes) << bytes;
        if (bytes <= ReportFile::kMaxNameBytes) {
            EXPECT_EQ(name, left + QStringLiteral(" vs b.pdf"));
        }
        EXPECT_FALSE(ReportFile::write(dir.filePath(name), "pdf", {}, ReportFile::NotRegular::refuse)) << bytes;
        EXPECT_EQ(contents(dir.filePath(name)), "pdf") << bytes;
    }
    // Bytes that are not UTF-8 count one each and are kept.
    const QString latin1 = pathFromNative(QByteArray(300, '\xE9'));
    const QByteArray native = nativePath(ReportFile::defaultName(latin1, latin1));
    EXPECT_LE(native.size(), ReportFile::kMaxNameBytes);
    EXPECT_TRUE(native.startsWith("\xE9\xE9"));
    // Labels given as paths (`varnel --label src/a.hpp`) name a file, not a folder.
    EXPECT_EQ(ReportFile::defaultName(QStringLiteral("src/a.hpp (old)"), QStringLiteral("src/a.hpp (new)")),
              QStringLiteral("a.hpp (old) vs a.hpp (new).pdf"));
}
