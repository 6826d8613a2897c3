#include "shell/portresolver.h"

#include "link/portmap.h"
#include "shell/configpaths.h"

namespace PortResolver {

SerialCommControl::DeviceResolver fromSettingsFile()
{
    return [](int port) { return PortMap(ConfigPaths::settingsFile()).devicePath(port); };
}

} // namespace PortResolver
