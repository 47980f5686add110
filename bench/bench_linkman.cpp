// The address-book page and the recipient picker over a large book: 100,000 contacts in 1,000
// groups three levels deep (10 top-level groups, each with 9 sub-groups of 10 sub-groups; 100
// contacts in every group, so 10,000 below each top-level group; names repeat across groups),
// built with plain SQLite. Each measure has a plain baseline in the same run: prepared
// statements on the C API reading the same columns.
#include "compose/RecipientList.h"
#include "compose/SendSMSDlg.h"
#include "contacts/LinkmanBookDlg.h"
#include "contacts/LinkmanEditDlg.h"
#include "contacts/SelectLinkmanDlg.h"
#include "platform/AppPath.h"
#include "platform/Database.h"
#include "uikit/SortListCtrl.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <filesystem>

namespace {

constexpr const char* kOpenGroup = "@通信录@T3@S4";  // 10 sub-groups, 100 contacts
constexpr const char* kTopGroup = "@通信录@T6";      // 10,000 contacts below it

std::string Name(int i) { return "联系人" + std::to_string(i % 100 + 100); }

struct Fixture {
    QTemporaryDir dir;
    std::string oldAppPath = g_strAppPath;
    sqlite3* db = nullptr;
    std::unique_ptr<CLinkmanBookDlg> page;
    std::vector<std::pair<std::string, std::string>> topContacts;  // (name, path) below kTopGroup

    Fixture() {
        g_strAppPath = dir.path().toStdString();
        const std::string file = g_strAppPath + "/LinkmanBook.mdb";
        std::filesystem::copy_file(paths::ExecutableFolder() + "/../app/LinkmanBook.mdb", file);
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        db::RegisterTextCollation(db);
        Build();
        page = std::make_unique<CLinkmanBookDlg>();
        page->resize(730, 376);
        while (!page->RootItem()) QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    ~Fixture() {
        page.reset();
        sqlite3_close_v2(db);
        g_strAppPath = oldAppPath;
    }

    void Build() {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* group = nullptr;
        sqlite3_stmt* contact = nullptr;
        sqlite3_prepare_v2(db, "insert into DirTable (FatherDir,ChildDir) values (?,?)", -1, &group, nullptr);
        sqlite3_prepare_v2(db,
                           "insert into LinkmanTable (DirInfo,姓名,手机号码,单位,职务,办公电话,电子邮件,地址,备注) "
                           "values (?,?,?,?,?,?,?,?,?)",
                           -1, &contact, nullptr);
        long long n = 0;
        auto addGroup = [&](const std::string& parent, const std::string& name) {
            const std::string child = "@" + name;
            sqlite3_bind_text(group, 1, parent.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(group, 2, child.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(group);
            sqlite3_reset(group);
            const std::string path = parent + child;
            for (int i = 0; i < 100; ++i, ++n) {
                const std::string values[] = {path,           Name(i),       std::to_string(13800000000LL + n),
                                              "某某有限公司", "经理",         "010-12345678",
                                              "a@b.cn",       "北京市海淀区", " "};
                for (int c = 0; c < 9; ++c) sqlite3_bind_text(contact, c + 1, values[c].c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_step(contact);
                sqlite3_reset(contact);
                if (path.rfind(kTopGroup, 0) == 0) topContacts.emplace_back(values[1], path);
            }
            return path;
        };
        for (int t = 0; t < 10; ++t) {
            const std::string top = addGroup("@通信录", "T" + std::to_string(t));
            for (int s = 0; s < 9; ++s) {
                const std::string sub = addGroup(top, "S" + std::to_string(s));
                for (int u = 0; u < 10; ++u) addGroup(sub, "U" + std::to_string(u));
            }
        }
        sqlite3_finalize(group);
        sqlite3_finalize(contact);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }

    // Runs a prepared query, reading every column of every row as text.
    std::size_t ReadAll(sqlite3_stmt* st) {
        std::size_t bytes = 0;
        const int cols = sqlite3_column_count(st);
        while (sqlite3_step(st) == SQLITE_ROW)
            for (int c = 0; c < cols; ++c) {
                const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
                std::string s = t ? t : "";
                bytes += s.size();
            }
        sqlite3_reset(st);
        return bytes;
    }
    sqlite3_stmt* Prepare(const std::string& sql) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
        return st;
    }
};

Fixture* g_fixture = nullptr;  // made after the application object, gone before it
Fixture& F() { return *g_fixture; }

const std::string kFieldList = "姓名,手机号码,单位,职务,办公电话,电子邮件,地址,备注";

void BM_OpenGroup_Page(benchmark::State& state) {
    CLinkmanBookDlg& page = *F().page;
    for (auto _ : state) {
        page.m_strPath = kOpenGroup;
        page.FillList();
    }
    state.counters["rows"] = static_cast<double>(page.Rows()->Count());
}
BENCHMARK(BM_OpenGroup_Page)->Unit(benchmark::kMicrosecond);

void BM_OpenGroup_Baseline(benchmark::State& state) {
    Fixture& f = F();
    sqlite3_stmt* groups = f.Prepare("select ChildDir from DirTable where FatherDir=? order by ChildDir");
    sqlite3_stmt* contacts = f.Prepare("select " + kFieldList + " from LinkmanTable where DirInfo=? order by 姓名");
    for (auto _ : state) {
        sqlite3_bind_text(groups, 1, kOpenGroup, -1, SQLITE_STATIC);
        sqlite3_bind_text(contacts, 1, kOpenGroup, -1, SQLITE_STATIC);
        benchmark::DoNotOptimize(f.ReadAll(groups) + f.ReadAll(contacts));
    }
    sqlite3_finalize(groups);
    sqlite3_finalize(contacts);
}
BENCHMARK(BM_OpenGroup_Baseline)->Unit(benchmark::kMicrosecond);

// The search dialog answered at once: "联系人107" in the name matches one contact per group.
void BM_Search_Page(benchmark::State& state) {
    CLinkmanBookDlg& page = *F().page;
    ScopedModalRun run([](CSkinDialog& d) {
        auto& e = static_cast<CLinkmanEditDlg&>(d);
        e.m_arrValues[0] = "联系人107";
        e.ShowForHook();
        e.OnOK();
        return e.result();
    });
    for (auto _ : state) page.OnSearch();
    state.counters["rows"] = static_cast<double>(page.Rows()->Count());
}
BENCHMARK(BM_Search_Page)->Unit(benchmark::kMillisecond);

void BM_Search_Baseline(benchmark::State& state) {
    Fixture& f = F();
    sqlite3_stmt* st = f.Prepare("select " + kFieldList +
                                 ",DirInfo from LinkmanTable where DirInfo like ? and 姓名 like ? order by 姓名");
    for (auto _ : state) {
        sqlite3_bind_text(st, 1, "%通信录%", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 2, "%联系人107%", -1, SQLITE_STATIC);
        benchmark::DoNotOptimize(f.ReadAll(st));
    }
    sqlite3_finalize(st);
}
BENCHMARK(BM_Search_Baseline)->Unit(benchmark::kMillisecond);

void BM_PageTreeFill(benchmark::State& state) {
    CLinkmanBookDlg& page = *F().page;
    for (auto _ : state) page.FillDirTree();
}
BENCHMARK(BM_PageTreeFill)->Unit(benchmark::kMillisecond);

// The picker open on the whole book; each measure on its shown dialog.
template <typename Body> void WithPicker(Body body) {
    F();
    ScopedModalRun run([&](CSkinDialog& d) {
        auto& dlg = static_cast<CSelectLinkmanDlg&>(d);
        dlg.ShowForHook();
        dlg.OnTimer(1);
        body(dlg);
        return static_cast<int>(IDCANCEL);
    });
    CSelectLinkmanDlg::Pick(nullptr);
}

void BM_PickerTreeFill(benchmark::State& state) {
    WithPicker([&](CSelectLinkmanDlg& dlg) {
        for (auto _ : state) {
            dlg.m_tree->clear();
            dlg.OnTimer(1);
        }
    });
}
BENCHMARK(BM_PickerTreeFill)->Unit(benchmark::kMillisecond);

// Double-click a top-level group, then OK: 10,000 numbers.
void BM_Pick10000_Picker(benchmark::State& state) {
    WithPicker([&](CSelectLinkmanDlg& dlg) {
        QTreeWidgetItem* top = nullptr;
        for (int i = 0; i < dlg.RootItem()->childCount(); ++i)
            if (dlg.RootItem()->child(i)->text(0) == "<T6>") top = dlg.RootItem()->child(i);
        for (auto _ : state) {
            dlg.m_tree->setCurrentItem(top);
            dlg.OnDblclkTree();
            dlg.OnOK();
            state.PauseTiming();
            state.counters["numbers"] = static_cast<double>(dlg.m_arrNumbers.size());
            dlg.m_list->selectAll();
            dlg.OnDelete();
            state.ResumeTiming();
        }
    });
}
BENCHMARK(BM_Pick10000_Picker)->Unit(benchmark::kMillisecond);

void BM_Pick10000_Baseline(benchmark::State& state) {
    Fixture& f = F();
    sqlite3_stmt* st = f.Prepare("select 手机号码 from LinkmanTable where 姓名=? and DirInfo=?");
    for (auto _ : state) {
        std::vector<std::string> numbers;
        numbers.reserve(f.topContacts.size());
        for (const auto& [name, path] : f.topContacts) {
            sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_text(st, 2, path.c_str(), -1, SQLITE_STATIC);
            if (sqlite3_step(st) == SQLITE_ROW)
                numbers.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
            sqlite3_reset(st);
        }
        benchmark::DoNotOptimize(numbers);
    }
    sqlite3_finalize(st);
}
BENCHMARK(BM_Pick10000_Baseline)->Unit(benchmark::kMillisecond);

// A book of one group of n contacts, with its own address-book page and a send-SMS page.
struct OneGroupBook {
    QTemporaryDir dir;
    std::string oldAppPath = g_strAppPath;
    std::unique_ptr<CLinkmanBookDlg> page;
    std::unique_ptr<CSendSMSDlg> send;

    explicit OneGroupBook(int n) {
        g_strAppPath = dir.path().toStdString();
        const std::string file = g_strAppPath + "/LinkmanBook.mdb";
        std::filesystem::copy_file(paths::ExecutableFolder() + "/../app/LinkmanBook.mdb", file);
        sqlite3* db = nullptr;
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        db::RegisterTextCollation(db);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "insert into DirTable (FatherDir,ChildDir) values ('@通信录','@大组')", nullptr, nullptr,
                     nullptr);
        sqlite3_stmt* contact = nullptr;
        sqlite3_prepare_v2(db, "insert into LinkmanTable (DirInfo,姓名,手机号码) values ('@通信录@大组',?,?)", -1,
                           &contact, nullptr);
        for (int i = 0; i < n; ++i) {
            const std::string name = "联系人" + std::to_string(100000 + i), mobile = std::to_string(13800000000LL + i);
            sqlite3_bind_text(contact, 1, name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(contact, 2, mobile.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(contact);
            sqlite3_reset(contact);
        }
        sqlite3_finalize(contact);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close_v2(db);
        page = std::make_unique<CLinkmanBookDlg>();
        while (!page->RootItem()) QApplication::processEvents(QEventLoop::AllEvents, 10);
        send = std::make_unique<CSendSMSDlg>();
        send->resize(730, 376);
        send->show();
        QApplication::processEvents();
    }
    ~OneGroupBook() {
        send.reset();
        page.reset();
        g_strAppPath = oldAppPath;
    }
};

// 名片夹导入接收号码 on the send-SMS page, whose list holds 1,003 numbers already: the group
// chosen (not timed), then OK: the numbers into the page's recipient list, its count label
// refreshed and the page painted.
void BM_PickOneGroup(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    constexpr int kBefore = 1003;
    OneGroupBook book(n);
    CRecipientList* list = book.send->Recipients();
    std::vector<std::string> before;
    for (int i = 0; i < kBefore; ++i) before.push_back(std::to_string(13900000000LL + i));
    ScopedModalRun run([&](CSkinDialog& d) {
        state.PauseTiming();
        auto& dlg = static_cast<CSelectLinkmanDlg&>(d);
        dlg.ShowForHook();
        dlg.OnTimer(1);
        dlg.m_tree->setCurrentItem(dlg.RootItem()->child(0));
        dlg.OnDblclkTree();
        state.ResumeTiming();
        dlg.OnOK();
        return dlg.result();
    });
    const QString label = QString("当前设定 %1 个发送对象").arg(n + kBefore);
    for (auto _ : state) {
        state.PauseTiming();
        list->AddEntries(before);
        QApplication::processEvents();
        state.ResumeTiming();
        list->OnImportFromAddressBook();
        QApplication::processEvents();
        state.PauseTiming();
        if (list->GetCount() != n + kBefore || !book.send->m_labelLength->text().startsWith(label)) {
            state.SkipWithError("numbers or count label wrong");
            break;
        }
        list->ResetContent();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["numbers"] = n;
}
BENCHMARK(BM_PickOneGroup)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    {
        Fixture fixture;
        g_fixture = &fixture;
        benchmark::RunSpecifiedBenchmarks();
        g_fixture = nullptr;
    }
    benchmark::Shutdown();
    return 0;
}
