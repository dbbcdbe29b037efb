#include "ui/fileenc/FileEncryptionCommands.h"

#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/MainFrame.h"

void installFileEncryptionCommands(CMainFrame& frame) {
    CommandTable& c = frame.commands();
    CMainFrame* f = &frame;
    const FileEncryptionState& fe = frame.FileEncryption;
    c.setEnableRule(cmd::FileEncryptionButton, [f] { return f->activeChildFrame() != nullptr; });
    auto canEncrypt = [&fe] { return fe.PasswordIsSet && fe.CanEncrypt; };
    auto canDecrypt = [&fe] { return fe.PasswordIsSet && fe.IsEncrypted; };
    auto hasPassword = [&fe] { return !fe.FileEncryptionPassword.empty(); };
    c.setEnableRule(cmd::FeEncryptFile, canEncrypt);
    c.setEnableRule(cmd::FeEncryptFileButton, canEncrypt);
    c.setEnableRule(cmd::FeDecryptFile, canDecrypt);
    c.setEnableRule(cmd::FeDecryptFileButton, canDecrypt);
    c.setEnableRule(cmd::FeShowEncryptedOnly, [&fe] { return !fe.ShowEncryptedOnly; });
    c.setEnableRule(cmd::FeShowAllFiles, [&fe] { return fe.ShowEncryptedOnly; });
    c.setEnableRule(cmd::FeClearPassword, hasPassword);
    c.setEnableRule(cmd::FeClearPasswordButton, hasPassword);
    c.setCheckRule(cmd::FeAllFiles, [&fe] { return !fe.ShowEncryptedOnly; });
    c.setCheckRule(cmd::FeEncryptedFiles, [&fe] { return fe.ShowEncryptedOnly; });
    // Not built yet: they do nothing.
    for (int id : {cmd::FileView, cmd::FileEncryptionButton, cmd::FeEncryptFile, cmd::FeDecryptFile,
                   cmd::FeSetPassword, cmd::FeClearPassword, cmd::FeCardView, cmd::FeAllFiles, cmd::FeEncryptedFiles,
                   cmd::FeSetPasswordButton, cmd::FeClearPasswordButton, cmd::FeEncryptFileButton,
                   cmd::FeDecryptFileButton, cmd::FeShowEncryptedOnly, cmd::FeShowAllFiles, cmd::FeCardViewButton}) {
        c.setHandler(id, [] {});
    }
}
