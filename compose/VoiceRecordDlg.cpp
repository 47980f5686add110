#include "compose/VoiceRecordDlg.h"

#include "compose/VoiceRecorder.h"
#include "core/Helpers.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "uikit/SkinGroupBox.h"

#include <QLabel>
#include <QPointer>
#include <QTimerEvent>

#include <filesystem>

using codec::ToQ;

namespace {

constexpr int kTimerLength = 1, kTimerStop = 2, kTimerPlay = 3;

std::string TempWd() { return paths::AppFile("Temp.wd"); }
std::string CurRDat() { return paths::AppFile("CurR.dat"); }

void RemoveFile(const std::string& p) {
    std::error_code ec;
    std::filesystem::remove(p, ec);
}

CSkinButton* MakeButton(CSkinDialog* dlg, const char* text, int id, int x, int y) {
    auto* b = new CSkinButton(ToQ(text), dlg);
    b->setObjectName(QString::number(id));
    CSkinDialog::PlaceDlu(b, x, y, 40, 14);
    return b;
}

}  // namespace

CVoiceRecordDlg::CVoiceRecordDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    setObjectName(QString::number(IDD));
    setWindowTitle(ToQ("设置语音信息"));
    SetDialogSizeDlu(214, 122);
    m_group = new CSkinGroupBox(ToQ("录制声音文件（最大长度60秒）"), this);
    m_group->setObjectName("1219");
    PlaceDlu(m_group, 8, 22, 198, 72);
    m_btnRecord = MakeButton(this, "录音", 1002, 16, 38);
    m_btnStopRecord = MakeButton(this, "停止", 1003, 60, 38);
    m_btnPlay = MakeButton(this, "播放", 1005, 112, 38);
    m_btnStopPlay = MakeButton(this, "停止", 1012, 156, 38);
    m_lblLength = new QLabel(ToQ("当前声音长度：0秒。"), this);
    m_lblLength->setObjectName("1291");
    PlaceDlu(m_lblLength, 16, 60, 120, 12);
    m_lblSecond = new QLabel(ToQ("第0秒。"), this);
    m_lblSecond->setObjectName("1292");
    PlaceDlu(m_lblSecond, 140, 60, 60, 12);
    m_btnSaveAs = MakeButton(this, "另存", 1080, 16, 100);
    m_btnOK = MakeButton(this, "确定", 1, 112, 100);
    m_btnOK->setDefault(true);
    m_btnCancel = MakeButton(this, "取消", 2, 156, 100);
    connect(m_btnRecord, &QPushButton::clicked, this, [this] { OnBtnRecord(); });
    connect(m_btnStopRecord, &QPushButton::clicked, this, [this] { OnBtnStopRecord(); });
    connect(m_btnPlay, &QPushButton::clicked, this, [this] { OnBtnPlay(); });
    connect(m_btnStopPlay, &QPushButton::clicked, this, [this] { OnBtnStopPlay(); });
    connect(m_btnSaveAs, &QPushButton::clicked, this, [this] { OnBtnSaveAs(); });
    connect(m_btnOK, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_btnCancel, &QPushButton::clicked, this, [this] { OnCancel(); });
}

CVoiceRecordDlg::~CVoiceRecordDlg() { g_VoiceRecorder.SetWindow(nullptr); }

bool CVoiceRecordDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    g_VoiceRecorder.m_strRecordPath = TempWd();
    QPointer<CVoiceRecordDlg> self(this);
    g_VoiceRecorder.SetWindow([self](int msg) {
        if (self && msg == 0x69) self->OnPlayEnd();
    });
    m_btnStopRecord->setEnabled(false);
    m_btnStopPlay->setEnabled(false);
    m_lblSecond->hide();
    EnableRecorded(m_nLength >= 1);
    if (m_nLength >= 1) ShowLength();
    return true;
}

void CVoiceRecordDlg::SetTimer(int nId, int ms) { m_timers.Set(this, nId, ms); }
void CVoiceRecordDlg::KillTimer(int nId) { m_timers.Kill(nId); }
bool CVoiceRecordDlg::TimerActive(int nId) const { return m_timers.Active(nId); }

void CVoiceRecordDlg::timerEvent(QTimerEvent* e) {
    if (const int id = m_timers.IdOf(e); id >= 0) OnTimer(id);
    else CSkinDialog::timerEvent(e);
}

void CVoiceRecordDlg::ShowLength() {
    m_lblLength->setText(ToQ("当前声音长度：") + QString::number(m_nLength) + ToQ("秒。"));
}

void CVoiceRecordDlg::EnableRecorded(bool on) {
    m_btnPlay->setEnabled(on);
    m_btnOK->setEnabled(on);
    m_btnSaveAs->setEnabled(on);
}

void CVoiceRecordDlg::OnBtnRecord() {
    RemoveFile(TempWd());
    g_VoiceRecorder.m_strRecordPath = TempWd();
    g_VoiceRecorder.StartRecord();
    m_btnPlay->setEnabled(false);
    m_btnStopPlay->setEnabled(false);
    m_btnRecord->setEnabled(false);
    m_btnOK->setEnabled(false);
    m_btnSaveAs->setEnabled(false);
    m_btnStopRecord->setEnabled(true);
    m_nLength = 0;
    SetTimer(kTimerLength, 1000);
}

void CVoiceRecordDlg::OnBtnStopRecord() {
    KillTimer(kTimerLength);
    SetTimer(kTimerStop, 500);
    m_btnStopRecord->setEnabled(false);
    m_btnStopPlay->setEnabled(false);
    m_lblLength->setText(ToQ("处理中，请稍候……"));
}

void CVoiceRecordDlg::OnTimer(int nId) {
    if (nId == kTimerLength) {
        ++m_nLength;
        ShowLength();
        if (m_nLength > 59) OnBtnStopRecord();
    } else if (nId == kTimerStop) {
        KillTimer(kTimerLength);
        KillTimer(kTimerStop);
        g_VoiceRecorder.StopRecord();
        m_btnRecord->setEnabled(true);
        const long long size = paths::FileSize(TempWd());
        m_nLength = size > 0 ? static_cast<int>(size / 16000) : 0;
        EnableRecorded(m_nLength >= 1);
        ShowLength();
    } else if (nId == kTimerPlay) {
        ++m_nPlaySecond;
        m_lblSecond->setText(ToQ("第") + QString::number(m_nPlaySecond) + ToQ("秒。"));
    }
}

void CVoiceRecordDlg::OnBtnPlay() {
    // After "另存" the recording lives on in "CurR.dat".
    g_VoiceRecorder.m_strRecordPath = paths::FileExists(TempWd()) ? TempWd() : CurRDat();
    g_VoiceRecorder.StartPlay();
    m_btnPlay->setEnabled(false);
    m_btnStopRecord->setEnabled(false);
    m_btnRecord->setEnabled(false);
    m_btnStopPlay->setEnabled(true);
    m_lblSecond->setText(ToQ("第0秒。"));
    m_lblSecond->show();
    m_nPlaySecond = 0;
    SetTimer(kTimerPlay, 1000);
}

void CVoiceRecordDlg::OnBtnStopPlay() {
    g_VoiceRecorder.StopPlay();
    AfterPlay(true);
}

void CVoiceRecordDlg::OnPlayEnd() { AfterPlay(false); }

void CVoiceRecordDlg::AfterPlay(bool byButton) {
    m_btnStopRecord->setEnabled(false);
    m_btnStopPlay->setEnabled(false);
    m_btnRecord->setEnabled(true);
    if (m_nLength >= 1) {
        m_btnPlay->setEnabled(true);
        if (byButton) {
            m_btnOK->setEnabled(true);
            m_btnSaveAs->setEnabled(true);
        }
    }
    m_lblSecond->hide();
    KillTimer(kTimerPlay);
}

bool CVoiceRecordDlg::Compress(const std::string& amrPath) {
    g_VoiceRecorder.StopPlay();
    const std::string wav = TempWd();
    if (paths::FileExists(wav)) {
        std::string head, rec;
        bool ok = files::ReadWholeFile(paths::AppFile("wh.dat"), head) && head.size() >= 40 &&
                  files::ReadWholeFile(wav, rec) && rec.size() >= 42;
        if (ok) ok = files::WriteFileAtomic(CurRDat(), head.substr(0, 40) + rec.substr(42));
        if (ok) RemoveFile(wav);
    }
    RemoveFile(amrPath);
    if (paths::FileExists(CurRDat())) ConvertVoice(CurRDat(), amrPath, 1);
    std::string amr;
    files::ReadWholeFile(amrPath, amr);
    if (amr.compare(0, 6, "#!AMR\n") == 0) return true;
    RemoveFile(amrPath);
    ShowMessage("语音压缩失败，没有生成AMR声音文件！");
    return false;
}

void CVoiceRecordDlg::OnOK() {
    if (m_nLength == 0) {
        ShowMessage("请先录制要发送语音，然后再按确定！");
        return;
    }
    for (QWidget* b : {static_cast<QWidget*>(m_btnRecord), static_cast<QWidget*>(m_btnPlay),
                       static_cast<QWidget*>(m_btnSaveAs), static_cast<QWidget*>(m_btnOK),
                       static_cast<QWidget*>(m_btnCancel)})
        b->setEnabled(false);
    m_lblLength->setText(ToQ("正在压缩语音数据，请稍候……"));
    m_lblLength->repaint();
    if (!Compress(paths::AppFile("CurR.amr"))) {
        m_btnRecord->setEnabled(true);
        m_btnCancel->setEnabled(true);
        EnableRecorded(true);
        ShowLength();
        return;
    }
    EndDialog(IDOK);
}

void CVoiceRecordDlg::OnBtnSaveAs() {
    if (m_nLength == 0) {
        ShowMessage("请先录制要发送语音，然后再按确定！");
        return;
    }
    seam::FileDialogRequest req;
    req.save = true;
    req.title = "输入导出的amr手机声音文件名";
    req.filter = "amr声音文件(*.amr)|*.amr|";
    req.defaultExt = "amr";
    const std::optional<std::string> path = seam::AskFile(req);
    if (!path) return;
    m_lblLength->setText(ToQ("正在压缩语音数据，请稍候……"));
    m_lblLength->repaint();
    if (Compress(paths::ToFsPath(*path))) ShowMessage("语音文件保存完毕！");
    m_btnRecord->setEnabled(true);
    EnableRecorded(true);
    ShowLength();
}

void CVoiceRecordDlg::OnCancel() {
    KillTimer(kTimerLength);
    KillTimer(kTimerStop);
    KillTimer(kTimerPlay);
    g_VoiceRecorder.StopRecord();
    g_VoiceRecorder.StopPlay();
    EndDialog(IDCANCEL);
}
