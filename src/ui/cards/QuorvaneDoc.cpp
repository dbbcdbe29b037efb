#include "ui/cards/QuorvaneDoc.h"

#include <QFile>
#include <QFileInfo>
#include <utility>

#include "cardstore/CardFile.h"
#include "cardstore/CardMerge.h"
#include "common/SafeFile.h"
#include "common/Wipe.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/StrongFormOffer.h"
#include "ui/common/GuiPrompter.h"
#include "ui/cards/QuorvaneDocParts.h"

namespace quorvanedoc {

bool sameFile(const QString& a, const QString& b) {
    const QFileInfo fa(a);
    const QFileInfo fb(b);
    if (fa.exists() && fb.exists()) {
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    }
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}

std::string fileBytesName(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString fileNameOf(const QString& path) { return QFileInfo(path).fileName(); }

/// Makes `to` save as `from` does: the same switch, form, password and key.
void shareEncryption(const CardStore& from, CardStore& to) {
    to.encryptOnSave = from.encryptOnSave;
    to.encryptionForm = from.encryptionForm;
    to.encryptionPassword = from.encryptionPassword;
    to.encryptionKey = from.encryptionKey;
}

}  // namespace quorvanedoc

using namespace quorvanedoc;

CQuorvaneDoc::CQuorvaneDoc(SettingsStore& settings) : m_settings(settings) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(300);
    connect(&m_settle, &QTimer::timeout, this, &CQuorvaneDoc::checkFileOnDisk);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
}

int CQuorvaneDoc::GetLabelsForCategoryName(const QString& name, Labels& labels) const {
    return m_store.GetLabelsForCategoryName(name.toStdString(), labels);
}

int CQuorvaneDoc::GetLabelsForCategoryId(int categoryId, Labels& labels) const {
    return m_store.GetLabelsForCategoryId(categoryId, labels);
}

bool CQuorvaneDoc::OnNewDocument() {
    forgetFile();
    m_store.clear();
    m_store.encryptOnSave = 0;
    m_store.encryptionPassword.clear();
    m_store.encryptionForm = EncryptionForm::Strong;
    m_store.encryptionKey.reset();
    return Document::OnNewDocument();
}

bool CQuorvaneDoc::OnOpenDocument(const QString& path) {
    // A "~~~" file is an encrypted file, not a card document: it is never read here.
    if (path.endsWith(QStringLiteral("~~~"))) {
        SetModifiedFlag(false);
        emit encryptedFileOpened(path);
        return true;
    }
    forgetFile();
    const std::string file = fileBytesName(path);
    // The lock is taken before the file is read, so that of two windows opening it at once one
    // writes; a folder without room for a lock leaves the change check alone.
    auto lock = std::make_unique<DocumentLock>();
    const DocumentLock::Outcome locked = lock->acquire(file);
    // What is read is fingerprinted before and checked after the load: a write by another program in
    // between is noticed as a change made elsewhere.
    const std::optional<FileFingerprint> before = fingerprintFile(file);
    const int dateFormat = readSetting(m_settings, settings::kDateFormat);
    NoticeCollector notices(guiPrompter());
    KeptRecords read;
    const LoadResult result = loadCardDocument(file, m_store, notices, dateFormat, read);
    notices.release(result.outcome == LoadOutcome::Loaded || result.outcome == LoadOutcome::EmptyFile);
    switch (result.outcome) {
        case LoadOutcome::Loaded:
        case LoadOutcome::EmptyFile:
            // An old document opened without its password shows empty, but its file still holds
            // the cards: it is not this document's own file, so a save does not write over it unasked.
            if (!result.cardsUnread) {
                m_fileOnDisk = path;
                if (before && before->exists) {
                    m_read = before;
                    m_baseRecords.swap(read);  // m_base, emptied by forgetFile, is made from them when needed
                    m_haveBase = true;
                    watch(path);
                    // Changed while it was read, or a sync program's conflict copy beside it: the check
                    // runs once the window shows the document.
                    if (!fileStillMatches(file, *before) || hasConflictCopies()) {
                        m_settle.start();
                    }
                }
                if (locked == DocumentLock::Outcome::HeldElsewhere) {
                    m_readOnly = true;
                    m_lockHolder = QString::fromStdString(lock->holder());
                    showNotice(QStringLiteral("%1 is open for changes in %2.\nIt opens read-only: "
                                              "Save writes the cards under another name.")
                                   .arg(fileNameOf(path), m_lockHolder));
                } else if (locked == DocumentLock::Outcome::Acquired) {
                    m_lock = std::move(lock);
                }
            }
            [[fallthrough]];
        case LoadOutcome::NotQuorvane:
        case LoadOutcome::EncryptedFileName:
            SetModifiedFlag(false);
            emit fileStored();
            if (auto offer = strongFormOffer(m_settings, path, result)) emit statusNotice(*offer);
            return true;
        case LoadOutcome::ReadError: {
            // A name that is not UTF-8 reaches the window with its odd bytes replaced, so the file
            // seems missing: say why instead.
            const bool garbledName = path.contains(QChar::ReplacementCharacter) && !QFileInfo::exists(path);
            const QString why = garbledName ? QStringLiteral("Its name is not valid UTF-8, which Quorvane cannot "
                                                             "handle. Rename the file and open it again.")
                                : result.error.empty() ? QStringLiteral("The file could not be read.")
                                                       : QString::fromStdString(result.error);
            guiPrompter().message(QStringLiteral("Unable to open %1.\n%2").arg(QFileInfo(path).fileName(), why),
                                  QString(), GuiPrompter::Icon::Warning);
            m_store.clear();
            return false;
        }
        case LoadOutcome::Failed:
            break;
    }
    m_store.clear();
    return false;
}

bool CQuorvaneDoc::savesToItsOwnFile() const {
    const QString& path = GetPathName();
    if (path.isEmpty()) {
        return false;
    }
    QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        return true;
    }
    return !m_fileOnDisk.isEmpty() && sameFile(path, m_fileOnDisk);
}

bool CQuorvaneDoc::DoFileSave() {
    const QString path = GetPathName();
    if (m_readOnly) {
        return DoSave(QString());
    }
    if (!path.isEmpty() && !savesToItsOwnFile() &&
        !guiPrompter().confirmReplace(QFile::encodeName(path).toStdString())) {
        return DoSave(QString());
    }
    return Document::DoFileSave();
}

bool CQuorvaneDoc::DoSave(const QString& path, bool replace) {
    m_saveAsInstead = false;
    if (Document::DoSave(path, replace)) {
        return true;
    }
    if (!std::exchange(m_saveAsInstead, false)) {
        return false;
    }
    return DoSave(QString(), replace);
}

bool CQuorvaneDoc::saveAutomatically() {
    if (m_locked) {
        return false;  // nothing is written while the cards are sealed away; the next save after unlock writes
    }
    if (m_readOnly) {
        emit statusMessage(QStringLiteral("%1 is read-only here; the automatic save left it alone.")
                               .arg(fileNameOf(GetPathName())));
        return false;
    }
    m_automaticSave = true;
    const bool saved = DoFileSave();
    m_automaticSave = false;
    return saved;
}

void CQuorvaneDoc::SetPathName(const QString& path, bool addToRecentFiles) {
    Document::SetPathName(path, addToRecentFiles);
    if (m_readOnly && !path.isEmpty()) {
        SetTitle(GetTitle() + QStringLiteral(" (read-only)"));
    }
}

void CQuorvaneDoc::OnCloseDocument() {
    forgetFile();
    // The key and the old form's password go with the document (the key's memory is wiped as it is freed).
    m_store.encryptionKey.reset();
    wipeSecret(m_store.encryptionPassword);
    wipeSecret(m_sealed);
    Document::OnCloseDocument();
}

bool CQuorvaneDoc::OnSaveDocument(const QString& path) {
    if (m_locked) {
        return false;  // the store is empty while locked: writing it would lose the cards
    }
    const std::string file = fileBytesName(path);
    const bool ownFile = !m_fileOnDisk.isEmpty() && sameFile(path, m_fileOnDisk);
    const QString name = fileNameOf(path);
    if (m_readOnly && ownFile) {
        guiPrompter().message(QStringLiteral("%1 is open for changes in %2; save the cards under another name.")
                                  .arg(name, m_lockHolder),
                              QString(), GuiPrompter::Icon::Warning);
        return false;
    }
    // A file written for the first time is locked first, so that another window that has it open
    // for changes is not written over.
    std::unique_ptr<DocumentLock> newLock;
    if (!ownFile || !m_lock) {
        newLock = std::make_unique<DocumentLock>();
        switch (newLock->acquire(file)) {
            case DocumentLock::Outcome::Acquired:
                break;
            case DocumentLock::Outcome::Unavailable:
                newLock.reset();
                break;
            case DocumentLock::Outcome::HeldElsewhere:
                guiPrompter().message(QStringLiteral("%1 is open for changes in %2; save the cards under another name.")
                                          .arg(name, QString::fromStdString(newLock->holder())),
                                      QString(), GuiPrompter::Icon::Warning);
                return false;
        }
    }
    // Our own file is replaced only while it still holds what was read or last written; the check
    // runs just before the new file is renamed into place.
    ReplaceCheck check;
    if (ownFile && m_read) {
        check = [&] { return fileStillMatches(file, *m_read); };
    }
    SaveResult result = saveCardDocument(file, m_store, guiPrompter(), WriteMode::Replace, check);
    if (result.outcome == SaveOutcome::Changed) {
        // Changed elsewhere since it was read or written: both copies' changes go into the file.
        result = saveMerged(file, name);
    }
    if (result.outcome == SaveOutcome::Changed) {
        // No merge could be made: the other copy does not read, or its password was not given.
        if (m_automaticSave) {
            emit statusMessage(QStringLiteral("%1 was changed by another program; the automatic save left it alone.")
                                   .arg(name));
            return false;
        }
        enum { Overwrite, SaveAs, Cancel };
        const int choice = guiPrompter().choose(
            QStringLiteral("%1 was changed by another program since it was opened. Overwrite it, save under another "
                           "name, or cancel?")
                .arg(name),
            {QStringLiteral("Overwrite"), QStringLiteral("Save As\u2026"), QStringLiteral("Cancel")}, Cancel, Cancel);
        if (choice == SaveAs) {
            m_saveAsInstead = true;
            return false;
        }
        if (choice != Overwrite) {
            return false;
        }
        result = saveCardDocument(file, m_store, guiPrompter());
    }
    if (result.outcome == SaveOutcome::Refused || result.outcome == SaveOutcome::Changed) {
        return false;  // the reason was shown; nothing was written
    }
    if (result.outcome == SaveOutcome::WriteError) {
        guiPrompter().message(QStringLiteral("Unable to save %1.\n%2")
                                  .arg(QFileInfo(path).fileName(), QString::fromStdString(result.error)),
                              QString(), GuiPrompter::Icon::Warning);
        return false;
    }
    deleteFileOfOldType(path);
    if (!ownFile || newLock) {
        m_lock = std::move(newLock);  // the lock of the file written; the previous file's goes
        m_readOnly = false;
        m_lockHolder.clear();
    }
    m_fileOnDisk = path;
    m_read = fingerprintFile(file);
    m_baseRecords.clear();
    copyCards(m_store, m_base);
    m_haveBase = true;
    m_declined.reset();
    watch(path);
    m_typeChanged = false;
    SetModifiedFlag(false);
    emit fileStored();
    if (hasConflictCopies()) {
        m_settle.start();  // a conflict copy that waited for the window's changes; the new watch saw no event
    }
    return true;
}
