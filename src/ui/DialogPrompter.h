#pragma once
// The prompter that shows real message boxes, dialogs and pop-up menus.

#include "ui/GuiPrompter.h"

class QWidget;

class DialogPrompter : public GuiPrompter {
public:
    void message(const QString& text, const QString& caption, Icon icon) override;
    Answer question(const QString& text, bool withCancel, const QString& caption) override;
    std::optional<QString> decryptionPassword(const QString& title) override;
    std::optional<FileEncryptionInput> fileEncryption(const FileEncryptionInput& initial) override;
    QString openFileName(const QString& caption, const QStringList& nameFilters) override;
    QString saveFileName(const QString& caption, const QString& suggested, const QStringList& nameFilters) override;
    void popupText(const QString& text, const QPoint& globalPos) override;
    void aboutBox() override;

private:
    static QWidget* parentWindow();
};
