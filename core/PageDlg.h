#pragma once
// Base of the main window's pages: a child widget named after its template, on the dialog colour.
#include <QWidget>

class CPageDlg : public QWidget {
    Q_OBJECT
public:
    CPageDlg(int templateId, QWidget* parent = nullptr);
    int TemplateId() const { return m_nTemplateId; }

protected:
    // A press on the page stays on the page: it does not drag the main window.
    void mousePressEvent(QMouseEvent* e) override;

private:
    int m_nTemplateId;
};
