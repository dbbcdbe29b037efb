#include "ScriptedPrompter.h"

ScriptedPrompter::ScriptedPrompter() : m_previous(installGuiPrompter(this)) {}

ScriptedPrompter::~ScriptedPrompter() { installGuiPrompter(m_previous); }

void ScriptedPrompter::message(const QString& text, const QString& caption, Icon) {
    messages.append(text);
    captions.append(caption);
}

GuiPrompter::Answer ScriptedPrompter::question(const QString& text, bool withCancel, const QString&) {
    questions.append(text);
    if (answers.isEmpty()) {
        unexpected.append(QStringLiteral("question: ") + text);
        return withCancel ? Answer::Cancel : Answer::No;
    }
    return answers.takeFirst();
}

std::optional<QString> ScriptedPrompter::decryptionPassword(const QString& title) {
    passwordTitles.append(title);
    if (passwords.isEmpty()) {
        unexpected.append(QStringLiteral("password: ") + title);
        return std::nullopt;
    }
    return passwords.takeFirst();
}

std::optional<FileEncryptionInput> ScriptedPrompter::fileEncryption(const FileEncryptionInput& initial) {
    encryptionDialogs.append(initial);
    if (encryptionAnswers.isEmpty()) {
        unexpected.append(QStringLiteral("File Encryption dialog"));
        return std::nullopt;
    }
    return encryptionAnswers.takeFirst();
}

QString ScriptedPrompter::openFileName(const QString&, const QStringList& nameFilters) {
    openFilters.append(nameFilters);
    if (openNames.isEmpty()) {
        unexpected.append(QStringLiteral("open dialog"));
        return QString();
    }
    return openNames.takeFirst();
}

QString ScriptedPrompter::saveFileName(const QString&, const QString& suggested, const QStringList&) {
    saveSuggestions.append(suggested);
    if (saveNames.isEmpty()) {
        unexpected.append(QStringLiteral("save dialog: ") + suggested);
        return QString();
    }
    return saveNames.takeFirst();
}

void ScriptedPrompter::popupText(const QString& text, const QPoint&) { popups.append(text); }

void ScriptedPrompter::aboutBox() { ++aboutBoxes; }
