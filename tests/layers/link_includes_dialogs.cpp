// Must not build: the reader link sits below the dialogs.
#include "dialogs/portselection.h"
