#include "core/PageDlg.h"

#include <QMouseEvent>
#include <QPalette>

CPageDlg::CPageDlg(int templateId, QWidget* parent) : QWidget(parent), m_nTemplateId(templateId) {
    setObjectName(QString::number(templateId));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(235, 243, 246));
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
}

void CPageDlg::mousePressEvent(QMouseEvent* e) { e->accept(); }
