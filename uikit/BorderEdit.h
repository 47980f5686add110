#pragma once
// Multi-line read-only text without a visible border (the message box text).
#include <QPlainTextEdit>

class CBorderEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CBorderEdit(QWidget* parent = nullptr);

    // Sets the text; CR LF line ends are taken as well as LF.
    void SetText(const QString& text);
    QString Text() const;  // with CR LF line ends

protected:
    void paintEvent(QPaintEvent* e) override;
};
