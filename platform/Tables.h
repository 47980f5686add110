#pragma once
// The catalog recordset of an Access file's tables: one row per table with its qualifier,
// owner, name, type and remarks, filtered by the filter members (empty: no filter).
#include <cstddef>
#include <string>
#include <vector>

class CTables {
public:
    // The Access file the catalog is read from.
    explicit CTables(std::string strDatabasePath);

    // Reads the catalog with the filters; false on failure (GetErrorText tells why). The SQL
    // text is ignored.
    bool Open(int nOpenType = 0, const std::string& strSQL = {}, unsigned nOptions = 0);
    void Close();
    bool IsOpen() const { return m_bOpen; }
    bool IsEOF() const { return m_nPos >= m_rows.size(); }
    void MoveNext();
    const std::string& GetErrorText() const { return m_strError; }

    // Filters: the name as a LIKE pattern ("%", "_"); the type as a list of quoted types
    // ("'TABLE','VIEW'").
    std::string m_strQualifierParam;
    std::string m_strOwnerParam;
    std::string m_strNameParam;
    std::string m_strTypeParam;

    // The current row ("table_qualifier", "table_owner", "table_name", "table_type", "remarks").
    std::string m_strQualifier;
    std::string m_strOwner;
    std::string m_strName;
    std::string m_strType;
    std::string m_strRemarks;

private:
    void DoFieldExchange();

    struct Row {
        std::string name, type;
    };
    std::string m_strDatabasePath;
    std::vector<Row> m_rows;
    std::size_t m_nPos = 0;
    bool m_bOpen = false;
    std::string m_strError;
};
