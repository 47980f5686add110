// The export convention: the save dialog's request, the old file deleted first, the refusal.
#include "core/ExcelExport.h"

#include "platform/Seams.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace {

struct Answers {
    std::optional<std::string> path;
    std::vector<seam::FileDialogRequest> asked;
    std::vector<std::string> messages;
};

std::optional<std::string> Ask(Answers& a) {
    seam::ScopedFileDialog dialog([&](const seam::FileDialogRequest& r) {
        a.asked.push_back(r);
        return a.path;
    });
    seam::ScopedMessageBox box([&](const std::string& text, int) {
        a.messages.push_back(text);
        return 1;
    });
    return excel::AskExcelExportPath("输入记录保存的Excel文件名");
}

TEST(ExcelExportTest, AsksDeletesFirstAndRefusesWhatCannotGo) {
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();

    Answers cancelled;
    EXPECT_FALSE(Ask(cancelled));
    ASSERT_EQ(cancelled.asked.size(), 1u);
    const seam::FileDialogRequest& r = cancelled.asked[0];
    EXPECT_TRUE(r.save);
    EXPECT_EQ(r.title, "输入记录保存的Excel文件名");
    EXPECT_EQ(r.filter, "电子表格文件(*.XLS)|*.XLS|");
    EXPECT_EQ(r.defaultExt, "XLS");
    EXPECT_TRUE(cancelled.messages.empty());

    Answers fresh{base + "/new.xls"};
    EXPECT_EQ(Ask(fresh), base + "/new.xls");

    Answers old{base + "/old.xls"};
    std::ofstream(*old.path) << "old";
    EXPECT_EQ(Ask(old), *old.path);
    EXPECT_FALSE(std::filesystem::exists(*old.path));
    EXPECT_TRUE(old.messages.empty());

    // A folder of that name is not deleted: the two-line message, and no path.
    Answers folder{base + "/taken.xls"};
    std::filesystem::create_directories(*folder.path + "/inside");
    EXPECT_FALSE(Ask(folder));
    EXPECT_EQ(folder.messages, std::vector<std::string>{"删除原有Excel文件失败！\n请选择新的Excel文件名"});
    EXPECT_TRUE(std::filesystem::exists(*folder.path + "/inside"));
}

}  // namespace
