#pragma once
// Small BIFF8 workbooks for tests of the readers: several sheets, text cells through a shared
// string table, and the numeric cells (NUMBER, RK) the program's writer never writes. Built on
// the writer's own record pieces.
#include "platform/XlsWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace xlsfix {

struct Cell {
    enum Kind { kEmpty, kText, kNumber, kRk } kind = kEmpty;
    std::string text;
    double number = 0;
    std::int32_t rk = 0;  // an RK cell's integer, divided by 100 when cents is set
    bool cents = false;
};
inline Cell Text(std::string s) { return {Cell::kText, std::move(s)}; }
inline Cell Number(double d) { return {Cell::kNumber, {}, d}; }
inline Cell Rk(std::int32_t v, bool cents = false) { return {Cell::kRk, {}, 0, v, cents}; }

struct Sheet {
    std::string name;
    std::vector<std::vector<Cell>> rows;
};

namespace detail {
inline void Put16(std::string& s, std::uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}
inline std::string CellHead(std::size_t r, std::size_t c) {
    std::string d;
    Put16(d, static_cast<std::uint32_t>(r));
    Put16(d, static_cast<std::uint32_t>(c));
    Put16(d, xls::biff::kCellXf);
    return d;
}
}  // namespace detail

// The workbook stream of the sheets, in order. The shared strings must fit one record.
inline std::string WorkbookStream(const std::vector<Sheet>& sheets) {
    using namespace detail;
    std::vector<std::string> strings;
    std::string sst;
    std::uint32_t uses = 0;
    std::vector<std::string> bodies;
    for (const Sheet& s : sheets) {
        std::size_t cols = 0;
        std::string cells;
        for (std::size_t r = 0; r < s.rows.size(); ++r) {
            cols = std::max(cols, s.rows[r].size());
            for (std::size_t c = 0; c < s.rows[r].size(); ++c) {
                const Cell& cell = s.rows[r][c];
                std::string d = CellHead(r, c);
                if (cell.kind == Cell::kText) {
                    auto it = std::find(strings.begin(), strings.end(), cell.text);
                    if (it == strings.end()) {
                        strings.push_back(cell.text);
                        sst += xls::biff::UnicodeString(cell.text);
                        it = strings.end() - 1;
                    }
                    ++uses;
                    Put32(d, static_cast<std::uint32_t>(it - strings.begin()));
                    xls::biff::AppendRecord(cells, 0x00FD, d);  // LABELSST
                } else if (cell.kind == Cell::kNumber) {
                    char raw[8];
                    std::memcpy(raw, &cell.number, 8);
                    d.append(raw, 8);
                    xls::biff::AppendRecord(cells, 0x0203, d);  // NUMBER
                } else if (cell.kind == Cell::kRk) {
                    Put32(d, (static_cast<std::uint32_t>(cell.rk) << 2) | 2u | (cell.cents ? 1u : 0u));
                    xls::biff::AppendRecord(cells, 0x027E, d);  // RK
                }
            }
        }
        bodies.push_back(xls::biff::SheetHead(static_cast<std::uint32_t>(s.rows.size()),
                                              static_cast<std::uint16_t>(cols)) +
                         cells + xls::biff::SheetTail());
    }
    std::string sstData;
    Put32(sstData, uses);
    Put32(sstData, static_cast<std::uint32_t>(strings.size()));
    sstData += sst;
    auto globals = [&](std::uint32_t first) {
        std::string g = xls::biff::GlobalsHead();
        std::uint32_t at = first;
        for (std::size_t k = 0; k < sheets.size(); ++k) {
            g += xls::biff::BoundSheet(sheets[k].name, at);
            at += static_cast<std::uint32_t>(bodies[k].size());
        }
        xls::biff::AppendRecord(g, 0x00FC, sstData);  // SST
        return g + xls::biff::Eof();
    };
    std::string stream = globals(static_cast<std::uint32_t>(globals(0).size()));
    for (const std::string& b : bodies) stream += b;
    return stream;
}

inline bool WriteWorkbook(const std::string& path, const std::vector<Sheet>& sheets) {
    return xls::WriteWorkbookFile(path, WorkbookStream(sheets));
}

}  // namespace xlsfix
