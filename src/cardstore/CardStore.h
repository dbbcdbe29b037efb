#pragma once
// All cards of one card document: sixteen lists (0-14 and the deleted cards, 100) and the
// document's encryption state. The window's document and the command-line tool both build on it.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "cardstore/CardList.h"

class PasswordKey;

/// How an encrypted document is written: the strong form (a key derived from the password with
/// Argon2id, XChaCha20-Poly1305) or the old one (Blowfish keyed with the password, readable by older
/// programs).
enum class EncryptionForm { Strong, Old };

class CardStore {
public:
    CardStore();
    /// Wipes the passwords.
    ~CardStore();
    CardStore(const CardStore&) = delete;
    CardStore& operator=(const CardStore&) = delete;

    /// The list of a category 0-14 or of the deleted cards (100); nullptr for any other number.
    CardList* GetCategoryList(int categoryId);
    const CardList* GetCategoryList(int categoryId) const;

    /// Copies the labels of the category with this display name (exact comparison) into `labels`
    /// and returns the length of its longest label (at least 1); 0 and `labels` untouched otherwise.
    int GetLabelsForCategoryName(const std::string& name, Labels& labels) const;

    /// The same by number, for 0-14 only.
    int GetLabelsForCategoryId(int categoryId, Labels& labels) const;

    /// Bytes the cards of all sixteen lists and the unshown cards take in a file body; 0 exactly when
    /// there is no card.
    std::uint64_t GetStoredSize() const;

    /// True when any list, the deleted cards included, holds a card: exactly when GetStoredSize is
    /// above 0, without walking the cards (the window asks after every key press).
    bool hasCards() const;
    /// Number of cards in the fifteen shown categories (deleted cards excluded).
    int shownCardCount() const;

    /// Cards of a number that is no category (15-99, 101-255: a file from a later version, or a
    /// repaired one), kept as they were read so that a save writes them back unchanged. Never shown.
    CardList& unshownCards() { return m_unshown; }
    const CardList& unshownCards() const { return m_unshown; }

    /// Empties every list.
    void clear();
    /// Exchanges every list and the encryption state with `other` (a document read again in place).
    void swap(CardStore& other);

    /// Whether a save writes it encrypted and has what that form needs (a key, or the old form's password).
    bool isEncrypted() const;

    // Encryption state: 1 makes the next save write the encrypted form, in encryptionForm: the strong
    // form under encryptionKey, the old one under encryptionPassword.
    int encryptOnSave = 0;
    EncryptionForm encryptionForm = EncryptionForm::Strong;
    std::string encryptionPassword;  // Windows-1252 bytes; the old form only (the strong form keeps no password)
    std::string typedPassword;       // the last password typed at an old form's decryption prompt
    // The strong form's key, derived once at open or when the password is set, reused by every save.
    std::shared_ptr<const PasswordKey> encryptionKey;

private:
    std::array<CardList, kStoredListCount> m_lists;  // index 15 holds list 100
    CardList m_unshown;
};
