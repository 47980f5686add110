#pragma once
// A recordset over a CAdoConnection. A static cursor is a snapshot: the whole result is read
// when the recordset opens, so its row count is true and writes through the same connection may
// go on while it is open. Every field value is read as text. No failure escapes.
#include "contacts/AdoConnection.h"
#include "platform/Database.h"
#include "platform/DbValue.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Index of a field by name among a result's columns (exact, else ASCII case folded); -1 when
// there is none.
int FieldIndexOf(const std::vector<std::string>& columns, const std::string& name);

// The recordset object: one result and a cursor on it. Never shared between threads.
class AdoRecordsetObject {
public:
    void Open(std::shared_ptr<db::Database> conn, db::ResultSet data, long lCursorType, long lLockType);
    void Close();
    // 1 while open and its connection still is the one it was read from, else 0 (closed).
    int State() const;

    bool AtEnd() const { return m_nPos >= m_data.rows.size(); }
    // Index of a field by name (exact, else ASCII case folded); -1 when there is none.
    int FieldIndex(const std::string& name) const;
    // The connection the result was read from.
    const std::shared_ptr<db::Database>& Connection() const { return m_pConnection; }

    db::ResultSet m_data;
    std::size_t m_nPos = 0;
    long m_lCursorType = 3;
    long m_lLockType = 3;
    // Field changes of the current row not yet saved, and whether one of them was refused.
    std::vector<std::pair<int, db::Variant>> m_pending;
    bool m_bEditFailed = false;

private:
    std::shared_ptr<db::Database> m_pConnection;
    std::uint64_t m_nGeneration = 0;
    bool m_bOpen = false;
};

class CAdoRecordset {
public:
    CAdoRecordset();
    virtual ~CAdoRecordset();
    CAdoRecordset(const CAdoRecordset&) = delete;
    CAdoRecordset& operator=(const CAdoRecordset&) = delete;

    void SetConnection(CAdoConnection* pConnection);
    // Runs one SQL statement with values for its "?" placeholders (options 1 = command text).
    // 1 when the result has rows, 0 when it has none (also every INSERT, UPDATE and DELETE),
    // -1 when no connection is attached or the statement fails.
    int Open(const std::string& strSQL, long lOption, long lCursorType, long lLockType,
             const std::vector<db::Variant>& binds = {});
    // 1 (also when nothing was open).
    int Close();
    // Close, then drops the recordset object; every later operation fails. 1.
    int Release();
    // Closes the held recordset and holds the given one instead; returns it.
    AdoRecordsetPtr Attach(AdoRecordsetPtr pRecordset);

    // Non-zero past the last row, and also when there is no open recordset, so a row loop ends.
    int IsEOF();
    // 1 on success; 0 when nothing is open or the cursor is already past the last row.
    int MoveNext();
    // Saves the field changes of the current row (a one-table SELECT, by rowid); 1 on success.
    int Update();
    // The row count: true for static and keyset cursors, -1 for the others; 0 on failure.
    long GetRecordCount();
    // -1 on failure.
    long GetFieldCount();
    // The field names; null on failure.
    const std::vector<std::string>* GetFields();
    // Empty on failure.
    std::string GetFieldName(long lIndex);
    // The named field of the current row as text, trimmed at both ends, NULL as empty; 1 when
    // read, 0 otherwise (strValue unchanged). A closed recordset also writes the run log.
    int GetFieldValue(std::string& strValue, const std::string& strFieldName);
    // Sets a field of the current row; the next Update (or MoveNext) saves it.
    void SetFieldValue(const std::string& strFieldName, const db::Variant& value);

private:
    bool IsOpen() const;

    CAdoConnection* m_pConnection = nullptr;
    AdoRecordsetPtr m_pRecordset;
};
