#include "core/PicturePageDlg.h"

#include "platform/AppPath.h"

#include <QPainter>

CPicturePageDlg::CPicturePageDlg(QWidget* parent) : CPageDlg(133, parent) {
    const std::string path = paths::AppFile("MMSP2.bmp");
    if (paths::FileExists(path)) m_dib.load(QString::fromStdString(path));
}

void CPicturePageDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!m_dib.isNull()) p.drawImage(0, 0, m_dib);  // own size, at the origin
}
