#include "link/recordshape.h"

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

namespace RecordShape {

bool isReaderShape(QStringView record)
{
    if (record.size() < 8 || record.size() > 10)
        return false;
    if (!(isDigit(record[0]) || record[0] == u'-'))
        return false;
    for (int i : {1, 2, 3, 5, 6, 7}) {
        if (!isDigit(record[i]))
            return false;
    }
    return record[4] == u' ';
}

} // namespace RecordShape
