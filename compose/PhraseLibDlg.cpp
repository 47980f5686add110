#include "compose/PhraseLibDlg.h"

void CPhraseLibDlg::LoadPhraseTypes() {}
