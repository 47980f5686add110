#include "compose/SendMMSDlg.h"

#include "compose/DialogButtons.h"
#include "compose/MmsSend.h"
#include "compose/RecipientList.h"
#include "compose/TimedSendDlg.h"
#include "compose/VoiceRecordDlg.h"
#include "core/FileUtil.h"
#include "core/GbkLimitValidator.h"
#include "core/GlobalImages.h"
#include "core/Globals.h"
#include "core/Helpers.h"
#include "core/MmsUpload.h"
#include "core/MsgRecord.h"
#include "core/OffUiCall.h"
#include "core/PageGlobals.h"
#include "core/PlatformClient.h"
#include "core/SendingListDlg.h"
#include "platform/AppPath.h"
#include "platform/Seams.h"
#include "platform/StringFormat.h"
#include "platform/TextCodec.h"
#include "uikit/ImageButton.h"
#include "uikit/PercentProgressCtrl.h"
#include "uikit/ScrollBarHooks.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinDialog.h"
#include "uikit/SkinEdit.h"

#include <QApplication>
#include <QButtonGroup>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimerEvent>

#include <filesystem>
#include <fstream>

using codec::FromQ;
using codec::ToQ;

int g_bSendMMSBusy = 0;

namespace {
constexpr int kTitleBytes = 60;
constexpr const char* kNoContentTitle = "还没有设置要发送的彩信内容！";
constexpr const char* kSaveFailed = "彩信内容文件保存失败，请检查程序目录是否可以写入！";
constexpr const char* kCopyFailed = "复制彩信文件到彩信库失败，彩信未发送！";
constexpr const char* kTooManyFiles = "彩信包含的文件过多，无法作为一条彩信发送！";

// A byte-for-byte copy, made whole or not at all.
bool CopyFileWhole(const std::string& from, const std::string& to) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(to).parent_path(), ec);
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
    if (!ec) return true;
    std::filesystem::remove(to, ec);
    return false;
}

// Clears the busy flag on every way out of the commit.
struct BusyScope {
    BusyScope() { g_bSendMMSBusy = 1; }
    ~BusyScope() { g_bSendMMSBusy = 0; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};
}  // namespace

CSendMMSDlg::CSendMMSDlg(QWidget* parent) : CPageDlg(IDD, parent) {
    static const int kRadioIds[8] = {1017, 1066, 1290, 1309, 1067, 1068, 1069, 1308};
    static const char* const kRadioTexts[8] = {"多媒体幻灯片", "手机铃声", "录音留言", "小说网文",
                                               "照片靓图",     "程序游戏", "视频录像", "MP3音乐"};
    m_group = new QButtonGroup(this);
    for (int i = 0; i < 8; ++i) {
        m_radios[i] = new QRadioButton(ToQ(kRadioTexts[i]), this);
        m_radios[i]->setObjectName(QString::number(kRadioIds[i]));
        m_radios[i]->setGeometry(270 + (i % 4) * 100, 6 + (i / 4) * 22, 98, 20);
        m_group->addButton(m_radios[i], i);
    }
    m_radios[0]->setChecked(true);

    MakeLabel(this, 0, "设置彩信标题名称：", QRect(270, 56, 120, 20));
    m_editTitle = new CSkinEdit(this);
    m_editTitle->setObjectName("1043");
    m_editTitle->setValidator(new CGbkLimitValidator(kTitleBytes, m_editTitle));
    m_editTitle->setGeometry(390, 56, 200, 20);
    m_labelName = MakeLabel(this, 1046, "", QRect(270, 84, 320, 20));
    m_btnChoose = MakeButton(this, 1052, mmssend::Kind(0).button, QRect(270, 110, 140, 26));
    m_btnEditSlides = MakeButton(this, 1275, "新建/编辑幻灯片彩信", QRect(420, 110, 170, 26));
    m_btnRecordVoice = MakeButton(this, 1005, "录制语音留言", QRect(420, 110, 170, 26));
    m_btnRecordVoice->hide();

    m_editText = new QPlainTextEdit(this);
    m_editText->setObjectName("1047");
    m_editText->setReadOnly(true);
    m_editText->hide();
    m_labelFrame = MakeLabel(this, 1284, "0/0帧", QRect(30, 8, 60, 18));
    m_labelSeconds = MakeLabel(this, 1285, "0秒", QRect(95, 8, 90, 18));
    m_labelBytes = MakeLabel(this, 1286, "0", QRect(190, 8, 60, 18));
    // The labels and player buttons stand above the phone.
    // The player buttons: hovered and normal pictures.
    const auto player = [this](int id, int bitmap, int x) {
        auto* b = new CImageButton(this);
        b->setObjectName(QString::number(id));
        b->setGeometry(x, 32, 40, 24);
        b->SetBitmaps(bitmap, QColor(0, 255, 0), bitmap + 1, QColor(0, 255, 0));
        return b;
    };
    m_btnPlay = player(1006, 643, 30);
    m_btnStop = player(1276, 645, 80);
    m_btnPrev = player(1007, 647, 130);
    m_btnNext = player(1008, 649, 180);

    m_labelCount = MakeLabel(this, 1101, "添加彩信接收者(当前已有0位)：", QRect(270, 146, 320, 18));
    m_recipients = new CRecipientList({1021, 1071, 1004, 1012, 1051, 1070}, "真的要清空列表中的彩信接收者吗？",
                                      [this] { UpdateRecipientCount(); }, this);
    m_recipients->setGeometry(270, 166, 450, 170);
    m_btnSendNow = MakeButton(this, 1002, "立即发送彩信", QRect(270, 342, 140, 28));
    m_btnSendTimed = MakeButton(this, 1003, "定时发送彩信", QRect(420, 342, 140, 28));
    m_btnSendCyclic = MakeButton(this, 1009, "循环发送彩信", QRect(570, 342, 140, 28));

    // Runs once per change of kind, for the radio that becomes checked.
    connect(m_group, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on) OnRadioKind(id);
    });
    connect(m_btnChoose, &QPushButton::clicked, this, &CSendMMSDlg::OnBtnChooseContent);
    connect(m_btnEditSlides, &QPushButton::clicked, this, &CSendMMSDlg::OnBtnEditSlides);
    connect(m_btnRecordVoice, &QPushButton::clicked, this, &CSendMMSDlg::OnBtnRecordVoice);
    connect(m_btnPlay, &QPushButton::clicked, this, &CSendMMSDlg::OnBtnPlay);
    connect(m_btnStop, &QPushButton::clicked, this, &CSendMMSDlg::OnBtnStop);
    connect(m_btnPrev, &QPushButton::clicked, this, &CSendMMSDlg::OnBtnPrevFrame);
    connect(m_btnNext, &QPushButton::clicked, this, &CSendMMSDlg::OnBtnNextFrame);
    connect(m_btnSendNow, &QPushButton::clicked, this, &CSendMMSDlg::OnBtnSendNow);
    connect(m_btnSendTimed, &QPushButton::clicked, this, &CSendMMSDlg::OnBtnSendTimed);
    connect(m_btnSendCyclic, &QPushButton::clicked, this, &CSendMMSDlg::OnBtnSendCyclic);
    OnInitDialog();
}

CSendMMSDlg::~CSendMMSDlg() {
    StopPlaying();
    uikit::RemoveScrollBarHooks();  // the edit drops its bars when it goes
    m_preview.m_pHost = nullptr;
    m_preview.m_pTextCtrl = nullptr;
    if (g_pSendMMSDlg == this) g_pSendMMSDlg = nullptr;
}

void CSendMMSDlg::OnInitDialog() {
    m_preview.m_pHost = this;
    m_preview.m_pTextCtrl = m_editText;
    // The screen sits 27 px higher than (66, 170), so the phone around it ends inside the page.
    m_preview.m_nLeft = 66;
    m_preview.m_nTop = 143;
    m_preview.m_strWorkFolder = mmssend::AppStored("SendTemp");
    paths::MakeDirs(paths::ToFsPath(m_preview.m_strWorkFolder));
    m_preview.ClearFrames();
    m_editText->setGeometry(m_preview.TextRect());
    // The text edit's thin skinned bars, every part painted from bitmap 334.
    uikit::InstallScrollBarHooks();
    CreateGlobalBitmapDC();
    uikit::SkinSB_SetupChild(m_editText);
    m_btnPlay->setToolTip(ToQ("播放彩信"));
    m_btnStop->setToolTip(ToQ("暂停播放"));
    m_btnPrev->setToolTip(ToQ("上一帧"));
    m_btnNext->setToolTip(ToQ("下一帧"));
    mmssend::ReadImageParams(paths::AppFile("MMSParam.dat"));
    PutTitle();
    UpdateRecipientCount();
}

bool CSendMMSDlg::UpdateData() {
    const std::string title = FromQ(m_editTitle->text());
    if (codec::GbkLength(title) > static_cast<std::size_t>(kTitleBytes)) {
        seam::StandardMessage("彩信标题最多60个字节，请删减后再发送！");
        m_editTitle->setFocus();
        return false;
    }
    m_strTitle = title;
    return true;
}

void CSendMMSDlg::PutTitle() { m_editTitle->setText(ToQ(m_strTitle)); }

void CSendMMSDlg::UpdateRecipientCount() {
    m_labelCount->setText(ToQ(StringPrintf("彩信接收者(当前已有%d位)：", m_recipients->GetCount())));
}

void CSendMMSDlg::OnPreviewMessage(int nMsg) {
    if (nMsg == CMMSPreview::kMsgFrame) OnShowFrame();
}

bool CSendMMSDlg::event(QEvent* e) { return AnswerScrollBarDraw(e) || CPageDlg::event(e); }

void CSendMMSDlg::timerEvent(QTimerEvent* e) {
    if (!m_preview.TakeTimer(m_timers.IdOf(e))) CPageDlg::timerEvent(e);
}

void CSendMMSDlg::paintEvent(QPaintEvent* e) {
    CPageDlg::paintEvent(e);
    QPainter p(this);
    // The phone around the preview, and the shown frame's sound mark above its screen.
    static const QPixmap phone(":/bmp/640.png");
    if (!phone.isNull()) p.drawPixmap(PhoneRect().topLeft(), phone);
    else p.fillRect(QRect(17, 70, 234, 306), QColor(64, 64, 64));
    p.fillRect(QRect(m_preview.m_nLeft - 10, m_preview.m_nTop - 10, 148, 220), Qt::white);
    m_preview.DrawAnimationFrame(p);
    static const QPixmap amrMark(":/bmp/641.png"), otherMark(":/bmp/642.png");
    if (m_nSoundMark) p.drawPixmap(SoundMarkRect(), m_nSoundMark == 641 ? amrMark : otherMark);
}

void CSendMMSDlg::SetByteCount(long long bytes) {
    m_labelBytes->setText(QString::number(bytes));
    m_preview.m_nFileSize = static_cast<int>(bytes);
}

void CSendMMSDlg::StopPlaying() {
    m_preview.StopPreview();
    sound::SystemSound().Stop();
    m_midi.Stop();
    m_midi.Close();
}

void CSendMMSDlg::TakeTitle() {
    const std::string title = FromQ(m_editTitle->text());
    if (codec::GbkLength(title) <= static_cast<std::size_t>(kTitleBytes)) m_strTitle = title;
}

void CSendMMSDlg::SelectKind(int nType) {
    m_radios[nType]->setChecked(true);
    OnRadioKind(nType);
}

void CSendMMSDlg::ResetContent() {
    // What was typed stays when the fields go back on screen.
    TakeTitle();
    StopPlaying();
    m_editText->clear();
    m_labelName->clear();
    m_labelBytes->setText("0");
    m_labelFrame->setText(ToQ("0/0帧"));
    m_labelSeconds->setText(ToQ("0秒"));
    m_nVoiceLength = m_nFrameCount = m_nFrameSeconds = m_nCurFrame = 0;
    SetSoundMark();
    m_preview.Reset();
    if (m_nContentType == mmssend::kSlides) update();
    UpdateRecipientCount();
    PutTitle();
}

void CSendMMSDlg::OnRadioKind(int nType) {
    if (nType == m_nContentType) return;
    m_nContentType = nType;
    ResetContent();
    m_nVoiceLength = 0;
    m_strContentPath.clear();
    m_labelName->clear();
    m_labelFrame->setText(ToQ("0/0帧"));
    m_labelSeconds->setText(ToQ("0秒"));
    update();
    m_btnChoose->setText(ToQ(mmssend::Kind(nType).button));
    m_btnEditSlides->setVisible(nType == mmssend::kSlides);
    m_btnRecordVoice->setVisible(nType == mmssend::kVoice);
}

void CSendMMSDlg::OnBtnChooseContent() {
    if (m_nContentType == mmssend::kSlides)
        LoadSlides({});
    else
        LoadContent(m_nContentType, {});
}

void CSendMMSDlg::LoadContent(int nType, const std::string& strPath) {
    const mmssend::ContentKind& k = mmssend::Kind(nType);
    if (nType <= mmssend::kSlides || nType >= mmssend::kKindCount) return;
    std::string path = strPath;
    if (path.empty()) {
        if (!UpdateData()) return;
        seam::FileDialogRequest req;
        req.title = k.title;
        req.filter = k.filter;
        req.defaultExt = k.ext;
        const std::optional<std::string> chosen = seam::AskFile(req);
        if (!chosen) return;
        path = *chosen;
    }
    const long long size = paths::FileSize(paths::ToFsPath(path));
    if (size < 0) return;
    if (const std::string refusal = mmssend::Refusal(nType, path, size); !refusal.empty()) {
        ShowMessage(refusal);
        return;
    }
    if (nType != m_nContentType) SelectKind(nType);
    ResetContent();
    int seconds = k.playSeconds;
    std::string secondsLabel = k.secondsLabel ? k.secondsLabel : "";
    bool put = false;
    switch (k.field) {
    case mmssend::Field::Sound: put = !m_preview.SetSound(0, path).empty(); break;
    case mmssend::Field::Text: {
        std::string gbk;
        CMMSPackage::ReadWholeFile(paths::ToFsPath(path), gbk);
        m_preview.SetText(0, codec::FromGbk(gbk), 0);
        put = m_preview.Frame(0).szText[0] != 0;
        break;
    }
    case mmssend::Field::Image: put = m_preview.SetImage(0, path, 1) != 0; break;
    case mmssend::Field::App: put = m_preview.SetApp(0, path) != 0; break;
    case mmssend::Field::Video: put = m_preview.SetVideo(0, path) != 0; break;
    }
    if (nType == mmssend::kRingtone) {
        m_strRingPath = path;
        const long long ms = mmssend::RingtoneLengthMs(path);
        seconds = static_cast<int>(ms / 1000 + 2);
        secondsLabel = StringPrintf("%d秒。", static_cast<int>(ms / 1000 + 1));
    } else if (nType == mmssend::kVoice) {
        const std::string wav = paths::AppFile("CurR.dat");
        std::error_code ec;
        std::filesystem::remove(wav, ec);
        m_labelSeconds->setText(ToQ("请稍候，正在解析语音文件……"));
        const std::string amr = paths::ToFsPath(path);
        CallOffUi([&] {
            ConvertVoice(wav, amr, 0);
            return 0;
        });
        const long long wavSize = paths::FileSize(wav);
        m_nVoiceLength = static_cast<int>(wavSize > 0 ? wavSize / 16000 : 0);
        m_strVoiceWav = wav;
        seconds = m_nVoiceLength + 3;
        secondsLabel = StringPrintf("%d秒。", m_nVoiceLength);
    }
    m_preview.Frame(0).nPlaySeconds = seconds;
    m_nFrameSeconds = seconds;
    m_labelSeconds->setText(ToQ(secondsLabel));
    if (!SaveKindPackage(put, k.packageFile)) return;
    m_labelName->setText(ToQ(path));
    SetByteCount(size + 500);
    m_nFrameCount = 1;
    m_labelFrame->setText(ToQ("1/1帧"));
    if (m_strTitle.empty()) {
        m_strTitle = mmssend::TitleFromFile(path);
        PutTitle();
    }
    m_preview.PlayFrameSound(0);
    if (k.note) ShowMessage(k.note);
}

bool CSendMMSDlg::SaveKindPackage(bool put, const char* file) {
    const std::string pkg = mmssend::AppStored(file);
    if (!put || !m_preview.Save(pkg, 1)) {
        // A package file not written would send the previous content: nothing is kept.
        ResetContent();
        m_strContentPath.clear();
        ShowMessage(kSaveFailed);
        return false;
    }
    m_strContentPath = pkg;
    return true;
}

bool CSendMMSDlg::ShowOpenedSlides() {
    int frames = 0;
    for (int i = 0; i < mmspkg::kFrameCount; ++i) {
        const MMSFrame& f = m_preview.Frame(i);
        if (f.szText[0] || f.szImage[0] || f.szSound[0] || f.szApp[0] || f.szVideo[0]) frames = i + 1;
    }
    update();
    if (frames == 0) {
        // Opening emptied the page package: nothing is left to send.
        ResetContent();
        m_strContentPath.clear();
        ShowMessage("选择的彩信资源文件无效！");
        return false;
    }
    m_strContentPath = mmssend::ToStored(m_preview.m_strPath);
    m_nFrameCount = frames;
    m_nCurFrame = 0;
    m_labelFrame->setText(ToQ(StringPrintf("1/%d帧", frames)));
    std::string name;
    if (mmssend::PackageNameOf(m_strContentPath, name)) m_labelName->setText(ToQ(name));
    if (m_strTitle.empty()) {
        m_strTitle = mmssend::TitleFromPackage(m_strContentPath);
        PutTitle();
    }
    m_preview.PlayFrameSound(0);
    OnShowFrame();
    return true;
}

void CSendMMSDlg::LoadSlides(const std::string& strPath) {
    std::string path = strPath;
    if (path.empty()) {
        if (!UpdateData()) return;
        const std::optional<std::string> chosen = sendmms::PickLibraryPackage(window());
        if (!chosen || chosen->empty()) return;
        path = *chosen;
    }
    if (m_nContentType != mmssend::kSlides) SelectKind(mmssend::kSlides);
    if (!m_preview.Open(mmssend::ToStored(path))) return;
    ShowOpenedSlides();
}

void CSendMMSDlg::OnBtnEditSlides() {
    const std::optional<std::string> edited = sendmms::RunMMSEditor(window(), m_strContentPath);
    if (!edited) return;
    if (!UpdateData()) return;
    update();
    if (m_preview.Open(mmssend::ToStored(*edited))) ShowOpenedSlides();
}

void CSendMMSDlg::OnBtnRecordVoice() {
    CVoiceRecordDlg dlg(window());
    if (dlg.DoModal() != IDOK) return;
    m_nVoiceLength = dlg.m_nLength;
    m_preview.Frame(0).nPlaySeconds = m_nVoiceLength + 3;
    m_nFrameSeconds = m_nVoiceLength + 3;
    const std::string amr = mmssend::AppStored("CurR.amr");
    const bool put = !m_preview.SetSound(0, amr).empty();
    if (!SaveKindPackage(put, "Voice.QMX")) return;
    m_labelSeconds->setText(ToQ(StringPrintf("%d秒。", m_nVoiceLength)));
    m_nFrameCount = 1;
    m_labelFrame->setText(ToQ("1/1帧"));
    m_strVoiceWav = paths::AppFile("CurR.dat");
    SetByteCount(paths::FileSize(paths::ToFsPath(amr)) + 500);
}

void CSendMMSDlg::OnShowFrame() {
    m_nCurFrame = m_preview.m_nCurFrame;
    if (m_nCurFrame < 0 || m_nCurFrame >= mmspkg::kFrameCount) return;
    m_nFrameSeconds = CMMSPreview::PlaySecondsOf(m_preview.Frame(m_nCurFrame));
    m_labelSeconds->setText(ToQ(StringPrintf("%d秒", m_nFrameSeconds)));
    m_labelFrame->setText(ToQ(StringPrintf("%d/%d帧", m_nCurFrame + 1, m_nFrameCount)));
    m_labelBytes->setText(QString::number(m_preview.m_nFileSize));
    SetSoundMark();
}

QRect CSendMMSDlg::PhoneRect() const { return QRect(17, 70, 234, 300); }

QRect CSendMMSDlg::SoundMarkRect() const { return QRect(m_preview.m_nLeft + 118, m_preview.m_nTop - 34, 16, 16); }

void CSendMMSDlg::SetSoundMark() {
    int mark = 0;
    if (m_nContentType == mmssend::kSlides && m_nFrameCount > 0) {
        const std::string sound = m_preview.Frame(m_nCurFrame).szSound;
        const std::size_t at = codec::AsciiLower(sound).find(".amr");
        if (!sound.empty()) mark = at != std::string::npos && at > 0 ? 641 : 642;
    }
    if (mark == m_nSoundMark) return;
    m_nSoundMark = mark;
    update(SoundMarkRect());
}

void CSendMMSDlg::OnBtnPlay() {
    if (m_strContentPath.empty()) {
        ShowMessage("请先设置彩信内容，然后再播放彩信！");
        return;
    }
    switch (m_nContentType) {
    case mmssend::kSlides: m_preview.StartPreview(); break;
    case mmssend::kRingtone: {
        const std::size_t p = codec::AsciiLower(m_strRingPath).find(".mid");
        if (p == std::string::npos || p == 0) break;
        m_midi.Stop();
        m_midi.Close();
        if (m_midi.Open(paths::ToFsPath(m_strRingPath)) && !m_midi.Play()) WriteRunLog("MIDI: " + m_midi.LastError());
        break;
    }
    case mmssend::kVoice:
        if (!sound::SystemSound().PlayAsync(m_strVoiceWav)) WriteRunLog("WAV: " + sound::SystemSound().LastError());
        break;
    default: break;
    }
}

void CSendMMSDlg::OnBtnPrevFrame() {
    if (m_nContentType != mmssend::kSlides || !UpdateData()) return;
    if (m_nCurFrame > 0) --m_nCurFrame;
    m_preview.StopPreview();
    m_preview.PlayFrameSound(m_nCurFrame);
    OnShowFrame();
}

void CSendMMSDlg::OnBtnNextFrame() {
    if (m_nContentType != mmssend::kSlides || !UpdateData()) return;
    if (m_nCurFrame < m_nFrameCount - 1) ++m_nCurFrame;
    m_preview.StopPreview();
    m_preview.PlayFrameSound(m_nCurFrame);
    OnShowFrame();
}

void CSendMMSDlg::OnBtnStop() { StopPlaying(); }

// ---- the send commit ----

bool CSendMMSDlg::CheckTitle() {
    m_strTitle = codec::TrimAsciiSpace(m_strTitle);
    const char* refusal = m_strTitle.empty() ? "请输入彩信标题！"
                          : m_strTitle.find('@') != std::string::npos ? "彩信标题中不允许包含@符号！"
                                                                      : nullptr;
    if (!refusal) return true;
    ShowMessage(refusal);
    m_editTitle->setFocus();
    return false;
}

std::string CSendMMSDlg::UploadContentFiles(int nSerialNo) {
    const mmsupload::UploadPlan plan = mmsupload::PlanPackageUpload(m_preview, nSerialNo);
    if (plan.remote.empty() || codec::GbkLength(plan.list) >= sizeof(MsgRecord::szFiles)) return {};
    const int ok = CallOffUi([&plan] { return FtpUpload(plan.remote, plan.local); });
    return ok ? plan.list : std::string();
}

void CSendMMSDlg::OnBtnSendNow() {
    if (!UpdateData()) return;
    if (g_bSendMMSBusy == 1) return;
    BusyScope busy;
    if (!CheckTitle()) return;
    if (m_strContentPath.empty()) {
        ShowMessage(kNoContentTitle);
        return;
    }
    const int n = m_recipients->GetCount();
    if (n < 1) {
        ShowMessage("还没有指定彩信接收对象！");
        return;
    }
    const int balance = CallOffUi([] { return QueryMmsBalance(); });
    if (balance < n) {
        ShowMessage("剩余可发送彩信条数不够！");
        return;
    }
    std::string package;
    if (!mmssend::PackageNameOf(m_strContentPath, package)) {
        ShowMessage(kNoContentTitle);
        return;
    }
    // The uploaded-name list must fit the row before anything is copied or uploaded.
    if (codec::GbkLength(mmsupload::PlanPackageUpload(m_preview, g_nSerialNo.load()).list) >=
        sizeof(MsgRecord::szFiles)) {
        ShowMessage(kTooManyFiles);
        return;
    }
    const std::string stamp = mmssend::TimeStamp();
    if (!mmssend::IsLibraryPackage(m_strContentPath)) {
        const std::string copyName = mmssend::SafeName(m_strTitle) + "(" + stamp + ")";
        const std::string copy = paths::AppFile("MMSSink\\文件彩信\\" + copyName + ".qmx");
        if (!CopyFileWhole(paths::ToFsPath(m_strContentPath), copy)) {
            ShowMessage(kCopyFailed);
            return;
        }
        package = "文件彩信\\" + copyName;
    }
    const std::string files = mmsupload::UploadUnderSerial([this](int serial) { return UploadContentFiles(serial); });
    if (files.empty()) return;

    CSendingListDlg* queue = g_pSendingListDlg;
    if (!queue) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int first = CFileUtil::GetNextSerial(n + 10);
    CPercentProgressCtrl* bar = m_recipients->Bar();
    bar->SetRange(0, n / 30 + 3);
    bar->SetStartColor(QColor(0x0D, 0xE5, 0xC9));
    bar->SetEndColor(QColor(0xF0, 0x5C, 0x02));
    bar->SetBkColor(QColor(0xB6, 0xCA, 0xF7));
    bar->SetShowText(true);
    bar->SetPos(0);
    bar->show();
    const bool scheduled = !m_strSchedule.empty();
    const std::vector<std::string> entries = m_recipients->Entries();
    const mmssend::QueueResult r = mmssend::QueueRecipients(
        entries, sysinfo::NumberPrefix(g_SysInfo), first, scheduled,
        [&](int id, std::string numbers) {
            queue->AddMMSItem(id, std::move(numbers), files, m_strTitle, package, m_strSchedule, 0);
        },
        [bar](int pos) {
            bar->SetPos(pos);
            // Keeps painting; no input reaches the page meanwhile.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    m_recipients->ResetContent();
    bar->hide();
    QApplication::restoreOverrideCursor();
    ShowMessage(mmssend::ResultMessage(r));
    UpdateRecipientCount();
}

void CSendMMSDlg::OnBtnSendTimed() { SendScheduled(false); }
void CSendMMSDlg::OnBtnSendCyclic() { SendScheduled(true); }

void CSendMMSDlg::SendScheduled(bool cyclic) {
    if (!UpdateData()) return;
    if (g_bSendMMSBusy == 1) return;
    if (!CheckTitle()) return;
    if (m_strContentPath.empty()) {
        ShowMessage("还没有设置发送的彩信内容！");
        return;
    }
    if (m_recipients->GetCount() < 1) {
        ShowMessage("还没有指定彩信接收对象！");
        return;
    }
    if (!AskSchedule(window(), cyclic, m_strSchedule)) return;
    OnBtnSendNow();
    m_strSchedule.clear();
}
