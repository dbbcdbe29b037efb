#pragma once
// One card: four labelled texts, a note, a date and two web settings. Texts are Windows-1252 bytes.

#include <cstdint>
#include <string>

// The longest text a card stores: a text of 32,767 bytes or more is refused, so the text and its NUL
// always fit the signed 16-bit count the copying code keeps.
inline constexpr std::size_t kMaxTextBytes = 32766;

struct Card {
    std::string firstField;
    std::string secondField;
    std::string thirdField;
    std::string fourthField;
    std::string note;
    std::string categoryName;  // memory only: display name of the card's category
    std::string dateText;      // memory only: dateStamp formatted for display
    std::int32_t listPosition = 0;
    std::int32_t automaticAccess = 0;   // memory only, 0 after loading
    std::int32_t newBrowserWindow = 0;  // memory only, 0 after loading
    std::uint8_t categoryId = 0;
    std::uint8_t legacyFlags = 0;
    std::uint8_t stateFlags = 0;
    // Seconds since 1904-01-01 00:00:00 local time, read as unsigned so dates up to 2040 stay true.
    std::uint32_t dateStamp = 0;
    std::uint32_t extraValue = 0;

    /// The number of bytes this card takes in a file body: 24 header bytes, five texts and their NULs.
    std::size_t storedSize() const {
        return 29 + firstField.size() + secondField.size() + thirdField.size() + fourthField.size() + note.size();
    }
    bool operator==(const Card&) const = default;
};
