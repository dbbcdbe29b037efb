#pragma once
// What the commands that change a document share: opening it for a change (or starting a new one),
// finding a category and a card, taking texts from the command line, and saving.

#include <cstdint>
#include <optional>
#include <string>

#include "cardstore/CardStore.h"
#include "cardstore/DocumentGuard.h"
#include "cli/Commands.h"
#include "cli/Terminal.h"

/// A document opened for a change: the file as it was read, and its lock while the command runs.
struct ChangeSession {
    bool force = false;  // write even when another program holds the lock or changed the file
    FileFingerprint read;
    DocumentLock lock;
};

/// Loads the document at `path` for a change. When no file has that name and `create` is set, starts
/// an empty one instead (encrypted under a new password when the name ends in ".qve") and says so.
/// Takes the document's lock first: a document another program holds open for changes is refused
/// unless the session is forced. False after saying why the document cannot be used.
bool openForChange(const std::string& path, CardStore& store, TerminalPrompter& ui, bool create,
                   ChangeSession& session);

/// Writes the changed document back in its own type, under its own password, unless the file was
/// changed by another program since it was read (and the session is not forced). False after saying
/// why.
bool saveChanged(const std::string& path, const CardStore& store, TerminalPrompter& ui, ChangeSession& session);

/// A document opened for one change by a command: the terminal it asks on, its cards, and the
/// session that guards its file.
struct DocumentChange {
    TerminalPrompter ui;
    CardStore store;
    ChangeSession session;
    std::string path;

    /// Takes the password source and opens `file` for a change, as openForChange does.
    bool open(const std::string& file, const PasswordSource& password, bool force, bool create);
    /// Writes the changed document back, as saveChanged does.
    bool save() { return saveChanged(path, store, ui, session); }
};

/// The number (0-14) of the category with this name, compared without case; -1 after listing the
/// names there are.
int categoryForCommand(const std::string& name);

/// The position of the card `which` names in its category, or -1 after saying there is none.
int cardForCommand(const CardStore& store, int categoryId, const CardSelector& which);

/// A text typed as UTF-8, as a card keeps it (Windows-1252, a note's line breaks as CR LF); nothing
/// after saying what is wrong, naming the card (`card`, as "Card \"Example\"" or "Row 4 (card
/// \"Example\")") and `field`.
std::optional<std::string> cardTextForCommand(const std::string& utf8, const std::string& card,
                                              const std::string& field, bool isNote);

/// A card text for a line of output: UTF-8, a note's CR LF as line feeds.
std::string textForOutput(const std::string& win1252, bool isNote);

/// The line show prints for a note's one-time code setup: "One-time code: 123456 (17 s)" at `now`
/// (Unix time), or why the setup gives none.
std::string oneTimeCodeLine(const std::string& setupText, std::int64_t now);

/// A card's note for show: as textForOutput gives it, with its setup line replaced by the code's line
/// (revealed, the setup line stays and the code's line follows it).
std::string noteForOutput(const std::string& note, bool reveal, std::int64_t now);
