#pragma once
// How a call's arguments become a DDE item text and how a reply's data becomes values.
//
// A type list names the arguments or reply fields: codes separated by commas, "DW" (unsigned
// 32-bit number, decimal), "QCS" (text in double quotes, an inner double quote written as backslash
// plus double quote), "CS" (text as it is) and "BL" (truth value, "TRUE" or "FALSE"). Texts are
// Windows-1252 bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace dde {

enum class ArgCode { DW, QCS, CS, BL };

/// The code a type-list entry starts with ("QCS" before "CS"); nothing for any other entry.
std::optional<ArgCode> argCode(const std::string& entry);

/// One argument or reply field: a number, a text or a truth value.
using Value = std::variant<std::uint32_t, std::string, bool>;
/// An argument the caller may leave out: it adds nothing to the item, but its comma stays.
using Arg = std::optional<Value>;

/// The item text for `typeList` and one argument per code. A code that is none of the four ends
/// the item there. An argument of the wrong kind for its code counts as missing.
std::string buildItem(const std::string& typeList, const std::vector<Arg>& args);

/// Reads reply `data` by `typeList`, one value per known code (unknown codes give none).
///
/// A type list that is exactly "DW" or "BL" reads raw little-endian data of 4 or 2 bytes (too
/// short: 0 or false). Anything else is text up to its first zero byte, split into fields at the
/// commas outside double quotes; an empty field is missing and reads as 0, "" or false.
std::vector<Value> readReply(const std::string& data, const std::string& typeList);

/// A reply or answer of type "DW" as raw data: 4 bytes, little-endian.
std::string rawNumber(std::uint32_t value);
/// A reply or answer of type "BL" as raw data: 2 bytes, 1 for true.
std::string rawTruth(bool value);

/// The number, text or truth value of `value`, or the empty one of that kind.
std::uint32_t numberOf(const Value& value);
std::string textOf(const Value& value);
bool truthOf(const Value& value);

}  // namespace dde
