#pragma once
// Shows the whole text of one SMS (template 418), read-only or editable.
#include <QDialog>
#include <string>

class QPlainTextEdit;

class CSMSTextDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSMSTextDlg(QWidget* parent = nullptr);
    int OnInitDialog();
    int DoModal();
    QPlainTextEdit* Edit() const { return m_edit; }

    std::string m_strText;  // bound to edit 1043 (CR LF line ends)
    int m_nReadOnly = 0;

protected:
    void accept() override;

private:
    QPlainTextEdit* m_edit;
};
