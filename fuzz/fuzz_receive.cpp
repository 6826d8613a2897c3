// The receive path, from raw bytes in arbitrary fragments through framing and decoding to the
// indicators. Each input byte that starts a fragment says how long the fragment is.

#include "fuzzapplication.h"
#include "support/fakecommcontrol.h"
#include "support/readerharness.h"

#include <QRegularExpression>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzApplication::ensure();
    ReaderHarness<FakeCommControl> window;
    // Garbage arriving while a decoder box is open is decoded nested, as under a real box.
    int nested = 0;
    window.prompter.whileOpen = [&] {
        if (nested++ < 4)
            window.comm.receive("zz 1\r\n");
    };
    size_t i = 0;
    while (i < size) {
        const size_t length = std::min<size_t>(size - i - 1, data[i] % 24);
        window.comm.receive(
            QByteArray(reinterpret_cast<const char *>(data + i + 1), qsizetype(length)));
        i += length + 1;
    }
    while (!window.comm.waiting.isEmpty())
        window.comm.receive({});

    static const QRegularExpression absorbance(QStringLiteral("^(|LO|HI|9999|-?\\d+\\.\\d{2,3})$"));
    using Item = IndicatorModel::Item;
    const QString wavelength = window.indicators.text(Item::Wavelength);
    // A piece of ten waits for the character after it, never more.
    if (window.reader.receiveHandler().ReceiveBuffer().size() > 10 ||
        window.prompter.mostOpenAtOnce > 2 || window.indicators.progress() < 0 ||
        window.indicators.progress() > 95 ||
        (wavelength != QLatin1String("510") && wavelength != QLatin1String("600")) ||
        !absorbance.match(window.indicators.text(Item::Absorbance)).hasMatch())
        std::abort();
    return 0;
}
