// The workbook writer, read back by freexl and by python3-xlrd.
#include "platform/XlsWriter.h"
#include "support/XlsFixture.h"
#include "support/XlsReadBack.h"

#include <QTemporaryDir>
#include <freexl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using xlsread::kXlrdDump;
using xlsread::ReadFreexl;
using xlsread::Rows;
using xlsread::RunPython;
using xlsread::Sheet;

class XlsWriterTest : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return dir_.path().toStdString() + "/" + name; }
    QTemporaryDir dir_;
};

TEST_F(XlsWriterTest, CellsReadBackByFreexlAndXlrd) {
    const std::vector<std::string> header = {"姓名", "手机", "备注"};
    const Rows body = {
        {"张三", "13800138000", "说\"好\""},
        {" ", "<地址>", ""},
        {"Ann O'Neil", "", "café"},
    };
    xls::WorkbookWriter w("通信录", header);
    for (const auto& r : body) ASSERT_TRUE(w.AddRow(r));
    const std::string path = Path("a.xls");
    ASSERT_TRUE(w.Save(path));

    const Sheet s = ReadFreexl(path);
    ASSERT_EQ(s.error, FREEXL_OK);
    EXPECT_EQ(s.name, "通信录");
    Rows want = {header};
    want.insert(want.end(), body.begin(), body.end());
    EXPECT_EQ(s.rows, want);

    EXPECT_EQ(RunPython(kXlrdDump, path),
              "通信录\n4\n姓名|手机|备注\n张三|13800138000|说\"好\"\n |<地址>|\nAnn O'Neil||café\n");
}

// Long strings and many distinct ones cross the SST's CONTINUE records, in one and two bytes
// a character, one of them splitting exactly at a record end. freexl reads a string spread over
// at most two records (a longer one makes it give no handle), so the longest strings, up to
// the cut at kMaxCellChars, are read back by xlrd alone.
TEST_F(XlsWriterTest, SharedStringsAcrossContinueRecords) {
    struct Case {
        std::size_t ascii, wide;
        bool freexl;
    };
    for (const Case& k : {Case{12000, 6000, true}, Case{xls::kMaxCellChars + 10, 16000, false}}) {
        xls::WorkbookWriter w("s", {"a", "b"});
        Rows body;
        body.push_back({std::string(k.ascii, 'x'), ""});
        std::string wide;
        for (std::size_t i = 0; i < k.wide; ++i) wide += "汉";
        body.push_back({wide, std::string(8214, 'y')});
        for (int i = 0; i < 3000; ++i) body.push_back({"名" + std::to_string(i), std::to_string(i * 7)});
        body.push_back({"end", ""});
        for (const auto& r : body) ASSERT_TRUE(w.AddRow(r));
        const std::string path = Path("c.xls");
        ASSERT_TRUE(w.Save(path));

        body[0][0].resize(std::min(k.ascii, xls::kMaxCellChars));
        Rows want = {{"a", "b"}};
        want.insert(want.end(), body.begin(), body.end());
        if (k.freexl) {
            const Sheet s = ReadFreexl(path);
            ASSERT_EQ(s.error, FREEXL_OK);
            EXPECT_EQ(s.rows, want);
        }
        std::string expect = "s\n" + std::to_string(want.size()) + "\n";
        for (const auto& r : want) expect += r[0] + "|" + r[1] + "\n";
        EXPECT_EQ(RunPython(kXlrdDump, path), expect) << k.ascii;
    }
}

// 65,536 rows fit (the header row included), the next is refused; the file reads back whole.
TEST_F(XlsWriterTest, FullSheetAndTheRefusedRow) {
    xls::WorkbookWriter w("满", {"号"});
    for (std::size_t r = 1; r < xls::kMaxRows; ++r) ASSERT_TRUE(w.AddRow({std::to_string(r)})) << r;
    EXPECT_FALSE(w.Refused());
    EXPECT_FALSE(w.AddRow({"past"}));
    EXPECT_TRUE(w.Refused());
    EXPECT_EQ(w.RowCount(), xls::kMaxRows);
    const std::string path = Path("full.xls");
    ASSERT_TRUE(w.Save(path));

    const Sheet s = ReadFreexl(path);
    ASSERT_EQ(s.error, FREEXL_OK);
    ASSERT_EQ(s.rows.size(), xls::kMaxRows);
    EXPECT_EQ(s.rows[65534][0], "65534");
    EXPECT_EQ(s.rows[65535][0], "65535");
    const std::string py = RunPython(kXlrdDump, path);
    EXPECT_EQ(py.substr(0, py.find('\n', py.find('\n') + 1) + 1), "满\n65536\n");
    EXPECT_NE(py.find("\n65535\n"), std::string::npos);
    EXPECT_EQ(py.find("past"), std::string::npos);
}

// A workbook over 7 MB needs more than 109 FAT sectors, so DIFAT sectors.
TEST_F(XlsWriterTest, LargeWorkbookWithDifat) {
    xls::WorkbookWriter w("大", {"a", "b", "c", "d", "e", "f", "g", "h"});
    std::vector<std::string> row(8);
    for (std::size_t r = 1; r < 60000; ++r) {
        for (int c = 0; c < 8; ++c) row[c] = std::to_string(r * 8 + c) + "内容";
        ASSERT_TRUE(w.AddRow(row));
    }
    const std::string path = Path("big.xls");
    ASSERT_TRUE(w.Save(path));
    ASSERT_GT(std::filesystem::file_size(path), 7u * 1024 * 1024);

    const Sheet s = ReadFreexl(path);
    ASSERT_EQ(s.error, FREEXL_OK);
    ASSERT_EQ(s.rows.size(), 60000u);
    EXPECT_EQ(s.rows[59999][7], std::to_string(59999 * 8 + 7) + "内容");
    const std::string py = RunPython(kXlrdDump, path);
    EXPECT_EQ(py.substr(0, py.find('\n', py.find('\n') + 1) + 1), "大\n60000\n");
    EXPECT_NE(py.find(std::to_string(59999 * 8 + 7) + "内容\n"), std::string::npos);
}

TEST_F(XlsWriterTest, UnwritablePathFails) {
    xls::WorkbookWriter w("s", {"a"});
    EXPECT_FALSE(w.Save(Path("no/such/dir/x.xls")));
}

}  // namespace

namespace {

// The test fixture's workbooks: numeric cells and a second sheet, as freexl reads them.
TEST(XlsFixtureTest, NumbersAndSheetsReadByFreexl) {
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/f.xls";
    using namespace xlsfix;
    ASSERT_TRUE(WriteWorkbook(path, {{"其他", {{Text("x")}}},
                                     {"通信录", {{Text("姓名"), Text("手机")},
                                               {Number(13800138000.0), Number(2.5)},
                                               {Rk(42), Rk(1234, true)},
                                               {Text("李四"), Cell{}}}}}));
    const void* h = nullptr;
    ASSERT_EQ(freexl_open(path.c_str(), &h), FREEXL_OK);
    ASSERT_NE(h, nullptr);
    unsigned int count = 0;
    ASSERT_EQ(freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &count), FREEXL_OK);
    EXPECT_EQ(count, 2u);
    const char* name = nullptr;
    ASSERT_EQ(freexl_get_worksheet_name(h, 1, &name), FREEXL_OK);
    EXPECT_STREQ(name, "通信录");
    ASSERT_EQ(freexl_select_active_worksheet(h, 1), FREEXL_OK);
    unsigned int rows = 0;
    unsigned short cols = 0;
    ASSERT_EQ(freexl_worksheet_dimensions(h, &rows, &cols), FREEXL_OK);
    EXPECT_EQ(rows, 4u);
    EXPECT_EQ(cols, 2u);
    FreeXL_CellValue v;
    ASSERT_EQ(freexl_get_cell_value(h, 1, 0, &v), FREEXL_OK);
    EXPECT_EQ(v.type, FREEXL_CELL_DOUBLE);
    EXPECT_EQ(v.value.double_value, 13800138000.0);
    ASSERT_EQ(freexl_get_cell_value(h, 1, 1, &v), FREEXL_OK);
    EXPECT_EQ(v.value.double_value, 2.5);
    ASSERT_EQ(freexl_get_cell_value(h, 2, 0, &v), FREEXL_OK);
    EXPECT_EQ(v.type, FREEXL_CELL_INT);
    EXPECT_EQ(v.value.int_value, 42);
    ASSERT_EQ(freexl_get_cell_value(h, 2, 1, &v), FREEXL_OK);
    EXPECT_EQ(v.type, FREEXL_CELL_DOUBLE);
    EXPECT_DOUBLE_EQ(v.value.double_value, 12.34);
    ASSERT_EQ(freexl_get_cell_value(h, 3, 0, &v), FREEXL_OK);
    EXPECT_STREQ(v.value.text_value, "李四");
    ASSERT_EQ(freexl_get_cell_value(h, 3, 1, &v), FREEXL_OK);
    EXPECT_EQ(v.type, FREEXL_CELL_NULL);
    freexl_close(h);
}

}  // namespace
