// The bounded queue between two streaming threads: what a flush, an abort and a full queue do
// to a caller, including one that is blocked.

#include "platform/media/SampleQueue.h"

#include <gtest/gtest.h>

#include <future>

using namespace platform::media;

namespace {

SamplePtr Sample(int serial, REFERENCE_TIME start) {
    auto sample = std::make_unique<MediaSample>();
    sample->serial = serial;
    sample->start = start;
    return sample;
}

// Whether a call finishes within a short wait (true) or stays blocked (false).
template <typename Result>
bool Finishes(std::future<Result>& call) {
    return call.wait_for(std::chrono::milliseconds(200)) == std::future_status::ready;
}

TEST(SampleQueue, StaleSamplesAreDroppedAndBoundsHold) {
    struct Case {
        const char* name;
        std::vector<int> putSerials;  // queue of 3, generation 1
        std::vector<REFERENCE_TIME> got;
    };
    const Case cases[] = {
        {"current generation in order", {1, 1, 1}, {0, 1, 2}},
        {"older and newer generations dropped", {0, 1, 2, 1}, {1, 3}},
        {"nothing but stale samples", {0, 2}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SampleQueue queue(3);
        queue.Flush(1);
        for (size_t i = 0; i < c.putSerials.size(); ++i) {
            EXPECT_TRUE(queue.Put(Sample(c.putSerials[i], static_cast<REFERENCE_TIME>(i))));
        }
        EXPECT_EQ(queue.Size(), c.got.size());
        std::vector<REFERENCE_TIME> got;
        while (SamplePtr sample = queue.TryGet()) {
            got.push_back(sample->start);
        }
        EXPECT_EQ(got, c.got);
    }
}

TEST(SampleQueue, BlockedCallersWakeOnRoomFlushAndAbort) {
    enum class Wake { Get, Flush, Abort };
    struct Case {
        Wake wake;
        bool putResult;
        size_t sizeAfter;
    };
    // A full queue blocks the next Put until something happens.
    const Case cases[] = {{Wake::Get, true, 1}, {Wake::Flush, true, 0}, {Wake::Abort, false, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.wake));
        SampleQueue queue(1);
        queue.Flush(1);
        ASSERT_TRUE(queue.Put(Sample(1, 0)));
        auto put = std::async(std::launch::async, [&] { return queue.Put(Sample(1, 1)); });
        EXPECT_FALSE(Finishes(put));
        switch (c.wake) {
            case Wake::Get:
                EXPECT_EQ(queue.Get()->start, 0);
                break;
            case Wake::Flush:
                queue.Flush(2);  // the waiting sample is stale now
                break;
            case Wake::Abort:
                queue.Abort();
                break;
        }
        ASSERT_TRUE(Finishes(put));
        EXPECT_EQ(put.get(), c.putResult);
        EXPECT_EQ(queue.Size(), c.sizeAfter);
    }
    // An empty queue blocks Get until an abort; after it every call returns at once.
    SampleQueue queue(2);
    auto get = std::async(std::launch::async, [&] { return queue.Get(); });
    EXPECT_FALSE(Finishes(get));
    queue.Abort();
    ASSERT_TRUE(Finishes(get));
    EXPECT_EQ(get.get(), nullptr);
    EXPECT_FALSE(queue.Put(Sample(0, 0)));
    queue.Restart();
    EXPECT_TRUE(queue.Put(Sample(queue.Serial(), 7)));
    EXPECT_EQ(queue.TryGet()->start, 7);
}

}  // namespace
