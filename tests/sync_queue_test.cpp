#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "sync/sync_queue.h"

namespace velq {
namespace {

SyncEvent event(int value) { return SyncEvent{value, value * 10, value + 1, value + 2, value + 3}; }

TEST(SyncQueueTest, KeepsTheFirstTenAndRefusesTheEleventh)
{
    SyncQueue queue;
    for (int i = 0; i < syncCapacity; ++i) EXPECT_EQ(pushSyncEvent(queue, event(i)), 1);
    EXPECT_EQ(pushSyncEvent(queue, event(99)), 0);
    EXPECT_EQ(queue.count.load(), 10);
    EXPECT_EQ(queue.tail, 0);
    for (int i = 0; i < syncCapacity; ++i) {
        const auto popped = popSyncEvent(queue);
        ASSERT_TRUE(popped);
        EXPECT_EQ(*popped, event(i)) << i;
    }
    EXPECT_FALSE(popSyncEvent(queue));
}

TEST(SyncQueueTest, PopFromEmptyChangesNothing)
{
    SyncQueue queue;
    pushSyncEvent(queue, event(1));
    pushSyncEvent(queue, event(2));
    popSyncEvent(queue);
    popSyncEvent(queue);
    EXPECT_FALSE(popSyncEvent(queue));
    EXPECT_EQ(queue.head, 2);
    EXPECT_EQ(queue.tail, 2);
    EXPECT_EQ(queue.count.load(), 0);
}

TEST(SyncQueueTest, WrapsBackToSlotZero)
{
    SyncQueue queue;
    for (int i = 0; i < syncCapacity; ++i) pushSyncEvent(queue, event(i));
    for (int i = 0; i < syncCapacity; ++i) popSyncEvent(queue);
    EXPECT_EQ(pushSyncEvent(queue, event(0xFF)), 1);
    EXPECT_EQ(queue.slots[0], event(0xFF));
    EXPECT_EQ(queue.tail, 1);
    EXPECT_EQ(popSyncEvent(queue), event(0xFF));
}

TEST(SyncQueueTest, PeekShowsWaitingEventsOldestFirst)
{
    SyncQueue queue;
    for (int i = 0; i < 8; ++i) pushSyncEvent(queue, event(i));
    for (int i = 0; i < 6; ++i) popSyncEvent(queue);
    for (int i = 8; i < 12; ++i) pushSyncEvent(queue, event(i)); // wraps past the last slot
    std::array<SyncEvent, syncCapacity> waiting;
    ASSERT_EQ(peekSyncEvents(queue, waiting), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(waiting[i], event(i + 6));
    EXPECT_EQ(queue.count.load(), 6);
}

// A producer and a consumer hammer one queue: every event the producer saw accepted comes
// out exactly once and in order, and every refused one never comes out.
TEST(SyncQueueTest, TwoThreadsLoseNothingButTheRefused)
{
    constexpr int total = 1'000'000;
    SyncQueue queue;
    std::vector<char> accepted(total, 0);
    std::atomic<bool> done{false};
    std::thread producer([&] {
        // Every field carries the sequence number, so a torn slot would show. Bursts of 16
        // overrun the ten slots; between bursts the producer gives the consumer a moment to
        // free some, so that pushes meet both a full queue and a consumer at work. The wait is
        // bounded, so a busy machine makes more refusals, never a hang.
        for (int i = 0; i < total; ++i) {
            accepted[i] = static_cast<char>(pushSyncEvent(queue, SyncEvent{i, i, i, i, i}));
            if (i % 16 == 15)
                for (int spin = 0; spin < 2000 && queue.count.load(std::memory_order_relaxed) >= syncCapacity; ++spin) {}
        }
        done.store(true, std::memory_order_release);
    });
    std::vector<int> received;
    received.reserve(total);
    auto take = [&](const SyncEvent& e) {
        EXPECT_TRUE(e.songTimeMs == e.value && e.order == e.value && e.pattern == e.value && e.row == e.value)
            << "torn event " << e.value;
        received.push_back(e.value);
    };
    while (!done.load(std::memory_order_acquire)) {
        if (const auto popped = popSyncEvent(queue)) take(*popped);
    }
    producer.join();
    while (const auto popped = popSyncEvent(queue)) take(*popped);

    std::vector<int> expected;
    for (int i = 0; i < total; ++i)
        if (accepted[i]) expected.push_back(i);
    EXPECT_EQ(received, expected);
    EXPECT_GT(expected.size(), static_cast<std::size_t>(syncCapacity));
    EXPECT_LT(expected.size(), static_cast<std::size_t>(total));
}

} // namespace
} // namespace velq
