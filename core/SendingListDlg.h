#pragma once
// The MMS pending page (template 138): the SMS page's body with the MMS kind, plus the package
// size refresh and opening a row on double-click.
#include "core/SMSSendingListDlg.h"

class CSendingListDlg : public CPendingPage {
    Q_OBJECT
public:
    static constexpr int IDD = 138;
    explicit CSendingListDlg(QWidget* parent = nullptr);

    // The MMS sending threads' operations (caller holds g_lockMMSQueue).
    int FetchMMSBatch(int nDevice, std::string& strReceivers, std::string& strTitle, std::string& strFiles) {
        return Batch().FetchMMSBatch(nDevice, strReceivers, strTitle, strFiles);
    }
    void FinishMMSBatch(int nDevice, int nResult, int nCount) { Batch().FinishMMSBatch(nDevice, nResult, nCount); }

public slots:
    void OnRefreshMMSSize();
    void OnDblclkImmediateList() { OpenFirstSelected(1); }
    void OnDblclkTimedList() { OpenFirstSelected(2); }
    void OnDblclkCyclicList() { OpenFirstSelected(3); }

private:
    void OpenFirstSelected(int n);
};
