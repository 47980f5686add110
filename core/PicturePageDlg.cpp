#include "core/PicturePageDlg.h"

#include "platform/AppPath.h"
#include "uikit/DibImage.h"

#include <QPainter>

CPicturePageDlg::CPicturePageDlg(QWidget* parent)
    : CPageDlg(133, parent), m_dib(std::make_unique<CDibImage>()) {
    m_dib->Load(paths::AppFile("MMSP2.bmp"));
}

CPicturePageDlg::~CPicturePageDlg() = default;

bool CPicturePageDlg::HasPicture() const { return m_dib->IsLoaded(); }

void CPicturePageDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (m_dib->IsLoaded()) m_dib->Draw(p, 0, 0, 0, 0, 0, 0, 0, 0);  // own size, at the origin
}
