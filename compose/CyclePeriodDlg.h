#pragma once
// The period and time of a cyclic send: "[每年]", "[每月]", "[每周]" or "[每日]" followed by the
// chosen items.
#include "uikit/FlatComboBox.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinDialog.h"

#include <string>

class QRadioButton;

class CCyclePeriodDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 513;
    explicit CCyclePeriodDlg(QWidget* parent = nullptr);

    void OnOK() override;
    // The radio handlers: show the lists the period needs.
    void OnYearly();
    void OnMonthly();
    void OnWeekly();
    void OnDaily();

    int m_nPeriod = 0;          // 0 yearly, 1 monthly, 2 weekly, 3 daily
    std::string m_strPeriod;    // after OK

    QRadioButton* m_radio[4];   // 1258, 1257, 1256, 1255
    CFlatComboBox* m_cmbMonth;  // 1246
    CFlatComboBox* m_cmbDay;    // 1352
    CFlatComboBox* m_cmbWeek;   // 1254
    CFlatComboBox* m_cmbHour;   // 1248
    CFlatComboBox* m_cmbMinute; // 1249
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;

private:
    void ShowPeriodLists();
};
