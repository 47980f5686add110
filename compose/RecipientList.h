#pragma once
// The recipient list of the send pages: a multi-column list of number texts with its buttons
// (add through popup menu 251, delete, clear, remove duplicates) and its percentage bar. Each
// page embeds one with its own control ids, clear question and label refresh.
#include "uikit/IconMenu.h"

#include <QAbstractListModel>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QListView;
class QPushButton;
class CPercentProgressCtrl;

// The entries: bare number texts (UTF-8) in list order, one model row each. The selection is
// kept here too, one flag per entry: the view's selection model writes into it and the view
// paints it from SelectedRole, so a large selection costs no persistent index per range.
class CRecipientModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    static constexpr int SelectedRole = Qt::UserRole + 1;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const std::vector<std::string>& Entries() const { return m_entries; }
    void Append(const std::vector<std::string>& more);
    void SetEntries(std::vector<std::string> entries);
    // Changes the entries in place, as one reset of the model.
    void Edit(const std::function<void(std::vector<std::string>&)>& change);

    bool IsSelected(int row) const { return row >= 0 && row < rowCount() && m_selected[row]; }
    int SelectedCount() const { return m_nSelected; }
    // Sets one entry's flag; returns its earlier value.
    bool SetSelected(int row, bool on);
    // Removes the selected entries as one reset; progress gets the count removed after every 100.
    void EraseSelected(const std::function<void(int removed)>& progress = {});

private:
    std::vector<std::string> m_entries;
    std::vector<char> m_selected;  // one per entry
    int m_nSelected = 0;
};

class CRecipientList : public QWidget {
    Q_OBJECT
public:
    struct Ids {
        int list, sortedList, add, del, clear, dedupe;
    };
    // clearQuestion: the page's question before clearing; refresh: the page's label refresh.
    CRecipientList(const Ids& ids, std::string clearQuestion, std::function<void()> refresh,
                   QWidget* parent = nullptr);

    int GetCount() const { return static_cast<int>(m_model->Entries().size()); }
    const std::vector<std::string>& Entries() const { return m_model->Entries(); }
    // Adds entries unchanged at the end (the records pages' reply puts numbers here too).
    void AddEntries(const std::vector<std::string>& entries);
    // Empties the list with redraw off and refreshes the label (after a successful send).
    void ResetContent();

    QListView* View() const { return m_view; }
    CRecipientModel* Model() const { return m_model; }
    CPercentProgressCtrl* Bar() const { return m_bar; }
    uikit::CIconMenu& Menu() { return m_menu; }

public slots:
    void OnBtnAddRecipient();
    void OnInputManually();
    void OnImportFromText();
    void OnImportFromAddressBook();
    void OnBtnDeleteRecipient();
    void OnBtnClearRecipients();
    void OnBtnRemoveDuplicates();

private:
    // Runs work with the wait cursor and the list's redraw off.
    void Busy(const std::function<void()>& work);
    void Refresh() {
        if (m_refresh) m_refresh();
    }

    std::string m_strClearQuestion;
    std::function<void()> m_refresh;
    CRecipientModel* m_model;
    QListView* m_view;
    QWidget* m_sorted;  // the hidden sorted list of duplicate removal
    QPushButton* m_btnAdd;
    QPushButton* m_btnDelete;
    QPushButton* m_btnClear;
    QPushButton* m_btnDedupe;
    CPercentProgressCtrl* m_bar;
    uikit::CIconMenu m_menu;
};
