// Must not build: the reader link knows nothing of the publication.
#include "publish/linknames.h"
