#include "uikit/ImageButton.h"

#include "uikit/GdiDraw.h"
#include "uikit/Resources.h"
#include "uikit/SysColors.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <mutex>

using namespace uikit;
using namespace uikit::gdi;

namespace {
std::mutex g_openerMutex;
CImageButton::UrlOpener g_opener;

// Gray copy of an icon: every non-black pixel at the level 0.299 R + 0.587 G + 0.114 B.
QImage GrayCopy(const QImage& src) {
    QImage img = src.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = line[x];
            if ((c & 0xFFFFFF) == 0) continue;
            const int g = static_cast<int>(0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c));
            line[x] = qRgba(g, g, g, qAlpha(c));
        }
    }
    return img;
}

QImage OnWhite(const QImage& img) {
    QImage out(img.size(), QImage::Format_ARGB32);
    out.fill(QColor(255, 255, 255));
    QPainter p(&out);
    p.drawImage(0, 0, img);
    return out;
}
}  // namespace

CImageButton::CImageButton(QWidget* parent) : CImageButton(QString(), parent) {}

CImageButton::CImageButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setMouseTracking(true);
    SetDefaultColors(false);
    connect(this, &QPushButton::clicked, this, &CImageButton::OnClicked);
}

CImageButton::~CImageButton() = default;

int CImageButton::RepaintIf(bool repaint, int result) {
    if (repaint) update();
    return result;
}

void CImageButton::FreeResources() {
    for (auto& i : m_icons) i = QImage();
    for (auto& b : m_bitmaps) b = QImage();
}

int CImageButton::SetBitmaps(int inId, const QColor& inTransparent, int outId,
                             const QColor& outTransparent, bool repaint) {
    FreeResources();
    const QImage in = res::Bitmap(inId);
    if (in.isNull()) {
        return RepaintIf(repaint, BTNST_INVALIDRESOURCE);
    }
    QImage out;
    if (outId != 0) {
        out = res::Bitmap(outId);
        if (out.isNull()) {
            return RepaintIf(repaint, BTNST_INVALIDRESOURCE);
        }
    }
    m_bitmaps[0] = Masked(in, inTransparent);
    if (!out.isNull()) m_bitmaps[1] = Masked(out, outTransparent);
    return RepaintIf(repaint);
}

int CImageButton::SetIcon(int inId, int outId, bool repaint) {
    FreeResources();
    const QImage in = res::Icon(inId);
    if (in.isNull()) {
        return RepaintIf(repaint, BTNST_INVALIDRESOURCE);
    }
    m_icons[0] = in.convertToFormat(QImage::Format_ARGB32);
    if (outId == BTNST_AUTO_GRAY) {
        m_icons[1] = GrayCopy(m_icons[0]);
    } else if (outId != 0) {
        const QImage out = res::Icon(outId);
        if (out.isNull()) {
            FreeResources();
            return RepaintIf(repaint, BTNST_INVALIDRESOURCE);
        }
        m_icons[1] = out.convertToFormat(QImage::Format_ARGB32);
    }
    return RepaintIf(repaint);
}

int CImageButton::SetColor(int index, const QColor& colour, bool repaint) {
    if (index < 0 || index >= BTNST_MAX_COLORS) return BTNST_INVALIDINDEX;
    m_crColors[index] = colour;
    return RepaintIf(repaint);
}

QColor CImageButton::GetColor(int index) const {
    if (index < 0 || index >= BTNST_MAX_COLORS) return QColor();
    return m_crColors[index];
}

int CImageButton::SetDefaultColors(bool repaint) {
    for (int i = 0; i < BTNST_MAX_COLORS; i += 2) {
        m_crColors[i] = GetSysColor(SysColor::BtnFace);
        m_crColors[i + 1] = GetSysColor(SysColor::BtnText);
    }
    return RepaintIf(repaint);
}

int CImageButton::SetBtnCursor(int cursorId, bool repaint) {
    (void)repaint;
    m_hCursor.reset();
    unsetCursor();
    if (cursorId == 0) return BTNST_OK;
    QCursor c;
    if (!res::LoadCursor(cursorId, &c)) return BTNST_INVALIDRESOURCE;
    m_hCursor = c;
    setCursor(c);
    return BTNST_OK;
}

int CImageButton::SetDrawBorder(bool draw, bool repaint) {
    m_bDrawBorder = draw;
    return RepaintIf(repaint);
}

int CImageButton::SetTransparent(bool transparent, bool repaint) {
    // Qt composes the parent under the button, so there is no saved background to drop.
    m_bDrawTransparent = transparent;
    setAttribute(Qt::WA_NoSystemBackground, transparent);
    return RepaintIf(repaint);
}

int CImageButton::SetTooltipText(const QString& text, bool activate) {
    setToolTip(activate ? text : QString());
    return BTNST_OK;
}

int CImageButton::SetURL(const QString& url) {
    m_strURL = url.left(259);
    return BTNST_OK;
}

int CImageButton::SetMenu(QMenu* menu, bool repaint) {
    m_pMenu = menu;
    return RepaintIf(repaint);
}

int CImageButton::SetFlat(bool flat, bool repaint) {
    m_bIsFlat = flat;
    return RepaintIf(repaint);
}

int CImageButton::SetFlatFocus(bool flatFocus, bool repaint) {
    m_bDrawFlatFocus = flatFocus;
    return RepaintIf(repaint);
}

int CImageButton::SetAlwaysTrack(bool always) {
    m_bAlwaysTrack = always;
    return BTNST_OK;
}

int CImageButton::SetAlign(int align, bool repaint) {
    if (align < ST_ALIGN_HORIZ || align > ST_ALIGN_HORIZ_RIGHT) return BTNST_INVALIDINDEX;
    m_byAlign = align;
    return RepaintIf(repaint);
}

int CImageButton::SetTextOverImage(bool over, bool repaint) {
    m_bShowText = over;
    return RepaintIf(repaint);
}

int CImageButton::SetGrayedWhenDisabled(bool grayed, bool repaint) {
    m_bGrayed = grayed;
    return RepaintIf(repaint);
}

int CImageButton::SetCheckBoxMode(bool on, bool repaint) {
    m_bIsCheckBox = on;
    return RepaintIf(repaint);
}

void CImageButton::SetCheck(int check, bool repaint) {
    if (!m_bIsCheckBox) return;
    m_nCheck = check ? 1 : 0;
    if (repaint) update();
}

CImageButton::UrlOpener CImageButton::SetUrlOpener(UrlOpener fn) {
    std::lock_guard<std::mutex> lock(g_openerMutex);
    std::swap(g_opener, fn);
    return fn;
}

bool CImageButton::IsOpenableUrl(const QUrl& url) {
    if (!url.isValid()) return false;
    const QString s = url.scheme().toLower();
    if (s == "mailto") return !url.path().isEmpty();
    return (s == "http" || s == "https" || s == "ftp") && !url.host().isEmpty();
}

void CImageButton::OnClicked() {
    setFocus(Qt::MouseFocusReason);
    if (m_bIsCheckBox) {
        m_nCheck = m_nCheck ? 0 : 1;
        update();
        return;
    }
    if (m_pMenu) {
        m_bMenuDisplayed = true;
        update();
        QAction* chosen = m_pMenu->exec(mapToGlobal(QPoint(0, height())));
        m_bMenuDisplayed = false;
        CancelHover();
        update();
        if (chosen) {
            bool ok = false;
            const int id = chosen->data().toInt(&ok);
            if (ok) QMetaObject::invokeMethod(this, [this, id] { emit MenuCommand(id); }, Qt::QueuedConnection);
        }
        return;
    }
    if (!m_strURL.isEmpty()) {
        const QUrl url(m_strURL, QUrl::TolerantMode);
        if (!IsOpenableUrl(url)) return;
        UrlOpener opener;
        {
            std::lock_guard<std::mutex> lock(g_openerMutex);
            opener = g_opener;
        }
        if (opener)
            opener(url);
        else
            QDesktopServices::openUrl(url);
    }
}

unsigned CImageButton::ItemState() const { return OwnerDrawState(*this); }

void CImageButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    DrawItem(p, rect(), ItemState());
}

void CImageButton::DrawItem(QPainter& p, const QRect& item, unsigned state) {
    const bool selected = (state & ODS_SELECTED) != 0;
    const bool pressed = m_bIsCheckBox ? (selected || m_nCheck != 0) : (selected || m_bMenuDisplayed);
    const bool focus = (state & ODS_FOCUS) != 0;
    const bool disabled = (state & ODS_DISABLED) != 0;
    const bool isDefault = (state & ODS_DEFAULT) != 0;

    int l = item.left(), t = item.top(), r = item.right() + 1, b = item.bottom() + 1;
    if (!m_bIsFlat && (focus || isDefault)) {
        InsideFrame(p, l, t, r, b, 1, QColor(0, 0, 0));
        ++l, ++t, --r, --b;
    }

    // Background.
    if (!m_bDrawTransparent) {
        QColor bk = m_crColors[BTNST_COLOR_BK_OUT];
        if (m_bMouseOnButton || pressed)
            bk = m_crColors[BTNST_COLOR_BK_IN];
        else if (focus)
            bk = m_crColors[BTNST_COLOR_BK_FOCUS];
        FillRect(p, l, t, r, b, bk);
    }

    // Border.
    if (!m_bIsFlat) {
        if (!pressed) {
            Edge(p, l, t, r, b, GetSysColor(SysColor::BtnHighlight), GetSysColor(SysColor::DarkShadow));
            Edge(p, l + 1, t + 1, r - 1, b - 1, GetSysColor(SysColor::Light), GetSysColor(SysColor::BtnShadow));
        } else {
            InsideFrame(p, l, t, r, b, 1, GetSysColor(SysColor::BtnShadow));
        }
    } else if (m_bDrawBorder) {
        if (pressed)
            Edge(p, l, t, r, b, GetSysColor(SysColor::BtnShadow), GetSysColor(SysColor::BtnHighlight));
        else if (m_bMouseOnButton)
            Edge(p, l, t, r, b, GetSysColor(SysColor::BtnHighlight), GetSysColor(SysColor::BtnShadow));
    }

    const QString caption = text();
    const bool shift = pressed && !m_bIsCheckBox;
    const int slot = (!m_bMouseOnButton && !pressed) ? 1 : 0;

    // Image.
    const bool isIcon = !m_icons[0].isNull();
    const QImage* image = nullptr;
    if (isIcon)
        image = (slot == 1 && !m_icons[1].isNull()) ? &m_icons[1] : &m_icons[0];
    else if (!m_bitmaps[0].isNull())
        image = (slot == 1 && !m_bitmaps[1].isNull()) ? &m_bitmaps[1] : &m_bitmaps[0];
    QRect textRect = Rc(l, t, r, b);
    if (image) {
        const int iw = image->width(), ih = image->height();
        const int w = r - l, h = b - t;
        int x = l + (w - iw) / 2, y = t + (h - ih) / 2;
        if (!m_bShowText && !caption.isEmpty()) {
            switch (m_byAlign) {
            case ST_ALIGN_VERT:
                y = t + 3;
                textRect = Rc(l, y + ih + 3, r, b);
                break;
            case ST_ALIGN_HORIZ_RIGHT:
                x = r - 3 - iw;
                textRect = Rc(l, t, x - 3, b);
                break;
            default:
                x = l + 3;
                textRect = Rc(x + iw + 3, t, r, b);
                break;
            }
        }
        if (shift) {
            ++x;
            ++y;
        }
        if (disabled && (isIcon || m_bGrayed))
            EmbossedImage(p, x, y, isIcon ? *image : OnWhite(*image));
        else
            p.drawImage(x, y, *image);
    }

    // Caption.
    if (!caption.isEmpty()) {
        QRect rc = textRect;
        if (shift) rc.translate(1, 1);
        p.setFont(font());
        const int flags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
        if (disabled) {
            EmbossedText(p, rc, flags, caption);
        } else {
            p.setPen((m_bMouseOnButton || pressed) ? m_crColors[BTNST_COLOR_FG_IN]
                                                   : m_crColors[BTNST_COLOR_FG_OUT]);
            p.drawText(rc, flags, caption);
        }
    }

    if (focus && (!m_bIsFlat || m_bDrawFlatFocus))
        FocusRect(p, item.left() + 3, item.top() + 3, item.right() + 1 - 3, item.bottom() + 1 - 3);
}

void CImageButton::mouseMoveEvent(QMouseEvent* e) {
    QPushButton::mouseMoveEvent(e);
    if (!m_bIsFlat) return;
    const bool over = rect().contains(e->position().toPoint());
    const bool active = m_bAlwaysTrack || isActiveWindow();
    if (over && active && e->buttons() == Qt::NoButton) {
        if (!m_bMouseOnButton) {
            m_bMouseOnButton = true;
            update();
        }
    } else {
        CancelHover();
    }
}

void CImageButton::CancelHover() {
    if (!m_bMouseOnButton) return;
    m_bMouseOnButton = false;
    update();
}

void CImageButton::leaveEvent(QEvent* e) {
    CancelHover();
    QPushButton::leaveEvent(e);
}

void CImageButton::focusOutEvent(QFocusEvent* e) {
    CancelHover();
    QPushButton::focusOutEvent(e);
}

void CImageButton::changeEvent(QEvent* e) {
    QPushButton::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && !isActiveWindow()) CancelHover();
    if (e->type() == QEvent::EnabledChange && !isEnabled()) {
        // Qt hands the focus on to the next tab item itself when a focused widget is disabled.
        CancelHover();
    }
}
