// resolve: a sync program's conflict copies of a card document merged into it and moved to the trash.
#include <iostream>
#include <optional>
#include <utility>
#include <vector>

#include "cardstore/CardFile.h"
#include "cardstore/CardMerge.h"
#include "cardstore/ConflictCopies.h"
#include "cli/CardEditing.h"
#include "cli/Commands.h"
#include "common/SafeFile.h"
#include "common/Trash.h"
#include "common/Wipe.h"

namespace {

// Gives the old form's password the document was opened with to the one question a load asks, and
// keeps the load's messages to itself: the quiet first try at a copy.
class KnownPassword : public Prompter {
public:
    explicit KnownPassword(std::optional<std::string> password) : m_password(std::move(password)) {}
    ~KnownPassword() override {
        if (m_password)
            wipeSecret(*m_password);
    }
    KnownPassword(const KnownPassword&) = delete;
    KnownPassword& operator=(const KnownPassword&) = delete;

    void showMessage(const std::string&) override {}
    std::optional<std::string> askPassword(const std::string&) override {
        m_asked = true;
        return std::exchange(m_password, std::nullopt);
    }
    bool confirmReplace(const std::string&) override { return false; }
    bool asked() const { return m_asked; }

private:
    std::optional<std::string> m_password;
    bool m_asked = false;
};

bool readWhole(const LoadResult& result) {
    return result.outcome == LoadOutcome::Loaded && !result.cardsUnread;
}

// Reads the conflict copy at `copy` into `theirs`: with the document's key or password first, then
// with one asked for (a few times). False after saying why not.
bool readCopy(const std::string& copy, const CardStore& ours, TerminalPrompter& ui, CardStore& theirs) {
    std::optional<std::string> known;
    if (ours.encryptionForm == EncryptionForm::Old && !ours.encryptionPassword.empty())
        known = ours.encryptionPassword;
    theirs.encryptionKey = ours.encryptionKey;
    {
        KnownPassword quiet(std::move(known));
        LoadResult result = loadCardDocument(copy, theirs, quiet, 0);
        if (readWhole(result))
            return true;
        if (!quiet.asked()) {
            std::cerr << copy << " could not be read as a card document"
                      << (result.error.empty() ? std::string() : ": " + result.error) << "; it was left where it is.\n";
            return false;
        }
    }
    for (int attempt = 0; attempt < 3 && !ui.inputRefused(); ++attempt) {
        theirs.clear();
        theirs.encryptionKey.reset();
        const LoadResult result = loadCardDocument(copy, theirs, ui, 0);
        if (readWhole(result))
            return true;
        if (result.outcome != LoadOutcome::Loaded && result.outcome != LoadOutcome::Failed)
            break;
    }
    std::cerr << copy << " was not merged: it did not open with the password given; it was left where it is.\n";
    return false;
}

// The path as a shell takes it back: quoted when it holds more than plain characters.
std::string shellWord(const std::string& path) {
    if (!path.empty() &&
        path.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._-+,:@%=") ==
            std::string::npos)
        return path;
    std::string quoted = "'";
    for (char c : path)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

void warnOfConflictCopies(const std::string& path) {
    const std::vector<std::string> copies = findConflictCopies(path);
    for (const std::string& copy : copies)
        std::cerr << "Warning: " << copy << " is a sync program's conflict copy of " << path
                  << "; its changes are not in it.\n";
    if (!copies.empty())
        std::cerr << "Run quorvane-cli resolve " << shellWord(path) << " to merge them.\n";
}

int cmdResolve(const ResolveOptions& options) {
    if (findConflictCopies(options.file).empty()) {
        std::cout << "No conflict copies of " << options.file << ".\n";
        return 0;
    }
    DocumentChange change;
    if (!change.open(options.file, options.password, options.force, false))
        return 1;
    const std::vector<std::string> copies = findConflictCopies(change.path);
    struct Merged {
        std::string copy;
        CardMergeResult merge;
    };
    std::vector<Merged> merged;
    bool allMerged = true;
    for (const std::string& copy : copies) {
        CardStore theirs;
        if (!readCopy(copy, change.store, change.ui, theirs)) {
            allMerged = false;
            continue;
        }
        CardStore result;
        const CardMergeResult merge = mergeConflictCopy(change.store, theirs, result);
        swapCards(change.store, result);  // the document keeps its own encryption
        merged.push_back({copy, merge});
    }
    if (merged.empty())
        return 1;
    // The copies go only once their cards are safely in the document.
    if (!change.save())
        return 1;
    for (const Merged& m : merged) {
        const int cards = m.merge.fromTheirs;
        if (cards == 0)
            std::cout << fileNameOf(m.copy) << " held no card the document lacked";
        else
            std::cout << cards << (cards == 1 ? " card" : " cards") << " from " << fileNameOf(m.copy) << " merged";
        if (m.merge.conflicts > 0)
            std::cout << " (" << m.merge.conflicts << " changed differently in the two copies: both kept, the copy's "
                      << "marked \"" << (kOtherCopyMark + 1) << "\")";
        const TrashResult trashed = moveToTrash(m.copy);
        if (trashed.ok) {
            std::cout << "; the copy was moved to the trash: " << trashed.trashedPath << "\n";
        } else {
            std::cout << ".\n";
            std::cerr << m.copy << " could not be moved to the trash (" << trashed.error
                      << "); its cards are merged, so remove it by hand.\n";
            allMerged = false;
        }
    }
    return allMerged ? 0 : 1;
}
