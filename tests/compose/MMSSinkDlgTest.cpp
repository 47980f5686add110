// The MMS library page on a temporary program folder: listings, groups, rename, import, export,
// sending and the reply list, with the library dialogs answered through the modal-run hook.
#include "compose/MMSPackage.h"
#include "compose/MMSLibrary.h"
#include "compose/MMSSink.h"
#include "compose/MMSSinkDlg.h"
#include "compose/MmsSend.h"
#include "compose/SendMMSDlg.h"
#include "contacts/AutoReplyDlg.h"
#include "core/PageGlobals.h"
#include "core/SMSServerDlg.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "support/MenuTestSupport.h"
#include "support/TestSupport.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinDialog.h"
#include "uikit/SortListCtrl.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <filesystem>

using codec::FromQ;
using codec::ToQ;
using testsupport::ChooseInNextMenu;
using testsupport::ReadFile;
using testsupport::WriteFile;
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

namespace {

// A package file of the library with one text frame.
std::string MakePackage(const testsupport::TempAppDir& dir, const std::string& group, const std::string& name,
                        const std::string& text) {
    CMMSPackage maker;
    maker.m_strWorkFolder = dir.file("make");
    fs::create_directories(maker.m_strWorkFolder);
    maker.New();
    maker.SetText(0, text, 0);
    fs::create_directories(dir.file("MMSSink/" + group));
    const std::string path = dir.file("MMSSink/" + group + "/" + name + ".qmx");
    EXPECT_EQ(maker.Save(path, 0), 1);
    return path;
}

// Answers the library dialogs by their controls: the group name dialog (234) gets `group`, the
// rename dialog (323) `rename`, the import dialog (330) the group `group` and the name `name`
// (left as preset when empty). OK is pressed; a dialog that stays open is cancelled.
struct Dialogs {
    std::string group, rename, name;
    std::vector<unsigned> runs;
    std::string preset;  // the import dialog's name as the page preset it
    ScopedModalRun run{[this](CSkinDialog& d) {
        runs.push_back(d.TemplateId());
        d.ShowForHook();
        auto edit = [&](const char* id) { return d.findChild<QLineEdit*>(id); };
        if (d.TemplateId() == 234) edit("1043")->setText(ToQ(group));
        if (d.TemplateId() == 323) edit("1043")->setText(ToQ(rename));
        if (d.TemplateId() == 330) {
            preset = FromQ(edit("1044")->text());
            d.findChild<QComboBox*>("1026")->setEditText(ToQ(group));
            if (!name.empty()) edit("1044")->setText(ToQ(name));
        }
        d.OnOK();
        if (d.isVisible()) d.OnCancel();
        return d.result();
    }};
};

struct SinkFixture : ::testing::Test {
    testsupport::TempAppDir dir;
    Strings messages;
    int answer = 1;  // reply to questions
    seam::ScopedMessageBox box{[this](const std::string& t, int type) {
        messages.push_back(t);
        return type == 1 ? answer : 1;
    }};
    seam::ScopedStandardBox stdBox{[this](const std::string& t) { messages.push_back(t); }};
    std::optional<std::string> chosen;  // the file dialog's answer
    std::vector<seam::FileDialogRequest> asked;
    seam::ScopedFileDialog files{[this](const seam::FileDialogRequest& r) {
        asked.push_back(r);
        return chosen;
    }};
    std::unique_ptr<CMMSSinkDlg> page;

    void SetUp() override {
        for (const char* g : {"接收彩信", "文件彩信", "二次开发彩信"}) fs::create_directories(dir.file(std::string("MMSSink/") + g));
        MakePackage(dir, "节日", "春节", "新年好");
        MakePackage(dir, "节日", "中秋", "月圆");
        MakePackage(dir, "广告", "促销", "五折");
        page = std::make_unique<CMMSSinkDlg>();
        page->resize(730, 376);
        g_pMMSSinkDlg = page.get();
        page->FillGroupTree();
    }
    void TearDown() override {
        g_pMMSSinkDlg = nullptr;
        page.reset();
    }
    Strings TreeGroups() const {
        Strings out;
        QTreeWidgetItem* root = page->RootItem();
        for (int i = 0; root && i < root->childCount(); ++i) out.push_back(FromQ(root->child(i)->text(0)));
        return out;
    }
    void Open(const std::string& group, const Strings& selected = {}) {
        ASSERT_TRUE(page->SelectGroup(group)) << group;
        page->SelectNames(selected);
    }
    std::string Package(const std::string& group, const std::string& name) {
        return dir.file("MMSSink/" + group + "/" + name + ".qmx");
    }
};


}  // namespace

TEST_F(SinkFixture, ListingKeepsOnlyPackagesSorted) {
    const struct { const char* entry; bool folder; bool listed; } cases[] = {
        {"b.qmx", false, true},     {"a.qmx.txt", false, false}, {"x.qmx", true, false},
        {".qmx", false, false},     {"a.qmx", false, true},      {"c.QMX", false, false},
        {"长名字.qmx", false, true}, {"qmx", false, false},
    };
    fs::create_directories(dir.file("MMSSink/G"));
    Strings expected;
    for (const auto& c : cases) {
        if (c.folder) fs::create_directories(dir.file("MMSSink/G/" + std::string(c.entry)));
        else WriteFile(dir.file("MMSSink/G/" + std::string(c.entry)), "x");
    }
    page->FillGroupTree();
    Open("G");
    EXPECT_EQ(page->ListNames(), (Strings{"a", "b", "长名字"}));
    EXPECT_EQ(mmslib::ListPackages("G"), page->ListNames());
    // The tree: the root, expanded, and the group folders in order; a file in "MMSSink" is none.
    WriteFile(dir.file("MMSSink/loose.qmx"), "x");
    page->FillGroupTree();
    EXPECT_EQ(FromQ(page->RootItem()->text(0)), "彩信仓库");
    EXPECT_TRUE(page->RootItem()->isExpanded());
    EXPECT_EQ(TreeGroups(), (Strings{"G", "二次开发彩信", "广告", "接收彩信", "节日", "文件彩信"}));
    EXPECT_EQ(page->SelectedGroup(), "G");  // a refill keeps the selected group
    EXPECT_EQ(page->ListNames(), (Strings{"a", "b", "长名字"}));
    page->m_tree->setCurrentItem(page->RootItem());
    EXPECT_EQ(page->ListNames(), Strings{});
}

TEST_F(SinkFixture, GroupDeleteRefusesRootAndReservedAndRemovesPackagesAndFolder) {
    page->m_tree->setCurrentItem(nullptr);
    page->OnBtnDeleteGroup();
    page->m_tree->setCurrentItem(page->RootItem());
    page->OnBtnDeleteGroup();
    for (const char* g : {"接收彩信", "文件彩信"}) {
        Open(g);
        page->OnBtnDeleteGroup();
    }
    EXPECT_EQ(messages, (Strings{"请先选中要删除的彩信分组！", "不能删除“彩信仓库”目录！\r\n\r\n请先选中要删除的彩信分组！",
                                 "“接收彩信”和“文件彩信”为系统保留目录，不能删除！",
                                 "“接收彩信”和“文件彩信”为系统保留目录，不能删除！"}));
    EXPECT_TRUE(fs::is_directory(dir.file("MMSSink/接收彩信")));

    messages.clear();
    Open("节日");
    answer = 0;
    page->OnBtnDeleteGroup();
    EXPECT_TRUE(fs::exists(Package("节日", "春节")));
    answer = 1;
    page->OnBtnDeleteGroup();
    EXPECT_EQ(messages, Strings(2, "删除彩信分组时，属于该分组的彩信也将同时删除。\r\n\r\n真的要删除选择的彩信分组吗？"));
    EXPECT_FALSE(fs::exists(dir.file("MMSSink/节日")));
    EXPECT_EQ(TreeGroups(), (Strings{"二次开发彩信", "广告", "接收彩信", "文件彩信"}));

    // A folder that cannot go (it holds a folder) stays in the tree, and the user is told.
    messages.clear();
    fs::create_directories(dir.file("MMSSink/广告/sub"));
    Open("广告");
    page->OnBtnDeleteGroup();
    EXPECT_EQ(messages.back(), "删除彩信分组失败！");
    EXPECT_FALSE(fs::exists(Package("广告", "促销")));
    EXPECT_EQ(TreeGroups(), (Strings{"二次开发彩信", "广告", "接收彩信", "文件彩信"}));
}

TEST_F(SinkFixture, RenameAsATable) {
    const std::string bytes = ReadFile(Package("节日", "春节"));
    const struct { const char* typed; Strings messages; Strings names; } cases[] = {
        {"春节", {}, {"春节", "中秋"}},                                        // same name: closes silently
        {"中秋", {"彩信仓库中已经存在同名彩信！"}, {"春节", "中秋"}},           // an existing name
        {"新 年", {}, {"春节", "中秋"}},                                       // a blank: the name check
        {"", {"请输入彩信的修改名称！"}, {"春节", "中秋"}},                     // empty
        {"  元旦", {}, {"元旦", "中秋"}},                                      // trimmed at the left
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        Open("节日", {"春节"});
        messages.clear();
        Dialogs dialogs;
        dialogs.rename = c.typed;
        page->OnBtnRename();
        EXPECT_EQ(dialogs.runs, std::vector<unsigned>{323});
        if (std::string(c.typed) == "新 年") {
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_NE(messages[0].find("输入框中不得包含下列字符"), std::string::npos);
        } else {
            EXPECT_EQ(messages, c.messages);
        }
        EXPECT_EQ(page->ListNames(), c.names);
    }
    EXPECT_EQ(ReadFile(Package("节日", "元旦")), bytes);
    EXPECT_FALSE(fs::exists(Package("节日", "春节")));
    EXPECT_EQ(mmslib::ListPackages("节日"), (Strings{"元旦", "中秋"}));
}

TEST_F(SinkFixture, RenameAndDeleteChangeARowOnlyWhenTheFileOperationSucceeded) {
    Open("节日");
    page->OnBtnRename();
    page->OnBtnDelete();
    page->OnBtnEdit();
    EXPECT_EQ(messages, (Strings{"请先选中要重命名的彩信！", "请先选中要删除的彩信！", "请先选中要编辑的彩信！"}));

    // The file went behind the page: the row keeps its name and the user is told.
    messages.clear();
    page->SelectNames({"春节"});
    fs::remove(Package("节日", "春节"));
    {
        Dialogs dialogs;
        dialogs.rename = "元宵";
        page->OnBtnRename();
    }
    EXPECT_EQ(messages, Strings{"重命名彩信失败，彩信名称未改变！"});
    EXPECT_EQ(page->ListNames(), (Strings{"春节", "中秋"}));
    EXPECT_FALSE(fs::exists(Package("节日", "元宵")));

    // Delete: a package that cannot go (a folder took its name) keeps its row.
    messages.clear();
    fs::create_directories(Package("节日", "春节") + "/x");
    page->SelectNames({"春节", "中秋"});
    answer = 0;
    page->OnBtnDelete();
    EXPECT_TRUE(fs::exists(Package("节日", "中秋")));
    answer = 1;
    page->OnBtnDelete();
    EXPECT_EQ(messages, (Strings{"真的要删除选中的彩信吗？", "真的要删除选中的彩信吗？", "删除彩信失败：春节"}));
    EXPECT_FALSE(fs::exists(Package("节日", "中秋")));
    EXPECT_EQ(page->ListNames(), Strings{"春节"});
}

TEST_F(SinkFixture, ImportIntoATypedGroupByteForByte) {
    const std::string source = MakePackage(dir, "外部", "gift", "礼物");
    fs::rename(source, dir.file("gift.qmx"));
    const std::string bytes = ReadFile(dir.file("gift.qmx"));
    Open("节日");
    chosen = dir.file("gift.qmx");
    {
        Dialogs dialogs;
        dialogs.group = "新组";
        dialogs.name = "礼物";
        page->OnBtnImport();
        EXPECT_EQ(dialogs.preset, "gift");
        EXPECT_EQ(dialogs.runs, std::vector<unsigned>{330});
    }
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_FALSE(asked[0].save);
    EXPECT_EQ(asked[0].title, "选择要打开的彩信资源文件名");
    EXPECT_EQ(asked[0].filter, "彩信资源文件(*.QMX)|*.QMX|");
    EXPECT_EQ(asked[0].defaultExt, "QMX");
    EXPECT_EQ(messages, Strings{});
    EXPECT_EQ(ReadFile(Package("新组", "礼物")), bytes);
    EXPECT_NE(std::find(TreeGroups().begin(), TreeGroups().end(), "新组"), TreeGroups().end());

    // Onto an existing package: the dialog asks, then the page; a no keeps it, yeses replace it.
    Open("节日");
    const std::string old = ReadFile(Package("节日", "春节"));
    const std::string dialogAsks = "指定目录下已经存在同名彩信文件,是否覆盖旧的同名彩信文件？";
    const std::string pageAsks = "彩信仓库中已经存在同名彩信！是否覆盖？";
    for (int yes : {0, 1}) {
        messages.clear();
        answer = yes;
        Dialogs dialogs;
        dialogs.group = "节日";
        dialogs.name = "春节";
        page->OnBtnImport();
        EXPECT_EQ(messages, yes ? (Strings{dialogAsks, pageAsks}) : (Strings{dialogAsks}));
        EXPECT_EQ(ReadFile(Package("节日", "春节")), yes ? bytes : old);
    }
    // A package imported onto itself stays whole.
    answer = 1;
    chosen = Package("节日", "中秋");
    const std::string mid = ReadFile(*chosen);
    {
        Dialogs dialogs;
        dialogs.group = "节日";
        page->OnBtnImport();
    }
    EXPECT_EQ(ReadFile(Package("节日", "中秋")), mid);
    EXPECT_EQ(page->ListNames(), (Strings{"春节", "中秋"}));
}

TEST_F(SinkFixture, ImportRefusals) {
    Open("节日");
    // A path without a folder part, a source gone by the time it is copied.
    chosen = "gift.qmx";
    page->OnBtnImport();
    EXPECT_EQ(messages, Strings{"选择的彩信资源文件无效！"});
    messages.clear();
    chosen = dir.file("gone.qmx");
    {
        Dialogs dialogs;
        dialogs.group = "节日";
        page->OnBtnImport();
    }
    EXPECT_EQ(messages, Strings{"选择的彩信资源文件无效！"});
    // A group that leaves "MMSSink" is refused by the dialog; nothing is written.
    WriteFile(dir.file("gift.qmx"), "QMX bytes");
    chosen = dir.file("gift.qmx");
    for (const char* group : {"..\\x", "../x", ".."}) {
        Dialogs dialogs;
        dialogs.group = group;
        page->OnBtnImport();
    }
    EXPECT_FALSE(fs::exists(dir.file("x")));
    EXPECT_FALSE(fs::exists(dir.file("MMSSink/x")));
    int copies = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir.path())) copies += e.path().filename() == "gift.qmx";
    EXPECT_EQ(copies, 1);  // the source only
}

TEST_F(SinkFixture, ExportByteForByteOntoItselfIncluded) {
    Open("节日");
    page->OnBtnExport();
    EXPECT_EQ(messages, Strings{"请先选中要导出的彩信！"});

    messages.clear();
    page->SelectNames({"中秋"});
    const std::string bytes = ReadFile(Package("节日", "中秋"));
    chosen = dir.file("out.QMX");
    page->OnBtnExport();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].save);
    EXPECT_EQ(asked[0].title, "设置彩信导出保存的文件名");
    EXPECT_EQ(asked[0].filter, "彩信资源文件(*.QMX)|*.QMX|");
    EXPECT_EQ(asked[0].defaultExt, "QMX");
    EXPECT_EQ(ReadFile(dir.file("out.QMX")), bytes);
    chosen = Package("节日", "中秋");  // onto its own file
    page->OnBtnExport();
    EXPECT_EQ(ReadFile(Package("节日", "中秋")), bytes);
    EXPECT_EQ(messages, Strings(2, "导出彩信完毕！"));

    // A target that cannot be made; then a package gone behind the page.
    messages.clear();
    chosen = dir.file("no/such/folder/out.qmx");
    page->OnBtnExport();
    EXPECT_EQ(messages, Strings{"打开要覆盖的彩信时失败，请先关闭对该彩信的使用！"});
    messages.clear();
    fs::remove(Package("节日", "中秋"));
    page->OnBtnExport();
    EXPECT_EQ(messages, Strings{"彩信文件不存在！"});
    EXPECT_EQ(page->ListNames(), Strings{"春节"});
}

TEST_F(SinkFixture, AddGroupAndTheTreeMenu) {
    Dialogs dialogs;
    dialogs.group = "生日";
    page->OnBtnAddGroup();
    EXPECT_TRUE(fs::is_directory(dir.file("MMSSink/生日")));
    EXPECT_EQ(TreeGroups().back(), "生日");
    dialogs.group = "..\\x";  // refused by the dialog's name check
    page->OnBtnAddGroup();
    EXPECT_FALSE(fs::exists(dir.file("x")));
    EXPECT_EQ(TreeGroups().back(), "生日");

    // A right click selects the node under the cursor, then menu 276 deletes that group.
    messages.clear();
    page->m_tree->setCurrentItem(page->RootItem());
    QTreeWidgetItem* node = nullptr;
    for (int i = 0; i < page->RootItem()->childCount(); ++i)
        if (FromQ(page->RootItem()->child(i)->text(0)) == "广告") node = page->RootItem()->child(i);
    ASSERT_NE(node, nullptr);
    std::vector<int> shown;
    ChooseInNextMenu(32827, &shown);
    page->OnRclickTree(page->m_tree->visualItemRect(node).center());
    EXPECT_EQ(page->SelectedGroup(), "广告");
    ASSERT_TRUE(testsupport::WaitUntil([&] { return !shown.empty() && !fs::exists(dir.file("MMSSink/广告")); }));
    EXPECT_EQ(shown, (std::vector<int>{32826, 32827}));
    EXPECT_EQ(dialogs.runs, (std::vector<unsigned>{234, 234}));

    // Menu 275 on the list offers the package commands.
    Open("节日", {"春节"});
    shown.clear();
    ChooseInNextMenu(32853, &shown);
    dialogs.rename = "新春";
    page->OnRclickList(QPoint(10, 30));
    EXPECT_EQ(shown, (std::vector<int>{32854, 32851, 32852, 32822, 32853, 32823}));
    EXPECT_EQ(page->ListNames(), (Strings{"新春", "中秋"}));
}

// Through the main window: page 3 gets the package as slides, the reply list its entries.
TEST(SinkMainWindow, SendAndAddToTheReplyList) {
    testsupport::TempAppDir dir;
    for (const char* name : {"MMSP1.bmp", "MMSP1-a.bmp", "MMSP2.bmp", "Smsdb.mdb", "LinkmanBook.mdb"})
        QFile::copy(QString(SMS_APP_DIR) + "/" + name, QString::fromStdString(dir.file(name)));
    Strings messages;
    seam::ScopedMessageBox box{[&](const std::string& t, int) {
        messages.push_back(t);
        return 1;
    }};
    seam::ScopedStandardBox stdBox{[&](const std::string& t) { messages.push_back(t); }};
    CSMSServerDlg::SetLoginExec([](CLoginDlg&) { return static_cast<int>(QDialog::Accepted); });
    auto dlg = std::make_unique<CSMSServerDlg>();
    ASSERT_EQ(dlg->OnInitDialog(), 1);
    g_pAutoReplyDlg->LoadSettings();  // as the first tick does
    MakePackage(dir, "节日", "春节", "新年好");
    MakePackage(dir, "节日", "中秋", "月圆");
    g_pMMSSinkDlg->FillGroupTree();
    ASSERT_TRUE(g_pMMSSinkDlg->SelectGroup("节日"));

    g_pMMSSinkDlg->m_btnSend->click();
    g_pMMSSinkDlg->m_btnAddToReply->click();
    EXPECT_EQ(messages, (Strings{"请先选中要发送的彩信资源！", "请先选中要添加到“自动回复循环列表”的彩信资源！"}));

    messages.clear();
    g_pMMSSinkDlg->SelectNames({"中秋"});
    g_pMMSSinkDlg->m_btnSend->click();
    EXPECT_EQ(g_nCurrentPage, 3);
    const std::string stored = g_strAppPath + "\\MMSSink\\节日\\中秋.qmx";
    EXPECT_EQ(g_pSendMMSDlg->m_nContentType, mmssend::kSlides);
    EXPECT_EQ(g_pSendMMSDlg->m_strContentPath, stored);
    EXPECT_EQ(g_pSendMMSDlg->m_nFrameCount, 1);

    const std::size_t before = g_pAutoReplyDlg->Engine().CyclicList().Count();
    g_pMMSSinkDlg->SelectNames({"春节", "中秋"});
    g_pMMSSinkDlg->m_btnAddToReply->click();
    const auto rows = g_pAutoReplyDlg->Engine().CyclicList().Snapshot();
    ASSERT_EQ(rows.size(), before + 2);
    EXPECT_EQ(rows[before].cells, (Strings{"春节", g_strAppPath + "\\MMSSink\\节日\\春节.qmx", ""}));
    EXPECT_EQ(rows[before + 1].cells, (Strings{"中秋", stored, ""}));
    EXPECT_EQ(messages.back(), "已将选中彩信资源添加到“自动回复循环列表”中！");
    // The lists were saved: "AutoRe2.dat" holds the two entries.
    EXPECT_GE(fs::file_size(dir.file("AutoRe2.dat")), 2u * 1024u);
    dlg.reset();
    CSMSServerDlg::SetLoginExec({});
}

// Both menus are the pages' flat menus: the image column in the button face with the command's
// picture in it, the selection a highlight frame filled with the highlight lightened by 0.7.
TEST_F(SinkFixture, MenusArePaintedFlatInTheSystemColours) {
    for (uikit::CIconMenu* menu : {&page->m_menuList, &page->m_menuTree}) {
        ASSERT_NE(menu->GetSubMenu(0), nullptr);
        QMenu* popup = menu->GetSubMenu(0)->GetMenu();
        popup->adjustSize();
        QAction* first = popup->actions().front();
        QAction* last = popup->actions().back();
        popup->setActiveAction(last);
        const QImage img = popup->grab().toImage();
        const QRect normal = popup->actionGeometry(first), sel = popup->actionGeometry(last);
        EXPECT_EQ(img.pixelColor(normal.left() + 1, normal.top() + 1), QColor(236, 233, 216));
        EXPECT_EQ(img.pixelColor(normal.left() + 23, normal.top() + 1), QColor(255, 255, 255));
        EXPECT_EQ(img.pixelColor(sel.left(), sel.top()), QColor(49, 106, 197));
        EXPECT_EQ(img.pixelColor(sel.right() - 1, sel.top() + 1), QColor(193, 210, 237));
        int ink = 0;  // the picture of toolbar 277 in the column
        for (int y = normal.top() + 3; y < normal.top() + 19; ++y)
            for (int x = normal.left() + 3; x < normal.left() + 19; ++x) ink += img.pixelColor(x, y) != QColor(236, 233, 216);
        EXPECT_GT(ink, 20);
    }
}

// An offscreen picture of the page with a few groups and packages, for a look (SMS_SHOT_DIR set).
TEST_F(SinkFixture, RenderForReview) {
    const char* out = std::getenv("SMS_SHOT_DIR");
    if (!out) GTEST_SKIP() << "SMS_SHOT_DIR not set";
    for (const char* name : {"元宵", "端午", "国庆节贺卡", "Happy New Year"}) MakePackage(dir, "节日", name, name);
    page->FillGroupTree();
    Open("节日", {"端午", "中秋"});
    page->show();
    QApplication::processEvents();
    page->grab().save(QString(out) + "/page140.png");
    for (auto [menu, file] : {std::pair{&page->m_menuList, "/menu275.png"}, std::pair{&page->m_menuTree, "/menu276.png"}}) {
        QMenu* popup = menu->GetSubMenu(0)->GetMenu();
        popup->popup(QPoint(0, 0));
        QApplication::processEvents();
        popup->grab().save(QString(out) + file);
        popup->close();
    }
}
