#pragma once

#include "common/indicatormodel.h"

#include <QObject>
#include <QStringList>

// Every assignment to the indicators, in the order made, as "item=value" lines
// ("wavelength=510", "errorcode.visible=0", "progress=5").
class AssignmentLog : public QObject {
    Q_OBJECT

public:
    explicit AssignmentLog(IndicatorModel &model);

    QStringList entries;
    // Only the text assignments, which are what linked programs receive.
    QStringList texts() const;
    // The texts assigned to one item.
    QStringList values(IndicatorModel::Item item) const;
    void clear() { entries.clear(); }
};
