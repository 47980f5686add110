#pragma once
// The wait cursor for a scope; nothing off the UI thread or without a GUI application.
#include "platform/Seams.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

class WaitCursor {
public:
    WaitCursor() : m_bOn(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) && seam::IsUiThread()) {
        if (m_bOn) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor() {
        if (m_bOn) QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool m_bOn;
};
