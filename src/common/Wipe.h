#pragma once
// Wiping secrets (passwords, deciphered card data) from memory before it is given back, so that they
// do not linger in freed blocks where a core file or a swap page could hold them.

#include <cstdint>
#include <string>
#include <vector>

/// Overwrites every byte the string holds (its whole capacity) with zeros and empties it.
void wipeSecret(std::string& text);

/// The same for a byte buffer.
void wipeSecret(std::vector<std::uint8_t>& bytes);

/// Wipes the string it watches when it goes out of scope, whichever way the scope is left.
class WipeOnExit {
public:
    explicit WipeOnExit(std::string& text) : m_text(text) {}
    ~WipeOnExit() { wipeSecret(m_text); }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

private:
    std::string& m_text;
};
