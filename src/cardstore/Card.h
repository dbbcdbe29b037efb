#pragma once
// One card: four labelled texts, a note, a date and two web settings. Texts are Windows-1252 bytes.

#include <cstdint>
#include <string>

// The longest text a card stores: a text of 32,767 bytes or more is refused, so the text and its NUL
// always fit the signed 16-bit count the copying code keeps.
inline constexpr std::size_t kMaxTextBytes = 32766;

// The web switches' bits of the state flags byte a file stores (other programs carry the byte as it is).
inline constexpr std::uint8_t kStateAutomaticAccess = 0x10;
inline constexpr std::uint8_t kStateNewBrowserWindow = 0x20;

struct Card {
    std::string firstField;
    std::string secondField;
    std::string thirdField;
    std::string fourthField;
    std::string note;
    std::string categoryName;  // memory only: display name of the card's category
    std::string dateText;      // memory only: dateStamp formatted for display
    std::int32_t listPosition = 0;
    std::int32_t automaticAccess = 0;   // 1 on; stored as kStateAutomaticAccess
    std::int32_t newBrowserWindow = 0;  // 1 on; stored as kStateNewBrowserWindow
    std::uint8_t categoryId = 0;
    std::uint8_t legacyFlags = 0;
    // The state flags byte but for the switches' bits, which the two fields above hold; bits this
    // program does not know are kept as read.
    std::uint8_t stateFlags = 0;
    // Seconds since 1904-01-01 00:00:00 local time, read as unsigned so dates up to 2040 stay true.
    std::uint32_t dateStamp = 0;
    std::uint32_t extraValue = 0;

    /// The number of bytes this card takes in a file body: 24 header bytes, five texts and their NULs.
    std::size_t storedSize() const {
        return 29 + firstField.size() + secondField.size() + thirdField.size() + fourthField.size() + note.size();
    }
    /// The state flags byte as a file stores it: stateFlags with the bits of the switches that are on.
    std::uint8_t storedStateFlags() const {
        const auto others = static_cast<std::uint8_t>(stateFlags & ~(kStateAutomaticAccess | kStateNewBrowserWindow));
        return static_cast<std::uint8_t>(others | (automaticAccess == 1 ? kStateAutomaticAccess : 0) |
                                         (newBrowserWindow == 1 ? kStateNewBrowserWindow : 0));
    }
    /// Takes a stored state flags byte apart: the switches from their bits, every other bit into stateFlags.
    void setStoredStateFlags(std::uint8_t stored) {
        automaticAccess = (stored & kStateAutomaticAccess) ? 1 : 0;
        newBrowserWindow = (stored & kStateNewBrowserWindow) ? 1 : 0;
        stateFlags = static_cast<std::uint8_t>(stored & ~(kStateAutomaticAccess | kStateNewBrowserWindow));
    }
    bool operator==(const Card&) const = default;
};
