// The reply-log viewer: "RL.dat" read whole, deletes and clears that keep what the engine
// appends meanwhile, and the export read back by freexl and xlrd.
#include "AutoReplyFixture.h"
#include "contacts/AutoReplyDialogs.h"
#include "contacts/AutoReplyLog.h"
#include "platform/AtomicFile.h"
#include "platform/Seams.h"
#include "support/XlsReadBack.h"
#include "uikit/SkinButton.h"
#include "uikit/SortListCtrl.h"

#include <QApplication>

#include <atomic>
#include <filesystem>
#include <thread>

using namespace autoreply;
using namespace autoreplytest;

namespace {

std::string Record(const std::string& status, const std::string& mobile, const std::string& query,
                   const std::string& reply, const std::string& port = "") {
    AutoReplyLogRecord r{};
    msgrec::SetField(r.status, status);
    msgrec::SetField(r.time, "2026-12-10 08:30:05");
    msgrec::SetField(r.mobile, mobile);
    msgrec::SetField(r.query, query);
    msgrec::SetField(r.reply, reply);
    msgrec::SetField(r.port, port);
    return std::string(reinterpret_cast<const char*>(&r), sizeof r);
}
std::string Numbered(int i) { return Record("已回复", "139" + std::to_string(10000000 + i), "q" + std::to_string(i), "r"); }

std::vector<std::string> Queries(CReplyLogView& v) {
    std::vector<std::string> out;
    for (const rows::RowData& r : v.Rows().Snapshot()) out.push_back(r.cells[kLogQuery]);
    return out;
}
std::vector<std::string> FileQueries() {
    std::vector<std::string> out;
    for (const AutoReplyLogRecord& r : ReadLog()) out.push_back(codec::FromGbkField(r.query, sizeof r.query));
    return out;
}
rows::RowId IdAt(CReplyLogView& v, std::size_t i) { return v.Rows().IdAt(i); }

class AutoReplyLog : public ::testing::Test {
protected:
    std::string LogPath() const { return dir.file(kLogFileName); }
    void Write(const std::string& bytes) { testsupport::WriteFile(LogPath(), bytes); }
    testsupport::TempAppDir dir;
};

TEST_F(AutoReplyLog, LoadsWholeRecordsInFileOrder) {
    CReplyLogView v;
    v.Load(LogPath());  // missing
    EXPECT_EQ(v.Rows().Count(), 0u);
    Write("");
    v.Load(LogPath());
    EXPECT_EQ(v.Rows().Count(), 0u);

    Write(Record("未回复", "13900000001", "查询", "<未设置循环回复内容>", "COM1") + Numbered(1) + "torn");
    v.Load(LogPath());
    ASSERT_EQ(v.Rows().Count(), 2u);
    const rows::RowData r = v.Rows().Snapshot()[0];
    EXPECT_EQ(r.cells, (std::vector<std::string>{"未回复", "2026-12-10 08:30:05", "", "13900000001", "查询",
                                                 "<未设置循环回复内容>", "", "COM1"}));
    EXPECT_EQ(v.FileIndex(IdAt(v, 1)), 1);

    // A log big enough to be read in several slices side by side.
    std::string big;
    for (int i = 0; i < 60000; ++i) big += Numbered(i);
    Write(big + "torn");
    v.Load(LogPath());
    ASSERT_EQ(v.Rows().Count(), 60000u);
    const std::vector<std::string> queries = Queries(v);
    for (int i = 0; i < 60000; ++i) ASSERT_EQ(queries[i], "q" + std::to_string(i));
    for (int i = 0; i < 60000; i += 997) ASSERT_EQ(v.FileIndex(IdAt(v, i)), i);
}

TEST_F(AutoReplyLog, DeleteRemovesTheRecordsOfTheRows) {
    // Identical records: the one of the selected row goes, by its place.
    const std::string same = Numbered(7);
    Write(Numbered(0) + same + same + Numbered(3) + same + "tail");
    CReplyLogView v;
    v.Load(LogPath());
    ASSERT_TRUE(v.Delete({IdAt(v, 2), IdAt(v, 0)}));
    EXPECT_EQ(Queries(v), (std::vector<std::string>{"q7", "q3", "q7"}));
    EXPECT_EQ(testsupport::ReadFile(LogPath()), same + Numbered(3) + same + "tail");
    // The rows left know their new places.
    EXPECT_EQ(v.FileIndex(IdAt(v, 2)), 2);
    ASSERT_TRUE(v.Delete({IdAt(v, 2)}));
    EXPECT_EQ(testsupport::ReadFile(LogPath()), same + Numbered(3) + "tail");

    // A record changed under the viewer stays; its row goes.
    Write(Numbered(5) + Numbered(3));
    ASSERT_TRUE(v.Delete({IdAt(v, 0)}));
    EXPECT_EQ(testsupport::ReadFile(LogPath()), Numbered(5) + Numbered(3));
    EXPECT_EQ(Queries(v), (std::vector<std::string>{"q3"}));
}

TEST_F(AutoReplyLog, ClearKeepsRecordsAppendedSinceTheViewerOpened) {
    Write(Numbered(0) + Numbered(1));
    CReplyLogView v;
    v.Load(LogPath());
    const std::string later = Numbered(2);
    ASSERT_TRUE(files::AppendRecords(LogPath(), kLogRecordSize, later.data(), 1));
    ASSERT_TRUE(v.Clear());
    EXPECT_EQ(v.Rows().Count(), 0u);
    EXPECT_EQ(testsupport::ReadFile(LogPath()), later);
}

TEST_F(AutoReplyLog, ALogThatCannotBeReadKeepsTheRows) {
    Write(Numbered(0) + Numbered(1));
    CReplyLogView v;
    v.Load(LogPath());
    // Something that opens but does not read as a file (root reads and writes anywhere).
    std::filesystem::remove(LogPath());
    std::filesystem::create_directory(LogPath());
    EXPECT_FALSE(v.Delete({IdAt(v, 0)}));
    EXPECT_FALSE(v.Clear());
    EXPECT_EQ(v.Rows().Count(), 2u);
    EXPECT_TRUE(std::filesystem::is_directory(LogPath()));
}

TEST(AutoReplyLogThreads, DeleteAndClearWhileTheEngineAppends) {
    testsupport::TempAppDir dir;
    const std::string path = dir.file(kLogFileName);
    std::string image;
    for (int i = 0; i < 200; ++i) image += Numbered(i);
    testsupport::WriteFile(path, image);
    CReplyLogView v;
    v.Load(path);

    CAutoReply engine;
    std::atomic<int> appended{0};
    std::atomic<bool> stop{false};
    std::thread appender([&] {
        while (!stop) {
            AutoReplyLogRecord r{};
            msgrec::SetField(r.status, "已回复");
            msgrec::SetField(r.query, "new" + std::to_string(appended.load()));
            engine.AppendLog(r);
            ++appended;
        }
    });
    ASSERT_TRUE(testsupport::WaitUntil([&] { return appended >= 20; }));
    std::vector<rows::RowId> picked;
    for (std::size_t i = 0; i < 200; i += 3) picked.push_back(IdAt(v, i));
    const bool deleted = v.Delete(picked);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return appended >= 60; }));
    const bool cleared = v.Clear();
    const int before = appended;
    ASSERT_TRUE(testsupport::WaitUntil([&] { return appended >= before + 20; }));
    stop = true;
    appender.join();
    ASSERT_TRUE(deleted);
    ASSERT_TRUE(cleared);

    // Only the appended records are left, every one of them, in order.
    const std::vector<std::string> left = FileQueries();
    ASSERT_EQ(left.size(), static_cast<std::size_t>(appended.load()));
    for (int i = 0; i < appended; ++i) EXPECT_EQ(left[i], "new" + std::to_string(i));
}

TEST_F(AutoReplyLog, DeleteWhileAppendingRemovesExactlyTheSelection) {
    std::string image;
    for (int i = 0; i < 50; ++i) image += Numbered(i);
    Write(image);
    CReplyLogView v;
    v.Load(LogPath());
    const std::string later = Numbered(99);
    ASSERT_TRUE(files::AppendRecords(LogPath(), kLogRecordSize, later.data(), 1));
    ASSERT_TRUE(v.Delete({IdAt(v, 49), IdAt(v, 10)}));
    std::vector<std::string> expect;
    for (int i = 0; i < 50; ++i)
        if (i != 10 && i != 49) expect.push_back("q" + std::to_string(i));
    EXPECT_EQ(Queries(v), expect);
    expect.push_back("q99");
    EXPECT_EQ(FileQueries(), expect);
}

// ---- The dialog ------------------------------------------------------------------------------------

class AutoReplyRecordDialog : public AutoReplyLog {
protected:
    void SetUp() override { box = std::make_unique<seam::ScopedMessageBox>(Answer()); }
    seam::MessageBoxFn Answer() {
        return [this](const std::string& t, int) {
            messages.push_back(t);
            return answer;
        };
    }
    std::vector<std::string> messages;
    int answer = 1;
    std::unique_ptr<seam::ScopedMessageBox> box;
};

TEST_F(AutoReplyRecordDialog, DeleteClearAndTheirQuestions) {
    CAutoReplyRecordDlg empty;
    empty.ShowForHook();
    EXPECT_EQ(empty.m_list->GetColumnCount(), 6);
    EXPECT_TRUE(empty.m_list->GridLines());
    empty.m_btnDelete->click();
    empty.m_btnClear->click();
    empty.m_btnExport->click();
    EXPECT_EQ(messages, (std::vector<std::string>{"请先选择要删除的彩信查询记录！", "列表中没有可清除的彩信查询记录！",
                                                  "列表中没有可导出的彩信查询记录！"}));

    Write(Numbered(0) + Numbered(1) + Numbered(2));
    CAutoReplyRecordDlg dlg;
    dlg.ShowForHook();
    ASSERT_EQ(dlg.m_list->GetItemCount(), 3);
    messages.clear();
    dlg.m_list->SetItemSelected(1, true);
    answer = 0;
    dlg.m_btnDelete->click();
    EXPECT_EQ(dlg.m_list->GetItemCount(), 3);
    answer = 1;
    dlg.m_btnDelete->click();
    EXPECT_EQ(dlg.m_list->GetItemCount(), 2);
    EXPECT_EQ(FileQueries(), (std::vector<std::string>{"q0", "q2"}));
    dlg.m_btnClear->click();
    EXPECT_EQ(dlg.m_list->GetItemCount(), 0);
    EXPECT_EQ(testsupport::ReadFile(LogPath()), "");
    EXPECT_EQ(messages, (std::vector<std::string>{"真的要删除选中的彩信查询记录吗？", "真的要删除选中的彩信查询记录吗？",
                                                  "真的要清空列表中的所有彩信查询记录吗？"}));
}

TEST_F(AutoReplyRecordDialog, ExportReadBack) {
    Write(Record("已回复", "13900000001", "it's", "彩信文件：G\\N", "COM3") + Record("查询限制", "", "", "") +
          Record("未回复", "13900000002", "天气", "<未设置循环回复内容>"));
    const std::string xls = dir.file("out.xls");
    testsupport::WriteFile(xls, "old content");
    std::vector<seam::FileDialogRequest> asked;
    seam::ScopedFileDialog files([&](const seam::FileDialogRequest& r) {
        asked.push_back(r);
        return std::optional<std::string>(xls);
    });
    CAutoReplyRecordDlg dlg;
    dlg.ShowForHook();
    if (const char* out = std::getenv("SMS_RENDER_DIR")) {
        QCoreApplication::processEvents();
        dlg.grab().save(QString(out) + "/autoreply-log.png");
    }
    dlg.m_btnExport->click();
    EXPECT_EQ(messages, std::vector<std::string>{"Excel文件写入成功！"});
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].save);
    EXPECT_EQ(asked[0].title, "输入记录保存的Excel文件名");
    EXPECT_EQ(asked[0].defaultExt, "XLS");

    const xlsread::Rows expect = {
        {"状态", "时间", "姓名", "手机号", "查询短信内容", "彩信名称", "途经串口"},
        {"已回复", "2026-12-10 08:30:05", " ", "13900000001", "it's", "彩信文件：G\\N", "COM3"},
        {"查询限制", "2026-12-10 08:30:05", " ", " ", " ", " ", " "},
        {"未回复", "2026-12-10 08:30:05", " ", "13900000002", "天气", "<未设置循环回复内容>", " "},
    };
    const xlsread::Sheet sheet = xlsread::ReadFreexl(xls);
    ASSERT_EQ(sheet.error, 0);
    EXPECT_EQ(sheet.name, "彩信记录");
    EXPECT_EQ(sheet.rows, expect);
    std::string dump = "彩信记录\n4\n";
    for (const auto& row : expect) {
        for (std::size_t i = 0; i < row.size(); ++i) dump += (i ? "|" : "") + row[i];
        dump += "\n";
    }
    EXPECT_EQ(xlsread::RunPython(xlsread::kXlrdDump, xls), dump);
}

TEST_F(AutoReplyRecordDialog, ExportFailures) {
    Write(Numbered(0));
    CAutoReplyRecordDlg dlg;
    dlg.ShowForHook();
    // A folder of that name is not deleted.
    const std::string folder = dir.file("folder.xls");
    std::filesystem::create_directory(folder);
    {
        seam::ScopedFileDialog files([&](const seam::FileDialogRequest&) { return std::optional<std::string>(folder); });
        dlg.m_btnExport->click();
    }
    // A target whose folder is missing cannot be written.
    {
        seam::ScopedFileDialog files(
            [&](const seam::FileDialogRequest&) { return std::optional<std::string>(dir.file("none/out.xls")); });
        dlg.m_btnExport->click();
    }
    EXPECT_EQ(messages, (std::vector<std::string>{"删除原有Excel文件失败！\n请选择新的Excel文件名",
                                                  "Excel驱动没有安装，Excel文件写入失败！"}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("none")));

    // More rows than one sheet holds: the first 65,535 written, the others told.
    rows::RowStore many(kLogCells);
    std::vector<rows::PackedRow> packed(65537);
    many.AssignPacked(std::move(packed));
    EXPECT_EQ(ExportLog(many, dir.file("many.xls")),
              "Excel 97-2003工作表最多容纳65535行记录：已写入65535行，其余2行未导出！");
    EXPECT_EQ(xlsread::ReadFreexl(dir.file("many.xls")).rows.size(), 65536u);
    many.Remove(many.IdAt(0));  // exactly one row past the sheet
    EXPECT_EQ(ExportLog(many, dir.file("many.xls")),
              "Excel 97-2003工作表最多容纳65535行记录：已写入65535行，其余1行未导出！");
    EXPECT_EQ(xlsread::ReadFreexl(dir.file("many.xls")).rows.size(), 65536u);
    many.Remove(many.IdAt(0));
    EXPECT_EQ(ExportLog(many, dir.file("many.xls")), "Excel文件写入成功！");
}

}  // namespace
