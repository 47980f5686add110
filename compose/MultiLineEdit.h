#pragma once
// Multi-line edit of the send pages and their dialogs: a light blue frame, CR LF line ends in
// and out, and an optional limit in GBK bytes (CR LF counted as two).
#include <QPlainTextEdit>

class CMultiLineEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CMultiLineEdit(QWidget* parent = nullptr);

    void SetText(const QString& text);
    QString Text() const;  // with CR LF line ends
    // 0: no limit. Text past the limit is cut off its end on a character boundary.
    void SetLimitBytes(int maxBytes);

private:
    void EnforceLimit();
    int m_nLimit = 0;
    bool m_bCutting = false;
};
