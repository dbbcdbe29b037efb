// Writing a card document: the current form, plain, under the old cipher or in the strong form.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "cardstore/CardFile.h"
#include "cardstore/CardFileParts.h"
#include "cardstore/StrongBody.h"
#include "common/SafeFile.h"
#include "common/Win1252.h"
#include "crypto/Blowfish.h"
#include "crypto/PasswordKey.h"
#include "crypto/Sha1.h"

using namespace cardfile;

namespace {

const char* const kTextNames[5] = {"first field", "second field", "third field", "fourth field", "note"};

// The card as a message names it: its first field, shortened, in UTF-8.
std::string cardTitle(const Card& card) {
    constexpr std::size_t kShown = 40;
    if (card.firstField.size() <= kShown) return win1252ToUtf8(card.firstField);
    return win1252ToUtf8(card.firstField.substr(0, kShown)) + "\xE2\x80\xA6";
}

// The file layout gives each text a NUL terminator and a signed 16-bit length budget: refuse a
// text that would not come back as it was, before anything is written.
bool cardTextsCanBeStored(const CardStore& store, Prompter& ui) {
    std::vector<const CardList*> lists{&store.unshownCards()};
    for (int id : storedListOrder()) lists.push_back(store.GetCategoryList(id));
    for (const CardList* list : lists) {
        for (int i = 0; i < list->GetCardCount(); ++i) {
            const Card& card = *list->GetCardAt(i);
            auto texts = storedTexts(card);
            for (std::size_t t = 0; t < texts.size(); ++t) {
                const std::string& text = *texts[t];
                const bool tooLong = text.size() > kMaxTextBytes;
                if (!tooLong && text.find('\0') == std::string::npos) continue;
                const std::string which = std::string("The ") + kTextNames[t] + " of the card \xE2\x80\x9C" +
                                          cardTitle(card) + "\xE2\x80\x9D";
                if (tooLong)
                    ui.showMessage(which + " is too long to be saved (" + std::to_string(text.size()) +
                                   " bytes; at most " + withThousands(kMaxTextBytes) + ").");
                else
                    ui.showMessage(which + " holds a NUL character and cannot be saved.");
                return false;
            }
        }
    }
    return true;
}

void appendDocumentHeader(Bytes& out, std::uint8_t bodyKind) {
    std::uint8_t header[kDocumentHeaderSize] = {};
    header[1] = 5;
    header[10] = 1;
    header[kBodyKindOffset] = bodyKind;
    std::memcpy(header + kMagicOffset, kMagic, sizeof kMagic);
    out.insert(out.end(), header, header + sizeof header);
}

// Lists in ascending number, as the file orders them: the unshown cards go by their numbers
// around the deleted cards (100), keeping their order among equal numbers.
void appendAllCards(Bytes& out, const CardStore& store) {
    std::vector<const Card*> unshown;
    for (int i = 0; i < store.unshownCards().GetCardCount(); ++i) unshown.push_back(store.unshownCards().GetCardAt(i));
    std::stable_sort(unshown.begin(), unshown.end(),
                     [](const Card* a, const Card* b) { return a->categoryId < b->categoryId; });
    auto next = unshown.begin();
    for (int id : storedListOrder()) {
        for (; next != unshown.end() && (*next)->categoryId < id; ++next) appendCardRecord(out, **next);
        const CardList* list = store.GetCategoryList(id);
        for (int i = 0; i < list->GetCardCount(); ++i) appendCardRecord(out, *list->GetCardAt(i));
    }
    for (; next != unshown.end(); ++next) appendCardRecord(out, **next);
}

}  // namespace

bool serializeCardDocument(const CardStore& store, Bytes& out, Prompter& ui) {
    const bool encrypt = store.encryptOnSave != 0;
    const bool strong = encrypt && store.encryptionForm == EncryptionForm::Strong;
    if (encrypt && (strong ? !store.encryptionKey : store.encryptionPassword.empty())) {
        ui.showMessage(kMsgPasswordNotSet);
        return false;
    }
    if (!cardTextsCanBeStored(store, ui)) return false;

    const std::size_t cardBytes = static_cast<std::size_t>(store.GetStoredSize());
    out.clear();
    if (!encrypt) {
        out.reserve(kDocumentHeaderSize + cardBytes);
        appendDocumentHeader(out, kBodyPlain);
        appendAllCards(out, store);
        return true;
    }
    if (strong) {
        // The header, then the cards as a plain body would hold them, sealed under the stored key with
        // a nonce of their own; the tag ends the file.
        out.reserve(kStrongMinimumSize + cardBytes);
        appendDocumentHeader(out, kBodyStrong);
        const Nonce nonce = randomNonce();
        appendStrongHeader(out, *store.encryptionKey, nonce);
        appendAllCards(out, store);
        sealStrongBody(out, *store.encryptionKey, nonce);
        return true;
    }
    // Digest, cards, zero padding to whole blocks, all enciphered block by block under the password.
    const std::size_t blocks = BlockCount(kDigestSize + cardBytes);
    out.reserve(kDocumentHeaderSize + blocks * 8);
    appendDocumentHeader(out, kBodyEncrypted);
    const Sha1Bytes digest = Sha1Digest(store.encryptionPassword);
    out.insert(out.end(), digest.begin(), digest.end());
    appendAllCards(out, store);
    out.resize(kDocumentHeaderSize + blocks * 8, 0);
    const BlowfishKey key(store.encryptionPassword);
    key.EncryptAll(out.data() + kDocumentHeaderSize, blocks);
    return true;
}

bool setEncryptionPassword(CardStore& store, const std::string& password, EncryptionForm form) {
    if (form == EncryptionForm::Old) {
        store.encryptionPassword = password;
        store.encryptionKey.reset();
    } else {
        std::optional<PasswordKey> key = PasswordKey::forNewPassword(password);
        if (!key) return false;
        store.encryptionKey = std::make_shared<const PasswordKey>(std::move(*key));
        wipeSecret(store.encryptionPassword);
    }
    store.encryptionForm = form;
    store.encryptOnSave = 1;
    return true;
}

SaveResult saveCardDocument(const std::string& path, const CardStore& store, Prompter& ui, WriteMode mode,
                             const ReplaceCheck& check) {
    SaveResult result;
    Bytes bytes;
    if (!serializeCardDocument(store, bytes, ui)) {
        result.outcome = SaveOutcome::Refused;
        return result;
    }
    FileResult written = writeFileSafely(path, bytes, mode, check);
    wipeSecret(bytes);
    if (!written.ok) {
        result.outcome = written.refusedByCheck ? SaveOutcome::Changed : SaveOutcome::WriteError;
        result.error = written.error;
        return result;
    }
    result.outcome = SaveOutcome::Saved;
    return result;
}
