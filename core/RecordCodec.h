#pragma once
// Queue row <-> MsgRecord for the loaders and savers. Bulk queues repeat the same texts row
// after row, so each field remembers its last GBK conversion.
#include "core/MsgRecord.h"
#include "core/QueueRow.h"

#include <memory>
#include <string>
#include <string_view>

namespace queue {

// A queue file read whole with one read into one buffer.
struct FileBytes {
    enum Status { Missing, Read, Unreadable } status = Missing;
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    std::string_view view() const { return {data.get(), size}; }
};
FileBytes ReadQueueFile(const std::string& fsPath);

// Where and why the load of a queue file stopped before its end; entry is 1-based, 0 when
// the whole file was read.
struct LoadStop {
    std::size_t entry = 0;
    const char* why = "";
    explicit operator bool() const { return entry != 0; }
};

// Why a queue record cannot be taken (a field with no NUL within its width, a type text that
// is none of the six queue types); nullptr when it is sound. The number field is checked only
// when checkNumber is set (the scheduled files keep a length there).
const char* RecordFault(const MsgRecord& r, bool checkNumber);

// Copies the bytes of a queue file whose load stopped early to "<name>.bad" (replacing an
// older one), before any save rewrites it, and writes the file and the entry to the run log.
void KeepBadCopy(const std::string& fileName, std::string_view bytes, const LoadStop& stop);

// Reads GBK fields into a packed row (cells joined by NUL).
class RowPacker {
public:
    // Appends the cells of a record: col0 and col1 given, col2 from the kind's field,
    // the others from their fields; 8 and 9 empty.
    void Pack(const MsgRecord& r, std::string_view col0, std::string_view col1, Kind col2Kind,
              std::string& out);
    // Appends the UTF-8 text of a GBK field (up to its first NUL) to out.
    void AppendField(int slot, const char* field, std::size_t width, std::string& out);

private:
    struct Last {
        std::string gbk, utf8;
    };
    Last m_last[kColumnCount + 1];
};

// Writes the cells of a packed row into a zeroed record.
class RecordFiller {
public:
    // Fills every stored column; col1 goes to szNumber only when numberInRecord is set.
    void Fill(std::string_view packed, Kind col2Kind, bool numberInRecord, MsgRecord& r);
    // Writes a UTF-8 text as GBK into a field, cut to width - 1 bytes on a character boundary.
    void Put(int slot, char* field, std::size_t width, std::string_view utf8);
    // The GBK form of a text (cached per slot).
    const std::string& Gbk(int slot, std::string_view utf8);

private:
    struct Last {
        std::string utf8, gbk;
        bool valid = false;
    };
    Last m_last[kColumnCount + 1];
};

}  // namespace queue
