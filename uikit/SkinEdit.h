#pragma once
// Single-line edit with a light blue frame.
#include <QLineEdit>

class CSkinEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CSkinEdit(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* e) override;
};
