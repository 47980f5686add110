// The address book's path rules and statements, on a copy of the shipped database.
#include "LinkmanFixture.h"

#include <gtest/gtest.h>

using linkman::GroupPath;
using linkman::LiesBelow;
using linkman::RewriteStart;

TEST(LinkmanPathTest, Rules) {
    struct Case {
        const char* path;
        const char* group;
        bool below;
    } cases[] = {
        {"@通信录@A", "@通信录@A", true},       {"@通信录@AB", "@通信录@A", false},
        {"@通信录@A@D", "@通信录@A", true},     {"@通信录", "@通信录@A", false},
        {"@通信录@a@D", "@通信录@A", true},     {"@通信录@A%", "@通信录@A", false},
        {"@通信录@A@D@E", "@通信录", true},
    };
    for (const Case& c : cases) EXPECT_EQ(LiesBelow(c.path, c.group), c.below) << c.path << " / " << c.group;
    EXPECT_EQ(GroupPath("@通信录@A", "D"), "@通信录@A@D");
    EXPECT_EQ(RewriteStart("@通信录@A@D", "@通信录@A", "@通信录@X"), "@通信录@X@D");
    EXPECT_EQ(RewriteStart("@通信录@AB", "@通信录@A", "@通信录@X"), "@通信录@AB");
    EXPECT_EQ(RewriteStart("@通信录@A", "@通信录@A", "@通信录@B@A"), "@通信录@B@A");
    EXPECT_EQ(linkman::QuoteIdent("a\"b"), "\"a\"\"b\"");
}

// Groups A (with D inside, E inside D), AB and the wildcard names A% and A_ at the root, with
// one contact in each and one at the root.
class LinkmanBookTest : public LinkmanDbTest {
protected:
    void SetUp() override {
        LinkmanDbTest::SetUp();
        for (auto [parent, name] : std::vector<std::pair<std::string, std::string>>{
                 {"@通信录", "A"}, {"@通信录@A", "D"}, {"@通信录@A@D", "E"}, {"@通信录", "AB"},
                 {"@通信录", "A%"}, {"@通信录", "A_"}})
            ASSERT_TRUE(book.AddGroup(parent, name));
        for (const char* dir : {"@通信录", "@通信录@A", "@通信录@A@D", "@通信录@A@D@E", "@通信录@AB",
                                "@通信录@A%", "@通信录@A_"})
            AddContact(dir, std::string("c") + dir, "13800000001");
    }
};

TEST_F(LinkmanBookTest, DeleteGroupTakesExactlyItsSubtree) {
    ASSERT_TRUE(book.DeleteGroup("@通信录", "A"));
    EXPECT_EQ(Groups(), (std::vector<std::string>{"@通信录@A%", "@通信录@AB", "@通信录@A_"}));
    EXPECT_EQ(ContactDirs(), (std::vector<std::string>{"@通信录", "@通信录@A%", "@通信录@AB", "@通信录@A_"}));
    // A wildcard name reaches no other group.
    ASSERT_TRUE(book.DeleteGroup("@通信录", "A%"));
    ASSERT_TRUE(book.DeleteGroup("@通信录", "A_"));
    EXPECT_EQ(Groups(), (std::vector<std::string>{"@通信录@AB"}));
    EXPECT_EQ(ContactDirs(), (std::vector<std::string>{"@通信录", "@通信录@AB"}));
}

TEST_F(LinkmanBookTest, RenameAndMoveRewriteThePathStart) {
    ASSERT_TRUE(book.RenameGroup("@通信录", "A", "X"));
    EXPECT_EQ(Groups(), (std::vector<std::string>{"@通信录@A%", "@通信录@AB", "@通信录@A_", "@通信录@X",
                                                  "@通信录@X@D", "@通信录@X@D@E"}));
    EXPECT_TRUE(book.NameTaken("@通信录@X@D", "c@通信录@A@D"));
    EXPECT_TRUE(book.NameTaken("@通信录@AB", "c@通信录@AB"));

    // Move X into AB; then refuse moving AB into its own sub-group.
    ASSERT_TRUE(book.MoveGroup("@通信录", "X", "@通信录@AB", false));
    EXPECT_TRUE(book.NameTaken("@通信录@AB@X@D@E", "c@通信录@A@D@E"));
    EXPECT_FALSE(book.MoveGroup("@通信录", "AB", "@通信录@AB@X", false));
    EXPECT_FALSE(book.MoveGroup("@通信录", "AB", "@通信录@AB", false));
    EXPECT_TRUE(book.GroupExists("@通信录", "AB"));
    EXPECT_EQ(book.SubGroups("@通信录@AB@X"), std::vector<std::string>{"D"});
}

TEST_F(LinkmanBookTest, MoveGroupReplacesANamesakeInTheTarget) {
    ASSERT_TRUE(book.AddGroup("@通信录@AB", "D"));
    AddContact("@通信录@AB@D", "old", "13800000002");
    ASSERT_TRUE(book.MoveGroup("@通信录@A", "D", "@通信录@AB", true));
    EXPECT_FALSE(book.NameTaken("@通信录@AB@D", "old"));
    EXPECT_TRUE(book.NameTaken("@通信录@AB@D@E", "c@通信录@A@D@E"));
    EXPECT_EQ(book.SubGroups("@通信录@AB"), std::vector<std::string>{"D"});
    EXPECT_TRUE(book.SubGroups("@通信录@A").empty());
}

TEST_F(LinkmanBookTest, QuotesAndWildcardsAreValues) {
    const std::vector<std::string> cols = {"姓名", "手机号码", "单位"};
    ASSERT_TRUE(book.InsertContact("@通信录@AB", cols, {"x' or '1'='1", "13800000003", ""}));
    ASSERT_TRUE(book.InsertContact("@通信录@AB", cols, {"O'Neil", "13800000004", "a'b"}));
    EXPECT_EQ(*book.ReadContact("@通信录@AB", "O'Neil", cols), (std::vector<std::string>{"O'Neil", "13800000004", "a'b"}));
    // An empty field is stored as " " and reads back empty.
    EXPECT_EQ(Column("select 单位 from LinkmanTable where 姓名=?", "单位", {"x' or '1'='1"}, false),
              std::vector<std::string>{" "});
    ASSERT_TRUE(book.DeleteContact("@通信录@AB", "x' or '1'='1"));
    EXPECT_EQ(book.Contacts("@通信录@AB", {"姓名"}),
              (std::vector<std::vector<std::string>>{{"c@通信录@AB"}, {"O'Neil"}}));
    EXPECT_EQ(book.NameOfNumber("13800000004"), "O'Neil");
    EXPECT_EQ(book.NumbersOf({{"O'Neil", "@通信录@AB"}, {"O'Neil", "@通信录"}, {"c@通信录@AB", "@通信录@AB"}}),
              (std::vector<std::string>{"13800000004", "13800000001"}));
    // Group names with a quote are kept as typed.
    ASSERT_TRUE(book.AddGroup("@通信录", "q'g"));
    EXPECT_TRUE(book.GroupExists("@通信录", "q'g"));
}

TEST_F(LinkmanBookTest, SearchScopeAndValues) {
    const std::vector<std::string> f = {"姓名", "手机号码"};
    auto names = [&](bool withScope, const std::string& scope, const std::vector<std::string>& v) {
        std::vector<std::string> out;
        for (const LinkmanRow& r : book.Search(withScope, scope, f, v)) out.push_back(r.values[0] + "|" + r.dir);
        return out;
    };
    EXPECT_EQ(names(true, "D", {" ", " "}),
              (std::vector<std::string>{"c@通信录@A@D|@通信录@A@D", "c@通信录@A@D@E|@通信录@A@D@E"}));
    EXPECT_EQ(names(true, "通信录", {"AB", " "}), std::vector<std::string>{"c@通信录@AB|@通信录@AB"});
    EXPECT_EQ(names(false, "", {" ", "0001"}).size(), 7u);
    EXPECT_TRUE(names(false, "", {" ", " "}).empty());
}

TEST_F(LinkmanBookTest, AFailedEditKeepsTheOldContact) {
    ASSERT_EQ(Exec("create trigger refuse before insert on LinkmanTable when new.姓名='bad' "
                   "begin select raise(abort, 'refused'); end"),
              0);
    const std::vector<std::string> cols = {"姓名", "手机号码"};
    EXPECT_FALSE(book.EditContact("@通信录@AB", "c@通信录@AB", cols, {"bad", "13900000000"}));
    EXPECT_NE(book.ErrorText().find("refused"), std::string::npos) << book.ErrorText();
    EXPECT_EQ(*book.ReadContact("@通信录@AB", "c@通信录@AB", cols),
              (std::vector<std::string>{"c@通信录@AB", "13800000001"}));
    EXPECT_TRUE(book.EditContact("@通信录@AB", "c@通信录@AB", cols, {"good", "13900000000"}));
    EXPECT_EQ(book.Contacts("@通信录@AB", cols), (std::vector<std::vector<std::string>>{{"good", "13900000000"}}));
}

TEST(LinkmanClosedTest, ClosedBookFailsEveryWrite) {
    CAdoConnection conn;
    CLinkmanBook book(&conn);
    EXPECT_FALSE(book.AddGroup("@通信录", "A"));
    EXPECT_FALSE(book.DeleteGroup("@通信录", "A"));
    EXPECT_FALSE(book.InsertContact("@通信录", {"姓名"}, {"x"}));
    EXPECT_EQ(book.ErrorText(), "连接数据库失败！");
    EXPECT_TRUE(book.ReadFields().empty());
}
