#pragma once
// Blowfish as this program applies it: the password's bytes are the key, a block's two halves are
// little-endian 32-bit words (bytes 0-3 left, 4-7 right), and every block stands alone (ECB). Each
// user builds its own BlowfishKey from the password and enciphers through it; there is no shared key
// state, so a worker thread can encipher under one key while another thread uses another.

#include <cstddef>
#include <cstdint>
#include <string_view>

/// The number of 8-byte blocks that cover `bytes` bytes (rounded up).
constexpr std::size_t BlockCount(std::size_t bytes) { return (bytes + 7) / 8; }

/// One password's key schedule (about 4 KiB). Not copyable; its tables are kept out of swap where
/// the system allows, and wiped when it is destroyed.
class BlowfishKey {
public:
    /// The most key bytes used: a longer key is cut to this length before its bytes are cycled.
    static constexpr std::size_t kMaxKeyBytes = 32767;

    /// Runs the key schedule over the first min(`length`, 32,767) bytes at `key`. An empty key (or a
    /// null `key`) mixes nothing into the initial P-array, just as a key of one zero byte would.
    BlowfishKey(const std::uint8_t* key, std::size_t length);

    /// Runs the key schedule over the bytes of `key` (a password as stored, no terminator).
    explicit BlowfishKey(std::string_view key);

    /// Wipes the P-array and the S-boxes.
    ~BlowfishKey();

    BlowfishKey(const BlowfishKey&) = delete;
    BlowfishKey& operator=(const BlowfishKey&) = delete;

    /// Enciphers `blocks` consecutive 8-byte blocks of `buffer` in place (at most 65,535 a call).
    void EncryptBlocks(std::uint8_t* buffer, std::uint16_t blocks) const;

    /// Deciphers `blocks` consecutive 8-byte blocks of `buffer` in place (at most 65,535 a call).
    void DecryptBlocks(std::uint8_t* buffer, std::uint16_t blocks) const;

    /// Enciphers any number of blocks, in runs of at most 65,535 blocks per EncryptBlocks call.
    void EncryptAll(std::uint8_t* buffer, std::size_t blocks) const;

    /// Deciphers any number of blocks, in runs of at most 65,535 blocks per DecryptBlocks call.
    void DecryptAll(std::uint8_t* buffer, std::size_t blocks) const;

private:
    // Held in the object itself, so building a key allocates nothing and a block touches only these.
    struct State {
        std::uint32_t p[18];
        std::uint32_t s[4][256];
    };
    State m_state;
    bool m_locked = false;  // m_state's pages are locked in memory
};
