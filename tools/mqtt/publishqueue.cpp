#include "publishqueue.h"

#include <QtGlobal>

#include <utility>

PublishQueue::PublishQueue(int bound, int window)
    : m_bound(bound)
    , m_window(window)
{
    Q_ASSERT(bound >= 1 && window >= 1);
}

void PublishQueue::push(Update update)
{
    m_waiting.push_back(std::move(update));
    while (static_cast<int>(m_waiting.size()) > m_bound) {
        m_waiting.pop_front();
        ++m_dropped;
    }
}

std::optional<PublishQueue::Update> PublishQueue::takeNext()
{
    if (m_waiting.empty() || inFlight() + m_reserved >= m_window)
        return std::nullopt;
    Update next = std::move(m_waiting.front());
    m_waiting.pop_front();
    ++m_reserved;
    return next;
}

void PublishQueue::handedOver(int mid)
{
    Q_ASSERT(m_reserved > 0);
    --m_reserved;
    m_inFlight.insert(mid);
}

void PublishQueue::putBack(Update update)
{
    Q_ASSERT(m_reserved > 0);
    --m_reserved;
    m_waiting.push_front(std::move(update));
}

void PublishQueue::acknowledged(int mid)
{
    m_inFlight.remove(mid);
}

qint64 PublishQueue::takeDropped()
{
    return std::exchange(m_dropped, 0);
}
