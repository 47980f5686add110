#pragma once
// Check box with the light blue outline and halo around its box.
#include <QCheckBox>

class CSkinCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit CSkinCheckBox(QWidget* parent = nullptr);
    explicit CSkinCheckBox(const QString& text, QWidget* parent = nullptr);

    // The box: left 1, right 12, vertically centred.
    QRect BoxRect() const;

protected:
    void paintEvent(QPaintEvent*) override;
    bool hitButton(const QPoint& pos) const override;

private:
    void DefaultPaint(QPainter& p);
};
