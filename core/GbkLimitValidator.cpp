#include "core/GbkLimitValidator.h"

#include "platform/TextCodec.h"

namespace {
std::size_t Bytes(const QString& s) { return codec::GbkLength(codec::FromQ(s)); }
}  // namespace

QValidator::State CGbkLimitValidator::validate(QString& input, int& pos) const {
    if (input.contains(QLatin1Char('\n')) || input.contains(QLatin1Char('\r'))) return Invalid;
    const std::size_t limit = std::size_t(m_nMaxBytes);
    if (Bytes(input) <= limit) return Acceptable;
    // Drop whole characters before the cursor until the text fits.
    QString text = input;
    int at = qBound(0, pos, int(text.size()));
    while (at > 0 && Bytes(text) > limit) {
        const int len = at >= 2 && text[at - 1].isLowSurrogate() && text[at - 2].isHighSurrogate() ? 2 : 1;
        text.remove(at - len, len);
        at -= len;
    }
    if (Bytes(text) > limit) return Invalid;
    input = text;
    pos = at;
    return Acceptable;
}
