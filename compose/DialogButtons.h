#pragma once
// The "确定" (1) and "取消" (2) buttons of the compose dialogs, wired to OnOK and OnCancel.
class CSkinButton;
class CSkinDialog;
class QLabel;
class QRect;
class QWidget;

// Places both buttons (dialog units) at y, OK at xOk and Cancel at xCancel, 46 x 14.
void AddOkCancelButtons(CSkinDialog* dlg, CSkinButton*& ok, CSkinButton*& cancel, int xOk, int xCancel, int y);

// A static text of the dialog at (x, y), cx wide and 12 high (dialog units).
QLabel* AddDlgLabel(CSkinDialog* dlg, const char* text, int x, int y, int cx);

// A button or static text with its control id as object name, at r (pixels); id 0 names no
// label. The buttons never take Enter as the default.
CSkinButton* MakeButton(QWidget* parent, int id, const char* text, const QRect& r);
QLabel* MakeLabel(QWidget* parent, int id, const char* text, const QRect& r);
