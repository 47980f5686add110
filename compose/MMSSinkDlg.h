#pragma once
// MMS library page.
#include "core/PageDlg.h"

class CMMSSinkDlg : public CPageDlg {
    Q_OBJECT
public:
    explicit CMMSSinkDlg(QWidget* parent = nullptr) : CPageDlg(140, parent) {}
    // Fills the group tree of the MMS library.
    void FillGroupTree();
};
