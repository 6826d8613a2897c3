#pragma once

#include <QByteArray>
#include <QSet>

#include <deque>
#include <optional>

// The updates on their way to the broker, oldest first. At most `window` of them are handed to
// the MQTT client at a time (it keeps those across reconnects and sends them again); the rest
// wait here. When more than `bound` updates wait, the oldest waiting one is dropped and counted:
// the newest values are the ones a lab wants, and the broker keeps only the last as retained.
class PublishQueue {
public:
    struct Update {
        QByteArray topic;
        QByteArray payload;
    };

    PublishQueue(int bound, int window);

    void push(Update update);
    // The next update to hand over, if the window has room.
    std::optional<Update> takeNext();
    // The client took the update taken last under this message id, or could not take it now:
    // then it goes back to the front, to be handed over first.
    void handedOver(int mid);
    void putBack(Update update);
    // The broker has it.
    void acknowledged(int mid);

    int waiting() const { return static_cast<int>(m_waiting.size()); }
    int inFlight() const { return static_cast<int>(m_inFlight.size()); }
    // Updates dropped since the last call.
    qint64 takeDropped();

private:
    int m_bound;
    int m_window;
    std::deque<Update> m_waiting;
    QSet<int> m_inFlight;
    int m_reserved = 0;
    qint64 m_dropped = 0;
};
