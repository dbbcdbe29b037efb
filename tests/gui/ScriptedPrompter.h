#pragma once
// A prompter for GUI tests: installs itself while it lives, records every text the program
// shows, and answers questions and dialogs from scripts. A dialog with no scripted answer is
// noted in `unexpected` and answered with Cancel, so no test ever waits on a modal loop.

#include <QList>
#include <QStringList>
#include <optional>

#include "ui/GuiPrompter.h"

class ScriptedPrompter : public GuiPrompter {
public:
    ScriptedPrompter();
    ~ScriptedPrompter() override;

    // Scripts, used front to back.
    QList<Answer> answers;
    QList<std::optional<QString>> passwords;
    QList<std::optional<FileEncryptionInput>> encryptionAnswers;
    QStringList openNames;
    QStringList saveNames;

    // Records.
    QStringList messages;
    QStringList captions;
    QStringList questions;
    QStringList passwordTitles;
    QList<FileEncryptionInput> encryptionDialogs;  // what each File Encryption dialog opened with
    QList<QStringList> openFilters;
    QStringList saveSuggestions;
    QStringList popups;
    int aboutBoxes = 0;
    QStringList unexpected;

    void message(const QString& text, const QString& caption, Icon icon) override;
    Answer question(const QString& text, bool withCancel, const QString& caption) override;
    std::optional<QString> decryptionPassword(const QString& title) override;
    std::optional<FileEncryptionInput> fileEncryption(const FileEncryptionInput& initial) override;
    QString openFileName(const QString& caption, const QStringList& nameFilters) override;
    QString saveFileName(const QString& caption, const QString& suggested, const QStringList& nameFilters) override;
    void popupText(const QString& text, const QPoint& globalPos) override;
    void aboutBox() override;

private:
    GuiPrompter* m_previous;
};
