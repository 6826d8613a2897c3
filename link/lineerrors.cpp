#include "link/lineerrors.h"

#include "link/commcontrol.h"

namespace LineErrors {

QList<qint16> events(const TtyDevice::ErrorCounts &counts)
{
    QList<qint16> raised;
    if (counts.overrun > 0)
        raised.append(CommEventCode::Overrun);
    if (counts.bufferOverrun > 0)
        raised.append(CommEventCode::ReceiveOverflow);
    if (counts.parity > 0)
        raised.append(CommEventCode::Parity);
    if (counts.framing > 0)
        raised.append(CommEventCode::Framing);
    if (counts.breaks > 0)
        raised.append(CommEventCode::Break);
    return raised;
}

} // namespace LineErrors
