#include "contacts/AdoConnection.h"
#include "contacts/AdoRecordset.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;
using db::Texts;
using db::Variant;

namespace {

const char* const kFields[] = {"姓名", "手机号码", "单位", "职务", "办公电话", "电子邮件", "地址", "备注"};

std::string BookConnectString() {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + g_strAppPath +
           "\\LinkmanBook.mdb;Persist Security Info=False;Jet OLEDB:Database Password=K9%fT2&mQ7!xR4p;";
}

// A program folder holding fresh copies of the shipped databases, both connections open.
class AdoTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"LinkmanBook.mdb", "Smsdb.mdb"})
            fs::copy_file(fs::path(SMS_APP_DIR) / name, fs::path(app.path()) / name);
        ASSERT_EQ(book.Open(BookConnectString()), 1) << book.GetErrorsText();
        ASSERT_EQ(sms.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + g_strAppPath + "\\Smsdb.mdb;"), 1);
    }

    int Run(CAdoConnection& conn, const std::string& sql, const std::vector<Variant>& binds = {}) {
        CAdoRecordset rs;
        rs.SetConnection(&conn);
        return rs.Open(sql, 1, 3, 3, binds);
    }

    void AddContact(const std::string& dir, const std::string& name, const std::string& mobile) {
        ASSERT_EQ(Run(book, "insert into LinkmanTable (DirInfo,姓名,手机号码) values (?,?,?)",
                      Texts({dir, name, mobile})),
                  0);
    }

    // One field of every row of a query, in order.
    std::vector<std::string> Column(CAdoConnection& conn, const std::string& sql, const std::string& field,
                                    const std::vector<Variant>& binds = {}) {
        CAdoRecordset rs;
        rs.SetConnection(&conn);
        std::vector<std::string> out;
        if (rs.Open(sql, 1, 3, 3, binds) < 0) return {"<failed>"};
        while (!rs.IsEOF()) {
            std::string v = "<unread>";
            rs.GetFieldValue(v, field);
            out.push_back(v);
            rs.MoveNext();
        }
        rs.Close();
        return out;
    }

    std::string RunLog() { return codec::FromGbk(testsupport::ReadFile(app.file("RunLog.txt"))); }

    testsupport::TempAppDir app;
    CAdoConnection book;
    CAdoConnection sms;
};

}  // namespace

TEST_F(AdoTest, ShippedAddressBookHasItsFieldsAndTables) {
    EXPECT_EQ(Column(book, "select * from LinkmanItemTable order by ItemIndex", "LinkmanItem"),
              std::vector<std::string>(std::begin(kFields), std::end(kFields)));
    CAdoRecordset rs;
    rs.SetConnection(&book);
    EXPECT_EQ(rs.Open("select * from LinkmanTable", 1, 3, 3), 0);
    ASSERT_EQ(rs.GetFieldCount(), 9);
    EXPECT_EQ(rs.GetFieldName(0), "DirInfo");
    for (int i = 0; i < 8; ++i) EXPECT_EQ(rs.GetFieldName(i + 1), kFields[i]);
    EXPECT_EQ(rs.GetFieldName(9), "");
    EXPECT_EQ(rs.Open("select FatherDir, ChildDir from DirTable", 1, 3, 3), 0);
    EXPECT_EQ(Run(sms, "select * from sqlite_schema"), 0);  // Smsdb.mdb ships empty

    // Every column of the three tables is text and compares with ASCII case folded.
    db::Database& conn = *book.GetConnection();
    const auto columns = conn.SchemaColumns();
    ASSERT_TRUE(columns.has_value());
    std::vector<std::string> tables;
    ASSERT_EQ(book.BeginTrans(), 1);
    for (const auto& row : columns->rows) {
        const std::string& table = row[0].s;
        const std::string& column = row[1].s;
        if (tables.empty() || tables.back() != table) tables.push_back(table);
        const auto type = conn.Run("select type from pragma_table_info(?) where name=?", Texts({table, column}));
        ASSERT_TRUE(type && type->rows.size() == 1) << table << "." << column;
        EXPECT_EQ(type->rows[0][0].s, "TEXT") << table << "." << column;
        ASSERT_TRUE(conn.Run("insert into \"" + table + "\" (\"" + column + "\") values ('Ab阿')"));
        const auto hit = conn.Run("select count(*) from \"" + table + "\" where \"" + column + "\"='aB阿'");
        ASSERT_TRUE(hit.has_value());
        EXPECT_EQ(hit->rows[0][0].i, 1) << table << "." << column;
    }
    EXPECT_EQ(book.RollbackTrans(), 1);
    EXPECT_EQ(tables, (std::vector<std::string>{"DirTable", "LinkmanItemTable", "LinkmanTable"}));
}

TEST_F(AdoTest, OpenResults) {
    CAdoRecordset detached;
    EXPECT_EQ(detached.Open("select * from DirTable", 1, 3, 3), -1);

    struct Case {
        const char* sql;
        int result;
    } const cases[] = {
        {"insert into DirTable (FatherDir,ChildDir) values ('@通信录','@A')", 0},
        {"select * from DirTable where FatherDir='nobody'", 0},
        {"select * from DirTable where FatherDir='@通信录'", 1},
        {"update DirTable set ChildDir='@B' where ChildDir='@A'", 0},
        {"selec * from DirTable", -1},
        {"select * from NoSuchTable", -1},
        {"", -1},
        {"delete from DirTable", 0},
        {"select * from DirTable", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(Run(book, c.sql), c.result) << c.sql;

    CAdoRecordset rs;
    rs.SetConnection(&book);
    EXPECT_EQ(rs.Open("select * from DirTable", 2, 3, 3), -1);  // only command text is run
}

TEST_F(AdoTest, FieldValuesAsText) {
    ASSERT_EQ(Run(sms, "create table t (k, v)"), 0);
    const std::vector<std::pair<Variant, std::string>> cases = {
        {Variant::Null(), ""},
        {Variant::Text("  两头有空格 \t"), "两头有空格"},
        {Variant::Text("   "), ""},
        {Variant::Text("NULL"), ""},
        {Variant::Text(" NULL "), "NULL"},  // only the exact four letters read as empty
        {Variant::Text("null"), "null"},
        {Variant::Double(13812345678.0), "13812345678"},
        {Variant::Int64(13812345678), "13812345678"},
        {Variant::Double(12.25), "12.25"},
        {Variant::Double(12.005), "12"},
        {Variant::Double(3.5), "3.50"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i)
        ASSERT_EQ(Run(sms, "insert into t (k, v) values (?, ?)",
                      {Variant::Int64(static_cast<std::int64_t>(i)), cases[i].first}),
                  0);
    CAdoRecordset rs;
    rs.SetConnection(&sms);
    ASSERT_EQ(rs.Open("select * from t order by k", 1, 3, 3), 1);
    EXPECT_EQ(rs.GetRecordCount(), static_cast<long>(cases.size()));
    for (const auto& c : cases) {
        ASSERT_FALSE(rs.IsEOF());
        std::string v = "old";
        EXPECT_EQ(rs.GetFieldValue(v, "v"), 1);
        EXPECT_EQ(v, c.second);
        EXPECT_EQ(rs.MoveNext(), 1);
    }
    EXPECT_NE(rs.IsEOF(), 0);
    EXPECT_EQ(rs.MoveNext(), 0);

    // Past the last row: nothing read, nothing logged.
    std::string v = "kept";
    EXPECT_EQ(rs.GetFieldValue(v, "v"), 0);
    EXPECT_EQ(v, "kept");
    EXPECT_EQ(RunLog(), "");

    // Closed: nothing read, one run-log line.
    EXPECT_EQ(rs.Close(), 1);
    EXPECT_EQ(rs.GetFieldValue(v, "v"), 0);
    EXPECT_EQ(v, "kept");
    EXPECT_NE(RunLog().find("数据库可能已经断开。\r\n"), std::string::npos);
}

TEST_F(AdoTest, FieldLookupAndBytes) {
    ASSERT_EQ(Run(sms, "create table t (Name, data)"), 0);
    ASSERT_EQ(Run(sms, "insert into t values (?, ?)", {Variant::Text("x"), Variant::Blob("\x01\x02")}), 0);
    CAdoRecordset rs;
    rs.SetConnection(&sms);
    ASSERT_EQ(rs.Open("select * from t", 1, 3, 3), 1);
    std::string v;
    EXPECT_EQ(rs.GetFieldValue(v, "NAME"), 1);  // field names fold ASCII case
    EXPECT_EQ(v, "x");
    EXPECT_EQ(rs.GetFieldValue(v, "missing"), 0);
    EXPECT_EQ(rs.GetFieldValue(v, "data"), 0);  // bytes have no text
    EXPECT_EQ(v, "x");
    EXPECT_EQ(RunLog(), "");
}

TEST_F(AdoTest, ClosingWhatNeverOpened) {
    CAdoConnection conn;
    EXPECT_EQ(conn.Close(), 0);
    EXPECT_EQ(conn.GetErrorsText(), "");
    CAdoRecordset rs;
    EXPECT_EQ(rs.Close(), 1);
    EXPECT_NE(rs.IsEOF(), 0);
    EXPECT_EQ(rs.MoveNext(), 0);
    EXPECT_EQ(rs.GetRecordCount(), 0);
    EXPECT_EQ(rs.GetFieldCount(), -1);
    EXPECT_EQ(rs.GetFields(), nullptr);
    EXPECT_EQ(rs.Update(), 0);
    EXPECT_EQ(book.Close(), 1);
    EXPECT_EQ(book.Close(), 0);
}

TEST_F(AdoTest, ReleasedObjectsFailEverything) {
    CAdoRecordset rs;
    rs.SetConnection(&book);
    ASSERT_EQ(rs.Open("select * from LinkmanItemTable", 1, 3, 3), 1);
    EXPECT_EQ(rs.Release(), 1);
    EXPECT_EQ(rs.Open("select * from LinkmanItemTable", 1, 3, 3), -1);
    std::string v;
    EXPECT_EQ(rs.GetFieldValue(v, "LinkmanItem"), 0);
    int rounds = 0;
    while (!rs.IsEOF() && rounds < 3) ++rounds;  // the usual loop ends at once
    EXPECT_EQ(rounds, 0);

    EXPECT_EQ(book.Release(), 1);
    EXPECT_EQ(book.GetConnection(), nullptr);
    EXPECT_EQ(book.Open(BookConnectString()), 0);
    EXPECT_EQ(book.Close(), 0);
    EXPECT_EQ(book.OpenSchema(4), nullptr);
}

TEST_F(AdoTest, ClosingTheConnectionClosesItsRecordsets) {
    CAdoRecordset rs;
    rs.SetConnection(&book);
    ASSERT_EQ(rs.Open("select * from LinkmanItemTable", 1, 3, 3), 1);
    EXPECT_EQ(book.Close(), 1);
    EXPECT_NE(rs.IsEOF(), 0);
    std::string v;
    EXPECT_EQ(rs.GetFieldValue(v, "LinkmanItem"), 0);
    EXPECT_NE(RunLog().find("数据库可能已经断开。"), std::string::npos);
    // Opening again does not bring the old recordset back.
    ASSERT_EQ(book.Open(BookConnectString()), 1);
    EXPECT_NE(rs.IsEOF(), 0);
    EXPECT_EQ(rs.Open("select * from LinkmanItemTable", 1, 3, 3), 1);
}

TEST_F(AdoTest, ConnectionOpensExistingDatabasesOnly) {
    CAdoConnection conn;
    const std::string missing = app.file("Missing.mdb");
    EXPECT_EQ(conn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + g_strAppPath + "\\Missing.mdb;"), 0);
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_EQ(conn.GetErrorsText().rfind("Description: unable to open database file", 0), 0u);

    testsupport::WriteFile(app.file("Text.mdb"), "this is not a database, only text and more text\n");
    EXPECT_EQ(conn.Open("Data Source=" + g_strAppPath + "\\Text.mdb"), 0);
    EXPECT_NE(conn.GetErrorsText().find("not a database"), std::string::npos);

    testsupport::WriteFile(app.file("Empty.mdb"), "");
    EXPECT_EQ(conn.Open("Data Source=" + g_strAppPath + "\\Empty.mdb"), 0);
    EXPECT_EQ(fs::file_size(app.file("Empty.mdb")), 0u);

    EXPECT_EQ(conn.Open("Provider=MSDASQL;DSN=TFE1;UID=;PWD=;"), 0);  // no file named
    EXPECT_EQ(conn.Open("Data Source=\"" + g_strAppPath + "\\Smsdb.mdb\""), 1);
    EXPECT_EQ(conn.Open("Data Source=" + g_strAppPath + "\\Smsdb.mdb"), 0);  // already open
    EXPECT_EQ(conn.Close(), 1);
}

TEST_F(AdoTest, ErrorsTextFormat) {
    EXPECT_EQ(Run(book, "selec * from DirTable"), -1);
    EXPECT_EQ(book.GetErrorsText(),
              "Description: near \"selec\": syntax error\r\n\r\nState: SQLITE_ERROR, Native: 1, Source: SQLite\r\n");
    // A later success leaves no stale report behind.
    EXPECT_EQ(Run(book, "select * from DirTable"), 0);
    EXPECT_EQ(book.GetErrorsText(), "");
}

TEST_F(AdoTest, OneStatementPerText) {
    AddContact("@通信录", "甲", "13800000001");
    EXPECT_EQ(Run(book, "insert into DirTable (FatherDir,ChildDir) values ('@通信录','@A'); delete from LinkmanTable"), -1);
    EXPECT_NE(book.GetErrorsText(), "");
    EXPECT_EQ(Column(book, "select * from DirTable", "ChildDir"), std::vector<std::string>{});
    EXPECT_EQ(Column(book, "select * from LinkmanTable", "姓名"), std::vector<std::string>{"甲"});
    EXPECT_EQ(Run(book, std::string("select * from LinkmanTable\0; delete from LinkmanTable", 53)), -1);
    // A closing ";", blanks and comments are no second statement.
    EXPECT_EQ(Run(book, "select * from LinkmanTable ;  -- done\n"), 1);
    EXPECT_EQ(Run(book, "select * from LinkmanTable where 姓名=?", {}), -1);  // a value is missing
    EXPECT_EQ(Run(book, "select * from LinkmanTable", Texts({"extra"})), -1);
}

TEST_F(AdoTest, BoundValuesAreStoredAsTheyAre) {
    const std::string crafted = "x' or '1'='1";
    AddContact("@通信录", "甲", "13800000001");
    AddContact("@通信录", crafted, "13800000002");
    AddContact("@通信录", "O'Brien \"Bob\"", "13800000003");
    EXPECT_EQ(Column(book, "select * from LinkmanTable where 姓名=?", "手机号码", Texts({crafted})),
              std::vector<std::string>{"13800000002"});
    EXPECT_EQ(Run(book, "delete from LinkmanTable where DirInfo=? and 姓名=?", Texts({"@通信录", crafted})), 0);
    EXPECT_EQ(Column(book, "select * from LinkmanTable order by 手机号码", "姓名"),
              (std::vector<std::string>{"甲", "O'Brien \"Bob\""}));

    // Update binds what SetFieldValue was given.
    const std::string typed[] = {"O'Brien", "x', 手机号码='0"};
    for (const std::string& name : typed) {
        CAdoRecordset rs;
        rs.SetConnection(&book);
        ASSERT_EQ(rs.Open("select * from LinkmanTable where 手机号码=?", 1, 3, 3, Texts({"13800000001"})), 1);
        rs.SetFieldValue("姓名", Variant::Text(name));
        EXPECT_EQ(rs.Update(), 1) << name;
        rs.Close();
        EXPECT_EQ(Column(book, "select * from LinkmanTable order by 手机号码", "姓名"),
                  (std::vector<std::string>{name, "O'Brien \"Bob\""}));
        EXPECT_EQ(Column(book, "select * from LinkmanTable order by 手机号码", "手机号码"),
                  (std::vector<std::string>{"13800000001", "13800000003"}));
    }
}

TEST_F(AdoTest, TextCollationFoldsAsciiAndOrdersByGbk) {
    for (const char* name : {"张", "b", "A", "王", "B", "a", "李", "阿"}) AddContact("@通信录", name, "1");
    const auto folded = [](std::vector<std::string> names) {
        for (auto& n : names) n = codec::AsciiLower(n);
        return names;
    };
    const std::vector<std::string> order = {"a", "a", "b", "b", "阿", "李", "王", "张"};
    EXPECT_EQ(folded(Column(book, "select * from LinkmanTable where DirInfo=? order by 姓名", "姓名", Texts({"@通信录"}))),
              order);
    // The same order when the column is named by its place.
    EXPECT_EQ(folded(Column(book, "select 姓名, DirInfo from LinkmanTable order by 1", "姓名")), order);
    // Equality folds ASCII case too, as lookups by name expect.
    EXPECT_EQ(Column(book, "select * from LinkmanTable where 姓名=?", "姓名", Texts({"a"})).size(), 2u);
}

TEST_F(AdoTest, SetFieldValueAndUpdateRewriteRows) {
    AddContact("@通信录@A", "甲", "1");
    AddContact("@通信录@A@D", "乙", "2");
    AddContact("@通信录@AB", "丙", "3");
    {
        CAdoRecordset rs;
        rs.SetConnection(&book);
        ASSERT_EQ(rs.Open("select * from LinkmanTable where DirInfo=? or DirInfo like ?", 1, 3, 3,
                          Texts({"@通信录@A", "@通信录@A@%"})),
                  1);
        EXPECT_EQ(rs.GetRecordCount(), 2);
        while (!rs.IsEOF()) {
            std::string dir;
            ASSERT_EQ(rs.GetFieldValue(dir, "DirInfo"), 1);
            rs.SetFieldValue("DirInfo", Variant::Text("@通信录@X" + dir.substr(std::string("@通信录@A").size())));
            EXPECT_EQ(rs.Update(), 1);
            std::string now;
            rs.GetFieldValue(now, "DirInfo");  // the snapshot shows its own change
            EXPECT_EQ(now.rfind("@通信录@X", 0), 0u);
            rs.MoveNext();
        }
    }
    EXPECT_EQ(Column(book, "select * from LinkmanTable order by 手机号码", "DirInfo"),
              (std::vector<std::string>{"@通信录@X", "@通信录@X@D", "@通信录@AB"}));

    // MoveNext saves what Update was not called for.
    {
        CAdoRecordset rs;
        rs.SetConnection(&book);
        ASSERT_EQ(rs.Open("select 姓名 as n, 单位 from LinkmanTable where 手机号码=?", 1, 3, 3, Texts({"3"})), 1);
        rs.SetFieldValue("单位", Variant::Text("公司"));
        rs.SetFieldValue("n", Variant::Text("丁"));
        EXPECT_EQ(rs.MoveNext(), 1);
    }
    EXPECT_EQ(Column(book, "select * from LinkmanTable where 手机号码='3'", "单位"), std::vector<std::string>{"公司"});
    EXPECT_EQ(Column(book, "select * from LinkmanTable where 手机号码='3'", "姓名"), std::vector<std::string>{"丁"});
}

TEST_F(AdoTest, UpdateFailsWhereNoRowCanBeStored) {
    AddContact("@通信录", "甲", "1");
    AddContact("@通信录", "乙", "1");
    struct Case {
        const char* sql;
        long lock;
        const char* field;
    } const cases[] = {
        {"select count(*) as n from LinkmanTable", 3, "n"},
        {"select distinct 手机号码 from LinkmanTable", 3, "手机号码"},
        {"select 手机号码 from LinkmanTable group by 手机号码", 3, "手机号码"},
        {"select a.姓名 from LinkmanTable a, DirTable b", 3, "姓名"},
        {"select 姓名 || '' as n from LinkmanTable", 3, "n"},
        {"select * from LinkmanTable", 1, "姓名"},   // read-only lock
        {"select * from LinkmanTable", 3, "nosuchfield"},
    };
    ASSERT_EQ(Run(book, "insert into DirTable values ('@通信录','@A')"), 0);
    for (const Case& c : cases) {
        CAdoRecordset rs;
        rs.SetConnection(&book);
        ASSERT_EQ(rs.Open(c.sql, 1, 3, c.lock), 1) << c.sql;
        rs.SetFieldValue(c.field, Variant::Text("1"));
        EXPECT_EQ(rs.Update(), 0) << c.sql;
        EXPECT_EQ(rs.Update(), 1) << c.sql;  // nothing left to save
    }
    EXPECT_EQ(Column(book, "select * from LinkmanTable", "姓名"), (std::vector<std::string>{"甲", "乙"}));

    // A row deleted after the open cannot be stored.
    CAdoRecordset rs;
    rs.SetConnection(&book);
    ASSERT_EQ(rs.Open("select * from LinkmanTable where 姓名='甲'", 1, 3, 3), 1);
    ASSERT_EQ(Run(book, "delete from LinkmanTable where 姓名='甲'"), 0);
    rs.SetFieldValue("单位", Variant::Text("x"));
    EXPECT_EQ(rs.Update(), 0);
    EXPECT_EQ(Column(book, "select * from LinkmanTable", "姓名"), std::vector<std::string>{"乙"});
}

TEST_F(AdoTest, StaticCursorIsASnapshot) {
    for (int i = 0; i < 5; ++i) AddContact("@通信录", "n" + std::to_string(i), std::to_string(i));
    CAdoRecordset rs;
    rs.SetConnection(&book);
    ASSERT_EQ(rs.Open("select * from LinkmanTable order by 手机号码", 1, 3, 3), 1);
    ASSERT_EQ(Run(book, "delete from LinkmanTable"), 0);
    AddContact("@通信录", "late", "9");
    EXPECT_EQ(rs.GetRecordCount(), 5);
    int n = 0;
    for (; !rs.IsEOF(); rs.MoveNext(), ++n) {
        std::string v;
        ASSERT_EQ(rs.GetFieldValue(v, "手机号码"), 1);
        EXPECT_EQ(v, std::to_string(n));
    }
    EXPECT_EQ(n, 5);
    EXPECT_EQ(rs.Open("select * from LinkmanTable", 1, 0, 1), 1);
    EXPECT_EQ(rs.GetRecordCount(), -1);  // a forward-only cursor cannot tell
}

TEST_F(AdoTest, SchemaColumnsThroughAttach) {
    ASSERT_EQ(Run(sms, "drop table temp"), -1);  // not there yet
    ASSERT_EQ(Run(sms, "create table temp (号码, 内容, extra)"), 0);
    ASSERT_EQ(Run(sms, "create table other (a)"), 0);
    CAdoRecordset rs;
    AdoRecordsetPtr schema = sms.OpenSchema(4);
    ASSERT_NE(schema, nullptr);
    EXPECT_EQ(rs.Attach(schema), schema);
    std::vector<std::string> cols;
    std::vector<std::string> positions;
    while (!rs.IsEOF()) {
        std::string table, col, pos;
        ASSERT_EQ(rs.GetFieldValue(table, "TABLE_NAME"), 1);
        ASSERT_EQ(rs.GetFieldValue(col, "COLUMN_NAME"), 1);
        ASSERT_EQ(rs.GetFieldValue(pos, "ORDINAL_POSITION"), 1);
        if (table == "temp") {
            cols.push_back(col);
            positions.push_back(pos);
        }
        rs.MoveNext();
    }
    EXPECT_EQ(cols, (std::vector<std::string>{"号码", "内容", "extra"}));
    EXPECT_EQ(positions, (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(rs.Attach(rs.Attach(schema)), schema);  // attaching what is held keeps it
    EXPECT_EQ(sms.OpenSchema(20), nullptr);
    EXPECT_EQ(Run(sms, "drop table temp"), 0);
}

TEST_F(AdoTest, TransactionCommitsOrRollsBack) {
    ASSERT_EQ(book.BeginTrans(), 1);
    EXPECT_EQ(book.BeginTrans(), 0);
    AddContact("@通信录", "甲", "1");
    EXPECT_EQ(book.RollbackTrans(), 1);
    EXPECT_EQ(book.CommitTrans(), 0);
    EXPECT_EQ(Run(book, "select * from LinkmanTable"), 0);
    ASSERT_EQ(book.BeginTrans(), 1);
    AddContact("@通信录", "乙", "2");
    EXPECT_EQ(book.CommitTrans(), 1);
    EXPECT_EQ(Column(book, "select * from LinkmanTable", "姓名"), std::vector<std::string>{"乙"});
}

class AdoThreadsTest : public AdoTest {};

// A recordset opened on one thread is read while another thread writes through the same
// connection.
TEST_F(AdoThreadsTest, ReadWhileAnotherWrites) {
    for (int i = 0; i < 20; ++i) AddContact("@通信录", "n" + std::to_string(i), std::to_string(i));
    std::atomic<bool> stop{false};
    std::atomic<int> badReads{0}, reads{0};
    std::thread reader([&] {
        while (!stop) {
            CAdoRecordset rs;
            rs.SetConnection(&book);
            if (rs.Open("select * from LinkmanTable where DirInfo=?", 1, 3, 3, Texts({"@通信录"})) != 1) {
                ++badReads;
                continue;
            }
            long n = 0;
            for (; !rs.IsEOF(); rs.MoveNext(), ++n) {
                std::string name;
                if (rs.GetFieldValue(name, "姓名") != 1 || name.empty()) ++badReads;
            }
            if (n != rs.GetRecordCount() || n < 20) ++badReads;
            if (book.GetErrorsText() != "") ++badReads;
            ++reads;
        }
    });
    for (int i = 0; i < 100; ++i) {
        AddContact("@通信录", "w" + std::to_string(i), "w");
        EXPECT_EQ(Run(book, "select * from NoSuchTable"), -1);  // leaves its report on this thread only
        EXPECT_NE(book.GetErrorsText(), "");
    }
    ASSERT_TRUE(testsupport::WaitUntil([&] { return reads.load() >= 3; }));
    stop = true;
    reader.join();
    EXPECT_EQ(badReads.load(), 0);
    EXPECT_EQ(Column(book, "select * from LinkmanTable where 手机号码='w'", "姓名").size(), 100u);
}

// Statements of another thread wait while a transaction is open and see all of it or none.
TEST_F(AdoThreadsTest, WaitForAnOpenTransaction) {
    ASSERT_EQ(book.BeginTrans(), 1);
    AddContact("@通信录", "甲", "1");
    std::atomic<int> seen{-1};
    std::thread reader([&] { seen = static_cast<int>(Column(book, "select * from LinkmanTable", "姓名").size()); });
    AddContact("@通信录", "乙", "2");
    EXPECT_EQ(seen.load(), -1);
    EXPECT_EQ(book.CommitTrans(), 1);
    reader.join();
    EXPECT_EQ(seen.load(), 2);
}
