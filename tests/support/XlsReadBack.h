#pragma once
// Reading written workbooks back in tests: through freexl, and through python3-xlrd.
#include <QTemporaryDir>
#include <freexl.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace xlsread {

using Rows = std::vector<std::vector<std::string>>;

struct Sheet {
    int error = 0;
    std::string name;
    Rows rows;
};

// The first sheet of the file through freexl; NULL cells give "".
inline Sheet ReadFreexl(const std::string& path) {
    Sheet s;
    const void* h = nullptr;
    s.error = freexl_open(path.c_str(), &h);
    if (s.error != FREEXL_OK) return s;
    const char* name = nullptr;
    if (freexl_get_worksheet_name(h, 0, &name) == FREEXL_OK && name) s.name = name;
    unsigned int rows = 0;
    unsigned short cols = 0;
    s.error = freexl_select_active_worksheet(h, 0);
    if (s.error == FREEXL_OK) s.error = freexl_worksheet_dimensions(h, &rows, &cols);
    for (unsigned int r = 0; s.error == FREEXL_OK && r < rows; ++r) {
        std::vector<std::string> row;
        for (unsigned short c = 0; c < cols; ++c) {
            FreeXL_CellValue v;
            s.error = freexl_get_cell_value(h, r, c, &v);
            if (s.error != FREEXL_OK) break;
            if (v.type == FREEXL_CELL_SST_TEXT || v.type == FREEXL_CELL_TEXT) row.emplace_back(v.value.text_value);
            else if (v.type == FREEXL_CELL_NULL) row.emplace_back();
            else row.emplace_back("?");
        }
        s.rows.push_back(std::move(row));
    }
    freexl_close(h);
    return s;
}

// The output of a python3 script given the path as its argument.
inline std::string RunPython(const std::string& script, const std::string& path) {
    QTemporaryDir dir;
    const std::string py = dir.path().toStdString() + "/read.py";
    std::ofstream(py) << script;
    const std::string cmd = "/usr/bin/python3 '" + py + "' '" + path + "' 2>&1";
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

// Prints sheet name, row count, then each row's cells joined by '|' (xlrd's view).
inline const char* kXlrdDump = R"(import sys, xlrd
b = xlrd.open_workbook(sys.argv[1])
s = b.sheet_by_index(0)
out = [s.name, str(s.nrows)]
for r in range(min(s.nrows, int(sys.argv[2]) if len(sys.argv) > 2 else s.nrows)):
    out.append('|'.join(s.cell_value(r, c) if s.cell_type(r, c) == 1 else '' for c in range(s.ncols)))
sys.stdout.buffer.write(('\n'.join(out) + '\n').encode('utf-8'))
)";

}  // namespace xlsread
