#pragma once
// Address book page.
#include "core/PageDlg.h"

class CLinkmanBookDlg : public CPageDlg {
    Q_OBJECT
public:
    explicit CLinkmanBookDlg(QWidget* parent = nullptr) : CPageDlg(129, parent) {}
};
