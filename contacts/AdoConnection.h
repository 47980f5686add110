#pragma once
// One connection to a database file, opened from an ADO-style connection string
// ("Provider=...;Data Source=<folder>\File.mdb;..."). No failure escapes: every operation
// gives a plain result. The connection may be used from several threads.
#include "platform/Database.h"

#include <memory>
#include <mutex>
#include <string>

class AdoRecordsetObject;
// A recordset object as the connection's schema query and CAdoRecordset::Attach hand it over.
using AdoRecordsetPtr = std::shared_ptr<AdoRecordsetObject>;

class CAdoConnection {
public:
    CAdoConnection();
    virtual ~CAdoConnection();
    CAdoConnection(const CAdoConnection&) = delete;
    CAdoConnection& operator=(const CAdoConnection&) = delete;

    // Keeps the string and opens its "Data Source" (an existing file only); provider, user,
    // password and database password are ignored. 1 on success, 0 on any failure.
    int Open(const std::string& strConnect, long lOptions = -1);
    // 1 when an open connection was closed; 0 when there was nothing open.
    int Close();
    // Close, then drops the connection object; every later operation fails. 1.
    int Release();
    // The connection object (shared); null after Release.
    std::shared_ptr<db::Database> GetConnection() const;
    // The calling thread's last failure on this connection, one block per error:
    // "Description: %s\r\n\r\nState: %s, Native: %d, Source: %s\r\n"; empty when none.
    std::string GetErrorsText() const;
    // The schema rowset of the given kind, opened; kind 4 (columns) gives TABLE_NAME,
    // COLUMN_NAME and ORDINAL_POSITION. Null on failure or for any other kind.
    AdoRecordsetPtr OpenSchema(long lSchema);

    // Statements between these run as one transaction, and other threads wait for its end.
    // 1 on success, 0 on failure.
    int BeginTrans();
    int CommitTrans();
    int RollbackTrans();

private:
    mutable std::mutex m_mutex;
    std::string m_strConnect;
    std::shared_ptr<db::Database> m_pConnection;
};
