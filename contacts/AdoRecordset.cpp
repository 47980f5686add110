#include "contacts/AdoRecordset.h"

#include "contacts/AdoValue.h"
#include "core/Helpers.h"
#include "platform/TextCodec.h"

namespace {

bool Updatable(long lLockType) { return lLockType >= 2 && lLockType <= 4; }

}  // namespace

void AdoRecordsetObject::Open(std::shared_ptr<db::Database> conn, db::ResultSet data, long lCursorType,
                              long lLockType) {
    m_nGeneration = conn ? conn->Generation() : 0;
    m_pConnection = std::move(conn);
    m_data = std::move(data);
    m_nPos = 0;
    m_lCursorType = lCursorType;
    m_lLockType = lLockType;
    m_pending.clear();
    m_bEditFailed = false;
    m_bOpen = true;
}

void AdoRecordsetObject::Close() {
    m_bOpen = false;
    m_pConnection.reset();
    m_data = db::ResultSet{};
    m_nPos = 0;
    m_pending.clear();
    m_bEditFailed = false;
}

int AdoRecordsetObject::State() const {
    if (!m_bOpen || !m_pConnection) return 0;
    // A recordset does not outlive the opening of its connection.
    return m_pConnection->IsOpen() && m_pConnection->Generation() == m_nGeneration ? 1 : 0;
}

int AdoRecordsetObject::FieldIndex(const std::string& name) const { return FieldIndexOf(m_data.columns, name); }

int FieldIndexOf(const std::vector<std::string>& cols, const std::string& name) {
    for (std::size_t i = 0; i < cols.size(); ++i)
        if (cols[i] == name) return static_cast<int>(i);
    for (std::size_t i = 0; i < cols.size(); ++i)
        if (codec::EqualsIgnoreAsciiCase(cols[i], name)) return static_cast<int>(i);
    return -1;
}

CAdoRecordset::CAdoRecordset() : m_pRecordset(std::make_shared<AdoRecordsetObject>()) {}

CAdoRecordset::~CAdoRecordset() { Release(); }

bool CAdoRecordset::IsOpen() const { return m_pRecordset && m_pRecordset->State() == 1; }

void CAdoRecordset::SetConnection(CAdoConnection* pConnection) { m_pConnection = pConnection; }

int CAdoRecordset::Open(const std::string& strSQL, long lOption, long lCursorType, long lLockType,
                        const std::vector<db::Variant>& binds) {
    if (!m_pConnection) return -1;
    Close();
    if (!m_pRecordset) return -1;
    // Command text (1), unknown (8) and unspecified (-1) are all run as SQL text.
    if (lOption != 1 && lOption != 8 && lOption != -1) return -1;
    std::shared_ptr<db::Database> conn = m_pConnection->GetConnection();
    if (!conn) return -1;
    std::optional<db::ResultSet> result = conn->Run(strSQL, binds, Updatable(lLockType));
    if (!result) return -1;
    const bool hasRows = !result->rows.empty();
    m_pRecordset->Open(std::move(conn), std::move(*result), lCursorType, lLockType);
    return hasRows ? 1 : 0;
}

int CAdoRecordset::Close() {
    if (m_pRecordset) m_pRecordset->Close();
    return 1;
}

int CAdoRecordset::Release() {
    Close();
    m_pRecordset.reset();
    return 1;
}

AdoRecordsetPtr CAdoRecordset::Attach(AdoRecordsetPtr pRecordset) {
    if (m_pRecordset && m_pRecordset != pRecordset) m_pRecordset->Close();
    m_pRecordset = std::move(pRecordset);
    return m_pRecordset;
}

int CAdoRecordset::IsEOF() {
    if (!IsOpen()) return 1;
    return m_pRecordset->AtEnd() ? 1 : 0;
}

int CAdoRecordset::MoveNext() {
    if (!IsOpen() || m_pRecordset->AtEnd()) return 0;
    // Leaving a row with unsaved changes saves them first; the cursor moves either way.
    int saved = 1;
    if (!m_pRecordset->m_pending.empty() || m_pRecordset->m_bEditFailed) saved = Update();
    ++m_pRecordset->m_nPos;
    return saved;
}

int CAdoRecordset::Update() {
    if (!IsOpen()) return 0;
    AdoRecordsetObject& rs = *m_pRecordset;
    std::vector<std::pair<int, db::Variant>> pending = std::move(rs.m_pending);
    const bool failed = rs.m_bEditFailed;
    rs.m_pending.clear();
    rs.m_bEditFailed = false;
    if (rs.AtEnd() || failed) return 0;
    if (pending.empty()) return 1;
    if (!rs.m_data.Updatable() || !Updatable(rs.m_lLockType)) return 0;
    std::vector<std::pair<std::string, db::Variant>> values;
    for (const auto& [col, value] : pending)
        values.emplace_back(rs.m_data.originColumns[static_cast<std::size_t>(col)], value);
    const std::shared_ptr<db::Database>& conn = rs.Connection();
    if (!conn || !conn->UpdateRow(rs.m_data.table, rs.m_data.rowids[rs.m_nPos], values)) return 0;
    for (auto& [col, value] : pending) rs.m_data.rows[rs.m_nPos][static_cast<std::size_t>(col)] = std::move(value);
    return 1;
}

long CAdoRecordset::GetRecordCount() {
    if (!IsOpen()) return 0;
    const long cursor = m_pRecordset->m_lCursorType;
    if (cursor != 1 && cursor != 3) return -1;  // forward-only and dynamic cursors cannot tell
    return static_cast<long>(m_pRecordset->m_data.rows.size());
}

long CAdoRecordset::GetFieldCount() {
    if (!IsOpen()) return -1;
    return static_cast<long>(m_pRecordset->m_data.columns.size());
}

const std::vector<std::string>* CAdoRecordset::GetFields() {
    if (!IsOpen()) return nullptr;
    return &m_pRecordset->m_data.columns;
}

std::string CAdoRecordset::GetFieldName(long lIndex) {
    if (!IsOpen() || lIndex < 0) return {};
    const auto& cols = m_pRecordset->m_data.columns;
    return static_cast<std::size_t>(lIndex) < cols.size() ? cols[static_cast<std::size_t>(lIndex)] : std::string();
}

int CAdoRecordset::GetFieldValue(std::string& strValue, const std::string& strFieldName) {
    if (!IsOpen()) {
        WriteRunLog("数据库可能已经断开。");
        return 0;
    }
    const AdoRecordsetObject& rs = *m_pRecordset;
    if (rs.AtEnd()) return 0;
    const int col = rs.FieldIndex(strFieldName);
    if (col < 0) return 0;
    std::optional<std::string> text = AdoVariantToText(rs.m_data.rows[rs.m_nPos][static_cast<std::size_t>(col)]);
    if (!text) return 0;
    if (*text == "NULL") *text = " ";
    strValue = codec::TrimAsciiSpace(*text);
    return 1;
}

void CAdoRecordset::SetFieldValue(const std::string& strFieldName, const db::Variant& value) {
    if (!IsOpen()) return;
    AdoRecordsetObject& rs = *m_pRecordset;
    const int col = rs.FieldIndex(strFieldName);
    if (rs.AtEnd() || col < 0) {
        rs.m_bEditFailed = true;
        return;
    }
    for (auto& p : rs.m_pending) {
        if (p.first == col) {
            p.second = value;
            return;
        }
    }
    rs.m_pending.emplace_back(col, value);
}
