#pragma once
// The advanced query (template 511, "高级查询设置"): the filter of the records pages' view 4.
#include "platform/Clock.h"
#include "uikit/SkinDialog.h"

#include <string>

class CFlatComboBox;
class CSkinButton;
class CSkinEdit;
class CSkinGroupBox;
class QDateEdit;

class CAdvancedQueryDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 511;
    // GBK byte limits of the name, number and text edits.
    static constexpr int kNameBytes = 30, kNumberBytes = 20, kTextBytes = 60;

    explicit CAdvancedQueryDlg(QWidget* parent = nullptr);

    // The type code of a combo text: kind (16 SMS, 32 MMS) + class (1 sent, 2 failed,
    // 3 delivered, 4 rejected, 5 received); 0 for "<全部信息>" and any other text.
    static int QueryTypeOf(const std::string& item);

    void OnOK() override;

    int m_nQueryType = 0;
    std::string m_strQueryText;    // 1045
    clk::LocalTime m_timeTo;       // 1192, date part only
    std::string m_strQueryName;    // 1023
    std::string m_strQueryNumber;  // 1044
    clk::LocalTime m_timeFrom;     // 1191, date part only

    CSkinGroupBox* m_frames[4];  // 1349, 1348 around 1191; 1351, 1350 around 1192
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;
    QDateEdit* m_dateFrom;
    CSkinEdit* m_editNumber;
    CSkinEdit* m_editName;
    CFlatComboBox* m_comboType;
    QDateEdit* m_dateTo;
    CSkinEdit* m_editText;

protected:
    bool OnInitDialog() override;
};
