#pragma once
// Bitmap and icon button: flat by default, a raised edge on hover, optional caption, check-box
// mode, an attached popup menu, a tooltip and a link.
#include "uikit/SkinButton.h"  // ODS_* state bits

#include <QColor>
#include <QCursor>
#include <QImage>
#include <QPushButton>
#include <QUrl>
#include <functional>
#include <optional>

class QMenu;

class CImageButton : public QPushButton {
    Q_OBJECT
public:
    // Image placement when the caption is not drawn over the image.
    enum { ST_ALIGN_HORIZ = 0, ST_ALIGN_VERT = 1, ST_ALIGN_HORIZ_RIGHT = 2 };
    // Colour indexes of SetColor.
    enum {
        BTNST_COLOR_BK_IN = 0,
        BTNST_COLOR_FG_IN = 1,
        BTNST_COLOR_BK_OUT = 2,
        BTNST_COLOR_FG_OUT = 3,
        BTNST_COLOR_BK_FOCUS = 4,
        BTNST_COLOR_FG_FOCUS = 5,
        BTNST_MAX_COLORS = 6,
    };
    // Return codes of the setters.
    enum { BTNST_OK = 0, BTNST_INVALIDRESOURCE = 1, BTNST_FAILEDMASK = 2, BTNST_INVALIDINDEX = 3 };
    // Out-icon id asking for a gray copy of the in-icon.
    static constexpr int BTNST_AUTO_GRAY = -2;

    explicit CImageButton(QWidget* parent = nullptr);
    explicit CImageButton(const QString& text, QWidget* parent = nullptr);
    ~CImageButton() override;

    // Bitmaps by id; pixels of the transparent colour show the background. Out id 0 = the in
    // bitmap in every state. 1 when a bitmap cannot be read (all images are then released).
    int SetBitmaps(int inId, const QColor& inTransparent, int outId = 0,
                   const QColor& outTransparent = QColor(0, 0, 0), bool repaint = true);
    // Icons by id; out id 0 = none, BTNST_AUTO_GRAY = a gray copy of the in-icon.
    int SetIcon(int inId, int outId = 0, bool repaint = true);
    int SetColor(int index, const QColor& colour, bool repaint = true);
    QColor GetColor(int index) const;
    int SetDefaultColors(bool repaint = true);
    // Cursor by id; 0 removes it; nonzero when the cursor cannot be loaded.
    int SetBtnCursor(int cursorId, bool repaint = true);
    int SetDrawBorder(bool draw, bool repaint = true);
    int SetTransparent(bool transparent, bool repaint = true);
    int SetTooltipText(const QString& text, bool activate = true);
    // At most 259 characters are kept; empty = none. Only web and mail links are opened.
    int SetURL(const QString& url);
    QString GetURL() const { return m_strURL; }
    // Attaches a popup menu shown below the button on a click; the chosen command (the
    // action's data as an int) is posted as MenuCommand.
    int SetMenu(QMenu* menu, bool repaint = true);
    int SetFlat(bool flat, bool repaint = true);
    int SetFlatFocus(bool flatFocus, bool repaint = true);
    int SetAlwaysTrack(bool always);
    int SetAlign(int align, bool repaint = true);
    int SetTextOverImage(bool over, bool repaint = true);
    int SetGrayedWhenDisabled(bool grayed, bool repaint = true);
    // Check-box mode: a click toggles the check state.
    int SetCheckBoxMode(bool on, bool repaint = true);
    void SetCheck(int check, bool repaint = true);
    int GetCheck() const { return m_nCheck; }

    bool IsHover() const { return m_bMouseOnButton; }
    unsigned ItemState() const;
    void DrawItem(QPainter& p, const QRect& item, unsigned state);

    // Where links are opened (the desktop's handler by default); returns the one it replaces.
    using UrlOpener = std::function<void(const QUrl&)>;
    static UrlOpener SetUrlOpener(UrlOpener fn);
    // Whether a link may be opened: http, https, ftp and mailto only.
    static bool IsOpenableUrl(const QUrl& url);

signals:
    void MenuCommand(int id);

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    struct Image {
        QImage img;  // with the transparent pixels cleared
    };
    void OnClicked();
    void CancelHover();
    void FreeResources();
    // The setters' tail: repaints when asked and returns result.
    int RepaintIf(bool repaint, int result = BTNST_OK);

    bool m_bIsFlat = true;
    bool m_bMouseOnButton = false;
    bool m_bDrawTransparent = false;
    bool m_bIsCheckBox = false;
    int m_byAlign = ST_ALIGN_HORIZ;
    bool m_bShowText = true;  // caption over the image
    bool m_bGrayed = true;
    bool m_bDrawBorder = true;
    bool m_bDrawFlatFocus = false;
    QColor m_crColors[BTNST_MAX_COLORS];
    QMenu* m_pMenu = nullptr;
    bool m_bMenuDisplayed = false;
    std::optional<QCursor> m_hCursor;
    bool m_bAlwaysTrack = true;
    int m_nCheck = 0;
    QString m_strURL;
    QImage m_icons[2];    // in, out
    QImage m_bitmaps[2];  // in, out
};
