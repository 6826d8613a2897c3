#include "link/commcontrol.h"

CommControl::~CommControl() = default;
