#pragma once
// MMS records page (template 139): the records page over the MMS log "MMSMsgSL.dat", which
// resends through its own package in "MMSListTemp".
#include "compose/MMSPackage.h"
#include "core/RecordPage.h"

class CMMSRecordDlg : public CRecordPage {
    Q_OBJECT
public:
    static constexpr int IDD = 139;
    explicit CMMSRecordDlg(QWidget* parent = nullptr);
    ~CMMSRecordDlg() override;

protected:
    CMMSPackage* ResendPackage() override { return &m_resendPackage; }

private:
    CMMSPackage m_resendPackage;
};
