#pragma once
// The phrase text dialog (template 215) and the phrase picker "从短语库中插入短语" (template 523).
#include "platform/RowStore.h"
#include "uikit/SkinDialog.h"

#include <optional>
#include <string>

class CFlatComboBox;
class CSkinButton;
class CSkinEdit;
class QLabel;
namespace uikit { class CSortListCtrl; }

class CPhraseEditDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 215;
    static constexpr int kMaxBytes = 248;
    explicit CPhraseEditDlg(QWidget* parent = nullptr);

    void OnOK() override;

    std::string m_strCaption;  // set by the caller
    std::string m_strText;     // the text to edit before the run, the result after OK
    CSkinEdit* m_editText;     // 1189
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;

protected:
    bool OnInitDialog() override;
};

class CInsertPhraseDlg : public CSkinDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 523;
    explicit CInsertPhraseDlg(QWidget* parent = nullptr);
    ~CInsertPhraseDlg() override;

    // Runs the picker modally: the phrase after OK, nothing after Cancel.
    static std::optional<std::string> Pick(QWidget* parent);

    void OnSelchangeType();
    void LoadPhrases(const std::string& type);
    void OnOK() override;

    std::string m_strPhrase;
    QLabel* m_lblType;
    CFlatComboBox* m_comboType;  // 1026
    uikit::CSortListCtrl* m_list;  // 1011
    CSkinButton* m_btnOK;
    CSkinButton* m_btnCancel;

protected:
    bool OnInitDialog() override;

private:
    rows::RowStore m_rows{1};
};
