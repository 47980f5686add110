#pragma once
// Auto-reply page.
#include "core/PageDlg.h"

class CAutoReplyDlg : public CPageDlg {
    Q_OBJECT
public:
    explicit CAutoReplyDlg(QWidget* parent = nullptr) : CPageDlg(142, parent) {}
    // Loads the auto-reply settings and lists; saves the lists.
    void LoadSettings();
    void SaveLists();
};
