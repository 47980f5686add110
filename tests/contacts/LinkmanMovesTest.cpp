// Cut-and-paste moves of contacts and groups, on a copy of the shipped database; the questions
// are answered through the message-box seam.
#include "LinkmanFixture.h"
#include "contacts/LinkmanMoves.h"
#include "platform/Seams.h"

#include <gtest/gtest.h>

namespace {

using linkman::CutEntry;
using linkman::PasteOutcome;

// Groups A (D inside, E inside D), AB and B at the root; a contact in each, and the root's own.
class LinkmanMovesTest : public LinkmanDbTest {
protected:
    void SetUp() override {
        LinkmanDbTest::SetUp();
        fields = book.ReadFields();
        for (auto [parent, name] : std::vector<std::pair<std::string, std::string>>{
                 {"@通信录", "A"}, {"@通信录@A", "D"}, {"@通信录@A@D", "E"}, {"@通信录", "AB"}, {"@通信录", "B"}})
            ASSERT_TRUE(book.AddGroup(parent, name));
        for (const char* dir : {"@通信录", "@通信录@A", "@通信录@A@D", "@通信录@A@D@E", "@通信录@AB", "@通信录@B"})
            AddContact(dir, std::string("c") + dir, "13800000001");
    }
    // Pastes with every question answered `answer`; the questions and messages asked.
    std::vector<PasteOutcome> Paste(const std::vector<CutEntry>& entries, const std::string& target, int answer = 1) {
        seam::ScopedMessageBox box([&](const std::string& text, int) {
            asked.push_back(text);
            return answer;
        });
        return linkman::PasteEntries(book, entries, target, fields);
    }
    std::vector<std::string> fields;
    std::vector<std::string> asked;
};

TEST_F(LinkmanMovesTest, GroupMovesAndRefusals) {
    const std::vector<std::string> before = Groups();
    struct Case {
        const char* what;
        CutEntry entry;
        std::string target;
        PasteOutcome::Kind kind;
    } refused[] = {
        {"into itself", {"<A>", "@通信录"}, "@通信录@A", PasteOutcome::kRefused},
        {"into its sub-group", {"<A>", "@通信录"}, "@通信录@A@D@E", PasteOutcome::kRefused},
        {"source gone", {"<X>", "@通信录"}, "@通信录@B", PasteOutcome::kSkipped},
    };
    for (const Case& c : refused) {
        asked.clear();
        const auto out = Paste({c.entry}, c.target);
        ASSERT_EQ(out.size(), 1u) << c.what;
        EXPECT_EQ(out[0].kind, c.kind) << c.what;
        EXPECT_EQ(asked, c.kind == PasteOutcome::kRefused
                             ? std::vector<std::string>{"无法移动“A”：目标组不能为源组的子组。"}
                             : std::vector<std::string>{})
            << c.what;
        EXPECT_EQ(Groups(), before) << c.what;
    }
    // Into the group it was cut from: nothing at all.
    EXPECT_TRUE(Paste({{"<D>", "@通信录@A"}}, "@通信录@A").empty());

    // A into its sibling AB is allowed; the contacts below follow.
    auto out = Paste({{"<A>", "@通信录"}}, "@通信录@AB");
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, PasteOutcome::kMoved);
    EXPECT_TRUE(asked.empty());
    EXPECT_TRUE(book.NameTaken("@通信录@AB@A@D", "c@通信录@A@D"));
    EXPECT_TRUE(book.NameTaken("@通信录@AB@A@D@E", "c@通信录@A@D@E"));
    EXPECT_TRUE(book.NameTaken("@通信录@AB", "c@通信录@AB"));
    EXPECT_FALSE(book.GroupExists("@通信录", "A"));

    // A second paste of the same entry finds no source and asks nothing.
    out = Paste({{"<A>", "@通信录"}}, "@通信录@B");
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, PasteOutcome::kSkipped);
    EXPECT_TRUE(book.GroupExists("@通信录@AB", "A"));
}

TEST_F(LinkmanMovesTest, ReplaceQuestionOkAndCancel) {
    // A namesake group D in B, and a namesake contact of A's in B.
    ASSERT_TRUE(book.AddGroup("@通信录@B", "D"));
    AddContact("@通信录@B@D", "old", "13900000000");
    AddContact("@通信录@B", "c@通信录@A", "13900000001");
    const std::vector<CutEntry> cut = {{"<D>", "@通信录@A"}, {"c@通信录@A", "@通信录@A"}};

    auto out = Paste(cut, "@通信录@B", 0);
    EXPECT_EQ(asked, (std::vector<std::string>{
                         "该目录下一存在组“D”，选择“确定”原有组及其联系人将被删除！",
                         "该目录下一存在联系人“c@通信录@A”，选择“确定”原有联系人将被删除，选择“取消”跳过该联系人。"}));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].kind, PasteOutcome::kSkipped);
    EXPECT_EQ(out[1].kind, PasteOutcome::kSkipped);
    EXPECT_TRUE(book.NameTaken("@通信录@B@D", "old"));
    EXPECT_TRUE(book.GroupExists("@通信录@A", "D"));
    EXPECT_EQ(Column("select 手机号码 from LinkmanTable where 姓名=? and DirInfo=?", "手机号码",
                     {"c@通信录@A", "@通信录@B"}),
              std::vector<std::string>{"13900000001"});

    asked.clear();
    out = Paste(cut, "@通信录@B", 1);
    EXPECT_EQ(asked.size(), 2u);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].kind, PasteOutcome::kMoved);
    EXPECT_TRUE(out[0].replaced);
    EXPECT_EQ(out[1].kind, PasteOutcome::kMoved);
    EXPECT_TRUE(out[1].replaced);
    EXPECT_EQ(out[1].values, (std::vector<std::string>{"c@通信录@A", "13800000001", "", "", "", "", "", ""}));
    EXPECT_FALSE(book.NameTaken("@通信录@B@D", "old"));
    EXPECT_TRUE(book.NameTaken("@通信录@B@D@E", "c@通信录@A@D@E"));
    EXPECT_EQ(book.SubGroups("@通信录@B"), std::vector<std::string>{"D"});
    EXPECT_EQ(Column("select 手机号码 from LinkmanTable where DirInfo=?", "手机号码", {"@通信录@B"}),
              (std::vector<std::string>{"13800000001", "13800000001"}));
}

TEST_F(LinkmanMovesTest, MendedCases) {
    // No group open: refused, nothing moves.
    EXPECT_TRUE(Paste({{"c@通信录@A", "@通信录@A"}}, "").empty());
    EXPECT_EQ(asked, std::vector<std::string>{"请选择添加联系人的目录！"});
    EXPECT_TRUE(book.NameTaken("@通信录@A", "c@通信录@A"));

    // A source deleted before the paste keeps the target's namesake, unasked.
    AddContact("@通信录@B", "c@通信录@A", "13900000001");
    ASSERT_TRUE(book.DeleteContact("@通信录@A", "c@通信录@A"));
    asked.clear();
    auto out = Paste({{"c@通信录@A", "@通信录@A"}}, "@通信录@B");
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, PasteOutcome::kSkipped);
    EXPECT_TRUE(asked.empty());
    EXPECT_TRUE(book.NameTaken("@通信录@B", "c@通信录@A"));

    // @通信录@A@A pasted into the root would delete itself with the A it replaces: refused.
    ASSERT_TRUE(book.AddGroup("@通信录@A", "A"));
    AddContact("@通信录@A@A", "inner", "13900000002");
    const std::vector<std::string> before = Groups();
    out = Paste({{"<A>", "@通信录@A"}}, "@通信录");
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, PasteOutcome::kRefused);
    EXPECT_EQ(asked, std::vector<std::string>{"无法移动“A”：目标组不能为源组的子组。"});
    EXPECT_EQ(Groups(), before);
    EXPECT_TRUE(book.NameTaken("@通信录@A@A", "inner"));
}

TEST_F(LinkmanMovesTest, FailedMoveRollsBackWhole) {
    // The last contact's path rewrite fails: the group row and the paths before it stay.
    ASSERT_EQ(Exec("CREATE TRIGGER refuse BEFORE UPDATE ON LinkmanTable WHEN OLD.DirInfo='@通信录@A@D@E' "
                   "BEGIN SELECT RAISE(ABORT,'refused'); END"),
              0);
    const std::vector<std::string> groups = Groups(), dirs = ContactDirs();
    auto out = Paste({{"<A>", "@通信录"}}, "@通信录@B");
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, PasteOutcome::kFailed);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("refused"), std::string::npos) << asked[0];
    EXPECT_EQ(Groups(), groups);
    EXPECT_EQ(ContactDirs(), dirs);

    // A contact move whose replace delete succeeds but whose update fails keeps the namesake.
    ASSERT_EQ(Exec("CREATE TRIGGER refuse2 BEFORE UPDATE ON LinkmanTable WHEN OLD.DirInfo='@通信录@AB' "
                   "BEGIN SELECT RAISE(ABORT,'refused'); END"),
              0);
    AddContact("@通信录@B", "c@通信录@AB", "13900000001");
    asked.clear();
    out = Paste({{"c@通信录@AB", "@通信录@AB"}}, "@通信录@B");
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, PasteOutcome::kFailed);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_TRUE(book.NameTaken("@通信录@B", "c@通信录@AB"));
    EXPECT_TRUE(book.NameTaken("@通信录@AB", "c@通信录@AB"));
}

}  // namespace
