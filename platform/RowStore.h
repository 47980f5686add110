#pragma once
// Thread-safe rows of text cells: the rows of a list (a pending queue, a record list) live here,
// not in a widget. Each row or cell operation is atomic; rows are addressed by stable handles;
// Locked() runs several operations as one. A view follows the store through queued change
// notifications (RowStoreModel).
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace rows {

using RowId = std::uint64_t;  // 0 is no row
constexpr std::size_t kEnd = static_cast<std::size_t>(-1);

struct RowData {
    RowId id = 0;
    std::vector<std::string> cells;
    int icon = 0;
    std::int64_t data = 0;
    int state = 0;  // state image of the row (0 none, 1 unchecked, 2 checked)
};

// Orders two list texts as a header-click sort does: when both are numbers (empty, or decimal
// digits only) by their whole value, of any length; otherwise by their GBK bytes, case-sensitive.
// Returns -1, 0 or 1.
int CompareListTexts(std::string_view a, std::string_view b);
// True for an empty text or one of decimal digits only.
bool IsListNumber(std::string_view s);
// Orders two UTF-8 texts by their GBK bytes (unsigned, a double-byte character as one 16-bit
// value with its lead byte high). Returns -1, 0 or 1.
int CompareGbkOrder(std::string_view a, std::string_view b);

// One change of the row order or content, for a view replaying them in order.
// Insert, Remove and Update carry the rows' first index and count at the time of the change
// (Insert also the new rows' ids). Reset (anything changed) and Reorder (same rows, new order)
// come last in a batch, whose ids then hold the whole order at the time of the hand-over.
struct Change {
    enum Kind { Insert, Remove, Update, Reset, Reorder } kind;
    std::size_t index = 0;
    std::size_t count = 0;
    std::vector<RowId> ids;
};

// A row in the store's own form: its cells joined by NUL bytes. Bulk loads and saves use it to
// move rows in and out without splitting them into cell strings.
struct PackedRow {
    std::string cells;
    int icon = 0;
    std::int64_t data = 0;
};

// Cell col of a packed row; empty when the row has fewer cells.
std::string_view PackedCell(std::string_view packed, int col);

// Frees arena memory of the given size (big pieces are mapped, not on the heap).
struct ArenaFree {
    std::size_t size = 0;
    void operator()(char* p) const;
};
// Arena memory of size bytes: a piece of kArenaMapSize or more is mapped on its own and asks for
// huge pages, so filling it costs few page faults; a smaller one comes from the heap.
inline constexpr std::size_t kArenaMapSize = std::size_t{2} << 20;
std::unique_ptr<char[], ArenaFree> ArenaAlloc(std::size_t size);

// Many packed rows in one arena, for bulk loads of many rows: each row's cells are written
// straight into chunks of a few MB (no allocation per row), and the store keeps the chunks, so
// the rows are never copied again. A row is written by appending its cells to Text() and then
// calling EndRow. Chunks grow up to maxChunk bytes; below kArenaMapSize they come from the heap,
// whose freed memory a later load reuses, so a load that comes back often takes small chunks.
class PackedRows {
public:
    explicit PackedRows(int columns, std::size_t maxChunk = std::size_t{8} << 20);
    PackedRows(PackedRows&&) noexcept;
    PackedRows& operator=(PackedRows&&) noexcept;
    ~PackedRows();

    // The row being written: append its cells (joined by NUL bytes).
    std::string& Text() { return row_; }
    // Ends the row being written: it gets exactly the store's columns (missing cells empty, extra
    // cells dropped) and goes into the arena.
    void EndRow(int icon, std::int64_t data);
    // A row written in place: room for at most `most` bytes in the arena, where the row is
    // written with exactly the store's columns; EndRowAt(end of the row) ends it.
    char* RowRoom(std::size_t most);
    void EndRowAt(const char* end, int icon, std::int64_t data);
    void Add(std::string_view cells, int icon, std::int64_t data) {
        row_.assign(cells);
        EndRow(icon, data);
    }
    std::size_t Count() const { return rows_.size(); }
    std::string_view Cells(std::size_t i) const { return {rows_[i].text, rows_[i].size}; }
    int Icon(std::size_t i) const { return rows_[i].icon; }
    std::int64_t Data(std::size_t i) const { return rows_[i].data; }

private:
    friend class RowStore;
    struct Row {
        const char* text;
        std::uint32_t size;
        int icon;
        std::int64_t data;
    };
    int columns_;
    std::string row_;
    std::vector<std::unique_ptr<char[], ArenaFree>> chunks_;
    std::size_t maxChunk_;
    std::size_t chunkUsed_ = 0, chunkSize_ = 0;
    std::vector<Row> rows_;
};

struct ChangeBatch {
    std::vector<Change> changes;
    std::vector<RowId> ids;  // the whole order, when the last change is Reset or Reorder
};

class RowStore {
public:
    explicit RowStore(int columns);
    ~RowStore();
    RowStore(const RowStore&) = delete;
    RowStore& operator=(const RowStore&) = delete;

    int ColumnCount() const { return columns_; }

    // Access to the rows while the store is locked; only valid inside Locked().
    class Access {
    public:
        std::size_t Count() const;
        RowId IdAt(std::size_t index) const;
        std::optional<std::size_t> IndexOf(RowId id) const;
        std::string_view CellAt(std::size_t index, int col) const;
        std::string_view Cell(RowId id, int col) const;  // empty for a missing row
        int IconAt(std::size_t index) const;
        std::int64_t DataAt(std::size_t index) const;
        RowData RowAt(std::size_t index) const;
        bool Contains(RowId id) const;
        int StateAt(std::size_t index) const;
        // By handle; 0 for a missing row.
        int Icon(RowId id) const;
        std::int64_t Data(RowId id) const;
        int State(RowId id) const;
        bool SetState(RowId id, int state);

        RowId Insert(std::size_t index, const std::vector<std::string>& cells, int icon = 0,
                     std::int64_t data = 0);
        bool SetCellAt(std::size_t index, int col, std::string_view text);
        bool SetCell(RowId id, int col, std::string_view text);
        bool SetIcon(RowId id, int icon);
        bool SetIconAt(std::size_t index, int icon);
        bool SetData(RowId id, std::int64_t data);
        bool Remove(RowId id);
        std::size_t RemoveRows(const std::vector<RowId>& ids);
        void Clear();

    private:
        friend class RowStore;
        explicit Access(RowStore& s) : s_(s) {}
        RowStore& s_;
    };

    template <typename F>
    decltype(auto) Locked(F&& f) {
        std::lock_guard<std::mutex> lock(mutex_);
        Access a(*this);
        return f(a);
    }

    // Single atomic operations.
    RowId Insert(std::size_t index, const std::vector<std::string>& cells, int icon = 0,
                 std::int64_t data = 0);
    RowId Append(const std::vector<std::string>& cells, int icon = 0, std::int64_t data = 0) {
        return Insert(kEnd, cells, icon, data);
    }
    bool Remove(RowId id);
    std::size_t RemoveRows(const std::vector<RowId>& ids);  // one pass over the rows
    void Clear();
    bool SetCell(RowId id, int col, std::string_view text);
    bool SetIcon(RowId id, int icon);
    bool SetData(RowId id, std::int64_t data);
    bool SetState(RowId id, int state);
    int State(RowId id) const;  // 0 for a missing row
    std::optional<std::string> Cell(RowId id, int col) const;
    std::optional<RowData> Row(RowId id) const;
    std::size_t Count() const;
    RowId IdAt(std::size_t index) const;
    std::optional<std::size_t> IndexOf(RowId id) const;
    std::vector<RowId> Ids() const;
    std::vector<RowData> Snapshot() const;

    // Replaces all rows at once (a load); one Reset notification.
    void Assign(std::vector<RowData> rows);

    // Bulk forms on packed rows: replace all rows at once (one Reset notification; missing cells
    // are empty, cells beyond the column count are dropped), and copy all rows in order.
    void AssignPacked(std::vector<PackedRow> rows);
    std::vector<PackedRow> SnapshotPacked() const;
    // Inserts packed rows, in their order, before the row at index (kEnd: at the end), as one
    // operation; one Reset notification.
    void InsertPacked(std::size_t index, std::vector<PackedRow> rows);
    // The same from arenas, the rows of each in order, the arenas one after the other; the
    // store takes the arenas over.
    void AssignPacked(std::vector<PackedRows> blocks);
    void InsertPacked(std::size_t index, std::vector<PackedRows> blocks);
    // The most rows of one such arena whose row records the store still takes from the heap
    // (a piece below kArenaMapSize).
    static std::size_t HeapBlockRows();

    // Goes up with every change of the rows, their cells, icons or order (not their data), so
    // an unchanged value means the rows are as they were.
    std::uint64_t Generation() const;

    // Stable reorder by the text of one column: less(a, b) on the two cells' texts.
    void SortByColumn(int col, const std::function<bool(std::string_view, std::string_view)>& less);
    // Stable reorder by one column in the order of CompareListTexts (ascending or descending),
    // each cell classified once.
    void SortByListOrder(int col, bool ascending);
    // Stable reorder by a whole-row order (for keys that span columns, icons or data).
    void SortRows(const std::function<bool(const RowData&, const RowData&)>& less);
    // Moves column `from` (every row's text) to index `to` of the new column order.
    void MoveColumn(int from, int to);
    // Moves the given rows, in their current order, to the top.
    void MoveToTop(const std::vector<RowId>& ids);

    // Change notifications: the notifier is called (on the changing thread, with the store
    // locked, so it must only queue work) when changes begin to wait; TakeChanges hands them over.
    void SetChangeNotifier(std::function<void()> notifier);
    ChangeBatch TakeChanges();

private:
    struct Item;
    struct Block;
    // Rows of a block live in its item array: they are only marked gone when removed.
    struct ItemDeleter {
        void operator()(Item* item) const;
    };
    using ItemPtr = std::unique_ptr<Item, ItemDeleter>;
    Item* Find(RowId id) const;
    std::optional<std::size_t> PositionOf(const Item* row) const;
    void Invalidate(std::size_t from) const;
    void Record(Change::Kind kind, std::size_t index, RowId id = 0);
    RowId DoInsert(std::size_t index, const std::vector<std::string>& cells, int icon, std::int64_t data);
    bool DoRemove(RowId id);
    std::size_t DoRemoveRows(const std::vector<RowId>& ids);
    void DoClear();
    // knownPos: the row's index when the caller has it (saves a position lookup).
    bool DoSetCell(Item* row, int col, std::string_view text,
                   std::size_t knownPos = static_cast<std::size_t>(-1));
    static std::string_view CellOf(const Item& row, int col);
    RowData ToData(const Item& row) const;
    std::vector<ItemPtr> MakeItems(std::vector<PackedRow>& rows) const;
    // Items of the blocks' rows, with ids from nextId_, the blocks kept in blocks_ (under the lock).
    std::vector<ItemPtr> TakeBlocks(std::vector<std::unique_ptr<Block>>& made);
    static std::vector<std::unique_ptr<Block>> MakeBlocks(std::vector<PackedRows>& blocks);
    // Frees the blocks whose rows are all gone.
    void SweepBlocks();
    // Takes the rows in the order of sorted keys (indexOf(key): the row's old index); one Reorder.
    template <class Keys, class OldIndex>
    void ApplySortedOrder(const Keys& keys, OldIndex indexOf);

    const int columns_;
    mutable std::mutex mutex_;
    // Before order_: the items of a block die before the block.
    std::vector<std::unique_ptr<Block>> blocks_;  // by their first id, ascending
    std::vector<ItemPtr> order_;
    std::unordered_map<RowId, Item*> byId_;  // the rows outside blocks
    mutable std::size_t posValidUpTo_ = 0;  // rows [0, posValidUpTo_) know their position
    RowId nextId_ = 1;
    std::uint64_t generation_ = 0;
    std::function<void()> notifier_;
    std::vector<Change> changes_;
};

}  // namespace rows
