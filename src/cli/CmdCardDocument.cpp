// dump, ls and convert: card documents from the terminal.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <optional>

#include <nlohmann/json.hpp>

#include "cardstore/CardFile.h"
#include "cardstore/DateStamp.h"
#include "cli/Commands.h"
#include "cli/DocumentAccess.h"
#include "cli/Terminal.h"
#include "common/SafeFile.h"
#include "common/Win1252.h"
#include "common/Wipe.h"
#include "crypto/PasswordRules.h"

// Says on standard error why a card document cannot be used, after its load. The messages of the
// load itself ("Empty File !", "Password not correct,try again." ...) were already shown.
bool loadedForCommand(const std::string& path, const LoadResult& result, const TerminalPrompter& ui) {
    // A refused password was already reported; it must not pass for a cancelled prompt.
    if (ui.inputRefused()) return false;
    // An old document opened without its password holds no card of its file: nothing to show or
    // convert, and writing it would lose the file's cards.
    if (result.cardsUnread) {
        std::cerr << path << ": " << result.error << '\n';
        return false;
    }
    switch (result.outcome) {
        case LoadOutcome::Loaded:
            return true;
        case LoadOutcome::EncryptedFileName:
            std::cerr << path << " is an encrypted file, not a card document (use decrypt-file).\n";
            return false;
        case LoadOutcome::EmptyFile:
        case LoadOutcome::NotQuorvane:
            return false;
        case LoadOutcome::Failed:
        case LoadOutcome::ReadError:
            if (!result.error.empty()) std::cerr << path << ": " << result.error << '\n';
            return false;
    }
    return false;
}

// Loads a card document into a store, or says why not.
bool loadForCommand(const std::string& path, CardStore& store, TerminalPrompter& ui, int dateFormat,
                    LoadResult& result) {
    result = loadCardDocument(path, store, ui, dateFormat);
    return loadedForCommand(path, result, ui);
}

// Indexes a card document for a pass over its cards, or says why not. The commands that only show
// the cards read them one at a time, so a document of any size takes little more than its own size.
bool indexForCommand(const std::string& path, CardDocumentIndex& index, TerminalPrompter& ui, int dateFormat,
                     LoadResult& result) {
    result = indexCardDocument(path, index, ui, dateFormat);
    return loadedForCommand(path, result, ui);
}

namespace {

// A JSON string from Windows-1252 bytes. Control characters (and DEL) are written as \u00XX, as
// dump has always written them; nlohmann's writer gives some of them short escapes (\n, \t ...),
// which are turned back here so that the output stays what scripts have been reading.
std::string jsonString(const std::string& win1252) {
    const std::string json =
        nlohmann::json(win1252ToUtf8(win1252)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::string out;
    out.reserve(json.size());
    for (std::size_t i = 0; i < json.size(); ++i) {
        char code = 0;
        if (json[i] == '\\' && i + 1 < json.size()) {
            switch (json[i + 1]) {
                case 'b': code = '\b'; break;
                case 'f': code = '\f'; break;
                case 'n': code = '\n'; break;
                case 'r': code = '\r'; break;
                case 't': code = '\t'; break;
                default: out += json[i]; out += json[++i]; continue;  // \\, \" and \u00XX as they are
            }
            ++i;
        } else if (json[i] == '\x7F') {
            code = '\x7F';
        }
        if (code) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(code));
            out += escaped;
        } else {
            out += json[i];
        }
    }
    return out;
}

const char* formatName(CardFileFormat format) {
    switch (format) {
        case CardFileFormat::Version1001: return "1.001";
        case CardFileFormat::Version1002: return "1.002";
        case CardFileFormat::Current: break;
    }
    return "current";
}

void writeCardJson(std::ostream& out, int listId, const Card& card, int dateFormat) {
    out << "{\"list\": " << listId << ", \"categoryId\": " << unsigned(card.categoryId)
        << ", \"legacyFlags\": " << unsigned(card.legacyFlags)
        << ", \"stateFlags\": " << unsigned(card.storedStateFlags())
        << ", \"automaticAccess\": " << (card.automaticAccess == 1 ? "true" : "false")
        << ", \"newBrowserWindow\": " << (card.newBrowserWindow == 1 ? "true" : "false")
        << ", \"dateStamp\": " << card.dateStamp << ", \"extraValue\": " << card.extraValue << ", \"fields\": ["
        << jsonString(card.firstField) << ", " << jsonString(card.secondField) << ", " << jsonString(card.thirdField)
        << ", " << jsonString(card.fourthField) << "], \"note\": " << jsonString(card.note)
        << ", \"date\": " << jsonString(FormatDateStamp(card.dateStamp, dateFormat)) << "}";
}

// A card text on one line of the listing: line breaks and other control characters become blanks.
std::string oneLine(const std::string& win1252) {
    std::string utf8 = win1252ToUtf8(win1252);
    for (char& c : utf8)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return utf8;
}

}  // namespace

int cmdDump(const DumpOptions& options) {
    const std::string& path = options.file;
    const int dateFormat = options.dateFormat;

    TerminalPrompter ui;
    if (!usePasswordSource(ui, options.password)) return 1;
    CardDocumentIndex index;
    LoadResult result;
    if (!indexForCommand(path, index, ui, dateFormat, result)) return 1;
    warnOfConflictCopies(path);

    std::ostream& out = std::cout;
    writeDocumentJson(out, index, result, dateFormat);
    return out ? 0 : 1;
}

void writeDocumentJson(std::ostream& out, const CardDocumentIndex& index, const LoadResult& result, int dateFormat) {
    // Written card by card as it is made; nothing goes out before the document has been read.
    out << "{\"format\": \"" << formatName(result.format) << "\", \"encrypted\": " << (result.encrypted ? "true" : "false")
        << ", \"cards\": [";
    bool first = true;
    auto write = [&](int listId, const Card& card) {
        out << (first ? "\n  " : ",\n  ");
        writeCardJson(out, listId, card, dateFormat);
        first = false;
    };
    // In file order: the cards of numbers that are no category (listed under their own number)
    // around the deleted cards, as a save writes them.
    std::vector<std::pair<int, int>> unshown;  // number, index
    for (int i = 0; i < index.unshownCount(); ++i) unshown.emplace_back(index.unshownCard(i).categoryId, i);
    std::stable_sort(unshown.begin(), unshown.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    auto next = unshown.begin();
    for (int id : storedListOrder()) {
        for (; next != unshown.end() && next->first < id && out; ++next) write(next->first, index.unshownCard(next->second));
        for (int i = 0; i < index.cardCount(id) && out; ++i) write(id, index.card(id, i));
    }
    for (; next != unshown.end() && out; ++next) write(next->first, index.unshownCard(next->second));
    out << (first ? "]}\n" : "\n]}\n") << std::flush;
}

int cmdList(const ListOptions& options) {
    const std::string& path = options.file;

    TerminalPrompter ui;
    if (!usePasswordSource(ui, options.password)) return 1;
    CardDocumentIndex index;
    LoadResult result;
    if (!indexForCommand(path, index, ui, 0, result)) return 1;
    warnOfConflictCopies(path);

    std::ostream& out = std::cout;
    for (int id = 0; id < kCategoryCount && out; ++id) {
        out << categoryDisplayName(id) << " (" << index.cardCount(id) << ")\n";
        for (int i = 0; i < index.cardCount(id) && out; ++i) {
            const Card card = index.card(id, i);
            out << "  " << oneLine(card.firstField) << "  |  " << oneLine(card.secondField) << "  |  "
                << std::string(card.fourthField.size(), '*') << '\n';
        }
    }
    out << "Deleted cards: " << index.cardCount(kDeletedCategoryId) << '\n';
    if (index.unshownCount() > 0) out << "Cards of other categories (see dump): " << index.unshownCount() << '\n';
    out << std::flush;
    return out ? 0 : 1;
}

int cmdConvert(const ConvertOptions& options) {
    const std::string& in = options.in;
    const std::string& out = options.out;
    // The program takes a name ending in ~~~ for an encrypted file and never opens it as a card
    // document, so such a document could not be read back.
    if (fileNameOf(out).size() >= 3 && fileNameOf(out).compare(fileNameOf(out).size() - 3, 3, "~~~") == 0) {
        std::cerr << out << ": a name ending in ~~~ is kept for encrypted files; a card document of that name "
                     "could not be opened. Choose another name.\n";
        return 1;
    }

    TerminalPrompter ui(options.force);
    if (!usePasswordSource(ui, options.password)) return 1;
    // Like encrypt-file and decrypt-file, an existing output is replaced only with --force; asked
    // before the password, so nothing is typed in vain.
    if (fileExists(out) && !ui.confirmReplace(out)) return 1;
    CardStore store;
    LoadResult result;
    if (!loadForCommand(in, store, ui, 0, result)) return 1;

    if (options.plain) {
        store.encryptOnSave = 0;
    } else if (options.encrypt) {
        const EncryptionForm form = options.legacy ? EncryptionForm::Old : EncryptionForm::Strong;
        // The form wanted may need what the input did not bring: a plain input a new password, a strong
        // one (which keeps no password) a password for the old form, an old one a key for the strong
        // form, derived from the password it was opened with.
        std::string password;
        WipeOnExit wipePassword(password);
        if (store.encryptOnSave == 1 && store.encryptionForm == EncryptionForm::Old) {
            password = store.encryptionPassword;
        } else if (store.encryptOnSave == 0 || form == EncryptionForm::Old) {
            auto entered = ui.askNewPassword("New Encryption Password");
            if (!entered) {
                if (!ui.inputRefused()) std::cerr << "No password was given; " << out << " was not written.\n";
                return 1;
            }
            WipeOnExit wipeFirst(entered->first);
            WipeOnExit wipeSecond(entered->second);
            NewPasswordVerdict verdict = checkNewPassword(entered->first, entered->second);
            if (verdict != NewPasswordVerdict::Accepted) {
                ui.showMessage(newPasswordMessage(verdict));
                return 1;
            }
            password = entered->first;
        }
        // A strong input converted to the strong form keeps its key (and so its salt and costs).
        if (!password.empty() && !setEncryptionPassword(store, password, form)) {
            std::cerr << "The key for " << out << " could not be derived (not enough memory); it was not written.\n";
            return 1;
        }
    }

    // Without --force the name must still be free when the file is put in place: a file made there
    // meanwhile is never replaced.
    SaveResult saved = saveCardDocument(out, store, ui, options.force ? WriteMode::Replace : WriteMode::CreateOnly);
    if (saved.outcome == SaveOutcome::WriteError) std::cerr << saved.error << '\n';
    return saved.outcome == SaveOutcome::Saved ? 0 : 1;
}

bool usePasswordSource(TerminalPrompter& ui, const PasswordSource& source) {
    if (source.passwordFile.empty()) return true;
    std::string error;
    auto password = readPasswordFile(source.passwordFile, error);
    if (!password) {
        std::cerr << error << '\n';
        return false;
    }
    ui.usePasswordFromFile(std::move(*password));
    return true;
}
