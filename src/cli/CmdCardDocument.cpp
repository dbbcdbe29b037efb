// dump, ls and convert: card documents from the terminal.
#include <cstdio>
#include <iostream>
#include <optional>

#include <nlohmann/json.hpp>

#include "cardstore/CardFile.h"
#include "cardstore/DateStamp.h"
#include "cli/Commands.h"
#include "cli/DocumentAccess.h"
#include "cli/Terminal.h"
#include "common/Win1252.h"
#include "crypto/PasswordRules.h"

// Says on standard error why a card document cannot be used, after its load. The messages of the
// load itself ("Empty File !", "Password not correct,try again." ...) were already shown.
bool loadedForCommand(const std::string& path, const LoadResult& result, const TerminalPrompter& ui) {
    // A refused password was already reported; it must not pass for a cancelled prompt.
    if (ui.inputRefused()) return false;
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

}  // namespace

int cmdDump(const DumpOptions& options) {
    const std::string& path = options.file;
    const int dateFormat = options.dateFormat;

    TerminalPrompter ui;
    if (!usePasswordSource(ui, options.password)) return 1;
    CardDocumentIndex index;
    LoadResult result;
    if (!indexForCommand(path, index, ui, dateFormat, result)) return 1;

    std::ostream& out = std::cout;
    writeDocumentJson(out, index, result, dateFormat);
    return out ? 0 : 1;
}

void writeDocumentJson(std::ostream& out, const CardDocumentIndex& index, const LoadResult& result, int dateFormat) {
    // Written card by card as it is made; nothing goes out before the document has been read.
    out << "{\"format\": \"" << formatName(result.format) << "\", \"encrypted\": " << (result.encrypted ? "true" : "false")
        << ", \"cards\": [";
    bool first = true;
    for (int id : storedListOrder()) {
        for (int i = 0; i < index.cardCount(id) && out; ++i) {
            out << (first ? "\n  " : ",\n  ");
            writeCardJson(out, id, index.card(id, i), dateFormat);
            first = false;
        }
    }
    out << (first ? "]}\n" : "\n]}\n") << std::flush;
}

int cmdList(const ListOptions& options) {
    const std::string& path = options.file;

    TerminalPrompter ui;
    if (!usePasswordSource(ui, options.password)) return 1;
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
    out << "Deleted cards: " << index.cardCount(kDeletedCategoryId) << '\n' << std::flush;
    return out ? 0 : 1;
}

int cmdConvert(const ConvertOptions& options) {
    const std::string& in = options.in;
    const std::string& out = options.out;

    TerminalPrompter ui;
    if (!usePasswordSource(ui, options.password)) return 1;
    CardStore store;
    LoadResult result;
    if (!loadForCommand(in, store, ui, 0, result)) return 1;

    if (options.plain) {
        store.encryptOnSave = 0;
    } else if (options.encrypt && store.encryptOnSave == 0) {
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

    SaveResult saved = saveCardDocument(out, store, ui);
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
