// Builds: the reader link uses the shared vocabulary. Shows that the check itself works.
#include "common/outcome.h"
