#include "uikit/SkinDialog.h"

#include "uikit/GdiDraw.h"
#include "uikit/Resources.h"
#include "uikit/SysColors.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

using namespace uikit;
using namespace uikit::gdi;

namespace {
const QColor kFrame[4] = {QColor(0, 24, 156), QColor(0, 48, 198), QColor(0, 52, 222),
                          QColor(90, 130, 222)};
}

CSkinDialog::CSkinDialog(unsigned templateId, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_nTemplateId(templateId) {
    QFont f(QStringLiteral("宋体"));
    f.setPointSize(9);
    setFont(f);
    // The white brush of the dialog and all its controls.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 255));
    pal.setColor(QPalette::Base, QColor(255, 255, 255));
    pal.setColor(QPalette::Button, QColor(255, 255, 255));
    setPalette(pal);
    setAutoFillBackground(true);
    setMouseTracking(true);
}

CSkinDialog::~CSkinDialog() = default;

namespace {
CSkinDialog::ModalRunFn& ModalRunHook() {
    static CSkinDialog::ModalRunFn hook;
    return hook;
}
}  // namespace

CSkinDialog::ModalRunFn CSkinDialog::SetModalRunHook(ModalRunFn fn) {
    std::swap(ModalRunHook(), fn);
    return fn;
}

int CSkinDialog::DoModal() {
    // A copy: the hook may install another one for a nested dialog.
    if (ModalRunFn hook = ModalRunHook()) {
        setResult(0);
        const int r = hook(*this);
        if (isVisible()) hide();
        return r;
    }
    return exec();
}

void CSkinDialog::ShowForHook() {
    show();
    QCoreApplication::processEvents();
}

void CSkinDialog::OnOK() { done(IDOK); }
void CSkinDialog::OnCancel() { done(IDCANCEL); }

void CSkinDialog::SetDialogSizeDlu(int cx, int cy) { setFixedSize(DluToPx(cx), DluToPx(cy)); }

void CSkinDialog::PlaceDlu(QWidget* control, int x, int y, int cx, int cy) {
    control->setGeometry(DluToPx(x), DluToPx(y), DluToPx(cx), DluToPx(cy));
}

QRegion CSkinDialog::WindowShape(int w, int h) {
    QRegion rgn(0, 0, w, h);
    rgn -= QRegion(Rc(0, 0, 4, 1));
    rgn -= QRegion(Rc(0, 0, 1, 4));
    rgn -= QRegion(Rc(0, 0, 2, 2));
    rgn -= QRegion(Rc(w - 4, 0, w, 1));
    rgn -= QRegion(Rc(w - 1, 0, w, 4));
    rgn -= QRegion(Rc(w - 2, 0, w, 2));
    return rgn;
}

bool CSkinDialog::OnInitDialog() {
    setMask(WindowShape(width(), height()));
    // Centre on the owner, or on the screen without one.
    QRect area;
    if (QWidget* owner = parentWidget(); owner && owner->isVisible())
        area = owner->window()->frameGeometry();
    else if (QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen())
        area = s->availableGeometry();
    if (area.isValid()) move(area.center() - QPoint(width() / 2, height() / 2));
    raise();
    activateWindow();
    return true;
}

void CSkinDialog::showEvent(QShowEvent* e) {
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(e);
}

void CSkinDialog::hideEvent(QHideEvent* e) {
    QDialog::hideEvent(e);
    if (m_bInitialised && !e->spontaneous()) {
        m_bInitialised = false;
        OnDestroy();
    }
}

void CSkinDialog::OnDestroy() {
    // A later showing builds the title and its buffer again.
    m_fontTitle = QFont();
    m_memTitle = QImage();
    m_bFirstPaint = 1;
    m_bDragging = false;
}

void CSkinDialog::DrawFrameExtras(QPainter*) {}

void CSkinDialog::BuildTitle() {
    m_rcClient = rect();
    m_memTitle = QImage();
    m_bmTitle = QSize();
    const QImage bmp = res::Bitmap(m_nTitleBitmapId);
    if (!bmp.isNull()) {
        m_memTitle = bmp.convertToFormat(QImage::Format_RGB32);
        m_bmTitle = m_memTitle.size();
    }
    m_fontTitle = QFont(font().family());
    m_fontTitle.setPixelSize(14);
    m_fontTitle.setWeight(QFont::Bold);
    m_strWindowText = windowTitle();
    if (!m_memTitle.isNull()) {
        QPainter p(&m_memTitle);
        p.setFont(m_fontTitle);
        p.setPen(QColor(255, 255, 255));
        const QFontMetrics fm(m_fontTitle);
        p.drawText(16, 8 + fm.ascent(), m_strWindowText);
    }
    m_bFirstPaint = 0;
}

void CSkinDialog::paintEvent(QPaintEvent*) {
    if (m_bFirstPaint) BuildTitle();
    QPainter p(this);
    const int l = m_rcClient.left(), t = m_rcClient.top();
    const int r = m_rcClient.right() + 1, b = m_rcClient.bottom() + 1;
    const QColor white(255, 255, 255);
    for (int i = 0; i < 4; ++i) {
        FillRect(p, l + i, t + 5 + i, r - i, b - i, white);
        InsideFrame(p, l + i, t + 5 + i, r - i, b - i, 1, kFrame[i]);
    }
    if (!m_memTitle.isNull()) {
        const int bw = m_bmTitle.width(), bh = m_bmTitle.height();
        p.drawImage(QRect(0, 0, 250, bh), m_memTitle, QRect(0, 0, 250, bh));
        // The stretched middle piece; a dialog narrower than 300 pixels has none.
        if (r - 300 > 0 && bw - 302 > 0)
            p.drawImage(QRect(250, 0, r - 300, bh), m_memTitle, QRect(250, 0, bw - 302, bh));
        p.drawImage(QPoint(r - 50, 0), m_memTitle, QRect(bw - 52, 0, 52, bh));
    }
    DrawFrameExtras(&p);
}

void CSkinDialog::BeginTitleDrag(const QPoint& globalPos) {
    if (QWindow* w = windowHandle(); w && w->startSystemMove()) return;
    m_bDragging = true;
    m_dragOffset = globalPos - frameGeometry().topLeft();
}

void CSkinDialog::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        const QPoint pt = e->position().toPoint();
        const int r = m_rcClient.right() + 1, bh = m_bmTitle.height();
        if (pt.x() <= r - 50 && pt.y() <= bh) BeginTitleDrag(e->globalPosition().toPoint());
        if (pt.x() >= r - 26 && pt.x() <= r - 2 && pt.y() <= bh) {
            OnCancel();
            return;
        }
    }
    QDialog::mousePressEvent(e);
}

void CSkinDialog::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pt = e->position().toPoint();
    if (m_bDragging) {
        if (e->buttons() & Qt::LeftButton)
            move(e->globalPosition().toPoint() - m_dragOffset);
        else
            m_bDragging = false;
    }
    const int r = m_rcClient.right() + 1, bh = m_bmTitle.height();
    if (pt.x() >= r - 26 && pt.x() <= r - 2 && pt.y() <= bh)
        setCursor(res::HandCursor());
    else
        unsetCursor();
    QDialog::mouseMoveEvent(e);
}

void CSkinDialog::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) m_bDragging = false;
    QDialog::mouseReleaseEvent(e);
}
