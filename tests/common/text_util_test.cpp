#include <gtest/gtest.h>

#include "common/SjisText.h"
#include "common/TextUtil.h"

TEST(FileNamePart, TakesTextAfterLastSeparatorOfEitherKind) {
    EXPECT_EQ(FileNamePart("C:\\data\\a1.DTA"), "a1.DTA");
    EXPECT_EQ(FileNamePart("/home/user/data/a1.DTA"), "a1.DTA");
    EXPECT_EQ(FileNamePart("/home/user\\mixed/b.DTA"), "b.DTA");
    EXPECT_EQ(FileNamePart("C:\\data\\"), "");
    EXPECT_EQ(FileNamePart("a1.DTA"), "");
    EXPECT_EQ(FileNamePart(""), "");
}

TEST(TextBeforeFirstDot, CutsAtFirstDotOfTheFileName) {
    EXPECT_EQ(TextBeforeFirstDot("a1.DTA"), "a1");
    EXPECT_EQ(TextBeforeFirstDot("a1.b.DTA"), "a1");
    EXPECT_EQ(TextBeforeFirstDot("noext"), "noext");
    EXPECT_EQ(TextBeforeFirstDot("C:\\data\\x.y.DTA"), "C:\\data\\x");
    // Dotted directories stay whole.
    EXPECT_EQ(TextBeforeFirstDot("/home/u/.local/v1.2/meas.DTA"), "/home/u/.local/v1.2/meas");
    EXPECT_EQ(TextBeforeFirstDot("/home/u/v1.2/noext"), "/home/u/v1.2/noext");
    EXPECT_EQ(TextBeforeFirstDot(""), "");
}

TEST(RemoveLineBreaks, RemovesEveryCrAndLfAnywhere) {
    EXPECT_EQ(RemoveLineBreaks("ab\r\n"), "ab");
    EXPECT_EQ(RemoveLineBreaks("a\rb\nc\r\r\n"), "abc");
    EXPECT_EQ(RemoveLineBreaks("\r\n"), "");
}

TEST(SjisText, RoundTripsJapaneseAndFlagsInvalidBytes) {
    const std::string utf8 = "計測データ/測定１.DTA";
    std::string sjis;
    ASSERT_TRUE(Utf8ToSjis(utf8, sjis));
    EXPECT_EQ(sjis.substr(0, 2), "\x8C\x76"); // 計
    std::string back;
    ASSERT_TRUE(SjisToUtf8(sjis, back));
    EXPECT_EQ(back, utf8);

    std::string bad;
    EXPECT_FALSE(SjisToUtf8(std::string("a\x81\x20"
                                        "b\xA0",
                                        5),
                            bad));
    EXPECT_EQ(bad.front(), 'a');
    std::string lossy;
    EXPECT_FALSE(Utf8ToSjis("x\xF0\x9F\x98\x80y", lossy)); // an emoji has no Shift-JIS form
    EXPECT_EQ(lossy, "x?y");
    // A broken sequence costs only its own bytes: separators and line breaks after it stay.
    EXPECT_FALSE(Utf8ToSjis("\xE6\xB8/a\xF0\n", lossy));
    EXPECT_EQ(lossy, "?/a?\n");
}

TEST(ShortenPath, DropsDirectoriesStepByStepWithEitherSeparator) {
    // One step: the second directory and its separator give way to "...".
    EXPECT_EQ(ShortenPath("C:\\a\\b\\c\\d.DTA", 14), "C:\\a\\b\\c\\d.DTA");
    EXPECT_EQ(ShortenPath("C:\\a\\bbbb\\c\\d.DTA", 16), "C:\\a\\...c\\d.DTA");
    EXPECT_EQ(ShortenPath("/home/user/data/run1.DTA", 22), "/home/...data/run1.DTA");
    EXPECT_EQ(ShortenPath("/home/user/data/run1.DTA", 18), "/home/...run1.DTA");
    // Two separators left: after the first one; then the 4th to 10th characters go.
    EXPECT_EQ(ShortenPath("/home/...run1.DTA", 15), "/......run1.DTA");
    EXPECT_EQ(ShortenPath("/home/...run1.DTA", 12), "/.....1.DTA");
    EXPECT_EQ(ShortenPath("abcdefghijklmnop", 12), "abc...klmnop");
    EXPECT_EQ(ShortenPath("abcdefghij", 5), "abc...");
    EXPECT_EQ(ShortenPath("whatever", 0), "whatever");
    // Counted in characters, not bytes.
    const std::string jp = "/測定/データ/結果/a.DTA";
    EXPECT_EQ(ShortenPath(jp, 16), jp);
    EXPECT_EQ(ShortenPath(jp, 15), "/測定/...結果/a.DTA");
}
