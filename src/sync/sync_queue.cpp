#include "sync/sync_queue.h"

namespace velq {

SyncQueue syncQueue;

int pushSyncEvent(SyncQueue& queue, const SyncEvent& event)
{
    // Acquire: a slot the consumer has given back is fully read before we overwrite it.
    if (queue.count.load(std::memory_order_acquire) >= syncCapacity) return 0;
    queue.slots[static_cast<std::size_t>(queue.tail)] = event;
    queue.tail = (queue.tail + 1) % syncCapacity;
    // Release: the slot's contents are visible before the consumer can see the new count.
    queue.count.fetch_add(1, std::memory_order_release);
    return 1;
}

std::optional<SyncEvent> popSyncEvent(SyncQueue& queue)
{
    // Acquire: pairs with the producer's release, so the slot is complete when we read it.
    if (queue.count.load(std::memory_order_acquire) == 0) return std::nullopt;
    const SyncEvent event = queue.slots[static_cast<std::size_t>(queue.head)];
    queue.head = (queue.head + 1) % syncCapacity;
    // Release: our copy is finished before the producer may reuse the slot.
    queue.count.fetch_sub(1, std::memory_order_release);
    return event;
}

int peekSyncEvents(const SyncQueue& queue, std::span<SyncEvent, syncCapacity> out)
{
    const int waiting = queue.count.load(std::memory_order_acquire);
    for (int i = 0; i < waiting; ++i)
        out[static_cast<std::size_t>(i)] = queue.slots[static_cast<std::size_t>((queue.head + i) % syncCapacity)];
    return waiting;
}

} // namespace velq
