#pragma once
// The program-wide pictures: made after the application object, freed before it.
#include <QColor>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <vector>

class QEvent;

// A list of equal-sized images cut from bitmap strips.
class CImageList {
public:
    CImageList(int cx, int cy) : m_cx(cx), m_cy(cy) {}
    // Adds every cx-wide piece of the strip; pixels of the mask colour become transparent.
    // Returns the index of the first image added, -1 when none.
    int Add(const QImage& strip, QColor mask);
    int GetImageCount() const { return static_cast<int>(m_images.size()); }
    // The image at i (a null pixmap when out of range).
    QPixmap GetImage(int i) const;
    int Width() const { return m_cx; }
    int Height() const { return m_cy; }

private:
    int m_cx, m_cy;
    std::vector<QPixmap> m_images;
};

// 48x48 image list from bitmap 333 (black is transparent).
extern CImageList* g_imgList48;
// Bitmap 439, the icon strip of the queue and record lists.
extern QPixmap* g_bmpListIcons;
// Bitmap 334 for the send-MMS page's drawing (CreateGlobalBitmapDC).
extern QPixmap* g_pGlobalBitmap;

// The 16x16 row icons of the queue and record lists: pieces of g_bmpListIcons (bitmap 439 when
// it is not made), pure green transparent.
QList<QPixmap> ListRowIcons();

// Makes g_imgList48 and g_bmpListIcons.
void CreateGlobalImages();
// Makes g_pGlobalBitmap once bitmap 334 exists; later calls keep the first one.
void CreateGlobalBitmapDC();
// The answer of the send-MMS page and the MMS editor to their children's scroll-bar custom-draw
// notification: every part painted from g_pGlobalBitmap. False for any other event.
bool AnswerScrollBarDraw(QEvent* e);
// Frees every picture above.
void FreeGlobalImages();
