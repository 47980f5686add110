#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <iconv.h>

using namespace codec;

namespace {
struct ConvCase {
    const char* name;
    std::string utf8;
    std::string gbk;
};
}  // namespace

TEST(TextCodec, ConvertsBothWays) {
    const ConvCase cases[] = {
        {"ascii", "abc 123", "abc 123"},
        {"chinese", "流水号", "\xc1\xf7\xcb\xae\xba\xc5"},
        {"euro is 0x80", "€", "\x80"},
        {"mixed", "a中b", "a\xd6\xd0" "b"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToGbk(c.utf8), c.gbk) << c.name;
        EXPECT_EQ(FromGbk(c.gbk), c.utf8) << c.name;
    }
}

TEST(TextCodec, UnencodableAndInvalidBytesBecomeQuestionMarks) {
    const ConvCase toGbk[] = {
        {"emoji", "a\xf0\x9f\x98\x80" "b", "a?b"},
        {"stray continuation byte", "a\x80" "b", "a?b"},
        {"cut utf-8 at end: one per byte", "a\xe4\xb8", "a??"},
        {"hangul", "한", "?"},
    };
    for (const auto& c : toGbk) EXPECT_EQ(ToGbk(c.utf8), c.gbk) << c.name;

    const ConvCase fromGbk[] = {
        {"0xff", "?", "\xff"},
        {"lone lead at end", "a?", "a\xb0"},
        {"lead with bad trail", "?0b", "\x81\x30" "b"},
        {"bad byte between characters", "中?文", "\xd6\xd0\xff\xce\xc4"},
    };
    for (const auto& c : fromGbk) EXPECT_EQ(FromGbk(c.gbk), c.utf8) << c.name;
}

namespace {
// GBK to UTF-8 straight through iconv: a byte it refuses is one "?", and the next byte goes on.
std::string IconvFromGbk(iconv_t cd, const std::string& in) {
    std::string out;
    char* src = const_cast<char*>(in.data());
    std::size_t left = in.size();
    while (left) {
        char buf[64];
        char* dst = buf;
        std::size_t room = sizeof buf;
        const std::size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buf, static_cast<std::size_t>(dst - buf));
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out += '?';
            ++src;
            --left;
        }
    }
    return out;
}
}  // namespace

TEST(TextCodec, EveryByteAndBytepairDecodesAsIconvDoes) {
    iconv_t cd = iconv_open("UTF-8", "CP936");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string appended = "x";
    for (int a = 0x80; a <= 0xFF; ++a) {
        for (int b = 0; b <= 0xFF; ++b) {
            const std::string pair{static_cast<char>(a), static_cast<char>(b)};
            for (const std::string& in : {pair, pair + "\xb0\xa1", "a" + pair.substr(0, 1)}) {
                const std::string want = IconvFromGbk(cd, in);
                ASSERT_EQ(FromGbk(in), want) << std::hex << a << " " << b;
                appended.resize(1);
                AppendFromGbk(appended, in);
                ASSERT_EQ(appended, "x" + want);
            }
        }
    }
    // Every pair one after the other: a long text, decoded a piece at a time.
    std::string all;
    for (int a = 0x80; a <= 0xFF; ++a)
        for (int b = 0; b <= 0xFF; ++b) all += {static_cast<char>(a), static_cast<char>(b)};
    const std::string want = IconvFromGbk(cd, all);
    EXPECT_EQ(FromGbk(all), want);
    std::string room(kMaxUtf8PerGbkByte * all.size() + 1, '\0');
    EXPECT_EQ(std::string(room.data(), WriteFromGbk(room.data(), all)), want);
    iconv_close(cd);
}

TEST(TextCodec, LengthAndCutsStayOnCharacterBoundaries) {
    EXPECT_EQ(GbkLength("中a€"), 4u);
    EXPECT_EQ(GbkLength("\xf0\x9f\x98\x80"), 1u);  // one "?"
    // The measure is the length of the converted text, also for what GBK cannot hold and for
    // broken UTF-8 (each of them one "?"); asked twice, as widths are remembered.
    for (const char* t : {"中a€", "ÿé中", "\xe2\x82", "\xed\xa0\x80x", "\xe0\x80\xafy", "\xc0\xaf", "\xff中",
                          "한국\xf4\x90\x80\x80", "\xef\xbb\xbf春", "\xe4\xb7\xbf\xe4\xb8\x80\xe9\xbe\xa5\xe9\xbe\xa6\xe4\xb8"})
        for (int k = 0; k < 2; ++k) EXPECT_EQ(GbkLength(t), ToGbk(t).size()) << t;

    struct Cut {
        std::string gbk;
        std::size_t max;
        std::string want;
    };
    const Cut cuts[] = {
        {"\xd6\xd0\xce\xc4", 3, "\xd6\xd0"},  // 中文 cut inside 文
        {"\xd6\xd0\xce\xc4", 4, "\xd6\xd0\xce\xc4"},
        {"\xd6\xd0\xce\xc4", 1, ""},
        {"a\xd6\xd0", 2, "a"},
        {"\x80\xd6\xd0", 2, "\x80"},  // 0x80 is one character
        {"\x81\x5d]", 2, "\x81\x5d"},  // 乚: "]" as trail byte
        {"abc", 0, ""},
    };
    for (const auto& c : cuts) EXPECT_EQ(std::string(CutGbkBytes(c.gbk, c.max)), c.want) << c.max;

    EXPECT_EQ(CutToGbkBytes("中文abc", 5), "中文a");
    EXPECT_EQ(CutToGbkBytes("中文abc", 3), "中");
    EXPECT_EQ(CutToGbkBytes("€中", 2), "€");
    EXPECT_EQ(CutToGbkBytes("ab", 10), "ab");
}

TEST(TextCodec, FindMatchesOnlyWholeCharacters) {
    // 乚 is 0x81 0x5D; a search for "]" must not match its second byte.
    const std::string s = "\x81\x5d]";
    EXPECT_EQ(GbkFind(s, "]"), 2u);
    // 中 is 0xD6 0xD0; 蛻 is 0xCD 0xC9 ... a needle equal to a trail byte plus the next lead.
    const std::string zhongwen = "\xd6\xd0\xce\xc4";
    EXPECT_EQ(GbkFind(zhongwen, "\xd0\xce"), std::string::npos);
    EXPECT_EQ(GbkFind(zhongwen, "\xce\xc4"), 2u);
    EXPECT_EQ(GbkFind(zhongwen, "\xce\xc4", 1), 2u);  // a start inside a character moves on
    EXPECT_EQ(GbkFind("<<#<12>#>", ">#>"), 6u);
    EXPECT_EQ(GbkFind("abc", "abcd"), std::string::npos);
}

TEST(TextCodec, CaseFoldingIsAsciiOnly) {
    EXPECT_TRUE(EqualsIgnoreAsciiCase("Logp.DAT", "logp.dat"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("Ä", "ä"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("ab", "abc"));
    EXPECT_EQ(AsciiLower("ABC中Z"), "abc中z");
}

TEST(TextCodec, TrimTakesAsciiWhiteSpaceOnly) {
    EXPECT_EQ(codec::TrimAsciiSpace(" \t\r\n\v\f a b \r\n"), "a b");
    EXPECT_EQ(codec::TrimAsciiSpace(""), "");
    EXPECT_EQ(codec::TrimAsciiSpace(" \t "), "");
    const std::string ideographicSpace = codec::ToGbk("\u3000号码\u3000");  // not ASCII: kept
    EXPECT_EQ(codec::TrimAsciiSpace(" " + ideographicSpace + " "), ideographicSpace);
}
