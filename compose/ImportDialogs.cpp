#include "compose/ImportDialogs.h"

#include "compose/DialogButtons.h"
#include "core/Helpers.h"
#include "platform/TextCodec.h"
#include "uikit/FlatComboBox.h"
#include "uikit/SkinEdit.h"

#include <QLabel>

using codec::FromQ;
using codec::ToQ;

namespace {
CFlatComboBox* DropList(CSkinDialog* dlg, int id, const std::vector<std::string>& items, int x, int y, int cx) {
    auto* c = new CFlatComboBox(dlg);
    c->setObjectName(QString::number(id));
    c->setEditable(false);
    for (const std::string& s : items) c->addItem(ToQ(s));
    c->setCurrentIndex(-1);
    CSkinDialog::PlaceDlu(c, x, y, cx, 14);
    return c;
}

std::string Selected(const CFlatComboBox* c) { return c->currentIndex() < 0 ? std::string() : FromQ(c->currentText()); }
}  // namespace

CImportSourceTableDlg::CImportSourceTableDlg(std::string prompt, QWidget* parent)
    : CSkinDialog(IDD, parent), m_strPrompt(std::move(prompt)) {
    setObjectName(QString::number(IDD));
    setWindowTitle(ToQ("导入字段在源文件中的所在表名"));
    SetDialogSizeDlu(200, 80);
    AddDlgLabel(this, "源文件中表名：", 12, 28, 60);
    m_editTableName = new CSkinEdit(this);
    m_editTableName->setObjectName("1043");
    PlaceDlu(m_editTableName, 72, 26, 116, 14);
    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 46, 108, 56);
}

void CImportSourceTableDlg::OnOK() {
    std::string name = FromQ(m_editTableName->text());
    name.erase(0, name.find_first_not_of(" \t\r\n"));
    if (name.find_first_not_of(" \t\r\n") == std::string::npos) name.clear();
    if (name.empty()) {
        ShowMessage(m_strPrompt);
        m_editTableName->setFocus();
        return;
    }
    m_strTableName = std::move(name);
    CSkinDialog::OnOK();
}

CImportTableDlg::CImportTableDlg(const std::vector<std::string>& tables, QWidget* parent) : CSkinDialog(IDD, parent) {
    setObjectName(QString::number(IDD));
    setWindowTitle(ToQ("导入字段在源文件中的所在表名"));
    SetDialogSizeDlu(200, 90);
    AddDlgLabel(this, "选择包含导入记录的表名：", 12, 26, 176);
    m_comboTables = DropList(this, 1026, tables, 12, 40, 176);
    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 46, 108, 66);
}

void CImportTableDlg::OnOK() {
    if (m_comboTables->currentIndex() < 0) {
        ShowMessage("请选择表名！");
        return;
    }
    m_strTableName = Selected(m_comboTables);
    CSkinDialog::OnOK();
}

CImportFieldMapDlg::CImportFieldMapDlg(const std::vector<std::string>& fields, QWidget* parent)
    : CSkinDialog(IDD, parent) {
    setObjectName(QString::number(IDD));
    setWindowTitle(ToQ("设置导入字段映射关系"));
    SetDialogSizeDlu(200, 100);
    AddDlgLabel(this, "手机号码：", 12, 30, 50);
    m_comboNumber = DropList(this, 1026, fields, 64, 28, 124);
    AddDlgLabel(this, "短信内容：", 12, 52, 50);
    m_comboContent = DropList(this, 1225, fields, 64, 50, 124);
    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 46, 108, 76);
}

void CImportFieldMapDlg::OnOK() {
    if (m_comboNumber->currentIndex() < 0) {
        ShowMessage("请选择号码对应的字段！");
        return;
    }
    if (m_comboContent->currentIndex() < 0) {
        ShowMessage("请选择短信内容对应的字段！");
        return;
    }
    m_strNumberField = Selected(m_comboNumber);
    m_strContentField = Selected(m_comboContent);
    CSkinDialog::OnOK();
}
