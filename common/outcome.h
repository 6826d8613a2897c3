#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>
#include <utility>

// What went wrong in one operation: a code for the program and a description for the user.
// The description is shown to the user as it stands, so it is written by the component that
// failed and already in the user's language.
struct Failure {
    enum Code {
        TypeMismatch = 13,
        Overflow = 6,
        InvalidPropertyValue = 380,
        UnknownString = 326,
        PortAlreadyOpen = 8005,
        PortNotOpen = 8012,
        PortUnavailable = 8002,
        PortInUse = 8010,
        PermissionDenied = 8015,
        DeviceError = 8020,
        SettingsWrite = 75,
        SettingsRead = 57,
        // The dosimetry record: it cannot be read as one, or an entry could not be written.
        RecordUnreadable = 3001,
        RecordNotWritten = 3002,
    };

    int code = 0;
    QString description;
};

// Success, or the failure of an operation that returns no value.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Failure failure)
        : m_failure(std::move(failure))
    {
    }

    bool isOk() const { return !m_failure.has_value(); }
    explicit operator bool() const { return isOk(); }
    const Failure &failure() const
    {
        Q_ASSERT(m_failure);
        return *m_failure;
    }

private:
    std::optional<Failure> m_failure;
};

// A value, or the failure that kept it from being produced.
template <typename T> class [[nodiscard]] Outcome {
public:
    Outcome(T value)
        : m_value(std::move(value))
    {
    }
    Outcome(Failure failure)
        : m_failure(std::move(failure))
    {
    }

    bool isOk() const { return !m_failure.has_value(); }
    explicit operator bool() const { return isOk(); }
    const T &value() const
    {
        Q_ASSERT(m_value);
        return *m_value;
    }
    const Failure &failure() const
    {
        Q_ASSERT(m_failure);
        return *m_failure;
    }
    Status status() const { return isOk() ? Status() : Status(*m_failure); }

private:
    std::optional<T> m_value;
    std::optional<Failure> m_failure;
};
