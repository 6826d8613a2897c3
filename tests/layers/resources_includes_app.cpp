// Must not build: the string table sits below the application shell.
#include "app/programtitle.h"
