#pragma once
// Secret bytes in libsodium's guarded memory: their own pages between guard pages, locked out of
// swap, unreadable except while a read or write runs, and wiped when given back.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

/// Makes libsodium ready (once per process); false when it cannot start (no random source).
bool sodiumReady();

class GuardedBytes {
public:
    GuardedBytes() = default;
    /// `size` zero bytes, or nothing when guarded memory cannot be had.
    static std::optional<GuardedBytes> allocate(std::size_t size);
    /// Wipes and frees the bytes.
    ~GuardedBytes();
    GuardedBytes(GuardedBytes&& other) noexcept;
    GuardedBytes& operator=(GuardedBytes&& other) noexcept;
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    std::size_t size() const { return m_size; }
    bool empty() const { return m_data == nullptr; }

    /// Runs `use(const std::uint8_t*)` with the bytes readable, then makes them unreadable again.
    /// Calls from several threads take turns.
    template <class Use>
    decltype(auto) read(Use&& use) const {
        std::lock_guard lock(*m_mutex);
        Access access(*this, false);
        return use(static_cast<const std::uint8_t*>(m_data));
    }

    /// The same with the bytes writable (`use(std::uint8_t*)`).
    template <class Use>
    decltype(auto) write(Use&& use) {
        std::lock_guard lock(*m_mutex);
        Access access(*this, true);
        return use(static_cast<std::uint8_t*>(m_data));
    }

private:
    struct Access {
        Access(const GuardedBytes& bytes, bool writable);
        ~Access();
        const GuardedBytes& m_bytes;
    };
    void release();

    void* m_data = nullptr;
    std::size_t m_size = 0;
    std::unique_ptr<std::mutex> m_mutex;
};
