#pragma once

#include "common/outcome.h"

#include <optional>

// The continue-on-failure mode of a handler: a failing step leaves its effect out and its
// failure is kept, the latest replacing any earlier one (a later success does not clear it),
// until an explicit check looks at it.
class PendingFailure {
public:
    // The value, or nothing after keeping the failure.
    template <typename T> std::optional<T> take(const Outcome<T> &outcome)
    {
        if (outcome)
            return outcome.value();
        m_failure = outcome.failure();
        return std::nullopt;
    }

    void take(const Status &status)
    {
        if (!status)
            m_failure = status.failure();
    }

    bool isPending() const { return m_failure.has_value(); }
    const Failure &failure() const { return *m_failure; }

private:
    std::optional<Failure> m_failure;
};
