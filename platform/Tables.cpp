#include "platform/Tables.h"

#include "platform/ForeignTable.h"
#include "platform/TextCodec.h"

namespace {

// SQL LIKE with "%" and "_", ASCII case folded.
bool Like(std::string_view s, std::string_view p) {
    if (p.empty()) return s.empty();
    if (p[0] == '%') {
        for (std::size_t k = 0; k <= s.size(); ++k)
            if (Like(s.substr(k), p.substr(1))) return true;
        return false;
    }
    if (s.empty()) return false;
    if (p[0] == '_') {
        // One character: one UTF-8 sequence.
        std::size_t len = 1;
        while (len < s.size() && (static_cast<unsigned char>(s[len]) & 0xC0) == 0x80) ++len;
        return Like(s.substr(len), p.substr(1));
    }
    return codec::AsciiLower(s.substr(0, 1)) == codec::AsciiLower(p.substr(0, 1)) && Like(s.substr(1), p.substr(1));
}

// "'TABLE','VIEW'" -> {"TABLE", "VIEW"}.
std::vector<std::string> TypeList(const std::string& param) {
    std::vector<std::string> r;
    std::size_t i = 0;
    while (i <= param.size()) {
        const std::size_t comma = param.find(',', i);
        std::string t = codec::TrimAsciiSpace(param.substr(i, comma == std::string::npos ? std::string::npos : comma - i));
        if (t.size() >= 2 && t.front() == '\'' && t.back() == '\'') t = t.substr(1, t.size() - 2);
        if (!t.empty()) r.push_back(t);
        if (comma == std::string::npos) break;
        i = comma + 1;
    }
    return r;
}

}  // namespace

CTables::CTables(std::string strDatabasePath) : m_strDatabasePath(std::move(strDatabasePath)) {}

bool CTables::Open(int, const std::string&, unsigned) {
    Close();
    ftable::TableList list = ftable::ListAccessTables(m_strDatabasePath);
    if (!list.error.empty()) {
        m_strError = list.error;
        return false;
    }
    const std::vector<std::string> types = TypeList(m_strTypeParam);
    for (ftable::CatalogEntry& e : list.tables) {
        Row row{std::move(e.name), e.system ? "SYSTEM TABLE" : "TABLE"};
        if (!m_strNameParam.empty() && !Like(row.name, m_strNameParam)) continue;
        if (!types.empty()) {
            bool match = false;
            for (const std::string& t : types) match = match || codec::EqualsIgnoreAsciiCase(t, row.type);
            if (!match) continue;
        }
        // No qualifier or owner: a filter on either matches only an empty one.
        if (!m_strQualifierParam.empty() || !m_strOwnerParam.empty()) continue;
        m_rows.push_back(std::move(row));
    }
    m_bOpen = true;
    DoFieldExchange();
    return true;
}

void CTables::Close() {
    m_rows.clear();
    m_nPos = 0;
    m_bOpen = false;
    m_strError.clear();
    DoFieldExchange();
}

void CTables::MoveNext() {
    if (m_nPos < m_rows.size()) ++m_nPos;
    DoFieldExchange();
}

void CTables::DoFieldExchange() {
    m_strQualifier.clear();
    m_strOwner.clear();
    m_strRemarks.clear();
    if (IsEOF()) {
        m_strName.clear();
        m_strType.clear();
        return;
    }
    m_strName = m_rows[m_nPos].name;
    m_strType = m_rows[m_nPos].type;
}
