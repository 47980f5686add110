// The contact edit and group name dialogs on a copy of the shipped book, run through the
// modal-run hook with the message box seam answering.
#include "LinkmanFixture.h"

#include "contacts/LinkmanEditDlg.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"

#include "uikit/FlatComboBox.h"
#include "uikit/SortListCtrl.h"

#include <QLineEdit>
#include <QPixmap>
#include <QTest>

#include <cstdlib>

namespace {

class LinkmanDialogsTest : public LinkmanDbTest {
protected:
    // Runs the edit dialog with the given values; OK is pressed once. Returns the result.
    int RunEdit(CLinkmanEditDlg& dlg, int mode, const std::vector<std::string>& values) {
        dlg.m_pConn = &conn;
        dlg.m_strPath = "@通信录@A";
        dlg.m_nMode = mode;
        dlg.m_arrItems = book.ReadFields();
        dlg.m_arrValues = values;
        dlg.m_arrValues.resize(dlg.m_arrItems.size());
        ScopedModalRun run([](CSkinDialog& d) {
            d.ShowForHook();
            d.OnOK();
            return d.result();
        });
        return dlg.DoModal();
    }
    int RunType(CLinkmanTypeDlg& dlg, const std::string& path, const std::string& old, const std::string& typed) {
        dlg.m_pConn = &conn;
        dlg.m_strPath = path;
        dlg.m_strName = old;
        ScopedModalRun run([&](CSkinDialog& d) {
            d.ShowForHook();
            dlg.m_edit->setText(codec::ToQ(typed));
            d.OnOK();
            return d.result();
        });
        return dlg.DoModal();
    }
    void SetUp() override {
        LinkmanDbTest::SetUp();
        ASSERT_TRUE(book.AddGroup("@通信录", "A"));
        AddContact("@通信录@A", "张三", "13900000001");
    }
};

TEST_F(LinkmanDialogsTest, EditChecksInOrder) {
    const std::string n40(20, 'x'), n41(41, 'x');
    struct Case { std::string name, number; int mode; std::string old; std::string msg; };
    const std::vector<Case> cases = {
        {"  ", "13900000002", 0, "", "联系人名字不能为空！"},
        {"张三", "abc", 0, "", "该组中已存在此联系人！请重新输入。"},
        {"张三", "13900000001", 1, "张三", ""},  // modify unchanged passes both duplicate checks
        {"一二三四五六七八九十一二三四五六七八九十", "13900000002", 0, "", ""},  // 40 bytes
        {"一二三四五六七八九十一二三四五六七八九十x", "13900000002", 0, "", "联系人名字不能大于40字节！"},
        {n41, "", 0, "", "联系人名字不能大于40字节！"},
        {"<x", "", 0, "", "联系人名字不能“<”打头！"},
        {"0123", "", 0, "", "联系人名字不能全部为数字！"},
        {"0123a", "", 0, "", "请输入联系人的手机号码！"},
        {"李四", "12ab", 0, "", "联系人的手机号码不正确,请重新输入！"},
        {" 王五 ", " 13900000003 ", 0, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + "/" + c.number);
        Boxes boxes;
        CLinkmanEditDlg dlg;
        dlg.m_strOldName = c.old;
        const int r = RunEdit(dlg, c.mode, {c.name, c.number});
        if (c.msg.empty()) {
            EXPECT_EQ(r, IDOK);
            EXPECT_TRUE(boxes.texts.empty());
            // Name and number come back trimmed; every empty field as " ".
            EXPECT_EQ(dlg.m_arrValues[0], codec::TrimAsciiSpace(c.name));
            EXPECT_EQ(dlg.m_arrValues[1], codec::TrimAsciiSpace(c.number));
            for (std::size_t i = 2; i < dlg.m_arrValues.size(); ++i) EXPECT_EQ(dlg.m_arrValues[i], " ");
        } else {
            EXPECT_NE(r, IDOK);
            EXPECT_EQ(boxes.texts, std::vector<std::string>{c.msg});
        }
    }
}

TEST_F(LinkmanDialogsTest, NumberQuestionAndSearch) {
    for (int answer : {1, 0}) {
        Boxes boxes;
        boxes.answer = answer;
        CLinkmanEditDlg dlg;
        const int r = RunEdit(dlg, 0, {"李四", "13900000001"});
        EXPECT_EQ(boxes.texts, std::vector<std::string>{"该组中已存在此号码是否继续?"});
        EXPECT_EQ(r == IDOK, answer == 1);
    }
    Boxes boxes;
    CLinkmanEditDlg dlg;
    ASSERT_EQ(RunEdit(dlg, 2, {"", "139"}), IDOK);
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_EQ(dlg.m_arrValues[0], " ");
    EXPECT_EQ(dlg.m_arrValues[1], "139");
    EXPECT_EQ(dlg.m_strScope, "通信录");
    EXPECT_TRUE(dlg.m_cmbScope->findText(codec::ToQ("A")) >= 0);
}

TEST_F(LinkmanDialogsTest, InPlaceEditWritesTheCell) {
    CLinkmanEditDlg dlg;
    dlg.m_arrItems = book.ReadFields();
    dlg.m_arrValues.assign(dlg.m_arrItems.size(), " ");
    dlg.ShowForHook();
    dlg.BeginEdit(0, 0);  // the first column does nothing
    EXPECT_EQ(dlg.m_nEditRow, -1);
    dlg.BeginEdit(1, 1);
    ASSERT_EQ(dlg.m_nEditRow, 1);
    EXPECT_FALSE(dlg.m_list->isEnabled());
    EXPECT_TRUE(dlg.m_edit->isEnabled());  // typing reaches it
    dlg.m_edit->clear();
    QTest::keyClicks(dlg.m_edit, "13900000009");
    dlg.OnOK();  // commits and stays open
    EXPECT_EQ(dlg.m_nEditRow, -1);
    EXPECT_TRUE(dlg.m_list->isEnabled());
    EXPECT_EQ(dlg.CellText(1), "13900000009");
    dlg.close();
}

TEST_F(LinkmanDialogsTest, GroupNameChecks) {
    struct Case { std::string old, typed, msg, stored; };
    const std::vector<Case> cases = {
        {"", "  ", "联系人类型名称不能为空！", ""},
        {"", "A", "该组名已经存在，请重新输入！", ""},
        {"A", "A", "该组名已经存在，请重新输入！", ""},  // renaming to its current name
        {"", "通信录", "组名不能为“通信录”", ""},
        {"", "x@y", "组名不能包含“@”", ""},
        {"", "  B  ", "", "B"},
        {"", "50%_'", "", "50%_'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Boxes boxes;
        CLinkmanTypeDlg dlg;
        const int r = RunType(dlg, "@通信录", c.old, c.typed);
        EXPECT_EQ(dlg.windowTitle(), codec::ToQ(c.old.empty() ? "新增联系人类型" : "重命名联系人类型"));
        if (c.msg.empty()) {
            EXPECT_EQ(r, IDOK);
            EXPECT_EQ(dlg.m_strName, c.stored);
        } else {
            EXPECT_NE(r, IDOK);
            EXPECT_EQ(boxes.texts, std::vector<std::string>{c.msg});
        }
    }
}

}  // namespace

namespace {
// Offscreen pictures of both dialogs, for a look (SMS_SHOTS names the folder).
TEST_F(LinkmanDialogsTest, RenderWhenAsked) {
    const char* dir = std::getenv("SMS_SHOTS");
    if (!dir) GTEST_SKIP() << "SMS_SHOTS not set";
    CLinkmanEditDlg edit;
    edit.m_pConn = &conn;
    edit.m_nMode = 2;
    edit.m_arrItems = book.ReadFields();
    edit.m_arrValues = {"张三", "13900000001"};
    edit.m_arrValues.resize(edit.m_arrItems.size());
    edit.ShowForHook();
    EXPECT_TRUE(edit.grab().save(QString(dir) + "/linkman_edit.png"));
    CLinkmanTypeDlg type;
    type.m_strName = "A";
    type.ShowForHook();
    EXPECT_TRUE(type.grab().save(QString(dir) + "/linkman_type.png"));
}
}  // namespace
