#include "ui/cards/QuorvaneDoc.h"

#include <QFile>
#include <QFileInfo>

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
#include "ui/common/DocumentTypes.h"
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

}  // namespace

CQuorvaneDoc::CQuorvaneDoc(SettingsStore& settings) : m_settings(settings) {}

int CQuorvaneDoc::GetLabelsForCategoryName(const QString& name, Labels& labels) const {
    return m_store.GetLabelsForCategoryName(name.toStdString(), labels);
}

int CQuorvaneDoc::GetLabelsForCategoryId(int categoryId, Labels& labels) const {
    return m_store.GetLabelsForCategoryId(categoryId, labels);
}

bool CQuorvaneDoc::OnNewDocument() {
    m_store.clear();
    m_store.encryptOnSave = 0;
    m_store.encryptionPassword.clear();
    return Document::OnNewDocument();
}

bool CQuorvaneDoc::OnOpenDocument(const QString& path) {
    // A "~~~" file is an encrypted file, not a card document: it is never read here.
    if (path.endsWith(QStringLiteral("~~~"))) {
        SetModifiedFlag(false);
        emit encryptedFileOpened(path);
        return true;
    }
    const int dateFormat = readSetting(m_settings, settings::kDateFormat);
    const LoadResult result =
        loadCardDocument(QFile::encodeName(path).toStdString(), m_store, guiPrompter(), dateFormat);
    switch (result.outcome) {
        case LoadOutcome::Loaded:
        case LoadOutcome::EmptyFile:
            // An old document opened without its password shows empty, but its file still holds
            // the cards: it is not this document's own file, so a save does not write over it unasked.
            if (!result.cardsUnread) {
                m_fileOnDisk = path;
            }
            [[fallthrough]];
        case LoadOutcome::NotQuorvane:
        case LoadOutcome::EncryptedFileName:
            SetModifiedFlag(false);
            emit fileStored();
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
    if (!path.isEmpty() && !savesToItsOwnFile() &&
        !guiPrompter().confirmReplace(QFile::encodeName(path).toStdString())) {
        return DoSave(QString());
    }
    return Document::DoFileSave();
}

bool CQuorvaneDoc::OnSaveDocument(const QString& path) {
    const SaveResult result = saveCardDocument(QFile::encodeName(path).toStdString(), m_store, guiPrompter());
    if (result.outcome == SaveOutcome::Refused) {
        return false;  // the reason was shown; nothing was written
    }
    if (result.outcome == SaveOutcome::WriteError) {
        guiPrompter().message(QStringLiteral("Unable to save %1.\n%2")
                                  .arg(QFileInfo(path).fileName(), QString::fromStdString(result.error)),
                              QString(), GuiPrompter::Icon::Warning);
        return false;
    }
    deleteFileOfOldType(path);
    m_fileOnDisk = path;
    m_typeChanged = false;
    SetModifiedFlag(false);
    emit fileStored();
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
    const QString current = m_store.encryptOnSave == 1 ? fromCardText(m_store.encryptionPassword) : QString();
    FileEncryptionDlg dialog({m_store.encryptOnSave == 1, current, current}, dialogParent());
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
    if (answer->encryptOnSave) {
        switch (checkNewPassword(*password, *confirmation)) {
            case NewPasswordVerdict::Mismatch:
                // A typo in the confirmation changes nothing: the switch and the password stay as
                // they were, so the next save cannot write the cards in clear by surprise.
                guiPrompter().message(QString::fromUtf8(kMsgPasswordMismatchEntry));
                return;
            case NewPasswordVerdict::Accepted:
                m_store.encryptOnSave = 1;
                m_store.encryptionPassword = *password;
                SetModifiedFlag();
                break;
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
