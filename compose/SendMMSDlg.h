#pragma once
// Send-MMS page.
#include "core/PageDlg.h"

class CSendMMSDlg : public CPageDlg {
    Q_OBJECT
public:
    explicit CSendMMSDlg(QWidget* parent = nullptr) : CPageDlg(135, parent) {}
};
