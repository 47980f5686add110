#pragma once
// Number-location page.
#include "core/PageDlg.h"

class CNumberLocationDlg : public CPageDlg {
    Q_OBJECT
public:
    explicit CNumberLocationDlg(QWidget* parent = nullptr) : CPageDlg(150, parent) {}
};
