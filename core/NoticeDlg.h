#pragma once
// The start-up notice popup (template 195, "消息通知").
#include <QDialog>
#include <string>

class CNoticeDlg : public QDialog {
    Q_OBJECT
public:
    explicit CNoticeDlg(QWidget* parent = nullptr);
    int OnInitDialog();
    int DoModal();

    std::string m_strNotice;  // bound to edit 1071
};

// The start-up step: shows the notice when its text is longer than one GBK byte, preceded by
// CR, LF and a blank. Returns true when the popup was shown.
bool ShowStartupNotice(const std::string& notice);
