// Contact import, export and group moves, each next to a plain baseline in the same run:
// - a text import of 100,000 lines of eight fields into an empty group, against prepared
//   inserts with the same duplicate select in one transaction;
// - an export of 65,535 contacts, against writing the same cells as TAB-separated text;
// - importing that workbook, against freexl reading the same cells plus the prepared inserts;
// - moving a group of 10,000 contacts, against rewriting the same rows by rowid with one
//   prepared statement.
#include "contacts/AdoConnection.h"
#include "contacts/LinkmanBook.h"
#include "contacts/LinkmanIO.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/Database.h"
#include "platform/TextCodec.h"

#include <benchmark/benchmark.h>
#include <freexl.h>
#include <sqlite3.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

namespace {

const std::string kGroup = "@通信录@导入";

std::vector<std::string> Contact(std::size_t i) {
    return {"联系人" + std::to_string(i), std::to_string(13800000000ULL + i), "单位" + std::to_string(i % 500),
            "经理", "010-" + std::to_string(60000000 + i), "u" + std::to_string(i) + "@example.com",
            "北京市海淀区" + std::to_string(i % 3000) + "号", i % 7 ? "" : "老客户"};
}

const std::string& Dir() {
    static QTemporaryDir dir;
    static const std::string path = dir.path().toStdString();
    return path;
}

// A fresh copy of the shipped book, opened.
struct Book {
    std::string path = Dir() + "/LinkmanBook.mdb";
    CAdoConnection conn;
    CLinkmanBook book{&conn};
    std::vector<std::string> fields;
    Book() {
        std::filesystem::remove(path);
        std::filesystem::copy_file(paths::ExecutableFolder() + "/../app/LinkmanBook.mdb", path);
        conn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path + ";");
        fields = book.ReadFields();
    }
};

// The plain connection of the baselines, with the same collation.
struct Raw {
    sqlite3* h = nullptr;
    explicit Raw(const std::string& path) {
        sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READWRITE, nullptr);
        db::RegisterTextCollation(h);
    }
    ~Raw() { sqlite3_close(h); }
    sqlite3_stmt* Prepare(const char* sql) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h, sql, -1, &st, nullptr);
        return st;
    }
    void Exec(const char* sql) { sqlite3_exec(h, sql, nullptr, nullptr, nullptr); }
};

void BindText(sqlite3_stmt* st, int i, const std::string& s) {
    sqlite3_bind_text(st, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// The prepared duplicate select and insert of every contact, in one transaction.
void RawInsert(Raw& raw, const std::vector<std::vector<std::string>>& contacts) {
    sqlite3_stmt* dup = raw.Prepare("select * from LinkmanTable where 姓名=? and DirInfo=?");
    sqlite3_stmt* ins = raw.Prepare(
        "insert into LinkmanTable (DirInfo,姓名,手机号码,单位,职务,办公电话,电子邮件,地址,备注) "
        "values (?,?,?,?,?,?,?,?,?)");
    raw.Exec("BEGIN");
    for (const auto& c : contacts) {
        BindText(dup, 1, c[0]);
        BindText(dup, 2, kGroup);
        const bool taken = sqlite3_step(dup) == SQLITE_ROW;
        sqlite3_reset(dup);
        if (taken) continue;
        BindText(ins, 1, kGroup);
        for (std::size_t i = 0; i < c.size(); ++i) BindText(ins, static_cast<int>(i + 2), c[i].empty() ? " " : c[i]);
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    raw.Exec("COMMIT");
    sqlite3_finalize(dup);
    sqlite3_finalize(ins);
}

const std::string& TextFile() {
    static const std::string path = [] {
        const std::string p = Dir() + "/contacts.txt";
        std::string out;
        for (std::size_t i = 0; i < 100000; ++i) {
            const auto c = Contact(i);
            for (std::size_t k = 0; k < c.size(); ++k) out += (k ? "\t" : "") + c[k];
            out += "\r\n";
        }
        std::ofstream(p, std::ios::binary) << codec::ToGbk(out);
        return p;
    }();
    return path;
}

void BM_ImportText(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Book b;
        state.ResumeTiming();
        const auto r = linkman::ImportFile(b.book, kGroup, TextFile(), b.fields);
        if (r.added.size() != 100000) state.SkipWithError("import incomplete");
    }
}
BENCHMARK(BM_ImportText)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ImportTextBaseline(benchmark::State& state) {
    std::vector<std::vector<std::string>> contacts;
    for (std::size_t i = 0; i < 100000; ++i) contacts.push_back(Contact(i));
    for (auto _ : state) {
        state.PauseTiming();
        Book b;
        b.conn.Close();
        Raw raw(b.path);
        state.ResumeTiming();
        RawInsert(raw, contacts);
    }
}
BENCHMARK(BM_ImportTextBaseline)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

const std::vector<std::vector<std::string>>& ExportRows() {
    static const auto rows = [] {
        std::vector<std::vector<std::string>> r;
        for (std::size_t i = 0; i < 65535; ++i) r.push_back(Contact(i));
        return r;
    }();
    return rows;
}
const std::string kWorkbook = "contacts.xls";

// The exported workbook of 65,535 contacts, written once.
const std::string& Workbook() {
    static const std::string path = [] {
        Book b;
        linkman::ExportContacts(Dir() + "/" + kWorkbook, b.fields, ExportRows());
        return Dir() + "/" + kWorkbook;
    }();
    return path;
}

void BM_Export(benchmark::State& state) {
    Book b;
    for (auto _ : state) {
        if (linkman::ExportContacts(Dir() + "/" + kWorkbook, b.fields, ExportRows()) != "Excel文件写入成功！")
            state.SkipWithError("export failed");
    }
}
BENCHMARK(BM_Export)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExportBaselineTabText(benchmark::State& state) {
    Book b;
    for (auto _ : state) {
        std::string out;
        auto line = [&](const std::vector<std::string>& r) {
            for (std::size_t c = 0; c < r.size(); ++c) out += (c ? "\t" : "") + (r[c].empty() ? std::string(" ") : r[c]);
            out += "\r\n";
        };
        line(b.fields);
        for (const auto& r : ExportRows()) line(r);
        if (!files::WriteFileAtomic(Dir() + "/contacts-export.txt", out)) state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_ExportBaselineTabText)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ImportWorkbook(benchmark::State& state) {
    const std::string file = Workbook();
    for (auto _ : state) {
        state.PauseTiming();
        Book b;
        state.ResumeTiming();
        const auto r = linkman::ImportFile(b.book, kGroup, file, b.fields);
        if (r.added.size() != 65535) state.SkipWithError("import incomplete");
    }
}
BENCHMARK(BM_ImportWorkbook)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ImportWorkbookBaseline(benchmark::State& state) {
    const std::string file = Workbook();
    for (auto _ : state) {
        state.PauseTiming();
        Book b;
        b.conn.Close();
        Raw raw(b.path);
        state.ResumeTiming();
        const void* h = nullptr;
        freexl_open(file.c_str(), &h);
        freexl_select_active_worksheet(h, 0);
        unsigned int rows = 0;
        unsigned short cols = 0;
        freexl_worksheet_dimensions(h, &rows, &cols);
        std::vector<std::vector<std::string>> contacts;
        contacts.reserve(rows);
        for (unsigned int r = 1; r < rows; ++r) {
            std::vector<std::string> c(cols);
            for (unsigned short k = 0; k < cols; ++k) {
                FreeXL_CellValue v;
                freexl_get_cell_value(h, r, k, &v);
                if (v.type == FREEXL_CELL_SST_TEXT) c[k] = v.value.text_value;
            }
            contacts.push_back(std::move(c));
        }
        freexl_close(h);
        RawInsert(raw, contacts);
    }
}
BENCHMARK(BM_ImportWorkbookBaseline)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Group 源 at the root holding 10,000 contacts in ten sub-groups, and an empty group 目标.
void FillMoveBook(Book& b) {
    b.book.AddGroup("@通信录", "源");
    b.book.AddGroup("@通信录", "目标");
    b.conn.BeginTrans();
    for (std::size_t i = 0; i < 10000; ++i) {
        const std::string sub = "子" + std::to_string(i % 10);
        if (i < 10) b.book.AddGroup("@通信录@源", sub);
        b.book.InsertContact("@通信录@源@" + sub, b.fields, Contact(i));
    }
    b.conn.CommitTrans();
}

void BM_MoveGroup(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Book b;
        FillMoveBook(b);
        state.ResumeTiming();
        if (!b.book.MoveGroup("@通信录", "源", "@通信录@目标", false)) state.SkipWithError("move failed");
    }
}
BENCHMARK(BM_MoveGroup)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MoveGroupBaseline(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Book b;
        FillMoveBook(b);
        b.conn.Close();
        Raw raw(b.path);
        // The rowids and new paths of the rows below the group, as a move finds them.
        std::vector<std::pair<sqlite3_int64, std::string>> dirs, contacts;
        const std::string s = "@通信录@源", t = "@通信录@目标@源";
        for (auto [sql, out] : {std::pair{"select rowid,FatherDir from DirTable", &dirs},
                                std::pair{"select rowid,DirInfo from LinkmanTable", &contacts}}) {
            sqlite3_stmt* st = raw.Prepare(sql);
            while (sqlite3_step(st) == SQLITE_ROW) {
                const std::string v = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
                if (linkman::LiesBelow(v, s)) out->emplace_back(sqlite3_column_int64(st, 0), t + v.substr(s.size()));
            }
            sqlite3_finalize(st);
        }
        state.ResumeTiming();
        raw.Exec("BEGIN");
        for (auto [sql, rows] : {std::pair{"update DirTable set FatherDir=? where rowid=?", &dirs},
                                 std::pair{"update LinkmanTable set DirInfo=? where rowid=?", &contacts}}) {
            sqlite3_stmt* st = raw.Prepare(sql);
            for (const auto& [id, v] : *rows) {
                BindText(st, 1, v);
                sqlite3_bind_int64(st, 2, id);
                sqlite3_step(st);
                sqlite3_reset(st);
            }
            sqlite3_finalize(st);
        }
        raw.Exec("COMMIT");
    }
}
BENCHMARK(BM_MoveGroupBaseline)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
