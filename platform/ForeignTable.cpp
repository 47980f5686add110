#include "platform/ForeignTable.h"

#include "platform/StringFormat.h"
#include "platform/TextCodec.h"

#include <freexl.h>
#include <mdbtools.h>
extern "C" {
#include <paradox.h>  // declares no C linkage of its own
}
#include <shapefil.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>

namespace ftable {
namespace {

// mdbtools reads the Jet 3 code page from the environment; set before main, so before any thread.
[[maybe_unused]] const bool g_jet3Charset = [] {
    setenv("MDB_JET3_CHARSET", "CP936", 1);
    return true;
}();

using db::Variant;
using db::VarType;

// Days since 1899-12-30 of a civil date.
double OleDays(int y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153LL * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return static_cast<double>(era * 146097 + doe - 719468 + 25569);
}

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or "HH:MM:SS" as an OLE date; Null when it is none of them.
Variant DateFromText(const char* t) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (std::sscanf(t, "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) >= 3 && mo >= 1 && mo <= 12 && d >= 1 &&
        d <= 31)
        return Variant::Date(OleDays(y, mo, d) + (h * 3600 + mi * 60 + s) / 86400.0);
    if (std::sscanf(t, "%d:%d:%d", &h, &mi, &s) == 3) return Variant::Date((h * 3600 + mi * 60 + s) / 86400.0);
    return Variant::Null();
}

// A name cell's text: numbers without a needless point.
std::string NameText(const Variant& v) {
    switch (v.type) {
    case VarType::Text: return v.s;
    case VarType::Double: return StringPrintf("%.15g", v.d);
    default: return {};
    }
}

Table Fail(std::string error) {
    Table t;
    t.error = std::move(error);
    return t;
}

bool ReadFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// ---- Excel 97-2003 ----

struct XlsHandle {
    const void* h = nullptr;
    ~XlsHandle() {
        if (h) freexl_close(h);
    }
};

// Opens the workbook and makes the named sheet active; error text on failure.
std::string OpenSheet(XlsHandle& x, const std::string& path, const std::string& sheet, unsigned& rows,
                      unsigned short& cols) {
    if (freexl_open(path.c_str(), &x.h) != FREEXL_OK) return "无法打开Excel文件：" + path;
    unsigned count = 0;
    if (freexl_get_info(x.h, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK) return "无法读取Excel文件的工作表";
    for (unsigned i = 0; i < count && i < 0xFFFF; ++i) {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(x.h, static_cast<unsigned short>(i), &name) != FREEXL_OK || !name) continue;
        if (!codec::EqualsIgnoreAsciiCase(name, sheet)) continue;
        if (freexl_select_active_worksheet(x.h, static_cast<unsigned short>(i)) != FREEXL_OK ||
            freexl_worksheet_dimensions(x.h, &rows, &cols) != FREEXL_OK)
            return "无法读取工作表：" + sheet;
        // The range A1:IV65536.
        if (rows > 65536) rows = 65536;
        if (cols > 256) cols = 256;
        return {};
    }
    return "Excel文件中没有工作表：" + sheet;
}

Variant XlsCell(const void* h, unsigned r, unsigned short c, bool& failed) {
    FreeXL_CellValue v;
    if (freexl_get_cell_value(h, r, c, &v) != FREEXL_OK) {
        failed = true;
        return Variant::Null();
    }
    switch (v.type) {
    case FREEXL_CELL_INT: return Variant::Double(v.value.int_value);
    case FREEXL_CELL_DOUBLE: return Variant::Double(v.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT: return Variant::Text(v.value.text_value ? v.value.text_value : "");
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME: return v.value.text_value ? DateFromText(v.value.text_value) : Variant::Null();
    default: return Variant::Null();
    }
}

Table ReadXls(const std::string& path, const std::string& sheet) {
    XlsHandle x;
    unsigned rows = 0;
    unsigned short cols = 0;
    if (std::string e = OpenSheet(x, path, sheet, rows, cols); !e.empty()) return Fail(std::move(e));
    Table t;
    bool failed = false;
    std::vector<std::string> names;
    for (unsigned short c = 0; c < cols && rows > 0; ++c) names.push_back(NameText(XlsCell(x.h, 0, c, failed)));
    t.rows.reserve(rows > 0 ? rows - 1 : 0);
    for (unsigned r = 1; r < rows && !failed; ++r) {
        std::vector<Variant> row;
        row.reserve(cols);
        for (unsigned short c = 0; c < cols; ++c) row.push_back(XlsCell(x.h, r, c, failed));
        t.rows.push_back(std::move(row));
    }
    if (failed) return Fail("读取Excel单元格失败");
    t.columns = UniqueColumnNames(std::move(names));
    return t;
}

// ---- dBase / FoxPro ----

std::uint32_t Le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

Variant DbfValue(char type, const unsigned char* p, int size) {
    const std::string_view raw(reinterpret_cast<const char*>(p), static_cast<std::size_t>(size));
    switch (type) {
    case 'C': {
        std::size_t n = raw.size();
        while (n > 0 && (raw[n - 1] == ' ' || raw[n - 1] == '\0')) --n;
        return Variant::Text(codec::FromGbk(raw.substr(0, n)));
    }
    case 'N':
    case 'F': {
        const std::string t = codec::TrimAsciiSpace(raw);
        if (t.empty() || t.find_first_not_of('*') == std::string::npos) return Variant::Null();
        const std::optional<double> d = ParseDouble(t);
        return d ? Variant::Double(*d) : Variant::Null();
    }
    case 'D': {
        int y = 0, m = 0, d = 0;
        const std::string t(raw);
        if (raw.size() == 8 && std::sscanf(t.c_str(), "%4d%2d%2d", &y, &m, &d) == 3 && m >= 1 && m <= 12 && d >= 1)
            return Variant::Date(OleDays(y, m, d));
        return Variant::Null();
    }
    case 'L':
        if (size < 1) return Variant::Null();
        if (std::strchr("TtYy", p[0]) && p[0]) return Variant::Bool(true);
        if (std::strchr("FfNn", p[0]) && p[0]) return Variant::Bool(false);
        return Variant::Null();
    case 'I':
        if (size != 4) return Variant::Null();
        return Variant::Signed(VarType::Int32, static_cast<std::int32_t>(Le32(p)));
    case 'B': {
        if (size != 8) return Variant::Null();
        double d;
        std::memcpy(&d, p, 8);
        return Variant::Double(d);
    }
    case 'T': {
        if (size != 8) return Variant::Null();
        const std::uint32_t jd = Le32(p), ms = Le32(p + 4);
        if (jd == 0) return Variant::Null();
        // Julian day 2415019 is 1899-12-30.
        return Variant::Date(static_cast<double>(jd) - 2415019.0 + ms / 86400000.0);
    }
    case 'Y': {
        if (size != 8) return Variant::Null();
        const std::uint64_t v = Le32(p) | (static_cast<std::uint64_t>(Le32(p + 4)) << 32);
        return Variant::Signed(VarType::Currency, static_cast<std::int64_t>(v));
    }
    default: return Variant::Null();
    }
}

Table ReadDbf(const std::string& path) {
    std::unique_ptr<DBFInfo, void (*)(DBFHandle)> h(DBFOpen(path.c_str(), "rb"), DBFClose);
    if (!h) return Fail("无法打开dBase文件：" + path);
    const int nFields = DBFGetFieldCount(h.get());
    std::vector<int> used;  // fields read (FoxPro's hidden null-flags field is not)
    std::vector<std::string> names;
    for (int f = 0; f < nFields; ++f) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        int width = 0, decimals = 0;
        DBFGetFieldInfo(h.get(), f, name, &width, &decimals);
        if (DBFGetNativeFieldType(h.get(), f) == '0') continue;
        used.push_back(f);
        names.push_back(codec::FromGbk(name));
    }
    if (used.empty()) return Fail("dBase文件中没有字段");
    Table t;
    const int nRecords = DBFGetRecordCount(h.get());
    for (int r = 0; r < nRecords; ++r) {
        const unsigned char* rec = reinterpret_cast<const unsigned char*>(DBFReadTuple(h.get(), r));
        if (!rec) return Fail("读取dBase记录失败");
        if (rec[0] == '*') continue;  // deleted
        std::vector<Variant> row;
        row.reserve(used.size());
        for (int f : used) {
            const int off = h->panFieldOffset[f], size = h->panFieldSize[f];
            if (off < 0 || size < 0 || off + size > h->nRecordLength) return Fail("dBase文件的字段定义有误");
            row.push_back(DbfValue(h->pachFieldType[f], rec + off, size));
        }
        t.rows.push_back(std::move(row));
    }
    t.columns = UniqueColumnNames(std::move(names));
    return t;
}

// ---- Paradox ----

void* PxAlloc(pxdoc_t*, size_t size, const char*) { return std::calloc(1, size ? size : 1); }
void* PxRealloc(pxdoc_t*, void* mem, size_t size, const char*) { return std::realloc(mem, size); }
void PxFree(pxdoc_t*, void* mem) { std::free(mem); }
void PxError(pxdoc_t*, int, const char* msg, void* data) {
    auto* text = static_cast<std::string*>(data);
    if (text->empty() && msg) *text = msg;
}

// One field of a raw record by its type; NULL where pxlib says the field is empty.
Variant PxField(pxdoc_t* doc, const pxfield_t& f, char* data) {
    switch (f.px_ftype) {
    case pxfAlpha:
    case pxfMemoBLOb:
    case pxfFmtMemoBLOb: {
        char* v = nullptr;
        if (f.px_ftype != pxfAlpha) return Variant::Null();  // memo bodies live in the .MB file
        if (PX_get_data_alpha(doc, data, f.px_flen, &v) <= 0 || !v) return Variant::Null();
        Variant r = Variant::Text(codec::FromGbk(v));
        std::free(v);
        return r;
    }
    case pxfDate: {
        long d = 0;
        if (PX_get_data_long(doc, data, f.px_flen, &d) <= 0) return Variant::Null();
        return Variant::Date(static_cast<double>(d) - 693594.0);  // day 1 is 0001-01-01
    }
    case pxfShort: {
        short v = 0;
        if (PX_get_data_short(doc, data, f.px_flen, &v) <= 0) return Variant::Null();
        return Variant::Signed(VarType::Int16, v);
    }
    case pxfLong:
    case pxfAutoInc: {
        long v = 0;
        if (PX_get_data_long(doc, data, f.px_flen, &v) <= 0) return Variant::Null();
        return Variant::Signed(VarType::Int32, v);
    }
    case pxfTime: {
        long v = 0;
        if (PX_get_data_long(doc, data, f.px_flen, &v) <= 0) return Variant::Null();
        return Variant::Date(static_cast<double>(v) / 86400000.0);
    }
    case pxfNumber:
    case pxfCurrency:
    case pxfTimestamp: {
        double v = 0;
        if (PX_get_data_double(doc, data, f.px_flen, &v) <= 0) return Variant::Null();
        if (f.px_ftype == pxfCurrency) return Variant::Signed(VarType::Currency, std::llround(v * 10000.0));
        if (f.px_ftype == pxfTimestamp) return Variant::Date(v / 86400000.0 - 693594.0);
        return Variant::Double(v);
    }
    case pxfLogical: {
        char v = 0;
        if (PX_get_data_byte(doc, data, f.px_flen, &v) <= 0) return Variant::Null();
        return Variant::Bool(v != 0);
    }
    case pxfBCD: {
        char* v = nullptr;
        if (PX_get_data_bcd(doc, reinterpret_cast<unsigned char*>(data), f.px_fdc, &v) <= 0 || !v)
            return Variant::Null();
        const std::optional<double> d = ParseDouble(v);
        std::free(v);
        return d ? Variant::Double(*d) : Variant::Null();
    }
    default: return Variant::Null();
    }
}

Table ReadParadox(const std::string& path) {
    std::string error;
    pxdoc_t* doc = PX_new3(PxError, PxAlloc, PxRealloc, PxFree, &error);
    if (!doc) return Fail("无法打开Paradox文件：" + path);
    std::unique_ptr<pxdoc_t, void (*)(pxdoc_t*)> guard(doc, [](pxdoc_t* d) {
        PX_close(d);
        PX_delete(d);
    });
    auto failText = [&](const char* what) { return std::string(what) + (error.empty() ? "" : "：" + error); };
    if (PX_open_file(doc, path.c_str()) < 0 || !doc->px_head) return Fail(failText("无法打开Paradox文件"));
    const pxhead_t& head = *doc->px_head;
    // A file cut short of the blocks its header counts is refused rather than read as zeros.
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    const unsigned long long need = static_cast<unsigned long long>(head.px_headersize) +
                                    static_cast<unsigned long long>(head.px_fileblocks) * head.px_maxtablesize * 0x400ULL;
    if (ec || size < need) return Fail("Paradox文件不完整：" + path);
    const int nFields = PX_get_num_fields(doc);
    pxfield_t* fields = PX_get_fields(doc);
    if (nFields <= 0 || !fields) return Fail(failText("Paradox文件中没有字段"));
    std::vector<std::string> names;
    int width = 0;
    for (int f = 0; f < nFields; ++f) {
        names.push_back(fields[f].px_fname ? codec::FromGbk(fields[f].px_fname) : std::string());
        width += fields[f].px_flen;
    }
    if (width <= 0 || width > head.px_recordsize) return Fail("Paradox文件的字段定义有误");
    Table t;
    std::vector<char> rec(static_cast<std::size_t>(head.px_recordsize));
    const int nRecords = PX_get_num_records(doc);
    for (int r = 0; r < nRecords; ++r) {
        if (!PX_get_record(doc, r, rec.data())) return Fail(failText("读取Paradox记录失败"));
        std::vector<Variant> row;
        row.reserve(static_cast<std::size_t>(nFields));
        int off = 0;
        for (int f = 0; f < nFields; ++f) {
            row.push_back(PxField(doc, fields[f], rec.data() + off));
            off += fields[f].px_flen;
        }
        t.rows.push_back(std::move(row));
    }
    t.columns = UniqueColumnNames(std::move(names));
    return t;
}

// ---- Access ----

struct MdbCloser {
    void operator()(MdbHandle* m) const { mdb_close(m); }
};
using MdbPtr = std::unique_ptr<MdbHandle, MdbCloser>;

MdbPtr OpenMdb(const std::string& path, std::string& error) {
    MdbPtr mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    if (!mdb) {
        error = "无法打开Access数据库：" + path;
        return mdb;
    }
    // A file cut short of a whole page: mdbtools would read the pages it has and list less.
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || !mdb->fmt || size % mdb->fmt->pg_size != 0) {
        error = "Access数据库文件不完整：" + path;
        mdb.reset();
        return mdb;
    }
    // The catalog always lists itself: an empty one was not read.
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE) || !mdb->catalog || mdb->catalog->len == 0) {
        error = "无法读取Access数据库的表目录：" + path;
        mdb.reset();
    }
    return mdb;
}

std::vector<MdbCatalogEntry*> Tables(MdbHandle* mdb, bool withSystem) {
    std::vector<MdbCatalogEntry*> r;
    for (unsigned i = 0; mdb->catalog && i < mdb->catalog->len; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (e && e->object_type == MDB_TABLE && (withSystem || mdb_is_user_table(e))) r.push_back(e);
    }
    return r;
}

Variant MdbValue(int colType, const char* text, int len) {
    if (len <= 0) return Variant::Null();
    const std::string t(text, static_cast<std::size_t>(len));
    switch (colType) {
    case MDB_BOOL: return Variant::Bool(t != "0");
    case MDB_BYTE: return Variant::Unsigned(VarType::UInt8, std::strtoull(t.c_str(), nullptr, 10));
    case MDB_INT: return Variant::Signed(VarType::Int16, std::strtoll(t.c_str(), nullptr, 10));
    case MDB_LONGINT: return Variant::Signed(VarType::Int32, std::strtoll(t.c_str(), nullptr, 10));
    case MDB_FLOAT: {
        const std::optional<float> f = ParseFloat(t);
        return f ? Variant::Float(*f) : Variant::Null();
    }
    case MDB_DOUBLE:
    case MDB_NUMERIC: {
        const std::optional<double> d = ParseDouble(t);
        return d ? Variant::Double(*d) : Variant::Null();
    }
    case MDB_MONEY: {
        const std::optional<double> d = ParseDouble(t);
        return d ? Variant::Signed(VarType::Currency, std::llround(*d * 10000.0)) : Variant::Null();
    }
    case MDB_DATETIME: return DateFromText(t.c_str());
    case MDB_TEXT:
    case MDB_MEMO: return Variant::Text(t);
    default: return Variant::Null();
    }
}

Table ReadMdb(const std::string& path, const std::string& table) {
    // mdbtools prints the values it hands over with the C library.
    const CLocaleScope cLocale;
    std::string error;
    MdbPtr mdb = OpenMdb(path, error);
    if (!mdb) return Fail(error);
    mdb_set_date_fmt(mdb.get(), "%Y-%m-%d %H:%M:%S");
    mdb_set_boolean_fmt_numbers(mdb.get());
    MdbCatalogEntry* entry = nullptr;
    for (MdbCatalogEntry* e : Tables(mdb.get(), false))
        if (codec::EqualsIgnoreAsciiCase(e->object_name, table)) {
            entry = e;
            break;
        }
    if (!entry) return Fail("Access数据库中没有表：" + table);
    MdbTableDef* def = mdb_read_table(entry);
    if (!def) return Fail("无法读取表：" + table);
    std::unique_ptr<MdbTableDef, void (*)(MdbTableDef*)> defGuard(def, mdb_free_tabledef);
    if (!mdb_read_columns(def) || !def->columns) return Fail("无法读取表的字段：" + table);
    const unsigned nCols = def->num_cols;
    std::vector<std::string> names;
    std::vector<int> types;
    std::vector<std::vector<char>> bound(nCols, std::vector<char>(MDB_BIND_SIZE));
    std::vector<int> lens(nCols);
    for (unsigned c = 0; c < nCols; ++c) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, c));
        names.push_back(col->name);
        types.push_back(col->col_type);
        mdb_bind_column(def, static_cast<int>(c + 1), bound[c].data(), &lens[c]);
    }
    if (nCols == 0) return Fail("表中没有字段：" + table);
    Table t;
    mdb_rewind_table(def);
    while (mdb_fetch_row(def)) {
        std::vector<Variant> row;
        row.reserve(nCols);
        for (unsigned c = 0; c < nCols; ++c) row.push_back(MdbValue(types[c], bound[c].data(), lens[c]));
        t.rows.push_back(std::move(row));
    }
    t.columns = UniqueColumnNames(std::move(names));
    return t;
}

}  // namespace

Kind KindOfPath(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return Kind::Unknown;
    const std::string ext = codec::AsciiLower(name.substr(dot));
    if (ext == ".xls") return Kind::Excel;
    if (ext == ".txt" || ext == ".csv") return Kind::Text;
    if (ext == ".mdb") return Kind::Access;
    if (ext == ".dbf") return Kind::DBase;
    if (ext == ".db") return Kind::Paradox;
    return Kind::Unknown;
}

std::vector<std::string> UniqueColumnNames(std::vector<std::string> names) {
    std::set<std::string> seen;
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string& n = names[i];
        n = codec::TrimAsciiSpace(n);
        if (n.empty()) n = "F" + std::to_string(i + 1);
        if (seen.count(codec::AsciiLower(n))) {
            for (int k = 1;; ++k) {
                std::string c = n + std::to_string(k);
                if (!seen.count(codec::AsciiLower(c))) {
                    n = std::move(c);
                    break;
                }
            }
        }
        seen.insert(codec::AsciiLower(n));
    }
    return names;
}

Table ParseCsv(std::string_view gbkBytes) {
    // GBK trail bytes never take the values of a quote, comma, CR or LF, so the text is
    // converted once and then cut into cells.
    const std::string text = codec::FromGbk(gbkBytes);
    std::vector<std::vector<Variant>> rows;
    std::vector<Variant> row;
    std::string cell;
    bool quoted = false;  // the cell began with a quote
    bool any = false;     // the line holds something
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto endCell = [&] {
        if (cell.empty() && !quoted) row.push_back(Variant::Null());
        else row.push_back(Variant::Text(std::move(cell)));
        cell.clear();
        quoted = false;
    };
    while (i < n) {
        const char c = text[i];
        if (c == '"' && cell.empty() && !quoted) {
            // A quoted cell: up to the closing quote, "" standing for one quote.
            quoted = true;
            any = true;
            ++i;
            for (;;) {
                if (i >= n) return Fail("文本文件中的引号没有结束");
                const std::size_t q = text.find('"', i);
                if (q == std::string::npos) return Fail("文本文件中的引号没有结束");
                cell.append(text, i, q - i);
                if (q + 1 < n && text[q + 1] == '"') {
                    cell += '"';
                    i = q + 2;
                } else {
                    i = q + 1;
                    break;
                }
            }
        } else if (c == ',') {
            any = true;
            endCell();
            ++i;
        } else if (c == '\n' || (c == '\r' && i + 1 < n && text[i + 1] == '\n')) {
            if (any || !cell.empty()) {
                endCell();
                rows.push_back(std::move(row));
                row.clear();
            }
            any = false;
            i += c == '\r' ? 2 : 1;
        } else {
            const std::size_t stop = text.find_first_of(",\r\n", i + 1);
            const std::size_t end = stop == std::string::npos ? n : stop;
            cell.append(text, i, end - i);
            any = true;
            i = end;
        }
    }
    if (any || !cell.empty()) {
        endCell();
        rows.push_back(std::move(row));
    }
    if (rows.empty()) return Fail("文本文件中没有字段");
    Table t;
    std::size_t width = 0;
    for (const auto& r : rows) width = std::max(width, r.size());
    std::vector<std::string> names;
    for (const Variant& v : rows[0]) names.push_back(v.s);
    names.resize(width);
    t.columns = UniqueColumnNames(std::move(names));
    t.rows.reserve(rows.size() - 1);
    for (std::size_t r = 1; r < rows.size(); ++r) {
        rows[r].resize(width, Variant::Null());
        t.rows.push_back(std::move(rows[r]));
    }
    return t;
}

long long XlsReadAllCells(const std::string& path, const std::string& sheet) {
    XlsHandle x;
    unsigned rows = 0;
    unsigned short cols = 0;
    if (!OpenSheet(x, path, sheet, rows, cols).empty()) return -1;
    long long n = 0;
    for (unsigned r = 0; r < rows; ++r)
        for (unsigned short c = 0; c < cols; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(x.h, r, c, &v) != FREEXL_OK) return -1;
            if (v.type != FREEXL_CELL_NULL) ++n;
        }
    return n;
}

TableList ListAccessTables(const std::string& path) {
    TableList list;
    MdbPtr mdb = OpenMdb(path, list.error);
    if (!mdb) return list;
    for (MdbCatalogEntry* e : Tables(mdb.get(), true)) list.tables.push_back({e->object_name, !mdb_is_user_table(e)});
    return list;
}

Table Open(const Source& source) {
    switch (source.kind) {
    case Kind::Excel: return ReadXls(source.path, source.table);
    case Kind::Text: {
        std::string bytes;
        if (!ReadFile(source.path, bytes)) return Fail("无法打开文本文件：" + source.path);
        return ParseCsv(bytes);
    }
    case Kind::Access: return ReadMdb(source.path, source.table);
    case Kind::DBase: return ReadDbf(source.path);
    case Kind::Paradox: return ReadParadox(source.path);
    case Kind::Unknown: break;
    }
    return Fail("不支持的文件类型：" + source.path);
}

}  // namespace ftable
