#include "contacts/NumberLocationDlg.h"

#include "core/Helpers.h"
#include "platform/TextCodec.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinEdit.h"
#include "uikit/SkinGroupBox.h"

#include <QApplication>
#include <QButtonGroup>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTreeWidget>

namespace {

constexpr int kTreeTimer = 100;
const char* const kNotFound = "对不起，没有查询到该号码的归属地！";

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int w) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(x, y, w, 22);
    return l;
}

CSkinEdit* MakeEdit(QWidget* parent, int id, int x, int y, int w, bool digitsOnly, bool readOnly = false) {
    auto* e = new CSkinEdit(parent);
    if (id) e->setObjectName(QString::number(id));
    e->setGeometry(x, y, w, 22);
    if (digitsOnly) e->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), e));
    e->setReadOnly(readOnly);
    return e;
}

QString Q(const std::string& s) { return codec::ToQ(s); }

// The wait cursor and the list's redrawing held off for a scope.
class WaitAndHold {
public:
    explicit WaitAndHold(QWidget* w) : w_(w) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        w_->setUpdatesEnabled(false);
    }
    ~WaitAndHold() {
        w_->setUpdatesEnabled(true);
        QApplication::restoreOverrideCursor();
    }

private:
    QWidget* w_;
};

}  // namespace

CNumberLocationDlg::CNumberLocationDlg(QWidget* parent) : CPageDlg(150, parent) { OnInitDialog(); }

void CNumberLocationDlg::OnInitDialog() {
    // The page keeps the host's placement (the host lays every page over its own area).
    auto* left = new CSkinGroupBox("号码归属地查询", this);
    left->setGeometry(8, 4, 330, 366);
    MakeLabel(this, "手机号码：", 20, 30, 70);
    m_editNumber = MakeEdit(this, 1007, 92, 30, 140, true);
    m_editNumber->setMaxLength(11);
    m_btnQueryNumber = new CSkinButton("查 询", this);
    m_btnQueryNumber->setObjectName("1072");
    m_btnQueryNumber->setGeometry(244, 29, 76, 24);
    MakeLabel(this, "长途区号：", 20, 66, 70);
    m_editArea = MakeEdit(this, 1043, 92, 66, 140, true);
    m_btnQueryArea = new CSkinButton("查 询", this);
    m_btnQueryArea->setObjectName("1002");
    m_btnQueryArea->setGeometry(244, 65, 76, 24);
    connect(m_btnQueryNumber, &QPushButton::clicked, this, &CNumberLocationDlg::OnBtnQueryNumber);
    connect(m_btnQueryArea, &QPushButton::clicked, this, &CNumberLocationDlg::OnBtnQueryArea);

    const QString labels[5] = {"省份：", "城市：", "卡型：", "长途区号：", "邮编："};
    CSkinEdit** results[5] = {&m_editProvince, &m_editCity, &m_editCardType, &m_editAreaCode, &m_editZipCode};
    for (int i = 0; i < 5; ++i) {
        MakeLabel(this, labels[i], 20, 122 + 36 * i, 70);
        *results[i] = MakeEdit(this, 0, 92, 122 + 36 * i, 228, false, true);
    }

    auto* right = new CSkinGroupBox("号码段查询", this);
    right->setGeometry(346, 4, 376, 366);
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName("1206");
    m_tree->setHeaderHidden(true);
    m_tree->setGeometry(356, 26, 130, 334);
    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { OnSelchangedTree(current); });

    auto* group = new QButtonGroup(this);
    const int ids[4] = {1017, 1065, 1067, 1066};
    const QString texts[4] = {"所有号码", "移动号码", "指定范围号码", "联通号码"};
    const QRect places[4] = {{496, 26, 100, 22}, {604, 26, 100, 22}, {496, 50, 108, 22}, {604, 50, 100, 22}};
    for (int i = 0; i < 4; ++i) {
        m_radio[i] = new QRadioButton(texts[i], this);
        m_radio[i]->setObjectName(QString::number(ids[i]));
        m_radio[i]->setGeometry(places[i]);
        group->addButton(m_radio[i], i);
    }
    // Each handler runs when its radio becomes checked, whatever checked it.
    connect(m_radio[0], &QRadioButton::toggled, this, [this](bool on) { if (on) OnRadioAll(); });
    connect(m_radio[1], &QRadioButton::toggled, this, [this](bool on) { if (on) OnRadioMobile(); });
    connect(m_radio[2], &QRadioButton::toggled, this, [this](bool on) { if (on) OnRadioRange(); });
    connect(m_radio[3], &QRadioButton::toggled, this, [this](bool on) { if (on) OnRadioUnicom(); });

    MakeLabel(this, "13", 496, 78, 14);
    m_editStart = MakeEdit(this, 1044, 510, 78, 46, true);
    MakeLabel(this, "0000 ---> 13", 558, 78, 78);
    m_editEnd = MakeEdit(this, 1045, 636, 78, 46, true);
    MakeLabel(this, "9999", 684, 78, 32);
    for (CSkinEdit* e : {m_editStart, m_editEnd}) {
        e->setMaxLength(5);
        e->setEnabled(false);
    }

    m_list = new QListWidget(this);
    m_list->setObjectName("1011");
    m_list->setGeometry(496, 108, 216, 222);
    m_total = new QLabel("总计：0个号码段  0个号码", this);
    m_total->setObjectName("1193");
    m_total->setGeometry(496, 336, 220, 22);

    m_radio[0]->setChecked(true);
    m_timer.setInterval(1500);
    connect(&m_timer, &QTimer::timeout, this, [this] { OnTimer(kTreeTimer); });
    m_timer.start();
}

void CNumberLocationDlg::OnTimer(int nIDEvent) {
    if (nIDEvent != kTreeTimer) return;
    m_timer.stop();
    LoadAreaTree();
}

std::optional<NumberLocation> CNumberLocationDlg::LookupPrefix(const QString& number) {
    return numloc::LookupPrefix(codec::FromQ(number));
}

std::optional<NumberLocation> CNumberLocationDlg::LookupAreaCode(const QString& code) {
    return numloc::LookupAreaCode(codec::FromQ(code));
}

void CNumberLocationDlg::ClearResults() {
    for (CSkinEdit* e : {m_editProvince, m_editCity, m_editCardType, m_editAreaCode, m_editZipCode}) e->clear();
}

void CNumberLocationDlg::OnBtnQueryNumber() {
    const QString number = m_editNumber->text();
    if (number.size() < 7) {
        ShowMessage("至少要输入手机号码的前7位才能查询！");
        return;
    }
    const std::optional<NumberLocation> loc = LookupPrefix(number);
    if (!loc) {
        ClearResults();
        ShowMessage(kNotFound);
        return;
    }
    ShowLocation(*loc, true);
}

void CNumberLocationDlg::ShowLocation(const NumberLocation& loc, bool withCardType) {
    m_editProvince->setText(Q(loc.province));
    m_editCity->setText(Q(loc.city));
    m_editCardType->setText(withCardType ? Q(loc.cardType) : QString());
    m_editZipCode->setText(QString::asprintf("%06u", loc.zipCode));
    m_editAreaCode->setText(QString::asprintf("0%u", loc.areaCode));
}

void CNumberLocationDlg::OnBtnQueryArea() {
    QString code = m_editArea->text();
    if (code.size() < 3) {
        ShowMessage("至少要输入3位才能查询！");
        return;
    }
    if (code.startsWith('0')) code.remove(0, 1);
    const std::optional<NumberLocation> loc = LookupAreaCode(code);
    if (!loc) {
        ClearResults();
        ShowMessage(kNotFound);
        return;
    }
    ShowLocation(*loc, false);
}

int CNumberLocationDlg::RangeValue() const {
    for (int i = 0; i < 4; ++i)
        if (m_radio[i]->isChecked()) return i;
    return 0;
}

void CNumberLocationDlg::ShowSegments(const std::vector<uint32_t>& segments) {
    QStringList lines;
    lines.reserve(qsizetype(segments.size()));
    for (uint32_t p : segments) lines << QString::asprintf("%uxxxx", p);
    m_list->addItems(lines);
}

void CNumberLocationDlg::ListSegments(const QString& name) {
    m_list->clear();
    m_total->setText(Q(numloc::TotalText(0)));
    const numloc::SegmentRange range =
        numloc::RangeFor(RangeValue(), codec::FromQ(m_editStart->text()), codec::FromQ(m_editEnd->text()));
    if (!range.error.empty()) {
        ShowMessage(range.error);
        return;
    }
    std::size_t count = 0;
    {
        WaitAndHold hold(m_list);
        const std::vector<uint32_t> segments = numloc::FindSegments(codec::FromQ(name), range.low, range.high);
        ShowSegments(segments);
        count = segments.size();
    }
    m_total->setText(Q(numloc::TotalText(count)));
}

void CNumberLocationDlg::OnSelchangedTree(QTreeWidgetItem* current) {
    m_list->clear();
    m_total->setText(Q(numloc::TotalText(0)));
    if (current && current->parent()) ListSegments(current->text(0));
}

void CNumberLocationDlg::DisableRangeAndRelist() {
    for (CSkinEdit* e : {m_editStart, m_editEnd}) {
        e->setEnabled(false);
        e->clear();
    }
    const QList<QTreeWidgetItem*> selected = m_tree->selectedItems();
    if (!selected.isEmpty() && !selected.front()->text(0).isEmpty()) ListSegments(selected.front()->text(0));
}

void CNumberLocationDlg::OnRadioAll() { DisableRangeAndRelist(); }
void CNumberLocationDlg::OnRadioMobile() { DisableRangeAndRelist(); }
void CNumberLocationDlg::OnRadioUnicom() { DisableRangeAndRelist(); }

void CNumberLocationDlg::OnRadioRange() {
    for (CSkinEdit* e : {m_editStart, m_editEnd}) e->setEnabled(true);
}

void CNumberLocationDlg::LoadAreaTree() {
    m_tree->clear();
    for (const numloc::AreaItem& item : numloc::ReadAreaTree()) {
        auto* top = new QTreeWidgetItem(m_tree, QStringList{Q(item.text)});
        for (const std::string& child : item.children) new QTreeWidgetItem(top, QStringList{Q(child)});
    }
}
