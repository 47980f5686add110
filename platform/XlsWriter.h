#pragma once
// The program's Excel 97-2003 workbook writer: one sheet of text cells, as a BIFF8 "Workbook"
// stream in a compound file (version 3, 512-byte sectors), written atomically. Every Excel
// export of the program goes through WorkbookWriter.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xls {

inline constexpr std::size_t kMaxRows = 65536;  // rows of a sheet, the header row included
inline constexpr std::size_t kMaxColumns = 256;
inline constexpr std::size_t kMaxCellChars = 32767;  // UTF-16 units of one cell
inline constexpr std::size_t kMaxSheetNameChars = 31;

// Collects the rows in memory (each distinct text once) and writes them on Save().
class WorkbookWriter {
public:
    // A sheet named sheetName (its first kMaxSheetNameChars characters) whose first row holds
    // the column names (the first kMaxColumns of them).
    WorkbookWriter(std::string_view sheetName, const std::vector<std::string>& columns);

    // Adds a row of UTF-8 texts below the last one, one per column from the first. Texts past
    // the last column are dropped, an empty text leaves its cell empty, a longer text is cut
    // to kMaxCellChars. False, and nothing added, when the sheet holds kMaxRows rows already.
    bool AddRow(const std::vector<std::string>& cells);

    std::size_t RowCount() const { return rows_; }  // the header row included
    std::size_t ColumnCount() const { return columns_; }
    // True once a row has been refused because the sheet was full.
    bool Refused() const { return refused_; }

    // Writes the workbook as the new content of path, atomically: false when it cannot be
    // written, and the file is then as it was.
    bool Save(const std::string& path) const;

private:
    class Out;
    std::uint32_t Intern(std::string_view utf8);
    // The globals, the sheet list giving the sheet's offset as 0.
    void EmitGlobals(Out& out) const;
    void EmitSheet(Out& out) const;

    std::string sheetName_;
    std::size_t columns_ = 0;
    std::size_t rows_ = 0;
    bool refused_ = false;
    std::uint64_t cellCount_ = 0;
    // Distinct strings in BIFF form without their length: an option byte, then the characters
    // (Latin-1 bytes when every character fits, else UTF-16LE).
    std::string arena_;
    std::vector<std::uint64_t> starts_;  // string i spans arena_[starts_[i], starts_[i + 1])
    std::vector<std::uint32_t> slots_;   // open-addressing table of string index + 1
    std::vector<std::uint32_t> cells_;   // rows_ * columns_ string indexes, kNoCell for none
};

// The pieces the writer is made of, for test fixtures that need records the writer never
// writes (numbers, further sheets).
namespace biff {
inline constexpr std::uint16_t kCellXf = 15;     // the extended format of every cell
inline constexpr std::size_t kMaxRecordData = 8224;

// Appends a record: type, data length, data (at most kMaxRecordData bytes).
void AppendRecord(std::string& out, std::uint16_t type, std::string_view data);
// A UTF-8 text as a BIFF8 string with a 16-bit length (cut to kMaxCellChars), or with an 8-bit
// length (cut to 255 characters) when shortLength is set.
std::string UnicodeString(std::string_view utf8, bool shortLength = false);
// The workbook globals up to the sheet list: BOF, code page (UTF-16), window, fonts, the
// extended formats (kCellXf for cells) and the normal style.
std::string GlobalsHead();
// The sheet-list record of a worksheet named name whose BOF lies at sheetOffset of the stream.
std::string BoundSheet(std::string_view name, std::uint32_t sheetOffset);
// A worksheet's BOF and its dimensions (rows and columns used, from row 0 and column 0).
std::string SheetHead(std::uint32_t rows, std::uint16_t columns);
// The window record of a worksheet and its EOF.
std::string SheetTail();
std::string Eof();
}  // namespace biff

// Writes stream as the one stream "Workbook" of a new compound file, atomically. A stream
// shorter than 4096 bytes is padded with zero bytes to that size, so it lives in ordinary
// sectors. False when the file cannot be written (or the stream is 2 GB or more).
bool WriteWorkbookFile(const std::string& path, std::string_view stream);

}  // namespace xls
