#include "platform/RowStoreModel.h"

#include "platform/TextCodec.h"

#include <QMetaObject>
#include <QPointer>
#include <algorithm>
#include <unordered_map>

namespace rows {

RowStoreModel::RowStoreModel(RowStore& store, QObject* parent)
    : QAbstractTableModel(parent), store_(store) {
    QPointer<RowStoreModel> self(this);
    store_.SetChangeNotifier([self] {
        if (self) QMetaObject::invokeMethod(self.data(), &RowStoreModel::Sync, Qt::QueuedConnection);
    });
    mirror_ = store_.Ids();
}

RowStoreModel::~RowStoreModel() { store_.SetChangeNotifier(nullptr); }

void RowStoreModel::SetReversed(bool on) {
    if (on == reversed_) return;
    beginResetModel();
    reversed_ = on;
    endResetModel();
}

void RowStoreModel::SetHeaders(const QStringList& headers) {
    headers_ = headers;
    emit headerDataChanged(Qt::Horizontal, 0, std::max(0, columnCount() - 1));
}

QString RowStoreModel::CellText(std::string_view cell) const {
    return gbkCells_ ? codec::ToQ(codec::FromGbk(cell)) : codec::ToQ(cell);
}

int RowStoreModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(mirror_.size());
}

int RowStoreModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : store_.ColumnCount();
}

QVariant RowStoreModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(mirror_.size())) return {};
    const RowId id = mirror_[At(static_cast<std::size_t>(index.row()))];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        const auto text = store_.Cell(id, index.column());
        return text ? CellText(*text) : QString();
    }
    case IdRole:
        return QVariant::fromValue<qulonglong>(id);
    case IconRole:
    case DataRole:
        return store_.Locked([&](RowStore::Access& a) -> QVariant {
            const auto pos = a.IndexOf(id);
            if (!pos) return {};
            if (role == IconRole) return a.IconAt(*pos);
            return QVariant::fromValue<qlonglong>(a.DataAt(*pos));
        });
    default:
        return {};
    }
}

QVariant RowStoreModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < headers_.size())
        return headers_[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

RowId RowStoreModel::IdAt(int row) const {
    return row >= 0 && row < static_cast<int>(mirror_.size()) ? mirror_[At(static_cast<std::size_t>(row))] : 0;
}

int RowStoreModel::RowOf(RowId id) const {
    const auto it = std::find(mirror_.begin(), mirror_.end(), id);
    return it == mirror_.end() ? -1 : static_cast<int>(At(static_cast<std::size_t>(it - mirror_.begin())));
}

void RowStoreModel::Sync() {
    ChangeBatch batch = store_.TakeChanges();
    for (Change& c : batch.changes) {
        switch (c.kind) {
        case Change::Insert: {
            const std::size_t at = std::min(c.index, mirror_.size());
            const int first = ViewFirst(at, 0, mirror_.size());
            beginInsertRows({}, first, first + static_cast<int>(c.count) - 1);
            mirror_.insert(mirror_.begin() + static_cast<long>(at), c.ids.begin(), c.ids.end());
            endInsertRows();
            break;
        }
        case Change::Remove: {
            const std::size_t first = std::min(c.index, mirror_.size());
            const std::size_t last = std::min(first + c.count, mirror_.size());
            if (first == last) break;
            const int viewFirst = ViewFirst(first, last - first, mirror_.size());
            beginRemoveRows({}, viewFirst, viewFirst + static_cast<int>(last - first) - 1);
            mirror_.erase(mirror_.begin() + static_cast<long>(first), mirror_.begin() + static_cast<long>(last));
            endRemoveRows();
            break;
        }
        case Change::Update: {
            if (c.index >= mirror_.size()) break;
            const std::size_t count = std::min(c.index + c.count, mirror_.size()) - c.index;
            const int first = ViewFirst(c.index, count, mirror_.size());
            emit dataChanged(index(first, 0), index(first + static_cast<int>(count) - 1, columnCount() - 1));
            break;
        }
        case Change::Reset:
            beginResetModel();
            mirror_ = std::move(batch.ids);
            endResetModel();
            break;
        case Change::Reorder: {
            emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
            const QModelIndexList before = persistentIndexList();
            std::unordered_map<RowId, int> newRow;
            newRow.reserve(batch.ids.size());
            const std::size_t n = batch.ids.size();
            for (std::size_t i = 0; i < n; ++i)
                newRow.emplace(batch.ids[i], static_cast<int>(reversed_ ? n - 1 - i : i));
            QModelIndexList after;
            after.reserve(before.size());
            for (const QModelIndex& idx : before) {
                const auto it = newRow.find(IdAt(idx.row()));
                after.push_back(it == newRow.end() ? QModelIndex() : index(it->second, idx.column()));
            }
            mirror_ = std::move(batch.ids);
            changePersistentIndexList(before, after);
            emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
            break;
        }
        }
    }
}

}  // namespace rows
