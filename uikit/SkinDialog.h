#pragma once
// Base of every popup dialog: no system caption or border, a bitmap title bar with the window
// text, a four-line blue frame, cut top corners, a white background, dragging by the title
// bar and a close zone at its right end.
#include <QDialog>
#include <QFont>
#include <QImage>

#include <functional>

// Results of DoModal.
enum { IDOK = 1, IDCANCEL = 2 };

class CSkinDialog : public QDialog {
    Q_OBJECT
public:
    // templateId names the dialog; the title bitmap is 222.
    explicit CSkinDialog(unsigned templateId, QWidget* parent = nullptr);
    ~CSkinDialog() override;

    // Runs the dialog modally: IDOK or IDCANCEL (or the code given to EndDialog). With a
    // modal-run hook installed, the hook runs in place of the event loop and its value is returned.
    int DoModal();

    // A test's stand-in for the modal run of every skinned dialog. The hook gets the dialog
    // (not shown yet; Show() runs its initialisation) and returns the dialog's result.
    using ModalRunFn = std::function<int(CSkinDialog&)>;
    // Installs the hook (empty: the real modal run) and returns the one it replaces.
    static ModalRunFn SetModalRunHook(ModalRunFn fn);
    // Shows the dialog without a modal loop and lets its initialisation run (for hooks).
    void ShowForHook();
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

// A test's scoped modal-run hook: installed for the scope, the previous one restored after.
class ScopedModalRun {
public:
    explicit ScopedModalRun(CSkinDialog::ModalRunFn fn) : old_(CSkinDialog::SetModalRunHook(std::move(fn))) {}
    ~ScopedModalRun() { CSkinDialog::SetModalRunHook(std::move(old_)); }
    ScopedModalRun(const ScopedModalRun&) = delete;
    ScopedModalRun& operator=(const ScopedModalRun&) = delete;

private:
    CSkinDialog::ModalRunFn old_;
};
