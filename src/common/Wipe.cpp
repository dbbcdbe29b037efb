#include "common/Wipe.h"

#include <cstring>

// explicit_bzero, unlike memset, is never dropped as a store to memory about to be freed.
void wipeSecret(std::string& text) {
    if (text.capacity() != 0) explicit_bzero(text.data(), text.capacity());
    text.clear();
}

void wipeSecret(std::vector<std::uint8_t>& bytes) {
    if (bytes.capacity() != 0) explicit_bzero(bytes.data(), bytes.capacity());
    bytes.clear();
}
