#include "compose/MMSDialogs.h"

#include "compose/DialogButtons.h"
#include "compose/MMSLibrary.h"
#include "compose/MMSPreview.h"
#include "compose/MMSSinkDlg.h"
#include "compose/MultiLineEdit.h"
#include "compose/PickerHooks.h"
#include "compose/SendMMSDlg.h"
#include "core/FileUtil.h"
#include "core/GbkLimitValidator.h"
#include "core/Helpers.h"
#include "core/PageGlobals.h"
#include "platform/AppPath.h"
#include "platform/TextCodec.h"
#include "uikit/FlatComboBox.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinEdit.h"
#include "uikit/SortListCtrl.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>

using codec::FromQ;
using codec::ToQ;

namespace {

QLabel* AddLabel(QWidget* parent, const char* text, int x, int y, int cx) {
    auto* label = new QLabel(ToQ(text), parent);
    CSkinDialog::PlaceDlu(label, x, y, cx, 12);
    return label;
}

CSkinEdit* AddEdit(QWidget* parent, int id, int x, int y, int cx) {
    auto* edit = new CSkinEdit(parent);
    edit->setObjectName(QString::number(id));
    CSkinDialog::PlaceDlu(edit, x, y, cx, 14);
    return edit;
}

CFlatComboBox* AddCombo(QWidget* parent, int id, bool editable, int x, int y, int cx) {
    auto* combo = new CFlatComboBox(parent);
    combo->setObjectName(QString::number(id));
    combo->setEditable(editable);
    if (editable) combo->setInsertPolicy(QComboBox::NoInsert);
    CSkinDialog::PlaceDlu(combo, x, y, cx, 14);
    return combo;
}

void FillGroups(CFlatComboBox* combo) {
    combo->clear();
    for (const std::string& group : mmslib::ListGroups()) combo->addItem(ToQ(group));
}

void Setup(CSkinDialog* dlg, int id, const char* caption, int cx, int cy) {
    dlg->setObjectName(QString::number(id));
    dlg->setWindowTitle(ToQ(caption));
    dlg->SetDialogSizeDlu(cx, cy);
}

bool PackageExists(const std::string& group, const std::string& name) {
    return paths::FileExists(paths::ToFsPath(mmslib::PackagePath(group, name)));
}

// The text without ASCII white space at its left.
std::string TrimLeft(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && codec::IsAsciiSpace(s[i])) ++i;
    return s.substr(i);
}

}  // namespace

// ---- CGroupNameDlg

CGroupNameDlg::CGroupNameDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    Setup(this, IDD, "新增彩信分组", 180, 84);
    m_lblName = AddLabel(this, "", 14, 28, 152);
    m_lblName->setObjectName("1269");
    m_editName = AddEdit(this, 1043, 14, 42, 152);
    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 40, 94, 64);
}

bool CGroupNameDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    m_lblName->setText(ToQ(m_strLabel));
    m_editName->setText(ToQ(m_strName));
    m_editName->setFocus();
    return true;
}

void CGroupNameDlg::OnOK() {
    const std::string name = FromQ(m_editName->text());
    if (name.empty()) {
        ShowMessage("彩信分组名称不能为空！");
        m_editName->setFocus();
        return;
    }
    if (!CFileUtil::CheckName(name)) return;
    if (paths::IsDirectory(mmslib::GroupFolder(name))) {
        ShowMessage("彩信分组名称已经存在！");
        return;
    }
    m_strName = name;
    CSkinDialog::OnOK();
}

// ---- CMMSRenameDlg

CMMSRenameDlg::CMMSRenameDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    Setup(this, IDD, "修改彩信名称", 196, 90);
    AddLabel(this, "彩信名称：", 12, 28, 44);
    m_editOldName = AddEdit(this, 1044, 58, 26, 126);
    m_editOldName->setReadOnly(true);
    AddLabel(this, "修改名称：", 12, 48, 44);
    m_editNewName = AddEdit(this, 1043, 58, 46, 126);
    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 48, 102, 70);
}

bool CMMSRenameDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    m_editOldName->setText(ToQ(m_strOldName));
    m_editNewName->setText(ToQ(m_strNewName.empty() ? m_strOldName : m_strNewName));
    m_editNewName->selectAll();
    m_editNewName->setFocus();
    return true;
}

void CMMSRenameDlg::OnOK() {
    const std::string name = TrimLeft(FromQ(m_editNewName->text()));
    if (name.empty()) {
        ShowMessage("请输入彩信的修改名称！");
        m_editNewName->setFocus();
        return;
    }
    if (!CFileUtil::CheckName(name)) return;
    if (name == m_strOldName) {
        EndDialog(IDCANCEL);
        return;
    }
    if (PackageExists(m_strGroup, name)) {
        ShowMessage("彩信仓库中已经存在同名彩信！");
        return;
    }
    m_strNewName = name;
    CSkinDialog::OnOK();
}

// ---- CImportMMSGroupDlg

CImportMMSGroupDlg::CImportMMSGroupDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    Setup(this, IDD, "设置彩信加入组和彩信名称", 206, 90);
    AddLabel(this, "彩信加入组名：", 12, 28, 58);
    m_cmbGroup = AddCombo(this, 1026, true, 72, 26, 122);
    AddLabel(this, "彩信名称：", 12, 48, 58);
    m_editName = AddEdit(this, 1044, 72, 46, 122);
    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 52, 108, 70);
}

bool CImportMMSGroupDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    FillGroups(m_cmbGroup);
    m_cmbGroup->setCurrentText(ToQ(m_strGroup));
    m_editName->setText(ToQ(codec::CutToGbkBytes(m_strName, kNameBytes)));
    return true;
}

void CImportMMSGroupDlg::OnOK() {
    // "." and ".." name no group folder of their own.
    const std::string group = codec::TrimAsciiSpace(FromQ(m_cmbGroup->currentText()));
    if (group.empty() || group == "." || group == "..") {
        ShowMessage("请选择要彩信要导入到的组名称！");
        m_cmbGroup->setFocus();
        return;
    }
    if (!CFileUtil::CheckName(group)) return;
    const std::string name = codec::TrimAsciiSpace(FromQ(m_editName->text()));
    if (name.empty()) {
        ShowMessage("请输入在本系统中彩信的名称！");
        m_editName->setFocus();
        return;
    }
    if (!CFileUtil::CheckName(name)) return;
    if (PackageExists(group, name) &&
        ShowMessage("指定目录下已经存在同名彩信文件,是否覆盖旧的同名彩信文件？", 1) != 1)
        return;
    const std::string folder = mmslib::GroupFolder(group);
    if (!paths::IsDirectory(folder)) {
        if (!paths::MakeDirs(folder)) {
            ShowMessage("彩信分组目录创建失败，请检查程序目录是否可以写入！");
            return;
        }
        if (g_pMMSSinkDlg) g_pMMSSinkDlg->FillGroupTree();
    }
    m_strGroup = group;
    m_strName = name;
    CSkinDialog::OnOK();
}

// ---- CInsertMMSDlg

CInsertMMSDlg::CInsertMMSDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    Setup(this, IDD, "从彩信仓库中插入彩信", 190, 200);
    AddLabel(this, "选择彩信分组：", 12, 28, 58);
    m_cmbGroup = AddCombo(this, 1026, false, 72, 26, 106);
    m_list = new uikit::CSortListCtrl(this);
    m_list->setObjectName("1011");
    m_list->SetStore(m_rows);
    m_list->InsertColumn(0, ToQ("彩信名称"), uikit::LVCFMT_LEFT, 230);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    PlaceDlu(m_list, 12, 46, 166, 124);
    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 44, 100, 178);
    m_btnOK->setText(ToQ(" 插入"));
    connect(m_cmbGroup, &QComboBox::currentIndexChanged, this, [this] { OnSelchangeGroup(); });
}

CInsertMMSDlg::~CInsertMMSDlg() { delete m_list; }  // before the rows it shows

bool CInsertMMSDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    const QSignalBlocker block(m_cmbGroup);
    FillGroups(m_cmbGroup);
    m_cmbGroup->setCurrentIndex(m_cmbGroup->count() > 0 ? 0 : -1);
    OnSelchangeGroup();
    return true;
}

void CInsertMMSDlg::OnSelchangeGroup() {
    std::vector<rows::RowData> packages;
    if (m_cmbGroup->currentIndex() >= 0)
        for (std::string& name : mmslib::ListPackages(FromQ(m_cmbGroup->currentText())))
            packages.push_back(rows::RowData{0, {std::move(name)}});
    m_rows.Assign(std::move(packages));
    m_list->Model()->Sync();
}

void CInsertMMSDlg::OnOK() {
    const std::vector<int> selected = m_list->GetSelectedRows();
    if (selected.empty() || m_cmbGroup->currentIndex() < 0) {
        ShowMessage("请先选中彩信！");
        return;
    }
    const std::optional<std::string> name = m_rows.Cell(m_list->GetItemId(selected.front()), 0);
    if (!name) {
        ShowMessage("请先选中彩信！");
        return;
    }
    m_strGroup = FromQ(m_cmbGroup->currentText());
    m_strName = *name;
    m_strPath = mmslib::PackagePath(m_strGroup, m_strName);
    CSkinDialog::OnOK();
}

// ---- CExportOptionDlg

CExportOptionDlg::CExportOptionDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    Setup(this, IDD, "信息导出设置", 176, 112);
    struct Radio {
        QRadioButton** radio;
        int id;
        const char* text;
        int y;
    };
    const Radio radios[] = {{&m_radioQmxs, 1017, "导出为qmxs文件类型", 26},
                            {&m_radioFiles, 1307, "导出为多个单一的资源文件", 40},
                            {&m_radioSink, 1066, "导出到彩信资源仓库", 60},
                            {&m_radioOutside, 1067, "导出到彩信系统之外", 74}};
    auto* type = new QButtonGroup(this);
    auto* dest = new QButtonGroup(this);
    for (const Radio& r : radios) {
        *r.radio = new QRadioButton(ToQ(r.text), this);
        (*r.radio)->setObjectName(QString::number(r.id));
        PlaceDlu(*r.radio, 16, r.y, 148, 12);
        (r.y < 60 ? type : dest)->addButton(*r.radio);
    }
    connect(m_radioQmxs, &QRadioButton::toggled, this, [this] { EnableDestination(); });
    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 36, 94, 92);
}

bool CExportOptionDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    (m_nType == 1 ? m_radioFiles : m_radioQmxs)->setChecked(true);
    (m_nDest == 1 ? m_radioOutside : m_radioSink)->setChecked(true);
    EnableDestination();
    return true;
}

void CExportOptionDlg::EnableDestination() {
    const bool qmxs = m_radioQmxs->isChecked();
    m_radioSink->setEnabled(qmxs);
    m_radioOutside->setEnabled(qmxs);
}

void CExportOptionDlg::OnOK() {
    m_nType = m_radioFiles->isChecked() ? 1 : 0;
    m_nDest = m_radioOutside->isChecked() ? 1 : 0;
    CSkinDialog::OnOK();
}

// ---- CFrameTextDlg

CFrameTextDlg::CFrameTextDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    Setup(this, IDD, "设置文字内容", 220, 170);
    AddLabel(this, "文本信息：", 12, 26, 60);
    m_editText = new CMultiLineEdit(this);
    m_editText->setObjectName("1015");
    m_editText->SetLimitBytes(kTextBytes);
    PlaceDlu(m_editText, 12, 40, 196, 102);
    m_btnPhrase = new CSkinButton(ToQ("从短语库中插入"), this);
    m_btnPhrase->setObjectName("1002");
    PlaceDlu(m_btnPhrase, 12, 150, 70, 14);
    connect(m_btnPhrase, &QPushButton::clicked, this, [this] { OnBtnInsertPhrase(); });
    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 110, 162, 150);
}

bool CFrameTextDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    m_editText->SetText(ToQ(m_strText));
    m_editText->setFocus();
    return true;
}

void CFrameTextDlg::OnBtnInsertPhrase() {
    const std::optional<std::string> phrase = picker::PickPhrase(this);
    if (!phrase) return;
    m_editText->SetText(m_editText->Text() + ToQ(*phrase));
    m_editText->setFocus();
}

void CFrameTextDlg::OnOK() {
    m_strText = FromQ(m_editText->Text());
    CSkinDialog::OnOK();
}

// ---- CMMSTitleDlg

CMMSTitleDlg::CMMSTitleDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    Setup(this, IDD, "设置彩信标题", 196, 70);
    AddLabel(this, "彩信标题：", 12, 28, 44);
    m_editTitle = AddEdit(this, 1043, 58, 26, 126);
    m_editTitle->setValidator(new CGbkLimitValidator(kTitleBytes, m_editTitle));
    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 48, 102, 50);
}

bool CMMSTitleDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    m_editTitle->setText(ToQ(codec::CutToGbkBytes(m_strTitle, kTitleBytes)));
    m_editTitle->selectAll();
    m_editTitle->setFocus();
    return true;
}

void CMMSTitleDlg::OnOK() {
    m_strTitle = FromQ(m_editTitle->text());
    CSkinDialog::OnOK();
}

// ---- the seams the send-MMS page and the preview wait on

namespace sendmms {
std::optional<std::string> PickLibraryPackage(QWidget* parent) {
    CInsertMMSDlg dlg(parent);
    if (dlg.DoModal() != IDOK) return std::nullopt;
    return dlg.m_strPath;
}
}  // namespace sendmms

std::optional<std::string> EditFrameText(QWidget* parent, const std::string& current) {
    CFrameTextDlg dlg(parent);
    dlg.m_strText = current;
    if (dlg.DoModal() != IDOK) return std::nullopt;
    return dlg.m_strText;
}
