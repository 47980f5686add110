#pragma once
// Send-SMS page.
#include "core/PageDlg.h"

class CSendSMSDlg : public CPageDlg {
    Q_OBJECT
public:
    explicit CSendSMSDlg(QWidget* parent = nullptr) : CPageDlg(137, parent) {}
};
