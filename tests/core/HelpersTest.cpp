#include "core/Helpers.h"
#include "platform/Clock.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <sys/stat.h>

using testsupport::ReadFile;
using testsupport::TempAppDir;
using testsupport::WriteFile;

TEST(Helpers, MobileNumberCheck) {
    struct Case {
        const char* text;
        int want;
    };
    const Case cases[] = {
        {" 13912345678 ", 1}, {"+13912345678", 1}, {"\t13912345678\t", 1}, {"123", 1},
        {"12", 0},            {"+1", 0},           {"1391234+5678", 0},    {"139 1234", 0},
        {"", 0},              {"abc", 0},          {"１３９", 0},          {"++139", 0},
        {"123456789012345678901234567890", 1},     {"1234567890123456789012345678901", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsValidMobileNumber(c.text), c.want) << "[" << c.text << "]";
        EXPECT_EQ(GetValidNumber(c.text), c.want ? std::string(c.text) : std::string()) << c.text;
    }
}

TEST(Helpers, CarrierClassFirstMatchWins) {
    struct Case {
        const char* number;
        int want;
    };
    const Case cases[] = {
        {"13", 0},           {"1301234", 1},      {"13012345678", 2},  {"10612345678", 3},
        {"18912345678", 1},  {"13912345678", 1},  {"15912345678", 1},  {"15312345678", 2},
        {"+8613012345678", 1}, {"13312345678", 2}, {"1061234567", 1},  {"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(GetNumberCarrierClass(c.number), c.want) << c.number;
}

TEST(Helpers, TextHelpers) {
    EXPECT_EQ(ReplaceQuotes("it's"), "it\"s");
    EXPECT_EQ(ReplaceQuotes("''中'"), "\"\"中\"");
    EXPECT_EQ(BlankIfEmpty(""), " ");
    EXPECT_EQ(BlankIfEmpty("x"), "x");
    EXPECT_EQ(GetEmptyString(), "");
    EXPECT_EQ(IntToString(-42), "-42");
    clk::SetFixed(2008, 6, 11, 9, 5, 0);
    EXPECT_EQ(GetNowString(), "2008-06-11 09:05:00");
    TempAppDir dir;
    WriteRunLog("ModemMsgThread Error");
    EXPECT_EQ(ReadFile(dir.file("RunLog.txt")), "2008-06-11 09:05:00  ModemMsgThread Error\r\n");
    clk::Reset();
}

TEST(Helpers, MessageBoxesGoThroughTheSeams) {
    std::vector<std::string> seen;
    seam::ScopedMessageBox box([&](const std::string& t, int type) {
        seen.push_back(t + "/" + std::to_string(type));
        return type == 1 ? 1 : 2;  // anything but 1 is not OK
    });
    EXPECT_EQ(ShowMessage("问题", 1), 1);
    EXPECT_EQ(ShowMessage("信息"), 0);
    seam::ScopedStandardBox std([&](const std::string& t) { seen.push_back("std:" + t); });
    MessageBoxFormat("打开设备失败 %d: %s", 3, "wave");
    EXPECT_EQ(seen, (std::vector<std::string>{"问题/1", "信息/0", "std:打开设备失败 3: wave"}));
}

TEST(Helpers, PumpMessagesRunsWaitingEvents) {
    bool timer = false, posted = false;
    QTimer::singleShot(0, [&] { timer = true; });
    seam::PostToUi([&] { posted = true; });
    EXPECT_EQ(PumpMessages(), 1);
    EXPECT_TRUE(timer);
    EXPECT_TRUE(posted);
}

TEST(Helpers, LongSmsSideFiles) {
    TempAppDir dir;  // no "SMSText" folder yet: it is made
    ASSERT_TRUE(SaveSmsText(12, "长短信 text"));
    EXPECT_EQ(ReadFile(dir.file("SMSText/12.txt")), codec::ToGbk("长短信 text"));
    EXPECT_EQ(LoadSmsText(12), "长短信 text");

    std::string text = "stale";
    EXPECT_FALSE(LoadSmsText(99, text));  // missing
    EXPECT_EQ(text, "");
    WriteFile(dir.file("SMSText/98.txt"), "");
    EXPECT_TRUE(LoadSmsText(98, text));  // present but empty
    EXPECT_EQ(LoadSmsText(99), "");

    WriteFile(dir.file("SMSText/1.txt"), std::string(1200, 'a'));
    EXPECT_EQ(LoadSmsText(1), std::string(800, 'a'));
    // Byte 800 would split "中": the character is left out whole.
    WriteFile(dir.file("SMSText/2.txt"), std::string(799, 'a') + codec::ToGbk("中中"));
    EXPECT_EQ(LoadSmsText(2), std::string(799, 'a'));
    WriteFile(dir.file("SMSText/3.txt"), std::string(798, 'a') + codec::ToGbk("中中"));
    EXPECT_EQ(LoadSmsText(3), std::string(798, 'a') + "中");
    WriteFile(dir.file("SMSText/4.txt"), std::string("ab\0cd", 5));
    EXPECT_EQ(LoadSmsText(4), "ab");
}

TEST(Helpers, ConvertVoiceRunsTheConverterWithItsCommandLine) {
    TempAppDir dir;
    const std::string wta = dir.file("wta");
    // Records its arguments and ends after a moment, so a caller that did not wait sees no file.
    WriteFile(wta, "#!/bin/sh\nsleep 0.2\nprintf '%s|' \"$@\" > \"$(dirname \"$0\")/args\"\n");
    ::chmod(wta.c_str(), 0755);
    ConvertVoice(dir.path() + "\\CurR.dat", dir.path() + "\\CurR.amr", 1);
    EXPECT_EQ(ReadFile(dir.file("args")),
              "wav2amr|" + dir.file("CurR.dat") + "|" + dir.file("CurR.amr") + "|MR102|");
    ConvertVoice("D:\\a b.wav", "x.amr", 0);
    EXPECT_EQ(ReadFile(dir.file("args")), "amr2wav|x.amr|" + dir.file("D/a b.wav") + "|MR102|");
    ConvertVoice("a.wav", "b.amr", 1);  // a missing converter is no failure of the caller
    ::unlink(wta.c_str());
    ConvertVoice("a.wav", "b.amr", 1);
}
