#pragma once
// MMS records page.
#include "core/PageDlg.h"

class CMMSRecordDlg : public CPageDlg {
    Q_OBJECT
public:
    explicit CMMSRecordDlg(QWidget* parent = nullptr);
    // Shows the log's initial view.
    void ResetView();
    // Applies the waiting delivery reports to the MMS log.
    void ApplyDeliveryReports();
};
