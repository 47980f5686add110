#pragma once
// The program's pictures (bitmaps, icons, cursors) served by resource id from art.rcc.
#include <QCursor>
#include <QImage>
#include <QString>

namespace uikit::res {

// Registers art.rcc once: the file of the build tree when it exists, else "<program folder>/art.rcc".
// Returns true when the pictures are available. Every loader below calls it.
bool RegisterArt();

// ":/bmp/<id>.png", ":/ico/<id>.png", ":/cur/<id>.png"; a null image when missing.
QImage Bitmap(int id);
QImage Icon(int id);
QImage CursorImage(int id);

// Cursor <id> with the hot spot stored in its picture; false when it cannot be loaded.
bool LoadCursor(int id, QCursor* out);

// The hand cursor (cursor 144); the system's pointing hand when the picture is missing.
constexpr int kHandCursorId = 144;
QCursor HandCursor();

// Puts a picture in front of the resource file under its path ("bmp/900.png"); a null image
// removes it again. For pictures made at run time and for tests.
void SetPicture(const QString& path, const QImage& img);

}  // namespace uikit::res
