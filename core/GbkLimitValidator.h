#pragma once
// Limits an edit's text to a number of GBK bytes (the Windows edit limit counted bytes).
// As there, what does not fit is dropped from the end of the text just typed or pasted
// (the characters before the cursor), so a paste is cut rather than refused.
#include <QValidator>

class CGbkLimitValidator : public QValidator {
public:
    CGbkLimitValidator(int maxBytes, QObject* parent) : QValidator(parent), m_nMaxBytes(maxBytes) {}
    State validate(QString& input, int& pos) const override;

private:
    int m_nMaxBytes;
};
