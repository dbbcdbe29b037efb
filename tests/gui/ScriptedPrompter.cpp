#include "ScriptedPrompter.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

#include "ui/common/DecryptPasswordDlg.h"

ScriptedPrompter::ScriptedPrompter() : m_previous(installGuiPrompter(this)) {}

ScriptedPrompter::~ScriptedPrompter() {
    installGuiPrompter(m_previous);
    failOnProblems("when the prompter went away", __FILE__, __LINE__);
}

void ScriptedPrompter::failOnProblems(const char* when, const char* file, int line) const {
    const QStringList found = problems();
    // One failure per test is enough: after the first the test has already stopped being believable.
    if (!found.isEmpty() && !QTest::currentTestFailed() && QTest::currentTestFunction()) {
        QTest::qFail(qPrintable(QStringLiteral("%1, the test had not accounted for: %2")
                                    .arg(QLatin1String(when), found.join(QStringLiteral("; ")))),
                     file, line);
    }
}

QStringList ScriptedPrompter::problems() const {
    QStringList found = unexpected;
    for (qsizetype i = m_messagesSeen; i < m_messages.size(); ++i) {
        found.append(QStringLiteral("message never checked: ") + m_messages.at(i));
    }
    if (!answers.isEmpty()) {
        found.append(QStringLiteral("%1 scripted answer(s) never asked for").arg(answers.size()));
    }
    if (!choices.isEmpty()) {
        found.append(QStringLiteral("%1 scripted choice(s) never asked for").arg(choices.size()));
    }
    if (!passwords.isEmpty()) {
        found.append(QStringLiteral("%1 scripted password(s) never asked for").arg(passwords.size()));
    }
    if (!encryptionAnswers.isEmpty()) {
        found.append(QStringLiteral("%1 scripted File Encryption answer(s) never used").arg(encryptionAnswers.size()));
    }
    if (!openNames.isEmpty() || !saveNames.isEmpty()) {
        found.append(QStringLiteral("scripted file names never asked for"));
    }
    if (!m_handlers.isEmpty()) {
        found.append(QStringLiteral("%1 scripted dialog(s) never shown").arg(m_handlers.size()));
    }
    return found;
}

void ScriptedPrompter::reset(std::source_location where) {
    failOnProblems("at reset()", where.file_name(), static_cast<int>(where.line()));
    overVisibleWindow.clear();
    answers.clear();
    passwords.clear();
    choices.clear();
    choiceButtons.clear();
    encryptionAnswers.clear();
    openNames.clear();
    saveNames.clear();
    m_handlers.clear();
    onShow = nullptr;
    m_messages.clear();
    m_captions.clear();
    m_messagesSeen = 0;
    questions.clear();
    confirmCaptions.clear();
    passwordTitles.clear();
    encryptionDialogs.clear();
    openFilters.clear();
    openCaptions.clear();
    saveSuggestions.clear();
    saveFilters.clear();
    popups.clear();
    dialogs.clear();
    shown.clear();
    unexpected.clear();
}

const QStringList& ScriptedPrompter::messages() {
    m_messagesSeen = m_messages.size();
    return m_messages;
}

const QStringList& ScriptedPrompter::captions() {
    m_messagesSeen = m_messages.size();
    return m_captions;
}

void ScriptedPrompter::message(const QString& text, const QString& caption, Icon) {
    m_messages.append(text);
    m_captions.append(caption);
    QWidget* window = dialogParent();
    overVisibleWindow.append(window && window->window()->isVisible());
}

GuiPrompter::Answer ScriptedPrompter::question(const QString& text, bool withCancel, const QString&) {
    questions.append(text);
    if (answers.isEmpty()) {
        unexpected.append(QStringLiteral("question: ") + text);
        return withCancel ? Answer::Cancel : Answer::No;
    }
    return answers.takeFirst();
}

QString ScriptedPrompter::openFileName(const QString& caption, const QStringList& nameFilters) {
    openFilters.append(nameFilters);
    openCaptions.append(caption);
    if (openNames.isEmpty()) {
        unexpected.append(QStringLiteral("open dialog"));
        return QString();
    }
    return openNames.takeFirst();
}

QString ScriptedPrompter::saveFileName(const QString&, const QString& suggested, const QStringList& nameFilters) {
    saveSuggestions.append(suggested);
    saveFilters.append(nameFilters);
    if (saveNames.isEmpty()) {
        unexpected.append(QStringLiteral("save dialog: ") + suggested);
        return QString();
    }
    return saveNames.takeFirst();
}

int ScriptedPrompter::choose(const QString& text, const QStringList& buttons, int defaultButton, int escapeButton,
                             const QString&) {
    questions.append(text);
    // Recorded as the box shows them, with the default and the Escape button marked.
    QStringList shownButtons;
    for (int i = 0; i < buttons.size(); ++i) {
        shownButtons.append(buttons.at(i) + (i == defaultButton ? QStringLiteral(" [default]") : QString()) +
                            (i == escapeButton ? QStringLiteral(" [Esc]") : QString()));
    }
    choiceButtons.append(shownButtons);
    if (choices.isEmpty()) {
        unexpected.append(QStringLiteral("question: ") + text);
        return escapeButton;
    }
    return choices.takeFirst();
}

bool ScriptedPrompter::okCancel(const QString& text, const QString& caption, Icon) {
    questions.append(text);
    confirmCaptions.append(caption);
    if (answers.isEmpty()) {
        unexpected.append(QStringLiteral("OK/Cancel: ") + text);
        return false;
    }
    return answers.takeFirst() == Answer::Yes;
}

int ScriptedPrompter::exec(QDialog& dialog) {
    dialogs.append(dialog.windowTitle());
    // The two dialogs most tests meet have scripts of their own: what is typed, or Cancel.
    if (auto* password = qobject_cast<DecryptPasswordDlg*>(&dialog)) {
        passwordTitles.append(dialog.windowTitle());
        if (passwords.isEmpty()) {
            unexpected.append(QStringLiteral("password: ") + dialog.windowTitle());
            return QDialog::Rejected;
        }
        const std::optional<QString> typed = passwords.takeFirst();
        if (!typed) {
            return QDialog::Rejected;
        }
        password->passwordField()->setText(*typed);
        return QDialog::Accepted;
    }
    if (auto* encryption = qobject_cast<FileEncryptionDlg*>(&dialog)) {
        encryptionDialogs.append(encryption->input());
        if (encryptionAnswers.isEmpty()) {
            unexpected.append(QStringLiteral("File Encryption dialog"));
            return QDialog::Rejected;
        }
        const std::optional<FileEncryptionInput> answer = encryptionAnswers.takeFirst();
        if (!answer) {
            return QDialog::Rejected;
        }
        encryption->checkBox()->setChecked(answer->encryptOnSave);
        encryption->passwordField()->setText(answer->password);
        encryption->confirmationField()->setText(answer->confirmation);
        encryption->oldFormatBox()->setChecked(answer->oldFormat);
        return QDialog::Accepted;
    }
    if (m_handlers.isEmpty()) {
        unexpected.append(QStringLiteral("dialog: ") + dialog.windowTitle());
        return QDialog::Rejected;
    }
    const std::optional<int> result = m_handlers.takeFirst()(dialog);
    if (!result) {
        unexpected.append(QStringLiteral("dialog of another kind than scripted: ") + dialog.windowTitle());
        return QDialog::Rejected;
    }
    return *result;
}

void ScriptedPrompter::show(QDialog& dialog) {
    shown.append(&dialog);
    dialog.show();
    if (onShow) {
        onShow(dialog);
    }
}

void ScriptedPrompter::popupText(const QString& text, const QPoint&) { popups.append(text); }
