#include "cardstore/LockedCards.h"

#include <memory>
#include <optional>
#include <utility>

#include "common/Wipe.h"
#include "crypto/PasswordKey.h"

namespace {

/// Answers the one password question of reading the sealed cards; everything said is dropped.
class OneAnswer : public Prompter {
public:
    explicit OneAnswer(const std::string& password) : m_password(password) {}
    void showMessage(const std::string&) override {}
    std::optional<std::string> askPassword(const std::string&) override {
        if (m_asked) return std::nullopt;
        m_asked = true;
        return m_password;
    }
    bool confirmReplace(const std::string&) override { return false; }

private:
    const std::string& m_password;
    bool m_asked = false;
};

}  // namespace

bool sealCardsForLock(CardStore& store, Bytes& sealed, Prompter& ui) {
    if (!store.isEncrypted()) return false;
    const EncryptionForm form = store.encryptionForm;
    std::shared_ptr<const PasswordKey> key = store.encryptionKey;
    if (form == EncryptionForm::Old) {
        std::optional<PasswordKey> derived = PasswordKey::forNewPassword(store.encryptionPassword);
        if (!derived) return false;
        key = std::make_shared<const PasswordKey>(std::move(*derived));
    }
    // Written as a strong-form document under that key, whatever form the file has.
    store.encryptionForm = EncryptionForm::Strong;
    std::swap(store.encryptionKey, key);
    const bool serialized = serializeCardDocument(store, sealed, ui);
    std::swap(store.encryptionKey, key);
    store.encryptionForm = form;
    if (!serialized) {
        wipeSecret(sealed);
        return false;
    }
    store.clear();
    wipeSecret(store.encryptionPassword);
    wipeSecret(store.typedPassword);
    store.encryptionKey.reset();
    return true;
}

bool unsealLockedCards(const Bytes& sealed, const std::string& password, EncryptionForm form, CardStore& store,
                       int dateFormat) {
    CardStore opened;
    OneAnswer answer(password);
    const LoadResult result = readCardDocument(sealed.data(), sealed.size(), "", opened, answer, dateFormat);
    wipeSecret(opened.typedPassword);
    if (result.outcome != LoadOutcome::Loaded || !opened.encryptionKey) return false;
    if (form == EncryptionForm::Old) {
        // The key proved the password right: the old form is keyed with the password itself again.
        opened.encryptionKey.reset();
        opened.encryptionPassword = password;
    }
    opened.encryptionForm = form;
    store.swap(opened);
    return true;
}
