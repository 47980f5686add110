#pragma once
// SMS records page; owns the SMS record log.
#include "core/PageDlg.h"
#include "core/RecordLog.h"

class CSMSRecordDlg : public CPageDlg {
    Q_OBJECT
public:
    explicit CSMSRecordDlg(QWidget* parent = nullptr);
    ~CSMSRecordDlg() override;
    // Shows the log's initial view.
    void ResetView() { m_log.ResetView(); }
    CRecordLog& Log() { return m_log; }

private:
    CRecordLog m_log{LogKind::Sms};
};
