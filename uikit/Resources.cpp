#include "uikit/Resources.h"

#include "platform/AppPath.h"

#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QResource>

#ifndef SMS_ART_RCC_BUILD
#define SMS_ART_RCC_BUILD ""
#endif

namespace uikit::res {
namespace {
QMutex g_mutex;
bool g_registered = false;
QHash<QString, QImage>& Overlay() {
    static QHash<QString, QImage> pictures;
    return pictures;
}

QImage Load(const QString& rel) {
    RegisterArt();
    {
        QMutexLocker lock(&g_mutex);
        auto it = Overlay().constFind(rel);
        if (it != Overlay().constEnd()) return *it;
    }
    QImage img(":/" + rel);
    return img;
}
}  // namespace

bool RegisterArt() {
    QMutexLocker lock(&g_mutex);
    if (g_registered) return true;
    QStringList candidates;
    const QString built = QString::fromUtf8(SMS_ART_RCC_BUILD);
    if (!built.isEmpty()) candidates << built;
    candidates << QString::fromStdString(paths::ExecutableFolder()) + "/art.rcc";
    for (const QString& file : candidates) {
        if (QFileInfo::exists(file) && QResource::registerResource(file)) {
            g_registered = true;
            break;
        }
    }
    return g_registered;
}

QImage Bitmap(int id) { return Load(QString("bmp/%1.png").arg(id)); }
QImage Icon(int id) { return Load(QString("ico/%1.png").arg(id)); }
QImage CursorImage(int id) { return Load(QString("cur/%1.png").arg(id)); }

bool LoadCursor(int id, QCursor* out) {
    const QImage img = CursorImage(id);
    if (img.isNull()) return false;
    bool okX = false, okY = false;
    int hx = img.text("hotX").toInt(&okX);
    int hy = img.text("hotY").toInt(&okY);
    if (!okX || !okY) hx = hy = 0;
    if (out) *out = QCursor(QPixmap::fromImage(img), hx, hy);
    return true;
}

QCursor HandCursor() {
    QCursor c;
    if (LoadCursor(kHandCursorId, &c)) return c;
    return QCursor(Qt::PointingHandCursor);
}

void SetPicture(const QString& path, const QImage& img) {
    QMutexLocker lock(&g_mutex);
    if (img.isNull())
        Overlay().remove(path);
    else
        Overlay().insert(path, img);
}

}  // namespace uikit::res
