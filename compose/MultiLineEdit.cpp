#include "compose/MultiLineEdit.h"

#include "platform/TextCodec.h"

#include <QTextCursor>

CMultiLineEdit::CMultiLineEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setStyleSheet(QStringLiteral("CMultiLineEdit { border: 1px solid rgb(140,170,230); }"));
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, QColor(255, 255, 255));
    pal.setColor(QPalette::Text, QColor(0, 0, 0));
    setPalette(pal);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { EnforceLimit(); });
}

void CMultiLineEdit::SetText(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    setPlainText(t);
}

QString CMultiLineEdit::Text() const {
    QString t = toPlainText();
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return t;
}

void CMultiLineEdit::SetLimitBytes(int maxBytes) {
    m_nLimit = maxBytes;
    EnforceLimit();
}

void CMultiLineEdit::EnforceLimit() {
    if (m_nLimit <= 0 || m_bCutting) return;
    const std::string text = codec::FromQ(Text());
    if (codec::GbkLength(text) <= static_cast<std::size_t>(m_nLimit)) return;
    std::string cut = codec::CutToGbkBytes(text, m_nLimit);
    if (!cut.empty() && cut.back() == '\r') cut.pop_back();  // never half a line end
    m_bCutting = true;
    SetText(codec::ToQ(cut));
    moveCursor(QTextCursor::End);
    m_bCutting = false;
}
