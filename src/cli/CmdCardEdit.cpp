// add, edit, rm, find and show: single cards from the terminal, through the same card operations
// as the window's Card menu.
#include <algorithm>
#include <cctype>
#include <ctime>
#include <iostream>

#include "cardstore/CardFile.h"
#include "cardstore/CardOperations.h"
#include "cardstore/CardSearch.h"
#include "cardstore/DateStamp.h"
#include "cli/CardEditing.h"
#include "cli/DocumentAccess.h"
#include "common/SafeFile.h"
#include "common/Win1252.h"
#include "common/Wipe.h"
#include "crypto/PasswordRules.h"

namespace {

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && sameIgnoringCase(text.substr(text.size() - tail.size()), tail);
}

// The label of a field without its colon, for messages and listings.
std::string labelText(const std::string& label) {
    return !label.empty() && label.back() == ':' ? label.substr(0, label.size() - 1) : label;
}

// The texts the options set, over `texts`; false after saying what is wrong with one.
bool applyFieldOptions(const CardFieldOptions& fields, const Labels& labels, const std::string& cardName,
                       TerminalPrompter& ui, CardTexts& texts) {
    struct Field {
        const std::optional<std::string>& value;
        std::string& target;
        std::string label;
        bool isNote;
    };
    const Field list[] = {{fields.name, texts.firstField, labelText(labels[0]), false},
                          {fields.url, texts.secondField, labelText(labels[1]), false},
                          {fields.user, texts.thirdField, labelText(labels[2]), false},
                          {fields.note, texts.note, "Note", true}};
    for (const Field& field : list) {
        if (!field.value) continue;
        auto text = cardTextForCommand(*field.value, "Card \"" + cardName + "\"", field.label, field.isNote);
        if (!text) return false;
        field.target = *text;
    }
    if (fields.passwordPrompt) {
        auto secret = ui.askSecretText(labelText(labels[3]));
        if (!secret) {
            if (!ui.inputRefused()) std::cerr << "No " << labelText(labels[3]) << " was given; nothing was changed.\n";
            return false;
        }
        auto text = cardTextForCommand(win1252ToUtf8(*secret), "Card \"" + cardName + "\"", labelText(labels[3]), false);
        if (!text) return false;
        texts.fourthField = *text;
    }
    return true;
}

// The web switches the options set, over the card's.
void applySwitchOptions(const CardFieldOptions& fields, Card& card) {
    if (fields.automaticAccess) card.automaticAccess = *fields.automaticAccess ? 1 : 0;
    if (fields.newWindow) card.newBrowserWindow = *fields.newWindow ? 1 : 0;
}

const char* onOff(std::int32_t flag) { return flag == 1 ? "On" : "Off"; }

CardTexts textsOf(const Card& card) {
    return {card.firstField, card.secondField, card.thirdField, card.fourthField, card.note};
}

Labels labelsOf(const CardStore& store, int categoryId) {
    Labels labels{"Field_1", "Field_2", "Field_3", "Field_4"};
    store.GetLabelsForCategoryId(categoryId, labels);
    return labels;
}

}  // namespace

bool openForChange(const std::string& path, CardStore& store, TerminalPrompter& ui, bool create,
                   ChangeSession& session) {
    switch (session.lock.acquire(path)) {
        case DocumentLock::Outcome::Acquired:
        case DocumentLock::Outcome::Unavailable:  // a folder without room for the lock: the change check remains
            break;
        case DocumentLock::Outcome::HeldElsewhere:
            if (!session.force) {
                std::cerr << path << " is open for changes in " << session.lock.holder()
                          << "; nothing was changed (use --force to change it anyway).\n";
                return false;
            }
            std::cerr << path << " is open for changes in " << session.lock.holder() << "; changing it anyway.\n";
            break;
    }
    // What is read is fingerprinted before and checked after the load, so that a write by another
    // program in between is not taken for what was read.
    for (int attempt = 0;; ++attempt) {
        auto before = fingerprintFile(path);
        if (!before) {
            std::cerr << "Cannot read " << path << ".\n";
            return false;
        }
        session.read = *before;
        if (!before->exists) break;
        store.clear();
        LoadResult result;
        if (!loadForCommand(path, store, ui, 0, result)) return false;
        if (fileStillMatches(path, session.read)) return true;
        if (attempt == 2) {
            std::cerr << path << " keeps changing while it is read; nothing was changed.\n";
            return false;
        }
    }
    if (!create) {
        LoadResult result;
        return loadForCommand(path, store, ui, 0, result);  // says that there is no such file
    }
    if (endsWith(path, ".qve")) {
        auto entered = ui.askNewPassword("New Encryption Password");
        if (!entered) {
            if (!ui.inputRefused()) std::cerr << "No password was given; " << path << " was not made.\n";
            return false;
        }
        NewPasswordVerdict verdict = checkNewPassword(entered->first, entered->second);
        if (verdict != NewPasswordVerdict::Accepted) {
            ui.showMessage(newPasswordMessage(verdict));
            return false;
        }
        // A new document is encrypted in the strong form; deriving its key takes about a second.
        const bool keyed = setEncryptionPassword(store, entered->first, EncryptionForm::Strong);
        wipeSecret(entered->first);
        wipeSecret(entered->second);
        if (!keyed) {
            std::cerr << "The key for " << path << " could not be derived (not enough memory); it was not made.\n";
            return false;
        }
    }
    std::cerr << "Making the new " << (store.encryptOnSave ? "encrypted" : "plain") << " card document " << path
              << ".\n";
    return true;
}

bool saveChanged(const std::string& path, const CardStore& store, TerminalPrompter& ui, ChangeSession& session) {
    ReplaceCheck check;
    if (!session.force) check = [&] { return fileStillMatches(path, session.read); };
    SaveResult saved = saveCardDocument(path, store, ui, WriteMode::Replace, check);
    if (saved.outcome == SaveOutcome::Changed)
        std::cerr << path << " was changed by another program since it was read; nothing was written "
                     "(use --force to write anyway).\n";
    else if (saved.outcome == SaveOutcome::WriteError)
        std::cerr << saved.error << '\n';
    if (saved.outcome != SaveOutcome::Saved) return false;
    if (auto written = fingerprintFile(path)) session.read = *written;
    return true;
}

bool DocumentChange::open(const std::string& file, const PasswordSource& password, bool force, bool create) {
    path = file;
    session.force = force;
    return usePasswordSource(ui, password) && openForChange(path, store, ui, create, session);
}

int categoryForCommand(const std::string& name) {
    for (int id = 0; id < kCategoryCount; ++id)
        if (sameIgnoringCase(name, categoryDisplayName(id))) return id;
    std::cerr << "No category is called \"" << name << "\". The categories are:";
    for (int id = 0; id < kCategoryCount; ++id) std::cerr << (id ? ", " : " ") << categoryDisplayName(id);
    std::cerr << ".\n";
    return -1;
}

int cardForCommand(const CardStore& store, int categoryId, const CardSelector& which) {
    const CardList& list = *store.GetCategoryList(categoryId);
    const std::string category = categoryDisplayName(categoryId);
    if (which.position) {
        if (*which.position >= 1 && *which.position <= list.GetCardCount()) return *which.position - 1;
        std::cerr << category << " has " << list.GetCardCount() << " card(s); there is no card " << *which.position
                  << ".\n";
        return -1;
    }
    if (which.card.empty()) {
        std::cerr << "Name the card with --card NAME or --position N.\n";
        return -1;
    }
    std::string name;
    if (!utf8ToWin1252(which.card, name)) name.clear();
    const int position = name.empty() ? -1 : findCardByName(list, name);
    if (position < 0) std::cerr << category << " has no card called \"" << which.card << "\".\n";
    return position;
}

std::optional<std::string> cardTextForCommand(const std::string& utf8, const std::string& card,
                                              const std::string& field, bool isNote) {
    std::string text = utf8;
    if (isNote) {
        // Cards keep line breaks as CR LF, as the window's note editor writes them.
        std::string crlf;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) crlf += '\r';
            crlf += text[i];
        }
        text = crlf;
    }
    std::string bytes, error;
    const std::string where = card + ", field " + field + ": ";
    if (!utf8ToWin1252(text, bytes, &error)) {
        std::cerr << where << error << '\n';
        return std::nullopt;
    }
    if (bytes.find('\0') != std::string::npos) {
        std::cerr << where << "it holds a NUL character, which a card cannot keep.\n";
        return std::nullopt;
    }
    if (bytes.size() > kMaxTextBytes) {
        std::cerr << where << "it holds " << bytes.size() << " characters; a card keeps at most " << kMaxTextBytes
                  << ".\n";
        return std::nullopt;
    }
    return bytes;
}

std::string textForOutput(const std::string& win1252, bool isNote) {
    std::string utf8 = win1252ToUtf8(win1252);
    if (!isNote) return utf8;
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i)
        if (!(utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')) out += utf8[i];
    return out;
}

int cmdAdd(const AddOptions& options) {
    const int categoryId = categoryForCommand(options.category);
    if (categoryId < 0) return 1;
    DocumentChange doc;
    if (!doc.open(options.file, options.password, options.force, true)) return 1;

    CardTexts texts;
    if (!applyFieldOptions(options.fields, labelsOf(doc.store, categoryId), options.fields.name.value_or(""), doc.ui, texts))
        return 1;
    auto card = std::make_unique<Card>();
    card->firstField = texts.firstField;
    card->secondField = texts.secondField;
    card->thirdField = texts.thirdField;
    card->fourthField = texts.fourthField;
    card->note = texts.note;
    applySwitchOptions(options.fields, *card);
    const int position = addNewCard(doc.store, categoryId, std::move(card), 0);
    if (!doc.save()) return 1;
    std::cout << categoryDisplayName(categoryId) << " card " << position + 1 << '\n';
    return 0;
}

int cmdEdit(const EditOptions& options) {
    const int categoryId = categoryForCommand(options.which.category);
    if (categoryId < 0) return 1;
    DocumentChange doc;
    if (!doc.open(options.file, options.password, options.force, false)) return 1;
    const int position = cardForCommand(doc.store, categoryId, options.which);
    if (position < 0) return 1;

    Card& card = *doc.store.GetCategoryList(categoryId)->GetCardAt(position);
    CardTexts texts = textsOf(card);
    if (!applyFieldOptions(options.fields, labelsOf(doc.store, categoryId), win1252ToUtf8(card.firstField), doc.ui, texts))
        return 1;
    editCardTexts(card, texts);
    applySwitchOptions(options.fields, card);
    return doc.save() ? 0 : 1;
}

int cmdRemove(const RemoveOptions& options) {
    const int categoryId = categoryForCommand(options.which.category);
    if (categoryId < 0) return 1;
    DocumentChange doc;
    if (!doc.open(options.file, options.password, options.force, false)) return 1;
    const int position = cardForCommand(doc.store, categoryId, options.which);
    if (position < 0 || !deleteCard(doc.store, categoryId, position)) return 1;
    return doc.save() ? 0 : 1;
}

int cmdFind(const FindOptions& options) {
    TerminalPrompter ui;
    if (!usePasswordSource(ui, options.password)) return 1;
    std::string keyword;
    std::string error;
    if (!utf8ToWin1252(options.keyword, keyword, &error)) {
        std::cerr << error << '\n';
        return 1;
    }
    CardStore store;
    LoadResult result;
    if (!loadForCommand(options.file, store, ui, 0, result)) return 1;

    // Every card Find would stop at, in its order: category, position from 1, and name.
    const std::vector<Card*> cards = cardsInSearchOrder(store);
    int found = 0;
    for (int i = findCard(cards, 0, keyword, options.ignoreCase); i >= 0;
         i = findCard(cards, i + 1, keyword, options.ignoreCase)) {
        const Card& card = *cards[static_cast<std::size_t>(i)];
        const CardList& list = *store.GetCategoryList(card.categoryId);
        int position = 0;
        while (list.GetCardAt(position) != &card) ++position;
        std::cout << categoryDisplayName(card.categoryId) << '\t' << position + 1 << '\t'
                  << textForOutput(card.firstField, false) << '\n';
        ++found;
    }
    if (found == 0) std::cerr << "Text not found.\n";
    return found ? 0 : 1;
}

int cmdShow(const ShowOptions& options) {
    const int categoryId = categoryForCommand(options.which.category);
    if (categoryId < 0) return 1;
    TerminalPrompter ui;
    if (!usePasswordSource(ui, options.password)) return 1;
    CardStore store;
    LoadResult result;
    if (!loadForCommand(options.file, store, ui, 0, result)) return 1;
    const int position = cardForCommand(store, categoryId, options.which);
    if (position < 0) return 1;

    const Card& card = *store.GetCategoryList(categoryId)->GetCardAt(position);
    const Labels labels = labelsOf(store, categoryId);
    const std::string* fields[] = {&card.firstField, &card.secondField, &card.thirdField, &card.fourthField};
    std::cout << "Category: " << categoryDisplayName(categoryId) << '\n';
    for (int i = 0; i < 4; ++i) {
        const std::string value = i == 3 && !options.reveal ? std::string(fields[i]->size(), '*')
                                                              : textForOutput(*fields[i], false);
        std::cout << labels[static_cast<std::size_t>(i)] << ' ' << value << '\n';
    }
    std::cout << "Automatic Access: " << onOff(card.automaticAccess) << '\n';
    std::cout << "New Browser Window: " << onOff(card.newBrowserWindow) << '\n';
    std::cout << "Date: " << FormatDateStamp(card.dateStamp, 0) << '\n';
    if (!card.note.empty())
        std::cout << "Note:\n" << noteForOutput(card.note, options.reveal, std::time(nullptr)) << '\n';
    return 0;
}
