#include "ui/cards/QuorvaneDoc.h"

#include <QApplication>
#include <QGuiApplication>
#include <QFile>
#include <QFileInfo>
#include <utility>

#include "docview/DocManager.h"
#include "docview/DocTemplate.h"
#include "docview/MdiChildFrame.h"
#include "docview/View.h"
#include "cardstore/CardFile.h"
#include "common/SafeFile.h"
#include "common/Wipe.h"
#include "crypto/PasswordRules.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/FileEncryptionDlg.h"
#include "ui/cards/StrongFormOffer.h"
#include "ui/common/DocumentTypes.h"
#include "ui/common/CommandBlock.h"
#include "ui/common/GuiPrompter.h"
#include "ui/common/QtText.h"

namespace {

bool sameFile(const QString& a, const QString& b) {
    const QFileInfo fa(a);
    const QFileInfo fb(b);
    if (fa.exists() && fb.exists()) {
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    }
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}

/// The path with its extension replaced (a path without a four-character extension gets one added).
QString withExtension(const QString& path, const QString& ext) {
    if (path.size() > 4 && path.at(path.size() - 4) == '.' && !path.right(4).contains('/')) {
        return path.left(path.size() - 4) + ext;
    }
    return path + ext;
}

std::string fileBytesName(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString fileNameOf(const QString& path) { return QFileInfo(path).fileName(); }

}  // namespace

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
    const LoadResult result = loadCardDocument(file, m_store, notices, dateFormat);
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
                    watch(path);
                    if (!fileStillMatches(file, *before)) {
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

void CQuorvaneDoc::forgetFile() {
    m_settle.stop();
    if (!m_watcher.files().isEmpty()) {
        m_watcher.removePaths(m_watcher.files());
    }
    if (!m_watcher.directories().isEmpty()) {
        m_watcher.removePaths(m_watcher.directories());
    }
    m_lock.reset();
    m_read.reset();
    m_declined.reset();
    m_readOnly = false;
    m_lockHolder.clear();
}

void CQuorvaneDoc::watch(const QString& path) {
    if (!m_watcher.files().isEmpty()) {
        m_watcher.removePaths(m_watcher.files());
    }
    if (!m_watcher.directories().isEmpty()) {
        m_watcher.removePaths(m_watcher.directories());
    }
    // A watch on the file ends when a new file is renamed over it; the folder's watch notices that
    // and the check puts the file's watch back.
    m_watcher.addPath(path);
    m_watcher.addPath(QFileInfo(path).absolutePath());
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
    m_declined.reset();
    watch(path);
    m_typeChanged = false;
    SetModifiedFlag(false);
    emit fileStored();
    return true;
}

void CQuorvaneDoc::checkFileOnDisk() {
    if (m_fileOnDisk.isEmpty() || !m_read || m_locked) {  // a locked document looks again once unlocked
        return;
    }
    // Never while a dialog is open (our own question included) or a command waits: the cards may
    // be in use. The check comes back once it is over.
    if (m_checking || QApplication::activeModalWidget() || CommandBlock::active()) {
        m_settle.start();
        return;
    }
    const QString path = m_fileOnDisk;
    const std::string file = fileBytesName(path);
    if (!m_watcher.files().contains(path) && QFileInfo::exists(path)) {
        m_watcher.addPath(path);  // a file renamed over ours: watch the new one
    }
    if (fileStillMatches(file, *m_read) || (m_declined && fileStillMatches(file, *m_declined))) {
        return;  // our own save, the same bytes written again, or a change already dealt with
    }
    const std::optional<FileFingerprint> now = fingerprintFile(file);
    if (!now || !now->exists) {
        return;  // gone or unreadable for now: the next save asks
    }
    m_checking = true;
    m_declined = now;
    const QString name = fileNameOf(path);
    if (IsModified()) {
        // Both changed: the window's cards stay, and the save question decides.
        SetModifiedFlag();
        emit statusMessage(QStringLiteral("%1 was changed by another program; saving will ask whether to overwrite "
                                          "it.")
                               .arg(name));
    } else if (guiPrompter().question(
                   QStringLiteral("%1 was changed by another program. Reload it?").arg(name), false) ==
               GuiPrompter::Answer::Yes) {
        reload();
    }
    m_checking = false;
}

bool CQuorvaneDoc::reload() {
    const QString path = m_fileOnDisk;
    const std::string file = fileBytesName(path);
    const std::optional<FileFingerprint> before = fingerprintFile(file);
    CardStore fresh;
    fresh.encryptionKey = m_store.encryptionKey;  // a strong file saved under the same key asks no password
    const int dateFormat = readSetting(m_settings, settings::kDateFormat);
    const LoadResult result = loadCardDocument(file, fresh, guiPrompter(), dateFormat);
    const bool read = (result.outcome == LoadOutcome::Loaded || result.outcome == LoadOutcome::EmptyFile) &&
                      !result.cardsUnread && before && before->exists;
    if (!read) {
        emit statusMessage(QStringLiteral("%1 was not read again; the window keeps its cards.").arg(fileNameOf(path)));
        return false;
    }
    m_store.swap(fresh);
    m_read = before;
    m_declined.reset();
    SetModifiedFlag(false);
    UpdateAllViews(nullptr);
    UpdateEncryptionStatus();
    emit fileStored();
    if (!fileStillMatches(file, *before)) {
        m_settle.start();  // changed again while it was read
    }
    return true;
}

void CQuorvaneDoc::deleteFileOfOldType(const QString& savedPath) {
    // After a move between plain and encrypted, the file of the previous type goes once its
    // replacement is on disk; never when it is the very file just written (a Save As back to the
    // old name, or a switch there and back), and never a file this document did not come from.
    if (!m_typeChanged || m_fileOnDisk.isEmpty() || sameFile(m_fileOnDisk, savedPath)) {
        return;
    }
    if (QFileInfo(m_fileOnDisk).isFile()) {
        removeFile(QFile::encodeName(m_fileOnDisk).toStdString());
    }
}

void CQuorvaneDoc::OnEncryptOnSave() {
    // The old form keeps its password, which fills both fields; the strong form keeps only its key,
    // so its fields start empty, and left empty they keep the key as it is.
    const bool oldForm = m_store.encryptionForm == EncryptionForm::Old;
    const QString current =
        m_store.encryptOnSave == 1 && oldForm ? fromCardText(m_store.encryptionPassword) : QString();
    FileEncryptionDlg dialog({m_store.encryptOnSave == 1, current, current, oldForm}, dialogParent());
    if (guiPrompter().exec(dialog) != QDialog::Accepted) {
        return;
    }
    std::optional<FileEncryptionInput> answer = dialog.input();
    // The typed passwords leave the dialog's fields, and every copy is wiped once it has been used.
    QString typedPassword = takeSecretText(*dialog.passwordField());
    QString typedConfirmation = takeSecretText(*dialog.confirmationField());
    answer->password.clear();
    answer->confirmation.clear();
    QString error;
    std::optional<std::string> password = toCardText(typedPassword, &error);
    std::optional<std::string> confirmation = password ? toCardText(typedConfirmation, &error) : std::nullopt;
    wipeSecret(typedPassword);
    wipeSecret(typedConfirmation);
    struct WipeTyped {
        std::optional<std::string>& a;
        std::optional<std::string>& b;
        ~WipeTyped() {
            if (a) wipeSecret(*a);
            if (b) wipeSecret(*b);
        }
    } wipeTyped{password, confirmation};
    if (!password || !confirmation) {
        guiPrompter().message(error);
        return;
    }
    const EncryptionForm form = answer->oldFormat ? EncryptionForm::Old : EncryptionForm::Strong;
    if (answer->encryptOnSave) {
        const bool keepKey = form == EncryptionForm::Strong && m_store.encryptionForm == EncryptionForm::Strong &&
                             m_store.encryptionKey && password->empty() && confirmation->empty();
        if (keepKey) {
            // Nothing typed: the document keeps its key (and its password).
            if (m_store.encryptOnSave != 1) {
                m_store.encryptOnSave = 1;
                SetModifiedFlag();
            }
            UpdateEncryptionStatus();
            return;
        }
        switch (checkNewPassword(*password, *confirmation)) {
            case NewPasswordVerdict::Mismatch:
                // A typo in the confirmation changes nothing: the switch and the password stay as
                // they were, so the next save cannot write the cards in clear by surprise.
                guiPrompter().message(QString::fromUtf8(kMsgPasswordMismatchEntry));
                return;
            case NewPasswordVerdict::Accepted: {
                // The strong form derives its key here, once (about a second); every save reuses it.
                QGuiApplication::setOverrideCursor(Qt::WaitCursor);
                const bool keyed = setEncryptionPassword(m_store, *password, form);
                QGuiApplication::restoreOverrideCursor();
                if (!keyed) {
                    guiPrompter().message(QStringLiteral("The key could not be derived from the password: there "
                                                         "is not enough memory. Nothing was changed."),
                                          QString(), GuiPrompter::Icon::Warning);
                    return;
                }
                SetModifiedFlag();
                break;
            }
            case NewPasswordVerdict::TooShort:
                // The switch goes on but keeps the previous password, so a later save may be refused.
                m_store.encryptOnSave = 1;
                guiPrompter().message(QString::fromUtf8(kMsgPasswordTooShort));
                break;
        }
    } else {
        m_store.encryptOnSave = 0;
        SetModifiedFlag();
    }
    UpdateEncryptionStatus();
}

void CQuorvaneDoc::UpdateEncryptionStatus() {
    emit encryptionStateChanged();
    const DocTemplate* docTemplate = GetDocTemplate();
    const int type = docTemplate ? docTemplate->resourceId() : 0;
    if (IsEncrypted() && type == kPlainDocTemplate) {
        moveToType(kEncryptedDocTemplate);
    } else if (!IsEncrypted() && type == kEncryptedDocTemplate) {
        moveToType(kPlainDocTemplate);
    }
}

void CQuorvaneDoc::moveToType(int templateId) {
    DocTemplate* from = GetDocTemplate();
    DocTemplate* to = from && from->manager() ? from->manager()->templateById(templateId) : nullptr;
    if (!to) {
        return;
    }
    // An untitled document stays untitled; a titled one gets the new type's extension.
    if (!GetPathName().isEmpty()) {
        SetPathName(withExtension(GetPathName(), to->GetDocString(DocTemplate::filterExt)));
    }
    m_typeChanged = true;
    SetModifiedFlag();
    from->RemoveDocument(this);
    to->AddDocument(this);

    // Only the windows that show the cards are remade; windows that merely belong to the document
    // (the file-encryption windows) stay as they are.
    const QList<MdiChildFrame*> oldFrames = showingFrames();
    MdiChildFrame* frame = to->CreateNewFrame(this);
    to->InitialUpdateFrame(frame);
    for (MdiChildFrame* old : oldFrames) {
        old->destroyFrame();
    }
    if (to->manager()) {
        emit to->manager()->documentsChanged();
    }
}
