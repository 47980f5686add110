#pragma once
// Phrase library page.
#include "core/PageDlg.h"

class CPhraseLibDlg : public CPageDlg {
    Q_OBJECT
public:
    explicit CPhraseLibDlg(QWidget* parent = nullptr) : CPageDlg(160, parent) {}
    // Loads the phrase types.
    void LoadPhraseTypes();
};
