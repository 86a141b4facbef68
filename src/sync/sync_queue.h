// The sync queue: carries the music's Zxx callbacks from the player's thread to the director.
// One producer (the sync callback), one consumer (the director), no lock.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>

namespace velq {

// One Zxx callback, stamped with where the song was when its row started.
struct SyncEvent {
    std::int32_t value = 0; // the Zxx parameter, 0 to 255
    std::int32_t songTimeMs = 0;
    std::int32_t order = 0;
    std::int32_t pattern = 0;
    std::int32_t row = 0;
    friend bool operator==(const SyncEvent&, const SyncEvent&) = default;
};

constexpr int syncCapacity = 10;

// A ring of syncCapacity slots. head is written only by the consumer, tail only by the
// producer, a slot only by the producer while it is free; count is the one field both write,
// each change a single atomic read-modify-write.
struct SyncQueue {
    std::array<SyncEvent, syncCapacity> slots{};
    std::int32_t head = 0;             // the slot the next pop takes
    std::int32_t tail = 0;             // the slot the next push fills
    std::atomic<std::int32_t> count{0}; // events waiting, 0 to syncCapacity
};

// The queue between the music and the director.
extern SyncQueue syncQueue;

// 1 when queued, 0 when the queue was full and the event was dropped.
int pushSyncEvent(SyncQueue& queue, const SyncEvent& event);
// The oldest waiting event, or nothing when the queue is empty.
std::optional<SyncEvent> popSyncEvent(SyncQueue& queue);
// Copies the waiting events, oldest first, without taking them. Consumer side only.
int peekSyncEvents(const SyncQueue& queue, std::span<SyncEvent, syncCapacity> out);

inline int pushSyncEvent(const SyncEvent& event) { return pushSyncEvent(syncQueue, event); }
inline std::optional<SyncEvent> popSyncEvent() { return popSyncEvent(syncQueue); }

} // namespace velq
