#pragma once
// MMS pending page.
#include "core/PageDlg.h"

class CSendingListDlg : public CPageDlg {
    Q_OBJECT
public:
    explicit CSendingListDlg(QWidget* parent = nullptr);
    void LoadQueues();
    void SaveQueues();
};
