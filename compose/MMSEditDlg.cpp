#include "compose/MMSEditDlg.h"

#include "compose/DialogButtons.h"
#include "compose/MMSDialogs.h"
#include "compose/MMSLibrary.h"
#include "compose/MMSSinkDlg.h"
#include "compose/MmsSend.h"
#include "compose/MultiLineEdit.h"
#include "compose/SendMMSDlg.h"
#include "compose/SoundLength.h"
#include "compose/VoiceRecordDlg.h"
#include "core/GlobalImages.h"
#include "core/Helpers.h"
#include "core/PageGlobals.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/Seams.h"
#include "platform/StringFormat.h"
#include "platform/TextCodec.h"
#include "uikit/Resources.h"
#include "uikit/SkinScrollBar.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinCheckBox.h"
#include "uikit/SkinEdit.h"

#include <QAbstractScrollArea>
#include <QButtonGroup>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>

#include <cstring>

using codec::FromQ;
using codec::ToQ;

namespace sendmms {
std::optional<std::string> RunMMSEditor(QWidget* parent, const std::string& strPackage) {
    CMMSEditDlg dlg(parent);
    dlg.m_strPackagePath = strPackage;
    if (dlg.DoModal() != IDOK || dlg.m_strPackagePath.empty()) return std::nullopt;
    return dlg.m_strPackagePath;
}
}  // namespace sendmms

namespace {

constexpr const char* kTooBigSave = "保存彩信失败！\r\n\r\n系统设定彩信文件不能大于90K，请删除一些图片或声音后再保存！";
constexpr const char* kTooBigClose = "保存彩信失败！\r\n\r\n系统设定彩信文件不能大于90K，请删除一些信息后再保存！";
constexpr const char* kOver50K = "注意：彩信文件已经大于50K，某些手机型号不支持大于50K的彩信！";
constexpr const char* kWriteFailed = "保存彩信失败！请检查程序目录是否可以写入！";
constexpr const char* kBadImport = "选择的彩信资源文件无效！";
constexpr const char* kQmxFilter = "彩信资源文件(*.QMX)|*.QMX|";

// Frame strip and phone geometry (client coordinates).
constexpr int kStripLeft = 28, kStripTop = 353, kStripRight = 673, kStripBottom = 416;

// "%dK" of a file size; "0K" for a missing file (size -1).
std::string SizeK(long long bytes) { return StringPrintf("%dK", bytes >= 0 ? static_cast<int>((bytes + 1000) / 1000) : 0); }

// "G\N" of a package path: its folder's name, "\", and the file name less its last 4 characters.
std::string PackageLabel(const std::string& path) {
    const std::size_t last = path.find_last_of("/\\");
    if (last == std::string::npos) return path.size() > 4 ? path.substr(0, path.size() - 4) : std::string();
    const std::string file = path.substr(last + 1);
    const std::size_t prev = last ? path.find_last_of("/\\", last - 1) : std::string::npos;
    const std::string folder = path.substr(prev == std::string::npos ? 0 : prev + 1, last - (prev == std::string::npos ? 0 : prev + 1));
    return folder + "\\" + (file.size() > 4 ? file.substr(0, file.size() - 4) : std::string());
}

// The group and the name of a package in the library (name preset); false when cancelled.
bool AskGroupAndName(QWidget* parent, const std::string& preset, std::string& group, std::string& name) {
    CImportMMSGroupDlg dlg(parent);
    dlg.m_strName = preset;
    if (dlg.DoModal() != IDOK) return false;
    group = dlg.m_strGroup;
    name = dlg.m_strName;
    return true;
}

}  // namespace

// ---- construction ----

CMMSEditDlg::CMMSEditDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    setObjectName(QString::number(IDD));
    setWindowTitle(ToQ("编辑彩信"));
    setFixedSize(700, 470);
    setMouseTracking(true);

    const struct {
        int id;
        const char* text;
        int x, w;
        void (CMMSEditDlg::*fn)();
    } tools[] = {
        {1014, "新建", 28, 60, &CMMSEditDlg::OnBtnNew},        {1011, "打开", 94, 60, &CMMSEditDlg::OnBtnOpen},
        {1006, "导入", 160, 60, &CMMSEditDlg::OnBtnImport},    {1010, "保存", 226, 60, &CMMSEditDlg::OnBtnSave},
        {1002, "另存", 292, 60, &CMMSEditDlg::OnBtnSaveAs},    {1013, "高级设置", 358, 76, &CMMSEditDlg::OnBtnSettings},
        {1005, "预览", 440, 76, &CMMSEditDlg::OnBtnPreview},
    };
    for (const auto& t : tools) {
        CSkinButton* b = MakeButton(this, t.id, t.text, QRect(t.x, 34, t.w, 24));
        connect(b, &QPushButton::clicked, this, [this, fn = t.fn] { (this->*fn)(); });
        if (t.id == 1005) m_btnPreview = b;
    }
    m_lblName = MakeLabel(this, 1283, "彩信名称：新建彩信--未命名", QRect(28, 64, 640, 20));

    m_lblFrame = MakeLabel(this, 1288, "1帧", QRect(220, 90, 120, 20));
    const char* pageNames[kPages] = {"第一页", "第二页", "第三页", "第四页", "第五页",
                                     "第六页", "第七页", "第八页", "第九页", "第十页"};
    // The current page's button stays pushed in: one of the ten at a time.
    auto* pageGroup = new QButtonGroup(this);
    for (int i = 0; i < kPages; ++i) {
        m_btnPages[i] = MakeButton(this, 1317 + i, pageNames[i], QRect(220 + (i / 5) * 72, 114 + (i % 5) * 28, 66, 24));
        m_btnPages[i]->setCheckable(true);
        pageGroup->addButton(m_btnPages[i]);
        connect(m_btnPages[i], &QPushButton::clicked, this, [this, i] { SelectPage(i); });
    }

    MakeLabel(this, 0, "本帧播放时间长度：", QRect(220, 262, 120, 22));
    m_editPlayTime = new CSkinEdit(this);
    m_editPlayTime->setObjectName("1043");
    m_editPlayTime->setGeometry(340, 262, 40, 22);
    m_editPlayTime->setMaxLength(3);
    m_editPlayTime->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), m_editPlayTime));
    connect(m_editPlayTime, &QLineEdit::textEdited, this, [this] { OnChangePlayTime(); });
    CSkinButton* up = MakeButton(this, 1003, "▲", QRect(382, 262, 18, 11));
    CSkinButton* down = MakeButton(this, 1051, "▼", QRect(382, 273, 18, 11));
    connect(up, &QPushButton::clicked, this, [this] { OnBtnTimeUp(); });
    connect(down, &QPushButton::clicked, this, [this] { OnBtnTimeDown(); });
    MakeLabel(this, 0, "秒", QRect(404, 262, 20, 22));
    m_chkAutoTurn = new CSkinCheckBox(ToQ("在手机上自动翻屏显示"), this);
    m_chkAutoTurn->setObjectName("1020");
    m_chkAutoTurn->setGeometry(220, 292, 200, 20);
    connect(m_chkAutoTurn, &QCheckBox::toggled, this, [this] { OnCheckAutoTurn(); });

    const struct {
        int id;
        const char* text;
        void (CMMSEditDlg::*fn)();
    } frameOps[] = {
        {1009, "设置文字", &CMMSEditDlg::OnBtnSetText},      {1004, "删除文字", &CMMSEditDlg::OnBtnDeleteText},
        {1007, "设置图片", &CMMSEditDlg::OnBtnSetImage},     {1016, "删除图片", &CMMSEditDlg::OnBtnDeleteImage},
        {1008, "设置声音", &CMMSEditDlg::OnBtnSetSound},     {1012, "删除声音", &CMMSEditDlg::OnBtnDeleteSound},
        {1049, "设置其他类型", &CMMSEditDlg::OnBtnSetOther}, {1048, "删除其他类型", &CMMSEditDlg::OnBtnDeleteOther},
    };
    for (int i = 0; i < 8; ++i) {
        CSkinButton* b = MakeButton(this, frameOps[i].id, frameOps[i].text, QRect(450 + (i % 2) * 112, 90 + (i / 2) * 30, 104, 24));
        connect(b, &QPushButton::clicked, this, [this, fn = frameOps[i].fn] { (this->*fn)(); });
        if (frameOps[i].id == 1008) m_btnSetSound = b;
    }
    const char* infoNames[4] = {"图片大小：", "声音大小：", "声音长度：", "彩信大小："};
    QLabel** infoLabels[4] = {&m_lblImage, &m_lblSound, &m_lblSoundTime, &m_lblTotal};
    const int infoIds[4] = {1285, 1286, 1297, 1284};
    for (int i = 0; i < 4; ++i) {
        MakeLabel(this, 0, infoNames[i], QRect(450, 222 + i * 24, 72, 20));
        *infoLabels[i] = MakeLabel(this, infoIds[i], i == 3 ? "1K" : (i == 2 ? "0秒" : "0K"), QRect(524, 222 + i * 24, 100, 20));
    }

    CSkinButton* ok = MakeButton(this, 1, "保存退出", QRect(500, 430, 84, 26));
    CSkinButton* cancel = MakeButton(this, 2, "取消", QRect(594, 430, 84, 26));
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });

    m_editText = new CMultiLineEdit(this);
    m_editText->setObjectName("1047");
    m_editText->setReadOnly(true);
    m_editText->setFrameShape(QFrame::NoFrame);
    m_editText->hide();

    m_preview.m_pHost = this;
    m_preview.m_pTextCtrl = m_editText;
    m_preview.m_nLeft = 56;
    m_preview.m_nTop = 103;
}

CMMSEditDlg::~CMMSEditDlg() {
    m_preview.Reset();
    m_preview.m_pHost = nullptr;
    m_preview.m_pTextCtrl = nullptr;
}

bool CMMSEditDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    m_preview.m_strWorkFolder = mmssend::AppStored("MakeTemp");
    paths::MakeDirs(paths::ToFsPath(m_preview.m_strWorkFolder));
    m_preview.ClearFrames();
    if (!m_strPackagePath.empty()) m_preview.Open(m_strPackagePath);
    ReloadPictures();
    setWindowTitle(ToQ("编辑彩信"));
    m_bmpPhone = uikit::res::Bitmap(382);
    m_dibFilm.Load(paths::AppFile("FilmBK.bmp"));
    m_nCurPage = -1;
    SelectPage(0);
    // The edits and lists get the thin skinned bars, painted by AnswerScrollBarDraw.
    for (QAbstractScrollArea* area : findChildren<QAbstractScrollArea*>()) uikit::SkinSB_SetupChild(area);
    return true;
}

bool CMMSEditDlg::event(QEvent* e) { return AnswerScrollBarDraw(e) || CSkinDialog::event(e); }

void CMMSEditDlg::OnDestroy() {
    m_preview.StopPreview();
    for (QImage& img : m_pictures) img = QImage();
    m_preview.Reset();  // clears "MakeTemp"
    CSkinDialog::OnDestroy();
}

// ---- refresh and frame view ----

void CMMSEditDlg::Refresh() {
    m_nCurPage = m_preview.m_nCurFrame;
    const int page = std::clamp(m_nCurPage, 0, mmspkg::kFrameCount - 1);
    m_editPlayTime->setText(QString::number(CMMSPreview::PlaySecondsOf(m_preview.Frame(page))));
    m_lblName->setText(ToQ(m_preview.m_strPath.empty() ? std::string("彩信名称：新建彩信--未命名")
                                                         : "彩信名称：" + PackageLabel(m_preview.m_strPath)));
    m_lblFrame->setText(ToQ(StringPrintf("%d帧", page + 1)));
    {
        // Showing the package's value is no edit of it.
        const QSignalBlocker quiet(m_chkAutoTurn);
        m_chkAutoTurn->setChecked(m_preview.m_bAutoPageTurn != 0);
    }
    ShowCurrentFrame();
    m_btnPages[page]->setChecked(true);
}

void CMMSEditDlg::UpdateTotal() {
    long long sum = 0;
    for (int i = 0; i < mmspkg::kFrameCount; ++i) {
        const char* names[5];
        mmspkg::FrameNames(m_preview.Frame(i), names);
        for (const char* n : names) {
            if (!*n || !mmspkg::IsPlainName(n)) continue;
            const long long size = paths::FileSize(m_preview.WorkFile(n));
            if (size > 0) sum += size;
        }
    }
    m_nTotalK = sum > 0 ? static_cast<int>((sum + 1000) / 1000) : 0;
    m_lblTotal->setText(ToQ(sum > 0 ? StringPrintf("%dK", m_nTotalK) : std::string("1K")));
}

void CMMSEditDlg::ShowCurrentFrame() {
    const MMSFrame& f = m_preview.Frame(std::clamp(m_nCurPage, 0, mmspkg::kFrameCount - 1));
    auto fileSize = [this](const char* name) -> long long {
        return *name && mmspkg::IsPlainName(name) ? paths::FileSize(m_preview.WorkFile(name)) : -1;
    };
    m_lblImage->setText(ToQ(SizeK(fileSize(f.szImage))));
    m_lblSound->setText(ToQ(SizeK(fileSize(f.szSound))));
    if (f.szSound[0] && mmspkg::IsPlainName(f.szSound))
        m_lblSoundTime->setText(ToQ(StringPrintf("%d秒", soundlen::ShownSeconds(soundlen::SoundLengthMs(m_preview.WorkFile(f.szSound))))));
    else
        m_lblSoundTime->setText(ToQ("0秒"));
    UpdateTotal();
    update();
}

void CMMSEditDlg::ReloadPicture(int nPage) {
    if (nPage < 0 || nPage >= kPages) return;
    m_pictures[nPage] = QImage();
    const char* name = m_preview.Frame(nPage).szImage;
    if (!*name || !mmspkg::IsPlainName(name)) return;
    QImageReader reader(QString::fromStdString(m_preview.WorkFile(name)));
    m_pictures[nPage] = reader.read();
}

void CMMSEditDlg::ReloadPictures() {
    for (int i = 0; i < kPages; ++i) ReloadPicture(i);
    update();
}

void CMMSEditDlg::AfterLoad() {
    ReloadPictures();
    m_nCurPage = -1;
    SelectPage(0);
}

void CMMSEditDlg::StopAndResetCaption() {
    m_preview.StopPreview();
    m_btnPreview->setText(ToQ("预览"));
}

void CMMSEditDlg::SelectPage(int nPage) {
    if (nPage < 0 || nPage >= kPages || nPage == m_nCurPage) return;
    StopAndResetCaption();
    m_preview.PlayFrameSound(nPage);
    Refresh();
}

bool CMMSEditDlg::HasContent() const {
    for (int i = 0; i < mmspkg::kFrameCount; ++i) {
        const MMSFrame& f = m_preview.Frames()[i];
        if (f.szText[0] || f.szImage[0] || f.szSound[0] || f.szApp[0] || f.szVideo[0]) return true;
    }
    return false;
}

void CMMSEditDlg::OnPreviewMessage(int nMsg) {
    if (nMsg == CMMSPreview::kMsgFrame)
        Refresh();
    else if (nMsg == CMMSPreview::kMsgNothing)
        StopAndResetCaption();
}

void CMMSEditDlg::timerEvent(QTimerEvent* e) {
    if (!m_preview.TakeTimer(m_timers.IdOf(e))) CSkinDialog::timerEvent(e);
}

// ---- the strip ----

void CMMSEditDlg::DrawFrameExtras(QPainter* p) {
    if (!m_bmpPhone.isNull()) p->drawImage(QRect(40, 90, 160, 235), m_bmpPhone);
    m_preview.DrawAnimationFrame(*p);
    if (m_dibFilm.IsLoaded()) m_dibFilm.Draw(*p, kStripLeft, kStripTop, 0, 0, 0, 0, 0, 0);
    p->save();
    p->setRenderHint(QPainter::SmoothPixmapTransform, true);
    QFont font("Arial");
    font.setPixelSize(14);
    font.setWeight(QFont::Normal);
    p->setFont(font);
    p->setPen(Qt::black);
    for (int i = 0; i < kPages; ++i) {
        const int x = 32 + 65 * i;
        if (!m_pictures[i].isNull()) p->drawImage(QRect(x, 363, 57, 45), m_pictures[i]);
        const MMSFrame& f = m_preview.Frame(i);
        if (f.szText[0]) p->drawText(QRect(x, 394, 40, 16), Qt::AlignLeft | Qt::AlignTop, ToQ("[文字]"));
        if (f.szSound[0]) p->drawText(QRect(x + 30, 394, 40, 16), Qt::AlignLeft | Qt::AlignTop, ToQ("[声音]"));
    }
    p->restore();
}

int CMMSEditDlg::StripPageAt(const QPoint& pt) {
    if (pt.x() <= kStripLeft || pt.x() >= kStripRight || pt.y() <= kStripTop || pt.y() >= kStripBottom) return -1;
    // The band's right end (668 to 672) lies over the last page's picture.
    return std::min((pt.x() - kStripLeft) / 64, kPages - 1);
}

void CMMSEditDlg::OnStripClick(const QPoint& pt) {
    const int page = StripPageAt(pt);
    if (page < 0) return;
    setCursor(uikit::res::HandCursor());
    SelectPage(page);
}

void CMMSEditDlg::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && StripPageAt(e->position().toPoint()) >= 0) {
        OnStripClick(e->position().toPoint());
        return;
    }
    CSkinDialog::mousePressEvent(e);
}

void CMMSEditDlg::mouseMoveEvent(QMouseEvent* e) {
    if (StripPageAt(e->position().toPoint()) >= 0)
        setCursor(uikit::res::HandCursor());
    else
        unsetCursor();
    CSkinDialog::mouseMoveEvent(e);
}

// ---- package buttons ----

void CMMSEditDlg::OnBtnNew() {
    m_preview.New();
    AfterLoad();
}

void CMMSEditDlg::OnBtnOpen() {
    const std::optional<std::string> chosen = sendmms::PickLibraryPackage(this);
    if (!chosen || chosen->empty()) return;
    m_preview.Open(mmssend::ToStored(*chosen));
    AfterLoad();
}

void CMMSEditDlg::OnBtnImport() {
    seam::FileDialogRequest req;
    req.title = "选择要打开的彩信资源文件名";
    req.filter = kQmxFilter;
    req.defaultExt = "QMX";
    const std::optional<std::string> chosen = seam::AskFile(req);
    if (!chosen) return;
    const std::string& source = *chosen;
    const std::size_t sep = source.find_last_of("/\\");
    if (sep == std::string::npos) {
        ShowMessage(kBadImport);
        return;
    }
    std::string preset = source.substr(sep + 1);
    if (const std::size_t dot = preset.rfind('.'); dot != std::string::npos) preset.erase(dot);
    std::string group, name;
    if (!AskGroupAndName(this, preset, group, name)) return;
    const std::string target = mmslib::PackagePath(group, name);
    const std::string fsTarget = paths::ToFsPath(target);
    if (paths::FileExists(fsTarget) && ShowMessage("彩信仓库中已经存在同名彩信！是否覆盖？", 1) != 1) return;
    const std::string fsSource = paths::ToFsPath(source);
    std::string data;
    // The source is read whole before the target is made, so importing a package onto itself keeps it.
    if (!paths::FileExists(fsSource) || paths::IsDirectory(fsSource) || !files::ReadWholeFile(fsSource, data)) {
        ShowMessage(kBadImport);
        return;
    }
    if (!files::WriteFileAtomic(fsTarget, data)) {
        ShowMessage("打开要覆盖的彩信时失败，请先关闭对该彩信的预览！");
        return;
    }
    m_preview.Open(target);
    AfterLoad();
}

bool CMMSEditDlg::SavePackage() {
    int shown = 0, withSound = 0;
    for (int i = 0; i < mmspkg::kFrameCount; ++i) {
        const MMSFrame& f = m_preview.Frame(i);
        if (f.szText[0] || f.szImage[0] || f.szSound[0]) {
            ++shown;
            withSound += f.szSound[0] ? 1 : 0;
        }
    }
    // A single frame with a sound is always written; its play time stays as the user set it.
    if (shown == 1 && withSound == 1) m_preview.m_bModified = 1;
    UpdateTotal();
    if (m_nTotalK > kMaxK) {
        ShowMessage(kTooBigSave);
        return false;
    }
    if (!m_preview.m_bModified) return !m_preview.m_strPath.empty();
    bool written = false;
    if (!m_preview.m_strPath.empty()) {
        written = m_preview.Save(m_preview.m_strPath, 1) != 0;
        if (!written && HasContent()) ShowMessage(kWriteFailed);
    } else {
        written = SaveAsPackage();
    }
    Refresh();
    if (written && m_nTotalK > kWarnK) ShowMessage(kOver50K);
    return written;
}

bool CMMSEditDlg::SaveAsPackage() {
    std::string group, name;
    if (!AskGroupAndName(this, "", group, name)) return false;
    const std::string oldPath = m_preview.m_strPath;
    const bool content = HasContent();
    if (!m_preview.Save(mmslib::PackagePath(group, name), 1)) {
        m_preview.m_strPath = oldPath;  // nothing was written there
        if (content) ShowMessage(kWriteFailed);
        return false;
    }
    if (g_pMMSSinkDlg) g_pMMSSinkDlg->FillGroupTree();
    return true;
}

void CMMSEditDlg::OnBtnSave() { SavePackage(); }

void CMMSEditDlg::OnBtnSaveAs() {
    if (SaveAsPackage()) Refresh();
}

void CMMSEditDlg::OnOK() {
    if (m_preview.m_strPath.empty() && !m_preview.m_bModified) {
        ShowMessage("新建信息为空，无可保存的内容！");
        return;
    }
    UpdateTotal();
    if (m_nTotalK > kMaxK) {
        ShowMessage(kTooBigClose);
        return;
    }
    if (!SavePackage() || m_preview.m_strPath.empty()) return;
    m_strPackagePath = m_preview.m_strPath;
    StopAndResetCaption();
    CSkinDialog::OnOK();
}

void CMMSEditDlg::OnCancel() {
    StopAndResetCaption();
    CSkinDialog::OnCancel();
}

void CMMSEditDlg::OnBtnSettings() { mmsedit::EditImageParams(this); }

void CMMSEditDlg::OnBtnPreview() {
    if (!m_preview.m_bPlaying) {
        m_preview.StartPreview();
        m_btnPreview->setText(ToQ("停止预览"));
    } else {
        StopAndResetCaption();
    }
}

// ---- frame content ----

void CMMSEditDlg::OnBtnSetText() {
    m_preview.SetText(m_nCurPage, "", 1);
    ShowCurrentFrame();
}

void CMMSEditDlg::OnBtnDeleteText() {
    m_preview.DeleteText(m_nCurPage);
    ShowCurrentFrame();
}

void CMMSEditDlg::OnBtnSetImage() {
    m_preview.SetImage(m_nCurPage, "", 1);
    ReloadPicture(m_nCurPage);
    ShowCurrentFrame();
}

void CMMSEditDlg::OnBtnDeleteImage() {
    m_preview.DeleteImage(m_nCurPage);
    ReloadPicture(m_nCurPage);
    ShowCurrentFrame();
}

void CMMSEditDlg::OnBtnSetSound() {
    QMenu menu(this);
    menu.setTitle(ToQ("制作彩信声音"));
    const std::pair<int, const char*> items[] = {
        {ID_SOUND_RING, "选择铃声文件"}, {ID_SOUND_VOICE, "选择语音文件"}, {ID_SOUND_RECORD, "现场录制语音"}};
    for (const auto& [id, text] : items) menu.addAction(ToQ(text))->setData(id);
    const QAction* chosen = menu.exec(m_btnSetSound->mapToGlobal(QPoint(0, m_btnSetSound->height())));
    if (chosen) OnSoundCommand(chosen->data().toInt());
}

void CMMSEditDlg::OnSoundCommand(int id) {
    switch (id) {
    case ID_SOUND_RING: {
        seam::FileDialogRequest req;
        req.title = "选择要设置的彩信声音文件名";
        req.filter = "铃声文件1(*.mid;*.mp3)|*.mid;*.mp3|铃声文件2(*.mmf;*.aac;*.mfm;*.adp)|*.mmf;*.aac;*.mfm;*.adp|";
        req.defaultExt = "mid";
        const std::optional<std::string> path = seam::AskFile(req);
        if (!path) return;
        m_preview.StopPreview();
        m_preview.SetSound(m_nCurPage, *path);
        break;
    }
    case ID_SOUND_VOICE:
        m_preview.StopPreview();
        m_preview.SetSound(m_nCurPage, "");
        break;
    case ID_SOUND_RECORD: {
        CVoiceRecordDlg dlg(this);
        if (dlg.DoModal() != IDOK) return;
        m_preview.StopPreview();
        m_preview.SetSound(m_nCurPage, mmssend::AppStored("CurR.amr"));
        break;
    }
    default: return;
    }
    ShowCurrentFrame();
}

void CMMSEditDlg::OnBtnDeleteSound() {
    m_preview.StopPreview();
    m_preview.DeleteSound(m_nCurPage);
    ShowCurrentFrame();
}

void CMMSEditDlg::OnBtnSetOther() {
    seam::FileDialogRequest req;
    req.title = "选择要设置的文件名";
    req.filter = "手机程序文件(*.jar;*.jad;*.sis)|*.jar;*.jad;*.sis|视频文件(*.3gp)|*.3gp|";
    req.defaultExt = "jar";
    const std::optional<std::string> path = seam::AskFile(req);
    if (!path) return;
    const std::string low = codec::AsciiLower(*path);
    if (low.find(".jar") != std::string::npos || low.find(".jad") != std::string::npos ||
        low.find(".sis") != std::string::npos)
        m_preview.SetApp(m_nCurPage, *path);
    else if (low.find(".3gp") != std::string::npos)
        m_preview.SetVideo(m_nCurPage, *path);
    ShowCurrentFrame();
}

void CMMSEditDlg::OnBtnDeleteOther() {
    m_preview.StopPreview();
    if (m_nCurPage < 0 || m_nCurPage >= mmspkg::kFrameCount) return;
    MMSFrame& f = m_preview.Frame(m_nCurPage);
    std::memset(f.szApp, 0, sizeof f.szApp);
    std::memset(f.szVideo, 0, sizeof f.szVideo);
    m_preview.m_bModified = 1;
    ShowCurrentFrame();
}

// ---- play time ----

void CMMSEditDlg::SetPlayTime(int nSeconds) {
    if (m_nCurPage < 0 || m_nCurPage >= mmspkg::kFrameCount) return;
    m_preview.Frame(m_nCurPage).nPlaySeconds = nSeconds;
    m_preview.m_bModified = 1;
}

void CMMSEditDlg::StepPlayTime(int nDelta) {
    if (m_nCurPage < 0 || m_nCurPage >= mmspkg::kFrameCount) return;
    // From the frame's play time (below 1 counts as 5, above 999 as 999), kept within 1 to 999.
    const int n = std::clamp(CMMSPreview::PlaySecondsOf(m_preview.Frame(m_nCurPage)) + nDelta, 1, 999);
    SetPlayTime(n);
    m_editPlayTime->setText(QString::number(n));
}

void CMMSEditDlg::OnBtnTimeUp() { StepPlayTime(1); }

void CMMSEditDlg::OnBtnTimeDown() { StepPlayTime(-1); }

void CMMSEditDlg::OnChangePlayTime() {
    SetPlayTime(std::clamp(m_editPlayTime->text().toInt(), 1, 999));
}

void CMMSEditDlg::OnCheckAutoTurn() {
    m_preview.m_bAutoPageTurn = m_chkAutoTurn->isChecked() ? 1 : 0;
    m_preview.m_bModified = 1;
}

// ---- picture size settings ----

CMMSParamDlg::CMMSParamDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    setObjectName(QString::number(IDD));
    setWindowTitle(ToQ("设置彩信配置信息"));
    setFixedSize(300, 170);
    MakeLabel(this, 0, "图像宽：", QRect(30, 44, 60, 22));
    m_editWidth = new CSkinEdit(this);
    m_editWidth->setObjectName("1043");
    m_editWidth->setGeometry(92, 44, 70, 22);
    MakeLabel(this, 0, "图像高：", QRect(30, 74, 60, 22));
    m_editHeight = new CSkinEdit(this);
    m_editHeight->setObjectName("1044");
    m_editHeight->setGeometry(92, 74, 70, 22);
    m_chkNoCompress = new CSkinCheckBox(ToQ("不对图片质量进行压缩。"), this);
    m_chkNoCompress->setObjectName("1020");
    m_chkNoCompress->setGeometry(30, 104, 240, 20);
    CSkinButton* ok = MakeButton(this, 1, "确定", QRect(110, 134, 76, 24));
    CSkinButton* cancel = MakeButton(this, 2, "取消", QRect(196, 134, 76, 24));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
}

bool CMMSParamDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    m_editWidth->setText(QString::number(m_nWidth));
    m_editHeight->setText(QString::number(m_nHeight));
    m_chkNoCompress->setChecked(m_bNoCompress != 0);
    return true;
}

void CMMSParamDlg::OnOK() {
    // Read as unsigned numbers: a negative or unreadable entry is out of range.
    bool okW = false, okH = false;
    const qulonglong w = m_editWidth->text().trimmed().toULongLong(&okW);
    const qulonglong h = m_editHeight->text().trimmed().toULongLong(&okH);
    if (!okW || !okH || w < 60 || w > 400 || h < 60 || h > 400) {
        ShowMessage("系统规定：图像长宽尺寸设置均应该在60到400之间！");
        return;
    }
    m_nWidth = static_cast<int>(w);
    m_nHeight = static_cast<int>(h);
    m_bNoCompress = m_chkNoCompress->isChecked() ? 1 : 0;
    CSkinDialog::OnOK();
}

namespace mmsedit {

bool WriteImageParams(const std::string& fsPath, int width, int height, int noCompress) {
    const std::int32_t v[3] = {width, height, noCompress};
    char bytes[12];
    for (int i = 0; i < 3; ++i)
        for (int b = 0; b < 4; ++b) bytes[i * 4 + b] = static_cast<char>((static_cast<std::uint32_t>(v[i]) >> (8 * b)) & 0xFF);
    return files::WriteFileAtomic(fsPath, std::string_view(bytes, sizeof bytes));
}

bool EditImageParams(QWidget* parent) {
    CMMSParamDlg dlg(parent);
    dlg.m_nWidth = g_nMMSImageWidth;
    dlg.m_nHeight = g_nMMSImageHeight;
    dlg.m_bNoCompress = g_bNoImageCompress;
    if (dlg.DoModal() != IDOK) return false;
    if (dlg.m_nWidth == g_nMMSImageWidth && dlg.m_nHeight == g_nMMSImageHeight && dlg.m_bNoCompress == g_bNoImageCompress)
        return false;
    g_nMMSImageWidth = dlg.m_nWidth;
    g_nMMSImageHeight = dlg.m_nHeight;
    g_bNoImageCompress = dlg.m_bNoCompress;
    if (!WriteImageParams(paths::AppFile("MMSParam.dat"), dlg.m_nWidth, dlg.m_nHeight, dlg.m_bNoCompress)) {
        ShowMessage("保存图像大小的设置失败！请检查程序目录是否可以写入！");
        return true;
    }
    ShowMessage("图像大小的设置已经修改，新制作的彩信文件将采用新的尺寸进行压缩！\r\n重新启动软件后部分设置才生效！");
    return true;
}

}  // namespace mmsedit
