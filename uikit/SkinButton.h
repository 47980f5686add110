#pragma once
// Push button of the popup dialogs: white-to-blue-gray gradient face, blue frame, an orange
// hover ring and a blue focus ring.
#include <QPushButton>
#include <QTimer>

// Owner-draw item state bits.
enum : unsigned {
    ODS_SELECTED = 0x0001,
    ODS_DISABLED = 0x0004,
    ODS_FOCUS = 0x0010,
    ODS_DEFAULT = 0x0020,
};

// The owner-draw state bits of a push button as it stands: pressed, disabled, focused, default.
unsigned OwnerDrawState(const QPushButton& button);

class CSkinButton : public QPushButton {
    Q_OBJECT
public:
    explicit CSkinButton(QWidget* parent = nullptr);
    explicit CSkinButton(const QString& text, QWidget* parent = nullptr);

    // Paints the whole button into item with the given owner-draw state bits.
    void DrawItem(QPainter& p, const QRect& item, unsigned state);
    // The state bits of the button as it stands.
    unsigned ItemState() const;
    bool IsHover() const { return m_bHover; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    void OnMouseHover();

    QTimer m_hoverTimer;  // the 1 ms hover notification
    bool m_bHover = false;
    bool m_bTracking = false;
    bool m_bFocus = false;
    bool m_bStrong = false;
};
