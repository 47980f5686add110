// The send-list import of the send-SMS page: real files of every kind made here (workbooks by
// python3-xlwt, dBase and FoxPro tables by python3-dbf, Paradox tables by pxlib's writer, text
// written directly), imported through the page's button handler into the SMS pending queues.
#include "compose/ImportDialogs.h"
#include "compose/SendListImport.h"
#include "compose/SendSMSDlg.h"
#include "contacts/AdoConnection.h"
#include "contacts/AdoRecordset.h"
#include "core/QueueRow.h"
#include "core/SMSSendingListDlg.h"
#include "core/SMSServerApp.h"
#include "platform/ForeignTable.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"
#include "uikit/FlatComboBox.h"
#include "uikit/SkinEdit.h"

extern "C" {
#include <paradox.h>
}

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

namespace fs = std::filesystem;
using codec::ToQ;

namespace {

std::string Repeat(const std::string& s, int n) {
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

const std::string kSender = "【星帆】";
// 151 and 161 GBK bytes whose cut at 150 / 160 would split the last character.
const std::string kLong151 = "a" + Repeat("中", 75);
const std::string kLong161 = "a" + Repeat("中", 80);

// The rows every file holds: number, content (nullopt: NULL), third column.
struct SrcRow {
    std::string number;
    std::optional<std::string> content;
    std::string third;
};
std::vector<SrcRow> Rows(const std::string& longText) {
    return {{"13800000001", "你好，第一条", "甲"},
            {"", "没有号码", "乙"},
            {"13800000003", std::nullopt, "丙"},
            {"13800000004", "数字号码", "丁"},
            {"13800000005", longText, "戊"}};
}

bool RunPython(const std::string& script, const std::string& out) {
    QProcess p;
    p.start("/usr/bin/python3", {"-c", ToQ(script), ToQ(out)});
    if (!p.waitForFinished(60000)) return false;
    if (p.exitCode() != 0) ADD_FAILURE() << p.readAllStandardError().toStdString();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

std::string PyStr(const std::string& s) {
    std::string r = "'";
    for (char c : s) {
        if (c == '\'' || c == '\\') r += '\\';
        r += c;
    }
    return r + "'";
}

// The rows as a Python list; the number as an int where asNumber is set (None when empty).
std::string PyRows(const std::vector<SrcRow>& rows, bool asNumber, bool emptyAsNone) {
    std::string r = "[";
    for (const SrcRow& row : rows) {
        r += "(";
        if (row.number.empty()) r += emptyAsNone ? "None" : "''";
        else r += asNumber ? row.number : PyStr(row.number);
        r += ", " + (row.content ? PyStr(*row.content) : std::string(emptyAsNone ? "None" : "''"));
        r += ", " + PyStr(row.third) + "),";
    }
    return r + "]";
}

void MakeXls(const std::string& path, const std::string& sheet = "Sheet1") {
    // The number of row 4 is a number cell.
    std::vector<SrcRow> rows = Rows(kLong151);
    std::string py = "import sys, xlwt\nwb = xlwt.Workbook(encoding='utf-8')\nws = wb.add_sheet(" + PyStr(sheet) +
                     ")\nfor c, n in enumerate(['手机号码', '短信内容', '备注']): ws.write(0, c, n)\n"
                     "rows = " + PyRows(rows, false, true) + "\nrows[3] = (13800000004,) + rows[3][1:]\n"
                     "for r, row in enumerate(rows, 1):\n"
                     "    for c, v in enumerate(row):\n"
                     "        if v is not None: ws.write(r, c, v)\n"
                     "wb.save(sys.argv[1])\n";
    ASSERT_TRUE(RunPython(py, path));
}

// dBase III (number as text) or Visual FoxPro (number as N(11,0)), code page 936, with a
// deleted record at the end.
void MakeDbf(const std::string& path, bool foxpro) {
    const std::string fields = foxpro ? "手机号码 N(11,0); 短信内容 C(200); 备注 C(10)" : "手机号码 C(20); 短信内容 C(200); 备注 C(10)";
    std::string py = "import sys, dbf\nt = dbf.Table(sys.argv[1], " + PyStr(fields) + ", dbf_type=" +
                     PyStr(foxpro ? "vfp" : "db3") + ", codepage='cp936')\nt.open(dbf.READ_WRITE)\n"
                     "for row in " + PyRows(Rows(kLong161), foxpro, foxpro) + ":\n"
                     "    t.append(tuple(v if v is not None else ('' if i else None) for i, v in enumerate(row)))\n"
                     "t.append(('13900000009' if not " + std::string(foxpro ? "True" : "False") +
                     " else 13900000009, '已删除', 'x'))\ndbf.delete(t[-1])\nt.close()\n";
    ASSERT_TRUE(RunPython(py, path));
}

void* PxAlloc(pxdoc_t*, size_t size, const char*) { return std::calloc(1, size ? size : 1); }
void* PxRealloc(pxdoc_t*, void* mem, size_t size, const char*) { return std::realloc(mem, size); }
void PxFree(pxdoc_t*, void* mem) { std::free(mem); }
void PxError(pxdoc_t*, int, const char*, void*) {}

// A Paradox table by pxlib's writer: the number as a number field, the texts in GBK.
void MakeParadox(const std::string& path) {
    pxdoc_t* doc = PX_new3(PxError, PxAlloc, PxRealloc, PxFree, nullptr);
    ASSERT_NE(doc, nullptr);
    auto* fields = static_cast<pxfield_t*>(std::calloc(3, sizeof(pxfield_t)));
    const std::string names[3] = {codec::ToGbk("手机号码"), codec::ToGbk("短信内容"), codec::ToGbk("备注")};
    const char types[3] = {pxfNumber, pxfAlpha, pxfAlpha};
    const int lens[3] = {8, 200, 10};
    for (int i = 0; i < 3; ++i) {
        fields[i].px_fname = strdup(names[i].c_str());
        fields[i].px_ftype = types[i];
        fields[i].px_flen = lens[i];
    }
    ASSERT_GE(PX_create_file(doc, fields, 3, path.c_str(), pxfFileTypNonIndexDB), 0);
    for (const SrcRow& row : Rows(kLong151)) {
        std::vector<char> rec(218, 0);
        if (!row.number.empty()) PX_put_data_double(doc, rec.data(), 8, std::strtod(row.number.c_str(), nullptr));
        if (row.content) {
            std::string t = codec::ToGbk(*row.content);
            PX_put_data_alpha(doc, rec.data() + 8, 200, t.data());
        }
        std::string third = codec::ToGbk(row.third);
        PX_put_data_alpha(doc, rec.data() + 208, 10, third.data());
        ASSERT_GE(PX_put_record(doc, rec.data()), 0);
    }
    PX_close(doc);
    PX_delete(doc);
}

// Comma-separated text in GBK: a quoted cell with "" and a line end inside, CR LF line ends.
// The checked-in Access files written by tests/data/make_mdb.py.
void CopyJet4(const std::string& path) { fs::copy_file(std::string(SMS_TEST_DATA_DIR) + "/jet4.mdb", path); }
void CopyJet3(const std::string& path) { fs::copy_file(std::string(SMS_TEST_DATA_DIR) + "/jet3.mdb", path); }

void MakeCsv(const std::string& path) {
    std::string t = "手机号码,短信内容,备注\r\n";
    for (const SrcRow& row : Rows(kLong151)) {
        t += row.number + ",";
        if (row.content && row.number == "13800000001") t += "\"" + *row.content + "\"";
        else if (row.content) t += *row.content;
        t += ",\"" + row.third + " \"\"引\"\"\n行\"\r\n";
    }
    testsupport::WriteFile(path, codec::ToGbk(t));
}

struct ImportFixture {
    testsupport::TempAppDir dir;
    CAdoConnection conn;
    std::vector<std::string> messages, standard;
    std::vector<unsigned> dialogs;  // templates shown, in order
    std::optional<std::string> chosen;
    std::string sheet = "Sheet1", table;
    std::string numberField = "手机号码", contentField = "短信内容";
    bool cancelAt299 = false, cancelAt298 = false;
    seam::ScopedMessageBox box{[this](const std::string& t, int) {
        messages.push_back(t);
        return 1;
    }};
    seam::ScopedStandardBox stdBox{[this](const std::string& t) { standard.push_back(t); }};
    seam::ScopedFileDialog fileDlg{[this](const seam::FileDialogRequest& r) {
        EXPECT_EQ(r.defaultExt, "XLS");
        EXPECT_FALSE(r.save);
        return chosen;
    }};
    ScopedModalRun run{[this](CSkinDialog& d) {
        dialogs.push_back(d.TemplateId());
        d.ShowForHook();
        if (d.TemplateId() == CImportSourceTableDlg::IDD) {
            if (cancelAt299) d.OnCancel();
            else {
                static_cast<CImportSourceTableDlg&>(d).m_editTableName->setText(ToQ(sheet));
                d.OnOK();
            }
        } else if (d.TemplateId() == CImportTableDlg::IDD) {
            auto& t = static_cast<CImportTableDlg&>(d);
            t.m_comboTables->setCurrentIndex(t.m_comboTables->findText(ToQ(table)));
            d.OnOK();
        } else if (d.TemplateId() == CImportFieldMapDlg::IDD) {
            auto& m = static_cast<CImportFieldMapDlg&>(d);
            if (cancelAt298) {
                d.OnCancel();
            } else {
                m.m_comboNumber->setCurrentIndex(m.m_comboNumber->findText(ToQ(numberField)));
                m.m_comboContent->setCurrentIndex(m.m_comboContent->findText(ToQ(contentField)));
                d.OnOK();
            }
        }
        return d.result();
    }};
    std::unique_ptr<CSMSSendingListDlg> queue;
    std::unique_ptr<CSendSMSDlg> page;

    ImportFixture() {
        fs::copy_file(fs::path(SMS_APP_DIR) / "Smsdb.mdb", fs::path(dir.path()) / "Smsdb.mdb");
        EXPECT_EQ(conn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + g_strAppPath + "\\Smsdb.mdb;"), 1);
        queue = std::make_unique<CSMSSendingListDlg>();
        g_pSMSSendingListDlg = queue.get();
        page = std::make_unique<CSendSMSDlg>();
        page->SetImportConnection(&conn);
        page->m_strSenderName = kSender;
    }
    ~ImportFixture() {
        page.reset();
        g_pSMSSendingListDlg = nullptr;
        queue.reset();
    }
    void Import(const std::string& path) {
        chosen = path;
        page->OnBtnSendExcelFile();
    }
    std::vector<rows::RowData> Queued() { return queue->List(1).Snapshot(); }
    bool WorkTableExists() {
        CAdoRecordset rs;
        rs.SetConnection(&conn);
        return rs.Open("select name from sqlite_schema where name = 'temp'", 1, 3, 3) == 1;
    }
};

const char* kDone = "已经将数据记录加入到了短信发送列表！";
const char* kFailed = "导入数据失败，请检查文件或表名是否正确！";
const char* kNone = "没有数据记录加入到短信发送列表，请检查号码字段是否正确！";

// Send lists whose number and content columns are numbers with decimals: the numbers as
// "13800138001.00", the contents 12.5, 0.75, 100 and -3.25.
const std::vector<std::pair<std::string, std::string>> kNumericRows = {
    {"13800138001", "12.50"}, {"13800138002", "0.75"}, {"13800138003", "100"}, {"13800138004", "-3.25"}};
const char* kNumericPy = "[(13800138001, 12.5, '甲'), (13800138002, 0.75, '乙'), (13800138003, 100, '丙'), "
                         "(13800138004, -3.25, '丁')]";

// dBase III: the number N(16,2), the content N(8,2).
void MakeNumericDbf(const std::string& path) {
    ASSERT_TRUE(RunPython(std::string("import sys, dbf\nt = dbf.Table(sys.argv[1], '手机号码 N(16,2); 短信内容 N(8,2); "
                                      "备注 C(10)', dbf_type='db3', codepage='cp936')\nt.open(dbf.READ_WRITE)\n"
                                      "for row in ") + kNumericPy + ": t.append(row)\nt.close()\n",
                          path));
}

// Number cells; the content column is named by the number 2.5.
void MakeNumericXls(const std::string& path) {
    ASSERT_TRUE(RunPython(std::string("import sys, xlwt\nwb = xlwt.Workbook(encoding='utf-8')\nws = wb.add_sheet('Sheet1')\n"
                                      "ws.write(0, 0, '手机号码'); ws.write(0, 1, 2.5); ws.write(0, 2, '备注')\n"
                                      "for r, row in enumerate(") + kNumericPy + ", 1):\n"
                                      "    for c, v in enumerate(row): ws.write(r, c, v)\nwb.save(sys.argv[1])\n",
                          path));
}

// Paradox: the number a number field, the content a BCD field of two decimals.
void MakeNumericParadox(const std::string& path) {
    pxdoc_t* doc = PX_new3(PxError, PxAlloc, PxRealloc, PxFree, nullptr);
    ASSERT_NE(doc, nullptr);
    auto* fields = static_cast<pxfield_t*>(std::calloc(2, sizeof(pxfield_t)));
    const std::string names[2] = {codec::ToGbk("手机号码"), codec::ToGbk("短信内容")};
    fields[0] = {strdup(names[0].c_str()), pxfNumber, 8, 0};
    fields[1] = {strdup(names[1].c_str()), pxfBCD, 17, 2};
    ASSERT_GE(PX_create_file(doc, fields, 2, path.c_str(), pxfFileTypNonIndexDB), 0);
    for (const auto& [number, content] : kNumericRows) {
        std::vector<char> rec(25, 0);
        PX_put_data_double(doc, rec.data(), 8, static_cast<double>(std::stoll(number)));
        std::string bcd = content.find('.') == std::string::npos ? content + ".00" : content;  // as pxlib takes it
        PX_put_data_bcd(doc, rec.data() + 8, 2, bcd.data());
        ASSERT_GE(PX_put_record(doc, rec.data()), 0);
    }
    PX_close(doc);
    PX_delete(doc);
}

// The rows of an import of a numeric list: number and content of each queued row.
std::vector<std::pair<std::string, std::string>> QueuedPairs(const std::vector<rows::RowData>& rows) {
    std::vector<std::pair<std::string, std::string>> r;
    for (const auto& row : rows) r.emplace_back(row.cells[queue::kColNumber], row.cells[queue::kColText]);
    return r;
}

// Every reader of the import with a decimal number in its number or content column; the Access
// file's "编号" holds 12.5, 2, 0.75, 13800000004 and 5.
struct NumericCase {
    const char* name;
    void (*make)(const std::string&);
    const char* contentField;
    bool dbase;
    std::vector<std::pair<std::string, std::string>> rows;  // without the sender name
};
const NumericCase kNumericCases[] = {
    {"issue.dbf", MakeNumericDbf, "短信内容", true, kNumericRows},
    {"numbers.xls", MakeNumericXls, "2.5", false, kNumericRows},
    {"bcd.db", MakeNumericParadox, "短信内容", false, kNumericRows},
    {"jet4.mdb", CopyJet4, "编号", false,
     {{"13800000001", "12.50"}, {"13800000003", "0.75"}, {"13800000004", "13800000004"}, {"13800000005", "5"}}},
    {"jet3.mdb", CopyJet3, "编号", false,
     {{"13800000001", "12.50"}, {"13800000003", "0.75"}, {"13800000004", "13800000004"}, {"13800000005", "5"}}},
};

// Imports each numeric list from the files of dir, made by MakeNumericFiles.
void ImportNumericCases(const testsupport::TempAppDir& files, const std::string& where) {
    for (const NumericCase& c : kNumericCases) {
        SCOPED_TRACE(std::string(c.name) + " under " + where);
        ImportFixture f;
        f.table = "名单";
        f.contentField = c.contentField;
        f.Import(files.file(c.name));
        EXPECT_EQ(f.messages, std::vector<std::string>{kDone});
        auto expected = c.rows;
        if (!c.dbase)
            for (auto& [number, content] : expected) content += kSender;
        EXPECT_EQ(QueuedPairs(f.Queued()), expected);
    }
}

void MakeNumericFiles(const testsupport::TempAppDir& files) {
    for (const NumericCase& c : kNumericCases) c.make(files.file(c.name));
}

// Started as the child of UnderTheLocaleTheStartUpTakes: Qt's locale made Chinese before the
// application object, as the program's start-up does.
const bool g_startUpChild = std::getenv("SMS_STARTUP_LOCALE_CHILD") != nullptr && (UseChineseLocaleForQt(), true);

}  // namespace

TEST(SendListImport, EveryKindQueuesItsRows) {
    struct Case {
        const char* name;
        void (*make)(const std::string&);
        bool dbase;
        std::vector<unsigned> dialogs;
    } cases[] = {
        {"LIST.XLS", [](const std::string& p) { MakeXls(p); }, false, {299, 298}},
        {"list.csv", MakeCsv, false, {298}},
        {"list.txt", MakeCsv, false, {298}},
        {"list.db", MakeParadox, false, {298}},
        {"list.dbf", [](const std::string& p) { MakeDbf(p, false); }, true, {298}},
        {"vfp.DBF", [](const std::string& p) { MakeDbf(p, true); }, true, {298}},
        {"jet4.mdb", CopyJet4, false, {300, 298}},
        {"jet3.MDB", CopyJet3, false, {300, 298}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImportFixture f;
        f.table = "名单";
        const std::string path = f.dir.file(c.name);
        c.make(path);
        f.Import(path);
        EXPECT_EQ(f.dialogs, c.dialogs);
        EXPECT_EQ(f.messages, std::vector<std::string>{kDone});
        const auto rows = f.Queued();
        ASSERT_EQ(rows.size(), 4u);  // the row without a number is skipped
        const std::string s = c.dbase ? "" : kSender;
        const std::string cut = c.dbase ? "a" + Repeat("中", 79) : "a" + Repeat("中", 74);
        const std::vector<std::pair<std::string, std::string>> expected = {
            {"13800000001", "你好，第一条" + s}, {"13800000003", s}, {"13800000004", "数字号码" + s}, {"13800000005", cut + s}};
        const int id0 = std::stoi(rows[0].cells[queue::kColId]);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].cells[queue::kColNumber], expected[i].first);
            EXPECT_EQ(rows[i].cells[queue::kColText], expected[i].second);
            EXPECT_EQ(std::stoi(rows[i].cells[queue::kColId]), id0 + static_cast<int>(i));
        }
        EXPECT_FALSE(f.WorkTableExists());
        if (c.dbase) EXPECT_TRUE(fs::exists(f.dir.file("C/tmp1238899.dbf")));
    }
}

TEST(SendListImport, FailuresQueueNothing) {
    struct Case {
        const char* name;
        std::string bytes;  // written as the file; empty: made by make, then cut
        void (*make)(const std::string&);
        std::vector<std::string> messages;  // {"*"}: one text of the Access reader
    } cases[] = {
        {"bad.xls", "not a workbook", nullptr, {kFailed}},
        {"cut.xls", {}, [](const std::string& p) { MakeXls(p); }, {kFailed}},
        {"bad.csv", codec::ToGbk("手机号码,短信内容\r\n13800000001,\"没有结束\r\n"), nullptr, {kFailed}},
        {"bad.db", std::string(3000, 'x'), nullptr, {kFailed}},
        {"cut.db", {}, MakeParadox, {kFailed}},
        {"bad.dbf", std::string(10, '\x03'), nullptr, {}},  // dBase: silent
        {"bad.mdb", std::string(4096, 'z'), nullptr, {"*"}},
        {"cut.mdb", {}, CopyJet4, {"*"}},
        {"list.doc", "x", nullptr, {"不支持您所选择的导入文件类型！"}},
        {"noext", "x", nullptr, {"不支持您所选择的导入文件类型！"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImportFixture f;
        const std::string path = f.dir.file(c.name);
        if (c.make) {
            c.make(path);
            std::string bytes = testsupport::ReadFile(path);
            testsupport::WriteFile(path, bytes.substr(0, bytes.size() / 3));
        } else {
            testsupport::WriteFile(path, c.bytes);
        }
        f.Import(path);
        if (c.messages == std::vector<std::string>{"*"}) {
            ASSERT_EQ(f.messages.size(), 1u);
            EXPECT_NE(f.messages[0].find("Access数据库"), std::string::npos) << f.messages[0];
            EXPECT_NE(f.messages[0].find(c.name), std::string::npos) << f.messages[0];
            EXPECT_EQ(f.dialogs, std::vector<unsigned>{});
        } else {
            EXPECT_EQ(f.messages, c.messages);
        }
        // Every failure speaks through the program's own message box.
        EXPECT_TRUE(f.standard.empty());
        EXPECT_TRUE(f.Queued().empty());
        EXPECT_FALSE(f.WorkTableExists());
    }
    // An unknown Access table fails the read; an unknown sheet the import.
    EXPECT_FALSE(ftable::Open({ftable::Kind::Access, std::string(SMS_TEST_DATA_DIR) + "/jet4.mdb", "NoSuch"}).ok());
    ImportFixture f;
    MakeXls(f.dir.file("a.xls"));
    f.sheet = "NoSuchSheet";
    f.Import(f.dir.file("a.xls"));
    EXPECT_EQ(f.messages, std::vector<std::string>{kFailed});
    EXPECT_TRUE(f.Queued().empty());
}

TEST(SendListImport, KindComesFromTheFileNameAndSheetNamesFoldCase) {
    ImportFixture f;
    fs::create_directories(f.dir.file("old.xls"));
    MakeCsv(f.dir.file("old.xls/list.csv"));
    f.Import(f.dir.file("old.xls/list.csv"));
    EXPECT_EQ(f.dialogs, std::vector<unsigned>{298});  // the text reader, no sheet asked
    EXPECT_EQ(f.Queued().size(), 4u);

    ImportFixture g;
    MakeXls(g.dir.file("b.xls"), "Sheet1");
    g.sheet = "  sHEET1";  // trimmed at the front, ASCII case folded
    g.Import(g.dir.file("b.xls"));
    EXPECT_EQ(g.messages, std::vector<std::string>{kDone});
    EXPECT_EQ(g.Queued().size(), 4u);
}

TEST(SendListImport, CancelAndDialogChecks) {
    {  // file dialog cancelled
        ImportFixture f;
        f.page->OnBtnSendExcelFile();
        EXPECT_TRUE(f.messages.empty());
        EXPECT_TRUE(f.dialogs.empty());
    }
    {  // sheet dialog cancelled
        ImportFixture f;
        MakeXls(f.dir.file("a.xls"));
        f.cancelAt299 = true;
        f.Import(f.dir.file("a.xls"));
        EXPECT_TRUE(f.messages.empty());
        EXPECT_TRUE(f.Queued().empty());
    }
    {  // column dialog cancelled: the work table is dropped
        ImportFixture f;
        MakeCsv(f.dir.file("a.csv"));
        f.cancelAt298 = true;
        f.Import(f.dir.file("a.csv"));
        EXPECT_TRUE(f.messages.empty());
        EXPECT_TRUE(f.Queued().empty());
        EXPECT_FALSE(f.WorkTableExists());
    }
    // The checks keep each dialog open.
    std::vector<std::string> messages;
    seam::ScopedMessageBox box([&](const std::string& t, int) {
        messages.push_back(t);
        return 1;
    });
    std::vector<int> results;
    ScopedModalRun run([&](CSkinDialog& d) {
        d.ShowForHook();
        d.OnOK();
        const bool open = d.isVisible();
        if (open) d.OnCancel();
        results.push_back(open ? 0 : d.result());
        return d.result();
    });
    CImportSourceTableDlg src("请输入“号码”字段和“短信内容”字段所在的表名！");
    src.m_editTableName->setText("   ");
    src.DoModal();
    CImportTableDlg tbl({"t1", "t2"});
    tbl.DoModal();
    CImportFieldMapDlg map({"a", "b"});
    map.DoModal();
    CImportFieldMapDlg map2({"a", "b"});
    map2.m_comboNumber->setCurrentIndex(1);
    map2.DoModal();
    EXPECT_EQ(messages, (std::vector<std::string>{"请输入“号码”字段和“短信内容”字段所在的表名！", "请选择表名！",
                                                  "请选择号码对应的字段！", "请选择短信内容对应的字段！"}));
    EXPECT_EQ(results, (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(map.m_comboContent->count(), 2);
}

TEST(SendListImport, LeftWorkTableCraftedNamesAndWideNumbers) {
    ImportFixture f;
    // A "temp" left by an earlier failure does not stop the import.
    CAdoRecordset rs;
    rs.SetConnection(&f.conn);
    rs.Open("create table temp (x)", 1, 3, 3);
    ASSERT_TRUE(f.WorkTableExists());
    // Names holding quotes, brackets and SQL; a repeated and a missing name; a number too wide.
    const std::string csv = "\"a\"\"b\",\"[号码]\",\"x\"\"); DROP TABLE temp; --\",A\"B,,\r\n"
                            "1,13800000001,内容一,y,z,w\r\n"
                            "2," + std::string(40, '9') + ",内容二,y,z,w\r\n"
                            "3,13800000003,内容三,y,z,w\r\n";
    testsupport::WriteFile(f.dir.file("n.csv"), codec::ToGbk(csv));
    f.numberField = "[号码]";
    f.contentField = "x\"); DROP TABLE temp; --";
    std::vector<std::string> shown;
    ScopedModalRun peek([&](CSkinDialog& d) {
        auto& m = static_cast<CImportFieldMapDlg&>(d);
        for (int i = 0; i < m.m_comboNumber->count(); ++i) shown.push_back(codec::FromQ(m.m_comboNumber->itemText(i)));
        m.m_comboNumber->setCurrentIndex(m.m_comboNumber->findText(ToQ(f.numberField)));
        m.m_comboContent->setCurrentIndex(m.m_comboContent->findText(ToQ(f.contentField)));
        d.OnOK();
        return d.result();
    });
    // The import puts back the connection settings it changes for the work table.
    const auto setting = [&](const std::string& name) {
        CAdoRecordset p;
        p.SetConnection(&f.conn);
        p.Open("PRAGMA " + name, 1, 3, 3);
        std::string v = "?";
        p.GetFieldValue(v, name);
        return v;
    };
    const std::string secureDelete = setting("secure_delete"), cacheSize = setting("cache_size");
    f.Import(f.dir.file("n.csv"));
    EXPECT_EQ(setting("secure_delete"), secureDelete);
    EXPECT_EQ(setting("cache_size"), cacheSize);
    EXPECT_EQ(shown, (std::vector<std::string>{"a\"b", "[号码]", "x\"); DROP TABLE temp; --", "A\"B1", "F5", "F6"}));
    EXPECT_EQ(f.messages, std::vector<std::string>{kDone});
    const auto rows = f.Queued();
    ASSERT_EQ(rows.size(), 2u);  // the too-wide number is refused by the writer
    EXPECT_EQ(rows[0].cells[queue::kColText], "内容一" + kSender);
    EXPECT_EQ(rows[1].cells[queue::kColNumber], "13800000003");
    EXPECT_FALSE(f.WorkTableExists());
}

TEST(ForeignTable, ReadsValuesByTheSourceTypes) {
    testsupport::TempAppDir dir;
    // FoxPro binary and typed fields.
    const std::string dbfPath = dir.file("t.dbf");
    ASSERT_TRUE(RunPython("import sys, dbf, datetime\n"
                          "t = dbf.Table(sys.argv[1], 'i I; b B; t T; y Y; l L; d D; n N(8,2)', dbf_type='vfp')\n"
                          "t.open(dbf.READ_WRITE)\n"
                          "t.append((-7, 1.5, datetime.datetime(2020, 1, 2, 3, 4, 5), 12.34, True, "
                          "datetime.date(2021, 5, 6), 3.25))\nt.close()\n",
                          dbfPath));
    const ftable::Table t = ftable::Open({ftable::Kind::DBase, dbfPath, {}});
    ASSERT_TRUE(t.ok()) << t.error;
    EXPECT_EQ(t.columns, (std::vector<std::string>{"I", "B", "T", "Y", "L", "D", "N"}));
    ASSERT_EQ(t.rows.size(), 1u);
    const auto& r = t.rows[0];
    EXPECT_EQ(r[0].type, db::VarType::Int32);
    EXPECT_EQ(r[0].i, -7);
    EXPECT_EQ(r[1].type, db::VarType::Double);
    EXPECT_EQ(r[1].d, 1.5);
    EXPECT_EQ(r[2].type, db::VarType::Date);
    EXPECT_NEAR(r[2].d, 43832 + (3 * 3600 + 4 * 60 + 5) / 86400.0, 1e-6);  // 2020-01-02 03:04:05
    EXPECT_EQ(r[3].type, db::VarType::Currency);
    EXPECT_EQ(r[3].i, 123400);
    EXPECT_EQ(r[4].type, db::VarType::Bool);
    EXPECT_EQ(r[4].i, 1);
    EXPECT_EQ(r[5].type, db::VarType::Date);
    EXPECT_EQ(r[5].d, 44322);  // 2021-05-06
    EXPECT_EQ(r[6].d, 3.25);

    // Workbook: numbers as doubles, dates as dates.
    const std::string xlsPath = dir.file("d.xls");
    ASSERT_TRUE(RunPython("import sys, xlwt, datetime\nwb = xlwt.Workbook()\nws = wb.add_sheet('S')\n"
                          "ws.write(0, 0, 'n'); ws.write(0, 2, 'd')\nws.write(1, 0, 42)\n"
                          "ws.write(1, 2, datetime.date(2020, 1, 2), xlwt.easyxf(num_format_str='YYYY-MM-DD'))\n"
                          "wb.save(sys.argv[1])\n",
                          xlsPath));
    const ftable::Table x = ftable::Open({ftable::Kind::Excel, xlsPath, "s"});
    ASSERT_TRUE(x.ok()) << x.error;
    EXPECT_EQ(x.columns, (std::vector<std::string>{"n", "F2", "d"}));
    ASSERT_EQ(x.rows.size(), 1u);
    EXPECT_EQ(x.rows[0][0].type, db::VarType::Double);
    EXPECT_EQ(x.rows[0][0].d, 42);
    EXPECT_EQ(x.rows[0][1].type, db::VarType::Null);
    EXPECT_EQ(x.rows[0][2].type, db::VarType::Date);
    EXPECT_EQ(x.rows[0][2].d, 43832);

    // Text: LF line ends, an invalid GBK byte, a quoted line end.
    const ftable::Table c = ftable::ParseCsv("a,b\n\"x\ny\",\xFF\n");
    ASSERT_TRUE(c.ok());
    ASSERT_EQ(c.rows.size(), 1u);
    EXPECT_EQ(c.rows[0][0].s, "x\ny");
    EXPECT_EQ(c.rows[0][1].s, "?");
    EXPECT_EQ(ftable::KindOfPath("/a/b.DbF"), ftable::Kind::DBase);
    EXPECT_EQ(ftable::KindOfPath("/a/b.db"), ftable::Kind::Paradox);
    EXPECT_EQ(ftable::KindOfPath("/a.xls/b"), ftable::Kind::Unknown);
}

TEST(AccessTables, GeneratorOutputAndTheUserTableList) {
    // The generator still writes the checked-in files byte for byte.
    testsupport::TempAppDir dir;
    for (const char* v : {"4", "3"}) {
        const std::string out = dir.file(std::string("jet") + v + ".mdb");
        QProcess p;
        p.start("/usr/bin/python3", {QString(SMS_TEST_DATA_DIR) + "/make_mdb.py", v, ToQ(out)});
        ASSERT_TRUE(p.waitForFinished(60000));
        ASSERT_EQ(p.exitCode(), 0);
        EXPECT_EQ(testsupport::ReadFile(out),
                  testsupport::ReadFile(std::string(SMS_TEST_DATA_DIR) + "/jet" + v + ".mdb"));
    }
    // The table dialog lists the user tables only, Chinese names too; Jet 3 names are GBK.
    for (const char* file : {"jet4.mdb", "jet3.mdb"}) {
        SCOPED_TRACE(file);
        ImportFixture f;
        std::vector<std::string> listed;
        ScopedModalRun run([&](CSkinDialog& d) {
            auto& t = static_cast<CImportTableDlg&>(d);
            for (int i = 0; i < t.m_comboTables->count(); ++i) listed.push_back(codec::FromQ(t.m_comboTables->itemText(i)));
            d.OnCancel();
            return d.result();
        });
        f.Import(std::string(SMS_TEST_DATA_DIR) + "/" + file);
        EXPECT_EQ(listed, (std::vector<std::string>{"名单", "Other"}));
        EXPECT_TRUE(f.messages.empty());
        EXPECT_TRUE(f.Queued().empty());
    }
}

TEST(SendListImport, WorkTableHoldsEachCellAsItsRecordsetText) {
    testsupport::TempAppDir dir;
    fs::copy_file(fs::path(SMS_APP_DIR) / "Smsdb.mdb", fs::path(dir.path()) / "Smsdb.mdb");
    CAdoConnection conn;
    ASSERT_EQ(conn.Open("Data Source=" + g_strAppPath + "\\Smsdb.mdb"), 1);
    using db::Variant;
    ftable::Table t;
    t.columns = {"号\"码", "b"};
    t.rows = {
        {Variant::Double(13800000001.0), Variant::Text("内容")},
        {Variant::Double(-0.0), Variant::Double(1.5)},
        {Variant::Double(1e15), Variant::Double(-42.0)},
        {Variant::Text(""), Variant::Null()},
        {Variant::Date(43831.5), Variant::Blob("xy")},
        {Variant::Bool(true)},  // a short row: the missing cell is NULL
    };
    sendlist::DropWorkTable(conn);
    ASSERT_TRUE(sendlist::CopyToWorkTable(conn, t));
    const auto stored = conn.GetConnection()->Run("select typeof(\"号\"\"码\"), \"号\"\"码\", typeof(b), b from temp");
    ASSERT_TRUE(stored);
    std::vector<std::string> got;
    for (const auto& row : stored->rows)
        for (const auto& v : row) got.push_back(v.type == db::VarType::Null ? "<null>" : v.s);
    EXPECT_EQ(got, (std::vector<std::string>{"text", "13800000001", "text", "内容",                 //
                                             "text", "-0", "text", "1.50",                             //
                                             "text", "1000000000000000", "text", "-42",                //
                                             "null", "<null>", "null", "<null>",                       //
                                             "text", "2020-01-01 12:00:00", "null", "<null>",          //
                                             "text", "TRUE", "null", "<null>"}));
    sendlist::DropWorkTable(conn);
}

TEST(SendListImport, NumberColumnsReadAlikeUnderEveryLocale) {
    testsupport::TempAppDir files;
    MakeNumericFiles(files);
    const auto missing = testsupport::UnderEachTestLocale([&](const char* locale) { ImportNumericCases(files, locale); });
    if (!missing.empty()) GTEST_SKIP() << "locale " << missing[0] << " is not installed (scripts/install-deps.sh generates it)";
}

TEST(SendListImport, AnImportThatQueuesNothingSaysSo) {
    struct Case {
        const char* name;
        std::string bytes;  // the file; empty: made by make
        void (*make)(const std::string&);
    } cases[] = {
        {"names.csv", codec::ToGbk("手机号码,短信内容\r\n"), nullptr},
        {"blank.csv", codec::ToGbk("手机号码,短信内容\r\n,内容一\r\n  ,内容二\r\n"), nullptr},
        {"wide.csv", codec::ToGbk("手机号码,短信内容\r\n" + std::string(40, '9') + ",内容\r\n"), nullptr},
        {"blank.dbf", {}, [](const std::string& p) {
             ASSERT_TRUE(RunPython("import sys, dbf\nt = dbf.Table(sys.argv[1], '手机号码 C(20); 短信内容 C(20)', "
                                   "dbf_type='db3', codepage='cp936')\nt.open(dbf.READ_WRITE)\n"
                                   "t.append(('', 'x')); t.append(('  ', 'y'))\nt.close()\n",
                                   p));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImportFixture f;
        const std::string path = f.dir.file(c.name);
        if (c.make) c.make(path);
        else testsupport::WriteFile(path, c.bytes);
        f.Import(path);
        EXPECT_EQ(f.messages, std::vector<std::string>{kNone});
        EXPECT_TRUE(f.Queued().empty());
        EXPECT_FALSE(f.WorkTableExists());
        if (ftable::KindOfPath(path) == ftable::Kind::DBase) EXPECT_EQ(f.page->ImportDbfFile(path), 0);
    }
}

// The program's start-up under LANG and LC_ALL de_DE.UTF-8: this test program started again in
// that environment, Qt's locale made Chinese first and the application object then taking the C
// library's locale from the environment, as the program does; the child imports there.
TEST(SendListImport, UnderTheLocaleTheStartUpTakes) {
    if (!testsupport::ScopedLocale("de_DE.UTF-8").ok())
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed (scripts/install-deps.sh generates it)";
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LANG", "de_DE.UTF-8");
    env.insert("LC_ALL", "de_DE.UTF-8");
    env.insert("SMS_STARTUP_LOCALE_CHILD", "1");
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QCoreApplication::applicationFilePath(),
            {"--gtest_also_run_disabled_tests", "--gtest_filter=SendListImport.DISABLED_InTheStartUpLocale"});
    ASSERT_TRUE(p.waitForFinished(300000));
    const std::string out = p.readAll().toStdString();
    EXPECT_EQ(p.exitCode(), 0) << out;
    EXPECT_NE(out.find("[  PASSED  ] 1 test."), std::string::npos) << out;
}

TEST(SendListImport, DISABLED_InTheStartUpLocale) {
    ASSERT_TRUE(g_startUpChild);
    // The application object took the comma locale of the environment.
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    testsupport::TempAppDir files;
    MakeNumericFiles(files);
    ImportNumericCases(files, "the start-up's locale");
}
