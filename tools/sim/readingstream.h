#pragma once

#include <QByteArray>

#include <random>

// Records as a reader in use sends them: an absorbance that drifts the way film densities do
// from one measurement to the next, a wavelength that changes now and then, the under-range
// flag near zero and the over-range flag at the top of the scale.
class ReadingStream {
public:
    explicit ReadingStream(unsigned seed = 41);

    // The next record's eight characters, without a line end.
    QByteArray next();

private:
    std::mt19937 m_random;
    int m_count = 800;
    bool m_at510 = true;
};
