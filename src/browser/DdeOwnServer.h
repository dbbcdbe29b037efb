#pragma once
// What the program's own small DDE server answers when a browser calls it back: the item of a
// request is read by its verb's type list and the answer is fixed by the verb; a poke is
// acknowledged on five verbs.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace dde {

/// The answer data to a request on verb `verb` (an index of the verb table) whose item text is `item`:
/// raw 4 bytes for a number, raw 2 bytes for a truth value, else text and its zero byte. Nothing for a
/// verb the server does not answer. `now` is the time in seconds since 1970 (the transaction ids it
/// gives); `temporaryName` makes the fresh file name "WWW_QueryViewer" asks for.
std::optional<std::string> ownServerAnswer(int verb, const std::string& item, std::uint32_t now,
                                           const std::function<std::string()>& temporaryName);

/// Whether the server acknowledges a poke on verb `verb`.
bool ownServerTakesPoke(int verb);

}  // namespace dde
