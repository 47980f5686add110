#include "platform/RowStore.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>
#include <numeric>
#include <sys/mman.h>

namespace rows {

// Cells are kept in one string, separated by NUL bytes, so a row costs little beyond its text:
// the row's own string, or a piece of its block's arena until a cell of it changes.
struct RowStore::Item {
    RowId id = 0;  // 0 once a block's row is removed
    mutable std::size_t pos = 0;
    int icon = 0;
    int state = 0;
    std::int64_t data = 0;
    std::string_view text;
    std::string own;
    Block* block = nullptr;
    void SetOwn(std::string s) {
        own = std::move(s);
        text = own;
    }
};

// Rows loaded in bulk: their texts in the arena's chunks, their items side by side, ids
// [firstId, firstId + count).
struct RowStore::Block {
    std::vector<std::unique_ptr<char[], ArenaFree>> chunks;
    std::unique_ptr<char[], ArenaFree> memory;  // the items
    Item* items;
    std::size_t count, live;
    RowId firstId = 0;
    explicit Block(std::size_t n)
        : memory(ArenaAlloc(n * sizeof(Item))), items(reinterpret_cast<Item*>(memory.get())), count(n), live(n) {
        for (std::size_t i = 0; i < n; ++i) new (&items[i]) Item();
    }
    ~Block() {
        for (std::size_t i = 0; i < count; ++i) items[i].~Item();
    }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
};

void RowStore::ItemDeleter::operator()(Item* item) const {
    if (!item->block) {
        delete item;
        return;
    }
    item->id = 0;
    item->own = std::string();
    item->text = {};
    --item->block->live;
}

namespace {
constexpr std::size_t kMaxPendingChanges = 4096;

std::string_view NoNul(std::string_view s) {
    const std::size_t n = s.find('\0');
    return n == std::string_view::npos ? s : s.substr(0, n);
}
}  // namespace

RowStore::RowStore(int columns) : columns_(columns < 1 ? 1 : columns) {}
RowStore::~RowStore() = default;

std::string_view RowStore::CellOf(const Item& row, int col) { return PackedCell(row.text, col); }

RowData RowStore::ToData(const Item& row) const {
    RowData d;
    d.id = row.id;
    d.icon = row.icon;
    d.data = row.data;
    d.state = row.state;
    d.cells.reserve(static_cast<std::size_t>(columns_));
    for (int c = 0; c < columns_; ++c) d.cells.emplace_back(CellOf(row, c));
    return d;
}

RowStore::Item* RowStore::Find(RowId id) const {
    if (!byId_.empty()) {
        const auto it = byId_.find(id);
        if (it != byId_.end()) return it->second;
    }
    const auto after = std::upper_bound(blocks_.begin(), blocks_.end(), id,
                                        [](RowId v, const std::unique_ptr<Block>& b) { return v < b->firstId; });
    if (after == blocks_.begin() || id == 0) return nullptr;
    const Block& b = **(after - 1);
    if (id - b.firstId >= b.count) return nullptr;
    Item* item = &b.items[id - b.firstId];
    return item->id == id ? item : nullptr;
}

void RowStore::SweepBlocks() {
    std::erase_if(blocks_, [](const std::unique_ptr<Block>& b) { return b->live == 0; });
}

void RowStore::Invalidate(std::size_t from) const { posValidUpTo_ = std::min(posValidUpTo_, from); }

std::optional<std::size_t> RowStore::PositionOf(const Item* row) const {
    if (!row) return std::nullopt;
    if (row->pos < posValidUpTo_ && order_[row->pos].get() == row) return row->pos;
    for (std::size_t i = posValidUpTo_; i < order_.size(); ++i) order_[i]->pos = i;
    posValidUpTo_ = order_.size();
    return row->pos;
}

void RowStore::Record(Change::Kind kind, std::size_t index, RowId id) {
    if (!notifier_) return;
    const bool wasEmpty = changes_.empty();
    if (!changes_.empty()) {
        Change& last = changes_.back();
        if (last.kind == Change::Reset) return;  // a reset covers everything after it
        if (last.kind == Change::Reorder) {
            if (kind != Change::Update) last.kind = Change::Reset;
            return;
        }
    }
    if (kind == Change::Reset || kind == Change::Reorder || changes_.size() >= kMaxPendingChanges) {
        // Earlier changes stay for the view to replay; a reorder after them is fine. Too many
        // pending changes fold into one reset.
        if (changes_.size() >= kMaxPendingChanges) {
            changes_.clear();
            kind = Change::Reset;
        }
        changes_.push_back({kind, 0, 0, {}});
    } else if (!changes_.empty() && changes_.back().kind == kind) {
        Change& last = changes_.back();
        if (kind == Change::Insert && index == last.index + last.count) {
            ++last.count;
            last.ids.push_back(id);
        } else if (kind == Change::Insert && index == last.index) {
            ++last.count;
            last.ids.insert(last.ids.begin(), id);
        } else if (kind == Change::Remove && index == last.index) {
            ++last.count;
        } else if (kind == Change::Remove && index + 1 == last.index) {
            last.index = index;
            ++last.count;
        } else if (kind == Change::Update && index >= last.index && index <= last.index + last.count) {
            if (index == last.index + last.count) ++last.count;
        } else {
            changes_.push_back({kind, index, 1, {}});
            if (kind == Change::Insert) changes_.back().ids.push_back(id);
        }
    } else {
        changes_.push_back({kind, index, 1, {}});
        if (kind == Change::Insert) changes_.back().ids.push_back(id);
    }
    if (wasEmpty && !changes_.empty()) notifier_();
}

RowId RowStore::DoInsert(std::size_t index, const std::vector<std::string>& cells, int icon,
                         std::int64_t data) {
    ItemPtr row(new Item);
    row->id = nextId_++;
    ++generation_;
    row->icon = icon;
    row->data = data;
    std::size_t total = static_cast<std::size_t>(columns_);
    for (std::size_t c = 0; c < cells.size() && c < total; ++c) total += cells[c].size();
    std::string blob;
    blob.reserve(total);
    for (int c = 0; c < columns_; ++c) {
        if (c > 0) blob.push_back('\0');
        if (static_cast<std::size_t>(c) < cells.size()) blob.append(NoNul(cells[static_cast<std::size_t>(c)]));
    }
    row->SetOwn(std::move(blob));
    if (index > order_.size()) index = order_.size();
    Item* raw = row.get();
    byId_.emplace(raw->id, raw);
    if (index == order_.size()) {
        raw->pos = index;
        order_.push_back(std::move(row));
        if (posValidUpTo_ == index) posValidUpTo_ = index + 1;
    } else {
        order_.insert(order_.begin() + static_cast<long>(index), std::move(row));
        Invalidate(index);
    }
    Record(Change::Insert, index, raw->id);
    return raw->id;
}

bool RowStore::DoRemove(RowId id) {
    Item* row = Find(id);
    const auto pos = PositionOf(row);
    if (!pos) return false;
    byId_.erase(id);
    order_.erase(order_.begin() + static_cast<long>(*pos));
    if (!blocks_.empty()) SweepBlocks();
    ++generation_;
    Invalidate(*pos);
    Record(Change::Remove, *pos);
    return true;
}

std::size_t RowStore::DoRemoveRows(const std::vector<RowId>& ids) {
    if (ids.size() == 1) return DoRemove(ids.front()) ? 1 : 0;
    std::vector<Item*> doomed;
    for (RowId id : ids)
        if (Item* r = Find(id)) doomed.push_back(r);
    if (doomed.empty()) return 0;
    ++generation_;
    std::sort(doomed.begin(), doomed.end());
    doomed.erase(std::unique(doomed.begin(), doomed.end()), doomed.end());
    std::size_t write = 0, first = order_.size(), left = doomed.size();
    std::size_t read = 0;
    for (; read < order_.size() && left > 0; ++read) {
        Item* r = order_[read].get();
        if (std::binary_search(doomed.begin(), doomed.end(), r)) {
            if (first == order_.size()) first = read;
            Record(Change::Remove, write);  // index in the order as it shrinks
            byId_.erase(r->id);
            order_[read].reset();
            --left;
            continue;
        }
        if (write != read) order_[write] = std::move(order_[read]);
        ++write;
    }
    // Past the last removed row the rest only moves up, in one step.
    order_.erase(order_.begin() + static_cast<long>(write), order_.begin() + static_cast<long>(read));
    if (!blocks_.empty()) SweepBlocks();
    Invalidate(first);
    return doomed.size();
}

void RowStore::DoClear() {
    if (order_.empty()) return;
    ++generation_;
    order_.clear();
    blocks_.clear();
    byId_.clear();
    posValidUpTo_ = 0;
    Record(Change::Reset, 0);
}

bool RowStore::DoSetCell(Item* row, int col, std::string_view text, std::size_t knownPos) {
    if (!row || col < 0 || col >= columns_) return false;
    std::string blob(row->text);
    std::size_t start = 0;
    for (int i = 0; i < col; ++i) start = blob.find('\0', start) + 1;
    std::size_t end = blob.find('\0', start);
    if (end == std::string::npos) end = blob.size();
    blob.replace(start, end - start, NoNul(text));
    row->SetOwn(std::move(blob));
    ++generation_;
    if (notifier_) Record(Change::Update, knownPos != static_cast<std::size_t>(-1) ? knownPos : *PositionOf(row));
    return true;
}

// --- Access -------------------------------------------------------------------------------

std::size_t RowStore::Access::Count() const { return s_.order_.size(); }
RowId RowStore::Access::IdAt(std::size_t i) const { return i < s_.order_.size() ? s_.order_[i]->id : 0; }
std::optional<std::size_t> RowStore::Access::IndexOf(RowId id) const { return s_.PositionOf(s_.Find(id)); }
std::string_view RowStore::Access::CellAt(std::size_t i, int col) const {
    return i < s_.order_.size() ? CellOf(*s_.order_[i], col) : std::string_view{};
}
std::string_view RowStore::Access::Cell(RowId id, int col) const {
    const Item* r = s_.Find(id);
    return r ? CellOf(*r, col) : std::string_view{};
}
int RowStore::Access::IconAt(std::size_t i) const { return i < s_.order_.size() ? s_.order_[i]->icon : 0; }
std::int64_t RowStore::Access::DataAt(std::size_t i) const {
    return i < s_.order_.size() ? s_.order_[i]->data : 0;
}
RowData RowStore::Access::RowAt(std::size_t i) const {
    return i < s_.order_.size() ? s_.ToData(*s_.order_[i]) : RowData{};
}
bool RowStore::Access::Contains(RowId id) const { return s_.Find(id) != nullptr; }
int RowStore::Access::StateAt(std::size_t i) const { return i < s_.order_.size() ? s_.order_[i]->state : 0; }
int RowStore::Access::Icon(RowId id) const {
    const Item* r = s_.Find(id);
    return r ? r->icon : 0;
}
std::int64_t RowStore::Access::Data(RowId id) const {
    const Item* r = s_.Find(id);
    return r ? r->data : 0;
}
int RowStore::Access::State(RowId id) const {
    const Item* r = s_.Find(id);
    return r ? r->state : 0;
}
bool RowStore::Access::SetState(RowId id, int state) {
    Item* r = s_.Find(id);
    if (!r) return false;
    r->state = state;
    ++s_.generation_;
    if (s_.notifier_) s_.Record(Change::Update, *s_.PositionOf(r));
    return true;
}
RowId RowStore::Access::Insert(std::size_t index, const std::vector<std::string>& cells, int icon,
                               std::int64_t data) {
    return s_.DoInsert(index, cells, icon, data);
}
bool RowStore::Access::SetCellAt(std::size_t i, int col, std::string_view text) {
    return i < s_.order_.size() && s_.DoSetCell(s_.order_[i].get(), col, text, i);
}
bool RowStore::Access::SetCell(RowId id, int col, std::string_view text) {
    return s_.DoSetCell(s_.Find(id), col, text);
}
bool RowStore::Access::SetIcon(RowId id, int icon) {
    Item* r = s_.Find(id);
    if (!r) return false;
    r->icon = icon;
    ++s_.generation_;
    if (s_.notifier_) s_.Record(Change::Update, *s_.PositionOf(r));
    return true;
}
bool RowStore::Access::SetIconAt(std::size_t i, int icon) {
    if (i >= s_.order_.size()) return false;
    s_.order_[i]->icon = icon;
    ++s_.generation_;
    if (s_.notifier_) s_.Record(Change::Update, i);
    return true;
}
bool RowStore::Access::SetData(RowId id, std::int64_t data) {
    Item* r = s_.Find(id);
    if (!r) return false;
    r->data = data;
    return true;
}
bool RowStore::Access::Remove(RowId id) { return s_.DoRemove(id); }
std::size_t RowStore::Access::RemoveRows(const std::vector<RowId>& ids) { return s_.DoRemoveRows(ids); }
void RowStore::Access::Clear() { s_.DoClear(); }

// --- single operations --------------------------------------------------------------------

RowId RowStore::Insert(std::size_t index, const std::vector<std::string>& cells, int icon,
                       std::int64_t data) {
    std::lock_guard<std::mutex> lock(mutex_);
    return DoInsert(index, cells, icon, data);
}
bool RowStore::Remove(RowId id) {
    std::lock_guard<std::mutex> lock(mutex_);
    return DoRemove(id);
}
std::size_t RowStore::RemoveRows(const std::vector<RowId>& ids) {
    std::lock_guard<std::mutex> lock(mutex_);
    return DoRemoveRows(ids);
}
void RowStore::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    DoClear();
}
bool RowStore::SetCell(RowId id, int col, std::string_view text) {
    std::lock_guard<std::mutex> lock(mutex_);
    return DoSetCell(Find(id), col, text);
}
bool RowStore::SetIcon(RowId id, int icon) {
    return Locked([&](Access& a) { return a.SetIcon(id, icon); });
}
bool RowStore::SetData(RowId id, std::int64_t data) {
    return Locked([&](Access& a) { return a.SetData(id, data); });
}
bool RowStore::SetState(RowId id, int state) {
    return Locked([&](Access& a) { return a.SetState(id, state); });
}
int RowStore::State(RowId id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const Item* r = Find(id);
    return r ? r->state : 0;
}
std::optional<std::string> RowStore::Cell(RowId id, int col) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const Item* r = Find(id);
    if (!r) return std::nullopt;
    return std::string(CellOf(*r, col));
}
std::optional<RowData> RowStore::Row(RowId id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const Item* r = Find(id);
    if (!r) return std::nullopt;
    return ToData(*r);
}
std::size_t RowStore::Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return order_.size();
}
RowId RowStore::IdAt(std::size_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return index < order_.size() ? order_[index]->id : 0;
}
std::optional<std::size_t> RowStore::IndexOf(RowId id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return PositionOf(Find(id));
}
std::vector<RowId> RowStore::Ids() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<RowId> ids;
    ids.reserve(order_.size());
    for (const auto& r : order_) ids.push_back(r->id);
    return ids;
}
std::vector<RowData> RowStore::Snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<RowData> out;
    out.reserve(order_.size());
    for (const auto& r : order_) out.push_back(ToData(*r));
    return out;
}

void RowStore::Assign(std::vector<RowData> rowsIn) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto notifier = std::move(notifier_);  // one reset, not a change per row
    notifier_ = nullptr;
    order_.clear();
    blocks_.clear();
    byId_.clear();
    posValidUpTo_ = 0;
    order_.reserve(rowsIn.size());
    for (auto& d : rowsIn) {
        DoInsert(kEnd, d.cells, d.icon, d.data);
        order_.back()->state = d.state;
    }
    notifier_ = std::move(notifier);
    ++generation_;
    Record(Change::Reset, 0);
}

std::string_view PackedCell(std::string_view packed, int col) {
    for (int i = 0; i < col; ++i) {
        const std::size_t n = packed.find('\0');
        if (n == std::string_view::npos) return {};
        packed.remove_prefix(n + 1);
    }
    const std::size_t n = packed.find('\0');
    return n == std::string_view::npos ? packed : packed.substr(0, n);
}

namespace {
// Gives a packed row exactly `columns` cells: adds the missing ones, drops the extra ones.
void FitColumns(std::string& cells, int columns) {
    const std::size_t seps = static_cast<std::size_t>(columns - 1);
    std::size_t found = 0, pos = 0;
    while (found < seps) {
        const void* p = std::memchr(cells.data() + pos, '\0', cells.size() - pos);
        if (!p) break;
        pos = static_cast<std::size_t>(static_cast<const char*>(p) - cells.data()) + 1;
        ++found;
    }
    if (found < seps) {
        cells.append(seps - found, '\0');
    } else if (const void* p = std::memchr(cells.data() + pos, '\0', cells.size() - pos)) {
        cells.resize(static_cast<std::size_t>(static_cast<const char*>(p) - cells.data()));
    }
}
}  // namespace

namespace {
constexpr std::size_t kHugePage = kArenaMapSize;
}  // namespace

std::unique_ptr<char[], ArenaFree> ArenaAlloc(std::size_t size) {
    if (size < kHugePage) return {static_cast<char*>(::operator new(size)), ArenaFree{size}};
    // Mapped with room to start on a huge-page boundary; the rest is given back.
    const std::size_t mapped = size + kHugePage;
    void* p = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start) ::munmap(p, aligned - start);
    const std::uintptr_t end = start + mapped, used = aligned + size;
    const std::uintptr_t tail = (used + 4095) & ~std::uintptr_t{4095};
    if (end > tail) ::munmap(reinterpret_cast<void*>(tail), end - tail);
    ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
    return {reinterpret_cast<char*>(aligned), ArenaFree{size}};
}

void ArenaFree::operator()(char* p) const {
    if (size < kHugePage) ::operator delete(p);
    else ::munmap(p, size);
}

PackedRows::PackedRows(int columns, std::size_t maxChunk)
    : columns_(columns < 1 ? 1 : columns), maxChunk_(std::max<std::size_t>(maxChunk, 4096)) {}
PackedRows::PackedRows(PackedRows&&) noexcept = default;
PackedRows& PackedRows::operator=(PackedRows&&) noexcept = default;
PackedRows::~PackedRows() = default;

void PackedRows::EndRow(int icon, std::int64_t data) {
    FitColumns(row_, columns_);
    char* at = RowRoom(row_.size());
    std::memcpy(at, row_.data(), row_.size());
    EndRowAt(at + row_.size(), icon, data);
    row_.clear();
}

char* PackedRows::RowRoom(std::size_t most) {
    if (chunks_.empty() || chunkSize_ - chunkUsed_ < most) {
        // Chunks grow from 4 KB to the most: small loads stay small, big ones take few chunks.
        chunkSize_ = std::max(most, chunks_.empty() ? std::size_t{4096} : std::min(chunkSize_ * 2, maxChunk_));
        chunks_.push_back(ArenaAlloc(chunkSize_));
        chunkUsed_ = 0;
    }
    return chunks_.back().get() + chunkUsed_;
}

void PackedRows::EndRowAt(const char* end, int icon, std::int64_t data) {
    char* at = chunks_.back().get() + chunkUsed_;
    const auto n = static_cast<std::size_t>(end - at);
    assert(n <= chunkSize_ - chunkUsed_ &&
           static_cast<int>(std::count(at, at + n, '\0')) == columns_ - 1);
    chunkUsed_ += n;
    rows_.push_back({at, static_cast<std::uint32_t>(n), icon, data});
}

std::vector<std::unique_ptr<RowStore::Block>> RowStore::MakeBlocks(std::vector<PackedRows>& in) {
    std::vector<std::unique_ptr<Block>> out;
    for (PackedRows& rowsIn : in) {
        if (rowsIn.rows_.empty()) continue;
        auto b = std::make_unique<Block>(rowsIn.rows_.size());
        for (std::size_t i = 0; i < b->count; ++i) {
            const PackedRows::Row& r = rowsIn.rows_[i];
            Item& item = b->items[i];
            item.text = {r.text, r.size};
            item.icon = r.icon;
            item.data = r.data;
            item.block = b.get();
        }
        b->chunks = std::move(rowsIn.chunks_);
        rowsIn.rows_ = {};
        out.push_back(std::move(b));
    }
    return out;
}

std::vector<RowStore::ItemPtr> RowStore::TakeBlocks(std::vector<std::unique_ptr<Block>>& made) {
    std::vector<ItemPtr> items;
    std::size_t total = 0;
    for (const auto& b : made) total += b->count;
    items.reserve(total);
    for (auto& b : made) {
        b->firstId = nextId_;
        nextId_ += b->count;
        for (std::size_t i = 0; i < b->count; ++i) {
            b->items[i].id = b->firstId + i;
            items.emplace_back(&b->items[i]);
        }
        blocks_.push_back(std::move(b));
    }
    made.clear();
    return items;
}

std::size_t RowStore::HeapBlockRows() { return (kArenaMapSize - 1) / sizeof(Item); }

void RowStore::AssignPacked(std::vector<PackedRows> blocksIn) {
    std::vector<std::unique_ptr<Block>> made = MakeBlocks(blocksIn);  // outside the lock
    // Freed after the lock is let go, the rows before their blocks.
    std::vector<std::unique_ptr<Block>> oldBlocks;
    std::unordered_map<RowId, Item*> oldIds;
    std::vector<ItemPtr> old;
    std::lock_guard<std::mutex> lock(mutex_);
    old.swap(order_);
    oldBlocks.swap(blocks_);
    oldIds.swap(byId_);
    order_ = TakeBlocks(made);
    for (std::size_t i = 0; i < order_.size(); ++i) order_[i]->pos = i;
    posValidUpTo_ = order_.size();
    ++generation_;
    Record(Change::Reset, 0);
}

void RowStore::InsertPacked(std::size_t index, std::vector<PackedRows> blocksIn) {
    std::vector<std::unique_ptr<Block>> made = MakeBlocks(blocksIn);
    if (made.empty()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (index > order_.size()) index = order_.size();
    std::vector<ItemPtr> items = TakeBlocks(made);
    order_.insert(order_.begin() + static_cast<long>(index), std::make_move_iterator(items.begin()),
                  std::make_move_iterator(items.end()));
    Invalidate(index);
    ++generation_;
    Record(Change::Reset, 0);
}

std::vector<RowStore::ItemPtr> RowStore::MakeItems(std::vector<PackedRow>& rowsIn) const {
    std::vector<ItemPtr> items;
    items.reserve(rowsIn.size());
    for (auto& r : rowsIn) {
        FitColumns(r.cells, columns_);
        ItemPtr item(new Item);
        item->icon = r.icon;
        item->data = r.data;
        item->SetOwn(std::move(r.cells));
        items.push_back(std::move(item));
    }
    return items;
}

void RowStore::AssignPacked(std::vector<PackedRow> rowsIn) {
    std::vector<ItemPtr> items = MakeItems(rowsIn);  // outside the lock
    // Freed after the lock is let go, the rows before their blocks.
    std::vector<std::unique_ptr<Block>> oldBlocks;
    std::vector<ItemPtr> old;
    std::lock_guard<std::mutex> lock(mutex_);
    old.swap(order_);
    oldBlocks.swap(blocks_);
    byId_.clear();
    byId_.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        items[i]->id = nextId_++;
        items[i]->pos = i;
        byId_.emplace(items[i]->id, items[i].get());
    }
    order_ = std::move(items);
    posValidUpTo_ = order_.size();
    ++generation_;
    Record(Change::Reset, 0);
}

void RowStore::InsertPacked(std::size_t index, std::vector<PackedRow> rowsIn) {
    if (rowsIn.empty()) return;
    std::vector<ItemPtr> items = MakeItems(rowsIn);
    std::lock_guard<std::mutex> lock(mutex_);
    if (index > order_.size()) index = order_.size();
    byId_.reserve(byId_.size() + items.size());
    for (auto& item : items) {
        item->id = nextId_++;
        byId_.emplace(item->id, item.get());
    }
    order_.insert(order_.begin() + static_cast<long>(index), std::make_move_iterator(items.begin()),
                  std::make_move_iterator(items.end()));
    Invalidate(index);
    ++generation_;
    Record(Change::Reset, 0);
}

std::vector<PackedRow> RowStore::SnapshotPacked() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<PackedRow> out;
    out.reserve(order_.size());
    for (const auto& r : order_) out.push_back({std::string(r->text), r->icon, r->data});
    return out;
}

std::uint64_t RowStore::Generation() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return generation_;
}

template <class Keys, class OldIndex>
void RowStore::ApplySortedOrder(const Keys& keys, OldIndex indexOf) {
    std::vector<ItemPtr> sorted;
    sorted.reserve(order_.size());
    for (const auto& k : keys) sorted.push_back(std::move(order_[indexOf(k)]));
    order_ = std::move(sorted);
    posValidUpTo_ = 0;
    ++generation_;
    Record(Change::Reorder, 0);
}

void RowStore::SortByColumn(int col, const std::function<bool(std::string_view, std::string_view)>& less) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::pair<std::string_view, std::size_t>> keys;
    keys.reserve(order_.size());
    for (std::size_t i = 0; i < order_.size(); ++i) keys.emplace_back(CellOf(*order_[i], col), i);
    std::stable_sort(keys.begin(), keys.end(),
                     [&](const auto& a, const auto& b) { return less(a.first, b.first); });
    ApplySortedOrder(keys, [](const auto& k) { return k.second; });
}

void RowStore::SortByListOrder(int col, bool ascending) {
    std::lock_guard<std::mutex> lock(mutex_);
    struct Key {
        std::string_view text;
        std::string_view value;  // a number's digits without leading zeros
        std::size_t index;
        bool number;
    };
    std::vector<Key> keys;
    keys.reserve(order_.size());
    for (std::size_t i = 0; i < order_.size(); ++i) {
        const std::string_view t = CellOf(*order_[i], col);
        const bool number = IsListNumber(t);
        std::string_view v = t;
        if (number)
            while (!v.empty() && v.front() == '0') v.remove_prefix(1);
        keys.push_back({t, v, i, number});
    }
    const int dir = ascending ? 1 : -1;
    std::stable_sort(keys.begin(), keys.end(), [dir](const Key& a, const Key& b) {
        int c;
        if (a.number && b.number) {
            if (a.value.size() != b.value.size()) c = a.value.size() < b.value.size() ? -1 : 1;
            else c = a.value.compare(b.value);
        } else {
            c = CompareGbkOrder(a.text, b.text);
        }
        return c * dir < 0;
    });
    ApplySortedOrder(keys, [](const auto& k) { return k.index; });
}

void RowStore::SortRows(const std::function<bool(const RowData&, const RowData&)>& less) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::pair<RowData, std::size_t>> keys;
    keys.reserve(order_.size());
    for (std::size_t i = 0; i < order_.size(); ++i) keys.emplace_back(ToData(*order_[i]), i);
    std::stable_sort(keys.begin(), keys.end(),
                     [&](const auto& a, const auto& b) { return less(a.first, b.first); });
    ApplySortedOrder(keys, [](const auto& k) { return k.second; });
}

void RowStore::MoveColumn(int from, int to) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (from < 0 || to < 0 || from >= columns_ || to >= columns_ || from == to) return;
    std::vector<std::string_view> cells(static_cast<std::size_t>(columns_));
    std::string blob;
    for (auto& row : order_) {
        for (int c = 0; c < columns_; ++c) cells[static_cast<std::size_t>(c)] = CellOf(*row, c);
        const std::string_view moved = cells[static_cast<std::size_t>(from)];
        cells.erase(cells.begin() + from);
        cells.insert(cells.begin() + to, moved);
        blob.clear();
        for (int c = 0; c < columns_; ++c) {
            if (c > 0) blob.push_back('\0');
            blob.append(cells[static_cast<std::size_t>(c)]);
        }
        row->SetOwn(blob);
    }
    ++generation_;
    Record(Change::Reset, 0);
}

void RowStore::MoveToTop(const std::vector<RowId>& ids) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Item*> chosen;
    for (RowId id : ids)
        if (Item* r = Find(id)) chosen.push_back(r);
    if (chosen.empty()) return;
    std::sort(chosen.begin(), chosen.end());
    std::stable_partition(order_.begin(), order_.end(), [&](const ItemPtr& r) {
        return std::binary_search(chosen.begin(), chosen.end(), r.get());
    });
    posValidUpTo_ = 0;
    ++generation_;
    Record(Change::Reorder, 0);
}

void RowStore::SetChangeNotifier(std::function<void()> notifier) {
    std::lock_guard<std::mutex> lock(mutex_);
    notifier_ = std::move(notifier);
    changes_.clear();
}

ChangeBatch RowStore::TakeChanges() {
    std::lock_guard<std::mutex> lock(mutex_);
    ChangeBatch b;
    b.changes.swap(changes_);
    if (!b.changes.empty() &&
        (b.changes.back().kind == Change::Reset || b.changes.back().kind == Change::Reorder)) {
        b.ids.reserve(order_.size());
        for (const auto& r : order_) b.ids.push_back(r->id);
    }
    return b;
}

}  // namespace rows
