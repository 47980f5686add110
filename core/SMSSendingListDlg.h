#pragma once
// The pending pages: one body for the SMS page (template 158) and its MMS twin (template 138):
// the immediate, timed and cyclic lists of the queue, the pause toggle, and the batch operations
// of the sending threads. The kinds differ only in the data of PendingPageKind.
#include "core/PendingQueues.h"
#include "core/SmsBatch.h"
#include "platform/RowStore.h"

#include <QWidget>
#include <atomic>
#include <memory>
#include <string>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QTimer;
namespace uikit {
class CSortListCtrl;
}

class CEventLock;

// What tells the two pending pages apart.
struct PendingPageKind {
    int idd;
    queue::Kind kind;
    const char* column2;  // header of column 2
    int column2Width;
};

class CPendingPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kColumns = 12;

    CPendingPage(const PendingPageKind& kind, QWidget* parent);
    ~CPendingPage() override;
    const PendingPageKind& PageKind() const { return m_kind; }

    // Queue writers (any thread), load and save, and the schedulers.
    void AddSMSItem(int nId, std::string strNumbers, std::string strName, std::string strText,
                    std::string strSchedule, int nToTop) {
        m_queues.AddSMSItem(nId, std::move(strNumbers), std::move(strName), std::move(strText),
                            std::move(strSchedule), nToTop);
    }
    void AddMMSItem(int nId, std::string strNumbers, std::string strFiles, std::string strTitle,
                    std::string strPackage, std::string strSchedule, int nToTop) {
        m_queues.AddMMSItem(nId, std::move(strNumbers), std::move(strFiles), std::move(strTitle),
                            std::move(strPackage), std::move(strSchedule), nToTop);
    }
    void LoadQueues() { m_queues.LoadQueues(); }
    void SaveQueues() { m_queues.SaveQueues(); }
    void CheckCyclicItems();
    void CheckTimedItems() { m_queues.CheckTimedItems(); }
    PendingQueues& Queues() { return m_queues; }

    // The sending threads' operations (caller holds g_lockSMSQueue).
    int FetchSMSBatch(int nDevice, std::string& strNumbers, std::string& strText) {
        return m_batch.FetchSMSBatch(nDevice, strNumbers, strText);
    }
    void FinishSMSBatch(int nDevice, int nResult, int nCount) {
        m_batch.FinishSMSBatch(nDevice, nResult, nCount);
    }

    // Sets label 1281 to "%d条。" of the immediate rows.
    void UpdateCountLabel();

    // The three lists: 1 immediate, 2 timed, 3 cyclic.
    rows::RowStore& List(int n);
    rows::RowStore& ImmediateList() { return m_queues.Immediate(); }
    uikit::CSortListCtrl* View(int n) const;
    int ShownList() const { return m_nShownList; }
    int Paused() const { return m_batch.m_nPause.load(); }
    CSmsBatch& Batch() { return m_batch; }

public slots:
    void OnShowImmediateList();
    void OnShowTimedList();
    void OnShowCyclicList();
    void OnDeleteSend();
    void OnCancelAll();
    void OnPrioritySend();
    void OnExportNumbers();
    void OnPauseToggle();
    void OnTimer(int nIDEvent);

private:
    void OnInitDialog();
    void ShowList(int n);
    void PostCountLabel();
    std::vector<rows::RowId> SelectedIds(int n) const;

protected:
    // The buttons' row of the bottom; a kind adds its own buttons before the shared ones.
    QHBoxLayout* BottomRow() const { return m_bottom; }
    QPushButton* AddButton(int id, const QString& text);
    bool IsMms() const { return m_kind.kind == queue::Kind::Mms; }

private:
    const PendingPageKind m_kind;
    PendingQueues m_queues;
    CSmsBatch m_batch;
    QHBoxLayout* m_bottom = nullptr;
    int m_nShownList = 1;

    uikit::CSortListCtrl* m_views[3] = {};
    QPushButton* m_btnView[3] = {};
    QPushButton* m_btnDelete = nullptr;
    QPushButton* m_btnCancelAll = nullptr;
    QPushButton* m_btnPriority = nullptr;
    QPushButton* m_btnExport = nullptr;
    QPushButton* m_btnPause = nullptr;
    QLabel* m_stateImage = nullptr;
    QLabel* m_countLabel = nullptr;
    QTimer* m_timer1 = nullptr;
    QTimer* m_timer2 = nullptr;
    std::shared_ptr<std::atomic<bool>> m_countPosted = std::make_shared<std::atomic<bool>>(false);
};

class CSMSSendingListDlg : public CPendingPage {
    Q_OBJECT
public:
    static constexpr int IDD = 158;
    explicit CSMSSendingListDlg(QWidget* parent = nullptr);
    ~CSMSSendingListDlg() override;
};

extern CSMSSendingListDlg* g_pSMSSendingListDlg;
