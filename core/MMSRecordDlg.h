#pragma once
// MMS records page; owns the MMS record log.
#include "core/PageDlg.h"
#include "core/RecordLog.h"

class CMMSRecordDlg : public CPageDlg {
    Q_OBJECT
public:
    explicit CMMSRecordDlg(QWidget* parent = nullptr);
    ~CMMSRecordDlg() override;
    // Shows the log's initial view.
    void ResetView() { m_log.ResetView(); }
    // Applies the waiting delivery reports to the MMS log.
    void ApplyDeliveryReports() { m_log.ApplyDeliveryReports(); }
    CRecordLog& Log() { return m_log; }

private:
    CRecordLog m_log{LogKind::Mms};
};
