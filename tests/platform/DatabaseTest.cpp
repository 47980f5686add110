#include "platform/Database.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;
using db::Database;
using db::Texts;
using db::Variant;

TEST(DbConnectionString, PairsAndDataSource) {
    const auto pairs = db::ParseConnectionString(
        " Provider = Microsoft.Jet.OLEDB.4.0;Data Source=/app\\LinkmanBook.mdb;Persist Security Info=False;"
        "Jet OLEDB:Database Password=K9%fT2&mQ7!xR4p;User ID='a;b''c';odd part;Password=\"\";");
    EXPECT_EQ(pairs.at("provider"), "Microsoft.Jet.OLEDB.4.0");
    EXPECT_EQ(pairs.at("data source"), "/app\\LinkmanBook.mdb");
    EXPECT_EQ(pairs.at("jet oledb:database password"), "K9%fT2&mQ7!xR4p");
    EXPECT_EQ(pairs.at("user id"), "a;b'c");
    EXPECT_EQ(pairs.at("password"), "");
    EXPECT_EQ(pairs.count("odd part"), 0u);

    testsupport::TempAppDir app;
    EXPECT_EQ(db::DataSourcePath("DATA SOURCE=/app\\LinkmanBook.mdb"), "/app/LinkmanBook.mdb");
    EXPECT_EQ(db::DataSourcePath("Data Source=d:\\数据\\a.mdb"), app.path() + "/D/数据/a.mdb");
    EXPECT_EQ(db::DataSourcePath("Provider=MSDASQL;DSN=TFE1;UID=;PWD=;"), "");
}

TEST(DbCollation, FoldsAsciiAndOrdersByGbkBytes) {
    struct Case {
        const char* a;
        const char* b;
        int sign;
    } const cases[] = {
        {"abc", "ABC", 0},     {"a", "B", -1},        {"Zeta", "alpha", 1},
        {"_", "a", -1},        {"", "a", -1},         {"阿", "张", -1},  // B0A2 < D5C5, against code points
        {"李", "王", -1},      {"Z", "阿", -1},       {"张三", "张三a", -1},
        {"Ab阿", "aB阿", 0},   {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x81", -1},  // no GBK form: kept apart
    };
    for (const Case& c : cases) {
        const int r = db::CompareText(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
        const int back = db::CompareText(c.b, c.a);
        EXPECT_EQ((back > 0) - (back < 0), -c.sign) << c.b << " vs " << c.a;
    }
}

namespace {
class DbTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = app.file("Smsdb.mdb");
        fs::copy_file(fs::path(SMS_APP_DIR) / "Smsdb.mdb", path);
        ASSERT_TRUE(conn.Open(path));
        ASSERT_TRUE(conn.Run("create table t (a text collate GBK, b)").has_value());
    }
    testsupport::TempAppDir app;
    std::string path;
    Database conn;
};
}  // namespace

TEST_F(DbTest, RowidsOnlyForPlainOneTableSelects) {
    ASSERT_TRUE(conn.Run("insert into t values (?, ?)", {Variant::Text("x"), Variant::Int64(1)}));
    ASSERT_TRUE(conn.Run("create table u (c)"));
    struct Case {
        const char* sql;
        bool updatable;
    } const cases[] = {
        {"select * from t", true},
        {"  /* c */ SELECT b as bb, a from t where a = 'x' order by b", true},
        {"select all a from t", true},
        {"select a from t where b in (select 1 union select 2)", false},  // conservative
        {"select distinct a from t", false},
        {"select a from t group by a", false},
        {"select count(*) from t", false},
        {"select a, c from t, u", false},
        {"select t.a from t, u", false},
        {"select a from (select * from t)", false},
        {"with q as (select * from t) select * from q", false},
        {"select 1", false},
        {"select b, a from t order by 1", false},  // a rowid in front would shift the ordinal
        {"select a, b from t order by a desc, 2", false},
        {"select a from t order by b limit 1 offset 0", true},
    };
    for (const Case& c : cases) {
        const auto r = conn.Run(c.sql, {}, true);
        ASSERT_TRUE(r.has_value()) << c.sql;
        EXPECT_EQ(r->Updatable(), c.updatable) << c.sql;
        if (r->Updatable()) {
            EXPECT_EQ(r->table, "t");
            EXPECT_EQ(r->rowids.size(), r->rows.size());
            EXPECT_EQ(r->originColumns.size(), r->columns.size());
            EXPECT_EQ(r->columns.size(), r->rows.empty() ? r->columns.size() : r->rows[0].size());
        }
    }
    const auto r = conn.Run("select b as bb, a from t", {}, true);
    EXPECT_EQ(r->columns, (std::vector<std::string>{"bb", "a"}));
    EXPECT_EQ(r->originColumns, (std::vector<std::string>{"b", "a"}));
    ASSERT_TRUE(conn.UpdateRow("t", r->rowids[0], {{"b", Variant::Int64(7)}}));
    EXPECT_EQ(conn.Run("select b from t")->rows[0][0].i, 7);
    EXPECT_FALSE(conn.UpdateRow("t", 999, {{"b", Variant::Int64(8)}}));
    EXPECT_FALSE(conn.Errors().empty());
}

TEST_F(DbTest, ValuesKeepTheirTypesAndChangesAreCounted) {
    const auto ins = conn.Run("insert into t (b) values (?), (?), (?), (?)",
                              {Variant::Double(2.5), Variant::Blob(std::string("\0x", 2)), Variant::Null(),
                               Variant::Unsigned(db::VarType::UInt64, 18446744073709551615ull)});
    ASSERT_TRUE(ins.has_value());
    EXPECT_EQ(ins->changes, 4);
    const auto r = conn.Run("select b from t order by rowid");
    ASSERT_EQ(r->rows.size(), 4u);
    EXPECT_EQ(r->rows[0][0].type, db::VarType::Double);
    EXPECT_EQ(r->rows[1][0].type, db::VarType::Blob);
    EXPECT_EQ(r->rows[1][0].s, std::string("\0x", 2));
    EXPECT_EQ(r->rows[2][0].type, db::VarType::Null);
    EXPECT_EQ(r->rows[3][0].s, "18446744073709551615");  // too big for an integer: kept whole as text
}

class DbThreadsTest : public DbTest {};

TEST_F(DbThreadsTest, FailuresAreReportedPerThread) {
    EXPECT_FALSE(conn.Run("select * from missing"));
    const auto errors = conn.Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].description, "no such table: missing");
    EXPECT_EQ(errors[0].state, "SQLITE_ERROR");
    EXPECT_EQ(errors[0].native, 1);
    EXPECT_EQ(errors[0].source, "SQLite");
    std::size_t seenElsewhere = 99;
    std::thread([&] { seenElsewhere = conn.Errors().size(); }).join();
    EXPECT_EQ(seenElsewhere, 0u);
    EXPECT_TRUE(conn.Run("select * from t"));
    EXPECT_TRUE(conn.Errors().empty());

    EXPECT_TRUE(conn.Close());
    EXPECT_FALSE(conn.Close());
    EXPECT_FALSE(conn.Run("select 1"));
    EXPECT_EQ(conn.Errors().at(0).description, "the connection is not open");
}

TEST_F(DbTest, CollationDeclaredByTheTableIsUsed) {
    for (const char* v : {"b", "张", "A", "阿", "a", "B"}) ASSERT_TRUE(conn.Run("insert into t (a) values (?)", Texts({v})));
    const auto r = conn.Run("select a from t order by a");
    std::vector<std::string> got;
    for (const auto& row : r->rows) got.push_back(codec::AsciiLower(row[0].s));
    EXPECT_EQ(got, (std::vector<std::string>{"a", "a", "b", "b", "阿", "张"}));
    // Another connection to the same file has the collation as well.
    Database other;
    ASSERT_TRUE(other.Open(path));
    EXPECT_EQ(other.Run("select a from t where a = 'B'")->rows.size(), 2u);
}

TEST_F(DbTest, ForEachRowReadsTextsAndKeepsItsStatement) {
    ASSERT_TRUE(conn.Run("insert into t values ('b', 2), ('A', null), ('c', 1.5)"));
    const std::string sql = "select a, b from t where a <> ? order by a";
    auto read = [&](const std::string& skip, std::vector<std::string>* cols = nullptr) {
        std::vector<std::string> out;
        const bool ok = conn.ForEachRow(sql, Texts({skip}), [&](const std::vector<std::string_view>& row) {
            out.push_back(std::string(row[0]) + "|" + std::string(row[1]));
        }, cols);
        return ok ? out : std::vector<std::string>{"<failed>"};
    };
    std::vector<std::string> cols;
    EXPECT_EQ(read("x", &cols), (std::vector<std::string>{"A|", "b|2", "c|1.5"}));  // NULL as empty
    EXPECT_EQ(cols, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(read("B"), (std::vector<std::string>{"A|", "c|1.5"}));  // the same statement, new value
    // Refusals and failures report as Run does.
    EXPECT_FALSE(conn.ForEachRow(sql, {}, [](const auto&) {}));
    EXPECT_EQ(conn.Errors().at(0).state, "SQLITE_RANGE");
    EXPECT_FALSE(conn.ForEachRow("select * from missing", {}, [](const auto&) {}));
    EXPECT_FALSE(conn.Errors().empty());
    ASSERT_TRUE(conn.Run("drop table t"));
    ASSERT_TRUE(conn.Run("create table t (a text collate GBK, b)"));
    EXPECT_EQ(read("x"), std::vector<std::string>{});  // re-prepared over the new table
    ASSERT_TRUE(conn.Close());
    EXPECT_EQ(read("x"), std::vector<std::string>{"<failed>"});
}
