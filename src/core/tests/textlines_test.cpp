// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/textlines.h"

#include <gtest/gtest.h>

using namespace varnel;

namespace {

QStringList splitText(const char* utf8, qsizetype size = -1)
{
    return TextLines::split(QByteArray(utf8, size < 0 ? qsizetype(std::strlen(utf8)) : size)).toStringList();
}

} // namespace

TEST(TextLinesSplit, TrailingTerminatorIsDroppedOnce)
{
    EXPECT_EQ(splitText(""), QStringList());
    EXPECT_EQ(splitText("a\nb\n"), (QStringList{"a", "b"}));
    EXPECT_EQ(splitText("a\nb"), (QStringList{"a", "b"}));
    EXPECT_EQ(splitText("a\n\n"), (QStringList{"a", ""}));
    EXPECT_EQ(splitText("\n"), QStringList{""});
    EXPECT_EQ(splitText("\n\n\n"), (QStringList{"", "", ""}));
}

TEST(TextLinesSplit, CrLfIsOneLineEndAndOtherPairsAreTwo)
{
    EXPECT_EQ(splitText("a\r\nb\r\n"), (QStringList{"a", "b"}));
    EXPECT_EQ(splitText("a\rb\r"), (QStringList{"a", "b"}));
    EXPECT_EQ(splitText("a\r\rb"), (QStringList{"a", "", "b"}));
    EXPECT_EQ(splitText("a\n\rb"), (QStringList{"a", "", "b"}));
    EXPECT_EQ(splitText("a\r\r\nb"), (QStringList{"a", "", "b"}));
    EXPECT_EQ(splitText("a\r\n\r\nb"), (QStringList{"a", "", "b"}));
    EXPECT_EQ(splitText("\r\n"), QStringList{""});
    EXPECT_EQ(splitText("a\r"), QStringList{"a"});
}

TEST(TextLinesSplit, EveryNewlineCharacterEndsALine)
{
    EXPECT_EQ(splitText("a\vb\fc"), (QStringList{"a", "b", "c"}));
    // clang-format off
    EXPECT_EQ(splitText("a\xC2\x85" "b"), (QStringList{"a", "b"}));             // NEL
    EXPECT_EQ(splitText("a\xE2\x80\xA8" "b\xE2\x80\xA9" "c"), (QStringList{"a", "b", "c"})); // LS, PS
    // clang-format on
    EXPECT_EQ(splitText("x\f\fy"), (QStringList{"x", "", "y"}));
}

TEST(TextLinesSplit, LookalikeBytesDoNotSplit)
{
    // U+00A0 (C2 A0), U+2028's neighbours U+2027 and U+202A, and a lone lead byte at the end.
    // clang-format off
    EXPECT_EQ(splitText("a\xC2\xA0" "b"), QStringList{QStringLiteral("a\u00A0b")});
    EXPECT_EQ(splitText("a\xE2\x80\xA7" "b\xE2\x80\xAA" "c"), QStringList{QStringLiteral("a\u2027b\u202Ac")});
    // clang-format on
    EXPECT_EQ(splitText("\xE2\x82\xAC"), QStringList{QStringLiteral("\u20AC")});
}

TEST(TextLinesSplit, KeepsNulAndLongLines)
{
    const QByteArray withNul("a\0b\nc", 5);
    const TextLines lines = TextLines::split(withNul);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(QByteArrayView(lines.utf8(0).data(), lines.utf8(0).size()), QByteArrayView("a\0b", 3));

    const QByteArray longLine(1 << 20, 'x');
    EXPECT_EQ(TextLines::split(longLine + "\n" + longLine).utf8(1).size(), 1 << 20);
}

TEST(TextLines, AppendSplitAddsPagesAndDropsEachTrailingEmptyElement)
{
    TextLines lines;
    lines.appendSplit("one\ntwo\n");
    lines.appendSplit("");
    lines.appendSplit("three\r\n\r\n");
    lines.append("four");
    EXPECT_EQ(lines.toStringList(), (QStringList{"one", "two", "three", "", "four"}));
    EXPECT_EQ(lines.byteSize(), 15);
}

TEST(TextLines, FromStringsRoundTrips)
{
    const QStringList input{QStringLiteral("caf\u00E9"), QString(), QStringLiteral("\U0001F600 emoji")};
    EXPECT_EQ(TextLines::fromStrings(input).toStringList(), input);
}
