#pragma once
// The start-up notice popup (template 195, "消息通知").
#include "uikit/SkinDialog.h"

#include <string>

class CNoticeDlg : public CSkinDialog {
    Q_OBJECT
public:
    explicit CNoticeDlg(QWidget* parent = nullptr);

    std::string m_strNotice;  // bound to edit 1071

protected:
    bool OnInitDialog() override;
};
