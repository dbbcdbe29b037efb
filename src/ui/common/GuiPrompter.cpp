#include "ui/common/GuiPrompter.h"

#include <QApplication>
#include <QPointer>

#include "ui/common/DecryptPasswordDlg.h"
#include "ui/common/DialogPrompter.h"
#include "ui/common/QtText.h"

namespace {
GuiPrompter* g_installed = nullptr;
QPointer<QWidget> g_dialogParent;

class Forwarder : public DocPrompter {
public:
    void message(const QString& text, const QString& caption, Icon icon) override {
        guiPrompter().message(text, caption, icon);
    }
    Answer question(const QString& text, bool withCancel, const QString& caption) override {
        return guiPrompter().question(text, withCancel, caption);
    }
    QString openFileName(const QString& caption, const QStringList& filters) override {
        return guiPrompter().openFileName(caption, filters);
    }
    QString saveFileName(const QString& caption, const QString& suggested, const QStringList& filters) override {
        return guiPrompter().saveFileName(caption, suggested, filters);
    }
};
}  // namespace

void GuiPrompter::showMessage(const std::string& text) { message(QString::fromStdString(text)); }

std::optional<std::string> GuiPrompter::askPassword(const std::string& title) {
    for (;;) {
        DecryptPasswordDlg dlg(QString::fromStdString(title), dialogParent());
        if (exec(dlg) != QDialog::Accepted) {
            return std::nullopt;
        }
        QString error;
        QString typed = takeSecretText(*dlg.passwordField());
        std::optional<std::string> bytes = toCardText(typed, &error);
        wipeSecret(typed);
        if (bytes) {
            return bytes;
        }
        message(error);
    }
}

int GuiPrompter::choose(const QString&, const QStringList&, int, int escapeButton, const QString&) {
    return escapeButton;
}

bool GuiPrompter::confirmReplace(const std::string& path) {
    return question(QString::fromStdString(replaceQuestionText(path)), false) == Answer::Yes;
}

GuiPrompter& guiPrompter() {
    static DialogPrompter dialogs;
    return g_installed ? *g_installed : dialogs;
}

GuiPrompter* installGuiPrompter(GuiPrompter* prompter) {
    GuiPrompter* previous = g_installed;
    g_installed = prompter;
    return previous;
}

DocPrompter& docPrompterForwarder() {
    static Forwarder forwarder;
    return forwarder;
}

QWidget* dialogParent() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    return g_dialogParent ? g_dialogParent.data() : QApplication::activeWindow();
}

void setDialogParent(QWidget* window) { g_dialogParent = window; }
