#include "ui/GuiPrompter.h"

#include "ui/DialogPrompter.h"
#include "ui/QtText.h"

namespace {
GuiPrompter* g_installed = nullptr;
}

void GuiPrompter::showMessage(const std::string& text) { message(QString::fromStdString(text)); }

std::optional<std::string> GuiPrompter::askPassword(const std::string& title) {
    for (;;) {
        const std::optional<QString> typed = decryptionPassword(QString::fromStdString(title));
        if (!typed) {
            return std::nullopt;
        }
        QString error;
        if (std::optional<std::string> bytes = toCardText(*typed, &error)) {
            return bytes;
        }
        message(error);
    }
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
