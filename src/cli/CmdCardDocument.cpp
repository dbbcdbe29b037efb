// dump, ls and convert: card documents from the terminal.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <optional>

#include "cardstore/CardFile.h"
#include "cardstore/DateStamp.h"
#include "cli/Commands.h"
#include "cli/Terminal.h"
#include "common/SafeFile.h"
#include "common/Win1252.h"
#include "crypto/PasswordRules.h"

namespace {

// Splits the arguments of a command into files and the few options it knows; reports the rest.
struct ParsedArgs {
    std::vector<std::string> files;
    std::optional<int> dateFormat;
    bool encrypt = false;
    bool plain = false;
    bool force = false;
    bool ok = true;
};

bool parseInt(const std::string& text, int& value) {
    if (text.empty()) return false;
    std::size_t used = 0;
    try {
        long parsed = std::stol(text, &used);
        if (used != text.size() || parsed < -1000000 || parsed > 1000000) return false;
        value = static_cast<int>(parsed);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

ParsedArgs parseArgs(const Args& args, const char* command, bool allowDateFormat, bool allowEncryption) {
    ParsedArgs parsed;
    bool onlyFiles = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-") {
            parsed.files.push_back(arg);
        } else if (arg == "--") {
            onlyFiles = true;
        } else if (allowDateFormat && (arg == "--date-format" || arg.rfind("--date-format=", 0) == 0)) {
            std::string value;
            if (arg == "--date-format") {
                if (i + 1 >= args.size()) {
                    std::cerr << "quorvane-cli " << command << ": --date-format needs a number\n";
                    parsed.ok = false;
                    return parsed;
                }
                value = args[++i];
            } else {
                value = arg.substr(std::string("--date-format=").size());
            }
            int number = 0;
            if (!parseInt(value, number)) {
                std::cerr << "quorvane-cli " << command << ": --date-format needs a number, not '" << value << "'\n";
                parsed.ok = false;
                return parsed;
            }
            parsed.dateFormat = number;
        } else if (allowEncryption && arg == "--encrypt") {
            parsed.encrypt = true;
        } else if (allowEncryption && arg == "--plain") {
            parsed.plain = true;
        } else if (allowEncryption && arg == "--force") {
            parsed.force = true;
        } else {
            std::cerr << "quorvane-cli " << command << ": unknown option '" << arg << "'\n";
            parsed.ok = false;
            return parsed;
        }
    }
    return parsed;
}

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

// A JSON string from Windows-1252 bytes; control characters are written as \u00XX.
std::string jsonString(const std::string& win1252) {
    std::string utf8 = win1252ToUtf8(win1252);
    std::string out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (char c : utf8) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
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
        << ", \"legacyFlags\": " << unsigned(card.legacyFlags) << ", \"stateFlags\": " << unsigned(card.stateFlags)
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

std::string oneFile(const ParsedArgs& parsed, const char* command, const char* usage) {
    if (parsed.files.size() != 1) {
        std::cerr << "Usage: quorvane-cli " << command << ' ' << usage << '\n';
        return {};
    }
    return parsed.files[0];
}

}  // namespace

int cmdDump(const Args& args) {
    ParsedArgs parsed = parseArgs(args, "dump", true, false);
    if (!parsed.ok) return 1;
    std::string path = oneFile(parsed, "dump", "FILE [--date-format N]");
    if (path.empty()) return 1;
    const int dateFormat = parsed.dateFormat.value_or(0);

    TerminalPrompter ui;
    CardDocumentIndex index;
    LoadResult result;
    if (!indexForCommand(path, index, ui, dateFormat, result)) return 1;

    // Written card by card as it is made; nothing goes out before the document has been read.
    std::ostream& out = std::cout;
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
    return out ? 0 : 1;
}

int cmdList(const Args& args) {
    ParsedArgs parsed = parseArgs(args, "ls", false, false);
    if (!parsed.ok) return 1;
    std::string path = oneFile(parsed, "ls", "FILE");
    if (path.empty()) return 1;

    TerminalPrompter ui;
    CardDocumentIndex index;
    LoadResult result;
    if (!indexForCommand(path, index, ui, 0, result)) return 1;

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

int cmdConvert(const Args& args) {
    ParsedArgs parsed = parseArgs(args, "convert", false, true);
    if (!parsed.ok) return 1;
    if (parsed.files.size() != 2 || (parsed.encrypt && parsed.plain)) {
        std::cerr << "Usage: quorvane-cli convert IN OUT [--encrypt | --plain] [--force]\n";
        return 1;
    }
    const std::string& in = parsed.files[0];
    const std::string& out = parsed.files[1];
    // The program takes a name ending in ~~~ for an encrypted file and never opens it as a card
    // document, so such a document could not be read back.
    if (fileNameOf(out).size() >= 3 && fileNameOf(out).compare(fileNameOf(out).size() - 3, 3, "~~~") == 0) {
        std::cerr << out << ": a name ending in ~~~ is kept for encrypted files; a card document of that name "
                     "could not be opened. Choose another name.\n";
        return 1;
    }

    TerminalPrompter ui(parsed.force);
    // Like encrypt-file and decrypt-file, an existing output is replaced only with --force; asked
    // before the password, so nothing is typed in vain.
    if (fileExists(out) && !ui.confirmReplace(out)) return 1;
    CardStore store;
    LoadResult result;
    if (!loadForCommand(in, store, ui, 0, result)) return 1;

    if (parsed.plain) {
        store.encryptOnSave = 0;
    } else if (parsed.encrypt && store.encryptOnSave == 0) {
        // A plain input needs a new password; an enciphered one keeps the password it was opened with.
        auto entered = ui.askNewPassword("New Encryption Password");
        if (!entered) {
            if (!ui.inputRefused()) std::cerr << "No password was given; " << out << " was not written.\n";
            return 1;
        }
        NewPasswordVerdict verdict = checkNewPassword(entered->first, entered->second);
        if (verdict != NewPasswordVerdict::Accepted) {
            ui.showMessage(newPasswordMessage(verdict));
            return 1;
        }
        store.encryptionPassword = entered->first;
        store.encryptOnSave = 1;
    }

    // Without --force the name must still be free when the file is put in place: a file made there
    // meanwhile is never replaced.
    SaveResult saved = saveCardDocument(out, store, ui, parsed.force ? WriteMode::Replace : WriteMode::CreateOnly);
    if (saved.outcome == SaveOutcome::WriteError) std::cerr << saved.error << '\n';
    return saved.outcome == SaveOutcome::Saved ? 0 : 1;
}
