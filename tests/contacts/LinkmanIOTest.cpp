// Contact import and export, the name lookup, on a copy of the shipped database.
#include "LinkmanFixture.h"
#include "contacts/LinkmanIO.h"
#include "core/ExcelExport.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "support/XlsFixture.h"
#include "support/XlsReadBack.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using Rows = std::vector<std::vector<std::string>>;

class LinkmanIOTest : public LinkmanDbTest {
protected:
    void SetUp() override {
        LinkmanDbTest::SetUp();
        fields = book.ReadFields();
        ASSERT_EQ(fields.size(), 8u);
    }
    // A text file of UTF-8 text stored as GBK.
    std::string TextFile(const std::string& name, const std::string& utf8) {
        const std::string path = app.file(name);
        testsupport::WriteFile(path, codec::ToGbk(utf8));
        return path;
    }
    // Name, number and the first further field of each contact of the group.
    Rows Stored(const std::string& path) {
        Rows out;
        for (const auto& c : book.Contacts(path, fields)) out.push_back({c[0], c[1], c[2]});
        return out;
    }
    std::vector<std::string> fields;
};

TEST_F(LinkmanIOTest, TextLines) {
    const std::string forty(40, 'n');
    struct Case {
        const char* what;
        std::string text;
        Rows want;  // name, number, 单位
    } cases[] = {
        {"valid", "张三\t13800000001\r\n", {{"张三", "13800000001", ""}}},
        {"no TAB", "张三 13800000001\r\n", {}},
        {"leading TAB", "\t张三\t13800000001\r\n", {}},
        {"name is a number", "13800000002\t13800000001\r\n", {}},
        {"bad number", "张三\t1380000abc\r\n", {}},
        {"further fields", "  张三 \t 13800000001 \t单位X\t职务\t\t\t\t备注\t多余\r\n", {{"张三", "13800000001", "单位X"}}},
        {"LF and CR LF", "a\t13800000001\nb\t13800000002\r\n\r\n\nc\t13800000003", {{"a", "13800000001", ""},
                                                                                    {"b", "13800000002", ""},
                                                                                    {"c", "13800000003", ""}}},
        {"group-like name", "<组>\t13800000001\r\n", {}},
        {"41 bytes", forty + "x\t13800000001\r\n", {}},
        {"40 bytes", forty + "\t13800000001\r\n", {{forty, "13800000001", ""}}},
        {"20 Chinese are 40 bytes", "一二三四五六七八九十一二三四五六七八九十\t13800000001\r\n",
         {{"一二三四五六七八九十一二三四五六七八九十", "13800000001", ""}}},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string group = "G" + std::to_string(n++);
        ASSERT_TRUE(book.AddGroup(linkman::kRootPath, group));
        const std::string path = linkman::GroupPath(linkman::kRootPath, group);
        const linkman::ImportResult r = linkman::ImportFile(book, path, TextFile(group + ".txt", c.text), fields);
        EXPECT_EQ(r.error, "") << c.what;
        EXPECT_EQ(Stored(path), c.want) << c.what;
        EXPECT_EQ(r.added.size(), c.want.size()) << c.what;
    }
    // The further fields land in field order; the ninth value has no field.
    const auto stored = book.Contacts("@通信录@G5", fields);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0], (std::vector<std::string>{"张三", "13800000001", "单位X", "职务", "", "", "", "备注"}));
}

TEST_F(LinkmanIOTest, DuplicatesInOneMessageAndUpperCaseTxtIsExcel) {
    const std::string file = TextFile("a.txt", "张三\t13800000001\r\n李四\t13800000002\r\n张三\t13800000003\r\n");
    linkman::ImportResult r = linkman::ImportFile(book, linkman::kRootPath, file, fields);
    EXPECT_EQ(r.added.size(), 2u);
    EXPECT_EQ(r.duplicates, "“张三”");
    r = linkman::ImportFile(book, linkman::kRootPath, file, fields);
    EXPECT_TRUE(r.added.empty());
    EXPECT_EQ(linkman::DuplicateMessage(r.duplicates),
              "该组中已经存在姓名为“张三”“李四”“张三”的联系人，该联系人信息不会被导入");
    EXPECT_EQ(linkman::DuplicateMessage(""), "");

    const std::string upper = TextFile("b.TXT", "王五\t13800000004\r\n");
    r = linkman::ImportFile(book, linkman::kRootPath, upper, fields);
    EXPECT_EQ(r.error.rfind("打开Excel文件出错：", 0), 0u) << r.error;
    EXPECT_FALSE(book.NameTaken(linkman::kRootPath, "王五"));
    // A missing text file imports nothing, silently.
    r = linkman::ImportFile(book, linkman::kRootPath, app.file("none.txt"), fields);
    EXPECT_TRUE(r.added.empty() && r.error.empty());
}

TEST_F(LinkmanIOTest, FailedInsertEndsTheImportKeepingTheRowsBefore) {
    ASSERT_EQ(Exec("CREATE TRIGGER refuse BEFORE INSERT ON LinkmanTable WHEN NEW.姓名='坏' "
                   "BEGIN SELECT RAISE(ABORT,'refused'); END"),
              0);
    std::string text;
    for (int i = 0; i < 700; ++i) text += "n" + std::to_string(i) + "\t" + std::to_string(13800000000LL + i) + "\r\n";
    text += "坏\t13900000000\r\n后\t13900000001\r\n";
    std::vector<std::size_t> progress;
    const linkman::ImportResult r =
        linkman::ImportFile(book, linkman::kRootPath, TextFile("a.txt", text), fields,
                            [&](std::size_t done, std::size_t total) {
                                EXPECT_EQ(total, 702u);
                                progress.push_back(done);
                                return true;
                            });
    EXPECT_NE(r.error.find("refused"), std::string::npos) << r.error;
    EXPECT_EQ(r.added.size(), 700u);
    EXPECT_EQ(progress, (std::vector<std::size_t>{linkman::kImportBlock, 700}));
    EXPECT_EQ(book.Contacts(linkman::kRootPath, fields).size(), 700u);
    EXPECT_FALSE(book.NameTaken(linkman::kRootPath, "后"));
}

TEST_F(LinkmanIOTest, ExportReadBackAndImportedIntoAnotherGroup) {
    ASSERT_TRUE(book.AddGroup(linkman::kRootPath, "A"));
    ASSERT_TRUE(book.AddGroup(linkman::kRootPath, "B"));
    const std::string a = "@通信录@A";
    ASSERT_TRUE(book.InsertContact(a, fields, {"张三", "13800000001", "单位", "", "", "x@y", "<北京>", "说'好'"}));
    ASSERT_TRUE(book.InsertContact(a, fields, {"Ann", "13800000002"}));
    const Rows rows = book.Contacts(a, fields);
    const std::string file = app.file("out.xls");
    EXPECT_EQ(linkman::ExportContacts(file, fields, rows), "Excel文件写入成功！");

    const xlsread::Sheet s = xlsread::ReadFreexl(file);
    ASSERT_EQ(s.error, FREEXL_OK);
    EXPECT_EQ(s.name, "通信录");
    ASSERT_EQ(s.rows.size(), 3u);
    EXPECT_EQ(s.rows[0], fields);
    EXPECT_EQ(s.rows[1], (std::vector<std::string>{"Ann", "13800000002", " ", " ", " ", " ", " ", " "}));
    EXPECT_EQ(s.rows[2], (std::vector<std::string>{"张三", "13800000001", "单位", " ", " ", "x@y", "<北京>", "说'好'"}));
    EXPECT_EQ(xlsread::RunPython(xlsread::kXlrdDump, file),
              "通信录\n3\n姓名|手机号码|单位|职务|办公电话|电子邮件|地址|备注\nAnn|13800000002| | | | | | \n"
              "张三|13800000001|单位| | |x@y|<北京>|说'好'\n");

    const linkman::ImportResult r = linkman::ImportFile(book, "@通信录@B", file, fields);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(book.Contacts("@通信录@B", fields), rows);
    // Empty further cells are left out of the insert: read back empty.
    EXPECT_EQ(r.added[0], (std::vector<std::string>{"Ann", "13800000002", "", "", "", "", "", ""}));

    // An empty group: the header alone, and success.
    EXPECT_EQ(linkman::ExportContacts(file, fields, {}), "Excel文件写入成功！");
    const xlsread::Sheet e = xlsread::ReadFreexl(file);
    ASSERT_EQ(e.error, FREEXL_OK);
    EXPECT_EQ(e.rows, Rows{fields});
}

TEST_F(LinkmanIOTest, ExportOfMoreRowsThanASheetHoldsWritesWhatFits) {
    Rows rows(xls::kMaxRows, std::vector<std::string>{"n", "13800000001"});
    rows.back()[0] = "last";
    const std::string file = app.file("big.xls");
    rows.push_back(rows.front());
    EXPECT_EQ(linkman::ExportContacts(file, fields, rows), excel::TooManyRowsText(65537));
    EXPECT_EQ(excel::TooManyRowsText(65537), "Excel 97-2003工作表最多容纳65535行记录：已写入65535行，其余2行未导出！");
    EXPECT_EQ(xlsread::RunPython(xlsread::kXlrdDump, file).substr(0, 16), "通信录\n65536\n");
    // A file that cannot be written fails too.
    EXPECT_EQ(linkman::ExportContacts(app.file("no/such/dir.xls"), fields, {}), excel::kWriteFailedText);
}

TEST_F(LinkmanIOTest, ExcelFixtures) {
    using xlsfix::Number;
    using xlsfix::Rk;
    using xlsfix::Text;
    const std::vector<xlsfix::Cell> header = {Text("姓名"), Text("手机"), Text("c"), Text("d"),
                                              Text("e"),    Text("f"),    Text("g"), Text("h")};
    auto row = [](xlsfix::Cell name, xlsfix::Cell number, xlsfix::Cell third = {}) {
        return std::vector<xlsfix::Cell>{name, number, third, {}, {}, {}, {}, {}};
    };
    const std::string file = app.file("f.xls");
    const std::vector<xlsfix::Sheet> sheets = {
        {"其他", {{Text("x")}}},
        {"通信录",
         {header, row(Text("小数"), Number(13800000001.75), Number(2.5)), row(Text("整数"), Number(13912345678.0), Rk(42)),
          row(Number(12.345), Text("  139")), row(Text("  "), Text("13900000000")),
          row(Text("<组>"), Text("13900000001")), row(Text(" 空号 "), {})}}};
    ASSERT_TRUE(xlsfix::WriteWorkbook(file, sheets));
    const linkman::ImportResult r = linkman::ImportFile(book, linkman::kRootPath, file, fields);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(Stored(linkman::kRootPath), (Rows{{"12.34", "139", ""},
                                                {"小数", "13800000001", "2.50"},
                                                {"整数", "13912345678", "42"}}));

    struct Bad {
        const char* what;
        std::vector<xlsfix::Sheet> sheets;
        const char* reason;
    } bad[] = {
        {"no sheet", {{"Sheet1", {header, row(Text("a"), Text("13800000001"))}}}, "没有工作表“通信录”"},
        {"too few columns", {{"通信录", {{Text("姓名"), Text("手机")}, {Text("a"), Text("13800000001")}}}},
         "工作表“通信录”只有2列，联系人有8个字段"},
    };
    for (const Bad& b : bad) {
        ASSERT_TRUE(xlsfix::WriteWorkbook(file, b.sheets));
        const linkman::ImportResult e = linkman::ImportFile(book, "@通信录@X", file, fields);
        EXPECT_EQ(e.error, std::string("打开Excel文件出错：") + b.reason) << b.what;
        EXPECT_TRUE(e.added.empty()) << b.what;
    }
    // Not a workbook: a short text, and a database file.
    testsupport::WriteFile(file, "姓名\t手机\r\n");
    EXPECT_EQ(linkman::ImportFile(book, "@通信录@X", file, fields).error, "打开Excel文件出错：不是Excel 97-2003工作簿");
    EXPECT_EQ(linkman::ImportFile(book, "@通信录@X", app.file("LinkmanBook.mdb"), fields).error,
              "打开Excel文件出错：不是Excel 97-2003工作簿");
}

TEST_F(LinkmanIOTest, ExcelNumbersReadAlikeUnderEveryLocale) {
    using xlsfix::Number;
    using xlsfix::Text;
    std::vector<xlsfix::Cell> header = {Text("姓名"), Text("手机")};
    header.resize(8, Text("x"));
    auto row = [](xlsfix::Cell name, xlsfix::Cell number, xlsfix::Cell third) {
        return std::vector<xlsfix::Cell>{name, number, third, {}, {}, {}, {}, {}};
    };
    const std::string file = app.file("n.xls");
    ASSERT_TRUE(xlsfix::WriteWorkbook(file, {{"通信录", {header, row(Text("小数"), Number(13800000001.75), Number(2.5)),
                                                       row(Number(12.345), Text("139"), Number(-0.75))}}}));
    int n = 0;
    const auto missing = testsupport::UnderEachTestLocale([&](const char* locale) {
        SCOPED_TRACE(locale);
        const std::string group = std::string(linkman::kRootPath) + "@" + std::to_string(++n);
        EXPECT_EQ(linkman::ImportFile(book, group, file, fields).error, "");
        EXPECT_EQ(Stored(group), (Rows{{"12.34", "139", "-0.75"}, {"小数", "13800000001", "2.50"}}));
    });
    if (!missing.empty()) GTEST_SKIP() << missing[0] << " is not installed (scripts/install-deps.sh generates it)";
}

TEST_F(LinkmanIOTest, NameLookup) {
    ASSERT_TRUE(book.AddGroup(linkman::kRootPath, "A"));
    AddContact("@通信录@A", "张三", "13800000001");
    EXPECT_EQ(book.NameOfNumber("13800000001"), "张三");
    EXPECT_EQ(book.NameOfNumber("13800000009"), "");
    CAdoConnection closed;
    EXPECT_EQ(CLinkmanBook(&closed).NameOfNumber("13800000001"), "");
    EXPECT_EQ(CLinkmanBook().NameOfNumber("13800000001"), "");
}

// The receive thread looks numbers up while the UI thread imports and moves a group.
TEST_F(LinkmanIOTest, LookupThreadsWhileTheBookIsWritten) {
    AddContact(linkman::kRootPath, "固定", "13700000000");
    ASSERT_TRUE(book.AddGroup(linkman::kRootPath, "A"));
    ASSERT_TRUE(book.AddGroup(linkman::kRootPath, "B"));
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "n" + std::to_string(i) + "\t" + std::to_string(13800000000LL + i) + "\n";
    const std::string file = TextFile("a.txt", text);

    CLinkmanBook other;
    std::atomic<bool> stop{false};
    std::atomic<int> lookups{0}, wrong{0};
    std::thread reader([&] {
        while (!stop) {
            const bool open = other.IsOpen();
            const std::string fixed = other.NameOfNumber("13700000000");
            if (open ? fixed != "固定" : !fixed.empty() && fixed != "固定") ++wrong;
            const std::string n = other.NameOfNumber("13800001999");
            if (!n.empty() && n != "n1999") ++wrong;
            ++lookups;
        }
    });
    other.SetConnection(&conn);
    const linkman::ImportResult r = linkman::ImportFile(book, "@通信录@A", file, fields);
    EXPECT_EQ(r.added.size(), 2000u);
    ASSERT_TRUE(book.MoveGroup(linkman::kRootPath, "A", "@通信录@B", false));
    EXPECT_TRUE(testsupport::WaitUntil([&] { return lookups > 20; }));
    stop = true;
    reader.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(other.NameOfNumber("13800001999"), "n1999");
}

}  // namespace
