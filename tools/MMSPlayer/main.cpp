// MMSPlayer <package file>: opens the package in a private temporary work folder, shows it on a
// phone screen and plays it from frame 0; the folder is removed at exit.
// MMSPLAYER_SNAPSHOT=<png>: writes the window with frame 0 on show to the file and ends (no boxes).
#include "PlayerWnd.h"

#include "core/MessageBoxDlg.h"
#include "platform/AppPath.h"
#include "platform/TextCodec.h"
#include "uikit/Resources.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <fstream>

namespace {

int Fail(const std::string& text, bool boxes) {
    std::fprintf(stderr, "MMSPlayer: %s\n", text.c_str());
    if (boxes) StandardMessageBox(text);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    g_strAppPath = QFileInfo(QCoreApplication::applicationFilePath()).absolutePath().toStdString();
    const QString snapshot = qEnvironmentVariable("MMSPLAYER_SNAPSHOT");
    const bool boxes = snapshot.isEmpty();
    uikit::res::RegisterArt();
    if (boxes) InstallMessageBoxes();
    if (argc != 2) return Fail("用法：MMSPlayer <彩信文件>", boxes);

    const std::string path = argv[1];
    const QFileInfo info(QString::fromLocal8Bit(argv[1]));
    std::ifstream probe(path, std::ios::binary);
    if (!info.isFile() || !probe) return Fail("无法打开彩信文件：" + path, boxes);

    QTemporaryDir work(QDir::tempPath() + "/MMSPlayer-XXXXXX");
    if (!work.isValid()) return Fail("无法建立临时文件夹。", boxes);
    int rc = 0;
    {
        CPlayerWnd wnd(work.path().toStdString());
        wnd.setWindowTitle(info.fileName());
        wnd.m_preview.Open(path);
        bool any = false;
        for (int i = 0; i < mmspkg::kFrameCount && !any; ++i) {
            const MMSFrame& f = wnd.m_preview.Frame(i);
            any = f.szText[0] || f.szImage[0] || f.szSound[0];
        }
        if (!any) return Fail("不是有效的彩信文件：" + path, boxes);
        wnd.show();
        wnd.m_preview.StartPreview();
        if (!snapshot.isEmpty()) {
            QTimer::singleShot(0, &wnd, [&] {
                QCoreApplication::processEvents();
                if (!wnd.grab().save(snapshot, "PNG")) rc = 1;
                wnd.m_preview.StopPreview();
                QCoreApplication::quit();
            });
        }
        const int ev = app.exec();
        if (rc == 0) rc = ev;
        wnd.m_preview.Reset();
    }
    return rc;
}
