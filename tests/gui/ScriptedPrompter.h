#pragma once
// A prompter for GUI tests: installs itself while it lives, records every text the program
// shows, and answers questions and dialogs from scripts, so no test ever waits on a modal loop.
//
// A test must account for everything the program showed. When the prompter goes away, and when a
// test starts afresh with reset(), the test fails if a question, file dialog or dialog came up that
// nothing scripted, if a script was left unused, or if a message was shown that the test never
// looked at (through messages()).

#include <QDialog>
#include <QList>
#include <QStringList>
#include <functional>
#include <optional>
#include <source_location>

#include "ui/cards/FileEncryptionDlg.h"
#include "ui/common/GuiPrompter.h"

class ScriptedPrompter : public GuiPrompter {
public:
    ScriptedPrompter();
    ~ScriptedPrompter() override;

    // Scripts, used front to back.
    QList<Answer> answers;
    QList<std::optional<QString>> passwords;  // typed into "Decryption Password" dialogs (none: Cancel)
    QList<std::optional<FileEncryptionInput>> encryptionAnswers;  // "File Encryption" dialogs (none: Cancel)
    QList<int> choices;  // the index of the button pressed in choose() questions
    QStringList openNames;
    QStringList saveNames;
    /// Called with each modeless dialog as it is shown (a progress dialog, say), to act on it.
    std::function<void(QDialog&)> onShow;

    /// Scripts the next dialog of class `Dialog` that is not one of the above: `handler` gets the
    /// real dialog, sets its controls as a person would and returns its result. Handlers are used
    /// in order, and each dialog must be of the class its handler expects.
    template <class Dialog>
    void onDialog(std::function<int(Dialog&)> handler) {
        m_handlers.append([handler](QDialog& dialog) -> std::optional<int> {
            if (auto* typed = qobject_cast<Dialog*>(&dialog)) {
                return handler(*typed);
            }
            return std::nullopt;
        });
    }

    // Records.
    /// Every message text so far; looking at them counts as having checked them.
    const QStringList& messages();
    /// The captions of those messages.
    const QStringList& captions();
    QStringList questions;        // Yes/No questions and OK/Cancel confirmations
    QStringList confirmCaptions;  // the captions of the OK/Cancel ones
    QList<QStringList> choiceButtons;  // the buttons of each choose() question, marked [default] and [Esc]
    QStringList passwordTitles;
    QList<FileEncryptionInput> encryptionDialogs;  // what each File Encryption dialog opened with
    QList<QStringList> openFilters;
    QStringList openCaptions;  // the titles of the open-file dialogs
    QStringList saveSuggestions;
    QList<QStringList> saveFilters;
    QStringList popups;
    QStringList dialogs;    // window titles of the modal dialogs run, in order
    QList<QDialog*> shown;  // modeless dialogs shown (still owned by the program)
    QStringList unexpected;
    QList<bool> overVisibleWindow;  // for each message: whether the main window was on the screen

    /// Forgets the scripts and records, so a test may run a second part with fresh ones. Whatever
    /// the part before left unaccounted for fails the test first, reported at the caller's line
    /// (the test function itself goes on: reset() cannot return from it).
    void reset(std::source_location where = std::source_location::current());

    void message(const QString& text, const QString& caption, Icon icon) override;
    Answer question(const QString& text, bool withCancel, const QString& caption) override;
    QString openFileName(const QString& caption, const QStringList& nameFilters) override;
    QString saveFileName(const QString& caption, const QString& suggested, const QStringList& nameFilters) override;
    /// Answered from `choices`; recorded in `questions` and `choiceButtons`.
    int choose(const QString& text, const QStringList& buttons, int defaultButton, int escapeButton,
               const QString& caption) override;
    /// Answered from `answers`: Yes stands for OK, anything else for Cancel.
    bool okCancel(const QString& text, const QString& caption, Icon icon) override;
    int exec(QDialog& dialog) override;
    void show(QDialog& dialog) override;
    void popupText(const QString& text, const QPoint& globalPos) override;

private:
    /// What the test did not account for; empty when all is well.
    QStringList problems() const;
    /// Fails the running test, at `file`:`line`, when problems() finds anything.
    void failOnProblems(const char* when, const char* file, int line) const;

    QStringList m_messages;
    QStringList m_captions;
    qsizetype m_messagesSeen = 0;
    QList<std::function<std::optional<int>(QDialog&)>> m_handlers;
    GuiPrompter* m_previous;
};
