#pragma once
// Drop-down list with a flat blue frame and a small drop button.
#include <QComboBox>
#include <QTimer>

class CFlatComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit CFlatComboBox(QWidget* parent = nullptr);

    bool IsPressed() const { return m_bPressed; }
    // The 18 x 18 square of the drop button (before the pressed offset).
    QRect ButtonRect() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void PlaceEdit();
    void OnTimer();

    bool m_bPressed = false;
    QTimer m_timer;  // timer 1: the pressed look lasts one second
};
