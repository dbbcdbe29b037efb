#include "crypto/GuardedBytes.h"

#include <sodium.h>

#include <utility>

bool sodiumReady() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

std::optional<GuardedBytes> GuardedBytes::allocate(std::size_t size) {
    if (!sodiumReady() || size == 0) return std::nullopt;
    GuardedBytes bytes;
    bytes.m_data = sodium_malloc(size);
    if (!bytes.m_data) return std::nullopt;
    bytes.m_size = size;
    bytes.m_mutex = std::make_unique<std::mutex>();
    sodium_memzero(bytes.m_data, size);
    sodium_mprotect_noaccess(bytes.m_data);
    return bytes;
}

GuardedBytes::~GuardedBytes() { release(); }

GuardedBytes::GuardedBytes(GuardedBytes&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)),
      m_size(std::exchange(other.m_size, 0)),
      m_mutex(std::move(other.m_mutex)) {}

GuardedBytes& GuardedBytes::operator=(GuardedBytes&& other) noexcept {
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_mutex = std::move(other.m_mutex);
    }
    return *this;
}

void GuardedBytes::release() {
    if (!m_data) return;
    // sodium_free makes the pages writable and wipes them before giving them back.
    sodium_free(m_data);
    m_data = nullptr;
    m_size = 0;
}

GuardedBytes::Access::Access(const GuardedBytes& bytes, bool writable) : m_bytes(bytes) {
    if (writable)
        sodium_mprotect_readwrite(m_bytes.m_data);
    else
        sodium_mprotect_readonly(m_bytes.m_data);
}

GuardedBytes::Access::~Access() { sodium_mprotect_noaccess(m_bytes.m_data); }
