#include "compose/MMSPreview.h"

#include "compose/MultiLineEdit.h"
#include "core/Helpers.h"
#include "core/OffUiCall.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/Process.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "uikit/WaitCursor.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPlainTextEdit>
#include <QWidget>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

const char* const kQmxFilter = "彩信资源文件(*.QMX)|*.QMX|";

bool HasShowable(const MMSFrame& f) { return f.szText[0] || f.szImage[0] || f.szSound[0]; }

// The given path, or for an empty one the path chosen in the file dialog (nothing: cancelled).
std::optional<std::string> PathOrAsk(const std::string& given, bool save, const char* title, const char* filter,
                                     const char* ext) {
    if (!given.empty()) return given;
    seam::FileDialogRequest req;
    req.save = save;
    req.title = title;
    req.filter = filter;
    req.defaultExt = ext;
    return seam::AskFile(req);
}

}  // namespace

CMMSPreview::CMMSPreview() {
    m_bAutoPageTurn = 1;
    m_bShowText = 1;
    m_bPreview = 0;
}

CMMSPreview::~CMMSPreview() {
    StopSounds();
    m_pImage = nullptr;
    FreePictures();
}

QWidget* CMMSPreview::Surface() const { return m_pHost ? m_pHost->PreviewSurface() : nullptr; }

void CMMSPreview::StopSounds() {
    sound::SystemSound().Stop();
    if (m_nMciDevice) {
        m_Midi.Close();
        m_nMciDevice = 0;
    }
}

void CMMSPreview::FreePictures() {
    m_pImage = nullptr;
    m_listPictures.clear();
}

void CMMSPreview::Invalidate() {
    if (QWidget* w = Surface()) w->update(RedrawRect());
}

void CMMSPreview::Post(int nMsg) {
    QWidget* w = Surface();
    if (!w) return;
    QPointer<QWidget> guard(w);
    IMMSPreviewHost* host = m_pHost;
    QMetaObject::invokeMethod(
        w, [guard, host, nMsg] {
            if (guard) host->OnPreviewMessage(nMsg);
        },
        Qt::QueuedConnection);
}

// ---- geometry ----

QRect CMMSPreview::PictureRect() const {
    if (!m_pImage || m_pImage->isNull()) return {};
    const int pw = m_pImage->width(), ph = m_pImage->height();
    const int w = std::min(pw, kScreenWidth);
    const int h = std::min(static_cast<int>(static_cast<long long>(w) * ph / pw), kPictureMaxHeight);
    const int left = pw < kScreenWidth ? (kScreenWidth - pw) / 2 : 0;
    return QRect(m_nLeft + left, m_nTop, w, h);
}

QRect CMMSPreview::TextRect() const {
    const int ph = m_pImage && !m_pImage->isNull() ? std::min(m_pImage->height(), kPictureMaxHeight) : 0;
    return QRect(m_nLeft + 1, m_nTop + ph, kScreenWidth, kTextBottom - ph);
}

QRect CMMSPreview::RedrawRect() const { return QRect(QPoint(m_nLeft - 10, m_nTop - 10), QPoint(m_nLeft + 128, m_nTop + 200)); }

int CMMSPreview::PlaySecondsOf(const MMSFrame& f) {
    if (f.nPlaySeconds < 1) return 5;
    return std::min(f.nPlaySeconds, 999);
}

// ---- package operations ----

void CMMSPreview::DeleteText(int nFrame) {
    CMMSPackage::DeleteText(nFrame);
    ShowFrame(nFrame);
}

void CMMSPreview::Reset() {
    StopSounds();
    m_bPlaying = 0;
    if (m_pHost) m_pHost->KillTimer(kTimerStep);
    m_nCurFrame = 0;
    m_bModified = 0;
    m_nFileSize = 0;
    m_nLastFrame = 0;
    m_pImage = nullptr;
    m_nGifFrame = 0;
    if (m_pHost) m_pHost->KillTimer(kTimerGif);
    ClearFolder();
    m_strPath.clear();
    if (m_pTextCtrl) {
        m_pTextCtrl->clear();
        m_pTextCtrl->hide();
    }
    FreePictures();
    CMMSPackage::Reset();
    Invalidate();
}

void CMMSPreview::New() {
    if (m_bModified == 1 && ShowMessage("是否保存已经打开的彩信资源文件？", 1) == 1) Save(m_strPath, 1);
    CMMSPackage::New();
    m_nCurFrame = 0;
    PlayFrameSound(0);
}

std::string CMMSPreview::SetSound(int nFrame, const std::string& strSource) {
    const std::optional<std::string> chosen =
        PathOrAsk(strSource, false, "选择要设置的彩信声音文件名", "amr文件(*.amr)|*.amr|", "amr");
    if (!chosen) return {};
    const std::string& source = *chosen;
    if (!paths::FileExists(paths::ToFsPath(source)) || paths::IsDirectory(paths::ToFsPath(source))) {
        ShowMessage("选中声音文件无效！");
        return {};
    }
    const std::string copy = CMMSPackage::SetSound(nFrame, source);
    const std::string low = codec::AsciiLower(source);
    if (!copy.empty() && low.size() >= 3 && low.compare(low.size() - 3, 3, "amr") == 0)
        ConvertAll({Frame(nFrame).szSound});
    return copy;
}

void CMMSPreview::DeleteSound(int nFrame) { CMMSPackage::DeleteSound(nFrame); }

void CMMSPreview::DeleteImage(int nFrame) {
    CMMSPackage::DeleteImage(nFrame);
    PlayFrameSound(nFrame);
}

int CMMSPreview::SetImage(int nFrame, const std::string& strSource, int nFlag) {
    const std::optional<std::string> chosen = PathOrAsk(
        strSource, false, "选择要设置的彩信图片文件名",
        "图像文件(*.jpg;*.gif;*.bmp;*.png)|*.jpg;*.gif;*.bmp;*.png|jpg文件(*.jpg)|*.jpg|gif文件(*.gif)|*.gif|"
        "bmp文件(*.bmp)|*.bmp|png文件(*.png)|*.png|",
        "jpg");
    if (!chosen) return 0;
    const std::string& source = *chosen;
    const std::string fsSource = paths::ToFsPath(source);
    if (!paths::FileExists(fsSource) || paths::IsDirectory(fsSource)) {
        ShowMessage("选中图片文件无效！");
        return 0;
    }
    const int r = CMMSPackage::SetImage(nFrame, source, nFlag);
    if (!r) {  // a file that cannot be decoded is as invalid as a missing one
        ShowMessage("选中图片文件无效！");
        return 0;
    }
    if (nFlag == 1) PlayFrameSound(nFrame);
    return r;
}

void CMMSPreview::SetText(int nFrame, const std::string& strText, int nFlag) {
    if (!ValidFrame(nFrame)) return;
    std::string text = strText;
    if (text.empty()) {
        std::string current;
        if (const char* name = Frame(nFrame).szText; *name && mmspkg::IsPlainName(name)) {
            ReadWholeFile(WorkFile(name), current);
            if (current.size() > 9999) current = std::string(codec::CutGbkBytes(current, 9999));
        }
        const std::optional<std::string> edited = EditFrameText(Surface(), codec::FromGbk(current));
        if (!edited) return;
        text = *edited;
    }
    CMMSPackage::SetText(nFrame, text, nFlag);
    if (nFlag == 1) ShowFrame(nFrame);
}

int CMMSPreview::Save(const std::string& strPath, int nFlag) {
    bool any = false;
    for (int i = 0; i < mmspkg::kFrameCount && !any; ++i) {
        const MMSFrame& f = Frame(i);
        any = f.szText[0] || f.szImage[0] || f.szSound[0] || f.szApp[0] || f.szVideo[0];
    }
    if (!any) {
        if (nFlag == 1) ShowMessage("保存失败！\r\n没有彩信内容可保存！");
        return 0;
    }
    const std::optional<std::string> path = PathOrAsk(strPath, true, "输入保存的彩信资源文件名", kQmxFilter, "QMX");
    if (!path) return 0;
    return CMMSPackage::Save(*path, nFlag);
}

int CMMSPreview::Open(const std::string& strPath) {
    if (m_bModified == 1 && ShowMessage("是否保存已经打开的彩信资源文件？", 1) == 1) Save(m_strPath, 1);
    const std::optional<std::string> path = PathOrAsk(strPath, false, "选择要打开的彩信资源文件名", kQmxFilter, "QMX");
    if (!path) return 0;
    Reset();
    CMMSPackage::Open(*path);
    // Every AMR of the work folder gets its WAV.
    std::vector<std::string> amrs;
    std::error_code ec;
    for (fs::directory_iterator it(paths::ToFsPath(m_strWorkFolder), ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        const std::string name = codec::ToGbk(it->path().filename().string());
        const std::size_t p = codec::AsciiLower(name).find(".amr");
        if (p != std::string::npos && p > 0) amrs.push_back(name);
    }
    std::sort(amrs.begin(), amrs.end());
    ConvertAll(amrs);
    PlayFrameSound(0);
    return 1;
}

int CMMSPreview::ClearFrames() {
    if (m_pTextCtrl) {
        m_pTextCtrl->clear();
        m_pTextCtrl->hide();
    }
    return CMMSPackage::ClearFrames();
}

// ---- the converter ----

std::string CMMSPreview::WavFor(const std::string& amrName) const {
    const std::string base = amrName.size() >= 4 ? amrName.substr(0, amrName.size() - 4) : amrName;
    return WorkFile(base + ".wav");
}

bool CMMSPreview::ConvertAmr(const std::string& amrName) {
    const std::string wav = WavFor(amrName);
    std::error_code ec;
    fs::remove(wav, ec);
    const int rc = proc::RunBounded(paths::AppFile("wta"), {"amr2wav", WorkFile(amrName), wav}, m_nConvertTimeoutMs);
    if (rc == 0 && paths::FileExists(wav)) return true;
    fs::remove(wav, ec);  // nothing half-written stays playable
    return false;
}

void CMMSPreview::ConvertAll(const std::vector<std::string>& amrNames) {
    if (amrNames.empty()) return;
    WaitCursor wait;
    // The host keeps painting meanwhile and takes no input.
    CallOffUi([this, &amrNames] {
        for (const std::string& n : amrNames)
            if (mmspkg::IsPlainName(n)) ConvertAmr(n);
        return 0;
    });
}

// ---- showing and playing ----

void CMMSPreview::StartPreview() {
    m_nCurFrame = -1;
    m_bPlaying = 1;
    OnPreviewTimer(kTimerStep);
}

void CMMSPreview::StopPreview() {
    StopSounds();
    m_bPlaying = 0;
    if (m_pHost) m_pHost->KillTimer(kTimerStep);
}

void CMMSPreview::OnPreviewTimer(int nId) {
    if (!m_pHost) return;
    if (nId == kTimerStep) {
        m_pHost->KillTimer(kTimerStep);
        if (m_bPlaying != 1) return;
        int f = m_nCurFrame;
        for (int tries = 0; tries < 50; ++tries) {
            f = f + 1 > 19 || f + 1 < 0 ? 0 : f + 1;
            if (HasShowable(Frame(f))) {
                PlayFrameSound(f);
                Post(kMsgFrame);
                m_pHost->SetTimer(kTimerStep, PlaySecondsOf(Frame(f)) * 1000);
                return;
            }
        }
        ShowMessage("没有设置任何可预览内容！");
        Post(kMsgNothing);
        m_nCurFrame = 0;
        m_bPlaying = 0;
    } else if (nId == kTimerGif) {
        if (m_listPictures.empty()) return;
        if (m_nGifFrame >= static_cast<int>(m_listPictures.size())) m_nGifFrame = 0;
        m_pImage = &m_listPictures[static_cast<std::size_t>(m_nGifFrame)];
        if (QWidget* w = Surface()) w->update(PictureRect().united(RedrawRect()));
        ++m_nGifFrame;
    }
}

void CMMSPreview::PlayFrameSound(int nFrame) {
    if (!ValidFrame(nFrame)) return;
    DrawFrameImage(nFrame);
    ShowFrame(nFrame);
    if (m_bNoSound == 0 && m_bPlaying == 1) {
        WaitCursor wait;
        sound::SystemSound().Stop();
        const MMSFrame& f = Frame(nFrame);
        if (f.szSound[0]) {
            StopSounds();
            const std::string name = f.szSound;
            const std::string low = codec::AsciiLower(name);
            if (low.find(".amr") != std::string::npos && name.size() > 4) {
                sound::SystemSound().PlayAsync(WavFor(name));  // gives up at once when the output is busy
            } else if (low.find(".mid") != std::string::npos && mmspkg::IsPlainName(name)) {
                if (m_Midi.Open(WorkFile(name))) {
                    m_nMciDevice = 1;
                    m_Midi.Play();
                }
            }
        }
    }
    m_nCurFrame = nFrame;
}

void CMMSPreview::DrawFrameImage(int nFrame) {
    FreePictures();
    const MMSFrame& f = Frame(nFrame);
    if (f.szImage[0] && mmspkg::IsPlainName(f.szImage)) LoadAnimation(WorkFile(f.szImage));
    Invalidate();
    m_nGifFrame = 0;
    if (!m_listPictures.empty()) {
        m_pImage = &m_listPictures.front();
        if (m_pHost) {
            m_pHost->KillTimer(kTimerGif);
            m_pHost->SetTimer(kTimerGif, 400);
        }
    }
}

void CMMSPreview::ShowFrame(int nFrame) {
    if (!m_pTextCtrl || !ValidFrame(nFrame)) return;
    const MMSFrame& f = Frame(nFrame);
    if (!f.szText[0]) {
        m_pTextCtrl->clear();
        m_pTextCtrl->hide();
        return;
    }
    std::string text;
    if (mmspkg::IsPlainName(f.szText)) ReadWholeFile(WorkFile(f.szText), text);
    if (text.size() > 49999) text = std::string(codec::CutGbkBytes(text, 49999));
    m_pTextCtrl->setGeometry(TextRect());
    if (auto* edit = qobject_cast<CMultiLineEdit*>(m_pTextCtrl)) edit->SetText(codec::ToQ(codec::FromGbk(text)));
    else m_pTextCtrl->setPlainText(codec::ToQ(codec::FromGbk(text)).replace("\r\n", "\n"));
    m_pTextCtrl->setVisible(m_bShowText == 1);
}

int CMMSPreview::LoadAnimation(const std::string& fsPath) {
    if (GetFileExt(fsPath).empty()) return 0;
    QImageReader reader(QString::fromStdString(fsPath));
    std::vector<QImage> frames;
    for (QImage img = reader.read(); !img.isNull(); img = reader.read()) {
        frames.push_back(img.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        if (!reader.supportsAnimation() || frames.size() >= 500) break;
    }
    if (frames.empty()) {
        WriteRunLog(codec::FromQ(reader.errorString()));
        return 0;
    }
    m_pImage = nullptr;
    m_listPictures = std::move(frames);
    return 1;
}

void CMMSPreview::DrawAnimationFrame(QPainter& painter) {
    if (!m_pImage || m_pImage->isNull()) return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(PictureRect(), *m_pImage);
    painter.restore();
}
