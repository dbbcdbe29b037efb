#include "ui/fileenc/FilePassword.h"

#include <QAction>

#include "common/Wipe.h"
#include "crypto/PasswordRules.h"
#include "ui/common/GuiPrompter.h"
#include "ui/common/Icons.h"
#include "ui/common/QtText.h"
#include "ui/fileenc/FilePasswordDlg.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"

namespace {

/// Keeps a Windows-1252 copy of a typed text and wipes it when it goes.
struct SecretText {
    std::string bytes;
    ~SecretText() { wipeSecret(bytes); }
};

}  // namespace

void SetFileEncryptionPassword(CMainFrame& frame) {
    FileEncryptionState& state = frame.FileEncryption;
    for (;;) {
        FilePasswordDlg dialog(state.PasswordIsSet ? fromCardText(state.FileEncryptionPassword) : QString(),
                               dialogParent(), state.EncryptInOldForm);
        if (guiPrompter().exec(dialog) != QDialog::Accepted) {
            return;
        }
        QString error;
        SecretText first;
        SecretText second;
        const std::optional<std::string> a = toCardText(dialog.password(), &error);
        const std::optional<std::string> b = a ? toCardText(dialog.confirmation(), &error) : std::nullopt;
        dialog.clearFields();
        if (!a || !b) {
            guiPrompter().message(error);
            continue;
        }
        first.bytes = *a;
        second.bytes = *b;
        const NewPasswordVerdict verdict = checkNewPassword(first.bytes, second.bytes);
        if (verdict != NewPasswordVerdict::Accepted) {
            guiPrompter().message(QString::fromUtf8(newPasswordMessage(verdict)));
            continue;
        }
        // The form goes with the dialog's OK whatever becomes of the password.
        state.EncryptInOldForm = dialog.oldFormat();
        if (state.PasswordIsSet && first.bytes != state.FileEncryptionPassword &&
            guiPrompter().question(QStringLiteral("Change File Encryption Password ?"), false) != GuiPrompter::Answer::Yes) {
            return;
        }
        wipeSecret(state.FileEncryptionPassword);
        state.FileEncryptionPassword = first.bytes;
        state.PasswordIsSet = true;
        UpdatePasswordButton(frame);
        frame.scheduleCommandUpdate();
        return;
    }
}

void ClearFileEncryptionPassword(CMainFrame& frame) {
    wipeSecret(frame.FileEncryption.FileEncryptionPassword);
    frame.FileEncryption.PasswordIsSet = false;
    UpdatePasswordButton(frame);
    frame.scheduleCommandUpdate();
}

void UpdatePasswordButton(CMainFrame& frame) {
    const bool set = frame.FileEncryption.PasswordIsSet;
    QAction* button = frame.commandAction(cmd::FeSetPasswordButton);
    button->setIcon(set ? icons::passwordSetButton() : icons::toolbar(cmd::FeSetPasswordButton));
    button->setProperty("passwordSet", set);
}
