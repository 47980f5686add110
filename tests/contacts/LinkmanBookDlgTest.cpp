// The address-book page on a copy of the shipped book: real tree and list under the offscreen
// platform, its dialogs answered through the modal-run hook, its questions through the seam.
#include "LinkmanFixture.h"

#include "contacts/AutoReply.h"
#include "contacts/LinkmanBookDlg.h"
#include "contacts/LinkmanEditDlg.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "support/MenuTestSupport.h"
#include "uikit/SkinEdit.h"
#include "uikit/SortListCtrl.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include <atomic>
#include <cstdlib>
#include <thread>

namespace {

using codec::FromQ;
using codec::ToQ;
using testsupport::ChooseInNextMenu;


// Answers the next dialogs: an edit dialog gets `values` (then OK), a group dialog `name`.
struct Answer {
    std::vector<std::string> values;
    std::string name;
    int runs = 0;
    std::string path;  // the path the dialog was given
    ScopedModalRun run{[this](CSkinDialog& d) {
        ++runs;
        if (auto* e = dynamic_cast<CLinkmanEditDlg*>(&d)) {
            path = e->m_strPath;
            if (e->m_nMode != 1 || !values.empty()) e->m_arrValues = values;
            e->m_arrValues.resize(e->m_arrItems.size());
        }
        d.ShowForHook();
        if (auto* t = dynamic_cast<CLinkmanTypeDlg*>(&d)) {
            path = t->m_strPath;
            t->m_edit->setText(ToQ(name));
        }
        d.OnOK();
        return d.result();
    }};
};

class LinkmanPageTest : public LinkmanDbTest {
protected:
    // Root: contact R. A (contacts 王五, 张三, "a<b", x' or '1'='1) with B (contact 李四) with C;
    // AB (contact 张三).
    void SetUp() override {
        LinkmanDbTest::SetUp();
        for (auto [parent, name] : std::vector<std::pair<std::string, std::string>>{
                 {"@通信录", "A"}, {"@通信录@A", "B"}, {"@通信录@A@B", "C"}, {"@通信录", "AB"}})
            ASSERT_TRUE(book.AddGroup(parent, name));
        AddContact("@通信录", "R", "13900000000");
        AddContact("@通信录@A", "张三", "13900000001");
        AddContact("@通信录@A", "王五", "13900000002");
        AddContact("@通信录@A", "a<b", "13900000003");
        AddContact("@通信录@A", "x' or '1'='1", "13900000004");
        AddContact("@通信录@A@B", "李四", "13900000005");
        AddContact("@通信录@AB", "张三", "13900000006");
    }

    std::unique_ptr<CLinkmanBookDlg> Open() {
        auto page = std::make_unique<CLinkmanBookDlg>();
        page->resize(730, 376);
        EXPECT_TRUE(testsupport::WaitUntil([&] { return page->RootItem() != nullptr; }));
        return page;
    }
    // The node of a path; fails the test when missing.
    static QTreeWidgetItem* Node(CLinkmanBookDlg& p, const std::string& path) {
        QTreeWidgetItem* n = p.FindNode(path);
        EXPECT_NE(n, nullptr) << path;
        return n;
    }
    static void Select(CLinkmanBookDlg& p, const std::string& path) { p.m_tree->setCurrentItem(Node(p, path)); }
    // First cells of the list rows, in order.
    static std::vector<std::string> FirstCells(CLinkmanBookDlg& p) {
        std::vector<std::string> out;
        p.m_list->Model()->Sync();
        for (int r = 0; r < p.m_list->GetItemCount(); ++r) out.push_back(p.CellOf(p.m_list->GetItemId(r), 0));
        return out;
    }
    // Selects the rows whose first cell (and "路径" cell, when given) match.
    static void SelectRows(CLinkmanBookDlg& p, const std::vector<std::string>& cells, const std::string& dir = "") {
        p.m_list->Model()->Sync();
        p.m_list->clearSelection();
        for (int r = 0; r < p.m_list->GetItemCount(); ++r) {
            const rows::RowId id = p.m_list->GetItemId(r);
            if (std::find(cells.begin(), cells.end(), p.CellOf(id, 0)) != cells.end() &&
                (dir.empty() || p.CellOf(id, p.PathColumn()) == dir))
                p.m_list->SetItemSelected(r, true);
        }
    }
    static std::vector<std::string> Children(QTreeWidgetItem* n) {
        std::vector<std::string> out;
        for (int i = 0; n && i < n->childCount(); ++i) out.push_back(FromQ(n->child(i)->text(0)));
        return out;
    }
    std::vector<std::string> Names(const std::string& dir) {
        return Column("select 姓名 from LinkmanTable where DirInfo=? order by 姓名", "姓名", {dir});
    }
    static std::string Count(CLinkmanBookDlg& p) { return FromQ(p.m_lblCount->text()); }
};

using Strings = std::vector<std::string>;

TEST_F(LinkmanPageTest, TreeRowsAndCount) {
    Boxes boxes;
    auto page = Open();
    EXPECT_EQ(g_pLinkmanBookDb, page.get());
    QTreeWidgetItem* root = page->RootItem();
    EXPECT_EQ(FromQ(root->text(0)), "通信录");
    EXPECT_TRUE(root->isExpanded());
    EXPECT_EQ(Children(root), (Strings{"A", "AB"}));
    EXPECT_EQ(Children(Node(*page, "@通信录@A")), Strings{"B"});
    EXPECT_EQ(Children(Node(*page, "@通信录@A@B")), Strings{"C"});
    EXPECT_EQ(page->NodePath(Node(*page, "@通信录@A@B@C")), "@通信录@A@B@C");
    // Nothing selected yet: an empty list and no current path.
    EXPECT_EQ(page->m_tree->currentItem(), nullptr);
    EXPECT_TRUE(page->m_strPath.empty());
    EXPECT_EQ(page->m_list->GetItemCount(), 0);
    EXPECT_EQ(page->m_list->GetColumnCount(), 9);
    EXPECT_EQ(FromQ(page->m_list->GetColumnHeading(8)), "路径");

    Select(*page, "@通信录");
    EXPECT_EQ(FirstCells(*page), (Strings{" <新建分组...>", " <新建联系人...>", "<A>", "<AB>", "R"}));
    EXPECT_EQ(Count(*page), "当前列表中有联系人1个。");
    EXPECT_EQ(FromQ(page->m_editPath->text()), "@通信录");
    Select(*page, "@通信录@A");
    EXPECT_EQ(page->m_strPath, "@通信录@A");
    // A contact named with "<" inside is a contact and counts.
    EXPECT_EQ(FirstCells(*page), (Strings{" <返回上一级>", " <新建分组...>", " <新建联系人...>", "<B>", "a<b",
                                          "x' or '1'='1", "王五", "张三"}));
    EXPECT_EQ(Count(*page), "当前列表中有联系人4个。");
    EXPECT_EQ(page->CellOf(page->m_list->GetItemId(7), 1), "13900000001");
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(LinkmanPageTest, DoubleClickAndUpRowNavigate) {
    auto page = Open();
    Select(*page, "@通信录@A");
    SelectRows(*page, {"<B>"});
    page->OnDblclkList();
    EXPECT_EQ(page->m_strPath, "@通信录@A@B");
    EXPECT_EQ(page->m_tree->currentItem(), Node(*page, "@通信录@A@B"));
    EXPECT_EQ(FirstCells(*page), (Strings{" <返回上一级>", " <新建分组...>", " <新建联系人...>", "<C>", "李四"}));
    SelectRows(*page, {" <返回上一级>"});
    page->OnDblclkList();
    EXPECT_EQ(page->m_strPath, "@通信录@A");
    EXPECT_EQ(page->m_tree->currentItem(), Node(*page, "@通信录@A"));
    page->OnGoUp();
    EXPECT_EQ(page->m_strPath, "@通信录");
    page->OnGoUp();  // at the root: nothing
    EXPECT_EQ(page->m_strPath, "@通信录");
    EXPECT_EQ(page->m_tree->currentItem(), page->RootItem());
}

TEST_F(LinkmanPageTest, AddContactAndGroup) {
    auto page = Open();
    {
        Boxes boxes;
        Answer answer;
        page->OnAddLinkman();
        page->OnAddGroup();
        EXPECT_EQ(answer.runs, 0);
        EXPECT_EQ(boxes.texts, (Strings{"请选择添加联系人的目录！", "请选择添加分组的目录！"}));
    }
    Select(*page, "@通信录@A@B");
    Boxes boxes;
    Answer answer;
    answer.values = {" 赵六 ", "13900000009", "", "经理"};
    page->OnAddLinkman();
    EXPECT_EQ(answer.path, "@通信录@A@B");
    EXPECT_EQ(FirstCells(*page).back(), "赵六");
    EXPECT_EQ(page->CellOf(page->m_list->GetItemId(page->m_list->GetItemCount() - 1), 3), "经理");
    EXPECT_EQ(Count(*page), "当前列表中有联系人2个。");
    EXPECT_EQ(Names("@通信录@A@B"), (Strings{"李四", "赵六"}));
    EXPECT_EQ(Column("select 单位 from LinkmanTable where 姓名='赵六'", "单位", {}, false), Strings{" "});

    answer.name = "  新组 ";
    page->OnAddGroup();
    EXPECT_EQ(answer.path, "@通信录@A@B");
    EXPECT_EQ(FirstCells(*page)[3], "<新组>");  // right after the new-contact row
    EXPECT_EQ(Children(Node(*page, "@通信录@A@B")), (Strings{"C", "新组"}));
    EXPECT_TRUE(book.GroupExists("@通信录@A@B", "新组"));
    EXPECT_TRUE(boxes.texts.empty());

    // The list's context menu: 新增联系人 runs the add.
    answer.values = {"钱七", "13900000010"};
    ChooseInNextMenu(32783);
    page->OnRclickList(QPoint(5, 5));
    EXPECT_EQ(Names("@通信录@A@B"), (Strings{"李四", "钱七", "赵六"}));
}

TEST_F(LinkmanPageTest, DeleteContactsAndGroups) {
    auto page = Open();
    Select(*page, "@通信录@A");
    Boxes boxes;
    page->m_list->clearSelection();
    page->OnDelLinkman();
    SelectRows(*page, {" <新建联系人...>", "<B>"});  // only pseudo and group rows
    page->OnDelLinkman();
    SelectRows(*page, {" <返回上一级>", "张三"});
    page->OnDelGroup();
    boxes.answer = 0;
    SelectRows(*page, {"<B>"});
    page->OnDelGroup();
    EXPECT_EQ(boxes.texts, (Strings{"请先选择要删除的联系人！", "请先选择要删除的联系人！", "请先选择要删除的分组！",
                                    "真的要删除选中的分组吗？"}));
    EXPECT_EQ(Groups().size(), 4u);

    // The quote stays a value: only that contact goes.
    boxes.texts.clear();
    boxes.answer = 1;
    SelectRows(*page, {"x' or '1'='1", "王五"});
    page->OnDelLinkman();
    EXPECT_EQ(boxes.texts, Strings{"真的要删除选中的联系人吗？"});
    EXPECT_EQ(Names("@通信录@A"), (Strings{"a<b", "张三"}));
    EXPECT_EQ(FirstCells(*page), (Strings{" <返回上一级>", " <新建分组...>", " <新建联系人...>", "<B>", "a<b", "张三"}));
    EXPECT_EQ(Count(*page), "当前列表中有联系人2个。");

    SelectRows(*page, {"<B>", "张三"});
    page->OnDelGroup();
    EXPECT_EQ(Groups(), (Strings{"@通信录@A", "@通信录@AB"}));
    EXPECT_EQ(Names("@通信录@A@B"), Strings{});
    EXPECT_EQ(Names("@通信录@A"), (Strings{"a<b", "张三"}));  // the contact row was not a group
    EXPECT_EQ(Children(Node(*page, "@通信录@A")), Strings{});
    EXPECT_EQ(FirstCells(*page), (Strings{" <返回上一级>", " <新建分组...>", " <新建联系人...>", "a<b", "张三"}));
}

TEST_F(LinkmanPageTest, TreeDeleteAndRoot) {
    auto page = Open();
    Boxes boxes;
    boxes.answer = 0;
    Select(*page, "@通信录");
    page->OnTreeDelGroup();
    boxes.answer = 1;
    page->OnTreeDelGroup();
    EXPECT_EQ(boxes.texts, (Strings{"删除后该组中的联系人也会被删除，确定要删除吗？",
                                    "删除后该组中的联系人也会被删除，确定要删除吗？", "根目录不能删除"}));
    EXPECT_EQ(Groups().size(), 4u);

    // A right click selects the node under the cursor, then its menu deletes that group.
    boxes.texts.clear();
    QTreeWidgetItem* a = Node(*page, "@通信录@A");
    std::vector<int> shown;
    ChooseInNextMenu(32772, &shown);
    page->OnRclickTree(page->m_tree->visualItemRect(a).center());
    EXPECT_EQ(shown, (std::vector<int>{32771, 32772, 32773}));
    EXPECT_EQ(boxes.texts, Strings{"删除后该组中的联系人也会被删除，确定要删除吗？"});
    EXPECT_EQ(Groups(), Strings{"@通信录@AB"});
    EXPECT_EQ(ContactDirs(), (Strings{"@通信录", "@通信录@AB"}));
    EXPECT_EQ(page->FindNode("@通信录@A"), nullptr);
    // The parent is current, its list refilled without the group.
    EXPECT_EQ(page->m_tree->currentItem(), page->RootItem());
    EXPECT_EQ(FirstCells(*page), (Strings{" <新建分组...>", " <新建联系人...>", "<AB>", "R"}));
}

TEST_F(LinkmanPageTest, SearchResultsEditAndDeleteInTheirOwnGroups) {
    auto page = Open();
    Select(*page, "@通信录@A@B");
    Boxes boxes;
    Answer answer;
    answer.values = {"张三"};
    page->OnSearch();
    ASSERT_EQ(page->m_bSearchResult, 1);
    EXPECT_EQ(FirstCells(*page), (Strings{"张三", "张三"}));
    EXPECT_EQ(page->CellOf(page->m_list->GetItemId(0), 8) + " " + page->CellOf(page->m_list->GetItemId(1), 8),
              "@通信录@A @通信录@AB");
    EXPECT_EQ(Count(*page), "当前列表中有联系人2个。");

    // Editing the AB one: its own group, and the current path stays.
    SelectRows(*page, {"张三"}, "@通信录@AB");
    answer.values = {"张三丰", "13900000066"};
    page->OnModifyLinkman();
    EXPECT_EQ(answer.path, "@通信录@AB");
    EXPECT_EQ(page->m_strPath, "@通信录@A@B");
    EXPECT_EQ(Names("@通信录@AB"), Strings{"张三丰"});
    EXPECT_EQ(Names("@通信录@A"), (Strings{"a<b", "x' or '1'='1", "王五", "张三"}));
    EXPECT_EQ(FirstCells(*page), (Strings{"张三", "张三丰"}));

    // A tree delete now takes the selected node B, not the edited row's group.
    page->OnTreeDelGroup();
    EXPECT_EQ(Groups(), (Strings{"@通信录@A", "@通信录@AB"}));
    EXPECT_EQ(Names("@通信录@AB"), Strings{"张三丰"});

    // Deleting the selected result of one group leaves its namesake in the other.
    AddContact("@通信录@AB", "张三", "13900000006");
    answer.values = {"张三"};
    page->OnSearch();
    SelectRows(*page, {"张三"}, "@通信录@AB");
    page->OnDelLinkman();
    EXPECT_EQ(Names("@通信录@AB"), Strings{"张三丰"});
    EXPECT_EQ(Names("@通信录@A"), (Strings{"a<b", "x' or '1'='1", "王五", "张三"}));
    EXPECT_EQ(FirstCells(*page), (Strings{"张三", "张三丰"}));
    EXPECT_EQ(page->CellOf(page->m_list->GetItemId(0), 8), "@通信录@A");

    // A press on the node already current brings its list back.
    QTreeWidgetItem* cur = page->m_tree->currentItem();
    QTest::mouseClick(page->m_tree->viewport(), Qt::LeftButton, {}, page->m_tree->visualItemRect(cur).center());
    EXPECT_EQ(page->m_bSearchResult, 0);
    EXPECT_EQ(FirstCells(*page).front(), " <返回上一级>");
}

TEST_F(LinkmanPageTest, FailedWritesLeaveTreeAndListAlone) {
    auto page = Open();
    Select(*page, "@通信录@A");
    ASSERT_EQ(Exec("create trigger no_delete before delete on LinkmanTable begin select raise(abort, 'kept'); end"), 0);
    ASSERT_EQ(Exec("create trigger no_insert before insert on DirTable begin select raise(abort, 'kept'); end"), 0);
    const Strings before = FirstCells(*page);
    Boxes boxes;
    Answer answer;
    SelectRows(*page, {"王五", "张三"});
    page->OnDelLinkman();
    SelectRows(*page, {"<B>"});
    page->OnDelGroup();
    answer.values = {"王五", "13900000099"};
    SelectRows(*page, {"王五"});
    page->OnModifyLinkman();
    answer.name = "新组";
    page->OnAddGroup();
    page->m_tree->setCurrentItem(Node(*page, "@通信录@A@B"));
    page->OnTreeDelGroup();
    // Each question, then the failed statement's error text.
    const std::string q1 = "真的要删除选中的联系人吗？", q2 = "真的要删除选中的分组吗？",
                      q3 = "删除后该组中的联系人也会被删除，确定要删除吗？";
    ASSERT_EQ(boxes.texts.size(), 8u);
    const Strings questions = {q1, "", q2, "", "", "", q3, ""};
    for (std::size_t i = 0; i < 8; ++i) {
        if (!questions[i].empty()) EXPECT_EQ(boxes.texts[i], questions[i]);
        else EXPECT_NE(boxes.texts[i].find("kept"), std::string::npos) << i << ": " << boxes.texts[i];
    }
    Select(*page, "@通信录@A");
    EXPECT_EQ(FirstCells(*page), before);
    EXPECT_EQ(Names("@通信录@A"), (Strings{"a<b", "x' or '1'='1", "王五", "张三"}));
    EXPECT_EQ(Column("select 手机号码 from LinkmanTable where 姓名='王五'", "手机号码"), Strings{"13900000002"});
    EXPECT_EQ(Groups().size(), 4u);
    EXPECT_NE(page->FindNode("@通信录@A@B"), nullptr);
    EXPECT_EQ(Children(Node(*page, "@通信录@A")), Strings{"B"});
}

TEST(LinkmanPageOpenTest, NoDatabaseGivesOneMessage) {
    for (const char* content : {"not a database at all", ""}) {
        testsupport::TempAppDir app;
        if (*content) testsupport::WriteFile(app.file("LinkmanBook.mdb"), content);
        Boxes boxes;
        CLinkmanBookDlg page;
        ASSERT_TRUE(testsupport::WaitUntil([&] { return !boxes.texts.empty(); }));
        EXPECT_EQ(boxes.texts, Strings{"连接数据库失败！"});
        EXPECT_EQ(page.RootItem(), nullptr);
        page.OnAddLinkman();
        page.OnDelLinkman();
        EXPECT_EQ(boxes.texts, (Strings{"连接数据库失败！", "请选择添加联系人的目录！", "请先选择要删除的联系人！"}));
    }
}

// Export of group A, then import of the workbook into AB: by the file-dialog seam.
TEST_F(LinkmanPageTest, ExportAndImportTheWorkbook) {
    Boxes boxes;
    auto page = Open();
    const std::string file = app.file("a.xls");
    std::vector<std::string> titles;
    seam::ScopedFileDialog files([&](const seam::FileDialogRequest& r) -> std::optional<std::string> {
        titles.push_back(r.title);
        EXPECT_EQ(r.filter, "电子表格文件(*.XLS)|*.XLS|");
        return file;
    });
    Select(*page, "@通信录@A");
    page->OnExport();
    EXPECT_EQ(boxes.texts, Strings{"Excel文件写入成功！"});
    // The "<" in a contact's name does not leave it out.
    page->m_strPath.clear();
    page->OnImport();
    EXPECT_EQ(boxes.texts.back(), "请选择添加联系人的目录！");
    Select(*page, "@通信录@AB");
    boxes.texts.clear();
    page->OnImport();
    EXPECT_EQ(titles, (Strings{"输入要导出的Excel文件名", "选择包含联系人资料的txt或Excel文件"}));
    EXPECT_EQ(boxes.texts, Strings{"该组中已经存在姓名为“张三”的联系人，该联系人信息不会被导入"});
    EXPECT_EQ(Names("@通信录@AB"), (Strings{"a<b", "x' or '1'='1", "王五", "张三"}));
    EXPECT_EQ(FirstCells(*page), (Strings{" <返回上一级>", " <新建分组...>", " <新建联系人...>", "张三", "a<b", "x' or '1'='1", "王五"}));
    EXPECT_EQ(Count(*page), "当前列表中有联系人4个。");
    EXPECT_EQ(page->GetNameByMobile("13900000005"), "李四");
    EXPECT_EQ(page->GetNameByMobile("13900000099"), "");
    // The auto-reply engine asks the page while it exists, and nobody after it is gone.
    EXPECT_EQ(autoreply::GetNameByMobile("13900000005"), "李四");
    page.reset();
    EXPECT_EQ(autoreply::GetNameByMobile("13900000005"), "");
}

TEST_F(LinkmanPageTest, CutAndPaste) {
    Boxes boxes;
    auto page = Open();
    Select(*page, "@通信录@A");
    page->OnCut();
    EXPECT_EQ(boxes.texts, Strings{"请先选择要剪切的信息！"});
    SelectRows(*page, {"<B>", "张三", "王五"});
    page->OnCut();
    EXPECT_EQ(page->m_arrCutNames, (Strings{"<B>", "王五", "张三"}));
    EXPECT_FALSE(page->m_strCutFlag.empty());
    // Into AB: its 张三 is replaced (OK), B moves with C and 李四.
    Select(*page, "@通信录@AB");
    boxes.texts.clear();
    page->OnPaste();
    EXPECT_EQ(boxes.texts.size(), 1u);
    EXPECT_TRUE(page->m_strCutFlag.empty());
    EXPECT_EQ(Names("@通信录@AB"), (Strings{"王五", "张三"}));
    EXPECT_EQ(Column("select 手机号码 from LinkmanTable where DirInfo=? and 姓名=?", "手机号码", {"@通信录@AB", "张三"}),
              Strings{"13900000001"});
    EXPECT_EQ(Names("@通信录@AB@B"), Strings{"李四"});
    EXPECT_EQ(Children(Node(*page, "@通信录@AB")), Strings{"B"});
    EXPECT_EQ(Children(Node(*page, "@通信录@AB@B")), Strings{"C"});
    EXPECT_EQ(Children(Node(*page, "@通信录@A")), Strings{});
    EXPECT_EQ(FirstCells(*page), (Strings{" <返回上一级>", " <新建分组...>", " <新建联系人...>", "<B>", "王五", "张三"}));
    // A second paste (the grayed command) does nothing.
    Select(*page, "@通信录");
    boxes.texts.clear();
    page->OnPaste();
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_EQ(Names("@通信录@AB"), (Strings{"王五", "张三"}));
}

TEST_F(LinkmanPageTest, CutFromSearchResultsAndRename) {
    Boxes boxes;
    auto page = Open();
    Select(*page, "@通信录@A");
    // Search results carry their group in "路径".
    page->m_bSearchResult = 1;
    page->Rows()->Append({"李四", "13900000005", "", "", "", "", "", "", "@通信录@A@B"}, CLinkmanBookDlg::kImgContact);
    SelectRows(*page, {"李四"});
    page->OnCut();
    EXPECT_EQ(page->m_arrCutPaths, Strings{"@通信录@A@B"});
    page->m_bSearchResult = 0;
    Select(*page, "@通信录");
    page->OnPaste();
    EXPECT_EQ(Names("@通信录"), (Strings{"R", "李四"}));

    // Rename from the tree: the root is refused; A becomes X with everything below it.
    page->OnRenameGroup();
    EXPECT_EQ(boxes.texts.back(), "根目录不能修改");
    Select(*page, "@通信录@A");
    {
        Answer a;
        a.name = "X";
        page->OnRenameGroup();
        EXPECT_EQ(a.path, "@通信录");
    }
    EXPECT_EQ(page->m_strPath, "@通信录@X");
    EXPECT_EQ(Names("@通信录@X"), (Strings{"a<b", "x' or '1'='1", "王五", "张三"}));
    EXPECT_TRUE(book.GroupExists("@通信录@X", "B"));
    EXPECT_NE(page->FindNode("@通信录@X@B@C"), nullptr);
    // The group row of B: 修改分组 renames it to D.
    SelectRows(*page, {"<B>"});
    {
        Answer a;
        a.name = "D";
        page->OnModifyGroup();
    }
    EXPECT_TRUE(book.GroupExists("@通信录@X", "D"));
    EXPECT_EQ(Children(Node(*page, "@通信录@X")), Strings{"D"});
    EXPECT_EQ(FirstCells(*page)[3], "<D>");
    page->m_list->clearSelection();
    page->OnModifyGroup();
    EXPECT_EQ(boxes.texts.back(), "请先选择要修改的分组名称！");
}

// The receive thread asks the page for names while the page imports.
TEST_F(LinkmanPageTest, LookupThreadsWhileThePageImports) {
    Boxes boxes;
    auto page = Open();
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "n" + std::to_string(i) + "\t" + std::to_string(13800000000LL + i) + "\r\n";
    testsupport::WriteFile(app.file("a.txt"), text);
    seam::ScopedFileDialog files([&](const seam::FileDialogRequest&) { return std::optional<std::string>(app.file("a.txt")); });
    Select(*page, "@通信录@AB");
    std::atomic<bool> stop{false};
    std::atomic<int> lookups{0}, wrong{0};
    std::thread reader([&] {
        while (!stop) {
            if (page->GetNameByMobile("13900000005") != "李四") ++wrong;
            ++lookups;
        }
    });
    page->OnImport();
    EXPECT_TRUE(testsupport::WaitUntil([&] { return lookups > 10; }));
    stop = true;
    reader.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(Names("@通信录@AB").size(), 3001u);
    EXPECT_EQ(Count(*page), "当前列表中有联系人3001个。");
    EXPECT_TRUE(boxes.texts.empty());
}

// An offscreen picture of the page, for a look (SMS_SHOTS names the folder).
TEST_F(LinkmanPageTest, RenderWhenAsked) {
    const char* dir = std::getenv("SMS_SHOTS");
    if (!dir) GTEST_SKIP() << "SMS_SHOTS not set";
    auto page = Open();
    Select(*page, "@通信录@A");
    page->m_tree->expandAll();
    SelectRows(*page, {"王五"});
    EXPECT_TRUE(page->grab().save(QString(dir) + "/linkman_page.png"));
}

}  // namespace
