#include "ui/cards/OtherCopy.h"

#include <optional>
#include <utility>

#include "cardstore/CardFile.h"
#include "common/Wipe.h"
#include "crypto/PasswordRules.h"
#include "ui/common/GuiPrompter.h"

namespace {

// Answers the reading's one password question with the password it was given, or the person's,
// and keeps its messages to itself (but for a wrong password the person typed).
class OtherCopyPrompter : public Prompter {
public:
    OtherCopyPrompter(std::optional<std::string> password, GuiPrompter* person, const QString& name)
        : m_password(std::move(password)), m_person(person), m_name(name) {}
    ~OtherCopyPrompter() override {
        if (m_password) wipeSecret(*m_password);
    }
    OtherCopyPrompter(const OtherCopyPrompter&) = delete;
    OtherCopyPrompter& operator=(const OtherCopyPrompter&) = delete;

    void showMessage(const std::string& text) override {
        if (text == kMsgPasswordWrongDecrypt || text == kMsgMustEnterPassword) {
            m_refused = true;
            if (m_person) m_person->showMessage(text);
        }
    }
    std::optional<std::string> askPassword(const std::string&) override {
        m_asked = true;
        if (m_password) {
            m_gave = true;
            return std::exchange(m_password, std::nullopt);
        }
        if (!m_person) return std::nullopt;
        std::optional<std::string> typed = m_person->askPassword(
            QStringLiteral("Decryption Password for file: %1 (changed by another program)").arg(m_name).toStdString());
        m_cancelled = !typed;
        return typed;
    }
    bool confirmReplace(const std::string&) override { return false; }

    bool cancelled() const { return m_cancelled; }
    bool refused() const { return m_refused; }
    /// The file wants a password other than the one given, or than none.
    bool wantsPassword() const { return m_asked && (m_refused || !m_gave); }

private:
    std::optional<std::string> m_password;
    GuiPrompter* m_person;
    QString m_name;
    bool m_asked = false;
    bool m_gave = false;
    bool m_cancelled = false;
    bool m_refused = false;
};

bool readWhole(const LoadResult& result) {
    return result.outcome == LoadOutcome::Loaded && !result.cardsUnread;
}

}  // namespace

OtherCopyRead readOtherCopy(const std::string& file, const QString& name, const CardStore& ours, bool mayAsk,
                            int dateFormat, CardStore& theirs) {
    // A strong copy saved under the window's key opens without a password; an old-form one, or a
    // strong one with a salt of its own, may still open with the window's old-form password.
    std::optional<std::string> known;
    if (ours.encryptionForm == EncryptionForm::Old && !ours.encryptionPassword.empty())
        known = ours.encryptionPassword;
    theirs.encryptionKey = ours.encryptionKey;
    {
        OtherCopyPrompter quiet(std::move(known), nullptr, name);
        if (readWhole(loadCardDocument(file, theirs, quiet, dateFormat))) return OtherCopyRead::Read;
        if (!quiet.wantsPassword()) return OtherCopyRead::Unreadable;
    }
    if (!mayAsk) return OtherCopyRead::NoPassword;
    constexpr int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        theirs.clear();
        theirs.encryptionKey.reset();
        OtherCopyPrompter person(std::nullopt, &guiPrompter(), name);
        if (readWhole(loadCardDocument(file, theirs, person, dateFormat))) return OtherCopyRead::Read;
        if (person.cancelled()) return OtherCopyRead::NoPassword;
        if (!person.refused()) return OtherCopyRead::Unreadable;  // the password fit, the rest did not read
    }
    return OtherCopyRead::NoPassword;
}
