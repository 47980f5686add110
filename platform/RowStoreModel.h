#pragma once
// A Qt table model over a RowStore, for the UI thread. It keeps its own copy of the row order
// and replays the store's changes from queued notifications, so a view never sees rows move
// under it between two notifications; cell texts are read from the store on demand.
#include "platform/RowStore.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

namespace rows {

class RowStoreModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Roles { IdRole = Qt::UserRole + 1, IconRole, DataRole };

    explicit RowStoreModel(RowStore& store, QObject* parent = nullptr);
    ~RowStoreModel() override;

    RowStore& store() const { return store_; }
    // Shows the store bottom up: view row 0 is the store's last row, so rows appended to the
    // store appear on top at no cost (a log listed newest first). Set before any row is shown.
    void SetReversed(bool on);
    bool Reversed() const { return reversed_; }
    void SetHeaders(const QStringList& headers);
    // The cells hold GBK bytes (a file's own records), decoded only when a row is shown.
    void SetGbkCells(bool on) { gbkCells_ = on; }
    // A cell's text for display.
    QString CellText(std::string_view cell) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    RowId IdAt(int row) const;
    int RowOf(RowId id) const;  // -1 when the view does not show it (yet)

public slots:
    // Replays the store's waiting changes now (also queued automatically).
    void Sync();

private:
    RowStore& store_;
    // Index into mirror_ of a view row (and back: the mapping is its own inverse).
    std::size_t At(std::size_t row) const { return reversed_ ? mirror_.size() - 1 - row : row; }
    // The view rows [first, first + count) of store rows [index, index + count) in a mirror of size n.
    int ViewFirst(std::size_t index, std::size_t count, std::size_t n) const {
        return static_cast<int>(reversed_ ? n - index - count : index);
    }
    std::vector<RowId> mirror_;
    bool reversed_ = false;
    bool gbkCells_ = false;
    QStringList headers_;
};

}  // namespace rows
