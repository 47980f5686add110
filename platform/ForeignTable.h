#pragma once
// Foreign tables: a sheet of an Excel 97-2003 workbook, a comma-separated text file, a table of
// an Access database, a dBase or FoxPro table, or a Paradox table, read whole into column names
// and rows of values typed as the source types them. Every failure carries an error text.
#include "platform/DbValue.h"

#include <string>
#include <string_view>
#include <vector>

namespace ftable {

enum class Kind { Unknown, Excel, Text, Access, DBase, Paradox };

// The kind of a file by its own extension (the part after the last "." of the file name), ASCII
// case folded: ".xls", ".txt" or ".csv", ".mdb", ".dbf", ".db".
Kind KindOfPath(std::string_view path);

struct Source {
    Kind kind = Kind::Unknown;
    std::string path;   // file-system path
    std::string table;  // the sheet (Excel) or table (Access); the other kinds have one table
};

struct Table {
    std::string error;  // empty on success
    std::vector<std::string> columns;
    std::vector<std::vector<db::Variant>> rows;  // each as wide as columns

    bool ok() const { return error.empty(); }
};

// Reads the source whole. Column names are unique (ASCII case folded): a missing name becomes
// "F<n>" (n its column from 1), a repeated one gets a number appended.
Table Open(const Source& source);

// The tables of an Access database, in catalog order; error set on failure.
struct CatalogEntry {
    std::string name;
    bool system = false;  // Jet's own tables ("MSys...")
};
struct TableList {
    std::string error;
    std::vector<CatalogEntry> tables;
};
TableList ListAccessTables(const std::string& path);

// Comma-separated text (GBK bytes, CR LF or LF, double quotes with "" inside): the first row
// gives the names; every cell is text, an empty unquoted one NULL. An unclosed quote fails.
Table ParseCsv(std::string_view gbkBytes);

// Reads every cell of a workbook's sheet (the bare read, for measuring); -1 on failure, else the
// number of cells that held a value.
long long XlsReadAllCells(const std::string& path, const std::string& sheet);

// Makes the names unique as Open describes.
std::vector<std::string> UniqueColumnNames(std::vector<std::string> names);

}  // namespace ftable
