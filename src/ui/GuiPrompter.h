#pragma once
// Every message box, modal dialog and pop-up menu of the window goes through a GuiPrompter. The
// real one shows dialogs; tests install a scripted one that answers from a script and records
// every text, so nothing waits on a modal loop.

#include <QPoint>
#include <QString>
#include <QStringList>
#include <optional>

#include "common/Prompter.h"

/// The controls of the "File Encryption" dialog.
struct FileEncryptionInput {
    bool encryptOnSave = false;
    QString password;
    QString confirmation;
};

class GuiPrompter : public Prompter {
public:
    enum class Icon { None, Information, Warning, Critical };
    enum class Answer { Yes, No, Cancel };

    // The core's questions, answered with the window's dialogs.
    void showMessage(const std::string& text) override;
    /// Asks with the "Decryption Password" dialog; a password Windows-1252 cannot hold is refused
    /// with a message and asked again.
    std::optional<std::string> askPassword(const std::string& title) override;
    bool confirmReplace(const std::string& path) override;

    /// A message box with an OK button; an empty caption shows the application's title.
    virtual void message(const QString& text, const QString& caption = QString(), Icon icon = Icon::None) = 0;
    /// A Yes/No (or Yes/No/Cancel) question; an empty caption shows the application's title.
    virtual Answer question(const QString& text, bool withCancel, const QString& caption = QString()) = 0;
    /// The "Decryption Password" dialog under `title`; nothing when cancelled.
    virtual std::optional<QString> decryptionPassword(const QString& title) = 0;
    /// The "File Encryption" dialog opened with `initial`; nothing when cancelled.
    virtual std::optional<FileEncryptionInput> fileEncryption(const FileEncryptionInput& initial) = 0;
    /// The open-file dialog; an empty text when cancelled.
    virtual QString openFileName(const QString& caption, const QStringList& nameFilters) = 0;
    /// The save-file dialog starting at `suggested`; an empty text when cancelled.
    virtual QString saveFileName(const QString& caption, const QString& suggested, const QStringList& nameFilters) = 0;
    /// A pop-up menu holding one disabled item with `text`, at a screen position.
    virtual void popupText(const QString& text, const QPoint& globalPos) = 0;
    /// The modal About box.
    virtual void aboutBox() = 0;
};

/// The prompter in force: the installed one, else the one that shows real dialogs.
GuiPrompter& guiPrompter();

/// Installs a prompter (nullptr goes back to the real dialogs); returns the previous one.
GuiPrompter* installGuiPrompter(GuiPrompter* prompter);
