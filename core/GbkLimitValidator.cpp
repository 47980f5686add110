#include "core/GbkLimitValidator.h"

#include "platform/TextCodec.h"

QValidator::State CGbkLimitValidator::validate(QString& input, int&) const {
    if (input.contains(QLatin1Char('\n')) || input.contains(QLatin1Char('\r'))) return Invalid;
    return codec::GbkLength(codec::FromQ(input)) <= std::size_t(m_nMaxBytes) ? Acceptable : Invalid;
}
