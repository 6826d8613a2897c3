#pragma once

#include "common/outcome.h"
#include "link/linesettings.h"
#include "link/paritymarks.h"

#include <QByteArray>
#include <QString>

// One open serial device, through termios: opened exclusively, configured raw, read without
// blocking. It never writes to the device.
class TtyDevice {
public:
    struct LineOptions {
        LineSettings settings;
        int handshaking = 0;
        bool dtr = false;
    };

    // Errors the driver counted since the previous call.
    struct ErrorCounts {
        int framing = 0;
        int parity = 0;
        int overrun = 0;
        int bufferOverrun = 0;
        int breaks = 0;
    };

    enum class ReadResult { Data, Nothing, Gone };

    TtyDevice() = default;
    ~TtyDevice();
    TtyDevice(const TtyDevice &) = delete;
    TtyDevice &operator=(const TtyDevice &) = delete;

    // `port` only names the port in failure descriptions.
    Status open(int port, const QString &path, const LineOptions &options);
    Status configure(const LineOptions &options);
    void close();

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    const QString &path() const { return m_path; }

    // Appends at most `maxBytes` received characters to `out`. Gone means the device has
    // disappeared or hung up and must be closed.
    ReadResult read(QByteArray &out, qsizetype maxBytes, ErrorCounts &errors);

private:
    Failure failureFromErrno(int error, int port) const;
    void takeDriverCounts(ErrorCounts &errors);

    int m_fd = -1;
    QString m_path;
    bool m_parityMarking = false;
    bool m_countersAvailable = false;
    ErrorCounts m_lastCounts;
    ParityMarkDecoder m_marks;
};
