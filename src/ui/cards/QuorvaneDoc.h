#pragma once
// CQuorvaneDoc: a card document. It owns the card store, loads and saves it through the core,
// and handles Encrypt On Save, which may move the document between the plain and the encrypted
// document types.
//
// A document's file may be shared with other programs (a second window, the command-line tool, a
// sync program). The document remembers what it read and never replaces a file that changed since
// unseen: a save merges the two copies card by card (asking only when the other copy cannot be
// read); it watches the file while it is open; and it holds the file's lock, or opens read-only when
// another live program holds it. A sync program's conflict copies of the file, found beside it when
// it opens and while it is open, are merged into it and moved to the trash.

#include <QFileSystemWatcher>
#include <QHash>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>

#include "docview/Document.h"
#include "cardstore/CardFile.h"
#include "cardstore/CardStore.h"
#include "cardstore/DocumentGuard.h"

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

    /// Saves encrypted under a password: what the dialog bar and the toolbar show (a locked document
    /// still does: its key waits for the password).
    bool IsEncrypted() const { return m_locked || m_store.isEncrypted(); }

    /// Locked: the cards, the key and the password are sealed away in memory, the views show no
    /// card, nothing is saved, and only the document's password brings them back.
    bool isLocked() const { return m_locked; }
    /// Locks an encrypted document (unsaved changes are sealed with the cards); false for a plain or a
    /// locked one, or when the cards cannot be sealed.
    bool lock();
    /// "Unlock NAME": asks for the password; the right one restores the cards as they were, a wrong
    /// one says so and leaves the document locked. True once unlocked; `cancelled` (when given) says
    /// whether the person cancelled rather than typed a wrong password.
    bool unlock(bool* cancelled = nullptr);
    /// A locked document with changes is unlocked first, so its question can be answered.
    bool SaveModified() override;

    bool OnNewDocument() override;
    bool OnOpenDocument(const QString& path) override;
    bool OnSaveDocument(const QString& path) override;
    /// Save; a file that is not this document's own (a name made up by a type change, or a file
    /// that did not read as a card document) is not written over without asking.
    bool DoFileSave() override;
    /// Save As and Save: when the file on disk changed and the person chose "Save As…", asks for
    /// another name.
    bool DoSave(const QString& path, bool replace = true) override;
    /// Releases the lock and stops watching the file.
    void OnCloseDocument() override;
    /// A read-only document's title says so.
    void SetPathName(const QString& path, bool addToRecentFiles = true) override;

    /// The automatic save: Save, except that a file changed by another program, or one this
    /// document may only read, is left alone and the status bar says so.
    bool saveAutomatically();

    /// Another program held the file's lock when it was opened: Save asks for another name.
    bool isReadOnly() const { return m_readOnly; }

    /// Compares the file on disk with what was read: a change offers to read it again when the
    /// document has no changes of its own, and otherwise leaves the choice to the next save.
    void checkFileOnDisk();

    /// Whether a sync program's conflict copy of the document's file lies beside it.
    bool hasConflictCopies() const;
    /// Merges each conflict copy of the document's file into the cards (the copy tried with the
    /// document's key or password first, then one the person types), saves the merge and moves the copy
    /// to the trash; a copy that does not read stays, and the status bar says what happened. Waits
    /// while the document has unsaved changes, is read-only here or locked.
    void mergeConflictCopies();

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
    /// Just before the cards are sealed away (views may remember their selection), and after the
    /// document was locked or unlocked.
    void aboutToLock();
    void lockChanged(bool locked);
    /// Encrypt On Save changed whether the document saves encrypted.
    void encryptionStateChanged();
    /// The document was read from or written to its file (the automatic save starts over).
    void fileStored();
    /// A "~~~" file was opened: it belongs to the file-encryption window, not to a card window.
    void encryptedFileOpened(const QString& path);
    /// A note for the status bar (an automatic save skipped, a change made elsewhere).
    void statusMessage(const QString& text);
    /// A note the status bar keeps for a while over the command prompts (the offer of the strong form).
    void statusNotice(const QString& text);

private:
    void moveToType(int templateId);
    void deleteFileOfOldType(const QString& savedPath);
    /// Forgets the file: its lock, what was read, the watch.
    void forgetFile();
    /// Watches `path` and its folder (a sync program renames a new file over the old one).
    void watch(const QString& path);
    /// Reads the file again in place; false (keeping the cards) when it could not be read.
    bool reload();
    /// The file changed since it was read: merges its cards with the window's and writes the merge,
    /// which the window then shows. Changed when no merge could be made (nothing written).
    SaveResult saveMerged(const std::string& file, const QString& name);
    /// Shows the merged cards, keeping each tree's selected card where it still is, and says what
    /// the merge did.
    void adoptMerged(CardStore& merged, int conflicts, const QString& name);
    /// Shows the merged cards in place of the window's, keeping each tree's selected card where it still is.
    void showMergedCards(CardStore& merged);
    /// The part of checkFileOnDisk about the document's own file.
    void checkOwnFile();
    /// At lock: the merge base goes with the cards (dropped when it equals them, else sealed on its
    /// own); false when it cannot be sealed.
    bool sealBase();
    /// At unlock with the password that opened the cards, or after a lock that failed (no password):
    /// the base comes back; without it the next save that finds the file changed asks.
    void unsealBase(const std::string& password);

    std::optional<FileFingerprint> m_read;      // what m_fileOnDisk held when read or written
    std::optional<FileFingerprint> m_declined;  // a change elsewhere already dealt with
    std::unique_ptr<DocumentLock> m_lock;
    bool m_readOnly = false;
    QString m_lockHolder;
    bool m_automaticSave = false;
    bool m_saveAsInstead = false;
    bool m_checking = false;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;  // file events come in bursts: the check runs once they stop
    QHash<QString, FileFingerprint> m_conflictsLeft;  // conflict copies that stayed: looked at again once changed

    SettingsStore& m_settings;
    CardStore m_store;
    /// The merge base's cards: made from the records kept at the last read when not made yet.
    CardStore& base();

    // The cards as last read from or written to m_fileOnDisk, what a merge starts from: a second
    // copy of every card, without secrets. After a read it is made only when a merge or a lock needs
    // it, from the records the read left (m_baseRecords), which cost no time at open and about a
    // third of the memory of the cards.
    CardStore m_base;
    KeptRecords m_baseRecords;
    bool m_haveBase = false;
    bool m_baseIsStore = false;  // locked with a base equal to the cards: it is copied back at unlock
    Bytes m_sealedBase;          // locked with a base of its own: sealed like the cards
    QString m_fileOnDisk;
    bool m_typeChanged = false;  // moved between plain and encrypted since the last load or save
    bool m_locked = false;
    Bytes m_sealed;  // the cards while locked, sealed under the document's key
};
