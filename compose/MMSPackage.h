#pragma once
// An MMS package: up to 20 frames naming their text, picture, sound, application and video files
// in a work folder, saved and opened as one ".qmx" file ("QMX.ini" and the frame files back to
// back). No widgets; the preview derives from it.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class QImage;

// Picture box of a frame and the no-compression flag ("MMSParam.dat"; the flag is only stored).
extern int g_nMMSImageWidth;
extern int g_nMMSImageHeight;
extern int g_bNoImageCompress;

// One frame of the frame table; names are NUL-terminated GBK of at most 39 bytes.
struct MMSFrame {
    char szText[40];
    char szImage[40];
    char szSound[40];
    char szApp[40];
    char szVideo[40];
    std::int32_t nPlaySeconds;
};
static_assert(sizeof(MMSFrame) == 204, "frame record layout");

namespace mmspkg {
constexpr int kFrameCount = 20;
constexpr std::size_t kNameWidth = 40;
// The five names of a frame in package order: text, sound, image, app, video.
inline const char* const* FrameNames(const MMSFrame& f, const char* out[5]) {
    out[0] = f.szText;
    out[1] = f.szSound;
    out[2] = f.szImage;
    out[3] = f.szApp;
    out[4] = f.szVideo;
    return out;
}
// A name that may stand for a file of the work folder: not empty, no folder part, no "..".
bool IsPlainName(std::string_view gbkName);
// Writes a picture as a GIF (giflib, 256-colour palette); false on failure.
bool WriteGif(const QImage& image, const std::string& fsPath);
// Picture size after fitting into the box (nearest-pixel; never a side of 0).
void FitSize(int& w, int& h, int boxW, int boxH);
}  // namespace mmspkg

class CMMSPackage {
public:
    CMMSPackage();
    virtual ~CMMSPackage();
    CMMSPackage(const CMMSPackage&) = delete;
    CMMSPackage& operator=(const CMMSPackage&) = delete;

    virtual void DeleteText(int nFrame);
    virtual void Reset();
    virtual void New();
    virtual std::string SetSound(int nFrame, const std::string& strSource);
    virtual void DeleteSound(int nFrame);
    virtual void DeleteImage(int nFrame);
    virtual int SetImage(int nFrame, const std::string& strSource, int nFlag);
    virtual void SetText(int nFrame, const std::string& strText, int nFlag);
    virtual int Save(const std::string& strPath, int nFlag);
    virtual int Open(const std::string& strPath);
    virtual int ClearFrames();

    int SetApp(int nFrame, const std::string& strSource);
    int SetVideo(int nFrame, const std::string& strSource);
    int SaveFile();
    int LoadFile();
    int WriteIni();
    void ClearFolder();

    static std::string GetFileExt(const std::string& path);
    static int GetImageType(const std::string& ext);
    static long long GetFileSize(const std::string& path);
    static std::size_t ReadWholeFile(const std::string& path, std::string& buffer);

    // The frame table (20 records) and its work-folder file paths.
    MMSFrame* Frames() { return m_pFrames.get(); }
    const MMSFrame* Frames() const { return m_pFrames.get(); }
    MMSFrame& Frame(int n) { return m_pFrames[static_cast<std::size_t>(n)]; }
    // File-system path of a frame file name (GBK) in the work folder.
    std::string WorkFile(std::string_view gbkName) const;

    QImage* m_pImage = nullptr;  // belongs to the preview
    std::string m_strPath;
    int m_bAutoPageTurn = 1;
    int m_bModified = 0;
    int m_bPreview = 0;
    int m_nLastFrame = 0;
    int m_nFileSize = 0;
    std::unique_ptr<MMSFrame[]> m_pFrames;
    std::string m_strWorkFolder;

protected:
    // "NN.ext" for the frame, or the first free "NN.ext" of 20-99 when another frame holds it.
    std::string NameFor(int nFrame, const char* ext) const;
    // A frame other than except holds the name (ASCII case folded).
    bool NameHeld(std::string_view name, int except) const;
    // Deletes a name's file unless a frame other than nFrame holds the same name.
    void DeleteUnshared(int nFrame, const char* name);
    bool ValidFrame(int nFrame) const { return nFrame >= 0 && nFrame < mmspkg::kFrameCount; }
    bool CopyIn(const std::string& source, const std::string& gbkName);
};
