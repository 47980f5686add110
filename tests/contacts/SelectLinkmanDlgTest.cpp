// The recipient picker, run through the picker hook the address-book page installs, on a copy of
// the shipped book.
#include "LinkmanFixture.h"

#include "compose/PickerHooks.h"
#include "contacts/LinkmanBookDlg.h"
#include "contacts/LinkmanEditDlg.h"
#include "contacts/SelectLinkmanDlg.h"
#include "platform/TextCodec.h"
#include "uikit/FlatComboBox.h"
#include "uikit/SortListCtrl.h"

#include <QLabel>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <set>

namespace {

using codec::FromQ;
using Strings = std::vector<std::string>;

class SelectLinkmanTest : public LinkmanDbTest {
protected:
    void OpenPage() {
        page = std::make_unique<CLinkmanBookDlg>();
        ASSERT_TRUE(testsupport::WaitUntil([&] { return page->RootItem() != nullptr; }));
    }
    // Opens the picker as a send page does; `act` works on it once its tree is filled, then OK
    // (or Cancel). A search dialog opened from it gets `searchValues` and `scope`.
    std::optional<Strings> Pick(const std::function<void(CSelectLinkmanDlg&)>& act, bool ok = true) {
        ScopedModalRun run([&](CSkinDialog& d) {
            if (auto* e = dynamic_cast<CLinkmanEditDlg*>(&d)) {
                e->m_arrValues = searchValues;
                e->m_arrValues.resize(e->m_arrItems.size());
                e->ShowForHook();
                e->m_cmbScope->setEditText(codec::ToQ(scope));
                e->OnOK();
                return e->result();
            }
            auto& dlg = dynamic_cast<CSelectLinkmanDlg&>(d);
            dlg.ShowForHook();
            EXPECT_TRUE(testsupport::WaitUntil([&] { return dlg.RootItem() != nullptr; }));
            act(dlg);
            if (!ok) return static_cast<int>(IDCANCEL);
            dlg.OnOK();
            return dlg.result();
        });
        return picker::PickLinkmanNumbers(nullptr);
    }
    // The node reached by these texts from the root.
    static QTreeWidgetItem* Node(CSelectLinkmanDlg& dlg, const Strings& texts) {
        QTreeWidgetItem* n = dlg.RootItem();
        for (const std::string& t : texts) {
            QTreeWidgetItem* next = nullptr;
            for (int i = 0; n && i < n->childCount() && !next; ++i)
                if (FromQ(n->child(i)->text(0)) == t) next = n->child(i);
            n = next;
        }
        EXPECT_NE(n, nullptr) << (texts.empty() ? "" : texts.back());
        return n;
    }
    static void DoubleClick(CSelectLinkmanDlg& dlg, const Strings& texts) {
        dlg.m_tree->setCurrentItem(Node(dlg, texts));
        dlg.OnDblclkTree();
    }
    static Strings Texts(QTreeWidgetItem* n) {
        Strings out;
        for (int i = 0; n && i < n->childCount(); ++i) out.push_back(FromQ(n->child(i)->text(0)));
        return out;
    }
    static Strings ChosenText(CSelectLinkmanDlg& dlg) {
        Strings out;
        for (const auto& [name, path] : dlg.Chosen()) out.push_back(name + " " + path);
        return out;
    }

    std::unique_ptr<CLinkmanBookDlg> page;
    Strings searchValues;
    std::string scope = "通信录";
};

TEST_F(SelectLinkmanTest, RootContactsWithoutGroupsAndCancel) {
    AddContact("@通信录", "R2", "13900000002");
    AddContact("@通信录", "R1", "13900000001");
    OpenPage();
    const auto numbers = Pick([&](CSelectLinkmanDlg& dlg) {
        EXPECT_EQ(dlg.windowTitle(), codec::ToQ("选择接收者"));
        EXPECT_EQ(FromQ(dlg.RootItem()->text(0)), "<通信录>");
        EXPECT_TRUE(dlg.RootItem()->isExpanded());
        EXPECT_EQ(Texts(dlg.RootItem()), (Strings{"R1", "R2"}));
        // A real double click on the root chooses every contact.
        const QRect r = dlg.m_tree->visualItemRect(dlg.RootItem());
        QTest::mouseClick(dlg.m_tree->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(dlg.m_tree->viewport(), Qt::LeftButton, {}, r.center());
        EXPECT_EQ(ChosenText(dlg), (Strings{"R1 @通信录", "R2 @通信录"}));
        EXPECT_EQ(FromQ(dlg.m_lblCount->text()), "当前已选择联系人2个");
    });
    ASSERT_TRUE(numbers);
    EXPECT_EQ(*numbers, (Strings{"13900000001", "13900000002"}));
    EXPECT_FALSE(Pick([&](CSelectLinkmanDlg& dlg) { DoubleClick(dlg, {}); }, false));
}

TEST_F(SelectLinkmanTest, GroupsDuplicatesAndNamesakes) {
    ASSERT_TRUE(book.AddGroup("@通信录", "A"));
    ASSERT_TRUE(book.AddGroup("@通信录@A", "D"));
    ASSERT_TRUE(book.AddGroup("@通信录", "AB"));
    AddContact("@通信录", "R", "13900000000");
    AddContact("@通信录@A", "张三", "13900000001");
    AddContact("@通信录@A", "李四", "13900000002");
    AddContact("@通信录@A@D", "王五", "13900000003");
    AddContact("@通信录@AB", "张三", "13900000006");
    OpenPage();
    const auto numbers = Pick([&](CSelectLinkmanDlg& dlg) {
        // Sub-groups first, then the group's contacts.
        EXPECT_EQ(Texts(dlg.RootItem()), (Strings{"<A>", "<AB>", "R"}));
        EXPECT_EQ(Texts(Node(dlg, {"<A>"})), (Strings{"<D>", "李四", "张三"}));
        EXPECT_EQ(CSelectLinkmanDlg::LeafPath(Node(dlg, {"<A>", "<D>", "王五"})), "@通信录@A@D");
        // A contact, then its group: once each. Then the namesake of AB, and A again.
        DoubleClick(dlg, {"<A>", "张三"});
        DoubleClick(dlg, {"<A>"});
        DoubleClick(dlg, {"<AB>", "张三"});
        DoubleClick(dlg, {"<A>"});
        EXPECT_EQ(ChosenText(dlg), (Strings{"李四 @通信录@A", "王五 @通信录@A@D", "张三 @通信录@A", "张三 @通信录@AB"}));
        EXPECT_EQ(FromQ(dlg.m_lblCount->text()), "当前已选择联系人4个");
        // Delete: every selected row; a double click on the list: the first selected one.
        dlg.m_list->Model()->Sync();
        dlg.m_list->SetItemSelected(0, true);
        dlg.m_list->SetItemSelected(1, true);
        dlg.OnDelete();
        EXPECT_EQ(ChosenText(dlg), (Strings{"张三 @通信录@A", "张三 @通信录@AB"}));
    });
    // Two namesakes, each with its own number.
    ASSERT_TRUE(numbers);
    EXPECT_EQ(*numbers, (Strings{"13900000001", "13900000006"}));

    // A chosen contact removed from the book meanwhile gives no number.
    const auto left = Pick([&](CSelectLinkmanDlg& dlg) {
        DoubleClick(dlg, {"R"});
        DoubleClick(dlg, {"<AB>"});
        ASSERT_EQ(Exec("delete from LinkmanTable where DirInfo='@通信录@AB'"), 0);
        dlg.m_list->Model()->Sync();
        dlg.m_list->SetItemSelected(0, true);
        dlg.OnDblclkChosen();
        EXPECT_EQ(ChosenText(dlg), Strings{"张三 @通信录@AB"});
        DoubleClick(dlg, {"R"});
    });
    ASSERT_TRUE(left);
    EXPECT_EQ(*left, Strings{"13900000000"});
}

TEST_F(SelectLinkmanTest, SearchAddsResultsAndClearAsks) {
    ASSERT_TRUE(book.AddGroup("@通信录", "A"));
    ASSERT_TRUE(book.AddGroup("@通信录", "B"));
    AddContact("@通信录@A", "张三", "13900000001");
    AddContact("@通信录@B", "张三", "13900000002");
    AddContact("@通信录@B", "张四", "13900000003");
    OpenPage();
    Boxes boxes;
    boxes.answer = 0;
    const auto numbers = Pick([&](CSelectLinkmanDlg& dlg) {
        searchValues = {"张"};
        scope = "B";
        dlg.OnSearch();
        EXPECT_EQ(ChosenText(dlg), (Strings{"张三 @通信录@B", "张四 @通信录@B"}));
        // "通讯录" drops the scope; the same rows again stay once.
        scope = "通讯录";
        searchValues = {"三"};
        dlg.OnSearch();
        EXPECT_EQ(ChosenText(dlg), (Strings{"张三 @通信录@A", "张三 @通信录@B", "张四 @通信录@B"}));
        // No scope and no value: nothing.
        searchValues = {};
        dlg.OnSearch();
        EXPECT_EQ(dlg.Chosen().size(), 3u);
        dlg.OnClear();  // cancelled
        EXPECT_EQ(dlg.Chosen().size(), 3u);
        boxes.answer = 1;
        dlg.OnClear();
        EXPECT_TRUE(dlg.Chosen().empty());
        EXPECT_EQ(FromQ(dlg.m_lblCount->text()), "当前已选择联系人0个。");
        dlg.OnClear();  // nothing to clear: no question
        searchValues = {"", "13900000003"};
        scope = "通信录";
        dlg.OnSearch();
    });
    EXPECT_EQ(boxes.texts, (Strings{"确定要清空已选择的联系人吗?", "确定要清空已选择的联系人吗?"}));
    ASSERT_TRUE(numbers);
    EXPECT_EQ(*numbers, Strings{"13900000003"});
}

// Every change a model announces, with the number of wait cursors shown at that moment.
void WatchModel(QAbstractItemModel* model, std::set<int>& depths) {
    const auto note = [&depths] { depths.insert(testsupport::WaitCursorDepth()); };
    QObject::connect(model, &QAbstractItemModel::rowsInserted, note);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, note);
    QObject::connect(model, &QAbstractItemModel::modelReset, note);
    QObject::connect(model, &QAbstractItemModel::layoutChanged, note);
}

// The wait cursor is on while the tree fills and while a double click or a search's results
// fill the chosen list; off while the search dialog asks and once each is done.
TEST_F(SelectLinkmanTest, WaitCursorWhileTheTreeFillsAndContactsAreChosen) {
    ASSERT_TRUE(book.AddGroup("@通信录", "A"));
    AddContact("@通信录@A", "张三", "13900000001");
    AddContact("@通信录@A", "李四", "13900000002");
    AddContact("@通信录", "王五", "13900000003");
    OpenPage();
    std::set<int> tree, filled, chosen, asked;  // the depths seen
    std::vector<int> after;
    ScopedModalRun run([&](CSkinDialog& d) {
        if (auto* e = dynamic_cast<CLinkmanEditDlg*>(&d)) {
            asked.insert(testsupport::WaitCursorDepth());
            e->m_arrValues.assign(e->m_arrItems.size(), "");
            e->m_arrValues[0] = "王";
            e->ShowForHook();
            e->m_cmbScope->setEditText(codec::ToQ("通讯录"));
            e->OnOK();
            return e->result();
        }
        auto& dlg = dynamic_cast<CSelectLinkmanDlg&>(d);
        WatchModel(dlg.m_tree->model(), tree);
        WatchModel(dlg.m_list->Model(), chosen);
        dlg.ShowForHook();
        EXPECT_TRUE(testsupport::WaitUntil([&] { return dlg.RootItem() != nullptr; }));
        filled = tree;
        after.push_back(testsupport::WaitCursorDepth());
        const QRect r = dlg.m_tree->visualItemRect(Node(dlg, {"<A>"}));
        QTest::mouseClick(dlg.m_tree->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(dlg.m_tree->viewport(), Qt::LeftButton, {}, r.center());
        EXPECT_EQ(ChosenText(dlg), (Strings{"李四 @通信录@A", "张三 @通信录@A"}));
        after.push_back(testsupport::WaitCursorDepth());
        const std::set<int> byClick = chosen;
        chosen.clear();
        dlg.OnSearch();
        EXPECT_EQ(dlg.Chosen().size(), 3u);
        after.push_back(testsupport::WaitCursorDepth());
        EXPECT_EQ(byClick, std::set<int>{1});
        dlg.OnOK();
        return dlg.result();
    });
    const auto numbers = picker::PickLinkmanNumbers(nullptr);
    ASSERT_TRUE(numbers);
    EXPECT_EQ(numbers->size(), 3u);
    EXPECT_EQ(filled, std::set<int>{1});
    EXPECT_EQ(chosen, std::set<int>{1});
    EXPECT_EQ(asked, std::set<int>{0});
    EXPECT_EQ(after, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(testsupport::WaitCursorDepth(), 0);
}

// Names equal under the book's collation name one contact of a group: OK gives the number of
// the row the book's own lookup returns first, for every spelling chosen.
TEST_F(SelectLinkmanTest, NamesEqualUnderTheCollationGiveTheFirstRowsNumber) {
    ASSERT_TRUE(book.AddGroup("@通信录", "A"));
    AddContact("@通信录@A", "Tom", "13900000001");
    AddContact("@通信录@A", "tom", "13900000002");
    AddContact("@通信录@A", "TOM", "13900000003");
    AddContact("@通信录@A", "张三", "13900000004");
    AddContact("@通信录@A", "张三", "13900000005");
    AddContact("@通信录", "tom", "13900000006");  // another group: its own contact
    OpenPage();
    std::vector<std::pair<std::string, std::string>> chosen;
    const auto numbers = Pick([&](CSelectLinkmanDlg& dlg) {
        DoubleClick(dlg, {"<A>"});
        DoubleClick(dlg, {"tom"});
        chosen = dlg.Chosen();
    });
    ASSERT_TRUE(numbers);
    ASSERT_EQ(numbers->size(), chosen.size());
    Strings first;
    for (const auto& [name, path] : chosen) {
        const auto row = book.ReadContact(path, name, {"手机号码"});
        ASSERT_TRUE(row) << name;
        first.push_back(row->at(0));
    }
    EXPECT_EQ(*numbers, first);
    Strings sorted = *numbers;
    std::sort(sorted.begin(), sorted.end());
    // Three spellings of Tom and 张三 (twice in the book, once chosen) in A, and tom of the root.
    EXPECT_EQ(sorted, (Strings{"13900000001", "13900000001", "13900000001", "13900000004", "13900000006"}));
}

// An offscreen picture of the picker, for a look (SMS_SHOTS names the folder).
TEST_F(SelectLinkmanTest, RenderWhenAsked) {
    const char* dir = std::getenv("SMS_SHOTS");
    if (!dir) GTEST_SKIP() << "SMS_SHOTS not set";
    ASSERT_TRUE(book.AddGroup("@通信录", "同事"));
    ASSERT_TRUE(book.AddGroup("@通信录@同事", "销售部"));
    AddContact("@通信录@同事", "张三", "13900000001");
    AddContact("@通信录@同事@销售部", "李四", "13900000002");
    AddContact("@通信录", "王五", "13900000003");
    OpenPage();
    Pick([&](CSelectLinkmanDlg& dlg) {
        dlg.m_tree->expandAll();
        DoubleClick(dlg, {"<同事>"});
        EXPECT_TRUE(dlg.grab().save(QString(dir) + "/linkman_picker.png"));
    });
}

}  // namespace
