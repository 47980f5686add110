#include "compose/MMSSinkDlg.h"

void CMMSSinkDlg::FillGroupTree() {}
