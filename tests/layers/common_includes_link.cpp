// Must not build: the shared vocabulary sits below the reader link.
#include "link/commcontrol.h"
