// The MMS records page: its columns over the MMS log, the viewer started for any MMS status,
// and the received-folder action refused for a sent MMS.
#include "RecordPageSupport.h"

#include "core/MMSRecordDlg.h"
#include "platform/AppPath.h"
#include "platform/TextCodec.h"

#include <QPushButton>
#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <fstream>

using namespace recordtest;
namespace fs = std::filesystem;

namespace {

struct MmsPageTest : ::testing::Test, PageFixtureOf<CMMSRecordDlg> {};

TEST_F(MmsPageTest, ColumnsShowTheMmsFields) {
    const char* headers[13] = {"状态", "发送时间", "姓名", "手机号", "彩信标题", "接收时间", "彩信文件",
                               "彩信发送编号", "彩信资源编号", "信息编号", "彩信大小（粗略值）", "设备号", "接收资源路径"};
    for (int c = 0; c < 13; ++c) EXPECT_EQ(codec::FromQ(list()->GetColumnHeading(c)), headers[c]) << c;
    EXPECT_EQ(list()->GetColumnWidth(6), 200);
    EXPECT_EQ(list()->GetColumnWidth(10), 120);
    EXPECT_EQ(log().FilePath(), paths::AppFile("MMSMsgSL.dat"));

    MsgRecord r = Rec(9, "已发送彩信", "13900000009", "彩信的标题");
    msgrec::SetField(r.szSubmitTime, "2008-05-01 12:30:00");
    msgrec::SetField(r.szResult, "不显示");
    msgrec::SetField(r.szPackage, "组\\包");
    msgrec::SetField(r.szFiles, "91-00.txt#91-00.gif#");
    WriteLog({r});
    page->OnSearchAgain();
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 4), "彩信的标题");
    EXPECT_EQ(Cell(0, 5), "2008-05-01 12:30:00");
    EXPECT_EQ(Cell(0, 6), "组\\包");
    EXPECT_EQ(Cell(0, 12), "91-00.txt#91-00.gif#");
    // An arriving record gets the same cells.
    MsgRecord late = r;
    late.nId = 10;
    page->AddLogRecord(&late);
    ASSERT_TRUE(DrainUi());
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(0, 5), "2008-05-01 12:30:00");
}

TEST_F(MmsPageTest, ViewerStartsOnAMissingPackageAndSentMmsHasNoFolder) {
    // A stand-in player that writes its arguments beside itself.
    const std::string player = paths::AppFile("MMSPlayer");
    testsupport::WriteFile(player, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\n");
    fs::permissions(player, fs::perms::owner_all);
    MsgRecord r = Rec(9, "已发送彩信", "13900000009", "标题");
    msgrec::SetField(r.szPackage, "文件彩信\\已删除");
    msgrec::SetField(r.szFiles, "91-00.txt#");
    WriteLog({r});
    page->OnSearchAgain();
    Select({0});
    page->OnViewContent();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return fs::exists(player + ".args"); }));
    std::string args;
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        std::ifstream in(player + ".args");
        args.assign(std::istreambuf_iterator<char>(in), {});
        return !args.empty();
    }));
    EXPECT_EQ(args, paths::AppFile("MMSSink\\文件彩信\\已删除.qmx") + "\n");
    EXPECT_FALSE(fs::exists(paths::AppFile("MMSSink/文件彩信/已删除.qmx")));

    bool opened = false;
    seam::ScopedFolderOpener opener([&](const std::string&) { return opened = true; });
    page->OnViewReceivedResource();
    EXPECT_FALSE(opened);
    EXPECT_EQ(messages, std::vector<std::string>{"请先选择要查看资源的接收彩信！\r\n\r\n只有接收彩信记录才有此功能！"});
}

// At the size the tab control gives the page, every action button lies inside it and its text
// fits.
TEST_F(MmsPageTest, ActionButtonsFitTheirTexts) {
    QWidget host;
    host.resize(730, 376);
    page->setParent(&host);
    // The tab control sets the page's geometry whatever the page's minimum size.
    page->setGeometry(host.rect());
    host.show();
    QApplication::processEvents();
    for (const char* id : {"1005", "1003", "1052", "1012", "1004", "1002", "1051", "1080", "1047"}) {
        auto* b = page->findChild<QPushButton*>(id);
        ASSERT_NE(b, nullptr) << id;
        EXPECT_LE(b->geometry().right(), page->width()) << codec::FromQ(b->text());
        EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(b->text()) + 8) << codec::FromQ(b->text());
    }
    page->setParent(nullptr);
}

TEST_F(MmsPageTest, RenderForReview) {
    const char* out = std::getenv("SMS_SHOT_DIR");
    if (!out) GTEST_SKIP() << "SMS_SHOT_DIR not set";
    const char* statuses[5] = {"已发送彩信", "已送达彩信", "被拒收彩信", "接收彩信", "发送失败彩信"};
    std::vector<MsgRecord> recs;
    for (int i = 0; i < 5; ++i) {
        MsgRecord r = Rec(i + 1, statuses[i], "1390000000" + std::to_string(i), "周末会员专享活动彩信");
        msgrec::SetField(r.szName, "张三");
        msgrec::SetField(r.szPackage, "活动彩信\\第1期");
        msgrec::SetField(r.szSubmitTime, i == 1 ? "2008-05-01 10:00:09" : "");
        msgrec::SetField(r.szSize, "12K");
        msgrec::SetField(r.szFiles, i == 3 ? "D:\\RecvMMS\\4" : "11106140309-00.txt#11106140309-00.gif#");
        recs.push_back(r);
    }
    WriteLog(recs);
    page->resize(760, 420);
    page->show();
    page->OnSearchAgain();
    Select({1});
    QApplication::processEvents();
    page->grab().save(QString(out) + "/page139.png");
}

}  // namespace
