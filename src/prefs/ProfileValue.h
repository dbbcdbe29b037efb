#pragma once
// How stored setting values read back. Every store keeps a value as text, so an integer written
// reads back as its decimal text and a text reads as an integer only when all of it is one.

#include <optional>
#include <string>

/// The integer a stored text holds: optional blanks, an optional sign, decimal digits, optional
/// blanks, within the range of int. Nothing for anything else ("", "abc", "12abc", "99999999999"),
/// so that the reader's default applies, as for a value of the wrong type.
std::optional<int> parseProfileInt(const std::string& text);
