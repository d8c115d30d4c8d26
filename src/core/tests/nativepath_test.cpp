// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/nativepath.h"

#include <gtest/gtest.h>

using namespace varnel;

// Paths keep every byte through QString and QUrl, and stay ordinary strings when they
// are UTF-8.
TEST(NativePath, EveryByteSurvivesTheRoundTrip)
{
    const QByteArray names[] = {
        "/tmp/plain.txt",
        "/tmp/caf\xC3\xA9 \xF0\x9F\x98\x80.txt",  // UTF-8, with a character beyond the BMP
        "/tmp/caf\xE9.txt",                       // Latin-1
        "/tmp/\xFF\xFE\x80\xC3(\xED\xA0\x80.txt", // stray bytes, a cut sequence, an encoded surrogate
        "/tmp/\xF0\x90\x82\x80\x80 a%20b#c?.txt", // U+10080 (its low surrogate is DC80) before a stray 0x80
    };
    for (const QByteArray& bytes : names) {
        const QString path = pathFromNative(bytes);
        EXPECT_EQ(nativePath(path), bytes) << bytes.toStdString();
        const QUrl url = fileUrl(path);
        EXPECT_TRUE(url.isLocalFile());
        EXPECT_EQ(nativePath(localPath(url)), bytes) << url.toEncoded().toStdString();
    }
    EXPECT_EQ(pathFromNative("/tmp/caf\xC3\xA9.txt"), QString::fromUtf8("/tmp/caf\xC3\xA9.txt"));
    EXPECT_EQ(localPath(QUrl::fromLocalFile(QStringLiteral("/tmp/a b#%.txt"))), QStringLiteral("/tmp/a b#%.txt"));
}

TEST(NativePath, NamesForPeopleShowStrayBytesAsReplacementCharacters)
{
    EXPECT_EQ(displayName(pathFromNative("/tmp/dir/caf\xE9.txt")), QStringLiteral("caf\uFFFD.txt"));
    EXPECT_EQ(displayName(pathFromNative("/tmp/\xF0\x90\x82\x80.txt")), QString::fromUtf8("\xF0\x90\x82\x80.txt"));
    EXPECT_EQ(displayName(QStringLiteral("Makefile")), QStringLiteral("Makefile"));
    // Dots are the system's to resolve ("b" may be a symbolic link): nothing is cleaned.
    EXPECT_EQ(absolutePath(QStringLiteral("/a/./b/../c")), QStringLiteral("/a/./b/../c"));
    EXPECT_EQ(absolutePath(QStringLiteral("b/../c"), QStringLiteral("/x/")), QStringLiteral("/x/b/../c"));
    EXPECT_TRUE(absolutePath(QStringLiteral("x.txt")).endsWith(QStringLiteral("/x.txt")));
    EXPECT_TRUE(absolutePath(QStringLiteral("x.txt")).startsWith(u'/'));
}

// Names cannot act on the terminal they are printed on, nor turn the text around them.
TEST(NativePath, NamesForPeopleShowControlsAsEscapes)
{
    EXPECT_EQ(displayName(QStringLiteral("/t/a\x1b]0;pwned\x07\x1b[2J.txt")),
              QStringLiteral("a\\x1b]0;pwned\\x07\\x1b[2J.txt"));
    EXPECT_EQ(displayPath(QStringLiteral("/t\n/\x7f\u009b\u202e\u2066\u00e9")),
              QStringLiteral("/t\\x0a/\\x7f\\u009b\\u202e\\u2066\u00e9"));
    const QString name = QStringLiteral("/tmp/\x1b[2J.txt"); // still its own file
    EXPECT_EQ(localPath(fileUrl(name)), name);
}
