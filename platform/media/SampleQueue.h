#pragma once
// A bounded queue of samples between two streaming threads: mutex + condition variable + abort
// flag, and the serial of the current flush generation so stale samples are dropped. Internal;
// any thread may call.

#include "platform/media/MediaSample.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace platform::media {

class SampleQueue {
public:
    explicit SampleQueue(size_t maxItems) : m_maxItems(maxItems) {}

    // Blocks while full. A sample of another serial is dropped at once. False when aborted.
    bool Put(SamplePtr sample);
    // Blocks while empty; null when aborted or after timeout (when given).
    SamplePtr Get();
    SamplePtr GetFor(std::chrono::milliseconds timeout);
    SamplePtr TryGet();
    // The time of the first waiting sample, or false when empty.
    bool PeekStart(REFERENCE_TIME* start, MediaSample::Kind* kind);

    // Empties the queue and starts a new generation; blocked callers wake.
    void Flush(int serial);
    void Abort();    // every waiting and later call returns at once
    void Restart();  // clears the abort flag and the contents
    int Serial() const;
    size_t Size() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<SamplePtr> m_items;  // guarded by m_mutex
    size_t m_maxItems;
    int m_serial = 0;        // guarded by m_mutex
    bool m_aborted = false;  // guarded by m_mutex
};

}  // namespace platform::media
