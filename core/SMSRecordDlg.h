#pragma once
// SMS records page (template 159): the records page over the SMS log "SMSMsgSL.dat".
#include "core/RecordPage.h"

class CSMSRecordDlg : public CRecordPage {
    Q_OBJECT
public:
    static constexpr int IDD = 159;
    explicit CSMSRecordDlg(QWidget* parent = nullptr);
    ~CSMSRecordDlg() override;
};
