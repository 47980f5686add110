#pragma once
// The send-list import's work: a foreign table copied into the work table "temp" of the
// send-list database, its rows read back and queued as immediate SMS. No window here.
#include "platform/DbValue.h"
#include "platform/ForeignTable.h"

#include <string>
#include <vector>

class CAdoConnection;

namespace sendlist {

// "drop table temp"; a missing table is no failure.
void DropWorkTable(CAdoConnection& conn);

// Creates "temp" with the table's column names and fills it in one transaction, each value stored
// as the recordset's text of it (NULL and empty values as NULL). False when a statement failed
// (the connection's error text tells why; nothing is left half-filled).
bool CopyToWorkTable(CAdoConnection& conn, const ftable::Table& table);

// The columns of "temp" in schema order.
std::vector<std::string> WorkTableColumns(CAdoConnection& conn);

// How rows become queue rows.
struct QueueRule {
    std::size_t cutBytes = 150;  // content longer than this is cut, on a character boundary
    std::string suffix;          // appended after the cut (the sender name)
};

// The text of a value as the recordset reads it: trimmed, NULL empty.
std::string ValueText(const db::Variant& v);

// Queues each (number, content) pair with a non-empty number as an immediate SMS with ids from
// one reservation; returns the number queued.
int QueuePairs(const std::vector<std::pair<std::string, std::string>>& pairs, const QueueRule& rule);

// Reads every row of "temp" back from the database once (the check that it reads); false when
// the read failed (the connection's error text tells why).
bool ReadBackWorkTable(CAdoConnection& conn);

// Reads "temp" and queues its rows (the named columns); -1 when the read failed.
int QueueWorkTable(CAdoConnection& conn, const std::string& numberField, const std::string& contentField,
                   const QueueRule& rule);

}  // namespace sendlist
