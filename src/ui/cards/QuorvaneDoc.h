#pragma once
// CQuorvaneDoc: a card document. It owns the card store, loads and saves it through the core,
// and handles Encrypt On Save, which may move the document between the plain and the encrypted
// document types.

#include <cstdint>

#include "docview/Document.h"
#include "cardstore/CardStore.h"

class SettingsStore;

class CQuorvaneDoc : public Document {
    Q_OBJECT
public:
    explicit CQuorvaneDoc(SettingsStore& settings);

    SettingsStore& settings() const { return m_settings; }
    CardStore& store() { return m_store; }
    const CardStore& store() const { return m_store; }
    CardList* GetCategoryList(int categoryId) { return m_store.GetCategoryList(categoryId); }
    int GetLabelsForCategoryName(const QString& name, Labels& labels) const;
    int GetLabelsForCategoryId(int categoryId, Labels& labels) const;
    std::uint64_t GetStoredSize() const { return m_store.GetStoredSize(); }
    /// GetStoredSize() > 0, in constant time: what the file commands' enable rules ask.
    bool hasCards() const { return m_store.hasCards(); }

    /// Saves encrypted under a password: what the dialog bar and the toolbar show.
    bool IsEncrypted() const { return m_store.encryptOnSave == 1 && !m_store.encryptionPassword.empty(); }

    bool OnNewDocument() override;
    bool OnOpenDocument(const QString& path) override;
    bool OnSaveDocument(const QString& path) override;
    /// Save; a file that is not this document's own (a name made up by a type change, or a file
    /// that did not read as a card document) is not written over without asking.
    bool DoFileSave() override;

    /// Encrypt On Save: the "File Encryption" dialog and what follows from it.
    void OnEncryptOnSave();
    /// Announces the encryption state and moves the document to the matching document type.
    void UpdateEncryptionStatus();

    /// Whether Save would write to a file this document came from or wrote (or to a free name): the
    /// automatic save writes only then, never over a file whose cards the document did not read.
    bool savesToItsOwnFile() const;

    /// The card file this document was last read from or written to; empty when it has none.
    const QString& fileOnDisk() const { return m_fileOnDisk; }

signals:
    /// Encrypt On Save changed whether the document saves encrypted.
    void encryptionStateChanged();
    /// The document was read from or written to its file (the automatic save starts over).
    void fileStored();
    /// A "~~~" file was opened: it belongs to the file-encryption window, not to a card window.
    void encryptedFileOpened(const QString& path);

private:
    void moveToType(int templateId);
    void deleteFileOfOldType(const QString& savedPath);

    SettingsStore& m_settings;
    CardStore m_store;
    QString m_fileOnDisk;
    bool m_typeChanged = false;  // moved between plain and encrypted since the last load or save
};
