#pragma once
// Home page (page 0): the picture "MMSP2.bmp" of the program folder.
#include "core/PageDlg.h"

#include <QImage>

class CPicturePageDlg : public CPageDlg {
    Q_OBJECT
public:
    explicit CPicturePageDlg(QWidget* parent = nullptr);
    bool HasPicture() const { return !m_dib.isNull(); }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QImage m_dib;
};
