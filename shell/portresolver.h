#pragma once

#include "link/serialcommcontrol.h"

namespace PortResolver {

// Port numbers through the port map of the settings file, read at each open so that a Ports
// entry written while the program runs is seen. The file is the one under the program title
// at the moment of the open, which start-up sets before it opens any port.
SerialCommControl::DeviceResolver fromSettingsFile();

} // namespace PortResolver
