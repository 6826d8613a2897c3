#include "dosimeterid.h"

QString DosimeterId::next(const QString &id)
{
    qsizetype start = id.size();
    while (start > 0 && id.at(start - 1).isDigit() && id.at(start - 1).unicode() < 128)
        --start;
    if (start == id.size())
        return {};
    QString digits = id.sliced(start);
    // Count on by hand: a run of digits may be longer than any integer type.
    qsizetype i = digits.size();
    while (i > 0 && digits.at(i - 1) == u'9')
        digits[--i] = u'0';
    if (i == 0)
        digits.prepend(u'1');
    else
        digits[i - 1] = QChar(digits.at(i - 1).unicode() + 1);
    return id.first(start) + digits;
}
