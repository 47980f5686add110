#include "core/MMSRecordDlg.h"
#include "core/SMSRecordDlg.h"
#include "core/SendingListDlg.h"

CSMSRecordDlg::CSMSRecordDlg(QWidget* parent) : CPageDlg(159, parent) {}
void CSMSRecordDlg::ResetView() {}

CMMSRecordDlg::CMMSRecordDlg(QWidget* parent) : CPageDlg(139, parent) {}
void CMMSRecordDlg::ResetView() {}
void CMMSRecordDlg::ApplyDeliveryReports() {}

CSendingListDlg::CSendingListDlg(QWidget* parent) : CPageDlg(138, parent) {}
void CSendingListDlg::LoadQueues() {}
void CSendingListDlg::SaveQueues() {}
