#pragma once
// Contacts across the address book's border: import from a TAB-separated text file or an .xls
// workbook into one group, export of contact rows to a workbook. No widgets: the page supplies
// the rows and shows the returned messages.
#include "contacts/LinkmanBook.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace linkman {

inline constexpr const char* kSheetName = "通信录";
inline constexpr std::size_t kMaxTextLines = 100000;
// Rows inserted between two commits of an import, so a reader on another thread waits little.
inline constexpr std::size_t kImportBlock = 500;

// A text file is one whose path holds ".txt" after its first character (case-sensitive).
bool IsTextImportPath(const std::string& path);

// One contact read from an import file: a value per field (fields beyond the file's are empty),
// and which of them the insert names (the Excel import leaves out empty further fields).
struct ImportContact {
    std::vector<std::string> values;
    std::vector<bool> stored;
};

// The contacts of a text file's content (GBK bytes), by the line rules: a name and a valid
// mobile number, TAB-separated, then the further fields; lines end in CR LF or LF.
std::vector<ImportContact> ParseTextContacts(std::string_view gbk, std::size_t fieldCount);

// The contacts of the sheet "通信录" of a workbook, or the reason it cannot be read.
struct ExcelContacts {
    std::vector<ImportContact> contacts;
    std::string error;  // empty when read
};
ExcelContacts ReadExcelContacts(const std::string& path, std::size_t fieldCount);

// True when the import takes this name: not empty, not beginning with "<", at most 40 bytes.
bool IsImportableName(const std::string& name);

// done of total contacts handled; called between blocks, outside any transaction. False stops the
// import there: the blocks committed stay.
using ImportProgress = std::function<bool(std::size_t done, std::size_t total)>;

struct ImportResult {
    std::vector<std::vector<std::string>> added;  // the list rows of the stored contacts, in order
    std::string duplicates;                       // "“a”“b”": names already in the group
    std::string error;                            // the message that ended the import, else empty
};

// Stores the contacts in group `path` (fields: the book's field list), skipping names the
// group holds already. A failed insert or commit ends the import with its error text; the
// contacts committed before stay.
ImportResult StoreContacts(CLinkmanBook& book, const std::string& path, const std::vector<std::string>& fields,
                           const std::vector<ImportContact>& contacts, const ImportProgress& progress = {});

// Reads the file by its kind and stores its contacts. An unreadable text file imports nothing;
// an Excel file that cannot be read gives "打开Excel文件出错：" and the reason.
ImportResult ImportFile(CLinkmanBook& book, const std::string& path, const std::string& file,
                        const std::vector<std::string>& fields, const ImportProgress& progress = {});

// The message at the end of an import naming the duplicates; empty when there are none.
std::string DuplicateMessage(const std::string& duplicates);

// Writes the contact rows (cells in field order) as the sheet "通信录" with the field names as
// header, each cell through BlankIfEmpty. Returns "Excel文件写入成功！", or the failure text when
// the file cannot be written or the rows do not fit a sheet (what fits is written then).
// progress(done, total) after each row; false stops before the last: no file, an empty text.
std::string ExportContacts(const std::string& file, const std::vector<std::string>& fields,
                           const std::vector<std::vector<std::string>>& rows,
                           const std::function<bool(std::size_t done, std::size_t total)>& progress = {});

}  // namespace linkman
