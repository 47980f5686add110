#pragma once
// The start-up splash (template 409): a modeless window shown while the first load runs.
// The object is global and lives for the whole process; its window exists only while shown.
#include <QPointer>
#include <string>

class QDialog;
class QWidget;

class CWelComeDlg {
public:
    CWelComeDlg();
    ~CWelComeDlg();

    // Makes the window (child of parent), centres it over the parent and shows it.
    void Create(QWidget* parent);
    void DestroyWindow();
    bool IsWindow() const { return !m_wnd.isNull(); }
    QDialog* Window() const { return m_wnd.data(); }
    // The text static 1269 shows.
    std::string StaticText() const;

    std::string m_strText = "正在启动短信彩信开发平台……";  // bound to static 1269
    std::string m_strText2;                                    // used only when not empty

private:
    QPointer<QDialog> m_wnd;
};

extern CWelComeDlg g_dlgWelcome;
