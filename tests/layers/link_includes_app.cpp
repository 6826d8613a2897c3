// Must not build: the reader link sits below the application shell.
#include "app/startup.h"
