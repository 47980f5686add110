#include "core/MsgRecord.h"
#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct FieldAt {
    std::size_t offset, width;
    const char* text;  // written as ASCII
};

TEST(MsgRecord, GoldenLayoutIsZeroFilledAndLittleEndian) {
    MsgRecord r = msgrec::Empty();
    r.nId = 0x01020304;
    r.nDevice = -2;
    msgrec::SetField(r.szType, "T");
    msgrec::SetField(r.szResourceId, "R");
    msgrec::SetField(r.szName, "N");
    msgrec::SetField(r.szNumber, "13800000000");
    msgrec::SetField(r.szText, "X");
    msgrec::SetField(r.szTime, "2026-12-08 10:00:00");
    msgrec::SetField(r.szSubmitTime, "S");
    msgrec::SetField(r.szSendId, "I");
    msgrec::SetField(r.szPackage, "P");
    msgrec::SetField(r.szFiles, "F");
    msgrec::SetField(r.szSize, "3K");
    msgrec::SetField(r.szResult, "[1]");
    char bytes[1592];
    std::memset(bytes, 0x55, sizeof bytes);
    msgrec::ToBytes(r, bytes);

    std::string expected(1592, '\0');
    const char id[4] = {0x04, 0x03, 0x02, 0x01};
    expected.replace(0, 4, id, 4);
    const char dev[4] = {'\xfe', '\xff', '\xff', '\xff'};
    expected.replace(1388, 4, dev, 4);
    const FieldAt fields[] = {{4, 20, "T"},     {24, 20, "R"},   {44, 40, "N"},
                              {84, 20, "13800000000"},           {104, 512, "X"},
                              {616, 40, "2026-12-08 10:00:00"},  {656, 40, "S"},
                              {696, 50, "I"},   {746, 120, "P"}, {866, 512, "F"},
                              {1378, 10, "3K"}, {1392, 200, "[1]"}};
    for (const auto& f : fields) expected.replace(f.offset, std::strlen(f.text), f.text);
    EXPECT_EQ(std::string(bytes, sizeof bytes), expected);

    const MsgRecord back = msgrec::FromBytes(bytes);
    EXPECT_EQ(back.nId, 0x01020304);
    EXPECT_EQ(back.nDevice, -2);
    EXPECT_EQ(msgrec::GetField(back.szTime), "2026-12-08 10:00:00");
}

TEST(MsgRecord, FieldsHoldGbkCutOnCharacterBoundaryOrRefused) {
    MsgRecord r = msgrec::Empty();
    // Ten Chinese characters are 20 GBK bytes: one too many for a 20-byte field with its NUL.
    const std::string ten = "一二三四五六七八九十";
    EXPECT_TRUE(msgrec::SetField(r.szType, ten));
    EXPECT_EQ(msgrec::GetField(r.szType), "一二三四五六七八九");
    EXPECT_EQ(std::strlen(r.szType), 18u);
    // "a" first: a cut at 19 bytes would split the tenth character.
    EXPECT_TRUE(msgrec::SetField(r.szResourceId, "a" + ten));
    EXPECT_EQ(msgrec::GetField(r.szResourceId), "a一二三四五六七八九");
    EXPECT_EQ(codec::ToGbk(msgrec::GetField(r.szResourceId)).size(), 19u);

    msgrec::SetField(r.szNumber, "old");
    EXPECT_FALSE(msgrec::SetField(r.szNumber, "12345678901234567890", /*refuse=*/true));
    EXPECT_EQ(msgrec::GetField(r.szNumber), "");
    EXPECT_TRUE(msgrec::SetField(r.szNumber, "1234567890123456789", true));
    EXPECT_EQ(r.szNumber[19], '\0');
}

}  // namespace
