#pragma once
// Limits an edit's text to a number of GBK bytes (the Windows edit limit counted bytes).
#include <QValidator>

class CGbkLimitValidator : public QValidator {
public:
    CGbkLimitValidator(int maxBytes, QObject* parent) : QValidator(parent), m_nMaxBytes(maxBytes) {}
    State validate(QString& input, int& pos) const override;

private:
    int m_nMaxBytes;
};
