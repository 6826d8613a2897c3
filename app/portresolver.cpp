#include "app/portresolver.h"

#include "app/configpaths.h"
#include "link/portmap.h"

namespace PortResolver {

SerialCommControl::DeviceResolver fromSettingsFile()
{
    return [](int port) { return PortMap(ConfigPaths::settingsFile()).devicePath(port); };
}

} // namespace PortResolver
