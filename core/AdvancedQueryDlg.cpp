#include "core/AdvancedQueryDlg.h"

#include "compose/DialogButtons.h"
#include "core/GbkLimitValidator.h"
#include "platform/TextCodec.h"
#include "uikit/FlatComboBox.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinEdit.h"
#include "uikit/SkinGroupBox.h"

#include <QDateEdit>
#include <QLabel>

using codec::FromQ;
using codec::ToQ;

namespace {
struct TypeItem {
    const char* text;
    int code;
};
constexpr TypeItem kTypes[] = {
    {"<全部信息>", 0},     {"<全部短信>", 16},    {"<全部彩信>", 32},   {"<发送信息>", 1},   {"<接收信息>", 5},
    {"已发送短信", 17},    {"已送达短信", 19},    {"发送失败短信", 18}, {"接收短信", 21},    {"已发送彩信", 33},
    {"已送达彩信", 35},    {"被拒收彩信", 36},    {"发送失败彩信", 34}, {"接收彩信", 37},
};

QLabel* Label(QWidget* parent, const char* text, int x, int y, int cx) {
    auto* l = new QLabel(ToQ(text), parent);
    CSkinDialog::PlaceDlu(l, x, y, cx, 10);
    return l;
}

CSkinEdit* Edit(QWidget* parent, int id, int maxBytes, int x, int y) {
    auto* e = new CSkinEdit(parent);
    e->setObjectName(QString::number(id));
    e->setValidator(new CGbkLimitValidator(maxBytes, e));
    CSkinDialog::PlaceDlu(e, x, y, 130, 13);
    return e;
}

QDateEdit* DatePicker(QWidget* parent, int id, const clk::LocalTime& t, int x, int y) {
    auto* d = new QDateEdit(QDate(t.year, t.month, t.day), parent);
    d->setObjectName(QString::number(id));
    d->setDisplayFormat("yyyy-M-d");
    d->setCalendarPopup(true);
    CSkinDialog::PlaceDlu(d, x, y, 62, 13);
    return d;
}

clk::LocalTime DateOf(const QDate& d) {
    clk::LocalTime t;
    t.year = d.year();
    t.month = d.month();
    t.day = d.day();
    t.dayOfWeek = clk::DayOfWeek(t.year, t.month, t.day);
    return t;
}
}  // namespace

CAdvancedQueryDlg::CAdvancedQueryDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    setObjectName(QString::number(IDD));
    setWindowTitle(ToQ("高级查询设置"));
    m_timeFrom = m_timeTo = clk::Now();

    Label(this, "消息类型：", 12, 26, 60);
    m_comboType = new CFlatComboBox(this);
    m_comboType->setObjectName("1026");
    for (const TypeItem& t : kTypes) m_comboType->addItem(ToQ(t.text));
    PlaceDlu(m_comboType, 74, 24, 100, 13);

    Label(this, "联系人姓名：", 12, 44, 60);
    m_editName = Edit(this, 1023, kNameBytes, 74, 42);
    Label(this, "※", 206, 44, 10);
    Label(this, "消息号码：", 12, 62, 60);
    m_editNumber = Edit(this, 1044, kNumberBytes, 74, 60);
    Label(this, "※", 206, 62, 10);
    Label(this, "彩信标题（或短信内容）：", 12, 80, 100);
    m_editText = Edit(this, 1045, kTextBytes, 74, 92);
    Label(this, "※", 206, 94, 10);

    Label(this, "时间范围：", 12, 112, 60);
    m_dateFrom = DatePicker(this, 1191, m_timeFrom, 74, 110);
    Label(this, "---", 138, 112, 10);
    m_dateTo = DatePicker(this, 1192, m_timeTo, 150, 110);
    const int frameIds[4] = {1349, 1348, 1351, 1350};
    for (int i = 0; i < 4; ++i) {
        m_frames[i] = new CSkinGroupBox(this);
        m_frames[i]->setObjectName(QString::number(frameIds[i]));
        m_frames[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    Label(this, "注：※号项均支持模糊查询，不需要输入完整信息。", 12, 128, 190);
    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 50, 110, 146);
    SetDialogSizeDlu(220, 166);
}

int CAdvancedQueryDlg::QueryTypeOf(const std::string& item) {
    for (const TypeItem& t : kTypes)
        if (item == t.text) return t.code;
    return 0;
}

bool CAdvancedQueryDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    // Two frames on each picker: on its outline (a pixel short at the right and bottom) and a
    // pixel inside it.
    const QDateEdit* pickers[2] = {m_dateFrom, m_dateTo};
    for (int i = 0; i < 2; ++i) {
        const QRect r = pickers[i]->geometry();
        m_frames[2 * i]->setGeometry(r.x(), r.y(), r.width() - 1, r.height() - 1);
        m_frames[2 * i + 1]->setGeometry(r.x() + 1, r.y() + 1, r.width() - 3, r.height() - 3);
        m_frames[2 * i]->raise();
        m_frames[2 * i + 1]->raise();
    }
    m_comboType->setCurrentIndex(0);
    setWindowTitle(ToQ("高级查询设置"));
    return true;
}

void CAdvancedQueryDlg::OnOK() {
    // The edits' validators keep each text within its limit.
    m_strQueryText = codec::CutToGbkBytes(FromQ(m_editText->text()), kTextBytes);
    m_strQueryName = codec::CutToGbkBytes(FromQ(m_editName->text()), kNameBytes);
    m_strQueryNumber = codec::CutToGbkBytes(FromQ(m_editNumber->text()), kNumberBytes);
    m_timeFrom = DateOf(m_dateFrom->date());
    m_timeTo = DateOf(m_dateTo->date());
    m_nQueryType = QueryTypeOf(FromQ(m_comboType->currentText()));
    CSkinDialog::OnOK();
}
