#pragma once
// Base of the main window's pages: a child widget named after its template, on the dialog colour.
#include <QWidget>

class CPageDlg : public QWidget {
    Q_OBJECT
public:
    CPageDlg(int templateId, QWidget* parent = nullptr);
    int TemplateId() const { return m_nTemplateId; }

private:
    int m_nTemplateId;
};
