// The serial control's Settings text: whatever parses must print back to the same settings.

#include "fuzzapplication.h"
#include "link/linesettings.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzApplication::ensure();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const Outcome<LineSettings> parsed = LineSettings::parse(text);
    if (!parsed) {
        if (parsed.failure().description.isEmpty())
            std::abort();
        return 0;
    }
    const Outcome<LineSettings> again = LineSettings::parse(parsed.value().toString());
    if (!again || !(again.value() == parsed.value()))
        std::abort();
    return 0;
}
