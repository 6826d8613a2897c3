#pragma once

// The one table of a reading's fields, in the order of the bus signal and its properties (the
// JSON object has them by name): X(name on the bus, D-Bus type, member of Reading, column in the
// lab's CSV record from 1 or 0 for none, that column's name). The bus interface, the JSON, the
// CSV record and the spreadsheet extension all follow it; the build reads it for the interface
// file and the extension. A new field is a line here, its member in Reading, and its
// documentation.
// clang-format off
#define ZAV41K_READING_FIELDS(X)                                   \
    X(Sequence,   "t", sequence,   2, "sequence")                  \
    X(Time,       "x", time,       1, "time")                      \
    X(Absorbance, "d", absorbance, 4, "absorbance")                \
    X(Shown,      "s", shown,      3, "absorbance_shown")          \
    X(Marker,     "b", marker,     0, "")                          \
    X(Wavelength, "u", wavelength, 5, "wavelength_nm")             \
    X(Status,     "s", status,     6, "status")                    \
    X(Damaged,    "b", damaged,    7, "damaged")                   \
    X(Record,     "s", record,     8, "record")
// clang-format on
