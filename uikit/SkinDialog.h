#pragma once
// Base of every popup dialog: no system caption or border, a bitmap title bar with the window
// text, a four-line blue frame, cut top corners, a white background, dragging by the title
// bar and a close zone at its right end.
#include <QDialog>
#include <QFont>
#include <QImage>

// Results of DoModal.
enum { IDOK = 1, IDCANCEL = 2 };

class CSkinDialog : public QDialog {
    Q_OBJECT
public:
    // templateId names the dialog; the title bitmap is 222.
    explicit CSkinDialog(unsigned templateId, QWidget* parent = nullptr);
    ~CSkinDialog() override;

    // Runs the dialog modally: IDOK or IDCANCEL (or the code given to EndDialog).
    int DoModal();
    void EndDialog(int result) { done(result); }
    unsigned TemplateId() const { return m_nTemplateId; }

    // The dialog's size, and a control's place, in dialog units.
    void SetDialogSizeDlu(int cx, int cy);
    static void PlaceDlu(QWidget* control, int x, int y, int cx, int cy);

    // The window region of a w x h dialog: the rectangle with 7 pixels cut at each top corner.
    static QRegion WindowShape(int w, int h);

    // What the last paint worked with: the client rectangle saved at the first paint and the
    // title bitmap's size (0 x 0 when it could not be loaded).
    QRect SavedClientRect() const { return m_rcClient; }
    QSize TitleBitmapSize() const { return m_bmTitle; }
    bool HasTitleBuffer() const { return !m_memTitle.isNull(); }

    // OK and Cancel; derived dialogs override these (Enter, Escape and the close zone end here).
    virtual void OnOK();
    virtual void OnCancel();
    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

protected:
    // Called each time the dialog is about to be shown; derived versions call this first.
    virtual bool OnInitDialog();
    // Called at the end of every paint; empty here.
    virtual void DrawFrameExtras(QPainter* p);
    // Called when the dialog is closed: frees the title buffers.
    virtual void OnDestroy();
    // Starts moving the window with the mouse (a press in the title bar).
    virtual void BeginTitleDrag(const QPoint& globalPos);

    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void BuildTitle();

    unsigned m_nTitleBitmapId = 222;
    QFont m_fontTitle;
    QImage m_memTitle;  // the composed title bar
    int m_bFirstPaint = 1;
    QString m_strWindowText;
    QRect m_rcClient;
    QSize m_bmTitle;
    unsigned m_nTemplateId;
    bool m_bInitialised = false;  // OnInitDialog ran for the current showing
    bool m_bDragging = false;
    QPoint m_dragOffset;
};
