#pragma once
// Number-location page (template 150): where a mobile number or an area code belongs, and the
// number segments of a city. The lookups live in contacts/NumberLocation.h.
#include "contacts/NumberLocation.h"
#include "core/PageDlg.h"

#include <QTimer>
#include <optional>

class CSkinEdit;
class CSkinButton;
class QButtonGroup;
class QLabel;
class QListWidget;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

class CNumberLocationDlg : public CPageDlg {
    Q_OBJECT
public:
    explicit CNumberLocationDlg(QWidget* parent = nullptr);

    static std::optional<NumberLocation> LookupPrefix(const QString& number);
    static std::optional<NumberLocation> LookupAreaCode(const QString& code);

    void ListSegments(const QString& name);
    void LoadAreaTree();

    CSkinEdit* m_editNumber = nullptr;  // 1007
    CSkinEdit* m_editArea = nullptr;    // 1043
    CSkinButton* m_btnQueryNumber = nullptr;  // 1072
    CSkinButton* m_btnQueryArea = nullptr;    // 1002
    // The result edits: province, city, card type, area code, postcode.
    CSkinEdit* m_editProvince = nullptr;
    CSkinEdit* m_editCity = nullptr;
    CSkinEdit* m_editCardType = nullptr;
    CSkinEdit* m_editAreaCode = nullptr;
    CSkinEdit* m_editZipCode = nullptr;
    QTreeWidget* m_tree = nullptr;  // 1206
    QRadioButton* m_radio[4] = {};  // 1017, 1065, 1067, 1066: values 0 to 3
    CSkinEdit* m_editStart = nullptr;  // 1044
    CSkinEdit* m_editEnd = nullptr;    // 1045
    QListWidget* m_list = nullptr;     // 1011
    QLabel* m_total = nullptr;         // 1193
    QTimer m_timer;                    // timer 100: fills the tree once

public slots:
    void OnBtnQueryNumber();
    void OnBtnQueryArea();
    void OnSelchangedTree(QTreeWidgetItem* current);
    void OnRadioAll();
    void OnRadioMobile();
    void OnRadioRange();
    void OnRadioUnicom();
    void OnTimer(int nIDEvent);

private:
    void OnInitDialog();
    int RangeValue() const;
    void DisableRangeAndRelist();
    void ClearResults();
    // The result edits; the postcode as six digits, the area code with its leading "0".
    void ShowLocation(const NumberLocation& loc, bool withCardType);
    void ShowSegments(const std::vector<uint32_t>& segments);
};
