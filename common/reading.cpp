#include "common/reading.h"

namespace {

struct StatusName {
    Reading::Status status;
    const char *name;
};

constexpr StatusName kStatusNames[] = {
    {Reading::Status::Ok, "ok"},
    {Reading::Status::UnderRange, "under-range"},
    {Reading::Status::OverRange, "over-range"},
    {Reading::Status::NoData, "no-data"},
    {Reading::Status::Dropped, "dropped"},
};

} // namespace

QString Reading::statusName(Status status)
{
    for (const StatusName &entry : kStatusNames) {
        if (entry.status == status)
            return QString::fromLatin1(entry.name);
    }
    return {};
}

bool Reading::statusFromName(const QString &name, Status *status)
{
    for (const StatusName &entry : kStatusNames) {
        if (name == QLatin1String(entry.name)) {
            *status = entry.status;
            return true;
        }
    }
    return false;
}
