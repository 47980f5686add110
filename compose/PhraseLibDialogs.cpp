#include "compose/PhraseLibDialogs.h"

#include "compose/DialogButtons.h"
#include "compose/PhraseFiles.h"
#include "core/GbkLimitValidator.h"
#include "core/Helpers.h"
#include "platform/RowStoreModel.h"
#include "platform/TextCodec.h"
#include "uikit/FlatComboBox.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinEdit.h"
#include "uikit/SortListCtrl.h"

#include <QApplication>
#include <QLabel>

using codec::FromQ;
using codec::ToQ;

CPhraseEditDlg::CPhraseEditDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    setObjectName(QString::number(IDD));
    SetDialogSizeDlu(260, 72);
    m_editText = new CSkinEdit(this);
    m_editText->setObjectName("1189");
    m_editText->setValidator(new CGbkLimitValidator(kMaxBytes, m_editText));
    PlaceDlu(m_editText, 12, 26, 236, 14);
    const struct { CSkinButton** b; const char* text; const char* id; int x; } buttons[] = {
        {&m_btnOK, "确 定", "1", 142}, {&m_btnCancel, "取 消", "2", 196}};
    for (const auto& b : buttons) {
        *b.b = new CSkinButton(ToQ(b.text), this);
        (*b.b)->setObjectName(b.id);
        PlaceDlu(*b.b, b.x, 50, 46, 14);
    }
    m_btnOK->setDefault(true);
    connect(m_btnOK, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_btnCancel, &QPushButton::clicked, this, [this] { OnCancel(); });
}

bool CPhraseEditDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    setWindowTitle(ToQ(m_strCaption));
    m_editText->setText(ToQ(m_strText));
    m_editText->setFocus();
    return true;
}

void CPhraseEditDlg::OnOK() {
    const std::string text = ReplaceQuotes(FromQ(m_editText->text()));
    m_editText->setText(ToQ(text));
    if (text.empty()) {
        ShowMessage("内容不能为空！");
        return;
    }
    m_strText = text;
    CSkinDialog::OnOK();
}

CInsertPhraseDlg::CInsertPhraseDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    setObjectName(QString::number(IDD));
    setWindowTitle(ToQ("从短语库中插入短语"));
    SetDialogSizeDlu(300, 200);
    m_lblType = new QLabel(ToQ("选择短语类型："), this);
    PlaceDlu(m_lblType, 10, 26, 60, 12);
    m_comboType = new CFlatComboBox(this);
    m_comboType->setObjectName("1026");
    PlaceDlu(m_comboType, 70, 24, 140, 14);
    m_list = new uikit::CSortListCtrl(this);
    m_list->setObjectName("1011");
    m_list->EnableSort(false);  // the list keeps the file's order
    m_list->SetStore(m_rows);
    m_list->Model()->SetGbkCells(true);  // the rows hold the records' bytes
    m_list->InsertColumn(0, ToQ(" 常用短语内容"), uikit::LVCFMT_LEFT, 1200);
    m_list->SetGridLines(true);
    m_list->SetShowSelAlways(true);
    PlaceDlu(m_list, 10, 44, 280, 128);
    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 190, 244, 180);
    connect(m_comboType, &QComboBox::currentIndexChanged, this, [this] { OnSelchangeType(); });
    connect(m_list, &QAbstractItemView::doubleClicked, this, [this] { OnOK(); });
}

// The list follows its row store, a member: it goes first.
CInsertPhraseDlg::~CInsertPhraseDlg() { delete m_list; }

std::optional<std::string> CInsertPhraseDlg::Pick(QWidget* parent) {
    CInsertPhraseDlg dlg(parent);
    if (dlg.DoModal() != IDOK) return std::nullopt;
    return dlg.m_strPhrase;
}

bool CInsertPhraseDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    const QSignalBlocker block(m_comboType);
    m_comboType->clear();
    for (const std::string& type : phrasefiles::ListTypes()) m_comboType->addItem(ToQ(type));
    if (m_comboType->count() > 0) {
        m_comboType->setCurrentIndex(0);
        LoadPhrases(FromQ(m_comboType->itemText(0)));
    } else {
        m_rows.Clear();
        m_list->Model()->Sync();
    }
    return true;
}

void CInsertPhraseDlg::OnSelchangeType() {
    const int i = m_comboType->currentIndex();
    if (i < 0) return;
    LoadPhrases(FromQ(m_comboType->itemText(i)));
}

void CInsertPhraseDlg::LoadPhrases(const std::string& type) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::vector<rows::PackedRow> phrases;
    phrasefiles::ReadPhraseRows(phrasefiles::TypeFile(type), phrases, m_rows.ColumnCount());
    m_rows.AssignPacked(std::move(phrases));
    m_list->Model()->Sync();
    QApplication::restoreOverrideCursor();
}

void CInsertPhraseDlg::OnOK() {
    const std::vector<int> selected = m_list->GetSelectedRows();
    if (selected.empty()) {
        ShowMessage("请先选中要插入的短语！");
        return;
    }
    m_strPhrase = codec::FromGbk(m_rows.Cell(m_list->GetItemId(selected.front()), 0).value_or(std::string()));
    if (codec::GbkLength(m_strPhrase) < 2) {
        ShowMessage("选中的短语为空，请重新选择！");
        return;
    }
    CSkinDialog::OnOK();
}
