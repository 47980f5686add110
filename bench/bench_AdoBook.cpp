// Address-book reads over the shipped LinkmanBook.mdb holding 5000 contacts in one group:
// the number lookup of the auto-reply engine and the ordered list fill of a group.
#include "contacts/AdoConnection.h"
#include "contacts/AdoRecordset.h"
#include "platform/AppPath.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <filesystem>

namespace {

struct Book {
    QTemporaryDir dir;
    CAdoConnection conn;
    Book() {
        const std::string path = dir.path().toStdString() + "/LinkmanBook.mdb";
        std::filesystem::copy_file(paths::ExecutableFolder() + "/../app/LinkmanBook.mdb", path);
        conn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path + ";");
        conn.BeginTrans();
        for (int i = 0; i < 5000; ++i) {
            CAdoRecordset rs;
            rs.SetConnection(&conn);
            rs.Open("insert into LinkmanTable (DirInfo,姓名,手机号码,单位) values (?,?,?,?)", 1, 3, 3,
                    db::Texts({"@通信录@客户", (i % 2 ? "张" : "Li") + std::to_string(i * 7919 % 5000),
                               std::to_string(13800000000LL + i), "某某有限公司"}));
        }
        conn.CommitTrans();
    }
};

Book& TheBook() {
    static Book book;
    return book;
}

void BM_NameOfNumber(benchmark::State& state) {
    Book& book = TheBook();
    int i = 0;
    for (auto _ : state) {
        CAdoRecordset rs;
        rs.SetConnection(&book.conn);
        rs.Open("select * from LinkmanTable where 手机号码=?", 1, 3, 3,
                db::Texts({std::to_string(13800000000LL + (i++ * 37) % 5000)}));
        std::string name;
        rs.GetFieldValue(name, "姓名");
        benchmark::DoNotOptimize(name);
    }
}
BENCHMARK(BM_NameOfNumber);

void BM_GroupListByName(benchmark::State& state) {
    Book& book = TheBook();
    for (auto _ : state) {
        CAdoRecordset rs;
        rs.SetConnection(&book.conn);
        rs.Open("select * from LinkmanTable where DirInfo=? order by 姓名", 1, 3, 3, db::Texts({"@通信录@客户"}));
        std::size_t n = 0;
        while (!rs.IsEOF()) {
            std::string v;
            rs.GetFieldValue(v, "姓名");
            rs.GetFieldValue(v, "手机号码");
            n += v.size();
            rs.MoveNext();
        }
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_GroupListByName)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
