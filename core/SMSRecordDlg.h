#pragma once
// SMS records page.
#include "core/PageDlg.h"

class CSMSRecordDlg : public CPageDlg {
    Q_OBJECT
public:
    explicit CSMSRecordDlg(QWidget* parent = nullptr);
    // Shows the log's initial view.
    void ResetView();
};
