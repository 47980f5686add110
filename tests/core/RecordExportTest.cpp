// Excel export of the records pages read back with freexl and python3-xlrd, the media of
// received MMS beside the workbook, and the resource export's refusals.
#include "RecordPageSupport.h"

#include "compose/MMSDialogs.h"
#include "compose/MMSPackage.h"
#include "core/ExcelExport.h"
#include "core/MMSRecordDlg.h"
#include "core/RecordExport.h"
#include "core/RecordForward.h"
#include "platform/TextCodec.h"
#include "support/XlsReadBack.h"

#include "uikit/FlatComboBox.h"
#include "uikit/SkinEdit.h"

#include <gtest/gtest.h>

#include <QRadioButton>

#include <filesystem>
#include <fstream>

using namespace recordtest;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Files(const std::string& folder) {
    std::vector<std::string> out;
    if (!fs::is_directory(folder)) return out;
    for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

template <class Page>
struct ExportFixture : ::testing::Test, PageFixtureOf<Page> {
    std::optional<std::string> chosen;
    std::vector<seam::FileDialogRequest> asked;
    seam::ScopedFileDialog files{[this](const seam::FileDialogRequest& r) {
        asked.push_back(r);
        return chosen;
    }};
    std::string Export(const std::vector<MsgRecord>& recs) {
        this->WriteLog(recs);
        this->page->OnSearchAgain();
        chosen = this->dir.file("out/records.xls");
        fs::create_directories(this->dir.file("out"));
        this->messages.clear();
        this->page->OnExportExcel();
        return *chosen;
    }
};
using SmsExport = ExportFixture<CSMSRecordDlg>;
using MmsExport = ExportFixture<CMMSRecordDlg>;

TEST_F(SmsExport, ThreeSmsRowsWithBlankMediaAndAnEmptyMediaFolder) {
    MsgRecord a = Rec(11, "已发送短信", "13900000001", "他说'你好'", "2008-05-01 10:00:00", "O'Brien");
    msgrec::SetField(a.szResult, "成功");
    const std::string file =
        Export({a, Rec(12, "接收短信", "13900000002", "第二条"), Rec(13, "发送失败短信", "", "", "2008-05-02 11:00:00", "李四")});
    EXPECT_EQ(messages, std::vector<std::string>{recexport::kDoneText});
    EXPECT_EQ(asked.back().title, "输入记录保存的Excel文件名");
    EXPECT_EQ(asked.back().filter, "电子表格文件(*.XLS)|*.XLS|");
    const xlsread::Rows expect = {
        recexport::Columns(),
        {"13", "发送失败短信", "2008-05-02 11:00:00", "李四", " ", " ", " ", " ", " ", " ", " ", " ", " "},
        {"12", "接收短信", "2008-05-01 10:00:00", " ", "13900000002", "第二条", " ", " ", " ", " ", " ", " ", " "},
        {"11", "已发送短信", "2008-05-01 10:00:00", "O'Brien", "13900000001", "他说\"你好\"", "成功", " ", " ", " ", " ",
         " ", " "},
    };
    const xlsread::Sheet s = xlsread::ReadFreexl(file);
    ASSERT_EQ(s.error, FREEXL_OK);
    EXPECT_EQ(s.name, "彩信记录");
    EXPECT_EQ(s.rows, expect);
    const std::string xlrd = xlsread::RunPython(xlsread::kXlrdDump, file);
    EXPECT_EQ(xlrd.substr(0, xlrd.find('\n', xlrd.find('\n') + 1)), "彩信记录\n4");
    EXPECT_NE(xlrd.find("11|已发送短信|2008-05-01 10:00:00|O'Brien|13900000001|他说\"你好\"|成功| | | | | | \n"),
              std::string::npos)
        << xlrd;
    EXPECT_TRUE(fs::is_directory(dir.file("out/彩信资源")));
    EXPECT_TRUE(Files(dir.file("out/彩信资源")).empty());
}

TEST_F(SmsExport, RefusalsWriteNothing) {
    page->OnExportExcel();  // an empty list
    EXPECT_EQ(messages, std::vector<std::string>{"列表中没有可导出的记录！"});
    fs::create_directories(dir.file("out/taken.xls"));
    WriteLog({Rec(1, "已发送短信", "13900000001")});
    page->OnSearchAgain();
    chosen = dir.file("out/taken.xls");  // a folder in place of the file
    messages.clear();
    page->OnExportExcel();
    EXPECT_EQ(messages, std::vector<std::string>{excel::kDeleteFailedText});
    EXPECT_TRUE(fs::is_directory(dir.file("out/taken.xls")));
    EXPECT_FALSE(fs::exists(dir.file("out/彩信资源")));
    chosen.reset();  // cancelled
    messages.clear();
    page->OnExportExcel();
    EXPECT_TRUE(messages.empty());
}

TEST_F(MmsExport, ReceivedMmsBringTheirMedia) {
    const std::string recv = dir.file("recv/20260101");
    fs::create_directories(recv + "/sub");
    for (const char* f : {"RecvMMS.ini", "RecvMMS.smil", "a.jpg", "b.amr", "c.txt", "d.gif", "e.mid", "f.txt", "图.png"})
        testsupport::WriteFile(recv + "/" + f, std::string("data of ") + f);
    MsgRecord got = Rec(5, "接收彩信", "13900000005", "收到的彩信");
    msgrec::SetField(got.szFiles, recv);
    msgrec::SetField(got.szSubmitTime, "2008-05-01 12:00:00");
    MsgRecord dotdot = Rec(6, "接收彩信", "13900000006", "点点");
    msgrec::SetField(dotdot.szFiles, dir.file("recv/20260101/.."));
    MsgRecord sent = Rec(7, "已发送彩信", "13900000007", "发出的");
    msgrec::SetField(sent.szFiles, "7-00.txt#7-01.gif#");
    msgrec::SetField(sent.szPackage, "文件彩信\\x");
    const std::string file = Export({got, dotdot, sent});
    EXPECT_EQ(messages, std::vector<std::string>{recexport::kDoneText});
    // Seven media files copied, the two description files and the folder left out.
    EXPECT_EQ(Files(dir.file("out/彩信资源/20260101")),
              (std::vector<std::string>{"a.jpg", "b.amr", "c.txt", "d.gif", "e.mid", "f.txt", "图.png"}));
    std::ifstream in(dir.file("out/彩信资源/20260101/图.png"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "data of 图.png");
    // The ".." folder gets no copies: nothing beside the workbook, nothing in the export folder.
    EXPECT_EQ(Files(dir.file("out")), (std::vector<std::string>{"records.xls", "彩信资源"}));
    EXPECT_EQ(Files(dir.file("out/彩信资源")), std::vector<std::string>{"20260101"});

    const xlsread::Sheet s = xlsread::ReadFreexl(file);
    ASSERT_EQ(s.error, FREEXL_OK);
    ASSERT_EQ(s.rows.size(), 4u);
    EXPECT_EQ(s.rows[1], (std::vector<std::string>{"7", "已发送彩信", "2008-05-01 10:00:00", " ", "13900000007", "发出的", " ",
                                                   "文件彩信\\x", " ", " ", " ", " ", " "}));
    EXPECT_EQ(std::vector<std::string>(s.rows[2].begin() + 8, s.rows[2].end()), std::vector<std::string>(5, " "));
    EXPECT_EQ(s.rows[3], (std::vector<std::string>{"5", "接收彩信", "2008-05-01 10:00:00", " ", "13900000005", "收到的彩信",
                                                   "2008-05-01 12:00:00", " ", "彩信资源\\20260101\\a.jpg",
                                                   "彩信资源\\20260101\\b.amr", "彩信资源\\20260101\\c.txt",
                                                   "彩信资源\\20260101\\d.gif", "彩信资源\\20260101\\e.mid"}));
}

TEST(RecordExportRows, FullSheetKeepsItsRowsAndLongTextsNeedContinueAndDifat) {
    testsupport::TempAppDir dir;
    // 65,536 rows of distinct Chinese texts: one past the sheet's room, over 7 MB of strings.
    std::vector<std::vector<std::string>> rows(65536);
    std::string title;
    for (int i = 0; i < 20; ++i) title += "彩信标题";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string n = std::to_string(i);
        rows[i] = {"已发送彩信", "2008-05-01 10:00:00", "姓名" + n, "139" + n, title + n, "", "包" + n, "", "", n, "", "0",
                   "a#b#"};
    }
    const std::string file = dir.file("big.xls");
    std::size_t last = 0;
    EXPECT_EQ(recexport::ExportRows(file, rows, [&](std::size_t done, std::size_t) { last = done; return true; }),
              "Excel 97-2003工作表最多容纳65535行记录：已写入65535行，其余1行未导出！");
    EXPECT_EQ(last, 65535u);
    EXPECT_GT(fs::file_size(file), 7u * 1024 * 1024);
    const xlsread::Sheet s = xlsread::ReadFreexl(file);
    ASSERT_EQ(s.error, FREEXL_OK);
    ASSERT_EQ(s.rows.size(), 65536u);
    EXPECT_EQ(s.rows[65535][0], "65534");
    EXPECT_EQ(s.rows[65535][5], title + "65534");
    const std::string xlrd = xlsread::RunPython(
        "import sys, xlrd\nb = xlrd.open_workbook(sys.argv[1])\ns = b.sheet_by_index(0)\n"
        "sys.stdout.buffer.write(('%d|%s|%s' % (s.nrows, s.cell_value(40000, 5), s.cell_value(65535, 4))).encode('utf-8'))\n",
        file);
    EXPECT_EQ(xlrd, "65536|" + title + "39999|13965534");

    rows.pop_back();  // 65,535 rows fit
    EXPECT_EQ(recexport::ExportRows(file, rows), recexport::kDoneText);
    EXPECT_EQ(xlsread::ReadFreexl(file).rows.size(), 65536u);
    // The first part of a longer list, as the page hands it over.
    EXPECT_EQ(recexport::ExportRows(file, rows, {}, 70000),
              "Excel 97-2003工作表最多容纳65535行记录：已写入65535行，其余4465行未导出！");
    EXPECT_EQ(xlsread::ReadFreexl(file).rows.size(), 65536u);
}

// The page's export of a list longer than a sheet: the first 65,535 rows in list order, and
// the message says how many were left out.
TEST_F(SmsExport, AListLongerThanASheetSaysHowManyRowsWereLeftOut) {
    chosen = dir.file("long.xls");
    const struct {
        std::size_t listed;
        std::string message;
    } cases[] = {
        {65536, "Excel 97-2003工作表最多容纳65535行记录：已写入65535行，其余1行未导出！"},
        {65540, "Excel 97-2003工作表最多容纳65535行记录：已写入65535行，其余5行未导出！"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.listed);
        std::vector<rows::PackedRow> list(c.listed);
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string n = std::to_string(i);
            const std::vector<std::string> cells = {"已发送短信", "2008-05-01 10:00:00", "", "139" + n, "短信" + n, "", "", "",
                                                    "", n, "", "", ""};
            for (std::size_t k = 0; k < cells.size(); ++k) list[i].cells += (k ? std::string(1, '\0') : "") + cells[k];
        }
        page->Rows().AssignPacked(std::move(list));
        ASSERT_EQ(Rows(), static_cast<int>(c.listed));
        messages.clear();
        page->OnExportExcel();
        EXPECT_EQ(messages, std::vector<std::string>{c.message});
        const xlsread::Sheet s = xlsread::ReadFreexl(*chosen);
        ASSERT_EQ(s.error, FREEXL_OK);
        ASSERT_EQ(s.rows.size(), 65536u);
        EXPECT_EQ(s.rows[1][0], Cell(0, 9));
        EXPECT_EQ(s.rows[65535][0], Cell(65534, 9));
    }
}

TEST_F(SmsExport, ResourceExportRefusals) {
    WriteLog({Rec(1, "已发送短信", "13900000001"), Rec(2, "已发送彩信", "13900000002")});
    page->OnSearchAgain();
    page->OnExportResource();
    Select({1});  // the SMS record
    page->OnExportResource();
    Select({0});  // an MMS record whose package is not in the library
    page->OnExportResource();
    EXPECT_EQ(messages, (std::vector<std::string>{"请先选择要导出资源的彩信！",
                                                  "请先选择要导出资源的彩信！\r\n\r\n只有彩信记录才有可导出的资源！",
                                                  recforward::kNoPackageText}));
}

TEST_F(MmsExport, ResourceExportByEachRoad) {
    CMMSPackage maker;
    maker.m_strWorkFolder = dir.file("make");
    fs::create_directories(maker.m_strWorkFolder);
    maker.New();
    maker.SetText(0, "第一帧", 0);
    maker.SetText(1, "第二帧", 0);
    fs::create_directories(dir.file("MMSSink/组"));
    ASSERT_EQ(maker.Save(dir.file("MMSSink/组/包.qmx"), 0), 1);
    testsupport::WriteFile(dir.file("MMSSink/空.qmx"), "");
    fs::create_directories(dir.file("res"));
    MsgRecord a = Rec(1, "已发送彩信", "13900000001");
    msgrec::SetField(a.szPackage, "组\\包");
    MsgRecord empty = Rec(2, "已发送彩信", "13900000002");
    msgrec::SetField(empty.szPackage, "空");
    WriteLog({a, empty});
    page->OnSearchAgain();

    struct Case {
        const char* name;
        int row;
        int type, dest;  // -1: the option dialog cancelled
        std::optional<std::string> chosen;
        std::string message;  // empty: none
        std::string made;     // what the road wrote
    } cases[] = {
        {"into the library", 1, 0, 0, std::nullopt, "导出彩信资源完毕！", "MMSSink/导出组/导出名.qmx"},
        {"as a package file", 1, 0, 1, dir.file("res/copy.qmx"), "导出彩信资源完毕！", "res/copy.qmx"},
        {"as separate files", 1, 1, 0, dir.file("res/彩信资源"), "导出彩信资源完毕！", "res/彩信资源/01.txt"},
        {"package file not writable", 1, 0, 1, dir.file("res/copy.qmx/x.qmx"), "彩信资源文件保存失败！", ""},
        {"save dialog cancelled", 1, 0, 1, std::nullopt, "", ""},
        {"option dialog cancelled", 1, -1, 0, std::nullopt, "", ""},
        {"empty package", 0, 0, 1, dir.file("res/none.qmx"), recforward::kNoPackageText, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedModalRun run([&](CSkinDialog& d) {
            d.ShowForHook();
            if (auto* o = dynamic_cast<CExportOptionDlg*>(&d)) {
                if (c.type < 0) {
                    o->OnCancel();
                    return o->result();
                }
                (c.type == 1 ? o->m_radioFiles : o->m_radioQmxs)->setChecked(true);
                (c.dest == 1 ? o->m_radioOutside : o->m_radioSink)->setChecked(true);
            } else if (auto* g = dynamic_cast<CImportMMSGroupDlg*>(&d)) {
                g->m_cmbGroup->setCurrentText(codec::ToQ("导出组"));
                g->m_editName->setText(codec::ToQ("导出名"));
            }
            d.OnOK();
            return d.result();
        });
        chosen = c.chosen;
        messages.clear();
        Select({c.row});
        page->OnExportResource();
        EXPECT_EQ(messages, c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message});
        if (!c.made.empty()) EXPECT_TRUE(fs::exists(dir.file(c.made)));
        EXPECT_TRUE(Files(dir.file("MsgLogTemp")).empty());  // the work folder emptied again
    }
    // The package file and the library copy hold both frames.
    for (const char* made : {"MMSSink/导出组/导出名.qmx", "res/copy.qmx"}) {
        CMMSPackage back;
        back.m_strWorkFolder = dir.file("back");
        fs::create_directories(back.m_strWorkFolder);
        back.Open(dir.file(made));
        EXPECT_STRNE(back.Frame(1).szText, "") << made;
    }
    EXPECT_EQ(Files(dir.file("res/彩信资源")), (std::vector<std::string>{"00.txt", "01.txt", "QMX.ini"}));

    // Names holding ".xml" stay behind.
    fs::create_directories(dir.file("work"));
    for (const char* f : {"00.txt", "smil.xml", "a.xml.bak"}) testsupport::WriteFile(dir.file("work/") + f, f);
    EXPECT_EQ(recexport::CopyResourceFiles(dir.file("work"), dir.file("res/only")), 1);
    EXPECT_EQ(Files(dir.file("res/only")), std::vector<std::string>{"00.txt"});
}

}  // namespace
