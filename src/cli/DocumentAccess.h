#pragma once
// Opening card documents for the commands: the password from standard input or a file, and what to
// say when a document cannot be used.

#include <ostream>
#include <string>

#include "cardstore/CardFile.h"
#include "cardstore/CardStore.h"
#include "cli/Commands.h"
#include "cli/Terminal.h"

/// Makes `ui` answer password questions from the password file, if one is named; false (after
/// saying why) when the file is refused.
bool usePasswordSource(TerminalPrompter& ui, const PasswordSource& source);

/// Whether a finished load may be used; says on standard error why not (the load's own messages,
/// such as "Password not correct,try again.", were already shown).
bool loadedForCommand(const std::string& path, const LoadResult& result, const TerminalPrompter& ui);

/// Loads a card document into a store, or says why not.
bool loadForCommand(const std::string& path, CardStore& store, TerminalPrompter& ui, int dateFormat,
                    LoadResult& result);

/// Indexes a card document for one pass over its cards, or says why not.
bool indexForCommand(const std::string& path, CardDocumentIndex& index, TerminalPrompter& ui, int dateFormat,
                     LoadResult& result);

/// The document as JSON, as dump prints it: its format, whether it is encrypted, and every card of
/// every list (the deleted cards last) with its date in `dateFormat`.
void writeDocumentJson(std::ostream& out, const CardDocumentIndex& index, const LoadResult& result, int dateFormat);
