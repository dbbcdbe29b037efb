#pragma once
// CQuorvaneDoc: a card document. It owns the card store, loads and saves it through the core,
// and handles Encrypt On Save, which may move the document between the plain and the encrypted
// document types.

#include <cstdint>

#include "app/docview/Document.h"
#include "cardstore/CardStore.h"

class CQuorvaneDoc : public Document {
    Q_OBJECT
public:
    CQuorvaneDoc();

    CardStore& store() { return m_store; }
    const CardStore& store() const { return m_store; }
    CardList* GetCategoryList(int categoryId) { return m_store.GetCategoryList(categoryId); }
    int GetLabelsForCategoryName(const QString& name, Labels& labels) const;
    int GetLabelsForCategoryId(int categoryId, Labels& labels) const;
    std::uint64_t GetStoredSize() const { return m_store.GetStoredSize(); }

    /// Saves encrypted under a password: what the dialog bar and the toolbar show.
    bool IsEncrypted() const { return m_store.encryptOnSave == 1 && !m_store.encryptionPassword.empty(); }

    bool OnNewDocument() override;
    bool OnOpenDocument(const QString& path) override;
    bool OnSaveDocument(const QString& path) override;
    /// Save; a path made up by a type change is not written over another file without asking.
    bool DoFileSave() override;

    /// Encrypt On Save: the "File Encryption" dialog and what follows from it.
    void OnEncryptOnSave();
    /// Shows the encryption state and moves the document to the matching document type.
    void UpdateEncryptionStatus();

    /// The files to delete once the document has been saved under its new type.
    const QString& oldPlainFile() const { return m_oldPlainFile; }
    const QString& oldEncryptedFile() const { return m_oldEncryptedFile; }

private:
    void moveToType(int templateId);
    void deleteReplacedFiles(const QString& savedPath);
    void restartAutosaveIfWanted();

    CardStore m_store;
    QString m_oldPlainFile;
    QString m_oldEncryptedFile;
    bool m_pathFromTypeChange = false;  // the path was made up by a type change and never saved
};
