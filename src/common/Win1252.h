#pragma once
// Card texts, passwords and names inside card files are Windows-1252 byte strings. This codec is
// the one place where they meet UTF-8 (the window and the terminal convert at their edges).

#include <string>

/// Converts Windows-1252 bytes to UTF-8. The five bytes Windows-1252 leaves undefined
/// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the same number, as Windows does.
std::string win1252ToUtf8(const std::string& bytes);

/// Converts UTF-8 to Windows-1252 bytes. Returns false, leaving `out` unspecified, when the text is
/// not valid UTF-8 or holds a character Windows-1252 cannot hold; `error` then says which, in words
/// fit to show ("The character “Ω” (U+03A9) cannot be stored in a card.").
bool utf8ToWin1252(const std::string& utf8, std::string& out, std::string* error = nullptr);
