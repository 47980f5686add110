#pragma once
// Home page (page 0): the picture "MMSP2.bmp" of the program folder.
#include "core/PageDlg.h"

#include <memory>

class CDibImage;

class CPicturePageDlg : public CPageDlg {
    Q_OBJECT
public:
    explicit CPicturePageDlg(QWidget* parent = nullptr);
    ~CPicturePageDlg() override;
    bool HasPicture() const;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    std::unique_ptr<CDibImage> m_dib;
};
