#include "contacts/AutoReplyDlg.h"

void CAutoReplyDlg::LoadSettings() {}
void CAutoReplyDlg::SaveLists() {}
