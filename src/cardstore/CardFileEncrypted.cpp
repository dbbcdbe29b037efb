// The enciphered bodies: the old cipher under a checked password, and the strong form's sealed body.
#include <cstring>
#include <memory>

#include "cardstore/CardFile.h"
#include "cardstore/CardFileParts.h"
#include "cardstore/StrongBody.h"
#include "crypto/Blowfish.h"
#include "crypto/PasswordKey.h"

namespace cardfile {

// Asks for the password of an enciphered body and deciphers it in place; the check area decides.
Unlock unlockBody(Bytes& body, const std::string& fileName, BodyCheck check, CardStore& store, Prompter& ui) {
    std::optional<std::string> typed = ui.askPassword("Decryption Password for file: " + fileName);
    if (!typed) return Unlock::Cancelled;
    WipeOnExit wipeTyped(*typed);
    store.typedPassword = *typed;
    // A body too short for its check area cannot be right: whole zero blocks let the check refuse it
    // the usual way instead of comparing bytes that are not there.
    std::size_t minimum = check == BodyCheck::Digest20 ? 24 : 8;
    if (body.size() < minimum) body.resize(minimum, 0);
    if (!checkTypedPassword(body, *typed, check, ui)) return Unlock::Refused;
    if (typed->empty()) {
        // Nothing was deciphered, so a check area that happens to match proves nothing.
        ui.showMessage(kMsgPasswordWrongDecrypt);
        return Unlock::Refused;
    }
    store.encryptionPassword = *typed;
    store.encryptOnSave = 1;
    store.encryptionForm = EncryptionForm::Old;  // saved again in the old form, which other programs read
    store.encryptionKey.reset();
    return Unlock::Accepted;
}

// The enciphered body, the bytes from `offset` on, rounded up to whole cipher blocks with zeros, to
// decipher in place. When the caller gave up the file's buffer (`file`), the body is moved to its
// front, so a large document is not copied; `data` must not be read after that.
Bytes encipheredBlocks(const std::uint8_t* data, std::size_t size, std::size_t offset, Bytes* file) {
    const std::size_t bodySize = size - offset;
    if (file) {
        Bytes body = std::move(*file);
        body.erase(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(offset));
        body.resize(BlockCount(bodySize) * 8, 0);  // within the room the header leaves: no new buffer
        return body;
    }
    Bytes body(BlockCount(bodySize) * 8, 0);
    if (bodySize) std::memcpy(body.data(), data + offset, bodySize);
    return body;
}

namespace {

// The key for a strong document: the one the store holds when it fits the file, else one derived
// from the password the person types. Nothing after the message when there is none.
std::shared_ptr<const PasswordKey> keyForStrongDocument(const std::uint8_t* data, const StrongHeader& header,
                                                        const std::string& fileName, CardStore& store, Prompter& ui,
                                                        LoadResult& result) {
    const std::shared_ptr<const PasswordKey>& known = store.encryptionKey;
    if (known && known->derivedWith(header.salt, header.cost) &&
        known->keyCheckMatches(data, kStrongKeyCheckOffset, data + kStrongKeyCheckOffset))
        return known;
    std::optional<std::string> typed = ui.askPassword("Decryption Password for file: " + fileName);
    if (!typed) {
        result.error = "No password was given.";
        return nullptr;
    }
    WipeOnExit wipeTyped(*typed);
    if (typed->empty()) {
        ui.showMessage(kMsgMustEnterPassword);
        ui.showMessage(kMsgPasswordWrongDecrypt);
        return nullptr;
    }
    std::optional<PasswordKey> derived = PasswordKey::derive(*typed, header.salt, header.cost);
    if (!derived) {
        ui.showMessage(keyNotDerivedMessage(fileName, header.cost));
        return nullptr;
    }
    // The key check covers the header only: a wrong password is told apart from a damaged body.
    if (!derived->keyCheckMatches(data, kStrongKeyCheckOffset, data + kStrongKeyCheckOffset)) {
        ui.showMessage(kMsgPasswordWrongDecrypt);
        return nullptr;
    }
    return std::make_shared<const PasswordKey>(std::move(*derived));
}

}  // namespace

// Body kind 3: the header is checked before a password is asked for, the key before the body is
// opened, and no card is read unless the whole body authenticates.
LoadResult readStrongDocument(const std::uint8_t* data, std::size_t size, Bytes* file, const std::string& fileName,
                              CardStore& store, Prompter& ui, const RecordSink& sink) {
    LoadResult result;
    result.format = CardFileFormat::Current;
    result.encrypted = true;
    result.strong = true;
    result.outcome = LoadOutcome::Failed;
    StrongHeader header;
    const StrongHeaderVerdict verdict = readStrongHeader(data, size, header);
    if (verdict != StrongHeaderVerdict::Readable) {
        ui.showMessage(strongHeaderMessage(verdict, data, header, fileName));
        return result;
    }
    std::shared_ptr<const PasswordKey> key = keyForStrongDocument(data, header, fileName, store, ui, result);
    if (!key) return result;

    // Opened in place: the file's own buffer when the caller gave it up, so a large document is not copied.
    Bytes buffer = file ? std::move(*file) : Bytes(data, data + size);
    WipedBuffer wipeBuffer{buffer};
    if (!key->openInPlace(buffer.data() + kStrongHeaderSize, size - kStrongHeaderSize, buffer.data(),
                          kStrongHeaderSize, header.nonce)) {
        ui.showMessage(damagedFileMessage(fileName));
        return result;
    }
    store.encryptionKey = std::move(key);
    store.encryptionForm = EncryptionForm::Strong;
    store.encryptOnSave = 1;
    wipeSecret(store.encryptionPassword);
    const std::size_t cardBytes = size - kStrongMinimumSize;
    sink(buffer.data() + kStrongHeaderSize, cardBytes, 0, false, &buffer);
    result.outcome = LoadOutcome::Loaded;
    return result;
}

}  // namespace cardfile
