// Encrypt On Save: the "File Encryption" dialog, and the move between the plain and the encrypted
// document types that follows from it.
#include "ui/cards/QuorvaneDoc.h"

#include <QGuiApplication>
#include <QFile>
#include <QFileInfo>

#include "docview/DocManager.h"
#include "docview/DocTemplate.h"
#include "docview/MdiChildFrame.h"
#include "cardstore/CardFile.h"
#include "common/SafeFile.h"
#include "common/Wipe.h"
#include "crypto/PasswordRules.h"
#include "ui/cards/FileEncryptionDlg.h"
#include "ui/common/DocumentTypes.h"
#include "ui/common/GuiPrompter.h"
#include "ui/common/QtText.h"
#include "ui/cards/QuorvaneDocParts.h"

using namespace quorvanedoc;

namespace {

/// The path with its extension replaced (a path without a four-character extension gets one added).
QString withExtension(const QString& path, const QString& ext) {
    if (path.size() > 4 && path.at(path.size() - 4) == '.' && !path.right(4).contains('/')) {
        return path.left(path.size() - 4) + ext;
    }
    return path + ext;
}

}  // namespace

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
