#pragma once
// Every message box, dialog and pop-up menu of the window goes through a GuiPrompter. The real one
// shows them; tests install a scripted one that answers from a script and records every text, so
// nothing waits on a modal loop.
//
// Dialogs are built by the feature that needs them and handed over whole: exec() runs a modal one,
// show() a modeless one. A new dialog therefore adds nothing here; a scripted prompter recognises
// it by its class and fills in its controls as a person would.

#include <QPoint>
#include <QString>
#include <QStringList>
#include <vector>

#include "common/Prompter.h"
#include "docview/DocPrompter.h"

class QDialog;

class GuiPrompter : public Prompter, public DocPrompter {
public:
    // The core's questions, answered with the window's dialogs.
    void showMessage(const std::string& text) override;
    /// Asks with the "Decryption Password" dialog; a password Windows-1252 cannot hold is refused
    /// with a message and asked again.
    std::optional<std::string> askPassword(const std::string& title) override;
    bool confirmReplace(const std::string& path) override;

    /// A question answered with buttons of its own: the index of the button pressed; `escapeButton`
    /// when the box is closed with Escape. `defaultButton` is the one Enter presses. A prompter
    /// that shows no such boxes answers with the Escape button.
    virtual int choose(const QString& text, const QStringList& buttons, int defaultButton, int escapeButton,
                       const QString& caption = QString());
    /// A message box with OK and Cancel (Cancel the default); true for OK.
    virtual bool okCancel(const QString& text, const QString& caption, Icon icon) = 0;
    /// Runs a modal dialog and returns its result (QDialog::Accepted or Rejected).
    virtual int exec(QDialog& dialog) = 0;
    /// Shows a modeless dialog; it stays open while the person goes on working.
    virtual void show(QDialog& dialog) = 0;
    /// A pop-up menu holding one disabled item with `text`, at a screen position.
    virtual void popupText(const QString& text, const QPoint& globalPos) = 0;
};

/// The prompter in force: the installed one, else the one that shows real dialogs.
GuiPrompter& guiPrompter();

/// Installs a prompter (nullptr goes back to the real dialogs); returns the previous one.
GuiPrompter* installGuiPrompter(GuiPrompter* prompter);

/// Forwards the doc/view framework's questions to the prompter in force at the time they are asked.
DocPrompter& docPrompterForwarder();

/// The window dialogs and message boxes belong to (the main window, or the modal dialog on top).
class QWidget;
QWidget* dialogParent();
/// Sets the main window that dialogs belong to while no modal dialog is open.
void setDialogParent(QWidget* window);

/// A notice about a document just opened (nothing the person is answering right now): shown over the
/// main window at once when it is visible, else as soon as it appears, so it never stands alone on
/// the screen before the window at start-up.
void showNotice(const QString& text, GuiPrompter::Icon icon = GuiPrompter::Icon::Information);
/// Whether notices wait for their window to be shown (they come up as soon as events are handled).
bool noticesWaiting();

/// Collects the core's messages while a document is read. A message that comes before a question
/// (a wrong password before it is asked again) is shown at once; the ones after the last question
/// are held: release() shows them as notices once the document opened, or at once when it did not.
/// From a typed password until release() the pointer shows that the program is busy (deriving a key
/// takes about a second).
class NoticeCollector : public Prompter {
public:
    explicit NoticeCollector(Prompter& questions) : m_questions(questions) {}
    ~NoticeCollector() override { setBusy(false); }
    void showMessage(const std::string& text) override { m_held.push_back(text); }
    std::optional<std::string> askPassword(const std::string& title) override;
    bool confirmReplace(const std::string& path) override;
    void release(bool opened);

private:
    void showHeld();
    void setBusy(bool busy);

    Prompter& m_questions;
    std::vector<std::string> m_held;
    bool m_busy = false;
};
