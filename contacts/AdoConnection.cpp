#include "contacts/AdoConnection.h"

#include "contacts/AdoRecordset.h"

#include <cstdio>

CAdoConnection::CAdoConnection() : m_pConnection(std::make_shared<db::Database>()) {}

CAdoConnection::~CAdoConnection() { Release(); }

int CAdoConnection::Open(const std::string& strConnect, long /*lOptions*/) {
    std::shared_ptr<db::Database> conn;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_strConnect = strConnect;
        conn = m_pConnection;
    }
    if (!conn) return 0;
    return conn->Open(db::DataSourcePath(strConnect)) ? 1 : 0;
}

int CAdoConnection::Close() {
    const std::shared_ptr<db::Database> conn = GetConnection();
    if (!conn || !conn->IsOpen()) return 0;
    return conn->Close() ? 1 : 0;
}

int CAdoConnection::Release() {
    Close();
    std::shared_ptr<db::Database> dropped;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        dropped = std::move(m_pConnection);
    }
    return 1;  // the object goes when its last user lets it go, outside the lock
}

std::shared_ptr<db::Database> CAdoConnection::GetConnection() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pConnection;
}

std::string CAdoConnection::GetErrorsText() const {
    const std::shared_ptr<db::Database> conn = GetConnection();
    if (!conn) return {};
    std::string text;
    for (const db::Error& e : conn->Errors()) {
        text += "Description: " + e.description + "\r\n\r\nState: " + e.state +
                ", Native: " + std::to_string(e.native) + ", Source: " + e.source + "\r\n";
    }
    return text;
}

AdoRecordsetPtr CAdoConnection::OpenSchema(long lSchema) {
    const std::shared_ptr<db::Database> conn = GetConnection();
    if (!conn || lSchema != 4) return nullptr;
    std::optional<db::ResultSet> rows = conn->SchemaColumns();
    if (!rows) return nullptr;
    auto rs = std::make_shared<AdoRecordsetObject>();
    rs->Open(conn, std::move(*rows), 3, 1);
    return rs;
}

int CAdoConnection::BeginTrans() {
    const std::shared_ptr<db::Database> conn = GetConnection();
    return conn && conn->BeginTransaction() ? 1 : 0;
}

int CAdoConnection::CommitTrans() {
    const std::shared_ptr<db::Database> conn = GetConnection();
    return conn && conn->CommitTransaction() ? 1 : 0;
}

int CAdoConnection::RollbackTrans() {
    const std::shared_ptr<db::Database> conn = GetConnection();
    return conn && conn->RollbackTransaction() ? 1 : 0;
}
