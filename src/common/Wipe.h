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
