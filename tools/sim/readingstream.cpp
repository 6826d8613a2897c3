#include "readingstream.h"

ReadingStream::ReadingStream(unsigned seed)
    : m_random(seed)
{
}

QByteArray ReadingStream::next()
{
    std::normal_distribution<double> step(0.0, 60.0);
    m_count = qBound(-40, m_count + static_cast<int>(step(m_random)), 2700);
    if (std::uniform_int_distribution<int>(0, 49)(m_random) == 0)
        m_at510 = !m_at510;
    const bool under = m_count < 0;
    const bool over = m_count > 2600;
    const int shown = qBound(0, m_count, 9998);
    return QByteArray::number(shown).rightJustified(4, '0') + ' ' + (m_at510 ? '0' : '1') +
           (under ? '1' : '0') + (over ? '1' : '0');
}
