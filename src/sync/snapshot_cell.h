#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace quorvane {

// A small value handed from one thread that writes it to others that read it,
// without a lock: a sequence count around the words of the value. Neither
// side ever waits on the other, so the real-time thread may be either: a
// reader there takes one look (tryLoad) and keeps what it had when the
// writer is in the middle of a store; a reader elsewhere looks again.
template <class T>
class SnapshotCell {
    static_assert(std::is_trivially_copyable_v<T>, "a snapshot is copied word by word");

public:
    explicit SnapshotCell(const T& value = T{}) { store(value); }

    // One writer at a time.
    void store(const T& value)
    {
        std::uint64_t words[wordCount] = {};
        std::memcpy(words, &value, sizeof(T));
        const unsigned sequence = sequence_.load(std::memory_order_relaxed);
        sequence_.store(sequence + 1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
        for (std::size_t i = 0; i < wordCount; ++i)
            words_[i].store(words[i], std::memory_order_relaxed);
        sequence_.store(sequence + 2, std::memory_order_release);
    }

    // One look: false, and value untouched, when a store was under way.
    bool tryLoad(T& value) const
    {
        const unsigned before = sequence_.load(std::memory_order_acquire);
        if (before & 1u)
            return false;
        std::uint64_t words[wordCount];
        for (std::size_t i = 0; i < wordCount; ++i)
            words[i] = words_[i].load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (sequence_.load(std::memory_order_relaxed) != before)
            return false;
        std::memcpy(&value, words, sizeof(T));
        return true;
    }

    // Looks until it finds the value whole. Not for the real-time thread
    // when the writer is another thread that may be held up mid-store.
    T load() const
    {
        T value{};
        while (!tryLoad(value)) { }
        return value;
    }

private:
    static constexpr std::size_t wordCount = (sizeof(T) + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t);

    std::atomic<unsigned> sequence_{0};
    std::atomic<std::uint64_t> words_[wordCount] = {};
};

} // namespace quorvane
