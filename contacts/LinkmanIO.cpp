#include "contacts/LinkmanIO.h"

#include "contacts/AdoValue.h"
#include "core/ExcelExport.h"
#include "core/Helpers.h"
#include "platform/TextCodec.h"
#include "platform/XlsWriter.h"

#include <freexl.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace linkman {

namespace {

constexpr std::size_t kMaxNameBytes = 40;

bool IsLineSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The next TAB-separated value of line from pos (pos moves past its TAB, or to the end).
std::string_view NextValue(std::string_view line, std::size_t& pos) {
    if (pos > line.size()) return {};
    const std::size_t tab = line.find('\t', pos);
    const std::size_t end = tab == std::string_view::npos ? line.size() : tab;
    const std::string_view v = line.substr(pos, end - pos);
    pos = tab == std::string_view::npos ? line.size() + 1 : tab + 1;
    return v;
}

std::string LeftTrimBlanks(std::string s) {
    const std::size_t at = s.find_first_not_of(' ');
    return at == std::string::npos ? std::string() : s.substr(at);
}

// A cell as the import reads it: text as it is, a number by the recordset's rule for a double,
// an empty cell as " ".
std::string CellText(const FreeXL_CellValue& v) {
    switch (v.type) {
    case FREEXL_CELL_INT: return AdoVariantToText(db::Variant::Double(v.value.int_value)).value_or(" ");
    case FREEXL_CELL_DOUBLE: return AdoVariantToText(db::Variant::Double(v.value.double_value)).value_or(" ");
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME: return BlankIfEmpty(v.value.text_value ? v.value.text_value : "");
    default: return " ";
    }
}

std::string OpenReason(int code) {
    switch (code) {
    case FREEXL_FILE_NOT_FOUND: return "无法读取文件";
    case FREEXL_CFBF_READ_ERROR:  // shorter than a compound file's header
    case FREEXL_INVALID_CFBF_HEADER:
    case FREEXL_CFBF_INVALID_SIGNATURE:
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
    case FREEXL_BIFF_INVALID_BOF: return "不是Excel 97-2003工作簿";
    case FREEXL_INSUFFICIENT_MEMORY: return "内存不足";
    default: return "文件已损坏或含有无法读取的内容";
    }
}

class FreexlHandle {
public:
    ~FreexlHandle() {
        if (h) freexl_close(h);
    }
    const void* h = nullptr;
};

}  // namespace

bool IsTextImportPath(const std::string& path) {
    const std::size_t at = path.find(".txt");
    return at != std::string::npos && at > 0;
}

bool IsImportableName(const std::string& name) {
    return !name.empty() && name[0] != '<' && codec::GbkLength(name) <= kMaxNameBytes;
}

std::vector<ImportContact> ParseTextContacts(std::string_view gbk, std::size_t fieldCount) {
    std::vector<ImportContact> out;
    if (fieldCount < 2) return out;
    const std::string text = codec::FromGbk(gbk);
    std::size_t pos = 0;
    for (std::size_t n = 0; n < kMaxTextLines; ++n) {
        // Line breaks and blanks between lines go; a TAB stays, so a line beginning with it
        // (an empty name) is skipped below rather than having its fields shifted.
        while (pos < text.size() && IsLineSpace(text[pos]) && text[pos] != '\t') ++pos;
        if (pos >= text.size()) break;
        const std::size_t eol = std::min(text.find('\n', pos), text.size());
        std::string_view line(text.data() + pos, eol - pos);
        pos = eol + 1;
        while (!line.empty() && IsLineSpace(line.back())) line.remove_suffix(1);
        if (line.empty() || line[0] == '\t' || line.find('\t') == std::string_view::npos) continue;

        std::size_t at = 0;
        ImportContact c;
        c.values.assign(fieldCount, std::string());
        c.stored.assign(fieldCount, false);
        c.values[0] = codec::TrimAsciiSpace(NextValue(line, at));
        c.values[1] = codec::TrimAsciiSpace(NextValue(line, at));
        c.stored[0] = c.stored[1] = true;
        for (std::size_t i = 2; i < fieldCount && at <= line.size(); ++i) {
            c.values[i] = std::string(NextValue(line, at));
            c.stored[i] = true;
        }
        if (!IsImportableName(c.values[0]) || IsValidMobileNumber(c.values[0]) || !IsValidMobileNumber(c.values[1]))
            continue;
        out.push_back(std::move(c));
    }
    return out;
}

ExcelContacts ReadExcelContacts(const std::string& path, std::size_t fieldCount) {
    ExcelContacts out;
    FreexlHandle x;
    int rc = freexl_open(path.c_str(), &x.h);
    if (rc != FREEXL_OK) {
        out.error = OpenReason(rc);
        return out;
    }
    unsigned int sheets = 0;
    rc = freexl_get_info(x.h, FREEXL_BIFF_SHEET_COUNT, &sheets);
    if (rc != FREEXL_OK) {
        out.error = OpenReason(rc);
        return out;
    }
    int sheet = -1;
    for (unsigned int i = 0; i < sheets && sheet < 0; ++i) {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(x.h, static_cast<unsigned short>(i), &name) == FREEXL_OK && name &&
            std::string(name) == kSheetName)
            sheet = static_cast<int>(i);
    }
    if (sheet < 0) {
        out.error = std::string("没有工作表“") + kSheetName + "”";
        return out;
    }
    unsigned int rows = 0;
    unsigned short cols = 0;
    if ((rc = freexl_select_active_worksheet(x.h, static_cast<unsigned short>(sheet))) != FREEXL_OK ||
        (rc = freexl_worksheet_dimensions(x.h, &rows, &cols)) != FREEXL_OK) {
        out.error = OpenReason(rc);
        return out;
    }
    if (fieldCount < 2) return out;
    if (cols < fieldCount && rows > 1) {
        out.error = std::string("工作表“") + kSheetName + "”只有" + std::to_string(cols) + "列，联系人有" +
                    std::to_string(fieldCount) + "个字段";
        return out;
    }
    rows = std::min<unsigned int>(rows, static_cast<unsigned int>(xls::kMaxRows));
    for (unsigned int r = 1; r < rows; ++r) {
        ImportContact c;
        c.values.assign(fieldCount, std::string());
        c.stored.assign(fieldCount, false);
        for (std::size_t i = 0; i < fieldCount; ++i) {
            FreeXL_CellValue v;
            if ((rc = freexl_get_cell_value(x.h, r, static_cast<unsigned short>(i), &v)) != FREEXL_OK) {
                out.error = "第" + std::to_string(r + 1) + "行无法读取";
                return out;
            }
            c.values[i] = CellText(v);
            c.stored[i] = i < 2 || c.values[i] != " ";
            if (!c.stored[i]) c.values[i].clear();
        }
        // Trimmed at both ends, as the edit dialog stores them: a stored blank would make the
        // contact unreachable by its listed name.
        c.values[0] = codec::TrimAsciiSpace(LeftTrimBlanks(c.values[0]));
        std::string number = codec::TrimAsciiSpace(LeftTrimBlanks(c.values[1]));
        const std::size_t dot = number.find('.');
        if (dot != std::string::npos && dot > 0) number.resize(dot);
        c.values[1] = number;
        if (c.values[0].empty() || c.values[1].empty() || !IsImportableName(c.values[0])) continue;
        out.contacts.push_back(std::move(c));
    }
    return out;
}

ImportResult StoreContacts(CLinkmanBook& book, const std::string& path, const std::vector<std::string>& fields,
                           const std::vector<ImportContact>& contacts, const ImportProgress& progress) {
    ImportResult r;
    CAdoConnection* conn = book.Connection();
    if (contacts.empty()) return r;
    if (!conn || !book.IsOpen() || fields.size() < 2) {
        r.error = book.ErrorText();
        return r;
    }
    std::vector<std::string> columns, values;
    std::size_t i = 0;
    while (i < contacts.size() && r.error.empty()) {
        const std::size_t blockStart = r.added.size();
        if (!conn->BeginTrans()) {
            r.error = BlankIfEmpty(conn->GetErrorsText());
            break;
        }
        for (const std::size_t end = std::min(i + kImportBlock, contacts.size()); i < end; ++i) {
            const ImportContact& c = contacts[i];
            const std::string& name = c.values[0];
            if (book.NameTaken(path, name)) {
                r.duplicates += "“" + name + "”";
                continue;
            }
            columns.clear();
            values.clear();
            for (std::size_t f = 0; f < fields.size() && f < c.values.size(); ++f) {
                if (!c.stored[f]) continue;
                columns.push_back(fields[f]);
                values.push_back(c.values[f]);
            }
            if (!book.InsertContact(path, columns, values)) {
                r.error = book.ErrorText();
                break;
            }
            std::vector<std::string> row(c.values.begin(), c.values.end());
            row.resize(fields.size());
            r.added.push_back(std::move(row));
        }
        if (!conn->CommitTrans()) {
            const std::string why = conn->GetErrorsText();
            conn->RollbackTrans();
            r.added.resize(blockStart);
            if (r.error.empty()) r.error = why.empty() ? book.ErrorText() : why;
            break;
        }
        if (progress && !progress(i, contacts.size())) break;
    }
    return r;
}

ImportResult ImportFile(CLinkmanBook& book, const std::string& path, const std::string& file,
                        const std::vector<std::string>& fields, const ImportProgress& progress) {
    if (IsTextImportPath(file)) {
        std::ifstream in(file, std::ios::binary);
        if (!in) return {};
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (in.bad()) return {};
        return StoreContacts(book, path, fields, ParseTextContacts(bytes, fields.size()), progress);
    }
    const ExcelContacts x = ReadExcelContacts(file, fields.size());
    ImportResult r = StoreContacts(book, path, fields, x.contacts, progress);
    if (r.error.empty() && !x.error.empty()) r.error = "打开Excel文件出错：" + x.error;
    return r;
}

std::string DuplicateMessage(const std::string& duplicates) {
    if (duplicates.empty()) return {};
    return "该组中已经存在姓名为" + duplicates + "的联系人，该联系人信息不会被导入";
}

std::string ExportContacts(const std::string& file, const std::vector<std::string>& fields,
                           const std::vector<std::vector<std::string>>& rows,
                           const std::function<bool(std::size_t, std::size_t)>& progress) {
    xls::WorkbookWriter w(kSheetName, fields);
    bool full = false;
    std::vector<std::string> cells(fields.size());
    for (std::size_t n = 0; n < rows.size(); ++n) {
        const std::vector<std::string>& row = rows[n];
        // Rows with every cell filled go as they are; others get " " for each empty cell.
        const bool filled = row.size() >= fields.size() &&
                            std::none_of(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(fields.size()),
                                         [](const std::string& v) { return v.empty(); });
        if (!filled)
            for (std::size_t i = 0; i < fields.size(); ++i) cells[i] = BlankIfEmpty(i < row.size() ? row[i] : std::string());
        if (!w.AddRow(filled ? row : cells)) {
            full = true;
            break;
        }
        if (progress && !progress(n + 1, rows.size()) && n + 1 < rows.size()) return {};
    }
    if (!w.Save(file)) return excel::kWriteFailedText;
    if (full) return excel::TooManyRowsText(rows.size());
    return "Excel文件写入成功！";
}

}  // namespace linkman
