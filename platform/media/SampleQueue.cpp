#include "platform/media/SampleQueue.h"

namespace platform::media {

bool SampleQueue::Put(SamplePtr sample) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] {
        return m_aborted || sample->serial != m_serial || m_items.size() < m_maxItems;
    });
    if (m_aborted) {
        return false;
    }
    if (sample->serial == m_serial) {
        m_items.push_back(std::move(sample));
        m_changed.notify_all();
    }
    return true;
}

SamplePtr SampleQueue::Get() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_aborted || !m_items.empty(); });
    if (m_aborted) {
        return nullptr;
    }
    SamplePtr sample = std::move(m_items.front());
    m_items.pop_front();
    m_changed.notify_all();
    return sample;
}

SamplePtr SampleQueue::GetFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    if (!m_changed.wait_for(lock, timeout, [&] { return m_aborted || !m_items.empty(); }) ||
        m_aborted) {
        return nullptr;
    }
    SamplePtr sample = std::move(m_items.front());
    m_items.pop_front();
    m_changed.notify_all();
    return sample;
}

SamplePtr SampleQueue::TryGet() {
    return GetFor(std::chrono::milliseconds(0));
}

bool SampleQueue::PeekStart(REFERENCE_TIME* start, MediaSample::Kind* kind) {
    std::lock_guard lock(m_mutex);
    if (m_items.empty()) {
        return false;
    }
    *start = m_items.front()->start;
    *kind = m_items.front()->kind;
    return true;
}

void SampleQueue::Flush(int serial) {
    std::deque<SamplePtr> old;
    {
        std::lock_guard lock(m_mutex);
        old.swap(m_items);
        m_serial = serial;
    }
    m_changed.notify_all();
}

void SampleQueue::Abort() {
    {
        std::lock_guard lock(m_mutex);
        m_aborted = true;
    }
    m_changed.notify_all();
}

void SampleQueue::Restart() {
    std::deque<SamplePtr> old;
    std::lock_guard lock(m_mutex);
    old.swap(m_items);
    m_aborted = false;
}

int SampleQueue::Serial() const {
    std::lock_guard lock(m_mutex);
    return m_serial;
}

size_t SampleQueue::Size() const {
    std::lock_guard lock(m_mutex);
    return m_items.size();
}

}  // namespace platform::media
