#pragma once
// The three small dialogs of the send-list import: the source sheet typed, the source table
// picked, and the number and content columns picked.
#include "uikit/SkinButton.h"
#include "uikit/SkinDialog.h"

#include <string>
#include <vector>

class CFlatComboBox;
class CSkinEdit;

// The name of the sheet (or table) in the source file, typed.
class CImportSourceTableDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 299;
    // prompt: shown when OK is pressed with no name.
    explicit CImportSourceTableDlg(std::string prompt, QWidget* parent = nullptr);

    void OnOK() override;

    std::string m_strTableName;  // after OK, trimmed at the front

    CSkinEdit* m_editTableName;  // 1043
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;

private:
    std::string m_strPrompt;
};

// The table holding the records, picked from the given names.
class CImportTableDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 300;
    explicit CImportTableDlg(const std::vector<std::string>& tables, QWidget* parent = nullptr);

    void OnOK() override;

    std::string m_strTableName;  // after OK

    CFlatComboBox* m_comboTables;  // 1026
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;
};

// The number column and the content column, picked from the given names.
class CImportFieldMapDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 298;
    explicit CImportFieldMapDlg(const std::vector<std::string>& fields, QWidget* parent = nullptr);

    void OnOK() override;

    std::string m_strNumberField;   // after OK
    std::string m_strContentField;  // after OK

    CFlatComboBox* m_comboNumber;   // 1026
    CFlatComboBox* m_comboContent;  // 1225
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;
};
